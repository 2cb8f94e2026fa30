#include "TestConfiguration.h"

#include <algorithm>

#include "Tools.h"

namespace {

constexpr std::uint32_t DescLineCount = 0x04;
constexpr std::uint32_t DescFilterCount = 0x44;
constexpr std::uint32_t DescResultCount = 0x04;
constexpr std::uint32_t DescClassCount = 0x85;
constexpr std::uint32_t DescWhiteCleared = 0x41;
constexpr std::uint32_t DescIsReference = 0x01;
constexpr std::uint32_t DescShowValue = 0x01;
constexpr std::uint32_t DescHasClasses = 0x11;
constexpr std::uint32_t DescDigits = 0x04;
constexpr std::uint32_t DescDecimals = 0x44;
constexpr std::uint32_t DescRangeCount = 0x03;
constexpr std::uint32_t DescRangeFirst = 0x35;

// With the white block cleared the form carries 384 zero bytes and a size of 256.
constexpr std::uint16_t ClearedWhiteValues = 256;
constexpr std::uint32_t ClearedWhiteBytes = 384;

std::uint32_t WhiteBytes(std::uint32_t valueCount) {
    return (3 * valueCount) / 2;
}

void ReadLineEntry(const tByteBuffer& b, std::uint32_t& c, TLineEntry& e) {
    e.Flags = BufReadByte(b, c);
    e.Position = static_cast<std::int16_t>(BufReadWord(b, c));
    e.LineWidth = BufReadByte(b, c) & 0xFE;
    e.SearchWidth = BufReadByte(b, c) & 0xFE;
    e.Param1 = BufReadWord(b, c);
    e.Param2 = BufReadWord(b, c);
}

void WriteLineEntry(tByteBuffer& b, std::uint32_t& c, const TLineEntry& e) {
    BufWriteByte(b, c, e.Flags);
    BufWriteWord(b, c, static_cast<std::uint16_t>(e.Position));
    BufWriteByte(b, c, e.LineWidth);
    BufWriteByte(b, c, e.SearchWidth);
    BufWriteWord(b, c, e.Param1);
    BufWriteWord(b, c, e.Param2);
}

void WriteResultEntry(tByteBuffer& b, std::uint32_t& c, const TResultEntry& e) {
    BufWriteByte(b, c, e.Flags);
    BufWriteSingle(b, c, e.LowerLimit);
    BufWriteSingle(b, c, e.UpperLimit);
    BufWriteByte(b, c, e.DisplayFormat);
    BufWriteByte(b, c, e.ClassRange);
    BufWriteWord(b, c, e.PtrResultName);
    BufWriteWord(b, c, e.PtrUnitName);
}

void WriteClassEntry(tByteBuffer& b, std::uint32_t& c, const TClassEntry& e) {
    BufWriteSingle(b, c, e.Threshold);
    BufWriteWord(b, c, e.PtrClassName);
}

std::uint32_t ByteSum(const tByteBuffer& b, std::size_t count) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count && i < b.size(); ++i) sum += b[i];
    return sum;
}

} // namespace

void ReadResultEntry(const tByteBuffer& b, std::uint32_t& c, TResultEntry& e) {
    e.Flags = BufReadByte(b, c);
    e.LowerLimit = BufReadSingle(b, c);
    e.UpperLimit = BufReadSingle(b, c);
    e.DisplayFormat = BufReadByte(b, c);
    e.ClassRange = BufReadByte(b, c);
    e.PtrResultName = BufReadWord(b, c);
    e.PtrUnitName = BufReadWord(b, c);
}

void ReadClassEntry(const tByteBuffer& b, std::uint32_t& c, TClassEntry& e) {
    e.Threshold = BufReadSingle(b, c);
    e.PtrClassName = BufReadWord(b, c);
}

// ---------------------------------------------------------------- packed fields

std::uint8_t ULineFilterCfg::LineCount() const {
    return GetBitField8(Data, DescLineCount);
}
std::uint8_t ULineFilterCfg::FilterCount() const {
    return GetBitField8(Data, DescFilterCount);
}
void ULineFilterCfg::SetLineCount(std::uint8_t n) {
    SetBitField8(Data, DescLineCount, n & 0x0F);
}
void ULineFilterCfg::SetFilterCount(std::uint8_t n) {
    SetBitField8(Data, DescFilterCount, n & 0x0F);
}

