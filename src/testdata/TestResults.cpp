#include "TestResults.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Tools.h"

// ---------------------------------------------------------------- texts

std::string TDefaultTextSource::GetText(int, const std::string& englishDefault) {
    return englishDefault;
}

std::string DefaultResultText(int id) {
    switch (id) {
    case TextIdValid: return "Valid";
    case TextIdInvalid: return "Invalid";
    case TextIdExpired: return "Vexo expired";
    case TextIdNotANumber: return "Not a number";
    case TextIdInfinite: return "Infinite";
    default: return "";
    }
}

namespace {

std::string Text(ITextSource& texts, int id) {
    return texts.GetText(id, DefaultResultText(id));
}

// Decimal digits of |v| rounded half away from zero to d decimals, after first
// taking 15 significant digits as the float formatting of the original does.
void DecimalDigits(double v, int d, std::string& intPart, std::string& fracPart) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    std::string digits;
    digits += buf[0];
    const char* p = buf + 2;
    while (*p >= '0' && *p <= '9') digits += *p++;
    int exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    int intDigits = exponent + 1;
    if (intDigits < 1) {
        digits.insert(0, static_cast<std::size_t>(1 - intDigits), '0');
        intDigits = 1;
    }
    std::size_t keep = static_cast<std::size_t>(intDigits + d);
    if (digits.size() < keep + 1) digits.append(keep + 1 - digits.size(), '0');
    bool up = digits[keep] >= '5';
    digits.resize(keep);
    for (std::size_t i = keep; up && i > 0; --i) {
        if (digits[i - 1] == '9') {
            digits[i - 1] = '0';
        } else {
            ++digits[i - 1];
            up = false;
        }
    }
    if (up) {
        digits.insert(digits.begin(), '1');
        ++intDigits;
    }
    intPart = digits.substr(0, static_cast<std::size_t>(intDigits));
    fracPart = digits.substr(static_cast<std::size_t>(intDigits));
    std::size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string() : intPart.substr(nz);
}

bool IsZeroDigits(const std::string& intPart, const std::string& fracPart) {
    return intPart.empty() && fracPart.find_first_not_of('0') == std::string::npos;
}

// The mask "0" or "#"*n, the separator, "#"*d: integer digits all printed,
// no leading zero for "#" masks, no trailing fraction zeros, no lone separator.
// A non-zero prefix ('<' or '>') goes in front.
std::string FormatMasked(double v, bool zeroInteger, int d, char sep, char prefix = 0) {
    std::string intPart, fracPart;
    DecimalDigits(v, d, intPart, fracPart);
    bool zero = IsZeroDigits(intPart, fracPart);
    std::size_t last = fracPart.find_last_not_of('0');
    fracPart = last == std::string::npos ? std::string() : fracPart.substr(0, last + 1);
    std::string out;
    if (prefix != 0) out.push_back(prefix);
    if (v < 0 && !zero) out.push_back('-');
    if (intPart.empty() && (zeroInteger || fracPart.empty()))
        out.push_back('0');
    else
        out += intPart;
    if (!fracPart.empty()) {
        out += sep;
        out += fracPart;
    }
    return out;
}

// Integer digits counted in single precision, as the reader's tools do.
int IntegerDigits(float value) {
    int n = 0;
    float x = value;
    while (x >= 1.0f) {
        x = x / 10.0f;
        ++n;
    }
    return n;
}

} // namespace

// ---------------------------------------------------------------- results

std::uint8_t UTestInvalid::InvalidReason() const {
    return GetBitField8(Data, 0x04);
}
bool UTestInvalid::Expired() const {
    return GetBitField8(Data, 0x61) == 1;
}
bool UTestInvalid::InvalidFlag() const {
    return GetBitField8(Data, 0x71) == 1;
}

bool IsTestInvalid(UTestInvalid value) {
    return value.InvalidReason() != 0 || value.InvalidFlag();
}

bool IsCurrentResultInvalid(UTestInvalid value, std::uint8_t EEPROMVersion) {
    return EEPROMVersion > 3 ? IsTestInvalid(value) : value.Data != 0;
}

