// The link in COM mode: over a real pseudo-terminal, and over a fake port where a
// pseudo-terminal cannot show the case (transmit queue, short writes, modem lines).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#ifndef _WIN32
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DropPrivileges.h"
#include "PortHolder.h"
#include "PseudoTerminal.h"
#endif
#include "SeriellThread.h"

#ifndef _WIN32 // pseudo-terminals and POSIX rights; Windows COM ports are tested over Wine's (tests/windows)
namespace {

std::vector<std::uint8_t> Pattern(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    return bytes;
}

std::vector<std::uint8_t> ReadMaster(TPseudoTerminal& pty, std::size_t want, int rounds = 100) {
    std::vector<std::uint8_t> got;
    std::vector<std::uint8_t> buffer(8192);
    for (int i = 0; got.size() < want && i < rounds; ++i) {
        const std::int32_t n = pty.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), 50);
        if (n > 0) got.insert(got.end(), buffer.begin(), buffer.begin() + n);
    }
    return got;
}

// Runs receive cycles until the ring buffer holds want bytes (the pty delivers with a delay).
void CycleUntil(TSeriellThread& link, std::size_t want) {
    for (int i = 0; i < 200 && link.RxCount() < want; ++i) {
        link.ReadSeriell();
        if (link.RxCount() < want) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

struct PtyLink : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(pty.Open()); }
    TPseudoTerminal pty;
};

} // namespace

TEST_F(PtyLink, BytesTravelBothWays) {
    TSeriellThread link(true);
    std::vector<std::string> events;
    link.OnReceive = [&](TSeriellThread* sender) {
        EXPECT_EQ(sender, &link);
        events.push_back("receive");
    };
    ASSERT_TRUE(link.OpenPortPath(pty.SlavePath(), 115200));
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.GetErrorCode(), 0u);
    EXPECT_EQ(link.RealBaud, 115200);

    EXPECT_TRUE(link.Send(std::string("ID?\r")));
    EXPECT_TRUE(link.SendByte(0x00));
    EXPECT_EQ(link.txCount(), 5);
    EXPECT_TRUE(link.SendBuffer());
    EXPECT_EQ(link.busState(), bsACTIVE);
    EXPECT_EQ(link.txCount(), 0);
    EXPECT_EQ(ReadMaster(pty, 5), (std::vector<std::uint8_t>{'I', 'D', '?', '\r', 0x00}));
    EXPECT_FALSE(link.SendBuffer()); // nothing queued

    const std::vector<std::uint8_t> reply = {0x02, 0x10, 0x00, 0xFF, 0x03};
    ASSERT_EQ(pty.Write(reply.data(), 5), 5);
    CycleUntil(link, 5);
    EXPECT_EQ(events, (std::vector<std::string>{"receive"}));
    tByteBuffer got;
    EXPECT_TRUE(link.read(got, -1));
    EXPECT_EQ(got, reply);
    // A cycle with nothing to read succeeds without an event.
    EXPECT_TRUE(link.ReadSeriell());
    EXPECT_EQ(events.size(), 1u);
    EXPECT_TRUE(link.ClosePort());
    EXPECT_FALSE(link.isOpen());
}

TEST_F(PtyLink, TwentyThousandBytesLeaveAs16384Then3616) {
    TSeriellThread link(true);
    ASSERT_TRUE(link.OpenPortPath(pty.SlavePath(), 115200));
    const auto bytes = Pattern(20000);
    ASSERT_TRUE(link.Send(bytes));
    std::vector<std::uint8_t> received;
    std::thread reader([&] { received = ReadMaster(pty, 20000, 400); });
    EXPECT_TRUE(link.SendBuffer());
    EXPECT_EQ(link.txCount(), 20000 - 16384);
    EXPECT_TRUE(link.SendBuffer());
    EXPECT_EQ(link.txCount(), 0);
    reader.join();
    EXPECT_EQ(received, bytes);
}