std::uint8_t UResultClassCountCfg::ResultCount() const {
    return static_cast<std::uint8_t>(GetBitField16(Data, DescResultCount));
}
std::uint8_t UResultClassCountCfg::ClassCount() const {
    return static_cast<std::uint8_t>(GetBitField16(Data, DescClassCount));
}
void UResultClassCountCfg::SetResultCount(std::uint8_t n) {
    SetBitField16(Data, DescResultCount, n & 0x0F);
}
void UResultClassCountCfg::SetClassCount(std::uint8_t n) {
    SetBitField16(Data, DescClassCount, n & 0x1F);
}

bool UCaptureConfig::CartridgeWhiteCleared() const {
    return GetBitField8(Data, DescWhiteCleared) == 1;
}
void UCaptureConfig::SetCartridgeWhiteCleared(bool on) {
    SetBitField8(Data, DescWhiteCleared, on ? 1 : 0);
}

bool TLineEntry::IsReference() const {
    return GetBitField8(Flags, DescIsReference) == 1;
}

bool TResultEntry::ShowValue() const {
    return GetBitField8(Flags, DescShowValue) == 1;
}
bool TResultEntry::HasClasses() const {
    return GetBitField8(Flags, DescHasClasses) == 1;
}
void TResultEntry::SetHasClasses(bool on) {
    SetBitField8(Flags, DescHasClasses, on ? 1 : 0);
}
std::uint8_t TResultEntry::SignificantDigits() const {
    return GetBitField8(DisplayFormat, DescDigits);
}
std::uint8_t TResultEntry::MaxDecimals() const {
    return GetBitField8(DisplayFormat, DescDecimals);
}
std::uint8_t TResultEntry::ClassRangeCount() const {
    return GetBitField8(ClassRange, DescRangeCount);
}
std::uint8_t TResultEntry::ClassRangeFirst() const {
    return GetBitField8(ClassRange, DescRangeFirst);
}
void TResultEntry::SetClassRange(std::uint8_t first, std::uint8_t count) {
    ClassRange = 0;
    SetBitField8(ClassRange, DescRangeCount, count & 0x07);
    SetBitField8(ClassRange, DescRangeFirst, first & 0x1F);
}

// ---------------------------------------------------------------- 12-bit packing

std::uint16_t Get12BitValue(const std::uint8_t* bytes, std::size_t byteCount, std::uint32_t i) {
    std::size_t at = (3 * static_cast<std::size_t>(i)) / 2;
    std::uint16_t b0 = at < byteCount ? bytes[at] : 0;
    std::uint16_t b1 = at + 1 < byteCount ? bytes[at + 1] : 0;
    if (i % 2 == 0) return static_cast<std::uint16_t>(b0 * 16 + b1 / 16);
    return static_cast<std::uint16_t>((b0 % 16) * 256 + b1);
}

void Set12BitValue(std::uint8_t* bytes, std::size_t byteCount, std::uint32_t i, std::uint16_t value) {
    std::size_t at = (3 * static_cast<std::size_t>(i)) / 2;
    value &= 0x0FFF;
    if (i % 2 == 0) {
        if (at < byteCount) bytes[at] = static_cast<std::uint8_t>(value >> 4);
        if (at + 1 < byteCount)
            bytes[at + 1] = static_cast<std::uint8_t>((bytes[at + 1] & 0x0F) | ((value & 0x0F) << 4));
    } else {
        if (at < byteCount) bytes[at] = static_cast<std::uint8_t>((bytes[at] & 0xF0) | (value >> 8));
        if (at + 1 < byteCount) bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
    }
}

// ---------------------------------------------------------------- TTestConfig

void TTestConfig::Init() {
    StringData.assign(StringDataSize, 0);
    Reset();
}

void TTestConfig::Reset() {
    Version = 2;
    CfgSize = 0;
    TestID = UUniqueTestID{};
    OemSection = TTestOEMSection{};
    ClearDateData(OemSection.ExpiryDate);
    CaptureSection = TTestCaptureSection{};
    CaptureSection.ImageCount = 2;
    AutoMeasureSection = TAutoMeasureSection{};
    AutoMeasureSection.MeasureInterval = 10;
    AutoMeasureSection.ImageCount = 2;
    AutoMeasureSection.RepeatedConstResultCount = 1;
    FilterCoefficient.fill(0.0f);
    LineSection.fill(TLineEntry{});
    ResultSection.fill(TResultEntry{});
    ClassSection.fill(TClassEntry{});
    CartridgeWhite.fill(0);
    StringData.assign(StringDataSize, 0);
    CheckSum = 0;
    CreditCount = 0xFFFF;
    AddStrPtrToCfg("FAIL", 1);
    CaptureSection.PtrTestInvalidText = 1;
}

