// The rules over sysfs text; no system header here, so every OS builds them and tests feed
// them anything.
#include "SysfsTty.h"

#include <algorithm>
#include <sstream>

namespace {

// A sysfs attribute without its trailing newline and blanks.
std::string Trimmed(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 &&
           (text[end - 1] == '\n' || text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
        --end;
    std::size_t begin = 0;
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    return text.substr(begin, end - begin);
}

bool ParseNumber(const std::string& text, int base, unsigned long long limit, unsigned long long& value) {
    const std::string t = Trimmed(text);
    if (t.empty() || t.size() > 20) return false;
    value = 0;
    for (char c : t) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > limit) return false;
    }
    return true;
}

// A USB string as the device box can show it: one line, no control characters.
std::string UsbText(const std::string& text) {
    std::string out = Trimmed(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return out;
}

// "ttyUSB12" -> "ttyUSB" and 12; false unless the name is the prefix and a plain number.
bool SplitPortName(const std::string& name, std::string& prefix, unsigned long long& number) {
    std::size_t i = name.size();
    while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9') --i;
    if (i == name.size() || name.size() - i > 9) return false;
    prefix = name.substr(0, i);
    number = std::stoull(name.substr(i));
    // "ttyUSB01" is not a name the kernel gives.
    return name.size() - i == 1 || name[i] != '0';
}

int KindRank(const std::string& prefix) {
    static const char* const kinds[] = {"ttyUSB", "ttyACM", "rfcomm", "ttyS"};
    for (int i = 0; i < 4; ++i)
        if (prefix == kinds[i]) return i;
    return 4;
}

} // namespace

std::uint32_t UsbLocationId(const std::string& usbName, const std::string& busNum,
                            const std::string& devNum) {
    // "bus-port.port…": every number one hex digit.
    const std::string name = Trimmed(usbName);
    std::uint32_t id = 0;
    int digits = 0;
    bool ok = !name.empty();
    std::size_t i = 0;
    for (bool first = true; ok && i <= name.size(); first = false) {
        const std::size_t end = name.find(first ? '-' : '.', i);
        const std::string part = name.substr(i, end == std::string::npos ? std::string::npos : end - i);
        unsigned long long level = 0;
        ok = (!first || end != std::string::npos) && ParseNumber(part, 10, 15, level) && level > 0 &&
             part == Trimmed(part) && ++digits <= 8;
        id = id << 4 | static_cast<std::uint32_t>(level);
        if (end == std::string::npos) break;
        i = end + 1;
    }
    if (ok && digits >= 2) return id;
    unsigned long long bus = 0, device = 0;
    if (!ParseNumber(busNum, 10, 0xFFFFFF, bus) || !ParseNumber(devNum, 10, 0xFF, device)) return 0;
    return static_cast<std::uint32_t>(bus << 8 | device);
}

bool ParseFtdiTty(const tSysfsTtyText& text, tFtdiTty& tty) {
    if (text.Driver != "ftdi_sio" || !text.HasDevice || text.UsbName.empty()) return false;
    std::string prefix;
    unsigned long long number = 0;
    if (!SplitPortName(text.Name, prefix, number)) return false;
    unsigned long long vendor = 0, product = 0, bcd = 0;
    if (!ParseNumber(text.IdVendor, 16, 0xFFFF, vendor) || !ParseNumber(text.IdProduct, 16, 0xFFFF, product))
        return false;
    // Without its release number the chip's type is unknown, nothing worse.
    if (!ParseNumber(text.BcdDevice, 16, 0xFFFF, bcd)) bcd = 0;
    tty = tFtdiTty{};
    tty.Name = text.Name;
    tty.Vendor = static_cast<std::uint16_t>(vendor);
    tty.Product = static_cast<std::uint16_t>(product);
    tty.Bcd = static_cast<std::uint16_t>(bcd);
    tty.LocationId = UsbLocationId(text.UsbName, text.BusNum, text.DevNum);
    tty.Serial = UsbText(text.Serial);
    tty.Description = UsbText(text.Product);
    tty.PortFolder = text.PortFolder;
    return true;
}

bool IsUsableSerialPort(const tSysfsTtyText& text) {
    std::string prefix;
    unsigned long long number = 0;
    if (!text.HasNode || !SplitPortName(text.Name, prefix, number)) return false;
    if (prefix == "rfcomm") return true;
    if (prefix == "ttyUSB" || prefix == "ttyACM") return text.HasDevice;
    if (prefix != "ttyS" || !text.HasDevice) return false;
    // Ports the 8250 driver made up without hardware have type 0 (or none that can be read).
    if (text.Driver != "serial8250") return true;
    unsigned long long type = 0;
    return ParseNumber(text.SerialType, 10, 0xFFFFFFFF, type) && type != 0;
}

bool SerialPortListOrder(const std::string& a, const std::string& b) {
    std::string pa, pb;
    unsigned long long na = 0, nb = 0;
    const bool sa = SplitPortName(a, pa, na), sb = SplitPortName(b, pb, nb);
    if (!sa || !sb) return sa != sb ? sa : a < b;
    const int ka = KindRank(pa), kb = KindRank(pb);
    if (ka != kb) return ka < kb;
    if (pa != pb) return pa < pb;
    return na < nb;
}

bool LocksHoldFile(const std::string& procLocks, unsigned major, unsigned minor, unsigned long long inode) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:567 0 EOF": the file as major:minor (hex) and inode.
    std::istringstream lines(procLocks);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            const std::size_t c1 = word.find(':');
            const std::size_t c2 = c1 == std::string::npos ? c1 : word.find(':', c1 + 1);
            if (c1 == 0 || c2 == std::string::npos || word.find(':', c2 + 1) != std::string::npos) continue;
            unsigned long long ma = 0, mi = 0, in = 0;
            if (ParseNumber(word.substr(0, c1), 16, 0xFFFFFFFF, ma) &&
                ParseNumber(word.substr(c1 + 1, c2 - c1 - 1), 16, 0xFFFFFFFF, mi) &&
                ParseNumber(word.substr(c2 + 1), 10, ~0ULL / 10, in) && ma == major && mi == minor &&
                in == inode)
                return true;
        }
    }
    return false;
}
