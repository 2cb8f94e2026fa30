// The library's readers from a named scenario file, each case in a fresh process (the library
// reads its environment once).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "FTDI_directDriver.h"
#include "SimClient.h"
#include "TestSystem.h"

namespace {

// Exits 0 when every check held, else 1 with the failed check on standard error.
[[noreturn]] void Check(bool ok, const char* what) {
    if (!ok) std::fprintf(stderr, "failed: %s\n", what);
    std::exit(ok ? 0 : 1);
}

void RFIDReader() {
    SetEnvironment("VEXO_SIM_SCENARIO", VEXO_SIM_SCENARIO_DIR "/rfid-card.json");
    UnsetEnvironment("VEXO_SIM_DEVICES");
    FTDIDirect ftdi;
    if (ftdi.updateDeviceList(1000) != FT_OK || ftdi.deviceCount() != 1) Check(false, "one reader listed");
    if (std::string(ftdi.deviceInfoList[0].description) != "Vexo Reader RFID") Check(false, "description");
    FT_HANDLE h = nullptr;
    if (ftdi.openEx(0, h, false) != FT_OK) Check(false, "open");
    tSimClient client(
        [&](const tByteBuffer& b) {
            std::uint32_t n = static_cast<std::uint32_t>(b.size());
            ftdi.write(h, b.data(), n);
        },
        [&]() {
            tByteBuffer b(4096);
            std::uint32_t n = static_cast<std::uint32_t>(b.size());
            if (ftdi.read(h, b.data(), n) != FT_OK) n = 0;
            b.resize(n);
            return b;
        },
        []() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    if (!client.Identify() || client.Map.EEPROMVersion() != 5) Check(false, "identified as version 5");
    if (!client.Map.VolatileData.VexoCfgBits.RFIDTestCard()) Check(false, "RFID test card bit");
    // Three failed tag reads first, then the tag.
    for (int i = 0; i < 4; ++i) {
        client.RFIDError = -1;
        client.Vexo.evaluate(true, false);
        if (!client.RunUntil([&] { return client.RFIDError >= 0; }, 2000)) Check(false, "RFID answer");
    }
    Check(client.Count("rfid 56") == 3 && client.RFIDError == 0 && client.RFIDSize > 0,
          "three errors, then the tag");
}

void BadScenario() {
    SetEnvironment("VEXO_SIM_SCENARIO", "/nonexistent/reader.json");
    FTDIDirect ftdi;
    Check(ftdi.updateDeviceList(1000) == FT_OK && ftdi.deviceCount() == 0, "no reader listed");
}

} // namespace

TEST(SimD2XXScenario, ReadersFromTheNamedFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RFIDReader(), ::testing::ExitedWithCode(0), "");
}

TEST(SimD2XXScenario, AnUnusableFileIsNamedAndNoReaderIsPluggedIn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(BadScenario(), ::testing::ExitedWithCode(0), "reader.json.*no reader is plugged in");
}