TLineResult ReadLineResult(const tByteBuffer& buffer, std::uint32_t& cursor, ELineLayout layout) {
    TLineResult l;
    l.MeanValue = BufReadSingle(buffer, cursor);
    l.MinValue = BufReadSingle(buffer, cursor);
    l.MaxValue = BufReadSingle(buffer, cursor);
    l.LeftMeanValue = BufReadSingle(buffer, cursor);
    l.RightMeanValue = BufReadSingle(buffer, cursor);
    if (layout == llCompact24) {
        l.MaxPosAbs = static_cast<float>(BufReadByte(buffer, cursor));
        l.UsedPixel = BufReadByte(buffer, cursor);
        l.CenterPositionAbsolut = BufReadByte(buffer, cursor);
        l.Width = BufReadByte(buffer, cursor);
        return l;
    }
    l.MaxPosAbs = BufReadSingle(buffer, cursor);
    l.UsedPixel = BufReadByte(buffer, cursor);
    l.CenterPositionAbsolut = static_cast<std::int16_t>(BufReadWord(buffer, cursor));
    if (layout == llFull28) l.Width = BufReadByte(buffer, cursor);
    return l;
}

void WriteLineResult(tByteBuffer& buffer, std::uint32_t& cursor, const TLineResult& l, ELineLayout layout) {
    for (float f : {l.MeanValue, l.MinValue, l.MaxValue, l.LeftMeanValue, l.RightMeanValue})
        BufWriteSingle(buffer, cursor, f);
    if (layout == llCompact24) {
        // The compact layout holds the position as one byte; other values have no byte form.
        const bool fits = l.MaxPosAbs >= 0.0f && l.MaxPosAbs < 256.0f;
        BufWriteByte(buffer, cursor, fits ? static_cast<std::uint8_t>(l.MaxPosAbs) : 0);
        BufWriteByte(buffer, cursor, l.UsedPixel);
        BufWriteByte(buffer, cursor, static_cast<std::uint8_t>(l.CenterPositionAbsolut));
        BufWriteByte(buffer, cursor, l.Width);
        return;
    }
    BufWriteSingle(buffer, cursor, l.MaxPosAbs);
    BufWriteByte(buffer, cursor, l.UsedPixel);
    BufWriteWord(buffer, cursor, static_cast<std::uint16_t>(l.CenterPositionAbsolut));
    if (layout == llFull28) BufWriteByte(buffer, cursor, l.Width);
}

ELineLayout CurrentResultLineLayout(std::uint8_t v) {
    if (v <= 4) return llShort27;
    if (v == 5) return llFull28;
    return llCompact24;
}

ELineLayout StoredLineLayout(std::uint8_t v) {
    return v >= 6 ? llCompact24 : llFull28;
}

void TResult::Reset() {
    TestEvenMeasuredValueCount = 0;
    SearchReference = 0;
    ResultValue.fill(0.0f);
    Line.fill(TLineResult{});
    PtrClass.fill(0);
    TestInvalid = UTestInvalid{};
    Temperature = 0.0f;
    Voltage = 0;
    ClearDateData(MeasurementDate);
}

void TResult::FromByteBuffer(const tByteBuffer& Buffer, std::uint8_t EEPROMVersion) {
    Reset();
    std::uint32_t c = 0;
    ELineLayout layout = CurrentResultLineLayout(EEPROMVersion);
    TestEvenMeasuredValueCount = BufReadByte(Buffer, c);
    SearchReference = static_cast<std::int16_t>(BufReadWord(Buffer, c));
    for (float& f : ResultValue) f = BufReadSingle(Buffer, c);
    for (TLineResult& l : Line) l = ReadLineResult(Buffer, c, layout);
    for (std::uint16_t& p : PtrClass) p = BufReadWord(Buffer, c);
    TestInvalid.Data = BufReadByte(Buffer, c);
    Temperature = BufReadSingle(Buffer, c);
    Voltage = BufReadWord(Buffer, c);
    BufReadDateData(Buffer, c, MeasurementDate);
}

