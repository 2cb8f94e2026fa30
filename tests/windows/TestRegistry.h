#pragma once
// Keys and values written into the machine's registry (HKEY_LOCAL_MACHINE) for one test and
// removed again afterwards: each key the test made, with what lies below it, and each value
// it set in a key that was there before.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class TTestRegistry {
public:
    TTestRegistry() = default;
    TTestRegistry(const TTestRegistry&) = delete;
    TTestRegistry& operator=(const TTestRegistry&) = delete;
    ~TTestRegistry() {
        for (auto it = fValues.rbegin(); it != fValues.rend(); ++it)
            ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, it->first.c_str(), it->second.c_str());
        // A named key goes with everything below it.
        for (auto it = fCreated.rbegin(); it != fCreated.rend(); ++it)
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, it->c_str());
    }

    bool AddKey(const std::string& path) {
        HKEY key = Make(path);
        if (key) ::RegCloseKey(key);
        return key != nullptr;
    }
    bool SetString(const std::string& path, const std::string& name, const std::string& value,
                   DWORD type = REG_SZ) {
        const std::wstring text = Wide(value);
        return Set(path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    bool SetDword(const std::string& path, const std::string& name, DWORD value) {
        return Set(path, name, REG_DWORD, &value, sizeof value);
    }

    static std::wstring Wide(const std::string& text) {
        const int n =
            ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
        return wide;
    }

private:
    static std::wstring Trimmed(const std::string& path) {
        const std::size_t first = path.find_first_not_of('\\');
        if (first == std::string::npos) return {};
        return Wide(path.substr(first, path.find_last_not_of('\\') - first + 1));
    }
    bool UnderCreated(const std::wstring& path) const {
        for (const auto& made : fCreated)
            if (path == made || path.rfind(made + L"\\", 0) == 0) return true;
        return false;
    }
    // Opens the key for writing, making each missing part and remembering the first one made.
    HKEY Make(const std::string& path) {
        const std::wstring full = Trimmed(path);
        HKEY key = nullptr;
        for (std::size_t end = 0; end != std::wstring::npos;) {
            end = full.find(L'\\', end + 1);
            const std::wstring part = full.substr(0, end);
            if (key) ::RegCloseKey(key);
            key = nullptr;
            DWORD disposition = 0;
            if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, part.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, &disposition) != ERROR_SUCCESS)
                return nullptr;
            if (disposition == REG_CREATED_NEW_KEY && !UnderCreated(part)) fCreated.push_back(part);
        }
        return key;
    }
    bool Set(const std::string& path, const std::string& name, DWORD type, const void* data, DWORD size) {
        HKEY key = Make(path);
        if (!key) return false;
        const std::wstring wideName = Wide(name);
        const bool ok = ::RegSetValueExW(key, wideName.c_str(), 0, type, static_cast<const BYTE*>(data),
                                         size) == ERROR_SUCCESS;
        ::RegCloseKey(key);
        const std::wstring keyPath = Trimmed(path);
        if (ok && !UnderCreated(keyPath)) fValues.emplace_back(keyPath, wideName);
        return ok;
    }

    std::vector<std::wstring> fCreated;
    std::vector<std::pair<std::wstring, std::wstring>> fValues;
};
