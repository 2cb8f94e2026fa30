// The link in FTDI mode, through the D2XX-compatible test library.
#include <gtest/gtest.h>

#include "FakeFtdiFixture.h"
#include "SeriellThread.h"

namespace {

struct FtdiLink : FakeFtdi {
    void SetUp() override {
        FakeFtdi::SetUp();
        link.setFtdiMode(true);
        ASSERT_TRUE(link.ftdiMode());
        ASSERT_EQ(link.ftdi.updateDeviceList(100), FT_OK);
    }
    TSeriellThread link{true};
};

} // namespace

TEST(FtdiLinkNoLibrary, ModeStaysOffWithoutTheLibrary) {
    TSeriellThread link(true, 64, {}, "libvexo-no-such-ftd2xx.so");
    EXPECT_FALSE(link.ftdi.isValid());
    link.setFtdiMode(true);
    EXPECT_FALSE(link.ftdiMode());
}

TEST_F(FtdiLink, OpenByIndexSetsTheDeviceUpAndMovesBytes) {
    link.countOfBits = 7;
    link.parity = FT_PARITY_EVEN;
    link.stopBits = FT_STOP_BITS_2;
    link.Set_DTR(true);
    ASSERT_TRUE(link.OpenPort(1, 115200, false)) << link.GetErrorMessage();
    tFakeFtdiState s = State(1);
    EXPECT_EQ(s.resets, 1u);
    EXPECT_EQ(s.baud, 115200u);
    EXPECT_EQ(s.wordLength, 7);
    EXPECT_EQ(s.parity, 2);
    EXPECT_EQ(s.stopBits, 2);
    EXPECT_EQ(s.readTimeOut, 1000u);
    EXPECT_EQ(s.writeTimeOut, 1000u);
    EXPECT_EQ(s.purgeMasks, FT_PURGE_RX | FT_PURGE_TX);
    EXPECT_EQ(s.latencyTimer, TSeriellThread::DefaultLatencyTimer);
    EXPECT_EQ(s.eventMask, FT_EVENT_RXCHAR);
    EXPECT_TRUE(s.dtr);
    EXPECT_FALSE(s.rts);
    EXPECT_EQ(link.RealBaud, 115200);
    EXPECT_STREQ(link.ftdiCurrentDevice().serial, "FK00002");
    EXPECT_EQ(link.getComPortNumber(), 7);

    const auto frame = std::vector<std::uint8_t>{0x02, 0x41, 0x00, 0x03};
    ASSERT_TRUE(link.Send(tByteBuffer(frame)));
    EXPECT_TRUE(link.SendBuffer());
    EXPECT_EQ(TakeAll(1), frame);

    int received = 0;
    link.OnReceive = [&](TSeriellThread*) { ++received; };
    const std::uint8_t reply[3] = {0x06, 0x07, 0x08};
    Inject(1, reply, 3);
    EXPECT_TRUE(link.ReadSeriell());
    EXPECT_EQ(received, 1);
    EXPECT_EQ(link.RxCount(), 3);
    EXPECT_EQ(link.GetErrorCode(), 0u);

    EXPECT_TRUE(link.ClosePort());
    EXPECT_FALSE(State(1).open);
    EXPECT_STREQ(link.ftdiCurrentDevice().description, "invalid");
}

TEST_F(FtdiLink, LatencyTimerAndEventAreOnlyAskedFor) {
    link.latencyTimer = 7;
    ASSERT_TRUE(link.OpenPort(0, 9600, false));
    EXPECT_EQ(State(0).latencyTimer, 7);
    // A library that refuses either still opens the device, which keeps its own timer.
    ForceStatus("FT_SetLatencyTimer", FT_INVALID_PARAMETER);
    ForceStatus("FT_SetEventNotification", FT_INVALID_PARAMETER);
    ASSERT_TRUE(link.OpenPort(1, 9600, false)) << link.GetErrorMessage();
    EXPECT_EQ(link.GetErrorCode(), 0u);
    EXPECT_EQ(State(1).latencyTimer, 16);
    EXPECT_EQ(State(1).eventMask, 0u);
}

TEST_F(FtdiLink, OpenByLocationFindsItsListEntry) {
    ASSERT_TRUE(link.OpenPort(0x1021, 9600, true));
    EXPECT_TRUE(State(0).open);
    EXPECT_STREQ(link.ftdiCurrentDevice().serial, "FK00001");
    // Switching the mode closes the port.
    link.setFtdiMode(false);
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(State(0).open);
}

TEST_F(FtdiLink, BadLineSettingsFailAfterOpenAndReset) {
    const struct {
        std::int32_t bits;
        tStopBits stop;
        std::uint32_t error;
        const char* message;
    } cases[] = {{8, FT_STOP_BITS_1_5, 0x81FA, "FTDI: Invalid Stop Bits (0x81FA)"},
                 {9, FT_STOP_BITS_1, 0x81FB, "FTDI: Invalid Word Size (0x81FB)"},
                 {6, FT_STOP_BITS_1_5, 0x81FA, "FTDI: Invalid Stop Bits (0x81FA)"}};
    std::uint32_t opens = 0;
    for (auto& c : cases) {
        link.countOfBits = c.bits;
        link.stopBits = c.stop;
        EXPECT_FALSE(link.OpenPort(0, 9600));
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(link.GetErrorCode(), c.error);
        EXPECT_EQ(link.GetErrorMessage(), c.message);
        EXPECT_EQ(link.RealBaud, 0);
        tFakeFtdiState s = State(0);
        EXPECT_EQ(s.opens, ++opens);
        EXPECT_EQ(s.resets, opens);
        EXPECT_EQ(s.closes, opens);
        EXPECT_FALSE(s.open);
        EXPECT_EQ(s.wordLength, 0); // the characteristics were never set
    }
}

