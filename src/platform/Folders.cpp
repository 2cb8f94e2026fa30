#include "Folders.h"

#include "FileSystem.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "Win32Text.h"
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace vexo::platform {

char PathSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::string DemoReaderLibrary() {
    const std::string folder = ExecutableFolder();
    return folder.empty() ? std::string() : folder + PathSeparator() + VEXO_DEMO_D2XX_NAME;
}

#ifdef _WIN32
namespace {
// A folder the shell knows, as it is now (not created when missing).
std::string KnownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::string folder;
    if (::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path) == S_OK && path)
        folder = TextFromPath(std::filesystem::path(path));
    ::CoTaskMemFree(path);
    return folder;
}
} // namespace

std::string ExecutableFolder() {
    wchar_t buffer[32768];
    DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
    if (n == 0 || n >= 32768) return {};
    return TextFromPath(std::filesystem::path(std::wstring(buffer, n)).parent_path());
}
std::string UserConfigFolder() {
    return KnownFolder(FOLDERID_RoamingAppData);
}
std::string AllUsersDocumentsFolder() {
    return KnownFolder(FOLDERID_PublicDocuments);
}

bool SystemOwnedFolder(const std::string&) {
    return false;
}

bool ProgramKeyExists(bool MachineRoot, const std::string& Key) {
    std::string path = Key;
    while (!path.empty() && path.front() == '\\') path.erase(path.begin());
    const std::wstring wide = win32::Widen(path);
    HKEY key;
    if (RegOpenKeyExW(MachineRoot ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, wide.c_str(), 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
#else
std::string ExecutableFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return TextFromPath(exe.parent_path());
}

std::string UserConfigFolder() {
    // XDG says a relative XDG_CONFIG_HOME is to be ignored.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    std::string folder = home && home[0] ? home : "";
    if (folder.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) folder = pw->pw_dir;
    }
    if (folder.empty()) return {};
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder == "/" ? "/.config" : folder + "/.config";
}

std::string AllUsersDocumentsFolder() {
    return {};
}

bool SystemOwnedFolder(const std::string& folder) {
    for (const std::string root : {"/usr", "/opt"})
        if (folder.rfind(root, 0) == 0 && (folder.size() == root.size() || folder[root.size()] == '/'))
            return true;
    return false;
}

bool ProgramKeyExists(bool, const std::string&) {
    return false;
}
#endif

} // namespace vexo::platform
