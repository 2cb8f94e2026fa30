#include "VexoEEPROM15.h"

#include "Tools.h"

bool TVexoConfigBits::IsSet(std::uint32_t descriptor) const {
    return GetBitField32(Data, descriptor) == 1;
}
bool TVexoConfigBits_0::IsSet(std::uint32_t descriptor) const {
    return GetBitField32(Data, descriptor) == 1;
}

namespace {

template <std::size_t N>
void WriteBytes(tByteBuffer& buffer, std::uint32_t& cursor, const std::array<std::uint8_t, N>& bytes) {
    for (std::uint8_t b : bytes) BufWriteByte(buffer, cursor, b);
}

template <std::size_t N>
void ReadBytes(const tByteBuffer& buffer, std::uint32_t& cursor, std::array<std::uint8_t, N>& bytes) {
    for (std::uint8_t& b : bytes) b = BufReadByte(buffer, cursor);
}

template <typename Block> void PatchImage(Block& block, std::uint32_t offset, const tByteBuffer& bytes) {
    tByteBuffer image = block.ToImage();
    for (std::size_t i = 0; i < bytes.size() && offset + i < EEPROMBlockSize; ++i)
        image[offset + i] = bytes[i];
    block.FromImage(image);
}

} // namespace

tByteBuffer TEEPROMNonVolatile::ToImage() const {
    tByteBuffer image;
    image.reserve(EEPROMBlockSize);
    std::uint32_t c = 0;
    BufWriteByte(image, c, EEPROMVersion);
    BufWriteDWord(image, c, LunderixSerialNumber);
    BufWriteWord(image, c, CustomerNumber);
    BufWriteWord(image, c, ProjectNumber);
    BufWriteByte(image, c, ProductionWeek);
    BufWriteByte(image, c, ProductionYear);
    BufWriteWord(image, c, SerialNumber);
    WriteBytes(image, c, OtherData);
    BufWriteWord(image, c, NominalWhiteValue);
    WriteBytes(image, c, ImageTargetGain);
    WriteBytes(image, c, OtherData2);
    BufWriteDWord(image, c, VexoCfgBits_0.Data);
    return image;
}

void TEEPROMNonVolatile::FromImage(const tByteBuffer& image) {
    std::uint32_t c = 0;
    EEPROMVersion = BufReadByte(image, c);
    LunderixSerialNumber = BufReadDWord(image, c);
    CustomerNumber = BufReadWord(image, c);
    ProjectNumber = BufReadWord(image, c);
    ProductionWeek = BufReadByte(image, c);
    ProductionYear = BufReadByte(image, c);
    SerialNumber = BufReadWord(image, c);
    ReadBytes(image, c, OtherData);
    NominalWhiteValue = BufReadWord(image, c);
    ReadBytes(image, c, ImageTargetGain);
    ReadBytes(image, c, OtherData2);
    VexoCfgBits_0.Data = BufReadDWord(image, c);
}

void TEEPROMNonVolatile::WriteImageBytes(std::uint32_t offset, const tByteBuffer& bytes) {
    PatchImage(*this, offset, bytes);
}

tByteBuffer TEEPROMVolatile::ToImage() const {
    tByteBuffer image;
    image.reserve(EEPROMBlockSize);
    std::uint32_t c = 0;
    BufWriteDWord(image, c, VexoCfgBits.Data);
    WriteBytes(image, c, OtherData);
    for (std::uint16_t w : {StoredConfigurationStart, StoredConfigurationStop, StoredTestResultCfgStart,
                            StoredTestResultCfgStop, StoredTestResultStart, StoredTestResultStop})
        BufWriteWord(image, c, w);
    WriteBytes(image, c, OtherData2);
    for (std::uint16_t w : {StoredConfigurationReadPtr, StoredConfigurationWritePtr,
                            StoredTestResultCfgReadPtr, StoredTestResultCfgWritePtr, StoredTestResultReadPtr,
                            StoredTestResultWritePtr, StoredLastTestResult})
        BufWriteWord(image, c, w);
    WriteBytes(image, c, OtherData3);
    return image;
}

void TEEPROMVolatile::FromImage(const tByteBuffer& image) {
    std::uint32_t c = 0;
    VexoCfgBits.Data = BufReadDWord(image, c);
    ReadBytes(image, c, OtherData);
    for (std::uint16_t* w : {&StoredConfigurationStart, &StoredConfigurationStop, &StoredTestResultCfgStart,
                             &StoredTestResultCfgStop, &StoredTestResultStart, &StoredTestResultStop})
        *w = BufReadWord(image, c);
    ReadBytes(image, c, OtherData2);
    for (std::uint16_t* w : {&StoredConfigurationReadPtr, &StoredConfigurationWritePtr,
                             &StoredTestResultCfgReadPtr, &StoredTestResultCfgWritePtr,
                             &StoredTestResultReadPtr, &StoredTestResultWritePtr, &StoredLastTestResult})
        *w = BufReadWord(image, c);
    ReadBytes(image, c, OtherData3);
}

void TEEPROMVolatile::WriteImageBytes(std::uint32_t offset, const tByteBuffer& bytes) {
    PatchImage(*this, offset, bytes);
}

void TEEPROMMap::Reset() {
    NonVolatileData = TEEPROMNonVolatile{};
    VolatileData = TEEPROMVolatile{};
    for (auto& row : WhiteImage) row.fill(0);
}

std::uint32_t StoragePtrAbsAddress(std::uint8_t v) {
    if (v == 1 || v == 2) return 0x500A2;
    if (v == 3 || v == 4) return 0x5009C;
    return 0x500A0;
}

std::uint16_t StoragePtrAbsSize(std::uint8_t v) {
    return StoragePtrInOneBlock(v) ? 24 : 12;
}

std::uint32_t StoragePtrRelAddress(std::uint8_t v) {
    return (v == 3 || v == 4) ? 0x500AE : 0x500B2;
}

bool StoragePtrInOneBlock(std::uint8_t v) {
    return v == 1 || v == 2;
}

std::uint32_t WhiteGainAddress(std::uint8_t v) {
    return v < 3 ? 0x5002E : 0x50031;
}

bool ResultOffsetsFromResultStart(std::uint8_t v, bool extendedMemory) {
    return v >= 3 && extendedMemory;
}

std::uint16_t ConfigurationBlockSize(std::uint8_t v, bool extendedMemory) {
    return (v >= 5 && extendedMemory) ? 4096 : 1248;
}

std::uint16_t MeasurementResultBlockSize(std::uint8_t v) {
    if (v <= 4) return 346;
    if (v == 5) return 356;
    return 316;
}

std::uint32_t ResultCfgHeaderSize(std::uint8_t v) {
    return v <= 5 ? 19 : 23;
}
std::uint32_t ResultHeaderSize(std::uint8_t v) {
    return v <= 5 ? 16 : 18;
}
std::uint32_t StoredLineDataSize(std::uint8_t v) {
    return v >= 6 ? 24 : 28;
}
bool NonVolatileCfgBitsApply(std::uint8_t v) {
    return v >= 5;
}
