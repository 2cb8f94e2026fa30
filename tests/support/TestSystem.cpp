#include "TestSystem.h"

#include <cstdlib>
#include <random>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

fs::path MakeTempFolder(const std::string& prefix) {
#ifdef _WIN32
    std::random_device seed;
    std::mt19937 random(seed());
    for (int tries = 0; tries < 100; ++tries) {
        const fs::path folder = fs::temp_directory_path() / (prefix + std::to_string(random() % 1000000000u));
        std::error_code ec;
        if (fs::create_directory(folder, ec)) return folder;
    }
    return {};
#else
    std::string pattern = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const char* made = ::mkdtemp(name.data());
    return made ? fs::path(made) : fs::path();
#endif
}

std::string NativePath(const fs::path& folder, const std::string& name) {
    const std::u8string joined =
        (folder / fs::path(std::u8string(name.begin(), name.end()))).make_preferred().u8string();
    return std::string(joined.begin(), joined.end());
}

void SetEnvironment(const std::string& name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), value.c_str());
#else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetEnvironment(const std::string& name) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), ""); // an empty value removes the variable
#else
    ::unsetenv(name.c_str());
#endif
}

THeldFile::THeldFile(const std::string& path) {
#ifdef _WIN32
    // As a spreadsheet holds an open file: others may read it, but neither write, replace nor
    // open it exclusively. To every other open this handle is another program's.
    const std::u8string name(path.begin(), path.end());
    HANDLE h = ::CreateFileW(fs::path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        fHandle = h;
        fHeld = true;
    }
#else
    fFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    fHeld = fFd >= 0 && ::flock(fFd, LOCK_EX | LOCK_NB) == 0;
#endif
}

void THeldFile::Release() {
#ifdef _WIN32
    if (fHandle) ::CloseHandle(fHandle);
    fHandle = nullptr;
#else
    if (fFd >= 0) ::close(fFd); // closing releases the lock
    fFd = -1;
#endif
    fHeld = false;
}

bool SetImmutable(const std::string& path, bool on) {
#ifdef _WIN32
    (void)path;
    (void)on;
    return false;
#else
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
#endif
}