TEST_F(PtyLink, FullReceiveRingDropsTheRestAndReportsBeforeReceive) {
    TSeriellThread link(true, 8);
    std::vector<std::string> events;
    link.OnRxBufferFull = [&](TSeriellThread*) { events.push_back("full"); };
    link.OnReceive = [&](TSeriellThread*) { events.push_back("receive"); };
    ASSERT_TRUE(link.OpenPortPath(pty.SlavePath(), 9600));
    const auto bytes = Pattern(12);
    ASSERT_EQ(pty.Write(bytes.data(), 12), 12);
    // Let all twelve arrive before the one cycle that reads them.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(link.ReadSeriell());
    EXPECT_EQ(events, (std::vector<std::string>{"full", "receive"}));
    tByteBuffer got;
    link.read(got, -1);
    EXPECT_EQ(got, tByteBuffer(bytes.begin(), bytes.begin() + 8));
}

TEST_F(PtyLink, VanishedPeerIsAReceiveError) {
    TSeriellThread link(true);
    ASSERT_TRUE(link.OpenPortPath(pty.SlavePath(), 9600));
    pty.Close();
    EXPECT_FALSE(link.ReadSeriell());
    EXPECT_NE(link.GetErrorCode() & 0x8000, 0u);
    EXPECT_TRUE(link.isOpen()); // the owner decides; the next cycle tries again
    ASSERT_TRUE(link.Send(std::string("x")));
    EXPECT_FALSE(link.SendBuffer());
}

#endif

TEST(LinkNoPort, EveryOperationReportsFalse) {
    TSeriellThread link(true);
    std::uint8_t b = 0;
    tByteBuffer buffer = {1, 2};
    EXPECT_FALSE(link.SendByte(1));
    EXPECT_FALSE(link.Send(tByteBuffer{1, 2}));
    EXPECT_FALSE(link.Send(std::string("x")));
    EXPECT_EQ(link.txCount(), 0);
    EXPECT_FALSE(link.GetByte(b));
    EXPECT_FALSE(link.ReadByte(b));
    EXPECT_FALSE(link.read(buffer, -1));
    EXPECT_TRUE(buffer.empty());
    EXPECT_FALSE(link.SendBuffer());
    EXPECT_FALSE(link.ReadSeriell());
    EXPECT_FALSE(link.ClosePort());
    EXPECT_STREQ(link.ftdiCurrentDevice().description, "invalid");
    EXPECT_EQ(link.ftdiCurrentDevice().locId, 0u);
    tEEPROMData ee;
    EXPECT_EQ(link.readFTDIEEPROM(ee), 0x8080u);
    EXPECT_EQ(link.setCBusOutput(1, 1), 0x8080u);
    EXPECT_EQ(link.getComPortNumber(), -1);
    EXPECT_EQ(link.GetErrorCode(), 0x8080u);
}

TEST(LinkOpenErrors, MissingComPortAndPortInUse) {
    TSeriellThread link(true);
    EXPECT_FALSE(link.OpenPort(250, 9600)); // /dev/rfcomm250
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.RealPort, 250);
    EXPECT_EQ(link.GetErrorMessage(), "Port existiert nicht (0x0002)");

#ifndef _WIN32
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    TPortHolder holder;
    ASSERT_TRUE(holder.Hold(pty.SlavePath()));
    EXPECT_FALSE(link.OpenPortPath(pty.SlavePath(), 9600));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.GetErrorMessage(), "Port wird schon verwendet (0x0005)");
#endif
}

