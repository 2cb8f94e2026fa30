// FTDI mode without the vendor's library: the built-in backend over the kernel's driver, on a
// sysfs tree of the test's own whose device nodes are pseudo-terminals. No D2XX library is on
// this binary's library path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <thread>

#include "DropPrivileges.h"
#include "FTDIKernelBackend.h"
#include "FakeSysfs.h"
#include "PortHolder.h"
#include "PseudoTerminal.h"
#include "SeriellThread.h"
#include "Termios2.h"

namespace {

// A reader at USB path usbName whose node is a pseudo-terminal the test holds the other end of.
struct TPtyReader {
    TPseudoTerminal Pty;
    TFakeSysfs::TUsb Usb;
};

struct KernelFtdi : ::testing::Test {
    TFakeSysfs Tree{std::filesystem::path(::testing::TempDir()) /
                    ("vexo-kftdi-" + std::to_string(::getpid()) + "-" +
                     std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))};
    std::shared_ptr<TFtdiKernelBackend> Backend =
        std::make_shared<TFtdiKernelBackend>(Tree.Sys.string(), Tree.Dev.string());
    FTDIDirect Ftdi{Backend};
    std::vector<std::unique_ptr<TPtyReader>> Readers;

    TPtyReader& AddReader(const std::string& tty, const std::string& usbName, const std::string& serial) {
        auto r = std::make_unique<TPtyReader>();
        EXPECT_TRUE(r->Pty.Open());
        r->Usb.Tty = tty;
        r->Usb.UsbName = usbName;
        r->Usb.Serial = serial;
        r->Usb.Node = r->Pty.SlavePath();
        Tree.AddUsb(r->Usb);
        Readers.push_back(std::move(r));
        return *Readers.back();
    }
    // What is not an FTDI reader: a USB serial cable of another make, Bluetooth, phantom ports.
    void AddOthers() {
        TFakeSysfs::TUsb other;
        other.Tty = "ttyUSB7";
        other.UsbName = "1-4";
        other.Vendor = "067b";
        other.Product = "2303";
        other.Driver = "pl2303";
        Tree.AddUsb(other);
        Tree.AddVirtual("rfcomm0");
        Tree.AddSerial8250("ttyS1", "0");
        Tree.AddSerial8250("ttyS2", "0");
    }
    std::string ReadPty(TPseudoTerminal& pty, std::size_t want) {
        std::string got;
        char buffer[256];
        for (int i = 0; i < 40 && got.size() < want; ++i) {
            const std::int32_t n = pty.Read(reinterpret_cast<std::uint8_t*>(buffer), sizeof buffer, 50);
            if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
};

std::string Text(const char* field, std::size_t size) {
    return FTDIDirect::convertToString(field, static_cast<std::int32_t>(size));
}

} // namespace

TEST_F(KernelFtdi, DeviceListOfNoneOneAndTwoReaders) {
    AddOthers();
    ASSERT_TRUE(Ftdi.isValid());
    EXPECT_EQ(Ftdi.builtInBackend(), Backend.get());
    ASSERT_EQ(Ftdi.updateDeviceList(2000), FT_OK);
    EXPECT_EQ(Ftdi.deviceCount(), 0);

    AddReader("ttyUSB1", "3-1.4", "VX000002");
    ASSERT_EQ(Ftdi.updateDeviceList(2000), FT_OK);
    ASSERT_EQ(Ftdi.deviceCount(), 1);
    AddReader("ttyUSB0", "1-2", "VX000001");
    ASSERT_EQ(Ftdi.updateDeviceList(2000), FT_OK);
    ASSERT_EQ(Ftdi.deviceCount(), 2);

    const struct {
        std::uint32_t locId;
        const char* serial;
    } expected[] = {{0x12, "VX000001"}, {0x314, "VX000002"}};
    for (std::size_t i = 0; i < 2; ++i) {
        const tFT_device_list_info_node& node = Ftdi.deviceInfoList[i];
        EXPECT_EQ(node.flags, 0u);
        EXPECT_EQ(node.dType, FT_DEVICE_X_SERIES);
        EXPECT_EQ(node.id, 0x04036015u);
        EXPECT_EQ(node.locId, expected[i].locId);
        EXPECT_EQ(Text(node.serial, sizeof node.serial), expected[i].serial);
        EXPECT_EQ(Text(node.description, sizeof node.description), "Vexo Reader");
        EXPECT_EQ(node.ftHandle, nullptr);
    }
    tDeviceInfoDetail detail;
    ASSERT_EQ(Ftdi.getDeviceInfoDetail(1, detail), FT_OK);
    EXPECT_EQ(detail.locationID, 0x314u);
    EXPECT_EQ(detail.USBPID, 0x6015);
    EXPECT_EQ(detail.serial, "VX000002");
    EXPECT_EQ(Ftdi.getDeviceInfoDetail(2, detail), FT_DEVICE_NOT_FOUND);
    std::uint32_t count = 0;
    EXPECT_EQ(Ftdi.listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 2u);

    // Another program holds the first: listed as opened; our own open handle too.
    TPortHolder holder;
    ASSERT_TRUE(holder.Hold((Tree.Dev / "ttyUSB0").string()));
    FT_HANDLE h = nullptr;
    ASSERT_EQ(Ftdi.openEx(0x314, h, true), FT_OK);
    ASSERT_EQ(Ftdi.updateDeviceList(2000), FT_OK);
    EXPECT_EQ(Ftdi.deviceInfoList[0].flags, FT_FLAGS_OPENED);
    EXPECT_EQ(Ftdi.deviceInfoList[1].flags, FT_FLAGS_OPENED);
    EXPECT_EQ(Ftdi.deviceInfoList[1].ftHandle, h);
    EXPECT_EQ(Ftdi.openEx(0x12, h, true), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(h, nullptr);
}

TEST_F(KernelFtdi, OpenByLocationSerialOrDescription) {
    TPtyReader& reader = AddReader("ttyUSB0", "1-2.3", "VX000001");
    const struct {
        std::uint32_t flags;
        std::string key; // a location in hex, or the text
        FT_STATUS status;
    } cases[] = {
        {FT_OPEN_BY_LOCATION, "123", FT_OK},
        {FT_OPEN_BY_LOCATION, "124", FT_DEVICE_NOT_FOUND},
        {FT_OPEN_BY_SERIAL_NUMBER, "VX000001", FT_OK},
        {FT_OPEN_BY_SERIAL_NUMBER, "VX", FT_DEVICE_NOT_FOUND},
        {FT_OPEN_BY_DESCRIPTION, "Vexo Reader", FT_OK},
        {8, "123", FT_INVALID_PARAMETER},
    };
    const tD2XXFunctions fn = Backend->Functions();
    for (const auto& c : cases) {
        void* arg = c.flags == FT_OPEN_BY_LOCATION || c.flags == 8
                        ? reinterpret_cast<void*>(std::stoul(c.key, nullptr, 16))
                        : const_cast<char*>(c.key.c_str());
        FT_HANDLE h = nullptr;
        EXPECT_EQ(fn.FT_OpenEx(arg, c.flags, &h), c.status) << c.key;
        EXPECT_EQ(h != nullptr, c.status == FT_OK);
        if (!h) continue;
        // Opened: a file descriptor to wait on, and the latency lowered to a millisecond.
        EXPECT_GE(Backend->Descriptor(h), 0);
        std::uint8_t latency = 0;
        EXPECT_EQ(Backend->GetLatencyTimer(h, latency), FT_OK);
        EXPECT_EQ(latency, 1);
        EXPECT_EQ(fn.FT_Close(h), FT_OK);
        EXPECT_EQ(fn.FT_Close(h), FT_INVALID_HANDLE);
        EXPECT_EQ(Backend->Descriptor(h), -1);
    }
    (void)reader;
}

TEST_F(KernelFtdi, LineSettingsBytesAndQueues) {
    TPtyReader& reader = AddReader("ttyUSB0", "1-2", "VX000001");
    ASSERT_EQ(Ftdi.updateDeviceList(2000), FT_OK);
    FT_HANDLE h = nullptr;
    ASSERT_EQ(Ftdi.openEx(0, h, false), FT_OK);
    const int fd = Backend->Descriptor(h);

    // Any rate, stored as asked; framing the library knows.
    for (std::uint32_t baud : {900u, 14400u, 38400u, 128000u}) {
        EXPECT_EQ(Ftdi.setBaudrate(h, baud), FT_OK);
        std::uint32_t held = 0;
        ASSERT_TRUE(GetTtyBaudRate(fd, held));
        EXPECT_EQ(held, baud);
    }
    EXPECT_EQ(Ftdi.setBaudrate(h, 0), FT_INVALID_BAUD_RATE);
    const struct {
        std::uint8_t word, stop, parity;
        FT_STATUS status;
    } framing[] = {{8, 0, 0, FT_OK},
                   {7, 2, 2, FT_OK},
                   {8, 0, 4, FT_OK},
                   {9, 0, 0, FT_INVALID_PARAMETER},
                   {8, 1, 0, FT_INVALID_PARAMETER},
                   {8, 0, 5, FT_INVALID_PARAMETER}};
    for (const auto& f : framing)
        EXPECT_EQ(Ftdi.setDataCharacteristics(h, f.word, f.stop, f.parity), f.status)
            << int(f.word) << " " << int(f.stop) << " " << int(f.parity);
    ASSERT_EQ(Ftdi.setDataCharacteristics(h, 8, 0, 0), FT_OK);
    // A pseudo-terminal has no modem lines: nothing to set, no failure.
    EXPECT_EQ(Ftdi.setDTR(h, true), FT_OK);
    EXPECT_EQ(Ftdi.setRTS(h, false), FT_OK);
    EXPECT_EQ(Ftdi.reset(h), FT_OK);
    EXPECT_EQ(Ftdi.setTimeOuts(h, 1000, 1000), FT_OK);

    // Both ways, the read never waiting for more than is there.
    const std::uint8_t frame[] = {0x02, 0x41, 0x00, 0x0D, 0x0A, 0x03};
    std::uint32_t count = sizeof frame;
    ASSERT_EQ(Ftdi.write(h, frame, count), FT_OK);
    EXPECT_EQ(count, sizeof frame);
    EXPECT_EQ(ReadPty(reader.Pty, sizeof frame), std::string(frame, frame + sizeof frame));
    std::uint8_t buffer[64] = {};
    count = sizeof buffer;
    EXPECT_EQ(Ftdi.read(h, buffer, count), FT_OK);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(reader.Pty.Write(frame, sizeof frame), static_cast<std::int32_t>(sizeof frame));
    for (int i = 0; i < 100 && Ftdi.getRxAvailable(h) < sizeof frame; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(Ftdi.getRxAvailable(h), sizeof frame);
    EXPECT_EQ(Ftdi.getTxInQueue(h), 0u);
    count = 4;
    ASSERT_EQ(Ftdi.read(h, buffer, count), FT_OK);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(Ftdi.purge(h, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
    EXPECT_EQ(Ftdi.getRxAvailable(h), 0u);

    // What the kernel's driver cannot do.
    tEEPROMData ee;
    EXPECT_EQ(Ftdi.readEEPROM(h, ee), FT_NOT_SUPPORTED);
    EXPECT_EQ(Ftdi.writeEEPROM(h, ee), FT_NOT_SUPPORTED);
    tEEPROMDataX eex;
    EXPECT_EQ(Ftdi.readEEPROM(h, eex), FT_NOT_SUPPORTED);
    EXPECT_EQ(Ftdi.setCBusOutput(h, 1, 1), FT_NOT_SUPPORTED);
    EXPECT_EQ(Ftdi.getComPortNumber(h), -1);
    EXPECT_EQ(Ftdi.close(h), FT_OK);
    EXPECT_EQ(Ftdi.setBaudrate(h, 9600), FT_INVALID_HANDLE);
}

// Unplugged while open: its entry and node go, its other end closes; every transfer then fails
// as a vanished device's does, and the list no longer has it.
TEST_F(KernelFtdi, UnpluggedReaderFailsEveryTransferAndLeavesTheList) {
    const struct {
        const char* name;
        std::function<FT_STATUS(const tD2XXFunctions&, FT_HANDLE)> call;
    } cases[] = {
        {"queue status",
         [](const tD2XXFunctions& fn, FT_HANDLE h) {
             std::uint32_t n = 0;
             return fn.FT_GetQueueStatus(h, &n);
         }},
        {"status",
         [](const tD2XXFunctions& fn, FT_HANDLE h) {
             std::uint32_t rx = 0, tx = 0, event = 0;
             return fn.FT_GetStatus(h, &rx, &tx, &event);
         }},
        {"read",
         [](const tD2XXFunctions& fn, FT_HANDLE h) {
             std::uint8_t b[8];
             std::uint32_t n = 0;
             return fn.FT_Read(h, b, sizeof b, &n);
         }},
        {"write",
         [](const tD2XXFunctions& fn, FT_HANDLE h) {
             std::uint8_t b[3] = {1, 2, 3};
             std::uint32_t n = 0;
             return fn.FT_Write(h, b, 3, &n);
         }},
    };
    const tD2XXFunctions fn = Backend->Functions();
    for (const auto& c : cases) {
        TPtyReader& reader = AddReader("ttyUSB0", "1-2", "VX000001");
        ASSERT_EQ(Ftdi.updateDeviceList(2000), FT_OK);
        ASSERT_EQ(Ftdi.deviceCount(), 1);
        FT_HANDLE h = nullptr;
        ASSERT_EQ(Ftdi.openEx(0, h, false), FT_OK);
        ASSERT_EQ(fn.FT_SetTimeouts(h, 200, 200), FT_OK);
        Tree.Remove("ttyUSB0");
        reader.Pty.Close();
        EXPECT_EQ(c.call(fn, h), FT_IO_ERROR) << c.name;
        EXPECT_EQ(Ftdi.close(h), FT_OK);
        ASSERT_EQ(Ftdi.updateDeviceList(2000), FT_OK);
        EXPECT_EQ(Ftdi.deviceCount(), 0) << c.name;
        Readers.clear();
    }
}

TEST_F(KernelFtdi, AReaderTheUserMayNotOpenSaysWhatToDo) {
    TFakeSysfs::TUsb usb; // its node an ordinary file only root may touch
    Tree.AddUsb(usb);
    std::filesystem::permissions(Tree.Dev / "ttyUSB0", std::filesystem::perms::none);
    EXPECT_EXIT(
        {
            DropPrivileges();
            FTDIDirect ftdi(Backend);
            FT_HANDLE h = nullptr;
            const bool refused = ftdi.updateDeviceList(2000) == FT_OK && ftdi.deviceCount() == 1 &&
                                 ftdi.openEx(0, h, false) == FT_ERR_PERMISSION_DENIED;
            std::fprintf(stderr, "%s\n",
                         TSeriellThread::ErrorText(0x8000 | FT_ERR_PERMISSION_DENIED).c_str());
            std::exit(refused && TSeriellThread::IsPermissionError(0x8000 | FT_ERR_PERMISSION_DENIED) ? 0
                                                                                                      : 1);
        },
        ::testing::ExitedWithCode(0), "Keine Berechtigung .*dialout");
}

// The link in FTDI mode as the window drives it, over the backend on the programs' roots: open
// by index, its set-up (reset, rate, framing, lines), bytes both ways, and the close.
TEST_F(KernelFtdi, TheLinkDrivesAReaderThroughTheBackend) {
    TPtyReader& reader = AddReader("ttyUSB0", "1-2", "VX000001");
    setenv("VEXO_SYSFS_ROOT", Tree.Sys.c_str(), 1);
    setenv("VEXO_DEV_ROOT", Tree.Dev.c_str(), 1);
    TSeriellThread link(true);
    unsetenv("VEXO_SYSFS_ROOT");
    unsetenv("VEXO_DEV_ROOT");
    ASSERT_NE(link.ftdi.builtInBackend(), nullptr);
    link.setFtdiMode(true);
    ASSERT_TRUE(link.ftdiMode());
    ASSERT_EQ(link.ftdi.updateDeviceList(2000), FT_OK);
    link.Set_DTR(true);
    link.latencyTimer = 5;
    ASSERT_TRUE(link.OpenPort(0, 14400, false)) << link.GetErrorMessage();
    EXPECT_EQ(link.RealBaud, 14400);
    std::ifstream latency(Tree.Sys /
                          "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/latency_timer");
    int ms = 0;
    EXPECT_TRUE(latency >> ms);
    EXPECT_EQ(ms, 5);
    EXPECT_STREQ(link.ftdiCurrentDevice().serial, "VX000001");
    ASSERT_TRUE(link.Send(std::string("ID?\r")));
    EXPECT_TRUE(link.SendBuffer());
    EXPECT_EQ(ReadPty(reader.Pty, 4), "ID?\r");
    const std::uint8_t reply[] = {0x02, 0x55, 0x03};
    reader.Pty.Write(reply, 3);
    for (int i = 0; i < 100 && link.RxCount() < 3; ++i) {
        link.ReadSeriell();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(link.RxCount(), 3);
    ASSERT_TRUE(link.Send(std::string("shutdown\r")));
    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(ReadPty(reader.Pty, 9), "shutdown\r");

    // Without the reader behind it the open fails as a device not found.
    Tree.Remove("ttyUSB0");
    EXPECT_FALSE(link.OpenPort(0x12, 14400, true));
    EXPECT_EQ(link.GetErrorCode(), 0x8002u);
}

// The running link thread waits on the device's descriptor: a reply wakes it long before its
// idle bound, which is set beyond the test's waits.
TEST_F(KernelFtdi, TheLinkThreadWakesForAReply) {
    TPtyReader& reader = AddReader("ttyUSB0", "1-2", "VX000001");
    setenv("VEXO_SYSFS_ROOT", Tree.Sys.c_str(), 1);
    setenv("VEXO_DEV_ROOT", Tree.Dev.c_str(), 1);
    TSeriellThread link(true);
    unsetenv("VEXO_SYSFS_ROOT");
    unsetenv("VEXO_DEV_ROOT");
    link.idleWaitMs = 600000;
    link.syncEvents = false;
    std::atomic<int> received{0};
    link.OnReceive = [&](TSeriellThread* sender) {
        tByteBuffer got;
        sender->read(got, -1);
        received += static_cast<int>(got.size());
    };
    link.setFtdiMode(true);
    ASSERT_EQ(link.ftdi.updateDeviceList(2000), FT_OK);
    link.Start();
    ASSERT_TRUE(link.OpenPort(0, 115200, false)) << link.GetErrorMessage();
    const std::uint8_t reply[] = {0x02, 0x55, 0x03};
    for (int round = 1; round <= 2; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        reader.Pty.Write(reply, 3);
        for (int i = 0; i < 10000 && received < 3 * round; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(received, 3 * round);
    }
    EXPECT_TRUE(link.ClosePort());
}

TEST(KernelFtdiChoice, WithoutALibraryTheBuiltInBackendServes) {
    // Nothing on this binary's library path: the system's name falls back to the backend.
    FTDIDirect system;
    EXPECT_TRUE(system.isValid());
    EXPECT_NE(system.builtInBackend(), nullptr);
    // A library named by the caller has no stand-in.
    FTDIDirect named("libvexo-no-such-ftd2xx.so");
    EXPECT_FALSE(named.isValid());
    EXPECT_EQ(named.builtInBackend(), nullptr);

    const struct {
        std::uint16_t bcd;
        std::uint32_t type;
    } types[] = {{0x1000, FT_DEVICE_X_SERIES}, {0x0600, FT_DEVICE_232R},  {0x0400, FT_DEVICE_232BM},
                 {0x0200, FT_DEVICE_232AM},    {0x0500, FT_DEVICE_2232C}, {0x0700, FT_DEVICE_2232H},
                 {0x0800, FT_DEVICE_4232H},    {0x0900, FT_DEVICE_232H},  {0x0000, FT_DEVICE_UNKNOWN},
                 {0x1800, FT_DEVICE_UNKNOWN}};
    for (const auto& t : types) EXPECT_EQ(TFtdiKernelBackend::DeviceType(t.bcd), t.type) << t.bcd;
}
