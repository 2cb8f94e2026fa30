#include "FileSystem.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace vexo::platform {

namespace {

fs::path ToPath(const std::string& path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

std::string FromPath(const fs::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#ifndef _WIN32
std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}
#endif

} // namespace

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(ToPath(path), ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(ToPath(path), ec);
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    fs::path abs = fs::absolute(ToPath(path), ec);
    if (ec) return path;
    return FromPath(abs.lexically_normal());
}

bool IsRelativePath(const std::string& path) {
    return ToPath(path).is_relative();
}

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& data, std::string& error) {
    data.clear();
    std::ifstream in(ToPath(path), std::ios::binary);
    if (!in) {
        error = "cannot open for reading";
        return false;
    }
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "read error";
        data.clear();
        return false;
    }
    return true;
}

bool ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& data, std::string& error) {
    // Replace what a link points to, not the link itself, also when that does not exist yet
    // (as writing through the link would create it); a chain of links ends somewhere.
    fs::path target = ToPath(path);
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(target, ec); ++hops) {
        fs::path next = fs::read_symlink(target, ec);
        if (ec || hops == 40) {
            error = "cannot follow the link";
            return false;
        }
        target = (next.is_absolute() ? next : target.parent_path() / next).lexically_normal();
    }
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
#ifdef _WIN32
    fs::path temp = target;
    temp += L".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot create a temporary file";
            return false;
        }
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            error = "write error";
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        fs::remove(temp, ec);
        error = "cannot replace the file";
        return false;
    }
    return true;
#else
    // Another program's lock on the file means it is in use, as the open tests here take it
    // and as Windows refuses to replace a file held open without sharing. Held to the end.
    int held = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) != 0) {
        ::close(held);
        error = "the file is in use by another program";
        return false;
    }
    struct TCloseHeld {
        int fd;
        ~TCloseHeld() {
            if (fd >= 0) ::close(fd);
        }
    } closeHeld{held};
    std::string pattern = FromPath(folder / ("." + FromPath(target.filename()) + ".XXXXXX"));
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = ErrnoText("cannot create a temporary file");
        return false;
    }
    // The new file keeps the old one's permissions; a new file gets the usual ones.
    struct stat old {};
    mode_t mode;
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = true;
    if (::fchmod(fd, mode) != 0) {
        error = ErrnoText("cannot set permissions");
        ok = false;
    }
    if (ok && !WriteAll(fd, data)) {
        error = ErrnoText("write error");
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) {
        error = ErrnoText("write error");
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = ErrnoText("write error");
        ok = false;
    }
    if (ok && ::rename(name.data(), target.c_str()) != 0) {
        error = ErrnoText("cannot replace the file");
        ok = false;
    }
    if (!ok) {
        ::unlink(name.data());
        return false;
    }
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
#endif
}

#ifdef _WIN32
namespace {
bool TryOpen(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE h = CreateFileW(ToPath(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}
} // namespace

bool CanOpenForReading(const std::string& path) {
    return TryOpen(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}
bool CanOpenForReadWrite(const std::string& path) {
    return TryOpen(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
}
bool OpenOrCreate(const std::string& path) {
    return TryOpen(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
}
bool CanOpenExclusive(const std::string& path) {
    return TryOpen(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
}
void SetFileAttributesArchive(const std::string& path) {
    SetFileAttributesW(ToPath(path).c_str(), FILE_ATTRIBUTE_ARCHIVE);
}
void SetFileAttributesHiddenArchive(const std::string& path) {
    SetFileAttributesW(ToPath(path).c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
}
#else
namespace {
bool TryOpen(const std::string& path, int flags) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}
} // namespace

bool CanOpenForReading(const std::string& path) {
    return !DirectoryExists(path) && TryOpen(path, O_RDONLY);
}
bool CanOpenForReadWrite(const std::string& path) {
    return TryOpen(path, O_RDWR);
}
bool OpenOrCreate(const std::string& path) {
    return TryOpen(path, O_RDWR | O_CREAT);
}

bool CanOpenExclusive(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd); // closing releases the lock
    return free;
}

void SetFileAttributesArchive(const std::string&) {}
void SetFileAttributesHiddenArchive(const std::string&) {}
#endif

bool MakeDirectory(const std::string& path) {
    std::error_code ec;
    fs::create_directory(ToPath(path), ec);
    return !ec && DirectoryExists(path);
}

bool RemoveEmptyDirectory(const std::string& path) {
    if (!DirectoryExists(path)) return false;
    std::error_code ec;
    if (!fs::is_empty(ToPath(path), ec) || ec) return false;
    return fs::remove(ToPath(path), ec) && !ec;
}

bool DeleteFileAt(const std::string& path) {
    std::error_code ec;
    if (DirectoryExists(path)) return false;
    return fs::remove(ToPath(path), ec) && !ec;
}

} // namespace vexo::platform
