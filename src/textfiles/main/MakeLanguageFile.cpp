// vexo-make-language-file FILE: the default language file that ships in the program folder,
// every built-in text under English, written as the program writes its language file.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "LanguageEntries.h"
#include "LanguageFile.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vexo-make-language-file FILE\n");
        return 2;
    }
    // Made anew from the table, never merged into an older file.
    std::error_code ec;
    std::filesystem::remove(argv[1], ec);
    TLanguageFile file(argv[1]);
    for (const TLangEntry& entry : LanguageEntries) file.SetVal("English", entry.ID, std::string(entry.Def));
    return file.IsValid() && file.save() ? 0 : 1;
}
