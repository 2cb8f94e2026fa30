#include <gtest/gtest.h>

#include <cstring>

#include "FTDI_directDriver.h"
#include "FakeFtdiFixture.h"

namespace {

using FTDIDirectFake = FakeFtdi;

constexpr std::uint32_t LocOf0 = 0x1021, LocOf1 = 0x1031;

} // namespace

TEST(FTDIDirectNoLibrary, EveryOperationReportsTheMissingLibrary) {
    FTDIDirect ftdi("libvexo-no-such-ftd2xx.so");
    EXPECT_FALSE(ftdi.isValid());
    EXPECT_EQ(ftdi.updateDeviceList(100), FT_ERR_LIBRARY_NOT_LOADED);
    EXPECT_EQ(ftdi.deviceCount(), 0);
    FT_HANDLE h = reinterpret_cast<FT_HANDLE>(1);
    // The index is checked before the library is asked.
    EXPECT_EQ(ftdi.openEx(0, h, false), FT_ERR_INVALID_DEVICE);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(ftdi.openEx(0x1021, h, true), FT_ERR_FUNCTION_MISSING);
    std::uint8_t buffer[4];
    std::uint32_t count = 4;
    EXPECT_EQ(ftdi.read(h, buffer, count), FT_ERR_FUNCTION_MISSING);
    EXPECT_EQ(count, 0u);
    count = 4;
    EXPECT_EQ(ftdi.write(h, buffer, count), FT_ERR_FUNCTION_MISSING);
    EXPECT_EQ(ftdi.setBaudrate(h, 9600), FT_ERR_FUNCTION_MISSING);
    EXPECT_EQ(ftdi.setTimeOuts(h, 1, 1), FT_ERR_FUNCTION_MISSING);
    EXPECT_EQ(ftdi.getRxAvailable(h), 0u);
    EXPECT_EQ(ftdi.getTxInQueue(h), 0u);
    EXPECT_EQ(ftdi.getComPortNumber(h), -1);
    tEEPROMData ee;
    EXPECT_EQ(ftdi.readEEPROM(h, ee), FT_ERR_FUNCTION_MISSING);
}

TEST_F(FTDIDirectFake, DeviceListWaitsForTheLibraryWithinItsTimeOut) {
    FTDIDirect ftdi;
    ASSERT_TRUE(ftdi.isValid());
    SetDeviceInfo(1, 0, 0x04036001);
    SetListNotReady(3);
    ASSERT_EQ(ftdi.updateDeviceList(2000), FT_OK);
    ASSERT_EQ(ftdi.deviceCount(), 2);
    const tFT_device_list_info_node& first = ftdi.deviceInfoList[0];
    EXPECT_EQ(first.id, 0x04036015u);
    EXPECT_EQ(first.locId, LocOf0);
    EXPECT_EQ(first.dType, FT_DEVICE_X_SERIES);
    EXPECT_STREQ(first.serial, "FK00001");
    EXPECT_STREQ(first.description, "Fake Vexo Cable");
    EXPECT_EQ(ftdi.deviceInfoList[1].id, 0x04036001u);

    // Not ready for longer than allowed: the status comes back and the list is empty.
    SetListNotReady(1000000);
    EXPECT_EQ(ftdi.updateDeviceList(20), FT_DEVICE_LIST_NOT_READY);
    EXPECT_EQ(ftdi.deviceCount(), 0);
    EXPECT_TRUE(ftdi.deviceInfoList.empty());
    SetListNotReady(0);

    ForceStatus("FT_GetDeviceInfoList", FT_IO_ERROR);
    EXPECT_EQ(ftdi.updateDeviceList(100), FT_IO_ERROR);
    EXPECT_EQ(ftdi.deviceCount(), 0);
    ForceStatus("FT_GetDeviceInfoList", 0);

    Reset(0);
    EXPECT_EQ(ftdi.updateDeviceList(100), FT_OK);
    EXPECT_EQ(ftdi.deviceCount(), 0);
}

