#ifndef _WIN32
#include <dlfcn.h>

#include "DynamicLibrary.h"

bool TDynamicLibrary::Load(const std::string& name) {
    Free();
    fHandle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!fHandle) {
        const char* why = ::dlerror();
        fLoadError = why ? why : "cannot load " + name;
        return false;
    }
    fLoadError.clear();
    return true;
}

void TDynamicLibrary::Free() {
    if (fHandle) ::dlclose(fHandle);
    fHandle = nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) const {
    return fHandle ? ::dlsym(fHandle, name) : nullptr;
}

const char* FTDILibraryName() {
    return "libftd2xx.so";
}

#endif
