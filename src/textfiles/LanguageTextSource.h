#pragma once
// Result texts of the data model, taken from the language file.
#include <string>

#include "LanguageFile.h"
#include "TestResults.h"

class TLanguageTextSource : public ITextSource {
public:
    explicit TLanguageTextSource(TLanguageFile& Language) : fLanguage(Language) {}
    // The built-in table's default wins over the caller's for ids the table holds.
    std::string GetText(int id, const std::string& englishDefault) override;

private:
    TLanguageFile& fLanguage;
};
