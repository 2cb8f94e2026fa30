#ifdef _WIN32
// HKEY_LOCAL_MACHINE opened read-only; texts cross as UTF-16 and are kept as UTF-8.
#include "Registry.h"
#include "Win32Text.h"

namespace {

using vexo::platform::win32::Narrow;
using vexo::platform::win32::Widen;

std::wstring KeyPath(const std::string& path) {
    std::size_t first = path.find_first_not_of('\\');
    if (first == std::string::npos) return {};
    std::size_t last = path.find_last_not_of('\\');
    return Widen(path.substr(first, last - first + 1));
}

class TKey {
public:
    explicit TKey(const std::string& path) {
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, KEY_READ, &fKey) != ERROR_SUCCESS)
            fKey = nullptr;
    }
    ~TKey() {
        if (fKey) ::RegCloseKey(fKey);
    }
    TKey(const TKey&) = delete;
    TKey& operator=(const TKey&) = delete;
    HKEY get() const { return fKey; }

private:
    HKEY fKey = nullptr;
};

class TWin32Registry final : public IRegistry {
public:
    bool KeyExists(const std::string& path) const override { return TKey(path).get() != nullptr; }

    bool GetKeyNames(const std::string& path, std::vector<std::string>& names) const override {
        names.clear();
        TKey key(path);
        if (!key.get()) return false;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.push_back(Narrow(name, length));
        }
        return true;
    }

    bool GetValueNames(const std::string& path, std::vector<std::string>& names) const override {
        names.clear();
        TKey key(path);
        if (!key.get()) return false;
        wchar_t name[16384];
        for (DWORD i = 0;; ++i) {
            DWORD length = 16384;
            if (::RegEnumValueW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.push_back(Narrow(name, length));
        }
        return true;
    }

    bool ValueExists(const std::string& path, const std::string& name) const override {
        TKey key(path);
        return key.get() && ::RegQueryValueExW(key.get(), Widen(name).c_str(), nullptr, nullptr, nullptr,
                                               nullptr) == ERROR_SUCCESS;
    }

    bool ReadString(const std::string& path, const std::string& name, std::string& value) const override {
        value.clear();
        TKey key(path);
        if (!key.get()) return false;
        const std::wstring wideName = Widen(name);
        DWORD type = 0, size = 0;
        if (::RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        if (::RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            return false;
        std::size_t length = size / sizeof(wchar_t);
        while (length > 0 && data[length - 1] == L'\0') --length;
        value = Narrow(data.data(), length);
        return true;
    }
};

} // namespace

std::unique_ptr<IRegistry> CreateSystemRegistry() {
    return std::make_unique<TWin32Registry>();
}

#endif