tByteBuffer TResult::ToByteBuffer(std::uint8_t EEPROMVersion) const {
    tByteBuffer b;
    std::uint32_t c = 0;
    ELineLayout layout = CurrentResultLineLayout(EEPROMVersion);
    BufWriteByte(b, c, TestEvenMeasuredValueCount);
    BufWriteWord(b, c, static_cast<std::uint16_t>(SearchReference));
    for (float f : ResultValue) BufWriteSingle(b, c, f);
    for (const TLineResult& l : Line) WriteLineResult(b, c, l, layout);
    for (std::uint16_t p : PtrClass) BufWriteWord(b, c, p);
    BufWriteByte(b, c, TestInvalid.Data);
    BufWriteSingle(b, c, Temperature);
    BufWriteWord(b, c, Voltage);
    BufWriteDateData(b, c, MeasurementDate);
    return b;
}

namespace {

TSaveInternalFlashTestCfgList ParseCfgHeader(const tByteBuffer& h, std::uint8_t v) {
    TSaveInternalFlashTestCfgList r;
    std::uint32_t c = 0;
    r.ID = BufReadByte(h, c);
    r.Size = BufReadWord(h, c);
    r.TestID.CustomerID = BufReadWord(h, c);
    r.TestID.ProjectID = BufReadWord(h, c);
    r.TestID.TestType = BufReadWord(h, c);
    r.TestID.TestNu = BufReadWord(h, c);
    r.PtrTestName = BufReadWord(h, c);
    r.PtrLotNr = BufReadWord(h, c);
    r.PtrDistrManu = BufReadWord(h, c);
    r.ResultClassCnt.Data = BufReadWord(h, c);
    if (v >= 6) r.CRC = BufReadDWord(h, c);
    return r;
}

TSaveInternalFlashResultList ReadResultHeader(const tByteBuffer& b, std::uint32_t& c, std::uint8_t v) {
    TSaveInternalFlashResultList r;
    r.ID = BufReadByte(b, c);
    r.Size = BufReadWord(b, c);
    BufReadDateData(b, c, r.Date);
    r.Invalid.Data = BufReadByte(b, c);
    r.Voltage = BufReadWord(b, c);
    r.Temperature = BufReadSingle(b, c);
    if (v >= 6) r.MeasureID = BufReadWord(b, c);
    return r;
}

} // namespace

void WriteCfgRecordHeader(tByteBuffer& b, std::uint32_t& c, const TSaveInternalFlashTestCfgList& h,
                          std::uint8_t v) {
    BufWriteByte(b, c, h.ID);
    BufWriteWord(b, c, h.Size);
    for (std::uint16_t w : {h.TestID.CustomerID, h.TestID.ProjectID, h.TestID.TestType, h.TestID.TestNu,
                            h.PtrTestName, h.PtrLotNr, h.PtrDistrManu, h.ResultClassCnt.Data})
        BufWriteWord(b, c, w);
    if (v >= 6) BufWriteDWord(b, c, h.CRC);
}

void WriteResultRecordHeader(tByteBuffer& b, std::uint32_t& c, const TSaveInternalFlashResultList& h,
                             std::uint8_t v) {
    BufWriteByte(b, c, h.ID);
    BufWriteWord(b, c, h.Size);
    BufWriteDateData(b, c, h.Date);
    BufWriteByte(b, c, h.Invalid.Data);
    BufWriteWord(b, c, h.Voltage);
    BufWriteSingle(b, c, h.Temperature);
    if (v >= 6) BufWriteWord(b, c, h.MeasureID);
}

// ---------------------------------------------------------------- entries

TMeasureSet::TMeasureSet() {
    ClearDateData(DateTime);
    OrigImage.fill(-1);
}

void TMeasureSet::SetImageValues(const std::vector<std::int32_t>& values) {
    std::size_t n = std::min<std::size_t>(values.size(), MaxImageValues);
    OrigImage.fill(-1);
    std::int64_t lo = 4095, hi = 0;
    for (std::size_t j = 0; j < n; ++j) {
        OrigImage[j] = values[j];
        lo = std::min<std::int64_t>(lo, values[j]);
        hi = std::max<std::int64_t>(hi, values[j]);
    }
    ImgMin = std::to_string(lo);
    ImgMax = std::to_string(hi);
    ImageData.assign(n, 0);
    // Every value lies in lo..hi, so the divisor is at least 1.
    for (std::size_t j = 0; j < n; ++j) {
        std::int64_t diff = (OrigImage[j] - lo) % 65536;
        ImageData[j] = static_cast<std::uint8_t>(((diff * 256) / (hi - lo + 1)) & 0xFF);
    }
}