std::string TTestConfig::ReadStringData(std::uint16_t Pos) const {
    if (Pos == 0) return {};
    std::size_t end = std::min<std::size_t>(CaptureSection.StringSize, StringData.size());
    std::size_t stop = Pos;
    while (stop < end && StringData[stop] != 0) ++stop;
    return stop > Pos ? Latin1ToUtf8(StringData.data() + Pos, stop - Pos) : std::string();
}

std::uint16_t TTestConfig::AddStrPtrToCfg(const std::string& Str, std::uint16_t Pos) {
    tByteBuffer bytes = Utf16LowBytes(Str);
    if (static_cast<std::size_t>(Pos) + bytes.size() + 1 > StringData.size())
        return static_cast<std::uint16_t>(StringData.size());
    std::copy(bytes.begin(), bytes.end(), StringData.begin() + Pos);
    StringData[Pos + bytes.size()] = 0;
    CaptureSection.StringSize = static_cast<std::uint16_t>(Pos + bytes.size() + 1);
    return static_cast<std::uint16_t>(Pos + bytes.size());
}

bool TTestConfig::CompareTo(const TTestConfig& CompareConfig) const {
    // Building normalises a configuration, so compare built copies.
    TTestConfig a = *this, b = CompareConfig;
    tByteBuffer fa, fb;
    BuildTestConfig(a, fa);
    BuildTestConfig(b, fb);
    return fa == fb;
}

void TTestConfig::DeleteTestLine(int Idx) {
    int n = LineCount();
    if (Idx < 0 || Idx >= n || Idx >= MaxTestLines) return;
    std::copy(LineSection.begin() + Idx + 1, LineSection.end(), LineSection.begin() + Idx);
    LineSection.back() = TLineEntry{};
    CaptureSection.LineCntFilterWidth.SetLineCount(static_cast<std::uint8_t>(n - 1));
}

void TTestConfig::DeleteFilter(int Idx) {
    int n = FilterCount();
    if (Idx < 0 || Idx >= n || Idx >= MaxFilterCoefficients) return;
    std::copy(FilterCoefficient.begin() + Idx + 1, FilterCoefficient.end(), FilterCoefficient.begin() + Idx);
    FilterCoefficient.back() = 0.0f;
    CaptureSection.LineCntFilterWidth.SetFilterCount(static_cast<std::uint8_t>(n - 1));
}

void TTestConfig::DeleteClass(int Idx) {
    int n = ClassCount();
    if (Idx < 0 || Idx >= n) return;
    std::copy(ClassSection.begin() + Idx + 1, ClassSection.end(), ClassSection.begin() + Idx);
    ClassSection.back() = TClassEntry{};
    CaptureSection.ResultClassCnt.SetClassCount(static_cast<std::uint8_t>(n - 1));
    int results = std::min<int>(ResultCount(), MaxTestResults);
    for (int r = 0; r < results; ++r) {
        TResultEntry& e = ResultSection[r];
        int first = e.ClassRangeFirst(), count = e.ClassRangeCount();
        if (count == 0) continue;
        if (Idx >= first && Idx < first + count) {
            if (count == 1) {
                e.ClassRange = 0;
                e.SetHasClasses(false);
            } else {
                e.SetClassRange(static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(count - 1));
            }
        } else if (first > Idx) {
            e.SetClassRange(static_cast<std::uint8_t>(first - 1), static_cast<std::uint8_t>(count));
        }
    }
}

