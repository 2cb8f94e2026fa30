// The D2XX-compatible library, loaded by the program's FTDI wrapper as the vendor's would be.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "D2XXSimControl.h"
#include "DynamicLibrary.h"
#include "FTDI_directDriver.h"
#include "SimClient.h"
#include "TestSystem.h"

namespace {

class SimD2XX : public ::testing::Test {
protected:
    void SetUp() override {
        // Read by the library at its first call.
        SetEnvironment("VEXO_SIM_DEVICES", "2");
        UnsetEnvironment("VEXO_SIM_SCENARIO");
        ASSERT_TRUE(Ftdi.isValid());
        ASSERT_EQ(Ftdi.updateDeviceList(1000), FT_OK);
    }
    std::unique_ptr<tSimClient> ClientOn(FT_HANDLE h) {
        return std::make_unique<tSimClient>(
            [this, h](const tByteBuffer& b) {
                std::uint32_t n = static_cast<std::uint32_t>(b.size());
                Ftdi.write(h, b.data(), n);
            },
            [this, h]() {
                tByteBuffer b(4096);
                std::uint32_t n = static_cast<std::uint32_t>(b.size());
                if (Ftdi.read(h, b.data(), n) != FT_OK) n = 0;
                b.resize(n);
                return b;
            },
            []() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    }
    FTDIDirect Ftdi;
};

} // namespace

TEST_F(SimD2XX, ListsTheSimulatedReaders) {
    ASSERT_EQ(Ftdi.deviceCount(), 2);
    const tFT_device_list_info_node& a = Ftdi.deviceInfoList[0];
    EXPECT_EQ(a.id, 0x04036015u);
    EXPECT_EQ(a.dType, FT_DEVICE_X_SERIES);
    EXPECT_EQ(a.flags, 0u);
    EXPECT_STREQ(a.serial, "VX3A1207");
    EXPECT_STREQ(a.description, "Vexo Reader");
    EXPECT_STREQ(Ftdi.deviceInfoList[1].serial, "VX3A12072");
    EXPECT_NE(a.locId, Ftdi.deviceInfoList[1].locId);
    tDeviceInfoDetail detail;
    ASSERT_EQ(Ftdi.getDeviceInfoDetail(1, detail), FT_OK);
    EXPECT_EQ(detail.USBVendor, 0x0403);
    EXPECT_EQ(detail.USBPID, 0x6015);
    EXPECT_EQ(detail.serial, "VX3A12072");
}

TEST_F(SimD2XX, OpensByLocationAndServesTheDemoReader) {
    FT_HANDLE h = nullptr;
    ASSERT_EQ(Ftdi.openEx(0, h, false), FT_OK);
    ASSERT_NE(h, nullptr);
    FT_HANDLE again = nullptr;
    EXPECT_EQ(Ftdi.openEx(0, again, false), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(Ftdi.setBaudrate(h, 38400), FT_OK);
    EXPECT_EQ(Ftdi.setDataCharacteristics(h, 8, 0, 0), FT_OK);
    EXPECT_EQ(Ftdi.setDataCharacteristics(h, 9, 0, 0), FT_INVALID_PARAMETER);
    EXPECT_EQ(Ftdi.setTimeOuts(h, 10, 10), FT_OK);
    EXPECT_EQ(Ftdi.setDTR(h, true), FT_OK);
    EXPECT_EQ(Ftdi.setRTS(h, false), FT_OK);
    EXPECT_EQ(Ftdi.purge(h, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
    EXPECT_EQ(Ftdi.getComPortNumber(h), -1);

    auto client = ClientOn(h);
    ASSERT_TRUE(client->Identify());
    EXPECT_EQ(client->Serial.subSerial, 1207);
    std::vector<std::unique_ptr<TMeasureSet>> entries;
    std::size_t stored = 0;
    ASSERT_TRUE(client->ReadDatabase(entries, stored));
    EXPECT_EQ(entries.size(), 12u);

    // Queue status, purge and reset as the link uses them.
    client->Vexo.getAcknowledge();
    std::uint32_t waiting = 0;
    for (int i = 0; i < 1000 && waiting < 4; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        waiting = Ftdi.getRxAvailable(h);
    }
    EXPECT_EQ(waiting, 4u);
    EXPECT_EQ(Ftdi.purge(h, FT_PURGE_RX), FT_OK);
    EXPECT_EQ(Ftdi.getRxAvailable(h), 0u);
    EXPECT_EQ(Ftdi.reset(h), FT_OK);
    EXPECT_EQ(Ftdi.getTxInQueue(h), 0u);

    ASSERT_EQ(Ftdi.updateDeviceList(1000), FT_OK);
    EXPECT_EQ(Ftdi.deviceInfoList[0].flags, FT_FLAGS_OPENED);
    EXPECT_EQ(Ftdi.close(h), FT_OK);
    EXPECT_EQ(Ftdi.close(h), FT_INVALID_HANDLE);
}

TEST_F(SimD2XX, EachReaderIsItsOwn) {
    FT_HANDLE second = nullptr;
    ASSERT_EQ(Ftdi.openEx(1, second, false), FT_OK);
    auto client = ClientOn(second);
    ASSERT_TRUE(client->Identify());
    EXPECT_EQ(client->Serial.subSerial, 1208);
    EXPECT_EQ(Ftdi.close(second), FT_OK);
    FT_HANDLE none = nullptr;
    EXPECT_EQ(Ftdi.openEx(0x7777, none, true), FT_DEVICE_NOT_FOUND);
}

TEST_F(SimD2XX, UnpluggedReaderLeavesTheListAndItsHandleDies) {
    TDynamicLibrary lib; // the one the wrapper has loaded
    ASSERT_TRUE(lib.Load(FTDILibraryName())) << lib.LoadError();
    auto setPlugged = reinterpret_cast<tVexoSimSetPlugged>(lib.Symbol("VexoSimSetPlugged"));
    auto cutOn = reinterpret_cast<tVexoSimUnplugOnCommand>(lib.Symbol("VexoSimUnplugOnCommand"));
    ASSERT_TRUE(setPlugged && cutOn);
    EXPECT_EQ(setPlugged(2, 0), -1);

    FT_HANDLE h = nullptr;
    ASSERT_EQ(Ftdi.openEx(0, h, false), FT_OK);
    auto client = ClientOn(h);
    ASSERT_TRUE(client->Identify());
    // The cable comes off as the second acknowledge request arrives: the write went out,
    // every later call fails.
    ASSERT_EQ(cutOn(0, 0xAA, 2, -1), 0);
    client->Vexo.getAcknowledge();
    client->Vexo.getAcknowledge();
    std::uint32_t n = 1;
    std::uint8_t byte = 0x20;
    EXPECT_EQ(Ftdi.read(h, &byte, n), FT_IO_ERROR);
    n = 1;
    EXPECT_EQ(Ftdi.write(h, &byte, n), FT_IO_ERROR);
    EXPECT_EQ(Ftdi.purge(h, FT_PURGE_RX), FT_IO_ERROR);
    ASSERT_EQ(Ftdi.updateDeviceList(1000), FT_OK);
    ASSERT_EQ(Ftdi.deviceCount(), 1);
    EXPECT_STREQ(Ftdi.deviceInfoList[0].serial, "VX3A12072");

    // Back on the bus it is a new device: the old handle stays dead until it is closed.
    ASSERT_EQ(setPlugged(0, 1), 0);
    ASSERT_EQ(Ftdi.updateDeviceList(1000), FT_OK);
    ASSERT_EQ(Ftdi.deviceCount(), 2);
    EXPECT_EQ(Ftdi.deviceInfoList[0].flags, 0u);
    n = 1;
    EXPECT_EQ(Ftdi.read(h, &byte, n), FT_IO_ERROR);
    EXPECT_EQ(Ftdi.close(h), FT_OK);
    FT_HANDLE again = nullptr;
    ASSERT_EQ(Ftdi.openEx(0, again, false), FT_OK);
    EXPECT_TRUE(ClientOn(again)->Identify());
    EXPECT_EQ(Ftdi.close(again), FT_OK);
}
