#include "ThreadName.h"

#ifdef __linux__
#include <cstring>
#include <pthread.h>

void SetCurrentThreadName(const char* name) {
    char shortName[16] = {};
    std::memcpy(shortName, name, ::strnlen(name, sizeof shortName - 1));
    ::pthread_setname_np(::pthread_self(), shortName);
}
#else
void SetCurrentThreadName(const char*) {}
#endif
