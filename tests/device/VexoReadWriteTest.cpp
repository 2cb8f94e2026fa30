#include "VexoReadWrite.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Blocks = std::vector<std::pair<std::uint16_t, std::uint32_t>>; // size, address

// Requests blocks the way the main window does: one, then more while bytes are left.
Blocks AllBlocks(TDataRead& read) {
    Blocks blocks;
    do {
        std::uint16_t size = 0;
        std::uint32_t address = 0;
        read.PrepareNextBlock(size, address);
        blocks.emplace_back(size, address);
    } while (read.SizeLeft != 0);
    return blocks;
}

TEST(DataRead, StartsWithNoStep) {
    TDataRead read;
    EXPECT_EQ(read.ReadStep, SpNoRead);
    EXPECT_TRUE(read.Buffer.empty());
    EXPECT_EQ(read.StartAddress, 0u);
    EXPECT_EQ(read.SizeLeft, 0);
}

TEST(DataRead, BlocksOfAtMost768) {
    struct Case {
        std::uint16_t size;
        Blocks expected;
    };
    const Case cases[] = {
        {1000, {{768, 0x40000}, {232, 0x40000 + 768}}},
        {768, {{768, 0x40000}}},
        {0, {{0, 0x40000}}},
        {769, {{768, 0x40000}, {1, 0x40300}}},
        {2304, {{768, 0x40000}, {768, 0x40300}, {768, 0x40600}}},
    };
    TEEPROMMap map;
    for (const Case& c : cases) {
        TDataRead read;
        read.RFIDSize = c.size;
        read.InitializeReading(SpRFID, map);
        EXPECT_EQ(AllBlocks(read), c.expected) << c.size;
    }
}

TEST(DataRead, StepTableByVersion) {
    struct Case {
        std::uint8_t v;
        bool extended;
        EReadStep step;
        std::uint32_t address;
        std::uint16_t size;
    };
    const Case cases[] = {
        {2, false, SpVolatilePtAbs, 0x500A2, 24}, // the same read as SpVolatilePt
        {1, false, SpVolatilePt, 0x500A2, 24},
        {4, false, SpVolatilePtAbs, 0x5009C, 12},
        {4, false, SpVolatilePtRel, 0x500AE, 14},
        {5, false, SpVolatilePtAbs, 0x500A0, 12},
        {5, false, SpVolatilePtRel, 0x500B2, 14},
        {0, false, SpNonVolatileSN, 0x50000, 13},
        {5, false, SpConfiguration, 0x00000, 1248},
        {5, true, SpConfiguration, 0x00000, 4096},
        {4, true, SpConfiguration, 0x00000, 1248},
        {4, false, SpMeasurementResult, 0x20000, 346},
        {5, false, SpMeasurementResult, 0x20000, 356},
        {6, false, SpMeasurementResult, 0x20000, 316},
        {5, false, SpVexoConfigBits, 0x50080, 4},
        {5, false, SpVexoConfigBits_0, 0x5007C, 4},
        {2, false, SpWhiteGain, 0x5002E, 10},
        {3, false, SpWhiteGain, 0x50031, 10},
        {5, false, SpNoRead, 0, 0},
    };
    for (const Case& c : cases) {
        TEEPROMMap map;
        map.NonVolatileData.EEPROMVersion = c.v;
        map.VolatileData.VexoCfgBits.Data = c.extended ? 16 : 0;
        TDataRead read;
        read.InitializeReading(c.step, map);
        SCOPED_TRACE(testing::Message() << "version " << int(c.v) << " step " << int(c.step));
        EXPECT_EQ(read.ReadStep, c.step);
        EXPECT_EQ(read.StartAddress, c.address);
        EXPECT_EQ(read.SizeLeft, c.size);
    }
}

TEST(DataRead, StoredConfigurationsReadOneByteLessThanTheArea) {
    TEEPROMMap map;
    map.VolatileData.StoredConfigurationStart = 0x0000;
    map.VolatileData.StoredConfigurationStop = 0x1FFF;
    TDataRead read;
    read.InitializeReading(SpTestConfigs, map);
    EXPECT_EQ(read.StartAddress, 0x30000u);
    EXPECT_EQ(read.SizeLeft, 0x1FFF);
}

