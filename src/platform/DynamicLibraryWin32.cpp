#ifdef _WIN32
#include <windows.h>

#include "DynamicLibrary.h"

bool TDynamicLibrary::Load(const std::string& name) {
    Free();
    fHandle = reinterpret_cast<void*>(::LoadLibraryA(name.c_str()));
    if (!fHandle) {
        fLoadError = "cannot load " + name + " (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    fLoadError.clear();
    return true;
}

void TDynamicLibrary::Free() {
    if (fHandle) ::FreeLibrary(reinterpret_cast<HMODULE>(fHandle));
    fHandle = nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) const {
    return fHandle ? reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(fHandle), name))
                   : nullptr;
}

const char* FTDILibraryName() {
    return "FTD2XX.dll";
}

#endif
