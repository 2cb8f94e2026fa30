#pragma once
// The program's copy of the reader's 256-byte EEPROM: identity, feature bits and
// the storage pointers of its results database, plus the memory-layout rules
// that depend on the EEPROM version.
#include <array>
#include <cstdint>

#include "ExtTypes.h"

// Descriptors of the configuration bits (position * 256 + 1).
constexpr std::uint32_t CfgBitClockAvailable = 0x301;
constexpr std::uint32_t CfgBitExtendedMemory = 0x401;
constexpr std::uint32_t CfgBitRFIDTestCard = 0x501;
constexpr std::uint32_t CfgBitInstantMeasureAllowed = 0x1201;
constexpr std::uint32_t CfgBitTimerMeasureAllowed = 0x1301;
constexpr std::uint32_t CfgBitStoresLineData = 0x1701;
constexpr std::uint32_t CfgBitStoresImageData = 0x1801;

// Volatile configuration bits.
struct TVexoConfigBits {
    std::uint32_t Data = 0;
    bool IsSet(std::uint32_t descriptor) const;
    bool ClockAvailable() const { return IsSet(CfgBitClockAvailable); }
    bool ExtendedMemory() const { return IsSet(CfgBitExtendedMemory); }
    bool RFIDTestCard() const { return IsSet(CfgBitRFIDTestCard); }
    bool operator==(const TVexoConfigBits&) const = default;
};

// Non-volatile configuration bits.
struct TVexoConfigBits_0 {
    std::uint32_t Data = 0;
    bool IsSet(std::uint32_t descriptor) const;
    bool InstantMeasureAllowed() const { return IsSet(CfgBitInstantMeasureAllowed); }
    bool TimerMeasureAllowed() const { return IsSet(CfgBitTimerMeasureAllowed); }
    bool StoresLineData() const { return IsSet(CfgBitStoresLineData); }
    bool StoresImageData() const { return IsSet(CfgBitStoresImageData); }
    bool operator==(const TVexoConfigBits_0&) const = default;
};

constexpr std::uint32_t EEPROMBlockSize = 128;

// Block at reader address 0x50000; 128 bytes packed little-endian.
struct TEEPROMNonVolatile {
    std::uint8_t EEPROMVersion = 0;
    std::uint32_t LunderixSerialNumber = 0;
    std::uint16_t CustomerNumber = 0;
    std::uint16_t ProjectNumber = 0;
    std::uint8_t ProductionWeek = 0;
    std::uint8_t ProductionYear = 0;
    std::uint16_t SerialNumber = 0;
    std::array<std::uint8_t, 36> OtherData{};
    std::uint16_t NominalWhiteValue = 0;
    std::array<std::uint8_t, 8> ImageTargetGain{};
    std::array<std::uint8_t, 65> OtherData2{};
    TVexoConfigBits_0 VexoCfgBits_0;

    // The 128-byte image of the block.
    tByteBuffer ToImage() const;
    // Fills every field from an image; missing bytes read as 0.
    void FromImage(const tByteBuffer& image);
    // Overwrites image bytes from offset on (bytes past the block are ignored).
    void WriteImageBytes(std::uint32_t offset, const tByteBuffer& bytes);
    bool operator==(const TEEPROMNonVolatile&) const = default;
};

// Block at reader address 0x50080 (layout of EEPROM version 5 and later).
struct TEEPROMVolatile {
    TVexoConfigBits VexoCfgBits;
    std::array<std::uint8_t, 28> OtherData{};
    std::uint16_t StoredConfigurationStart = 0;
    std::uint16_t StoredConfigurationStop = 0;
    std::uint16_t StoredTestResultCfgStart = 0;
    std::uint16_t StoredTestResultCfgStop = 0;
    std::uint16_t StoredTestResultStart = 0;
    std::uint16_t StoredTestResultStop = 0;
    std::array<std::uint8_t, 6> OtherData2{};
    std::uint16_t StoredConfigurationReadPtr = 0;
    std::uint16_t StoredConfigurationWritePtr = 0;
    std::uint16_t StoredTestResultCfgReadPtr = 0;
    std::uint16_t StoredTestResultCfgWritePtr = 0;
    std::uint16_t StoredTestResultReadPtr = 0;
    std::uint16_t StoredTestResultWritePtr = 0;
    std::uint16_t StoredLastTestResult = 0;
    std::array<std::uint8_t, 64> OtherData3{};

    tByteBuffer ToImage() const;
    void FromImage(const tByteBuffer& image);
    void WriteImageBytes(std::uint32_t offset, const tByteBuffer& bytes);
    bool operator==(const TEEPROMVolatile&) const = default;
};

constexpr std::uint32_t WhiteImageRowSize = 386;

class TEEPROMMap {
public:
    TEEPROMNonVolatile NonVolatileData;
    TEEPROMVolatile VolatileData;
    std::array<std::array<std::uint8_t, WhiteImageRowSize>, 2> WhiteImage{};

    TEEPROMMap() { Init(); }
    void Init() { Reset(); }
    // Clears everything, so a newly connected reader starts as version 0.
    void Reset();

    std::uint8_t EEPROMVersion() const { return NonVolatileData.EEPROMVersion; }
};

// Rules that depend on the EEPROM version v.

// Start/Stop words (v 3..4 and 5+) or the whole 24-byte pointer block (v 1..2).
std::uint32_t StoragePtrAbsAddress(std::uint8_t v);
std::uint16_t StoragePtrAbsSize(std::uint8_t v);
// Read/Write words and StoredLastTestResult (14 bytes); not read for v 1..2.
std::uint32_t StoragePtrRelAddress(std::uint8_t v);
// Versions 1 and 2 hold every pointer in one block at 0x500A2.
bool StoragePtrInOneBlock(std::uint8_t v);
std::uint32_t WhiteGainAddress(std::uint8_t v);
// From version 3 on, ExtendedMemory readers count result offsets from StoredTestResultStart.
bool ResultOffsetsFromResultStart(std::uint8_t v, bool extendedMemory);
std::uint16_t ConfigurationBlockSize(std::uint8_t v, bool extendedMemory);
std::uint16_t MeasurementResultBlockSize(std::uint8_t v);
std::uint32_t ResultCfgHeaderSize(std::uint8_t v);
std::uint32_t ResultHeaderSize(std::uint8_t v);
std::uint32_t StoredLineDataSize(std::uint8_t v);
// Bits 18/19 and the reader's button control apply from version 5 on.
bool NonVolatileCfgBitsApply(std::uint8_t v);
