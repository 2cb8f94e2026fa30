#include "VexoReadWrite.h"

std::uint32_t TDataRead::StepStartAddress(EReadStep step, const TEEPROMMap& map) const {
    const std::uint8_t v = map.EEPROMVersion();
    switch (step) {
    case SpNonVolatileSN: return AddrEEPROM;
    case SpVolatilePtAbs: return StoragePtrAbsAddress(v);
    case SpVolatilePtRel: return StoragePtrRelAddress(v);
    case SpVolatilePt: return 0x500A2;
    case SpResultCfgData: return SavedDataReadSrc + ResultCfgMemStart;
    case SpResultData: return SavedDataReadSrc + ResultMemStart;
    case SpTestConfigs: return AddrStorageWindow;
    case SpConfiguration: return AddrConfiguration;
    case SpVexoConfigBits: return AddrVolatile;
    case SpMeasurementResult: return AddrMeasurementResult;
    case SpRFID: return AddrRFID;
    case SpVexoConfigBits_0: return AddrCfgBits_0;
    case SpWhiteGain: return WhiteGainAddress(v);
    case SpNoRead: return 0;
    }
    return 0;
}

std::uint16_t TDataRead::StepSize(EReadStep step, const TEEPROMMap& map) const {
    const std::uint8_t v = map.EEPROMVersion();
    const TEEPROMVolatile& vol = map.VolatileData;
    switch (step) {
    case SpNonVolatileSN: return 13;
    case SpVolatilePtAbs: return StoragePtrAbsSize(v);
    case SpVolatilePtRel: return 14;
    case SpVolatilePt: return 24;
    // Sizes above 65535 keep their low 16 bits.
    case SpResultCfgData: return static_cast<std::uint16_t>(ResultCfgMemSize);
    case SpResultData: return static_cast<std::uint16_t>(ResultMemSize);
    case SpTestConfigs:
        return static_cast<std::uint16_t>(vol.StoredConfigurationStop - vol.StoredConfigurationStart);
    case SpConfiguration: return ConfigurationBlockSize(v, vol.VexoCfgBits.ExtendedMemory());
    case SpVexoConfigBits: return 4;
    case SpMeasurementResult: return MeasurementResultBlockSize(v);
    case SpRFID: return RFIDSize;
    case SpVexoConfigBits_0: return 4;
    case SpWhiteGain: return 10;
    case SpNoRead: return 0;
    }
    return 0;
}

void TDataRead::InitializeReading(EReadStep NewReadStep, const TEEPROMMap& EEPROMMap) {
    ReadStep = NewReadStep;
    Buffer.clear();
    AddressOffset = 0;
    StartAddress = StepStartAddress(NewReadStep, EEPROMMap);
    SizeLeft = StepSize(NewReadStep, EEPROMMap);
}

void TDataRead::PrepareNextBlock(std::uint16_t& Size, std::uint32_t& Address) {
    Address = StartAddress + AddressOffset;
    if (SizeLeft <= MaxTransferBlock) {
        Size = SizeLeft;
        SizeLeft = 0;
    } else {
        Size = MaxTransferBlock;
        SizeLeft -= MaxTransferBlock;
        AddressOffset += MaxTransferBlock;
    }
}

void TDataRead::SetResultStoragePointers(std::uint8_t EEPROMVersion, const TEEPROMVolatile& vol) {
    // Differences of the 16-bit words; a negative one wraps as a 32-bit value.
    auto diff = [](std::uint16_t a, std::uint16_t b) {
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(a) - static_cast<std::int32_t>(b));
    };
    if (ResultOffsetsFromResultStart(EEPROMVersion, vol.VexoCfgBits.ExtendedMemory())) {
        ResultMemStart = 0;
        ResultCfgMemStart = diff(vol.StoredTestResultCfgStart, vol.StoredTestResultStart);
    } else {
        ResultMemStart = diff(vol.StoredTestResultStart, vol.StoredConfigurationStart);
        ResultCfgMemStart = diff(vol.StoredTestResultCfgStart, vol.StoredConfigurationStart);
    }
    ResultMemSize = diff(vol.StoredTestResultStop, vol.StoredTestResultStart) + 1;
    ResultCfgMemSize = diff(vol.StoredTestResultCfgStop, vol.StoredTestResultCfgStart) + 1;
}

void StoreStoragePointerWords(TEEPROMVolatile& vol, const tByteBuffer& Block, int Kind) {
    std::uint16_t* startStop[] = {&vol.StoredConfigurationStart, &vol.StoredConfigurationStop,
                                  &vol.StoredTestResultCfgStart, &vol.StoredTestResultCfgStop,
                                  &vol.StoredTestResultStart,    &vol.StoredTestResultStop};
    std::uint16_t* readWrite[] = {&vol.StoredConfigurationReadPtr, &vol.StoredConfigurationWritePtr,
                                  &vol.StoredTestResultCfgReadPtr, &vol.StoredTestResultCfgWritePtr,
                                  &vol.StoredTestResultReadPtr,    &vol.StoredTestResultWritePtr};
    std::uint32_t c = 0;
    if (Kind == 0 || Kind == 2)
        for (std::uint16_t* w : readWrite) *w = BufReadWord(Block, c);
    if (Kind == 0 || Kind == 1)
        for (std::uint16_t* w : startStop) *w = BufReadWord(Block, c);
    if (Kind == 2) vol.StoredLastTestResult = BufReadWord(Block, c);
}

void TDataWrite::Init(EWriteStep NewWriteStep, const tByteBuffer& Content, bool SavePerm) {
    WriteStep = NewWriteStep;
    Buffer = Content;
    SizeOverall = static_cast<std::uint16_t>(Content.size());
    SizeLeft = SizeOverall;
    AddressOffset = 0;
    Update = false;
    Reset = false;
    SavePermanent = SavePerm;
    AbsStartAddress = (NewWriteStep == WSpRFID || NewWriteStep == WSpEraseRFID) ? AddrRFID : 0;
    if (NewWriteStep == WSpNoWrite) SizeLeft = 0;
}

bool TDataWrite::PreparePackage(std::uint32_t& Address, tByteBuffer& PackageBuffer) {
    if (WriteStep == WSpNoWrite) return false;
    if (SizeLeft == 0) {
        WriteStep = WSpNoWrite;
        return false;
    }
    std::uint16_t size = SizeLeft <= MaxTransferBlock ? SizeLeft : MaxTransferBlock;
    Address = AbsStartAddress + AddressOffset;
    // Exactly the package's bytes, whatever the caller's buffer held before.
    PackageBuffer.assign(size, 0);
    for (std::uint16_t i = 0; i < size && AddressOffset + i < Buffer.size(); ++i)
        PackageBuffer[i] = Buffer[AddressOffset + i];
    if (SizeLeft <= MaxTransferBlock) {
        SizeLeft = 0;
        if (WriteStep == WSpRFID || WriteStep == WSpConfig) Update = true;
    } else {
        SizeLeft -= MaxTransferBlock;
        AddressOffset += MaxTransferBlock;
    }
    return true;
}
