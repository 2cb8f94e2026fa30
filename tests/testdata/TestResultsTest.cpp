#include "TestResults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace {

// A configuration with one result entry named "CRP" in "mg/l".
TTestConfig OneResult(std::uint8_t displayFormat = 0x12) {
    TTestConfig cfg;
    cfg.CaptureSection.ResultClassCnt.SetResultCount(1);
    cfg.ResultSection[0].PtrResultName = 6;
    cfg.ResultSection[0].PtrUnitName = cfg.AddStrPtrToCfg("  CRP ", 6) + 1;
    cfg.AddStrPtrToCfg("mg/l", cfg.ResultSection[0].PtrUnitName);
    cfg.ResultSection[0].DisplayFormat = displayFormat;
    return cfg;
}

// Adds classes with the given thresholds and names to result 0.
void AddClasses(TTestConfig& cfg, std::initializer_list<std::pair<float, const char*>> classes) {
    std::uint16_t pos = cfg.CaptureSection.StringSize;
    int i = 0;
    for (const auto& [threshold, name] : classes) {
        cfg.ClassSection[i].Threshold = threshold;
        cfg.ClassSection[i].PtrClassName = pos;
        pos = cfg.AddStrPtrToCfg(name, pos) + 1;
        ++i;
    }
    cfg.CaptureSection.ResultClassCnt.SetClassCount(static_cast<std::uint8_t>(i));
    cfg.ResultSection[0].SetClassRange(0, static_cast<std::uint8_t>(i));
    cfg.ResultSection[0].SetHasClasses(true);
}

TResultSet Row(const TTestConfig& cfg, float value, std::uint8_t invalid = 0, char sep = '.') {
    TDefaultTextSource texts;
    UTestInvalid ti{invalid};
    return FormatResultRow(cfg, 0, value, ti, IsTestInvalid(ti), texts, sep);
}

TEST(FormatResultRow, ValueTexts) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        std::uint8_t format;
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0x12, 5.47f, "5.4"}, // cut, not rounded
        {0x12, 12.3f, "12"},         {0x12, 0.5f, "0.5"},     {0x12, 10000.5f, ">10000"},
        {0x12, -1.0f, "<0"},         {0x12, 0.0f, "0"},       {0x12, 1.0f, "1"},
        {0x12, 9.99f, "9.9"},        {0x22, 0.29f, "0.28"}, // the single lies just below 0.29
        {0x22, 0.5f, "0.5"},                                // no trailing zero
        {0x34, 3.14159f, "3.141"},   {0x34, 1234.5f, "1234"}, {0x34, 99999.0f, ">10000"},
        {0x03, 0.75f, "0"}, // no decimals allowed
        {0x12, nan, "Not a number"}, {0x12, inf, "Infinite"}, {0x12, -inf, "Infinite"},
    };
    for (const Case& c : cases) {
        TResultSet row = Row(OneResult(c.format), c.value);
        EXPECT_EQ(row.ResultValue, c.text) << c.value << " with format " << int(c.format);
        EXPECT_EQ(row.Validity, "Valid");
        EXPECT_EQ(row.ResultName, "CRP");
        EXPECT_EQ(row.UnitName, "mg/l");
        EXPECT_EQ(row.ClassName, "");
    }
}

TEST(FormatResultRow, LimitsUseTheValuesMask) {
    struct Case {
        float lower, upper, value;
        const char* text;
    };
    const Case cases[] = {
        {0.25f, 100.0f, 0.1f, "<0.3"}, // a limit is rounded, half away from zero
        {0.5f, 100.0f, -3.0f, "<0.5"},    {5.0f, 100.0f, 3.0f, "<5"},
        {-10.0f, 100.0f, -1.55f, "-1.5"}, // negatives are cut toward zero
        {-10.0f, 100.0f, -0.04f, "0"},    // no "-0"
        {0.0f, 0.5f, 3.0f, ">.5"},        // "#" places print no leading zero
        {0.0f, 0.0f, 5.0f, ">0"},
    };
    for (const Case& c : cases) {
        TTestConfig cfg = OneResult();
        cfg.ResultSection[0].LowerLimit = c.lower;
        cfg.ResultSection[0].UpperLimit = c.upper;
        EXPECT_EQ(Row(cfg, c.value).ResultValue, c.text) << c.value;
    }
    EXPECT_EQ(Row(OneResult(), 5.47f, 0, ',').ResultValue, "5,4");
}