std::string MakeTestIDText(const UUniqueTestID& id, const TEEPROMNonVolatile& reader, const TDateData& date) {
    return std::to_string(id.CustomerID) + " " + std::to_string(id.ProjectID) + " " +
           std::to_string(id.TestType) + " " + std::to_string(id.TestNu) + " " +
           IntToStrPadded(reader.ProductionYear, 2, '0') + IntToStrPadded(reader.ProductionWeek, 2, '0') +
           " " + IntToStrPadded(reader.SerialNumber, 4, '0') + " " + DateDataToRawText(date);
}

std::string FormatTemperature(float value, char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    std::string intPart, fracPart;
    DecimalDigits(value, 2, intPart, fracPart);
    bool zero = IsZeroDigits(intPart, fracPart);
    return std::string(value < 0 && !zero ? "-" : "") + (intPart.empty() ? "0" : intPart) + decimalSeparator +
           fracPart;
}

std::vector<std::int32_t> Unpack12BitImage(const tByteBuffer& packed, std::uint32_t n) {
    n = std::min<std::uint32_t>(n, MaxImageValues);
    std::vector<std::int32_t> values(n);
    for (std::uint32_t i = 0; i < n; ++i) values[i] = Get12BitValue(packed.data(), packed.size(), i);
    return values;
}

TResultSet FormatResultRow(const TTestConfig& Config, int k, float value, UTestInvalid invalid,
                           bool isInvalid, ITextSource& texts, char decimalSeparator) {
    TResultSet row;
    static const TResultEntry noEntry{};
    const TResultEntry& e = (k >= 0 && k < MaxTestResults) ? Config.ResultSection[k] : noEntry;
    auto textAt = [&](std::uint16_t pos) { return TrimBlanks(Config.ReadStringData(pos)); };

    row.ResultName = textAt(e.PtrResultName);
    row.UnitName = textAt(e.PtrUnitName);
    if (isInvalid) {
        row.ResultValue = textAt(Config.CaptureSection.PtrTestInvalidText);
        row.Validity = Text(texts, TextIdInvalid);
        return row;
    }
    row.Validity = Text(texts, invalid.Expired() ? TextIdExpired : TextIdValid);

    int chosen = -1;
    int count = e.ClassRangeCount();
    if (count > 0 && !std::isnan(value)) {
        const float never = 4294967296.0f; // thresholds from 2^32 on never win
        int first = e.ClassRangeFirst();
        for (int c = first; c < first + count && c < MaxResultClasses; ++c) {
            float t = Config.ClassSection[c].Threshold;
            if (t > value && t < never && (chosen < 0 || t < Config.ClassSection[chosen].Threshold))
                chosen = c;
        }
    }

    if (e.ShowValue() || chosen < 0) {
        if (std::isnan(value)) {
            row.ResultValue = Text(texts, TextIdNotANumber);
        } else if (std::isinf(value)) {
            row.ResultValue = Text(texts, TextIdInfinite);
        } else {
            int n = IntegerDigits(value);
            int t = e.SignificantDigits(), dmax = e.MaxDecimals();
            int d = n < t ? std::min(t - n, dmax) : 0;
            bool zeroInteger = n == 0;
            if (value < e.LowerLimit) {
                row.ResultValue = FormatMasked(e.LowerLimit, zeroInteger, d, decimalSeparator, '<');
            } else if (value > e.UpperLimit) {
                row.ResultValue = FormatMasked(e.UpperLimit, zeroInteger, d, decimalSeparator, '>');
            } else {
                // Cut, not rounded; in double so that the product is not rounded back to single.
                double scale = std::pow(10.0, d);
                double cut = std::trunc(static_cast<double>(value) * scale) / scale;
                row.ResultValue = FormatMasked(cut, zeroInteger, d, decimalSeparator);
            }
        }
    }
    if (chosen >= 0) row.ClassName = textAt(Config.ClassSection[chosen].PtrClassName);
    return row;
}

