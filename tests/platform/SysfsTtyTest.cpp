// Serial ttys from sysfs: the rules over its text, and the reading of a tree built like it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "FakeSysfs.h"
#include "PortHolder.h"
#include "PseudoTerminal.h"
#include "SerialPortList.h"
#include "SysfsTty.h"

namespace {

std::filesystem::path TreeRoot() {
    return std::filesystem::path(::testing::TempDir()) /
           ("vexo-sysfs-" + std::to_string(::getpid()) + "-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
}

tSysfsTtyText FtdiText() {
    tSysfsTtyText t;
    t.Name = "ttyUSB0";
    t.HasDevice = t.HasNode = true;
    t.Driver = "ftdi_sio";
    t.UsbName = "1-2.3";
    t.IdVendor = "0403\n";
    t.IdProduct = "6015\n";
    t.BcdDevice = "1000\n";
    t.BusNum = "1\n";
    t.DevNum = "9\n";
    t.Serial = "VX000001\n";
    t.Product = "Vexo Reader\n";
    return t;
}

} // namespace

TEST(SysfsTty, LocationIdsFromTheUsbPath) {
    const struct {
        const char *name, *bus, *dev;
        std::uint32_t id;
    } cases[] = {
        {"1-2.3", "1", "9", 0x123},
        {"1-2", "1", "5", 0x12},
        {"2-1.4.3.2", "2", "12", 0x21432},
        {"1-2.3.4.5.6.7.8", "1", "20", 0x12345678},
        // A level that is no hex digit: bus and device number.
        {"1-16.2", "1", "9", 0x109},
        {"17-2", "17", "4", 0x1104},
        {"1-0", "3", "7", 0x307},
        {"1-2.3.4.5.6.7.8.9", "1", "21", 0x115},
        // No USB path at all.
        {"usb1", "1", "1", 0x101},
        {"1-2:1.0", "1\n", "3\n", 0x103},
        {"1-", "2", "3", 0x203},
        {"-2", "2", "3", 0x203},
        {"1- 2", "2", "3", 0x203},
        {"", "x", "", 0},
        {"junk", "99999999999999999999999", "1", 0},
    };
    for (auto& c : cases) EXPECT_EQ(UsbLocationId(c.name, c.bus, c.dev), c.id) << c.name;
}

TEST(SysfsTty, FtdiTtysAndWhatIsNotOne) {
    tFtdiTty tty;
    ASSERT_TRUE(ParseFtdiTty(FtdiText(), tty));
    EXPECT_EQ(tty.Name, "ttyUSB0");
    EXPECT_EQ(tty.Vendor, 0x0403);
    EXPECT_EQ(tty.Product, 0x6015);
    EXPECT_EQ(tty.Bcd, 0x1000);
    EXPECT_EQ(tty.LocationId, 0x123u);
    EXPECT_EQ(tty.Serial, "VX000001");
    EXPECT_EQ(tty.Description, "Vexo Reader");

    // Strings a device may leave out or fill oddly.
    tSysfsTtyText t = FtdiText();
    t.Serial.clear();
    t.Product = "Vexo\tReader\x01\n";
    t.BcdDevice = "zz";
    ASSERT_TRUE(ParseFtdiTty(t, tty));
    EXPECT_EQ(tty.Serial, "");
    EXPECT_EQ(tty.Description, "Vexo?Reader?");
    EXPECT_EQ(tty.Bcd, 0);

    const std::function<void(tSysfsTtyText&)> notFtdi[] = {
        [](tSysfsTtyText& t) { t.Driver = "pl2303"; }, [](tSysfsTtyText& t) { t.HasDevice = false; },
        [](tSysfsTtyText& t) { t.UsbName.clear(); },   [](tSysfsTtyText& t) { t.IdVendor = "10403\n"; },
        [](tSysfsTtyText& t) { t.IdProduct = ""; },    [](tSysfsTtyText& t) { t.IdProduct = "60 15"; },
        [](tSysfsTtyText& t) { t.Name = "ttyUSB"; },   [](tSysfsTtyText& t) { t.Name = "ttyUSB01"; },
    };
    for (std::size_t i = 0; i < std::size(notFtdi); ++i) {
        tSysfsTtyText t = FtdiText();
        notFtdi[i](t);
        EXPECT_FALSE(ParseFtdiTty(t, tty)) << i;
    }
}

TEST(SysfsTty, UsableSerialPortsAndTheirOrder) {
    const struct {
        const char *name, *driver, *type;
        bool device, node, usable;
    } cases[] = {
        {"ttyUSB0", "ftdi_sio", "", true, true, true},
        {"ttyUSB1", "pl2303", "", true, false, false}, // no node
        {"ttyACM0", "cdc_acm", "", true, true, true},
        {"rfcomm0", "", "", false, true, true},
        {"rfcomm1", "", "", false, false, false},
        {"ttyS0", "serial", "", true, true, true},        // found on the PnP bus
        {"ttyS1", "serial8250", "4", true, true, true},   // a 16550A
        {"ttyS2", "serial8250", "0", true, true, false},  // a phantom
        {"ttyS3", "serial8250", "", true, true, false},   // type unknown
        {"ttyS4", "serial8250", "x4", true, true, false}, // not a number
        {"tty0", "", "", false, true, false},             // a console
        {"ttyUSB", "ftdi_sio", "", true, true, false},    // no number
        {"ttyAMA0", "uart-pl011", "", true, true, false}, // not one of ours
    };
    for (auto& c : cases) {
        tSysfsTtyText t;
        t.Name = c.name;
        t.Driver = c.driver;
        t.SerialType = c.type;
        t.HasDevice = c.device;
        t.HasNode = c.node;
        EXPECT_EQ(IsUsableSerialPort(t), c.usable) << c.name;
    }
    std::vector<std::string> names = {"ttyS1", "rfcomm10", "ttyUSB10", "ttyACM0", "rfcomm2", "ttyUSB2", "x"};
    std::sort(names.begin(), names.end(), SerialPortListOrder);
    EXPECT_EQ(names, (std::vector<std::string>{"ttyUSB2", "ttyUSB10", "ttyACM0", "rfcomm2", "rfcomm10",
                                               "ttyS1", "x"}));
}

TEST(SysfsTty, LocksShowTheFileByDeviceAndInode) {
    const std::string locks = "1: POSIX  ADVISORY  WRITE 711 00:1a:1101 0 EOF\n"
                              "2: FLOCK  ADVISORY  WRITE 4242 00:18:3 0 EOF\n"
                              "2: -> FLOCK  ADVISORY  WRITE 4243 00:18:3 0 EOF\n"
                              "3: OFDLCK ADVISORY  READ  -1 fd:01:123456 0 EOF\n";
    EXPECT_TRUE(LocksHoldFile(locks, 0, 0x18, 3));
    EXPECT_TRUE(LocksHoldFile(locks, 0, 0x1a, 1101));
    EXPECT_TRUE(LocksHoldFile(locks, 0xfd, 1, 123456));
    EXPECT_FALSE(LocksHoldFile(locks, 0, 0x18, 4));
    EXPECT_FALSE(LocksHoldFile(locks, 0, 0x19, 3));
    EXPECT_FALSE(LocksHoldFile("", 0, 0x18, 3));
    EXPECT_FALSE(LocksHoldFile("1: FLOCK : :: 0:0 00:18 ::3 z:z:z\n", 0, 0x18, 3));
}

TEST(SysfsTty, ReadersAndPortsOnATree) {
    TFakeSysfs tree(TreeRoot());
    bool found = true;
    std::vector<std::string> ports = {"kept"};
    ListSerialPorts(ports, tree.Sys.string(), tree.Dev.string());
    EXPECT_EQ(ports, std::vector<std::string>{"kept"}); // an empty tty class: the list stays
    EXPECT_TRUE(ReadSysfsTtys(tree.Sys.string(), tree.Dev.string(), false, found).empty());
    EXPECT_FALSE(found);

    TFakeSysfs::TUsb reader;
    reader.UsbName = "1-2.3";
    tree.AddUsb(reader);
    TFakeSysfs::TUsb second;
    second.Tty = "ttyUSB3";
    second.UsbName = "3-1";
    second.Serial = "VX000002";
    second.HasDescription = false;
    tree.AddUsb(second);
    TFakeSysfs::TUsb other; // a USB serial cable of another make
    other.Tty = "ttyUSB1";
    other.UsbName = "1-4";
    other.Vendor = "067b";
    other.Product = "2303";
    other.Driver = "pl2303";
    tree.AddUsb(other);
    TFakeSysfs::TUsb acm;
    acm.Tty = "ttyACM0";
    acm.UsbName = "1-5";
    acm.Driver = "cdc_acm";
    tree.AddUsb(acm);
    tree.AddVirtual("rfcomm0");
    tree.AddVirtual("tty0");
    tree.AddSerial8250("ttyS0", "4", true);
    tree.AddSerial8250("ttyS1", "0");

    std::vector<tFtdiTty> readers;
    for (const auto& text : ReadSysfsTtys(tree.Sys.string(), tree.Dev.string(), false, found)) {
        tFtdiTty tty;
        if (ParseFtdiTty(text, tty)) readers.push_back(tty);
    }
    EXPECT_TRUE(found);
    std::sort(readers.begin(), readers.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    ASSERT_EQ(readers.size(), 2u);
    EXPECT_EQ(readers[0].Name, "ttyUSB0");
    EXPECT_EQ(readers[0].LocationId, 0x123u);
    EXPECT_EQ(readers[0].Serial, "VX000001");
    EXPECT_EQ(readers[0].Description, "Vexo Reader");
    EXPECT_EQ(readers[1].LocationId, 0x31u);
    EXPECT_EQ(readers[1].Description, "");
    // The latency timer lives in the usb-serial port's folder.
    EXPECT_TRUE(std::filesystem::exists(readers[0].PortFolder + "/latency_timer"));

    ListSerialPorts(ports, tree.Sys.string(), tree.Dev.string());
    EXPECT_EQ(ports,
              (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB3", "ttyACM0", "rfcomm0", "ttyS0"}));

    tree.Remove("ttyUSB0");
    ListSerialPorts(ports, tree.Sys.string(), tree.Dev.string());
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyUSB1", "ttyUSB3", "ttyACM0", "rfcomm0", "ttyS0"}));
}

TEST(SysfsTty, ADeviceNodeLockedByAnotherProgram) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    TFakeSysfs tree(TreeRoot());
    TFakeSysfs::TUsb reader;
    reader.Node = pty.SlavePath();
    tree.AddUsb(reader);
    const std::string node = (tree.Dev / "ttyUSB0").string();
    EXPECT_FALSE(DeviceNodeLocked(node));
    TPortHolder holder;
    ASSERT_TRUE(holder.Hold(node));
    EXPECT_TRUE(DeviceNodeLocked(node));
    holder.Release();
    EXPECT_FALSE(DeviceNodeLocked(node));
    EXPECT_FALSE(DeviceNodeLocked((tree.Dev / "ttyUSB9").string()));
}
