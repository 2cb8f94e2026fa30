#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "BluetoothThread.h"
#include "MemoryRegistry.h"

namespace {

const std::string ClassKey =
    "\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}\\";

struct tPort {
    std::string interfaceName, instance, service, portName;
    bool deviceParameters = true;
};

void AddInterface(TMemoryRegistry& reg, const tPort& p) {
    reg.SetString(ClassKey + p.interfaceName, "DeviceInstance", p.instance);
    const std::string device = "\\SYSTEM\\CurrentControlSet\\Enum\\" + p.instance;
    reg.SetString(device, "Service", p.service);
    reg.SetString(device, "FriendlyName", "Standard Serial over Bluetooth link (" + p.portName + ")");
    if (p.deviceParameters) reg.SetString(device + "\\Device Parameters", "PortName", p.portName);
}

void Present(TMemoryRegistry& reg, const std::string& valueName, const std::string& port) {
    reg.SetString("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", valueName, port);
}

std::vector<std::string> Ports(const TMemoryRegistry& reg, std::vector<std::string> before = {"stale"}) {
    TBluetoothThread bt;
    bt.Registry = &reg;
    bt.GetComPorts(before);
    return before;
}

const tPort Bt9{"##?#BTHENUM#{00001101}_C00000000#9",
                "BTHENUM\\{00001101}_C00000000\\8&1A2B&0&00A0B0C0D0E0_C00000000", "BTHMODEM", "COM9"};

} // namespace

TEST(BluetoothPorts, PresentBluetoothSerialPortIsReturned) {
    TMemoryRegistry reg;
    AddInterface(reg, Bt9);
    Present(reg, "\\Device\\BthModem0", "COM9 ");
    EXPECT_EQ(Ports(reg), (std::vector<std::string>{"COM9"}));
}

TEST(BluetoothPorts, PortsThatDoNotQualifyAreLeftOut) {
    const struct {
        const char* what;
        tPort port;
        const char* serialCommName;
    } cases[] = {
        {"switched off: not in SERIALCOMM", Bt9, nullptr},
        {"SERIALCOMM value not a device", Bt9, "\\Serial9"},
        {"USB virtual COM port",
         {"usb", "FTDIBUS\\VID_0403+PID_6015+FK01_C\\0000", "FTDIBUS", "COM9"},
         "\\Device\\VCP0"},
        {"port name in lower case",
         {Bt9.interfaceName, Bt9.instance, "BTHMODEM", "com9"},
         "\\Device\\BthModem0"},
        {"instance without _C",
         {"x", "BTHENUM\\{00001101}\\8&1A2B", "BTHMODEM", "COM9"},
         "\\Device\\BthModem0"},
        {"service in other case",
         {Bt9.interfaceName, Bt9.instance, "BthModem", "COM9"},
         "\\Device\\BthModem0"},
        {"no Device Parameters",
         {Bt9.interfaceName, Bt9.instance, "BTHMODEM", "COM9", false},
         "\\Device\\BthModem0"},
    };
    for (auto& c : cases) {
        TMemoryRegistry reg;
        AddInterface(reg, c.port);
        // A present port under another number must not make this one count.
        Present(reg, "\\Device\\BthModem7", "COM7");
        if (c.serialCommName) Present(reg, c.serialCommName, c.port.portName == "com9" ? "com9" : "COM9");
        EXPECT_EQ(Ports(reg), std::vector<std::string>{}) << c.what;
    }
}

TEST(BluetoothPorts, RegistryOrderIsKeptAndDuplicatesStay) {
    TMemoryRegistry reg;
    AddInterface(reg, {"b", "BTHENUM\\B_C1", "BTHMODEM", "COM12"});
    AddInterface(reg, Bt9);
    AddInterface(reg, {"c", "BTHENUM\\C_C2", "BTHMODEM", "COM9"});
    reg.AddKey(ClassKey + "orphan"); // no DeviceInstance: skipped
    Present(reg, "\\Device\\BthModem0", "COM9");
    Present(reg, "\\Device\\BthModem1", "COM12");
    EXPECT_EQ(Ports(reg), (std::vector<std::string>{"COM12", "COM9", "COM9"}));
}

TEST(BluetoothPorts, WithoutInterfacesTheCallersListStays) {
    TMemoryRegistry reg;
    Present(reg, "\\Device\\BthModem0", "COM9");
    EXPECT_EQ(Ports(reg, {"COM3"}), (std::vector<std::string>{"COM3"}));
    reg.AddKey(ClassKey);
    EXPECT_EQ(Ports(reg, {"COM3"}), (std::vector<std::string>{"COM3"}));
    // With interfaces but none qualifying the list is emptied.
    AddInterface(reg, {"usb", "USB\\VID_1_C", "usbser", "COM4"});
    EXPECT_EQ(Ports(reg, {"COM3"}), std::vector<std::string>{});
}

#ifndef _WIN32 // Windows reads the registry (tests/windows)
TEST(BluetoothPorts, LinuxListsPresentRfcommPorts) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("vexo-bt-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "dev");
    TBluetoothThread bt;
    bt.SysfsRoot = (root / "sys").string();
    bt.DevDir = (root / "dev").string();
    std::vector<std::string> ports = {"rfcomm5"};
    bt.GetComPorts(ports); // no tty class at all
    EXPECT_EQ(ports, (std::vector<std::string>{"rfcomm5"}));
    for (const char* name : {"ttyS0", "rfcomm1", "rfcomm0"})
        fs::create_directories(root / "sys" / "class" / "tty" / name);
    std::ofstream(root / "dev" / "rfcomm1") << "";
    bt.GetComPorts(ports);
    EXPECT_EQ(ports, (std::vector<std::string>{"rfcomm1"}));
    fs::remove_all(root);
}
#endif
