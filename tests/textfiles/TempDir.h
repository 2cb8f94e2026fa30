#pragma once
// A fresh folder on the real file system for one test, removed afterwards.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSystem.h"

class TempDir {
public:
    TempDir() : Path(MakeTempFolder("vexo-textfiles-")) {}
    ~TempDir() {
        std::error_code ec;
        // Folders made read-only by a test must be writable again to be removed.
        for (auto& e : std::filesystem::recursive_directory_iterator(Path, ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(Path, ec);
    }
    std::string operator/(const std::string& name) const { return NativePath(Path, name); }
    std::filesystem::path Path;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// UTF-16 LE with mark and CR LF after each line, as the program writes.
inline std::string Utf16File(const std::vector<std::string>& asciiLines) {
    std::string bytes = "\xFF\xFE";
    for (const auto& line : asciiLines)
        for (char c : line + "\r\n") {
            bytes += c;
            bytes += '\0';
        }
    return bytes;
}