// ---------------------------------------------------------------- database walk

void RotateArea(tByteBuffer& buffer, std::uint32_t readOffset) {
    if (buffer.empty()) return;
    std::size_t offset = readOffset % buffer.size();
    if (offset == 0) return;
    std::rotate(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(offset), buffer.end());
}

std::vector<TVexoResultData> ReadResultConfigurations(const tByteBuffer& buf, const TEEPROMMap& Map) {
    std::vector<TVexoResultData> list;
    const std::uint8_t v = Map.EEPROMVersion();
    const TEEPROMVolatile& vol = Map.VolatileData;
    const std::uint32_t headerSize = ResultCfgHeaderSize(v);
    const std::uint32_t areaSize = static_cast<std::uint32_t>(static_cast<std::uint16_t>(
                                       vol.StoredTestResultCfgStop - vol.StoredTestResultCfgStart)) +
                                   1;

    std::uint32_t cursor = 0;
    while (cursor < areaSize) {
        const std::uint32_t start = cursor;
        // A header that runs past the area's last byte continues at offset 0.
        tByteBuffer header(headerSize);
        for (std::uint32_t i = 0; i < headerSize; ++i) {
            std::uint32_t p = (start + i) % areaSize;
            header[i] = p < buf.size() ? buf[p] : 0;
        }
        TSaveInternalFlashTestCfgList h = ParseCfgHeader(header, v);
        if (h.ID == 0 || h.ID == 0xFF) break;
        cursor += headerSize;

        TVexoResultData data;
        data.ResultCfg = h;
        TTestConfig& cfg = data.TestCfg;
        cfg.TestID = h.TestID;
        cfg.OemSection.PtrTestName = h.PtrTestName;
        cfg.OemSection.PtrLotNr = h.PtrLotNr;
        cfg.OemSection.PtrDistributorManufacturer = h.PtrDistrManu;
        cfg.CaptureSection.ResultClassCnt = h.ResultClassCnt;
        // The in-memory form holds 10 results; further stored entries are stepped over.
        const int results = h.ResultClassCnt.ResultCount();
        if (results > MaxTestResults) cfg.CaptureSection.ResultClassCnt.SetResultCount(MaxTestResults);
        for (int i = 0; i < results; ++i) {
            TResultEntry e;
            ReadResultEntry(buf, cursor, e);
            if (i < MaxTestResults) cfg.ResultSection[i] = e;
        }
        for (int i = 0; i < h.ResultClassCnt.ClassCount(); ++i)
            ReadClassEntry(buf, cursor, cfg.ClassSection[i]);
        const std::uint32_t end =
            std::min<std::uint32_t>(start + h.Size, static_cast<std::uint32_t>(buf.size()));
        std::uint32_t stored = 0;
        for (; cursor < end; ++cursor) {
            if (stored < StringDataSize) cfg.StringData[stored++] = buf[cursor];
        }
        cfg.CaptureSection.StringSize = static_cast<std::uint16_t>(stored);
        list.push_back(std::move(data));
    }
    return list;
}