TEST(FormatResultRow, ClassChoice) {
    TTestConfig cfg = OneResult();
    AddClasses(cfg, {{10.0f, "high"}, {1.0f, "low"}, {5.0f, " mid "}, {5.0f, "mid2"}});
    struct Case {
        float value;
        bool showValue;
        const char* className;
        const char* text;
    };
    const Case cases[] = {
        {3.2f, true, "mid", "3.2"}, // smallest threshold above; the first of equal ones
        {0.5f, true, "low", "0.5"},
        {1.0f, true, "mid", "1"}, // the threshold must be greater
        {12.0f, true, "", "12"},  // none qualifies: the number
        {3.2f, false, "mid", ""}, // a class and no ShowValue: no number
        {12.0f, false, "", "12"}, // no class: the number after all
        {std::numeric_limits<float>::quiet_NaN(), false, "", "Not a number"},
    };
    for (const Case& c : cases) {
        cfg.ResultSection[0].Flags = static_cast<std::uint8_t>((c.showValue ? 1 : 0) | 2);
        TResultSet row = Row(cfg, c.value);
        EXPECT_EQ(row.ClassName, c.className) << c.value;
        EXPECT_EQ(row.ResultValue, c.text) << c.value;
    }
    // Thresholds from 2^32 on never win; a range past the 31 classes reads no further.
    TTestConfig huge = OneResult();
    AddClasses(huge, {{4294967296.0f, "never"}, {1e30f, "never2"}});
    EXPECT_EQ(Row(huge, 1.0f).ClassName, "");
    huge.ResultSection[0].SetClassRange(29, 7);
    EXPECT_EQ(Row(huge, 1.0f).ClassName, "");
}

TEST(FormatResultRow, Validity) {
    TTestConfig cfg = OneResult();
    AddClasses(cfg, {{5.0f, "neg"}});
    struct Case {
        std::uint8_t bits;
        const char* validity;
        const char* value;
        const char* className;
    };
    const Case cases[] = {
        {0x00, "Valid", "3.2", "neg"}, {0x40, "Vexo expired", "3.2", "neg"}, {0x30, "Valid", "3.2", "neg"},
        {0x80, "Invalid", "FAIL", ""}, {0x01, "Invalid", "FAIL", ""},        {0xC0, "Invalid", "FAIL", ""},
    };
    for (const Case& c : cases) {
        TResultSet row = Row(cfg, 3.2f, c.bits);
        EXPECT_EQ(row.Validity, c.validity) << int(c.bits);
        EXPECT_EQ(row.ResultValue, c.value) << int(c.bits);
        EXPECT_EQ(row.ClassName, c.className) << int(c.bits);
        EXPECT_EQ(row.UnitName, "mg/l");
    }
    // The current result's rule before version 4: any set bit.
    EXPECT_TRUE(IsCurrentResultInvalid(UTestInvalid{0x40}, 3));
    EXPECT_FALSE(IsCurrentResultInvalid(UTestInvalid{0x40}, 4));
    EXPECT_TRUE(IsCurrentResultInvalid(UTestInvalid{0x80}, 4));
    EXPECT_FALSE(IsCurrentResultInvalid(UTestInvalid{0x00}, 2));
}

