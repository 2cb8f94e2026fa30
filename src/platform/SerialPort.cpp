#include "SerialPort.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

std::string ComPortDevicePath(std::int32_t number) {
#ifdef _WIN32
    return "\\\\.\\COM" + std::to_string(number);
#else
    return "/dev/rfcomm" + std::to_string(number);
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

std::vector<std::string> ListBluetoothSerialPorts(bool& classFound, const std::string& ttyClassDir,
                                                  const std::string& devDir) {
    namespace fs = std::filesystem;
    classFound = false;
    std::vector<std::pair<std::int32_t, std::string>> found;
    std::error_code ec;
    fs::directory_iterator it(ttyClassDir, ec), end;
    if (ec) return {};
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        classFound = true;
        const std::string name = it->path().filename().string();
        if (name.rfind("rfcomm", 0) != 0) continue;
        const std::int32_t number = ComPortNumberFromName(name);
        // "rfcomm" followed by anything but a plain number is not a port of ours.
        if (number < 0 || name != "rfcomm" + std::to_string(number)) continue;
        if (!fs::exists(fs::path(devDir) / name, ec)) continue;
        found.emplace_back(number, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& entry : found) names.push_back(entry.second);
    return names;
}
