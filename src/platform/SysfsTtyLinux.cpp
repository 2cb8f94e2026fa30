#ifdef __linux__
// Reading the tty class of sysfs: what each entry's device, driver and USB device say.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "SysfsTty.h"
#include "TtyDevice.h"

namespace {

namespace fs = std::filesystem;

// An attribute's text; empty when it is missing or may not be read. Attributes are short:
// more than a page is not one.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::string text(4096, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// The folder a symbolic link inside sysfs ends in, by name; empty when there is none.
std::string LinkName(const fs::path& link) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    return ec ? std::string() : target.filename().string();
}

// Whether path lies inside root (both canonical).
bool Inside(const fs::path& path, const fs::path& root) {
    auto r = root.begin(), p = path.begin();
    for (; r != root.end(); ++r, ++p)
        if (p == path.end() || *p != *r) return false;
    return true;
}

void ReadUsbDevice(const fs::path& deviceFolder, const fs::path& root, tSysfsTtyText& entry) {
    // The USB device is the nearest folder above with a vendor and product: two levels above a
    // usb-serial port, one above a CDC-ACM interface. Other serial libraries climb the same way.
    std::error_code ec;
    for (fs::path p = deviceFolder; Inside(p, root) && p != root; p = p.parent_path()) {
        if (fs::exists(p / "idVendor", ec) && fs::exists(p / "idProduct", ec)) {
            entry.UsbName = p.filename().string();
            entry.IdVendor = ReadAttribute(p / "idVendor");
            entry.IdProduct = ReadAttribute(p / "idProduct");
            entry.BcdDevice = ReadAttribute(p / "bcdDevice");
            entry.BusNum = ReadAttribute(p / "busnum");
            entry.DevNum = ReadAttribute(p / "devnum");
            entry.Serial = ReadAttribute(p / "serial");
            entry.Product = ReadAttribute(p / "product");
            return;
        }
        if (p == p.parent_path()) return;
    }
}

} // namespace

std::vector<tSysfsTtyText> ReadSysfsTtys(const std::string& sysfsRoot, const std::string& devRoot,
                                         bool serialTypes, bool& classFound) {
    classFound = false;
    std::vector<tSysfsTtyText> entries;
    std::error_code ec;
    const fs::path root = fs::canonical(sysfsRoot, ec);
    if (ec) return entries;
    fs::directory_iterator it(root / "class" / "tty", ec), end;
    if (ec) return entries;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        classFound = true;
        tSysfsTtyText entry;
        entry.Name = it->path().filename().string();
        entry.HasNode = fs::exists(fs::path(devRoot) / entry.Name, ec);
        const fs::path device = it->path() / "device";
        const fs::path folder = fs::canonical(device, ec);
        entry.HasDevice = !ec && Inside(folder, root);
        if (entry.HasDevice) {
            entry.PortFolder = folder.string();
            entry.Driver = LinkName(folder / "driver");
            ReadUsbDevice(folder, root, entry);
            if (serialTypes && entry.Driver == "serial8250") {
                entry.SerialType = ReadAttribute(it->path() / "type");
                // The attribute is root's to read; the port itself tells anyone who may open it.
                int type = 0;
                TTtyDevice tty;
                if (entry.SerialType.empty() && entry.HasNode &&
                    tty.Open((fs::path(devRoot) / entry.Name).string()) == 0 && tty.GetSerialType(type))
                    entry.SerialType = std::to_string(type);
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool ReadLatencyTimer(const std::string& portFolder, int& ms) {
    const std::string text = ReadAttribute(fs::path(portFolder) / "latency_timer");
    if (text.empty()) return false;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || value < 0 || value > 255) return false;
    ms = static_cast<int>(value);
    return true;
}

bool WriteLatencyTimer(const std::string& portFolder, int ms) {
    const fs::path file = fs::path(portFolder) / "latency_timer";
    std::error_code ec;
    if (!fs::exists(file, ec)) return false;
    std::ofstream out(file);
    out << ms << '\n';
    out.flush();
    return static_cast<bool>(out);
}

bool DeviceNodeLocked(const std::string& node) {
    struct stat st {};
    if (::stat(node.c_str(), &st) != 0) return false;
    std::ifstream in("/proc/locks");
    const std::string locks((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return LocksHoldFile(locks, major(st.st_dev), minor(st.st_dev), st.st_ino);
}

namespace {
std::string FromEnvironment(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value && *value ? value : otherwise;
}
} // namespace

std::string SysfsRoot() {
    return FromEnvironment("VEXO_SYSFS_ROOT", "/sys");
}

std::string DevRoot() {
    return FromEnvironment("VEXO_DEV_ROOT", "/dev");
}

#endif
