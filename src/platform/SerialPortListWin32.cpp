// The registry walk reads only through IRegistry, so every OS builds it and its tests run
// everywhere; the system's registry is Windows' alone.
#include "SerialPortList.h"

namespace {

const char* const SerialCommKey = "\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
// The COM port device interface class.
const char* const ComPortClassKey =
    "\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}\\";
const char* const EnumKey = "\\SYSTEM\\CurrentControlSet\\Enum\\";

std::string Value(const IRegistry& registry, const std::string& key, const std::string& name) {
    std::string value;
    registry.ReadString(key, name, value);
    return value;
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string WithoutOuterBlanks(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

} // namespace

void ListBluetoothComPorts(const IRegistry& registry, std::vector<std::string>& ComPorts) {
    // Ports present now: a Bluetooth device switched off or out of range is not listed here.
    std::vector<std::string> present, names;
    if (registry.GetValueNames(SerialCommKey, names))
        for (const auto& name : names) {
            const std::string data = Value(registry, SerialCommKey, name);
            if (UpperAscii(data).rfind("COM", 0) == 0 && UpperAscii(name).find("DEVICE") != std::string::npos)
                present.push_back(WithoutOuterBlanks(data));
        }

    std::vector<std::string> interfaces;
    if (!registry.GetKeyNames(ComPortClassKey, interfaces) || interfaces.empty()) return;

    std::vector<std::string> result;
    for (const auto& k : interfaces) {
        const std::string interfaceKey = std::string(ComPortClassKey) + k + "\\";
        if (!registry.KeyExists(interfaceKey)) continue;
        const std::string instance = Value(registry, interfaceKey, "DeviceInstance");
        if (instance.find("_C") == std::string::npos) continue;
        const std::string deviceKey = std::string(EnumKey) + instance + "\\";
        const std::string parametersKey = deviceKey + "Device Parameters\\";
        if (!registry.KeyExists(deviceKey) || !registry.KeyExists(parametersKey)) continue;
        if (Value(registry, deviceKey, "Service") != "BTHMODEM") continue;
        if (!registry.ValueExists(parametersKey, "PortName")) continue;
        const std::string portName = Value(registry, parametersKey, "PortName");
        if (portName.rfind("COM", 0) != 0) continue;
        for (const auto& p : present)
            if (p == portName) {
                result.push_back(portName);
                break;
            }
    }
    ComPorts = std::move(result);
}

#ifdef _WIN32
void ListSerialPorts(std::vector<std::string>& ComPorts, const std::string&, const std::string&) {
    ListBluetoothComPorts(*CreateSystemRegistry(), ComPorts);
}
#endif
