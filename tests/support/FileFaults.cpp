#include "FileFaults.h"

#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <limits.h>
#include <mutex>
#include <unistd.h>

namespace FileFaults {
namespace {

std::mutex gLock;
bool gArmed[2] = {false, false};
std::string gFolder[2];
int gError[2] = {0, 0};

// The error for a call on path, or 0 to let it through.
int Due(eCall call, const std::string& path) {
    std::lock_guard<std::mutex> lock(gLock);
    const int i = static_cast<int>(call);
    if (!gArmed[i]) return 0;
    const std::string& folder = gFolder[i];
    if (path.compare(0, folder.size(), folder) != 0 || path.size() <= folder.size() ||
        path[folder.size()] != '/')
        return 0;
    return gError[i];
}

template <typename F> F Next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

void FailIn(eCall call, const std::string& folder, int err) {
    std::lock_guard<std::mutex> lock(gLock);
    const int i = static_cast<int>(call);
    gArmed[i] = true;
    gFolder[i] = folder;
    gError[i] = err;
}

void Clear() {
    std::lock_guard<std::mutex> lock(gLock);
    gArmed[0] = gArmed[1] = false;
}

} // namespace FileFaults

extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto real = FileFaults::Next<int (*)(const char*, const char*)>("rename");
    if (const int err = FileFaults::Due(FileFaults::eCall::Rename, to ? to : "")) {
        errno = err;
        return -1;
    }
    return real(from, to);
}

extern "C" int fsync(int fd) {
    static const auto real = FileFaults::Next<int (*)(int)>("fsync");
    char link[64], path[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    if (n > 0) {
        path[n] = 0;
        if (const int err = FileFaults::Due(FileFaults::eCall::Sync, path)) {
            errno = err;
            return -1;
        }
    }
    return real(fd);
}