#ifndef _WIN32
TEST(LinkOpenErrors, PortTheUserMayNotOpenSaysWhatToDo) {
    const auto file =
        std::filesystem::temp_directory_path() / ("vexo-link-no-access-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    std::filesystem::permissions(file, std::filesystem::perms::none);
    EXPECT_EXIT(
        {
            DropPrivileges();
            TSeriellThread link(true);
            const bool opened = link.OpenPortPath(file.string(), 9600);
            std::fprintf(stderr, "%s\n", link.GetErrorMessage().c_str());
            std::exit(!opened && TSeriellThread::IsPermissionError(link.GetErrorCode()) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "Keine Berechtigung .*dialout.*udev-Regel.* \\(0x0522\\)");
    std::filesystem::remove(file);
}

// The reader on the other end of a pseudo-terminal gets the last text sent before the port
// closes, every time, with the link thread running as in the program.
TEST_F(PtyLink, ShutdownTextLeavesBeforeThePortCloses) {
    TSeriellThread link(false);
    std::vector<std::uint8_t> buffer(256);
    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(link.OpenPortPath(pty.SlavePath(), 38400)) << round;
        ASSERT_TRUE(link.Send(std::string("shutdown\r")));
        link.SendBuffer();
        ASSERT_TRUE(link.ClosePort());
        std::string got;
        for (int i = 0; i < 40 && got.size() < 9; ++i) {
            const std::int32_t n = pty.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), 50);
            if (n > 0) got.append(buffer.begin(), buffer.begin() + n);
        }
        ASSERT_EQ(got, "shutdown\r") << "round " << round;
    }
}
#endif

namespace {

// What a fake port saw and what it will answer; shared with the test after the link owns the port.
struct tFakePortState {
    std::mutex lock;
    std::string device;
    tSerialLineSettings settings;
    std::vector<std::uint32_t> purges;
    bool dtr = false, rts = false;
    std::uint32_t outQueue = 0, errors = 0, modem = 0;
    std::int32_t writeLimit = INT32_MAX;
    std::int32_t refusedBaud = -1;
    bool readFails = false; // the driver counts a byte, and the read of it fails
    bool drains = true;     // the transmit side empties when waited for
    std::vector<std::uint8_t> written, toRead;
    int writes = 0;
};

class TFakePort final : public ISerialPort {
public:
    explicit TFakePort(std::shared_ptr<tFakePortState> state) : s(std::move(state)) {}
    std::uint32_t Open(const std::string& device) override {
        s->device = device;
        fOpen = true;
        return 0;
    }
    bool Close() override { return std::exchange(fOpen, false); }
    bool IsOpen() const override { return fOpen; }
    std::uint32_t ApplySettings(const tSerialLineSettings& settings) override {
        s->settings = settings;
        if (settings.BaudRate == s->refusedBaud) return SERIAL_ERROR_BAUD_RATE;
        return settings.ByteSize >= 5 && settings.ByteSize <= 8 ? 0 : SERIAL_ERROR_SETTINGS;
    }
    bool GetQueueStatus(tSerialQueueStatus& status) override {
        std::lock_guard<std::mutex> g(s->lock);
        status.Errors = std::exchange(s->errors, 0);
        status.InQueue = static_cast<std::uint32_t>(s->toRead.size()) + (s->readFails ? 1 : 0);
        status.OutQueue = s->outQueue;
        return true;
    }
    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count) override {
        std::lock_guard<std::mutex> g(s->lock);
        if (s->readFails) return -1;
        const auto n = std::min<std::size_t>(count, s->toRead.size());
        std::copy_n(s->toRead.begin(), n, buffer);
        s->toRead.erase(s->toRead.begin(), s->toRead.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<std::int32_t>(n);
    }
    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) override {
        std::lock_guard<std::mutex> g(s->lock);
        ++s->writes;
        const auto n = std::min<std::int32_t>(static_cast<std::int32_t>(count), s->writeLimit);
        s->written.insert(s->written.end(), buffer, buffer + n);
        return n;
    }
    bool WaitUntilSent(int) override { return s->drains; }
    bool Purge(std::uint32_t flags) override {
        s->purges.push_back(flags);
        return true;
    }
    bool SetDTR(bool on) override { return s->dtr = on, true; }
    bool SetRTS(bool on) override { return s->rts = on, true; }
    bool GetModemStatus(std::uint32_t& status) override {
        status = s->modem;
        return true;
    }

private:
    std::shared_ptr<tFakePortState> s;
    bool fOpen = false;
};

struct FakePortLink : ::testing::Test {
    std::shared_ptr<tFakePortState> state = std::make_shared<tFakePortState>();
    TSeriellThread link{true, TSeriellThread::DefaultBufferSize,
                        [s = state] { return std::make_unique<TFakePort>(s); }};
};

} // namespace

