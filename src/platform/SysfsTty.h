#pragma once
// Serial ttys as Linux's sysfs describes them: the text read from it, and the rules that turn
// that text into FTDI readers and usable serial ports. The rules read nothing themselves and
// take any text safely, whatever a device (or a fuzzer) put there.
#include <cstdint>
#include <string>
#include <vector>

// One entry of the tty class, as read.
struct tSysfsTtyText {
    std::string Name;       // the class entry: "ttyUSB0"
    bool HasDevice = false; // a device stands behind it (it is no virtual terminal)
    bool HasNode = false;   // its device node exists
    std::string Driver;     // its device's driver: "ftdi_sio", "cdc_acm", "serial8250", …
    std::string SerialType; // a serial-core port's type number, when it could be read
    std::string UsbName;    // the USB device above it ("1-2.3"); empty when there is none
    // The USB device's attributes, newline and all.
    std::string IdVendor, IdProduct, BcdDevice, BusNum, DevNum, Serial, Product;
    std::string PortFolder; // the device folder (an FTDI bridge's usb-serial port)
};

// An FTDI bridge's tty.
struct tFtdiTty {
    std::string Name;
    std::uint16_t Vendor = 0, Product = 0;
    std::uint16_t Bcd = 0; // the chip's release number, which tells its type
    std::uint32_t LocationId = 0;
    std::string Serial, Description;
    std::string PortFolder;
};

// A tty of the kernel's ftdi_sio driver with its USB device found; false for any other.
bool ParseFtdiTty(const tSysfsTtyText& text, tFtdiTty& tty);

// Location ids of our own (the kernel gives none): one hex digit a level of the USB device's
// name, bus first ("1-2.3" -> 0x123); bus << 8 | device number when a level is 0 or above 15,
// or the name is no such path.
std::uint32_t UsbLocationId(const std::string& usbName, const std::string& busNum, const std::string& devNum);

// A port the COM port list offers: ttyUSB and ttyACM with a device, rfcomm, and ttyS with real
// hardware (the 8250 driver makes ports whether or not there are any: type 0 is none); each
// only with its device node.
bool IsUsableSerialPort(const tSysfsTtyText& text);
// The order of the COM port list: USB, ACM, Bluetooth, built-in; by number within each.
bool SerialPortListOrder(const std::string& a, const std::string& b);

// Whether the text of /proc/locks shows a lock on the file major:minor:inode.
bool LocksHoldFile(const std::string& procLocks, unsigned major, unsigned minor, unsigned long long inode);

// Linux: the tty class under sysfsRoot and the device nodes under devRoot, read; with
// serialTypes also the types of the 8250 driver's ports (which may mean opening them). classFound
// is false when the class cannot be read or lists nothing.
std::vector<tSysfsTtyText> ReadSysfsTtys(const std::string& sysfsRoot, const std::string& devRoot,
                                         bool serialTypes, bool& classFound);
// Linux: an FTDI bridge's USB latency timer in milliseconds, in its usb-serial port folder;
// false when it cannot be read, or written (the file is root's).
bool ReadLatencyTimer(const std::string& portFolder, int& ms);
bool WriteLatencyTimer(const std::string& portFolder, int ms);
// Linux: whether another open file (another program's) holds a lock on the device node.
bool DeviceNodeLocked(const std::string& node);
// Linux: the roots the programs read devices from: $VEXO_SYSFS_ROOT and $VEXO_DEV_ROOT when set
// (a testing aid, to run them on a tree of the test's own), else /sys and /dev.
std::string SysfsRoot();
std::string DevRoot();