void ReadResults(const tByteBuffer& buf, const TEEPROMMap& Map, std::vector<TVexoResultData>& ResultList) {
    const std::uint8_t v = Map.EEPROMVersion();
    const std::uint32_t headerSize = ResultHeaderSize(v);
    const std::uint32_t lineSize = StoredLineDataSize(v);
    const ELineLayout layout = StoredLineLayout(v);
    const bool lineData = Map.NonVolatileData.VexoCfgBits_0.StoresLineData();
    const bool imageData = Map.NonVolatileData.VexoCfgBits_0.StoresImageData();
    const std::uint64_t length = buf.size();

    std::uint32_t start = 0;
    while (start + static_cast<std::uint64_t>(headerSize) < length) {
        std::uint32_t c = start;
        TSaveInternalFlashResultList h = ReadResultHeader(buf, c, v);
        if (h.ID == 0xFF) break;
        // A record shorter than its header would never move the walk on.
        if (h.Size < headerSize) break;
        if (h.ID != 0) {
            for (TVexoResultData& data : ResultList) {
                if (data.ResultCfg.ID != h.ID) continue;
                std::uint32_t cursor = start + headerSize;
                TVexoResults r;
                r.VexoResultList = h;
                int results = data.ResultCfg.ResultClassCnt.ResultCount();
                for (int i = 0; i < results; ++i) {
                    float value = BufReadSingle(buf, cursor);
                    if (i < MaxResultValues) r.ResultValues.push_back(value);
                }
                if (lineData) {
                    std::uint8_t lines = BufReadByte(buf, cursor);
                    std::uint8_t kept = std::min<std::uint8_t>(lines, MaxLineResults);
                    r.ImgLineInfo.LineCount = kept;
                    for (int m = 0; m < kept; ++m) r.LineData.push_back(ReadLineResult(buf, cursor, layout));
                    cursor += (lines - kept) * lineSize; // lines past 10 are stepped over
                }
                if (imageData) {
                    std::uint8_t n = BufReadByte(buf, cursor);
                    r.ImgLineInfo.ImageSize = n;
                    std::uint32_t bytes = (3u * n) / 2;
                    r.ImageValues12.resize(bytes);
                    for (std::uint32_t i = 0; i < bytes; ++i) r.ImageValues12[i] = BufReadByte(buf, cursor);
                }
                data.Results.push_back(std::move(r));
            }
        }
        start += h.Size;
    }
}

std::unique_ptr<TMeasureSet> BuildMeasureSet(const TVexoResultData& Data, const TVexoResults& Result,
                                             const TEEPROMMap& Map, ITextSource& texts,
                                             char decimalSeparator) {
    auto e = std::make_unique<TMeasureSet>();
    const TTestConfig& cfg = Data.TestCfg;
    const TSaveInternalFlashResultList& h = Result.VexoResultList;
    e->TestID = MakeTestIDText(cfg.TestID, Map.NonVolatileData, h.Date);
    e->TestName = cfg.ReadStringData(cfg.OemSection.PtrTestName);
    e->LotNr = cfg.ReadStringData(cfg.OemSection.PtrLotNr);
    e->Distr_Manu = cfg.ReadStringData(cfg.OemSection.PtrDistributorManufacturer);
    e->DateTime = h.Date;
    e->Voltage = std::to_string(h.Voltage);
    e->Temperature = FormatTemperature(h.Temperature, decimalSeparator);
    bool invalid = IsTestInvalid(h.Invalid);
    for (std::size_t j = 0; j < Result.ResultValues.size(); ++j)
        e->ResultList.push_back(FormatResultRow(cfg, static_cast<int>(j), Result.ResultValues[j], h.Invalid,
                                                invalid, texts, decimalSeparator));
    const TVexoConfigBits_0& bits = Map.NonVolatileData.VexoCfgBits_0;
    if (bits.StoresLineData()) {
        std::size_t lines = std::min<std::size_t>(Result.LineData.size(), MaxLineResults);
        e->MeasureResult.LineCount = static_cast<std::uint8_t>(lines);
        for (std::size_t m = 0; m < lines; ++m) e->MeasureResult.Results.Line[m] = Result.LineData[m];
    }
    if (bits.StoresImageData())
        e->SetImageValues(Unpack12BitImage(Result.ImageValues12, Result.ImgLineInfo.ImageSize));
    return e;
}

namespace {

void FormatCurrentRows(TMeasureSet& Set, const TTestConfig& cfg, int rows, const TEEPROMMap& Map,
                       ITextSource& texts, char decimalSeparator) {
    const TResult& r = Set.MeasureResult.Results;
    const int results = std::max(cfg.ResultCount(), std::uint8_t(1));
    bool invalid = IsCurrentResultInvalid(r.TestInvalid, Map.EEPROMVersion());
    Set.ResultList.resize(static_cast<std::size_t>(rows));
    for (int k = 0; k < rows; ++k)
        Set.ResultList[k] = FormatResultRow(cfg, k % results, r.ResultValue[k], r.TestInvalid, invalid, texts,
                                            decimalSeparator);
}

} // namespace