TEST(DataRead, InitializeReadingKeepsWindowsAndEmptiesTheBuffer) {
    TEEPROMMap map;
    TDataRead read;
    read.Buffer = {1, 2, 3};
    read.RFIDSize = 99;
    read.SavedDataReadSrc = 0x80000;
    read.ResultMemStart = 0x40;
    read.AddressOffset = 768;
    read.InitializeReading(SpResultData, map);
    EXPECT_TRUE(read.Buffer.empty());
    EXPECT_EQ(read.AddressOffset, 0u);
    EXPECT_EQ(read.RFIDSize, 99);
    EXPECT_EQ(read.StartAddress, 0x80040u);
}

struct PointerCase {
    const char* name;
    std::uint8_t v;
    bool extended;
    std::uint16_t cfgStart, resCfgStart, resCfgStop, resStart, resStop;
    std::uint32_t savedSrc;
    std::uint32_t cfgAddress;
    std::uint16_t cfgSize;
    std::uint32_t resAddress;
    std::uint16_t resSize;
};

TEST(DataRead, ResultWindows) {
    const PointerCase cases[] = {
        // Offsets counted from StoredTestResultStart; the difference wraps below the window.
        {"extended v5", 5, true, 0x0000, 0x0100, 0x03FF, 0x0400, 0x07FF, 0x80000, 0x7FD00, 768, 0x80000,
         1024},
        {"plain", 5, false, 0x0000, 0x2000, 0x2FFF, 0x3000, 0x3FFF, 0x30000, 0x32000, 4096, 0x33000, 4096},
        // Below version 3 both windows count from StoredConfigurationStart even with ExtendedMemory.
        {"extended v2", 2, true, 0x1000, 0x2000, 0x20FF, 0x2100, 0x21FF, 0x80000, 0x81000, 256, 0x81100, 256},
        {"config start above", 5, false, 0x4000, 0x2000, 0x20FF, 0x2100, 0x21FF, 0x30000, 0x2E000, 256,
         0x2E100, 256},
        // An area of 65536 bytes reads as 0 bytes.
        {"full 64 KiB", 5, false, 0x0000, 0x0000, 0xFFFF, 0x0000, 0xFFFF, 0x30000, 0x30000, 0, 0x30000, 0},
    };
    for (const PointerCase& c : cases) {
        SCOPED_TRACE(c.name);
        TEEPROMMap map;
        map.NonVolatileData.EEPROMVersion = c.v;
        TEEPROMVolatile& vol = map.VolatileData;
        vol.VexoCfgBits.Data = c.extended ? 16 : 0;
        vol.StoredConfigurationStart = c.cfgStart;
        vol.StoredTestResultCfgStart = c.resCfgStart;
        vol.StoredTestResultCfgStop = c.resCfgStop;
        vol.StoredTestResultStart = c.resStart;
        vol.StoredTestResultStop = c.resStop;
        TDataRead read;
        read.SavedDataReadSrc = c.savedSrc;
        read.SetResultStoragePointers(c.v, vol);
        read.InitializeReading(SpResultCfgData, map);
        EXPECT_EQ(read.StartAddress, c.cfgAddress);
        EXPECT_EQ(read.SizeLeft, c.cfgSize);
        read.InitializeReading(SpResultData, map);
        EXPECT_EQ(read.StartAddress, c.resAddress);
        EXPECT_EQ(read.SizeLeft, c.resSize);
    }
}

TEST(DataRead, AreaSizeIsStopMinusStartPlusOne) {
    TEEPROMVolatile vol;
    vol.StoredTestResultStart = 0x0100;
    vol.StoredTestResultStop = 0x01FF;
    TDataRead read;
    read.SetResultStoragePointers(5, vol);
    EXPECT_EQ(read.ResultMemSize, 256u);
}

struct Package {
    std::uint32_t address;
    std::size_t size;
    std::uint8_t first;
    bool update;
    bool operator==(const Package&) const = default;
};

