#pragma once
// Settings file: typed items read with a default that is written back when the
// item is missing or unreadable.
#include <cstdint>
#include <string>

#include "GenFile.h"

class TConfigFile : public TGenFile {
public:
    using TGenFile::TGenFile;

    void SetVal(const std::string& Head, const std::string& Item, int Val);
    void SetVal(const std::string& Head, const std::string& Item, bool Val);
    void SetVal(const std::string& Head, const std::string& Item, const std::string& Val);
    // Keeps a string literal from taking the Boolean overload.
    void SetVal(const std::string& Head, const std::string& Item, const char* Val) {
        SetVal(Head, Item, std::string(Val));
    }

    int GetVal(const std::string& Head, const std::string& Item, int Default);
    bool GetVal(const std::string& Head, const std::string& Item, bool Default);
    std::string GetVal(const std::string& Head, const std::string& Item, const std::string& Default);
    std::string GetVal(const std::string& Head, const std::string& Item, const char* Default) {
        return GetVal(Head, Item, std::string(Default));
    }
    // Empty when missing; never writes.
    std::string GetVal(const std::string& Head, const std::string& Item) const;
    // True only for "TRUE" in any letter case; never writes.
    bool GetBool(const std::string& Head, const std::string& Item) const;

private:
    void PutVal(const std::string& Head, const std::string& Item, const std::string& ValText, bool IsString);
};

// A signed 32-bit whole number: optional sign, then decimal digits or hexadecimal
// digits after $, x, X, 0x or 0X.
bool TryParseConfigInt(const std::string& Text, std::int32_t& Value);
