#pragma once
// Language file: one head per language, one item per text id. Missing texts
// fall back on the built-in English table, which also completes the English head.
#include <cstdint>
#include <string>

#include "GenFile.h"
#include "LanguageEntries.h"

class TLanguageFile : public TGenFile {
public:
    explicit TLanguageFile(const std::string& FileName, tFileNotifier* Notifier = nullptr);
    TLanguageFile(const std::string& FileName, bool ReadOnly, tFileNotifier* Notifier = nullptr);

    // Writes one text, keeping the head's ids in ascending order.
    void SetVal(const std::string& Head, std::uint32_t Item, const std::string& Val);
    // The decoded text or empty; never writes.
    std::string GetVal(const std::string& Head, const std::string& Item) const;
    int CountHeads() const;
    // Index counts from 1; empty past the last head.
    std::string GetHeadName(int Index) const;
    bool IsValid() const { return FileValid; }

    // The text of CurrentLanguage, else the built-in default (then written under
    // English, except for LE::NoText).
    std::string GetLanguageString(const TLangEntry& LangEntry);
    // The text of CurrentLanguage, else of English, else empty; never writes.
    std::string GetLanguageString(int Index) const;

    std::string CurrentLanguage = "English";
};
