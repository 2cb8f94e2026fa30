#pragma once
// Block-wise transfer of reader memory: the state of one read step and of one
// write, with the addresses and sizes that depend on the EEPROM map.
#include <cstdint>

#include "ExtTypes.h"
#include "VexoEEPROM15.h"

// Largest block or package of one transfer command.
constexpr std::uint16_t MaxTransferBlock = 768;

constexpr std::uint32_t AddrConfiguration = 0x00000;
constexpr std::uint32_t AddrMeasurementResult = 0x20000;
constexpr std::uint32_t AddrStorageWindow = 0x30000;
constexpr std::uint32_t AddrRFID = 0x40000;
constexpr std::uint32_t AddrEEPROM = 0x50000;
constexpr std::uint32_t AddrVolatile = 0x50080;
constexpr std::uint32_t AddrCfgBits_0 = 0x5007C;
constexpr std::uint32_t AddrExtendedResultWindow = 0x80000;

enum EReadStep : std::uint8_t {
    SpNonVolatileSN,
    SpVolatilePtAbs,
    SpVolatilePtRel,
    SpVolatilePt,
    SpResultCfgData,
    SpResultData,
    SpTestConfigs,
    SpConfiguration,
    SpVexoConfigBits,
    SpMeasurementResult,
    SpRFID,
    SpVexoConfigBits_0,
    SpWhiteGain,
    SpNoRead
};

class TDataRead {
public:
    EReadStep ReadStep = SpNoRead;
    tByteBuffer Buffer;
    std::uint32_t StartAddress = 0;
    std::uint32_t AddressOffset = 0;
    std::uint16_t SizeLeft = 0;
    std::uint16_t RFIDSize = 0;
    std::uint32_t ResultMemStart = 0;
    std::uint32_t ResultMemSize = 0;
    std::uint32_t ResultCfgMemStart = 0;
    std::uint32_t ResultCfgMemSize = 0;
    std::uint32_t SavedDataReadSrc = 0;

    // Starts a step: empties Buffer and takes address and size from the step table.
    void InitializeReading(EReadStep NewReadStep, const TEEPROMMap& EEPROMMap);
    // The next block of at most 768 bytes.
    void PrepareNextBlock(std::uint16_t& Size, std::uint32_t& Address);
    // Windows of the two result areas, from the Start/Stop words of the volatile block.
    void SetResultStoragePointers(std::uint8_t EEPROMVersion, const TEEPROMVolatile& EEPROMVolatile);

    // Start address and size of a step by the step table.
    std::uint32_t StepStartAddress(EReadStep step, const TEEPROMMap& EEPROMMap) const;
    std::uint16_t StepSize(EReadStep step, const TEEPROMMap& EEPROMMap) const;
};

// Reads the pointer words of a storage pointer block into the volatile block, in
// the block's order. Kind 0: the 24-byte block of versions 1-2 (Read/Write words,
// then Start/Stop words); kind 1: the six Start/Stop words; kind 2: the six
// Read/Write words and StoredLastTestResult. Missing bytes read as 0.
void StoreStoragePointerWords(TEEPROMVolatile& Volatile, const tByteBuffer& Block, int Kind);

enum EWriteStep : std::uint8_t { WSpRFID, WSpConfig, WSpEraseRFID, WSpNoWrite };

class TDataWrite {
public:
    EWriteStep WriteStep = WSpRFID;
    tByteBuffer Buffer;
    std::uint32_t AbsStartAddress = 0;
    std::uint32_t AddressOffset = 0;
    std::uint16_t SizeOverall = 0;
    std::uint16_t SizeLeft = 0;
    std::uint16_t RFIDSize = 0;
    bool Update = false;
    bool Reset = false;
    bool SavePermanent = false;

    void Init(EWriteStep NewWriteStep, const tByteBuffer& Content, bool SavePerm);
    // Fills PackageBuffer with the next package (at most 768 bytes); false when nothing is left.
    bool PreparePackage(std::uint32_t& Address, tByteBuffer& PackageBuffer);
};