TEST_F(FtdiLink, OpenFailuresKeepTheLibraryStatus) {
    EXPECT_FALSE(link.OpenPort(2, 9600));
    EXPECT_EQ(link.GetErrorMessage(), "FTDI: Kein gültiges Gerät ausgewählt (0x81FC)");
    ForceStatus("FT_OpenEx", FT_DEVICE_NOT_FOUND);
    EXPECT_FALSE(link.OpenPort(0, 9600));
    EXPECT_EQ(link.GetErrorMessage(), "FTDI: Gerät nicht verfügbar (0x8002)");
    ForceStatus("FT_OpenEx", 0);
    ForceStatus("FT_ResetDevice", FT_IO_ERROR);
    EXPECT_FALSE(link.OpenPort(0, 9600));
    EXPECT_EQ(link.GetErrorCode(), 0x8004u);
    EXPECT_FALSE(State(0).open);
}

TEST_F(FtdiLink, MissingFunctionFailsTheOpenWith510) {
    TDynamicLibrary partial;
    ASSERT_TRUE(partial.Load(FAKE_D2XX_PARTIAL));
    reinterpret_cast<tFakeFtdi_Reset>(partial.Symbol("FakeFtdi_Reset"))(1);
    TSeriellThread other(true, 64, {}, FAKE_D2XX_PARTIAL);
    other.setFtdiMode(true);
    ASSERT_EQ(other.ftdi.updateDeviceList(100), FT_OK);
    EXPECT_FALSE(other.OpenPort(0, 9600));
    EXPECT_EQ(other.GetErrorMessage(), "FTDI: DLL Funktion not supported (0x81FE)");
}

TEST_F(FtdiLink, WritesAndReadsThatFailAreReported) {
    std::vector<TSeriellError> errors;
    link.OnError = [&](TSeriellThread*, TSeriellError e) { errors.push_back(e); };
    ASSERT_TRUE(link.OpenPort(0, 9600));
    SetWriteLimit(0, 3);
    ASSERT_TRUE(link.Send(tByteBuffer(10, 0x55)));
    EXPECT_FALSE(link.SendBuffer());
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(link.GetErrorCode(), 0u); // the library said OK; only the count was short
    EXPECT_EQ(link.txCount(), 0);

    SetWriteLimit(0, UINT32_MAX);
    ForceStatus("FT_Write", FT_IO_ERROR);
    ASSERT_TRUE(link.Send(tByteBuffer{1}));
    EXPECT_FALSE(link.SendBuffer());
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(link.GetErrorCode(), 0x8004u);

    ForceStatus("FT_GetQueueStatus", FT_INVALID_HANDLE);
    EXPECT_FALSE(link.ReadSeriell());
    EXPECT_EQ(link.GetErrorMessage(), "FTDI: Ungültiges Handle (0x8001)");
}

TEST_F(FtdiLink, SendsAboveTheLimitWaitForTheNextCycle) {
    ASSERT_TRUE(link.OpenPort(0, 9600));
    tByteBuffer bytes(20000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    ASSERT_TRUE(link.Send(bytes));
    EXPECT_TRUE(link.SendBuffer());
    EXPECT_EQ(TakeAll(0).size(), 16384u);
    EXPECT_TRUE(link.SendBuffer());
    auto rest = TakeAll(0);
    EXPECT_EQ(rest.size(), 3616u);
    EXPECT_EQ(rest, std::vector<std::uint8_t>(bytes.begin() + 16384, bytes.end()));
}

TEST_F(FtdiLink, EEPROMAndCBusPassThroughs) {
    ASSERT_TRUE(link.OpenPort(0, 9600));
    tEEPROMData ee;
    EXPECT_EQ(link.readFTDIEEPROM(ee), 0u);
    EXPECT_EQ(ee.serialNumber, "FK00001");
    tEEPROMDataX x;
    EXPECT_EQ(link.readFTDIEEPROM(x), 0u);
    EXPECT_EQ(State(0).eepromSize, 56u);
    x.description = "Vexo";
    EXPECT_EQ(link.writeFTDIEEPROM(x), 0u);
    EXPECT_STREQ(State(0).programmedDescription, "Vexo");
    EXPECT_EQ(link.setCBusOutput(0x3, 0x1), 0u);
    EXPECT_EQ(State(0).bitMask, 0x31);
    ForceStatus("FT_EE_Program", FT_IO_ERROR);
    EXPECT_EQ(link.writeFTDIEEPROM(ee), 0x8004u);
    EXPECT_EQ(link.GetErrorCode(), 0x8004u);
}
