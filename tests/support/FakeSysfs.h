#pragma once
// A folder that mirrors the parts of Linux's sysfs and /dev that serial devices show: FTDI
// bridges behind ftdi_sio (the usb-serial port two levels below the USB device), other USB
// serial devices, CDC-ACM, Bluetooth rfcomm ports, built-in and phantom 8250 ports, virtual
// consoles. Device nodes are links to whatever the test names (a pseudo-terminal's slave).
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

class TFakeSysfs {
public:
    struct TUsb {
        std::string Tty = "ttyUSB0";
        std::string UsbName = "1-2"; // bus 1, port 2
        std::string Vendor = "0403", Product = "6015", Bcd = "1000";
        std::string BusNum = "1", DevNum = "5";
        std::string Serial = "VX000001", Description = "Vexo Reader";
        bool HasSerial = true, HasDescription = true;
        std::string Driver = "ftdi_sio";
        std::string Node; // what /dev/<Tty> leads to; empty: an empty file
    };

    explicit TFakeSysfs(const std::filesystem::path& root) : Root(root) {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
        std::filesystem::create_directories(Sys / "class" / "tty");
        std::filesystem::create_directories(Dev);
    }
    ~TFakeSysfs() {
        std::error_code ec;
        std::filesystem::remove_all(Root, ec);
    }

    // A USB serial device: its USB device, the interface, and the usb-serial port (ftdi_sio and
    // the other usb-serial drivers) or the interface itself (cdc_acm) as the tty's device.
    void AddUsb(const TUsb& u) {
        namespace fs = std::filesystem;
        const fs::path usb = Sys / "devices/pci0000:00/0000:00:14.0/usb1" / u.UsbName;
        fs::create_directories(usb);
        Write(usb / "idVendor", u.Vendor + "\n");
        Write(usb / "idProduct", u.Product + "\n");
        Write(usb / "bcdDevice", u.Bcd + "\n");
        Write(usb / "busnum", u.BusNum + "\n");
        Write(usb / "devnum", u.DevNum + "\n");
        if (u.HasSerial) Write(usb / "serial", u.Serial + "\n");
        if (u.HasDescription) Write(usb / "product", u.Description + "\n");
        const fs::path interface = usb / (u.UsbName + ":1.0");
        const bool acm = u.Driver == "cdc_acm";
        const fs::path device = acm ? interface : interface / u.Tty;
        fs::create_directories(device);
        Driver(device, acm ? "usb" : "usb-serial", u.Driver);
        if (u.Driver == "ftdi_sio") Write(device / "latency_timer", "16\n");
        AddClassEntry(u.Tty, device, u.Node);
    }
    // An 8250 port: under the driver's own platform device (type 0: a phantom without
    // hardware), or a real one found on the PnP bus.
    void AddSerial8250(const std::string& tty, const std::string& type, bool pnp = false) {
        const std::filesystem::path device =
            pnp ? Sys / "devices/pnp0" / ("00:0" + tty.substr(4)) : Sys / "devices/platform/serial8250";
        std::filesystem::create_directories(device);
        Driver(device, pnp ? "pnp" : "platform", pnp ? "serial" : "serial8250");
        const std::filesystem::path entry = AddClassEntry(tty, device, {});
        Write(entry / "type", type + "\n");
    }
    // A tty without a device (rfcomm, consoles).
    void AddVirtual(const std::string& tty, bool node = true) {
        const std::filesystem::path folder = Sys / "devices/virtual/tty" / tty;
        std::filesystem::create_directories(folder);
        std::filesystem::create_directory_symlink(std::filesystem::relative(folder, Sys / "class/tty"),
                                                  Sys / "class/tty" / tty);
        if (node) Write(Dev / tty, "");
    }
    // Unplugged: the class entry, the device and its node go.
    void Remove(const std::string& tty) {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path entry = fs::canonical(Sys / "class/tty" / tty, ec);
        fs::remove(Sys / "class/tty" / tty, ec);
        fs::remove(Dev / tty, ec);
        if (!ec) fs::remove_all(entry.parent_path().parent_path(), ec);
    }
    // /dev/<tty> leads elsewhere now (the reader's new pseudo-terminal).
    void Relink(const std::string& tty, const std::string& node) {
        std::error_code ec;
        std::filesystem::remove(Dev / tty, ec);
        std::filesystem::create_symlink(node, Dev / tty);
    }

    std::filesystem::path Root;
    std::filesystem::path Sys = Root / "sys";
    std::filesystem::path Dev = Root / "dev";

private:
    static void Write(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    void Driver(const std::filesystem::path& device, const std::string& bus, const std::string& name) {
        const std::filesystem::path driver = Sys / "bus" / bus / "drivers" / name;
        std::filesystem::create_directories(driver);
        std::error_code ec;
        std::filesystem::remove(device / "driver", ec);
        std::filesystem::create_directory_symlink(std::filesystem::relative(driver, device),
                                                  device / "driver");
    }
    // <device>/tty/<tty> with its device link, the class entry leading to it, and the node.
    std::filesystem::path AddClassEntry(const std::string& tty, const std::filesystem::path& device,
                                        const std::string& node) {
        namespace fs = std::filesystem;
        const fs::path entry = device / "tty" / tty;
        fs::create_directories(entry);
        fs::create_directory_symlink("../..", entry / "device");
        fs::create_directory_symlink(fs::relative(entry, Sys / "class/tty"), Sys / "class/tty" / tty);
        if (node.empty())
            Write(Dev / tty, "");
        else
            fs::create_symlink(node, Dev / tty);
        return entry;
    }
};