void TTestConfig::InsertClass(int ResultIdx) {
    int n = ClassCount();
    int results = std::min<int>(ResultCount(), MaxTestResults);
    if (ResultIdx < 0 || ResultIdx >= results || n >= MaxResultClasses) return;
    TResultEntry& target = ResultSection[ResultIdx];
    int count = target.ClassRangeCount();
    if (count == 7) return; // the range's count field is full
    int pos = count == 0 ? n : std::min(target.ClassRangeFirst() + count, n);
    std::copy_backward(ClassSection.begin() + pos, ClassSection.begin() + n, ClassSection.begin() + n + 1);
    ClassSection[pos] = TClassEntry{};
    CaptureSection.ResultClassCnt.SetClassCount(static_cast<std::uint8_t>(n + 1));
    for (int r = 0; r < results; ++r) {
        if (r == ResultIdx) continue;
        TResultEntry& e = ResultSection[r];
        if (e.ClassRangeCount() != 0 && e.ClassRangeFirst() >= pos)
            e.SetClassRange(static_cast<std::uint8_t>(e.ClassRangeFirst() + 1), e.ClassRangeCount());
    }
    if (count == 0) {
        target.SetClassRange(static_cast<std::uint8_t>(pos), 1);
        target.SetHasClasses(true);
    } else {
        target.SetClassRange(target.ClassRangeFirst(), static_cast<std::uint8_t>(count + 1));
    }
}

void TTestConfig::DeleteResult(int Idx) {
    int n = ResultCount();
    if (Idx < 0 || Idx >= n || Idx >= MaxTestResults) return;
    int count = ResultSection[Idx].ClassRangeCount();
    int first = ResultSection[Idx].ClassRangeFirst();
    for (int c = first + count - 1; c >= first; --c) DeleteClass(c);
    std::copy(ResultSection.begin() + Idx + 1, ResultSection.end(), ResultSection.begin() + Idx);
    ResultSection.back() = TResultEntry{};
    CaptureSection.ResultClassCnt.SetResultCount(static_cast<std::uint8_t>(n - 1));
}

void TTestConfig::AdjustRelativeLinePos() {
    int base = 0;
    int n = std::min<int>(LineCount(), MaxTestLines);
    for (int i = 0; i < n; ++i) {
        TLineEntry& e = LineSection[i];
        int absolute = e.Position + e.PositionBase;
        e.PositionBase = static_cast<std::int16_t>(base);
        e.Position = static_cast<std::int16_t>(absolute - base);
        if (e.IsReference()) base = absolute;
    }
}

int TTestConfig::IsInStringData(const std::string& Str) const {
    if (Str.empty()) return -2;
    tByteBuffer needle = Utf16LowBytes(Str);
    // Only the first occurrence counts, and only when it is a whole text.
    auto it = std::search(StringData.begin(), StringData.end(), needle.begin(), needle.end());
    if (it == StringData.end()) return -1;
    std::size_t pos = static_cast<std::size_t>(it - StringData.begin());
    std::size_t after = pos + needle.size();
    if (pos > 0 && StringData[pos - 1] == 0 && after < StringData.size() && StringData[after] == 0)
        return static_cast<int>(pos);
    return -1;
}

std::uint16_t TTestConfig::Get12BitWhite(int Idx) const {
    if (Idx < 0 || Idx >= CaptureSection.CartridgeImgSize) return 600;
    return Get12BitValue(CartridgeWhite.data(), CartridgeWhite.size(), static_cast<std::uint32_t>(Idx));
}

void TTestConfig::Set12BitWhite(int Idx, U16 Value) {
    if (Idx < 0) return;
    Set12BitValue(CartridgeWhite.data(), CartridgeWhite.size(), static_cast<std::uint32_t>(Idx), Value.Value);
}

bool TTestConfig::IsValid() const {
    return LineCount() != 0 && ResultCount() != 0 && CaptureSection.PtrTouringProgram != 0;
}

// ---------------------------------------------------------------- binary form

