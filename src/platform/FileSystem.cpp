#include "FileSystem.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#include <algorithm>

#include "Win32Text.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace vexo::platform {

namespace {

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

fs::path PathFromText(const std::string& path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

std::string TextFromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string FolderOf(const std::string& path) {
    return TextFromPath(PathFromText(path).parent_path());
}

std::string NameOf(const std::string& path) {
    return TextFromPath(PathFromText(path).filename());
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(PathFromText(path), ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(PathFromText(path), ec);
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    fs::path abs = fs::absolute(PathFromText(path), ec);
    if (ec) return path;
    return TextFromPath(abs.lexically_normal());
}

bool IsRelativePath(const std::string& path) {
    return PathFromText(path).is_relative();
}

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& data, std::string& error) {
    data.clear();
    std::ifstream in(PathFromText(path), std::ios::binary);
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

bool ReplaceFileWhole(const std::string& path, const std::vector<std::uint8_t>& data, std::string& error) {
    // Replace what a link points to, not the link itself, also when that does not exist yet
    // (as writing through the link would create it); a chain of links ends somewhere.
    fs::path target = PathFromText(path);
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
    // A new temporary beside the target, so that the move stays on one volume.
    HANDLE file = INVALID_HANDLE_VALUE;
    fs::path temp;
    for (unsigned attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp =
            folder / (L"." + target.filename().wstring() + L"." + std::to_wstring(::GetCurrentProcessId()) +
                      L"-" + std::to_wstring(attempt) + L".tmp");
        file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        error = win32::ErrorText("cannot create a temporary file", ::GetLastError());
        return false;
    }
    bool ok = true;
    for (std::size_t done = 0; ok && done < data.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
        DWORD written = 0;
        ok = ::WriteFile(file, data.data() + done, chunk, &written, nullptr) && written > 0;
        done += written;
    }
    if (ok) ok = ::FlushFileBuffers(file) != 0;
    if (!ok) error = win32::ErrorText("write error", ::GetLastError());
    ::CloseHandle(file);
    if (ok &&
        !::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = win32::ErrorText("cannot replace the file", ::GetLastError());
        ok = false;
    }
    if (!ok) ::DeleteFileW(temp.c_str());
    return ok;
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
    std::string pattern = TextFromPath(folder / ("." + TextFromPath(target.filename()) + ".XXXXXX"));
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
    HANDLE h = CreateFileW(PathFromText(path).c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
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
    SetFileAttributesW(PathFromText(path).c_str(), FILE_ATTRIBUTE_ARCHIVE);
}
void SetFileAttributesHiddenArchive(const std::string& path) {
    SetFileAttributesW(PathFromText(path).c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
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
    fs::create_directory(PathFromText(path), ec);
    return !ec && DirectoryExists(path);
}

bool RemoveEmptyDirectory(const std::string& path) {
    if (!DirectoryExists(path)) return false;
    std::error_code ec;
    if (!fs::is_empty(PathFromText(path), ec) || ec) return false;
    return fs::remove(PathFromText(path), ec) && !ec;
}

bool DeleteFileAt(const std::string& path) {
    std::error_code ec;
    if (DirectoryExists(path)) return false;
    return fs::remove(PathFromText(path), ec) && !ec;
}

} // namespace vexo::platform
