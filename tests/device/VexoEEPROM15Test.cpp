#include "VexoEEPROM15.h"
#include "VexoReadWrite.h"

#include <gtest/gtest.h>

namespace {

TEST(EEPROMMap, FreshMapIsVersionZeroWithEverythingOff) {
    TEEPROMMap map;
    EXPECT_EQ(map.EEPROMVersion(), 0);
    EXPECT_EQ(map.NonVolatileData.ToImage(), tByteBuffer(128, 0));
    EXPECT_EQ(map.VolatileData.ToImage(), tByteBuffer(128, 0));
    EXPECT_FALSE(map.VolatileData.VexoCfgBits.ClockAvailable());
    EXPECT_FALSE(map.VolatileData.VexoCfgBits.ExtendedMemory());
    EXPECT_FALSE(map.NonVolatileData.VexoCfgBits_0.StoresLineData());
    TDataRead read;
    read.InitializeReading(SpVolatilePtAbs, map);
    EXPECT_EQ(read.StartAddress, 0x500A0u);
    read.InitializeReading(SpVolatilePtRel, map);
    EXPECT_EQ(read.StartAddress, 0x500B2u);
    read.InitializeReading(SpWhiteGain, map);
    EXPECT_EQ(read.StartAddress, 0x5002Eu);
}

TEST(EEPROMMap, FieldsSitAtTheirImageOffsets) {
    TEEPROMNonVolatile nv;
    nv.EEPROMVersion = 6;
    nv.LunderixSerialNumber = 0x04030201;
    nv.SerialNumber = 0x0B0A;
    nv.NominalWhiteValue = 0x3231;
    nv.VexoCfgBits_0.Data = 0x7F7E7D7C;
    tByteBuffer img = nv.ToImage();
    ASSERT_EQ(img.size(), 128u);
    EXPECT_EQ(img[0], 6);
    EXPECT_EQ(img[1], 0x01);
    EXPECT_EQ(img[4], 0x04);
    EXPECT_EQ(img[11], 0x0A);
    EXPECT_EQ(img[12], 0x0B);
    EXPECT_EQ(img[49], 0x31);
    EXPECT_EQ(img[124], 0x7C);
    EXPECT_EQ(img[127], 0x7F);
    TEEPROMNonVolatile back;
    back.FromImage(img);
    EXPECT_EQ(back, nv);

    TEEPROMVolatile vol;
    vol.VexoCfgBits.Data = 0x10;
    vol.StoredConfigurationStart = 0x2120;
    vol.StoredTestResultStop = 0x2B2A;
    vol.StoredConfigurationReadPtr = 0x3332;
    vol.StoredTestResultCfgReadPtr = 0x3736;
    vol.StoredLastTestResult = 0x3F3E;
    img = vol.ToImage();
    ASSERT_EQ(img.size(), 128u);
    EXPECT_EQ(img[0], 0x10);
    EXPECT_EQ(img[32], 0x20);
    EXPECT_EQ(img[43], 0x2B);
    EXPECT_EQ(img[50], 0x32);
    EXPECT_EQ(img[54], 0x36);
    EXPECT_EQ(img[63], 0x3F);
    TEEPROMVolatile vback;
    vback.FromImage(img);
    EXPECT_EQ(vback, vol);
}

TEST(EEPROMMap, IdentificationBytesPatchTheFirstThirteenBytes) {
    TEEPROMMap map;
    map.NonVolatileData.NominalWhiteValue = 500;
    tByteBuffer id = {5, 1, 0, 0, 0, 12, 0, 3, 0, 32, 19, 42, 0};
    map.NonVolatileData.WriteImageBytes(0, id);
    EXPECT_EQ(map.EEPROMVersion(), 5);
    EXPECT_EQ(map.NonVolatileData.LunderixSerialNumber, 1u);
    EXPECT_EQ(map.NonVolatileData.CustomerNumber, 12);
    EXPECT_EQ(map.NonVolatileData.ProjectNumber, 3);
    EXPECT_EQ(map.NonVolatileData.ProductionWeek, 32);
    EXPECT_EQ(map.NonVolatileData.ProductionYear, 19);
    EXPECT_EQ(map.NonVolatileData.SerialNumber, 42);
    EXPECT_EQ(map.NonVolatileData.NominalWhiteValue, 500);
    // Bytes past the block are dropped, not written elsewhere.
    map.VolatileData.WriteImageBytes(126, {1, 2, 3, 4});
    EXPECT_EQ(map.VolatileData.OtherData3[62], 1);
    EXPECT_EQ(map.VolatileData.OtherData3[63], 2);
}

TEST(EEPROMMap, ConfigurationBits) {
    struct Case {
        std::uint32_t volatileBits, nonVolatileBits;
        bool clock, extended, rfid, instant, timer, lines, image;
    };
    const Case cases[] = {
        {16, 0, false, true, false, false, false, false, false},
        {8, 0, true, false, false, false, false, false, false},
        {32, 0, false, false, true, false, false, false, false},
        {0, 1u << 18, false, false, false, true, false, false, false},
        {0, 1u << 19, false, false, false, false, true, false, false},
        {0, 1u << 23, false, false, false, false, false, true, false},
        {0, 1u << 24, false, false, false, false, false, false, true},
        {0xFFFFFFFF, 0xFFFFFFFF, true, true, true, true, true, true, true},
    };
    for (const Case& c : cases) {
        TVexoConfigBits v{c.volatileBits};
        TVexoConfigBits_0 nv{c.nonVolatileBits};
        SCOPED_TRACE(c.volatileBits);
        SCOPED_TRACE(c.nonVolatileBits);
        EXPECT_EQ(v.ClockAvailable(), c.clock);
        EXPECT_EQ(v.ExtendedMemory(), c.extended);
        EXPECT_EQ(v.RFIDTestCard(), c.rfid);
        EXPECT_EQ(nv.InstantMeasureAllowed(), c.instant);
        EXPECT_EQ(nv.TimerMeasureAllowed(), c.timer);
        EXPECT_EQ(nv.StoresLineData(), c.lines);
        EXPECT_EQ(nv.StoresImageData(), c.image);
    }
}

TEST(EEPROMMap, VersionTable) {
    struct Case {
        std::uint8_t v;
        std::uint32_t absAddr;
        std::uint16_t absSize;
        std::uint32_t relAddr, white;
        std::uint16_t cfgPlain, cfgExtended, resultBlock;
        std::uint32_t cfgHeader, resultHeader, lineSize;
        bool nvBits;
    };
    const Case cases[] = {
        {0, 0x500A0, 12, 0x500B2, 0x5002E, 1248, 1248, 346, 19, 16, 28, false},
        {1, 0x500A2, 24, 0x500B2, 0x5002E, 1248, 1248, 346, 19, 16, 28, false},
        {2, 0x500A2, 24, 0x500B2, 0x5002E, 1248, 1248, 346, 19, 16, 28, false},
        {3, 0x5009C, 12, 0x500AE, 0x50031, 1248, 1248, 346, 19, 16, 28, false},
        {4, 0x5009C, 12, 0x500AE, 0x50031, 1248, 1248, 346, 19, 16, 28, false},
        {5, 0x500A0, 12, 0x500B2, 0x50031, 1248, 4096, 356, 19, 16, 28, true},
        {6, 0x500A0, 12, 0x500B2, 0x50031, 1248, 4096, 316, 23, 18, 24, true},
        {9, 0x500A0, 12, 0x500B2, 0x50031, 1248, 4096, 316, 23, 18, 24, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.v));
        EXPECT_EQ(StoragePtrAbsAddress(c.v), c.absAddr);
        EXPECT_EQ(StoragePtrAbsSize(c.v), c.absSize);
        EXPECT_EQ(StoragePtrInOneBlock(c.v), c.absSize == 24);
        EXPECT_EQ(StoragePtrRelAddress(c.v), c.relAddr);
        EXPECT_EQ(WhiteGainAddress(c.v), c.white);
        EXPECT_EQ(ConfigurationBlockSize(c.v, false), c.cfgPlain);
        EXPECT_EQ(ConfigurationBlockSize(c.v, true), c.cfgExtended);
        EXPECT_EQ(MeasurementResultBlockSize(c.v), c.resultBlock);
        EXPECT_EQ(ResultCfgHeaderSize(c.v), c.cfgHeader);
        EXPECT_EQ(ResultHeaderSize(c.v), c.resultHeader);
        EXPECT_EQ(StoredLineDataSize(c.v), c.lineSize);
        EXPECT_EQ(NonVolatileCfgBitsApply(c.v), c.nvBits);
        EXPECT_EQ(ResultOffsetsFromResultStart(c.v, true), c.v >= 3);
        EXPECT_FALSE(ResultOffsetsFromResultStart(c.v, false));
    }
}

TEST(EEPROMMap, ResetClearsAReaderCompletely) {
    TEEPROMMap map;
    map.NonVolatileData.FromImage(tByteBuffer(128, 0xA5));
    map.VolatileData.FromImage(tByteBuffer(128, 0x5A));
    map.WhiteImage[1][385] = 7;
    map.Reset();
    EXPECT_EQ(map.NonVolatileData.ToImage(), tByteBuffer(128, 0));
    EXPECT_EQ(map.VolatileData.ToImage(), tByteBuffer(128, 0));
    EXPECT_EQ(map.WhiteImage[1][385], 0);
    EXPECT_EQ(map.EEPROMVersion(), 0);
}

} // namespace