int ParseTestConfig(TTestConfig& Config, const tByteBuffer& Buffer, bool IgnoreChecksum) {
    Config.Reset();
    // The checksum covers the form with its white block normalised; work on a copy
    // so the caller's bytes stay as they came.
    tByteBuffer form = Buffer;
    std::uint32_t c = 0;
    std::uint8_t version = BufReadByte(form, c);
    if (version == 0) return CfgParseNoConfig;
    if (version < 2 || version > 5) return CfgParseWrongVersion;

    TTestConfig cfg; // filled here, handed over only when within limits
    cfg.Version = version;
    cfg.CfgSize = BufReadWord(form, c);
    cfg.TestID.CustomerID = BufReadWord(form, c);
    cfg.TestID.ProjectID = BufReadWord(form, c);
    cfg.TestID.TestType = BufReadWord(form, c);
    cfg.TestID.TestNu = BufReadWord(form, c);
    cfg.OemSection.PtrTestName = BufReadWord(form, c);
    cfg.OemSection.PtrLotNr = BufReadWord(form, c);
    cfg.OemSection.PtrDistributorManufacturer = BufReadWord(form, c);
    BufReadDateData(form, c, cfg.OemSection.ExpiryDate);
    TTestCaptureSection& cap = cfg.CaptureSection;
    cap.ImageCount = BufReadByte(form, c);
    cap.TimerCount = BufReadWord(form, c);
    cap.LineCntFilterWidth.Data = BufReadByte(form, c);
    cap.ResultClassCnt.Data = BufReadWord(form, c);
    cap.StringSize = BufReadWord(form, c);
    std::uint32_t imgSizeAt = c;
    cap.CartridgeImgSize = BufReadWord(form, c);
    cap.PtrTestInvalidText = BufReadWord(form, c);
    cap.PtrTouringProgram = BufReadWord(form, c);
    cap.CaptureConfig.Data = BufReadByte(form, c);

    bool cleared = cap.CaptureConfig.CartridgeWhiteCleared();
    std::uint32_t whiteBytes = cleared ? ClearedWhiteBytes : WhiteBytes(cap.CartridgeImgSize);
    if (cfg.LineCount() > MaxTestLines || cfg.ResultCount() > MaxTestResults ||
        cfg.ClassCount() > MaxResultClasses || cfg.FilterCount() > MaxFilterCoefficients ||
        whiteBytes > CartridgeWhiteSize || cap.StringSize > StringDataSize)
        return CfgParseNoConfig;

    if (cleared) {
        if (imgSizeAt < form.size()) form[imgSizeAt] = 0x00;
        if (imgSizeAt + 1 < form.size()) form[imgSizeAt + 1] = 0x01;
        cap.CartridgeImgSize = 0;
    }

    TAutoMeasureSection& am = cfg.AutoMeasureSection;
    am.StartDelay = BufReadWord(form, c);
    am.MeasureInterval = BufReadByte(form, c);
    am.ImageCount = BufReadByte(form, c);
    am.ReferenceResult = BufReadByte(form, c);
    am.RepeatedConstResultCount = BufReadByte(form, c);
    am.DeltaResult = BufReadSingle(form, c);
    am.LastResult = BufReadSingle(form, c);
    for (int i = 0; i < cfg.FilterCount(); ++i) cfg.FilterCoefficient[i] = BufReadSingle(form, c);

    int base = 0;
    for (int i = 0; i < cfg.LineCount(); ++i) {
        TLineEntry& e = cfg.LineSection[i];
        e.PositionBase = static_cast<std::int16_t>(base);
        ReadLineEntry(form, c, e);
        if (e.IsReference()) base = e.Position + e.PositionBase;
    }
    for (int i = 0; i < cfg.ResultCount(); ++i) ReadResultEntry(form, c, cfg.ResultSection[i]);
    for (int i = 0; i < cfg.ClassCount(); ++i) ReadClassEntry(form, c, cfg.ClassSection[i]);
    for (std::uint32_t i = 0; i < whiteBytes; ++i) {
        if (cleared && c < form.size()) form[c] = 0;
        cfg.CartridgeWhite[i] = BufReadByte(form, c);
    }
    for (std::uint32_t i = 0; i < cap.StringSize; ++i) cfg.StringData[i] = BufReadByte(form, c);

    std::uint32_t computed = ByteSum(form, c);
    // A form cut off before its checksum would read a 0 sum and pass as unchecked;
    // a missing checksum counts as wrong instead.
    const bool checksumPresent = static_cast<std::size_t>(c) + 4 <= form.size();
    cfg.CheckSum = BufReadDWord(form, c);
    cfg.CreditCount = BufReadWord(form, c);
    if (cfg.CheckSum == 0 && checksumPresent) cfg.CheckSum = computed;

    Config = std::move(cfg);
    if ((checksumPresent && computed == Config.CheckSum) || IgnoreChecksum) return CfgParseOk;
    return CfgParseChecksumWrong;
}

