#pragma once
// What the tests ask of the OS beyond the program's own platform layer, spelled once
// for POSIX and for Windows.
#include <filesystem>
#include <string>

// The program joins a folder and a name with this (a string literal, to be put before one).
#ifdef _WIN32
#define DIR_SEP "\\"
#else
#define DIR_SEP "/"
#endif

// A new, empty folder in the system's temporary folder whose name starts with prefix.
std::filesystem::path MakeTempFolder(const std::string& prefix);
// folder joined with name ("a/b" allowed), as UTF-8 text with the OS's separators, the way the
// program spells paths.
std::string NativePath(const std::filesystem::path& folder, const std::string& name);

void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);

// A file held open as another program holds it: the program's exclusive open must fail.
class THeldFile {
public:
    explicit THeldFile(const std::string& path);
    ~THeldFile() { Release(); }
    THeldFile(const THeldFile&) = delete;
    THeldFile& operator=(const THeldFile&) = delete;
    bool Held() const { return fHeld; }
    void Release();

private:
    bool fHeld = false;
#ifdef _WIN32
    void* fHandle = nullptr;
#else
    int fFd = -1;
#endif
};

// Marks a file so that nobody may write to it, whatever rights the test runs with
// (Linux: the immutable flag); false where the file system or OS cannot.
bool SetImmutable(const std::string& path, bool on);
