#include "LanguageTextSource.h"

std::string TLanguageTextSource::GetText(int id, const std::string& englishDefault) {
    if (id <= 0) return englishDefault;
    if (const TLangEntry* entry = FindLanguageEntry(static_cast<std::uint32_t>(id)))
        return fLanguage.GetLanguageString(*entry);
    return fLanguage.GetLanguageString(TLangEntry{static_cast<std::uint32_t>(id), englishDefault});
}