TEST(FormatResultRow, TextsComeFromTheTextSource) {
    struct German : ITextSource {
        std::map<int, std::string> asked;
        std::string GetText(int id, const std::string& englishDefault) override {
            asked[id] = englishDefault;
            static const std::map<int, std::string> de = {{203, "Gültig"},
                                                          {204, "Ungültig"},
                                                          {205, "Abgelaufen"},
                                                          {134, "Keine Zahl"},
                                                          {274, "Unendlich"}};
            return de.at(id);
        }
    } texts;
    TTestConfig cfg = OneResult();
    EXPECT_EQ(FormatResultRow(cfg, 0, 1.0f, {}, false, texts).Validity, "Gültig");
    EXPECT_EQ(FormatResultRow(cfg, 0, 1.0f, {0x40}, false, texts).Validity, "Abgelaufen");
    EXPECT_EQ(FormatResultRow(cfg, 0, 1.0f, {0x80}, true, texts).Validity, "Ungültig");
    EXPECT_EQ(FormatResultRow(cfg, 0, std::nanf(""), {}, false, texts).ResultValue, "Keine Zahl");
    EXPECT_EQ(FormatResultRow(cfg, 0, INFINITY, {}, false, texts).ResultValue, "Unendlich");
    const std::map<int, std::string> defaults = {
        {203, "Valid"}, {204, "Invalid"}, {205, "Vexo expired"}, {134, "Not a number"}, {274, "Infinite"}};
    EXPECT_EQ(texts.asked, defaults);
    // An index past the result entries formats with a default entry.
    EXPECT_EQ(FormatResultRow(cfg, 12, 1.0f, {}, false, texts).ResultName, "");
}

