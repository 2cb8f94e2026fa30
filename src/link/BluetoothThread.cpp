#include "BluetoothThread.h"

#include "SerialPort.h"
#include "Tools.h"

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

} // namespace

TBluetoothThread::TBluetoothThread(bool, TSeriellThread* Schnittstelle, std::int32_t Port, std::int32_t Baud)
    : SerialThread(Schnittstelle), Baudrate(Baud), PreferredPort(Port) {}

void TBluetoothThread::GetComPorts(std::vector<std::string>& ComPorts) const {
    if (Registry) {
        GetComPortsFromRegistry(*Registry, ComPorts);
        return;
    }
#ifdef _WIN32
    GetComPortsFromRegistry(*CreateSystemRegistry(), ComPorts);
#else
    bool classFound = false;
    std::vector<std::string> ports = ListBluetoothSerialPorts(classFound, TtyClassDir, DevDir);
    if (classFound) ComPorts = std::move(ports);
#endif
}

void TBluetoothThread::GetComPortsFromRegistry(const IRegistry& registry,
                                               std::vector<std::string>& ComPorts) {
    // Ports present now: a Bluetooth device switched off or out of range is not listed here.
    std::vector<std::string> present, names;
    if (registry.GetValueNames(SerialCommKey, names))
        for (const auto& name : names) {
            const std::string data = Value(registry, SerialCommKey, name);
            if (UpperCaseAscii(data).rfind("COM", 0) == 0 &&
                UpperCaseAscii(name).find("DEVICE") != std::string::npos)
                present.push_back(TrimBlanks(data));
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