void FillCurrentMeasureSet(TMeasureSet& Set, const tByteBuffer& Block, const TTestConfig& TestConfig,
                           const TEEPROMMap& Map, ITextSource& texts, char decimalSeparator) {
    TResult& r = Set.MeasureResult.Results;
    r.FromByteBuffer(Block, Map.EEPROMVersion());
    const int lines = std::min<int>(TestConfig.LineCount(), MaxLineResults);
    Set.MeasureResult.LineCount = static_cast<std::uint8_t>(lines);
    for (int i = 0; i < lines; ++i) r.Line[i].Width = TestConfig.LineSection[i].LineWidth;
    Set.TestID = MakeTestIDText(TestConfig.TestID, Map.NonVolatileData, r.MeasurementDate);
    Set.TestName = TestConfig.ReadStringData(TestConfig.OemSection.PtrTestName);
    Set.LotNr = TestConfig.ReadStringData(TestConfig.OemSection.PtrLotNr);
    Set.Distr_Manu = TestConfig.ReadStringData(TestConfig.OemSection.PtrDistributorManufacturer);
    Set.DateTime = r.MeasurementDate;
    Set.Voltage = std::to_string(r.Voltage);
    Set.Temperature = FormatTemperature(r.Temperature, decimalSeparator);
    const int rows = std::min<int>(TestConfig.ResultCount(), MaxResultValues);
    Set.ResultList.clear();
    FormatCurrentRows(Set, TestConfig, rows, Map, texts, decimalSeparator);
}

void MergeSecondMeasurement(TMeasureSet& Set, const tByteBuffer& Block, const TTestConfig& TestConfig,
                            const TEEPROMMap& Map, ITextSource& texts, char decimalSeparator) {
    TResult second;
    second.FromByteBuffer(Block, Map.EEPROMVersion());
    TResult& r = Set.MeasureResult.Results;
    // Both halves must fit the 10 result values; pairs are offered for up to 5 results only.
    const int results = std::min<int>(TestConfig.ResultCount(), MaxResultValues / 2);
    r.TestInvalid.Data |= second.TestInvalid.Data;
    for (int k = 0; k < results; ++k) r.ResultValue[results + k] = second.ResultValue[k];
    r.MeasurementDate = second.MeasurementDate;
    FormatCurrentRows(Set, TestConfig, 2 * results, Map, texts, decimalSeparator);
}

TDecodeDatabaseResult DecodeDatabase(tByteBuffer& ResultCfgBuffer, tByteBuffer& ResultBuffer,
                                     const TEEPROMMap& Map, std::vector<TVexoResultData>& ResultList,
                                     const TMeasureListAccess& List, ITextSource& texts,
                                     char decimalSeparator) {
    TDecodeDatabaseResult outcome;
    const TEEPROMVolatile& vol = Map.VolatileData;
    RotateArea(ResultCfgBuffer,
               static_cast<std::uint16_t>(vol.StoredTestResultCfgReadPtr - vol.StoredTestResultCfgStart));
    ResultList = ReadResultConfigurations(ResultCfgBuffer, Map);
    RotateArea(ResultBuffer,
               static_cast<std::uint16_t>(vol.StoredTestResultReadPtr - vol.StoredTestResultStart));
    ReadResults(ResultBuffer, Map, ResultList);
    for (const TVexoResultData& data : ResultList) outcome.StoredResults += data.Results.size();

    EJoinDecision decision = List.JoinDecision ? List.JoinDecision() : jdAdd;
    if (decision == jdCancel) {
        outcome.Cancelled = true;
        return outcome;
    }
    if (decision == jdOverwrite && List.Clear) List.Clear();
    for (const TVexoResultData& data : ResultList) {
        for (const TVexoResults& result : data.Results) {
            std::unique_ptr<TMeasureSet> entry = BuildMeasureSet(data, result, Map, texts, decimalSeparator);
            if (List.IsPresent && List.IsPresent(entry->TestID)) continue;
            if (List.Add) {
                List.Add(std::move(entry));
                ++outcome.Added;
            }
        }
    }
    return outcome;
}
