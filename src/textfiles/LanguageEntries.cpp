#include "LanguageEntries.h"

#include <algorithm>
#include <iterator>

const TLangEntry* FindLanguageEntry(std::uint32_t id) {
    auto it = std::lower_bound(std::begin(LanguageEntries), std::end(LanguageEntries), id,
                               [](const TLangEntry& e, std::uint32_t v) { return e.ID < v; });
    return it != std::end(LanguageEntries) && it->ID == id ? &*it : nullptr;
}
