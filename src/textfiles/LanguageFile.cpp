#include "LanguageFile.h"

#include <string>

namespace {

// The id an item name stands for when it is written as the program writes ids.
bool ParseId(const std::string& Name, std::uint32_t& Id) {
    if (Name.empty() || Name.size() > 10 || Name[0] == '0') return false;
    std::uint64_t v = 0;
    for (char c : Name) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return false;
    Id = static_cast<std::uint32_t>(v);
    return true;
}

} // namespace

TLanguageFile::TLanguageFile(const std::string& FileName, tFileNotifier* Notifier)
    : TGenFile(FileName, false, false, Notifier) {}

TLanguageFile::TLanguageFile(const std::string& FileName, bool ReadOnly, tFileNotifier* Notifier)
    : TGenFile(FileName, false, ReadOnly, Notifier) {}

void TLanguageFile::SetVal(const std::string& Head, std::uint32_t Item, const std::string& Val) {
    const std::string line = std::to_string(Item) + " = \"" + MakeSaveString(Val) + "\"";
    const int headLine = FindHeadLine(Head);
    if (headLine < 0) {
        Lines.emplace_back();
        Lines.push_back("[" + StripLine(Head, false) + "]");
        Lines.push_back(line);
        return;
    }
    // One pass finds what searching Item, Item - 1, ... 1 in turn would: the
    // first line of the highest id not above Item.
    const int stop = HeadRangeEnd(headLine);
    int found = -1;
    std::uint32_t best = 0;
    for (int i = headLine + 1; i <= stop; ++i) {
        std::uint32_t id;
        if (!ParseId(GetItemOfLine(Lines[static_cast<std::size_t>(i)]), id) || id > Item) continue;
        if (found < 0 || id > best) {
            found = i;
            best = id;
        }
    }
    if (found < 0)
        Lines.insert(Lines.begin() + headLine + 1, line);
    else if (best == Item)
        Lines[static_cast<std::size_t>(found)] = line;
    else
        Lines.insert(Lines.begin() + found + 1, line);
}

std::string TLanguageFile::GetVal(const std::string& Head, const std::string& Item) const {
    int headLine;
    int itemLine = FindHeadItem(Head, Item, headLine);
    return itemLine < 0 ? std::string() : GetValOfLine(itemLine, false);
}

int TLanguageFile::CountHeads() const {
    int count = 0;
    for (int i = FindNextHead(0); i >= 0; i = FindNextHead(i + 1)) ++count;
    return count;
}

std::string TLanguageFile::GetHeadName(int Index) const {
    int position = 0;
    for (int i = FindNextHead(0); i >= 0; i = FindNextHead(i + 1))
        if (++position == Index) return GetHeadOfLine(Lines[static_cast<std::size_t>(i)]);
    return {};
}

std::string TLanguageFile::GetLanguageString(const TLangEntry& LangEntry) {
    std::string text = GetVal(CurrentLanguage, std::to_string(LangEntry.ID));
    if (!text.empty()) return text;
    std::string def(LangEntry.Def);
    if (LangEntry.ID != LE::NoText.ID) SetVal("English", LangEntry.ID, def);
    return def;
}

std::string TLanguageFile::GetLanguageString(int Index) const {
    const std::string item = std::to_string(Index);
    std::string text = GetVal(CurrentLanguage, item);
    return text.empty() ? GetVal("English", item) : text;
}