TEST(Result, CurrentBlockLayoutsByVersion) {
    TResult r;
    r.TestEvenMeasuredValueCount = 3;
    r.SearchReference = -5;
    r.ResultValue[9] = 2.5f;
    r.Line[0] = {1, 2, 3, 4, 5, 17, 9, 200, 6};
    r.Line[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    r.PtrClass[9] = 0x1234;
    r.TestInvalid.Data = 0x81;
    r.Temperature = 21.5f;
    r.Voltage = 3300;
    EncodeDateData(r.MeasurementDate, 19, 8, 15, 10, 20, 30);
    struct Case {
        std::uint8_t v;
        std::size_t size;
        std::uint8_t width;
    };
    for (const Case& c :
         {Case{0, 346, 0}, Case{4, 346, 0}, Case{5, 356, 6}, Case{6, 316, 6}, Case{7, 316, 6}}) {
        SCOPED_TRACE(int(c.v));
        tByteBuffer block = r.ToByteBuffer(c.v);
        EXPECT_EQ(block.size(), c.size);
        TResult back;
        back.FromByteBuffer(block, c.v);
        EXPECT_EQ(back.SearchReference, -5);
        EXPECT_EQ(back.ResultValue[9], 2.5f);
        EXPECT_EQ(back.Line[0].MaxPosAbs, 17.0f);
        EXPECT_EQ(back.Line[0].CenterPositionAbsolut, 200);
        EXPECT_EQ(back.Line[0].Width, c.width);
        EXPECT_EQ(back.Line[9].MeanValue, 1.0f);
        EXPECT_EQ(back.PtrClass[9], 0x1234);
        EXPECT_EQ(back.TestInvalid.Data, 0x81);
        EXPECT_EQ(back.Temperature, 21.5f);
        EXPECT_EQ(back.Voltage, 3300);
        EXPECT_EQ(back.MeasurementDate, r.MeasurementDate);
    }
    // Version 6: the compact line tail is four bytes.
    tByteBuffer block(316, 0);
    block[43 + 20] = 17;
    block[43 + 22] = 200;
    TResult v6;
    v6.FromByteBuffer(block, 6);
    EXPECT_EQ(v6.Line[0].MaxPosAbs, 17.0f);
    EXPECT_EQ(v6.Line[0].CenterPositionAbsolut, 200);
    // A short block reads zeros and a cleared date past its end.
    TResult partial;
    partial.FromByteBuffer(tByteBuffer(block.begin(), block.begin() + 50), 6);
    EXPECT_EQ(partial.Line[0].MaxPosAbs, 0.0f);
    EXPECT_EQ(partial.MeasurementDate.Month, 0);
}

TEST(MeasureSet, IdentityText) {
    TEEPROMNonVolatile reader;
    reader.ProductionYear = 19;
    reader.ProductionWeek = 32;
    reader.SerialNumber = 42;
    TDateData date;
    date.MonthDay = 15;
    date.Hour = 10;
    date.Minutes = 20;
    date.Seconds = 30;
    EXPECT_EQ(MakeTestIDText({12, 3, 1, 7}, reader, date), "12 3 1 7 1932 0042 252318750");
    TEEPROMNonVolatile other = reader;
    other.SerialNumber = 43;
    EXPECT_NE(MakeTestIDText({12, 3, 1, 7}, other, date), MakeTestIDText({12, 3, 1, 7}, reader, date));
    other = reader;
    other.ProductionWeek = 5;
    other.SerialNumber = 12345;
    EXPECT_EQ(MakeTestIDText({0, 0, 0, 0}, other, date), "0 0 0 0 1905 12345 252318750");
}

TEST(MeasureSet, FreshEntry) {
    TMeasureSet e;
    for (std::int32_t v : e.OrigImage) ASSERT_EQ(v, -1);
    EXPECT_EQ(e.DateTime, TDateData{});
    EXPECT_TRUE(IsValidDateData(e.DateTime));
    EXPECT_TRUE(e.ResultList.empty());
    EXPECT_TRUE(e.ImageData.empty());
    EXPECT_EQ(e.MeasureResult.LineCount, 0);
}

TEST(MeasureSet, ImageRule) {
    struct Case {
        std::vector<std::int32_t> values;
        tByteBuffer bytes;
        const char *min, *max;
    };
    const Case cases[] = {
        {{100, 300, 200}, {0, 254, 127}, "100", "300"},
        {{7, 7, 7}, {0, 0, 0}, "7", "7"},
        {{}, {}, "4095", "0"},
        {{0, 4095}, {0, 255}, "0", "4095"},
        // Larger values from files: the difference wraps at 65536 (70000 - 0 counts as 4464).
        {{0, 70000}, {0, 16}, "0", "70000"},
        {{4095, 70000, 69631}, {0, 1, 0}, "4095", "70000"},
    };
    for (const Case& c : cases) {
        TMeasureSet e;
        e.SetImageValues(c.values);
        EXPECT_EQ(e.ImageData, c.bytes);
        EXPECT_EQ(e.ImgMin, c.min);
        EXPECT_EQ(e.ImgMax, c.max);
        for (std::size_t j = 0; j < c.values.size(); ++j) EXPECT_EQ(e.OrigImage[j], c.values[j]);
        EXPECT_EQ(e.OrigImage[c.values.size()], -1);
    }
    TMeasureSet e;
    e.SetImageValues(std::vector<std::int32_t>(300, 5));
    EXPECT_EQ(e.ImageData.size(), 256u);
}

TEST(MeasureSet, PackedImageValues) {
    // 100, 300, 200 packed: 0x064, 0x12C, 0x0C8 -> 06 41 2C 0C 8x
    const tByteBuffer packed = {0x06, 0x41, 0x2C, 0x0C, 0x80};
    EXPECT_EQ(Unpack12BitImage(packed, 3), (std::vector<std::int32_t>{100, 300, 200}));
    // An odd count stores (3n) div 2 bytes: the last value's low nibble reads 0.
    EXPECT_EQ(Unpack12BitImage({0x06, 0x41, 0x2C, 0x0C}, 3), (std::vector<std::int32_t>{100, 300, 192}));
    EXPECT_EQ(Unpack12BitImage({}, 2), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(Unpack12BitImage(tByteBuffer(400, 0), 300).size(), 256u);
}

TEST(MeasureSet, TemperatureText) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {{21.456f, "21.46"},     {21.5f, "21.50"},   {0.0f, "0.00"},
                          {-3.125f, "-3.13"},     {-0.001f, "0.00"},  {1e6f, "1000000.00"},
                          {std::nanf(""), "NAN"}, {-INFINITY, "-INF"}};
    for (const Case& c : cases) EXPECT_EQ(FormatTemperature(c.value), c.text) << c.value;
    EXPECT_EQ(FormatTemperature(21.5f, ','), "21,50");
}

} // namespace

