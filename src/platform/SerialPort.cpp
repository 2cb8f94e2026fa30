#include "SerialPort.h"
#include "SysfsTty.h"

#include <cctype>

std::string ComPortDevicePath(std::int32_t number) {
#ifdef _WIN32
    return "\\\\.\\COM" + std::to_string(number);
#else
    return "/dev/rfcomm" + std::to_string(number);
#endif
}

std::string ComPortDevicePath(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
        return {};
#ifdef _WIN32
    return "\\\\.\\" + name;
#else
    return DevRoot() + "/" + name;
#endif
}

std::string ComPortDisplayName(std::int32_t number) {
#ifdef _WIN32
    return "COM" + std::to_string(number);
#else
    return "rfcomm" + std::to_string(number);
#endif
}

std::int32_t ComPortNumberFromName(const std::string& name) {
    std::size_t i = 0;
    while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i]))) ++i;
    if (i == name.size() || !std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
    std::int64_t value = 0;
    for (; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
        value = value * 10 + (name[i] - '0');
        if (value > INT32_MAX) return -1;
    }
    return static_cast<std::int32_t>(value);
}