TEST_F(FakePortLink, OpenAppliesSettingsLinesAndPurges) {
    link.countOfBits = 9; // passed to the driver unchanged in COM mode
    link.parity = FT_PARITY_MARK;
    link.stopBits = FT_STOP_BITS_1_5;
    link.Set_DTR(true);
    EXPECT_TRUE(link.DTR());
    ASSERT_TRUE(link.OpenPort(4, 57600));
    EXPECT_EQ(state->device, ComPortDevicePath(4));
    EXPECT_EQ(state->settings.BaudRate, 57600);
    EXPECT_EQ(state->settings.ByteSize, 9);
    EXPECT_EQ(state->settings.Parity, 3);
    EXPECT_EQ(state->settings.StopBits, 1);
    EXPECT_TRUE(state->dtr);
    EXPECT_FALSE(state->rts);
    EXPECT_EQ(state->purges, (std::vector<std::uint32_t>{0x5, 0xA}));
    EXPECT_EQ(link.GetErrorCode(), 0u);
    EXPECT_EQ(link.getParityString(), "mark");
    EXPECT_EQ(link.getStopBitsString(), "1.5");

    link.SET_RTS(true);
    EXPECT_TRUE(state->rts);
    state->modem = 0x10 | 0x80;
    link.GetStatus();
    EXPECT_TRUE(link.CTS);
    EXPECT_FALSE(link.DSR);
    EXPECT_FALSE(link.RI);
    EXPECT_TRUE(link.RLSD);
    // Closing lets what was sent leave: only the receive side is purged.
    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(state->purges, (std::vector<std::uint32_t>{0x5, 0xA, 0xA}));
}

TEST_F(FakePortLink, ClosingSendsWhatIsQueuedAndPurgesOnlyWhatCannotLeave) {
    ASSERT_TRUE(link.OpenPort(1, 9600));
    state->purges.clear();
    // Queued and not yet written by a cycle: it still goes out before the port closes.
    ASSERT_TRUE(link.Send(std::string("shutdown\r")));
    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(std::string(state->written.begin(), state->written.end()), "shutdown\r");
    EXPECT_EQ(state->purges, (std::vector<std::uint32_t>{0xA}));

    // A line that does not move within the bound: the rest is thrown away, as before.
    ASSERT_TRUE(link.OpenPort(1, 9600));
    state->purges.clear();
    state->drains = false;
    ASSERT_TRUE(link.Send(std::string("x")));
    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(state->purges, (std::vector<std::uint32_t>{0x5, 0xA}));
}

TEST_F(FakePortLink, RefusedBaudRateIsAnOpenErrorOtherSettingsAreNot) {
    state->refusedBaud = 128000;
    EXPECT_FALSE(link.OpenPort(1, 128000));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.RealBaud, 0);
    EXPECT_EQ(link.GetErrorMessage(), "Baudrate wird vom Treiber nicht unterstützt (0x0057)");
    link.countOfBits = 9; // refused too, but only the rate fails an open
    EXPECT_TRUE(link.OpenPort(1, 14400));
    EXPECT_EQ(link.RealBaud, 14400);
    EXPECT_EQ(link.GetErrorCode(), 0u);
}

TEST_F(FakePortLink, FailedReadIsAReceiveError) {
    ASSERT_TRUE(link.OpenPort(1, 9600));
    int received = 0;
    link.OnReceive = [&](TSeriellThread*) { ++received; };
    state->readFails = true;
    EXPECT_FALSE(link.ReadSeriell());
    EXPECT_EQ(link.GetErrorCode(), 0x8000u);
    EXPECT_EQ(received, 0);
    state->readFails = false;
    state->toRead = {7};
    EXPECT_TRUE(link.ReadSeriell());
    EXPECT_EQ(received, 1);
}