namespace {

TTestConfig TwoResults() {
    TTestConfig cfg;
    cfg.TestID = {12, 3, 1, 7};
    cfg.OemSection.PtrTestName = 6;
    std::uint16_t pos = cfg.AddStrPtrToCfg("Pair", 6) + 1;
    cfg.CaptureSection.ResultClassCnt.SetResultCount(2);
    cfg.ResultSection[0].PtrResultName = pos;
    pos = cfg.AddStrPtrToCfg("A", pos) + 1;
    cfg.ResultSection[1].PtrResultName = pos;
    cfg.AddStrPtrToCfg("B", pos);
    cfg.CaptureSection.LineCntFilterWidth.SetLineCount(2);
    cfg.LineSection[0].LineWidth = 8;
    cfg.LineSection[1].LineWidth = 12;
    return cfg;
}

TEST(CurrentResult, EntryFromTheBlockAndTheConfiguration) {
    TEEPROMMap map;
    map.NonVolatileData.EEPROMVersion = 6;
    map.NonVolatileData.ProductionYear = 19;
    map.NonVolatileData.ProductionWeek = 32;
    map.NonVolatileData.SerialNumber = 42;
    TResult r;
    r.ResultValue[0] = 5.47f;
    r.ResultValue[1] = 12.3f;
    r.Line[0].Width = 99;
    r.Voltage = 3100;
    r.Temperature = 21.5f;
    r.MeasurementDate.MonthDay = 15;
    r.MeasurementDate.Hour = 10;
    r.MeasurementDate.Minutes = 20;
    r.MeasurementDate.Seconds = 30;
    TDefaultTextSource texts;
    TMeasureSet e;
    FillCurrentMeasureSet(e, r.ToByteBuffer(6), TwoResults(), map, texts);
    EXPECT_EQ(e.TestID, "12 3 1 7 1932 0042 252318750");
    EXPECT_EQ(e.TestName, "Pair");
    EXPECT_EQ(e.Voltage, "3100");
    EXPECT_EQ(e.Temperature, "21.50");
    EXPECT_EQ(e.MeasureResult.LineCount, 2);
    EXPECT_EQ(e.MeasureResult.Results.Line[0].Width, 8) << "widths come from the configuration";
    EXPECT_EQ(e.MeasureResult.Results.Line[1].Width, 12);
    ASSERT_EQ(e.ResultList.size(), 2u);
    EXPECT_EQ(e.ResultList[0], (TResultSet{"Valid", "A", "5.4", "", ""}));
    EXPECT_EQ(e.ResultList[1], (TResultSet{"Valid", "B", "12", "", ""}));

    // Version 3: any set bit makes the test invalid, "expired" included.
    map.NonVolatileData.EEPROMVersion = 3;
    r.TestInvalid.Data = 0x40;
    FillCurrentMeasureSet(e, r.ToByteBuffer(3), TwoResults(), map, texts);
    EXPECT_EQ(e.ResultList[0].Validity, "Invalid");
    map.NonVolatileData.EEPROMVersion = 4;
    FillCurrentMeasureSet(e, r.ToByteBuffer(4), TwoResults(), map, texts);
    EXPECT_EQ(e.ResultList[0].Validity, "Vexo expired");
}

TEST(CurrentResult, CombinedMeasurement) {
    TEEPROMMap map;
    map.NonVolatileData.EEPROMVersion = 5;
    TDefaultTextSource texts;
    TResult first, second;
    first.ResultValue[0] = 1.0f;
    first.ResultValue[1] = 2.0f;
    first.Voltage = 3000;
    second.ResultValue[0] = 3.0f;
    second.ResultValue[1] = 4.0f;
    second.TestInvalid.Data = 0x40;
    second.MeasurementDate.Seconds = 9;
    second.Voltage = 2000;
    TMeasureSet e;
    FillCurrentMeasureSet(e, first.ToByteBuffer(5), TwoResults(), map, texts);
    const std::string id = e.TestID;
    MergeSecondMeasurement(e, second.ToByteBuffer(5), TwoResults(), map, texts);
    ASSERT_EQ(e.ResultList.size(), 4u);
    const char* names[] = {"A", "B", "A", "B"};
    const char* values[] = {"1", "2", "3", "4"};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(e.ResultList[k].ResultName, names[k]);
        EXPECT_EQ(e.ResultList[k].ResultValue, values[k]);
        EXPECT_EQ(e.ResultList[k].Validity, "Vexo expired") << "the combined validity bits";
    }
    EXPECT_EQ(e.MeasureResult.Results.MeasurementDate.Seconds, 9);
    EXPECT_EQ(e.TestID, id) << "the entry's texts stay those of the first measurement";
    EXPECT_EQ(e.Voltage, "3000");
}

} // namespace
