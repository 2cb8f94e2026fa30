#pragma once
// A shared library loaded by name at run time, found by the system's library search path.
#include <string>

class TDynamicLibrary {
public:
    TDynamicLibrary() = default;
    ~TDynamicLibrary() { Free(); }
    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    // False when the library cannot be found or loaded; LoadError then says why.
    bool Load(const std::string& name);
    void Free();
    bool IsLoaded() const { return fHandle != nullptr; }
    // The exported symbol, or nullptr.
    void* Symbol(const char* name) const;
    const std::string& LoadError() const { return fLoadError; }

private:
    void* fHandle = nullptr;
    std::string fLoadError;
};

// The FTDI D2XX library's plain name on this OS.
const char* FTDILibraryName();
