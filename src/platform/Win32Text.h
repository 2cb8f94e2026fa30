#pragma once
// Windows only, inside this folder: the program's UTF-8 text to and from the UTF-16
// of the Win32 calls, and a system error code as text.
#ifdef _WIN32
#include <windows.h>

#include <string>

namespace vexo::platform::win32 {

inline std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

inline std::string Narrow(const wchar_t* text, std::size_t length) {
    if (length == 0) return {};
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

inline std::string Narrow(const std::wstring& text) {
    return Narrow(text.data(), text.size());
}

// "what: the system's text of code (error code)".
inline std::string ErrorText(const char* what, DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string message = n ? Narrow(buffer, n) : std::string();
    if (buffer) ::LocalFree(buffer);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.'))
        message.pop_back();
    std::string text = std::string(what) + ": ";
    if (!message.empty()) text += message + " ";
    return text + "(error " + std::to_string(code) + ")";
}

} // namespace vexo::platform::win32
#endif