void BuildTestConfig(TTestConfig& Config, tByteBuffer& Buffer) {
    TTestCaptureSection& cap = Config.CaptureSection;
    bool cleared = Config.CartridgeWhiteCleared();
    if (cleared) {
        cap.CartridgeImgSize = ClearedWhiteValues;
        std::fill(Config.CartridgeWhite.begin(), Config.CartridgeWhite.begin() + ClearedWhiteBytes, 0);
    }
    Buffer.clear();
    std::uint32_t c = 0;
    BufWriteByte(Buffer, c, Config.Version);
    BufWriteWord(Buffer, c, 0);
    for (std::uint16_t w :
         {Config.TestID.CustomerID, Config.TestID.ProjectID, Config.TestID.TestType, Config.TestID.TestNu})
        BufWriteWord(Buffer, c, w);
    BufWriteWord(Buffer, c, Config.OemSection.PtrTestName);
    BufWriteWord(Buffer, c, Config.OemSection.PtrLotNr);
    BufWriteWord(Buffer, c, Config.OemSection.PtrDistributorManufacturer);
    BufWriteDateData(Buffer, c, Config.OemSection.ExpiryDate);
    BufWriteByte(Buffer, c, cap.ImageCount);
    BufWriteWord(Buffer, c, cap.TimerCount);
    BufWriteByte(Buffer, c, cap.LineCntFilterWidth.Data);
    BufWriteWord(Buffer, c, cap.ResultClassCnt.Data);
    BufWriteWord(Buffer, c, cap.StringSize);
    BufWriteWord(Buffer, c, cap.CartridgeImgSize);
    BufWriteWord(Buffer, c, cap.PtrTestInvalidText);
    BufWriteWord(Buffer, c, cap.PtrTouringProgram);
    BufWriteByte(Buffer, c, cap.CaptureConfig.Data);
    const TAutoMeasureSection& am = Config.AutoMeasureSection;
    BufWriteWord(Buffer, c, am.StartDelay);
    BufWriteByte(Buffer, c, am.MeasureInterval);
    BufWriteByte(Buffer, c, am.ImageCount);
    BufWriteByte(Buffer, c, am.ReferenceResult);
    BufWriteByte(Buffer, c, am.RepeatedConstResultCount);
    BufWriteSingle(Buffer, c, am.DeltaResult);
    BufWriteSingle(Buffer, c, am.LastResult);
    // Counts may exceed what memory holds after hand edits; such entries go out as zeros.
    for (int i = 0; i < Config.FilterCount(); ++i)
        BufWriteSingle(Buffer, c, i < MaxFilterCoefficients ? Config.FilterCoefficient[i] : 0.0f);
    for (int i = 0; i < Config.LineCount(); ++i) {
        TLineEntry zero{};
        TLineEntry& e = i < MaxTestLines ? Config.LineSection[i] : zero;
        e.LineWidth &= 0xFE;
        e.SearchWidth &= 0xFE;
        WriteLineEntry(Buffer, c, e);
    }
    for (int i = 0; i < Config.ResultCount(); ++i)
        WriteResultEntry(Buffer, c, i < MaxTestResults ? Config.ResultSection[i] : TResultEntry{});
    for (int i = 0; i < Config.ClassCount(); ++i)
        WriteClassEntry(Buffer, c, i < MaxResultClasses ? Config.ClassSection[i] : TClassEntry{});
    std::uint32_t whiteBytes = WhiteBytes(cap.CartridgeImgSize);
    for (std::uint32_t i = 0; i < whiteBytes; ++i)
        BufWriteByte(Buffer, c, i < Config.CartridgeWhite.size() ? Config.CartridgeWhite[i] : 0);
    for (std::uint32_t i = 0; i < cap.StringSize; ++i)
        BufWriteByte(Buffer, c, i < Config.StringData.size() ? Config.StringData[i] : 0);
    BufWriteDWord(Buffer, c, Config.CheckSum);
    BufWriteWord(Buffer, c, Config.CreditCount);

    Config.CfgSize = static_cast<std::uint16_t>(Buffer.size());
    std::uint32_t at = 1;
    BufWriteWord(Buffer, at, Config.CfgSize);
    Config.CheckSum = ByteSum(Buffer, Buffer.size() - 6);
    at = static_cast<std::uint32_t>(Buffer.size() - 6);
    BufWriteDWord(Buffer, at, Config.CheckSum);
    if (cleared) cap.CartridgeImgSize = 0;
}
