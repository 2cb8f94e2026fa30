#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "DropPrivileges.h"
#include "PortHolder.h"
#include "PseudoTerminal.h"
#include "SerialPort.h"
#include "Termios2.h"
#include "TtyDevice.h"

namespace {

std::vector<std::uint8_t> ReadMaster(TPseudoTerminal& pty, std::size_t want) {
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[4096];
    for (int tries = 0; got.size() < want && tries < 50; ++tries) {
        const std::int32_t n = pty.Read(buffer, sizeof buffer, 100);
        if (n > 0) got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

std::uint32_t WaitForInQueue(ISerialPort& port, std::uint32_t want) {
    tSerialQueueStatus status;
    for (int tries = 0; tries < 100; ++tries) {
        if (port.GetQueueStatus(status) && status.InQueue >= want) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status.InQueue;
}

struct PtyPort : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pty.Open());
        ASSERT_EQ(port->Open(pty.SlavePath()), 0u);
    }
    TPseudoTerminal pty;
    std::unique_ptr<ISerialPort> port = CreateSystemSerialPort();
};

} // namespace

TEST(SerialPortOpen, MissingDeviceAndNonTerminalAreRefused) {
    auto port = CreateSystemSerialPort();
    EXPECT_EQ(port->Open("/dev/vexo-no-such-port"), SERIAL_ERROR_NO_SUCH_DEVICE);
    EXPECT_FALSE(port->IsOpen());

    const auto file =
        std::filesystem::temp_directory_path() / ("vexo-not-a-tty-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    const std::uint32_t error = port->Open(file.string());
    EXPECT_NE(error, 0u);
    EXPECT_NE(error, SERIAL_ERROR_NO_SUCH_DEVICE);
    EXPECT_NE(error, SERIAL_ERROR_IN_USE);
    EXPECT_FALSE(port->IsOpen());
    std::filesystem::remove(file);

    // Transfers on a closed port fail rather than touching anything.
    std::uint8_t b = 0;
    EXPECT_EQ(port->Read(&b, 1), -1);
    EXPECT_EQ(port->Write(&b, 1), -1);
    EXPECT_FALSE(port->Close());
}

TEST(SerialPortOpen, PortHeldByAnotherProcessIsInUse) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    TPortHolder holder;
    ASSERT_TRUE(holder.Hold(pty.SlavePath()));
    auto port = CreateSystemSerialPort();
    EXPECT_EQ(port->Open(pty.SlavePath()), SERIAL_ERROR_IN_USE);
    holder.Release();
    // Once the holder is gone the port is free again.
    EXPECT_EQ(port->Open(pty.SlavePath()), 0u);
}

TEST_F(PtyPort, SettingsAreAppliedAndUnsupportedOnesReported) {
    const struct {
        tSerialLineSettings settings;
        std::uint32_t result;
    } cases[] = {
        {{115200, 8, 0, 0}, 0},
        {{9600, 7, 2, 2}, 0},
        {{57600, 8, 3, 0}, 0},
        // Rates without a termios constant are set as they are.
        {{900, 8, 0, 0}, 0},
        {{14400, 8, 0, 0}, 0},
        {{128000, 8, 0, 0}, 0},
        {{12345, 8, 0, 0}, 0},
        {{115200, 9, 0, 0}, SERIAL_ERROR_SETTINGS},
        {{115200, 8, 5, 0}, SERIAL_ERROR_SETTINGS},
        {{0, 8, 0, 0}, SERIAL_ERROR_BAUD_RATE},
        {{-300, 8, 0, 0}, SERIAL_ERROR_BAUD_RATE},
    };
    for (auto& c : cases)
        EXPECT_EQ(port->ApplySettings(c.settings), c.result)
            << c.settings.BaudRate << " " << c.settings.ByteSize << " " << int(c.settings.Parity);
}

TEST(TtyDevice, AnyRateIsStoredAsAsked) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    TTtyDevice tty;
    ASSERT_EQ(tty.Open(pty.SlavePath()), 0u);
    for (std::uint32_t rate : {900u, 14400u, 128000u, 38400u, 250000u}) {
        EXPECT_TRUE(tty.SetBaudRate(rate)) << rate;
        std::uint32_t held = 0;
        ASSERT_TRUE(GetTtyBaudRate(tty.Fd(), held));
        EXPECT_EQ(held, rate);
    }
    EXPECT_FALSE(tty.SetBaudRate(0));
}