TEST_F(FakePortLink, NothingIsWrittenWhileTheDriverStillHoldsBytes) {
    ASSERT_TRUE(link.OpenPort(1, 9600));
    ASSERT_TRUE(link.Send(tByteBuffer{1, 2, 3}));
    state->outQueue = 10;
    EXPECT_FALSE(link.SendBuffer());
    EXPECT_EQ(state->writes, 0);
    EXPECT_EQ(link.txCount(), 3);
    state->outQueue = 0;
    EXPECT_TRUE(link.SendBuffer());
    EXPECT_EQ(state->written, (std::vector<std::uint8_t>{1, 2, 3}));

    // An error flag holds the write back too, and a receive error ends the cycle.
    ASSERT_TRUE(link.Send(tByteBuffer{4}));
    state->errors = 0x0008;
    EXPECT_FALSE(link.SendBuffer());
    state->toRead = {9};
    state->errors = 0x0002;
    EXPECT_FALSE(link.ReadSeriell());
    EXPECT_EQ(link.GetErrorCode(), 0x8000u);
    EXPECT_TRUE(link.ReadSeriell());
    EXPECT_EQ(link.RxCount(), 1);
}

TEST_F(FakePortLink, ShortWriteRaisesNotAllSendAndLosesTheRest) {
    std::vector<TSeriellError> errors;
    link.OnError = [&](TSeriellThread*, TSeriellError e) { errors.push_back(e); };
    ASSERT_TRUE(link.OpenPort(1, 9600));
    state->writeLimit = 2;
    ASSERT_TRUE(link.Send(tByteBuffer{1, 2, 3, 4, 5}));
    EXPECT_FALSE(link.SendBuffer());
    EXPECT_EQ(errors, (std::vector<TSeriellError>{Err_NotAllSend}));
    EXPECT_EQ(link.lastSeriellError(), Err_NotAllSend);
    EXPECT_EQ(link.txCount(), 0);
    EXPECT_EQ(state->written, (std::vector<std::uint8_t>{1, 2}));
}

TEST_F(FakePortLink, FullTransmitRingRefusesAndReportsOnTheCallingThread) {
    TSeriellThread small{true, 4, [s = state] { return std::make_unique<TFakePort>(s); }};
    int full = 0;
    small.OnRxBufferFull = [&](TSeriellThread*) { ++full; };
    ASSERT_TRUE(small.OpenPort(1, 9600));
    EXPECT_FALSE(small.Send(std::string("abcdef")));
    EXPECT_EQ(full, 1);
    EXPECT_EQ(small.txCount(), 4);
    EXPECT_FALSE(small.SendByte('g'));
    EXPECT_EQ(full, 2);
    EXPECT_TRUE(small.SendBuffer());
    EXPECT_EQ(state->written, (std::vector<std::uint8_t>{'a', 'b', 'c', 'd'}));
}

TEST(LinkErrorText, CodesAndTheirTexts) {
    const struct {
        std::uint32_t code;
        const char* text;
    } cases[] = {{2, "Port existiert nicht"},
                 {5, "Port wird schon verwendet"},
                 {0x8001, "FTDI: Ungültiges Handle"},
                 {0x8002, "FTDI: Gerät nicht verfügbar"},
                 {0x81FA, "FTDI: Invalid Stop Bits"},
                 {0x81FB, "FTDI: Invalid Word Size"},
                 {0x81FC, "FTDI: Kein gültiges Gerät ausgewählt"},
                 {0x81FE, "FTDI: DLL Funktion not supported"},
                 {0x81FF, "FTDI: DLL Error"},
                 {0x8080, "Unbekannter Fehler"},
                 {0x8004, "Unbekannter Fehler"},
                 {0, "Unbekannter Fehler"}};
    for (auto& c : cases) EXPECT_EQ(TSeriellThread::ErrorText(c.code), c.text) << c.code;
    // The text follows LastError; the number shown is the one asked for, four digits at least.
    TSeriellThread link(true);
    EXPECT_FALSE(link.OpenPort(251, 9600));
    EXPECT_EQ(link.GetErrorMessage(0x1ABCDE), "Port existiert nicht (0x1ABCDE)");
    EXPECT_EQ(link.GetErrorMessage(0xA), "Port existiert nicht (0x000A)");
}
