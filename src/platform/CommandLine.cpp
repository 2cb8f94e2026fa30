#include "CommandLine.h"

#ifdef _WIN32
#include "Win32Text.h"

#include <cstdio>
#include <io.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace vexo::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i) args.push_back(win32::Narrow(std::wstring(wide[i])));
        ::LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseUtf8Console() {
#ifdef _WIN32
    ::SetConsoleOutputCP(CP_UTF8);
#endif
}

bool ErrorIsTerminal() {
#ifdef _WIN32
    return ::_isatty(::_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

} // namespace vexo::platform