TEST(SerialPortOpen, ADeviceTheUserMayNotOpenIsNotInUse) {
    const auto file =
        std::filesystem::temp_directory_path() / ("vexo-no-access-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    std::filesystem::permissions(file, std::filesystem::perms::none);
    EXPECT_EXIT(
        {
            DropPrivileges();
            auto port = CreateSystemSerialPort();
            std::exit(port->Open(file.string()) == SERIAL_ERROR_NO_PERMISSION ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    std::filesystem::remove(file);
}

TEST_F(PtyPort, BytesTravelBothWaysWithExactQueueCounts) {
    ASSERT_EQ(port->ApplySettings({115200, 8, 0, 0}), 0u);
    const std::vector<std::uint8_t> out = {0x02, 0x00, 0x0A, 0x0D, 0xFF, 0x11, 0x13};
    EXPECT_EQ(port->Write(out.data(), static_cast<std::uint32_t>(out.size())), 7);
    EXPECT_EQ(ReadMaster(pty, out.size()), out);

    const std::vector<std::uint8_t> in = {0x03, 0x0D, 0x0A, 0x00, 0x80};
    ASSERT_EQ(pty.Write(in.data(), static_cast<std::uint32_t>(in.size())), 5);
    EXPECT_EQ(WaitForInQueue(*port, 5), 5u);
    std::uint8_t buffer[16] = {};
    EXPECT_EQ(port->Read(buffer, 3), 3);
    EXPECT_EQ(WaitForInQueue(*port, 2), 2u);
    EXPECT_EQ(port->Read(buffer + 3, sizeof buffer - 3), 2);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 5), in);
    // Nothing queued: the read returns at once.
    EXPECT_EQ(port->Read(buffer, sizeof buffer), 0);
}

TEST_F(PtyPort, PurgeDropsWhatIsQueued) {
    ASSERT_EQ(port->ApplySettings({115200, 8, 0, 0}), 0u);
    const std::uint8_t in[4] = {1, 2, 3, 4};
    pty.Write(in, 4);
    ASSERT_EQ(WaitForInQueue(*port, 4), 4u);
    EXPECT_TRUE(port->Purge(SERIAL_PURGE_RXABORT | SERIAL_PURGE_RXCLEAR));
    tSerialQueueStatus status;
    ASSERT_TRUE(port->GetQueueStatus(status));
    EXPECT_EQ(status.InQueue, 0u);
    EXPECT_EQ(status.Errors, 0u);
    EXPECT_TRUE(port->Purge(SERIAL_PURGE_TXABORT | SERIAL_PURGE_TXCLEAR));
}

TEST_F(PtyPort, MissingModemLinesAreToleratedAndHangUpIsAnError) {
    // A pseudo-terminal has no modem lines: the calls fail without harm.
    port->SetDTR(true);
    port->SetRTS(false);
    std::uint32_t modem = 0xFFFF;
    if (!port->GetModemStatus(modem)) {
        EXPECT_EQ(modem, 0u);
    }

    pty.Close();
    tSerialQueueStatus status;
    ASSERT_TRUE(port->GetQueueStatus(status));
    EXPECT_NE(status.Errors & SERIAL_ERR_HANGUP, 0u);
    EXPECT_TRUE(port->Close());
}

TEST(SerialPortNames, NumbersAndNames) {
    EXPECT_EQ(ComPortDevicePath(3), "/dev/rfcomm3");
    // On Linux a port is its device.
    EXPECT_FALSE(ComPortsByNumber);
    EXPECT_EQ(ComPortDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    for (const char* name : {"", ".", "..", "../ttyS0", "pts/1"})
        EXPECT_EQ(ComPortDevicePath(name), "") << name;
    EXPECT_EQ(ComPortDisplayName(12), "rfcomm12");
    const struct {
        const char* name;
        std::int32_t number;
    } cases[] = {{"COM7", 7},      {"rfcomm0", 0}, {"COM12", 12}, {"COM", -1},
                 {"rfcomm1a", -1}, {"", -1},       {"7", 7},      {"COM99999999999", -1}};
    for (auto& c : cases) EXPECT_EQ(ComPortNumberFromName(c.name), c.number) << c.name;
}
