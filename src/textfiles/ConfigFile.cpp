#include "ConfigFile.h"

#include <cstdint>
#include <string>

bool TryParseConfigInt(const std::string& Text, std::int32_t& Value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) negative = Text[i++] == '-';
    unsigned base = 10;
    if (i < Text.size() && (Text[i] == '$' || Text[i] == 'x' || Text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < Text.size() && Text[i] == '0' && (Text[i + 1] == 'x' || Text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= Text.size()) return false;
    const std::uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    std::uint64_t magnitude = 0;
    for (; i < Text.size(); ++i) {
        char c = Text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit) return false;
    }
    Value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

void TConfigFile::PutVal(const std::string& Head, const std::string& Item, const std::string& ValText,
                         bool IsString) {
    int headLine;
    int itemLine = FindHeadItem(Head, Item, headLine);
    std::string line = Item + " = " + (IsString ? "\"" + MakeSaveString(ValText) + "\"" : ValText);
    if (headLine < 0) {
        Lines.emplace_back();
        Lines.push_back("[" + StripLine(Head, false) + "]");
        Lines.push_back(line);
    } else if (itemLine >= 0) {
        Lines[static_cast<std::size_t>(itemLine)] = line;
    } else {
        Lines.insert(Lines.begin() + headLine + 1, line);
    }
}

void TConfigFile::SetVal(const std::string& Head, const std::string& Item, int Val) {
    PutVal(Head, Item, std::to_string(Val), false);
}

void TConfigFile::SetVal(const std::string& Head, const std::string& Item, bool Val) {
    PutVal(Head, Item, Val ? "true" : "false", false);
}

void TConfigFile::SetVal(const std::string& Head, const std::string& Item, const std::string& Val) {
    PutVal(Head, Item, Val, true);
}

std::string TConfigFile::GetVal(const std::string& Head, const std::string& Item,
                                const std::string& Default) {
    int headLine;
    int itemLine = FindHeadItem(Head, Item, headLine);
    if (itemLine < 0) {
        SetVal(Head, Item, Default);
        return Default;
    }
    std::string value = GetValOfLine(itemLine, false);
    return value.empty() ? Default : value;
}

std::string TConfigFile::GetVal(const std::string& Head, const std::string& Item) const {
    int headLine;
    int itemLine = FindHeadItem(Head, Item, headLine);
    return itemLine < 0 ? std::string() : GetValOfLine(itemLine, false);
}

int TConfigFile::GetVal(const std::string& Head, const std::string& Item, int Default) {
    std::string text = GetVal(Head, Item, std::string());
    std::int32_t value;
    if (!text.empty() && TryParseConfigInt(text, value)) return value;
    SetVal(Head, Item, Default);
    return Default;
}

bool TConfigFile::GetVal(const std::string& Head, const std::string& Item, bool Default) {
    std::string text = UpperCaseAscii(GetVal(Head, Item, std::string()));
    if (text == "TRUE") return true;
    if (text == "FALSE") return false;
    SetVal(Head, Item, Default);
    return Default;
}

bool TConfigFile::GetBool(const std::string& Head, const std::string& Item) const {
    return UpperCaseAscii(GetVal(Head, Item)) == "TRUE";
}
