// Whatever text sysfs and /proc/locks hold (a device names itself, a fuzzer writes anything):
// the rules take it without harm, what they give the device box is one clean line, and the
// port list's order stays an order that sorting can rely on.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "SysfsTty.h"

namespace {

bool CleanLine(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return text.empty() || (text.back() != ' ' && text.front() != ' ');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A flag byte, then the fields separated by NUL bytes; what is left over is /proc/locks.
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    std::vector<std::string> f(1);
    std::size_t i = 1;
    for (; i < size && f.size() <= 13; ++i) {
        if (data[i] == 0)
            f.emplace_back();
        else
            f.back() += static_cast<char>(data[i]);
    }
    f.resize(13);
    tSysfsTtyText text;
    text.HasDevice = flags & 1;
    text.HasNode = flags & 2;
    text.Name = f[0];
    text.Driver = flags & 4 ? "ftdi_sio" : f[1];
    text.SerialType = f[2];
    text.UsbName = f[3];
    text.IdVendor = f[4];
    text.IdProduct = f[5];
    text.BcdDevice = f[6];
    text.BusNum = f[7];
    text.DevNum = f[8];
    text.Serial = f[9];
    text.Product = f[10];
    text.PortFolder = f[11];

    tFtdiTty tty;
    if (ParseFtdiTty(text, tty)) {
        if (text.Driver != "ftdi_sio" || !text.HasDevice || tty.Name != text.Name) std::abort();
        if (!CleanLine(tty.Serial) || !CleanLine(tty.Description)) std::abort();
        if (tty.LocationId != UsbLocationId(text.UsbName, text.BusNum, text.DevNum)) std::abort();
    }
    if (IsUsableSerialPort(text) && !text.HasNode) std::abort();

    // A strict weak order, or std::sort may run off the list's end.
    const std::string names[] = {f[0], f[1], f[12]};
    for (const std::string& a : names) {
        if (SerialPortListOrder(a, a)) std::abort();
        for (const std::string& b : names) {
            if (SerialPortListOrder(a, b) && SerialPortListOrder(b, a)) std::abort();
            for (const std::string& c : names)
                if (SerialPortListOrder(a, b) && SerialPortListOrder(b, c) && !SerialPortListOrder(a, c))
                    std::abort();
        }
    }

    // A lock on the file named in a line of its own is always found, whatever surrounds it.
    const std::string locks(reinterpret_cast<const char*>(data) + i, size - i);
    const unsigned major = flags >> 4, minor = flags & 0x0F;
    const unsigned long long inode = f[12].size() * 977ULL + 1;
    LocksHoldFile(locks, major, minor, inode);
    static const char* const hex = "0123456789abcdef";
    const std::string mine = std::string("\n1: FLOCK  ADVISORY  WRITE 77 0") + hex[major] + ":0" +
                             hex[minor] + ":" + std::to_string(inode) + " 0 EOF\n";
    if (!LocksHoldFile(locks + mine, major, minor, inode)) std::abort();
    return 0;
}