TEST_F(FTDIDirectFake, OpensByIndexAndByLocationAndRecordsTheHandle) {
    FTDIDirect ftdi;
    ASSERT_EQ(ftdi.updateDeviceList(100), FT_OK);
    FT_HANDLE h = nullptr;
    EXPECT_EQ(ftdi.openEx(2, h, false), FT_ERR_INVALID_DEVICE);
    EXPECT_EQ(ftdi.openEx(-1, h, false), FT_ERR_INVALID_DEVICE);
    EXPECT_EQ(State(0).opens + State(1).opens, 0u);

    ASSERT_EQ(ftdi.openEx(1, h, false), FT_OK);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(State(1).open);
    EXPECT_EQ(ftdi.deviceInfoList[1].ftHandle, h);
    EXPECT_EQ(ftdi.getDevIndexFromHandle(h), 1);
    EXPECT_EQ(ftdi.close(h), FT_OK);

    FT_HANDLE byLoc = nullptr;
    ASSERT_EQ(ftdi.openEx(static_cast<std::int32_t>(LocOf0), byLoc, true), FT_OK);
    EXPECT_EQ(ftdi.deviceInfoList[0].ftHandle, byLoc);
    // Opened already: the library's refusal comes back and the entry loses its handle.
    FT_HANDLE again = reinterpret_cast<FT_HANDLE>(1);
    EXPECT_EQ(ftdi.openEx(0, again, false), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(ftdi.deviceInfoList[0].ftHandle, nullptr);
    EXPECT_EQ(ftdi.openEx(0x9999, again, true), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(ftdi.getDevIndexFromHandle(reinterpret_cast<FT_HANDLE>(0x1234)), -1);
}

TEST_F(FTDIDirectFake, ReadTakesOnlyWhatIsQueuedAndWritePassesThrough) {
    FTDIDirect ftdi;
    ASSERT_EQ(ftdi.updateDeviceList(100), FT_OK);
    FT_HANDLE h = nullptr;
    ASSERT_EQ(ftdi.openEx(0, h, false), FT_OK);
    const std::uint8_t in[5] = {1, 2, 3, 4, 5};
    Inject(0, in, 5);
    EXPECT_EQ(ftdi.getRxAvailable(h), 5u);
    std::uint8_t buffer[16] = {};
    std::uint32_t count = 3;
    EXPECT_EQ(ftdi.read(h, buffer, count), FT_OK);
    EXPECT_EQ(count, 3u);
    count = 16;
    EXPECT_EQ(ftdi.read(h, buffer + 3, count), FT_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::memcmp(buffer, in, 5), 0);
    count = 16;
    EXPECT_EQ(ftdi.read(h, buffer, count), FT_OK);
    EXPECT_EQ(count, 0u);

    count = 4;
    EXPECT_EQ(ftdi.write(h, in, count), FT_OK);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(ftdi.getTxInQueue(h), 4u);
    EXPECT_EQ(TakeAll(0), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    SetWriteLimit(0, 2);
    count = 5;
    EXPECT_EQ(ftdi.write(h, in, count), FT_OK);
    EXPECT_EQ(count, 2u);

    EXPECT_EQ(ftdi.purge(h, 0xFF), FT_OK);
    EXPECT_EQ(State(0).purgeMasks, 0x7Fu);
    ForceStatus("FT_Read", FT_IO_ERROR);
    Inject(0, in, 1);
    count = 1;
    EXPECT_EQ(ftdi.read(h, buffer, count), FT_IO_ERROR);
}

TEST_F(FTDIDirectFake, LineControlCBusAndPortNumberPassThrough) {
    FTDIDirect ftdi;
    ASSERT_EQ(ftdi.updateDeviceList(100), FT_OK);
    FT_HANDLE h = nullptr;
    ASSERT_EQ(ftdi.openEx(0, h, false), FT_OK);
    EXPECT_EQ(ftdi.setBaudrate(h, 115200), FT_OK);
    EXPECT_EQ(ftdi.setDataCharacteristics(h, 7, 2, 4), FT_OK);
    EXPECT_EQ(ftdi.setTimeOuts(h, 1000, 500), FT_OK);
    EXPECT_EQ(ftdi.setDTR(h, true), FT_OK);
    EXPECT_EQ(ftdi.setRTS(h, true), FT_OK);
    EXPECT_EQ(ftdi.setRTS(h, false), FT_OK);
    EXPECT_EQ(ftdi.reset(h), FT_OK);
    EXPECT_EQ(ftdi.setCBusOutput(h, 0x0F, 0x35), FT_OK);
    tFakeFtdiState s = State(0);
    EXPECT_EQ(s.baud, 115200u);
    EXPECT_EQ(s.wordLength, 7);
    EXPECT_EQ(s.stopBits, 2);
    EXPECT_EQ(s.parity, 4);
    EXPECT_EQ(s.readTimeOut, 1000u);
    EXPECT_EQ(s.writeTimeOut, 500u);
    EXPECT_TRUE(s.dtr);
    EXPECT_FALSE(s.rts);
    EXPECT_EQ(s.resets, 1u);
    EXPECT_EQ(s.bitMask, 0xF5);
    EXPECT_EQ(s.bitMode, FT_BITMODE_CBUS_BITBANG);
    EXPECT_EQ(ftdi.getComPortNumber(h), 7);
    ForceStatus("FT_GetComPortNumber", FT_IO_ERROR);
    EXPECT_EQ(ftdi.getComPortNumber(h), -1);
    std::uint32_t listed = 0;
    EXPECT_EQ(ftdi.listDevices(&listed, nullptr, 0x80000000u), FT_OK);
    EXPECT_EQ(listed, 2u);
}

TEST_F(FTDIDirectFake, EEPROMRecordsAndDeviceDetail) {
    FTDIDirect ftdi;
    ASSERT_EQ(ftdi.updateDeviceList(100), FT_OK);
    FT_HANDLE h = nullptr;
    ASSERT_EQ(ftdi.openEx(0, h, false), FT_OK);

    tEEPROMData ee;
    ASSERT_EQ(ftdi.readEEPROM(h, ee), FT_OK);
    EXPECT_EQ(State(0).eeVersion, 5u);
    EXPECT_EQ(ee.manufacturer, "Fake Chips");
    EXPECT_EQ(ee.manufacturerID, "FK");
    EXPECT_EQ(ee.description, "Fake Vexo Cable");
    EXPECT_EQ(ee.serialNumber, "FK00001");
    EXPECT_EQ(ee.programData.VendorId, 0x0403);
    EXPECT_EQ(ee.programData.Manufacturer, nullptr); // no pointer into a finished call's buffers
    ee.description = "Vexo Cable with a description longer than sixty-four characters, cut there";
    ASSERT_EQ(ftdi.writeEEPROM(h, ee), FT_OK);
    EXPECT_EQ(State(0).eeVersion, 4u);
    EXPECT_EQ(std::string(State(0).programmedDescription), ee.description.substr(0, 64));

    tEEPROMDataX x;
    ASSERT_EQ(ftdi.readEEPROM(h, x), FT_OK);
    EXPECT_EQ(State(0).eepromType, FT_DEVICE_X_SERIES);
    EXPECT_EQ(State(0).eepromSize, 56u);
    EXPECT_EQ(x.serialNumber, "FK00001");
    x.description = "Renamed";
    ASSERT_EQ(ftdi.writeEEPROM(h, x), FT_OK);
    EXPECT_STREQ(State(0).programmedDescription, "Renamed");
    EXPECT_EQ(ftdi.readEEPROM(reinterpret_cast<FT_HANDLE>(0x1234), x), FT_ERR_INVALID_DEVICE);

    tDeviceInfoDetail detail;
    ASSERT_EQ(ftdi.getDeviceInfoDetail(0, detail), FT_OK);
    EXPECT_EQ(detail.USBVendor, 0x0403);
    EXPECT_EQ(detail.USBPID, 0x6015);
    EXPECT_EQ(detail.locationID, LocOf0);
    EXPECT_EQ(detail.serial, "FK00001");
    EXPECT_EQ(detail.ftHandle, h);
    EXPECT_NE(ftdi.getDeviceInfoDetail(5, detail), FT_OK);
    EXPECT_EQ(detail.USBVendor, 0);
    EXPECT_EQ(detail.serial, "");
}

TEST_F(FTDIDirectFake, MissingSingleFunctionGives510AndTheRestWorks) {
    // The partial library has devices of its own.
    TDynamicLibrary partial;
    ASSERT_TRUE(partial.Load(FAKE_D2XX_PARTIAL));
    reinterpret_cast<tFakeFtdi_Reset>(partial.Symbol("FakeFtdi_Reset"))(2);
    FTDIDirect ftdi(FAKE_D2XX_PARTIAL);
    ASSERT_TRUE(ftdi.isValid());
    ASSERT_EQ(ftdi.updateDeviceList(100), FT_OK);
    FT_HANDLE h = nullptr;
    ASSERT_EQ(ftdi.openEx(1, h, false), FT_OK);
    EXPECT_EQ(ftdi.setBaudrate(h, 9600), FT_ERR_FUNCTION_MISSING);
    EXPECT_EQ(ftdi.setLatencyTimer(h, 2), FT_ERR_FUNCTION_MISSING);
    EXPECT_EQ(ftdi.setEventNotification(h, FT_EVENT_RXCHAR, nullptr), FT_ERR_FUNCTION_MISSING);
    EXPECT_EQ(ftdi.reset(h), FT_OK);
    EXPECT_EQ(ftdi.close(h), FT_OK);
}

TEST(FTDIDirectText, DeviceTypesEEPROMSizesAndCharacterArrays) {
    const char* names[] = {"FT232BM", "FT232AM", "FT100AX", "unknown", "FT2232C",
                           "FT232R",  "FT2232H", "FT4232H", "FT232H",  "FT X-Series"};
    for (std::uint32_t t = 0; t < 10; ++t) EXPECT_EQ(FTDIDirect::getDeviceTypeStr(t), names[t]);
    EXPECT_EQ(FTDIDirect::getDeviceTypeStr(10), "");

    const struct {
        std::uint32_t type, size;
    } sizes[] = {
        {FT_DEVICE_UNKNOWN, 159}, {FT_DEVICE_232R, 32}, {FT_DEVICE_X_SERIES, 56}, {FT_DEVICE_232H, 0}};
    for (auto& c : sizes) {
        tEEPROMDataX x;
        x.setDeviceType(c.type);
        EXPECT_EQ(FTDIDirect::getEEPROMSize(x), c.size) << c.type;
    }

    const char unterminated[4] = {'A', 'B', 'C', 'D'};
    EXPECT_EQ(FTDIDirect::convertToString(unterminated, 4), "ABCD");
    EXPECT_EQ(FTDIDirect::convertToString("AB\0CD", 5), "AB");
    const char latin[] = {'\xE9', 'x', 0};
    EXPECT_EQ(FTDIDirect::convertToString(latin, 3), "\xC3\xA9x"); // é

    char chars[6];
    std::memset(chars, 'Z', sizeof chars);
    FTDIDirect::convertToCharBuffer(chars, "Caf\xC3\xA9", 6);
    EXPECT_EQ(std::memcmp(chars, "Caf\xE9\0\0", 6), 0);
    FTDIDirect::convertToCharBuffer(chars, "TooLongText", 6);
    EXPECT_EQ(std::memcmp(chars, "TooLon", 6), 0);
}
