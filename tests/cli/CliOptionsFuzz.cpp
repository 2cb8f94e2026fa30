// Any command line: it parses or is refused with a message; a parsed one has a command or
// asks for help or the version, and a clock text it accepts is a real date.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "CliOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Arguments are separated by NUL bytes, as the kernel hands them over.
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    TCliOptions options;
    std::string error;
    if (!ParseCliOptions(args, options, error)) {
        if (error.empty()) std::abort();
    } else if (options.Command == eCliCommand::None && !options.Help && !options.Version) {
        std::abort();
    }
    for (const std::string& a : args) {
        int y, mo, d, h, mi, s;
        if (!ParseClockText(a, y, mo, d, h, mi, s)) continue;
        if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) std::abort();
    }
    return 0;
}