std::vector<Package> AllPackages(TDataWrite& write) {
    std::vector<Package> out;
    std::uint32_t address = 0;
    tByteBuffer package = {9, 9, 9, 9}; // stale bytes must not leak into a package
    while (write.PreparePackage(address, package))
        out.push_back(
            {address, package.size(), package.empty() ? std::uint8_t(0) : package[0], write.Update});
    return out;
}

tByteBuffer Counting(std::size_t n) {
    tByteBuffer b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i / 768 + 1);
    return b;
}

TEST(DataWrite, PackagesAndTheUpdateFlag) {
    struct Case {
        EWriteStep step;
        std::size_t size;
        std::vector<Package> expected;
    };
    const Case cases[] = {
        {WSpConfig, 1000, {{0x00000, 768, 1, false}, {0x00300, 232, 2, true}}},
        {WSpConfig, 768, {{0x00000, 768, 1, true}}},
        {WSpRFID, 10, {{0x40000, 10, 1, true}}},
        {WSpEraseRFID, 800, {{0x40000, 768, 1, false}, {0x40300, 32, 2, false}}},
        {WSpConfig, 0, {}},
        {WSpNoWrite, 100, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << int(c.step) << " size " << c.size);
        TDataWrite write;
        write.Init(c.step, Counting(c.size), false);
        EXPECT_EQ(AllPackages(write), c.expected);
        EXPECT_EQ(write.WriteStep, WSpNoWrite);
        EXPECT_FALSE(write.Reset);
    }
}

TEST(DataWrite, InitResetsTheFlags) {
    TDataWrite write;
    EXPECT_EQ(write.WriteStep, WSpRFID);
    write.Init(WSpConfig, Counting(10), true);
    std::uint32_t address = 0;
    tByteBuffer package;
    ASSERT_TRUE(write.PreparePackage(address, package));
    EXPECT_TRUE(write.Update);
    write.Init(WSpConfig, Counting(1000), true);
    EXPECT_FALSE(write.Update);
    EXPECT_TRUE(write.SavePermanent);
    EXPECT_EQ(write.SizeOverall, 1000);
    EXPECT_EQ(write.SizeLeft, 1000);
    EXPECT_EQ(write.AbsStartAddress, 0u);
    write.Init(WSpNoWrite, Counting(10), false);
    EXPECT_EQ(write.SizeLeft, 0);
    EXPECT_EQ(write.SizeOverall, 10);
}

} // namespace

namespace {

TEST(DataRead, StoragePointerBlocks) {
    tByteBuffer block;
    std::uint32_t c = 0;
    for (std::uint16_t w = 1; w <= 13; ++w) BufWriteWord(block, c, static_cast<std::uint16_t>(w * 0x101));
    TEEPROMVolatile vol;
    StoreStoragePointerWords(vol, block, 0); // Read/Write words first, then Start/Stop
    EXPECT_EQ(vol.StoredConfigurationReadPtr, 0x0101);
    EXPECT_EQ(vol.StoredTestResultWritePtr, 0x0606);
    EXPECT_EQ(vol.StoredConfigurationStart, 0x0707);
    EXPECT_EQ(vol.StoredTestResultStop, 0x0C0C);
    EXPECT_EQ(vol.StoredLastTestResult, 0);

    TEEPROMVolatile abs;
    StoreStoragePointerWords(abs, block, 1);
    EXPECT_EQ(abs.StoredConfigurationStart, 0x0101);
    EXPECT_EQ(abs.StoredTestResultStop, 0x0606);
    EXPECT_EQ(abs.StoredConfigurationReadPtr, 0);

    StoreStoragePointerWords(abs, block, 2);
    EXPECT_EQ(abs.StoredConfigurationReadPtr, 0x0101);
    EXPECT_EQ(abs.StoredLastTestResult, 0x0707);
    EXPECT_EQ(abs.StoredConfigurationStart, 0x0101) << "kind 2 leaves Start/Stop";

    // A short block reads zeros for what is missing.
    StoreStoragePointerWords(abs, tByteBuffer{0x34, 0x12, 0x78}, 1);
    EXPECT_EQ(abs.StoredConfigurationStart, 0x1234);
    EXPECT_EQ(abs.StoredConfigurationStop, 0x0078);
    EXPECT_EQ(abs.StoredTestResultStop, 0);
}

} // namespace
