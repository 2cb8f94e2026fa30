#include "MeasureFileFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "LanguageTextSource.h"
#include "TempDir.h"
#include "TextEncoding.h"

namespace {

std::size_t Tabs(const std::string& s) {
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\t'));
}

constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

TMeasureSet SampleEntry() {
    TMeasureSet e;
    e.TestID = "12 3 1 7 1934 0042 118099206";
    e.TestName = "CRP";
    e.LotNr = "L-77";
    e.Distr_Manu = "Maker";
    EncodeDateData(e.DateTime, 19, 7, 3, 14, 5, 9);
    e.UserComment = "first \"run\" #1";
    e.Voltage = "3.71";
    e.Temperature = "-INF";
    e.ResultList = {{"Valid", "CRP", "12.50", "mg/l", "normal"}, {"", "", "7", "", ""}};
    return e;
}

void AddLines(TMeasureSet& e) {
    e.MeasureResult.LineCount = 3;
    auto& line = e.MeasureResult.Results.Line;
    line[0] = {100.25f, 1.5f, 300.75f, 2.f, 3.f, 40.5f, 12, -7, 9};
    line[1] = {NaN, Inf, -Inf, 0.f, -1.25f, 0.f, 255, 32767, 1};
    line[2] = {1.f, 2.f, 3.f, 4.f, 5.f, 6.f, 0, -32768, 200};
}

std::vector<std::int32_t> Ramp(int n) {
    std::vector<std::int32_t> v;
    for (int i = 0; i < n; ++i) v.push_back((i * 37) % 4096);
    return v;
}

void ExpectSameFloat(float a, float b) {
    if (std::isnan(a))
        EXPECT_TRUE(std::isnan(b));
    else
        EXPECT_EQ(a, b);
}

void ExpectSameEntry(const TMeasureSet& a, const TMeasureSet& b, ETSVVersion style) {
    EXPECT_EQ(a.TestID, b.TestID);
    EXPECT_EQ(a.TestName, b.TestName);
    EXPECT_EQ(a.LotNr, b.LotNr);
    EXPECT_EQ(a.Distr_Manu, b.Distr_Manu);
    EXPECT_EQ(a.DateTime, b.DateTime);
    EXPECT_EQ(a.UserComment, b.UserComment);
    ASSERT_EQ(a.ResultList.size(), b.ResultList.size());
    for (std::size_t i = 0; i < a.ResultList.size(); ++i) {
        TResultSet x = a.ResultList[i];
        if (style == TSVVHalvorn) x.UnitName.clear();
        if (x.ResultName.empty()) x.Validity.clear(); // a nameless row keeps no validity
        EXPECT_EQ(x, b.ResultList[i]) << i;
    }
    if (style != TSVVLong) return;
    EXPECT_EQ(a.Voltage, b.Voltage);
    EXPECT_EQ(a.Temperature, b.Temperature);
    ASSERT_EQ(a.MeasureResult.LineCount, b.MeasureResult.LineCount);
    for (int j = 0; j < a.MeasureResult.LineCount; ++j) {
        const auto &x = a.MeasureResult.Results.Line[j], &y = b.MeasureResult.Results.Line[j];
        for (auto [p, q] : {std::pair{x.MeanValue, y.MeanValue},
                            {x.MinValue, y.MinValue},
                            {x.MaxValue, y.MaxValue},
                            {x.LeftMeanValue, y.LeftMeanValue},
                            {x.RightMeanValue, y.RightMeanValue},
                            {x.MaxPosAbs, y.MaxPosAbs}})
            ExpectSameFloat(p, q);
        EXPECT_EQ(x.UsedPixel, y.UsedPixel);
        EXPECT_EQ(x.CenterPositionAbsolut, y.CenterPositionAbsolut);
        EXPECT_EQ(x.Width, y.Width);
    }
    EXPECT_EQ(a.OrigImage, b.OrigImage);
    EXPECT_EQ(a.ImgMin, b.ImgMin);
    EXPECT_EQ(a.ImgMax, b.ImgMax);
    EXPECT_EQ(a.ImageData, b.ImageData);
}

struct MeasureFileFixture : ::testing::Test {
    TempDir dir;
    TLanguageFile lang{dir / "language.ini"};
};

TEST_F(MeasureFileFixture, HeaderTitlesAndTabCounts) {
    struct Case {
        ETSVVersion style;
        std::size_t tabs;
    } cases[] = {{TSVVLong, 139}, {TSVVShort, 46}, {TSVVHalvorn, 36}};
    for (const auto& c : cases) {
        std::string header = BuildTSVHeader(c.style, lang);
        EXPECT_EQ(Tabs(header), c.tabs);
        EXPECT_EQ(header.back(), '\t');
        EXPECT_EQ(DetectTSVStyle(header), c.style);
    }
    std::string shortHeader = BuildTSVHeader(TSVVShort, lang);
    const std::string start = "Test ID\tTest name\tLot number\tDistributor/Manufacturer\tDate / Time\tUser "
                              "comments\tResult name 1\tResult 1\tResult unit 1\tClass 1\tResult name 2\t";
    EXPECT_EQ(shortHeader.substr(0, start.size()), start);
    EXPECT_NE(shortHeader.find("\tClass 10\t"), std::string::npos);
    EXPECT_NE(BuildTSVHeader(TSVVLong, lang).find("\tLine width 10\tImage data\t"), std::string::npos);
    EXPECT_EQ(BuildTSVHeader(TSVVHalvorn, lang).find("Result unit"), std::string::npos);

    lang.SetVal("Deutsch", 106, "Test-Nr.");
    lang.CurrentLanguage = "Deutsch";
    EXPECT_EQ(BuildTSVHeader(TSVVShort, lang).substr(0, 9), "Test-Nr.\t");
}

TEST(MeasureFileFormat, DetectsStyleByTabCount) {
    struct Case {
        std::string line;
        ETSVVersion style;
    } cases[] = {
        {"", TSVEmpty},
        {std::string(46, '\t'), TSVVShort},
        {"a" + std::string(139, '\t') + "b", TSVVLong},
        {std::string(36, '\t'), TSVVHalvorn},
        {std::string(45, '\t'), TSVVUnknown},
        {" ", TSVVUnknown},
    };
    for (const auto& c : cases) EXPECT_EQ(DetectTSVStyle(c.line), c.style) << Tabs(c.line);
    EXPECT_EQ(TSVStyleFromSetting("short"), TSVVShort);
    EXPECT_EQ(TSVStyleFromSetting("HALVORN"), TSVVHalvorn);
    EXPECT_EQ(TSVStyleFromSetting("Long"), TSVVLong);
    EXPECT_EQ(TSVStyleFromSetting("whatever"), TSVVLong);
}

TEST(MeasureFileFormat, RoundTripThroughEveryStyle) {
    TMeasureSet withLines = SampleEntry();
    AddLines(withLines);
    withLines.SetImageValues(Ramp(120));
    TMeasureSet midnight = SampleEntry();
    EncodeDateData(midnight.DateTime, 20, 2, 29, 0, 0, 0);
    TMeasureSet rawDate = SampleEntry();
    EncodeDateData(rawDate.DateTime, 0, 0, 31, 25, 61, 200); // fails IsValidDateData
    rawDate.DateTime.Month = 0;
    rawDate.DateTime.Year = 0;
    TMeasureSet imageOnly = SampleEntry();
    imageOnly.SetImageValues(Ramp(256));
    TMeasureSet tenResults = SampleEntry();
    tenResults.ResultList.assign(10, TResultSet{"Invalid", "A - B", "1", "u", "c"});

    struct Case {
        const char* what;
        const TMeasureSet& entry;
        ETSVVersion style;
        std::size_t tabs;
        const char* dateCell;
    } cases[] = {
        {"short", withLines, TSVVShort, 46, "07/03/2019 14:05:09"},
        {"halvorn", withLines, TSVVHalvorn, 36, "07/03/2019 14:05:09"},
        {"long with lines and image", withLines, TSVVLong, 258, "07/03/2019 14:05:09"},
        {"midnight", midnight, TSVVLong, 138, "02/29/2020"},
        {"raw date", rawDate, TSVVShort, 46, "521747912"},
        {"image without lines", imageOnly, TSVVLong, 138 + 256, nullptr},
        {"ten results", tenResults, TSVVHalvorn, 36, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string line = BuildTSVLine(c.entry, c.style);
        EXPECT_EQ(Tabs(line), c.tabs);
        if (c.dateCell) {
            EXPECT_NE(line.find(std::string("\t") + c.dateCell + "\t"), std::string::npos);
        }
        TMeasureSet back;
        ASSERT_TRUE(ParseTSVLine(line, back, c.style));
        ExpectSameEntry(c.entry, back, c.style);
        EXPECT_EQ(BuildTSVLine(back, c.style), line); // and writes again the same
    }
}

TEST(MeasureFileFormat, RawDateReadsBackWithMonthAndYearZero) {
    TMeasureSet e = SampleEntry();
    e.DateTime = TDateData{200, 61, 25, 31, 7, 19}; // hour 25: not a valid date
    TMeasureSet back;
    ASSERT_TRUE(ParseTSVLine(BuildTSVLine(e, TSVVShort), back, TSVVShort));
    EXPECT_EQ(back.DateTime, (TDateData{200, 61, 25, 31, 0, 0}));
}

TEST(MeasureFileFormat, StatisticsAndIntegerCells) {
    struct Case {
        float value;
        const char* text;
    } floats[] = {{0.f, "0.00"}, {1.005f, "1.00"}, {-2.5f, "-2.50"}, {123456.78f, "123456.78"},
                  {Inf, "INF"},  {-Inf, "-INF"},   {NaN, "NAN"}};
    for (const auto& c : floats) EXPECT_EQ(FormatTSVFloat(c.value), c.text);
    EXPECT_EQ(FormatTSVInt(5), "005");
    EXPECT_EQ(FormatTSVInt(-5), "-005");
    EXPECT_EQ(FormatTSVInt(1234), "1234");
    EXPECT_EQ(FormatTSVInt(-32768), "-32768");

    struct Parse {
        const char* text;
        bool ok;
        float value;
    } parses[] = {
        {"1.5", true, 1.5f},  {"1,5", true, 1.5f},    {"-0.25", true, -0.25f}, {"+2", true, 2.f},
        {"1e2", true, 100.f}, {"INF", true, Inf},     {"-INF", true, -Inf},    {"inf", false, 0},
        {"nan", false, 0},    {"Infinity", false, 0}, {"1.5.1", false, 0},     {"1,5.1", false, 0},
        {"", false, 0},       {" 1", false, 0},       {"0x10", false, 0},      {"1e99", false, 0},
    };
    for (const auto& c : parses) {
        float v = 0;
        EXPECT_EQ(TryParseTSVFloat(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    float v = 0;
    EXPECT_TRUE(TryParseTSVFloat("NAN", v));
    EXPECT_TRUE(std::isnan(v));
}

TEST(MeasureFileFormat, DateCells) {
    struct Case {
        const char* text;
        bool ok;
        TDateTimeFields fields;
    } cases[] = {
        {"07/03/2019 14:05:09", true, {2019, 7, 3, 14, 5, 9}},
        {"7/3/2019", true, {2019, 7, 3}},
        {"12/31/2099 9:05", true, {2099, 12, 31, 9, 5}},
        {"02/29/2020", true, {2020, 2, 29}},
        {"02/29/2019", false, {}},
        {"13/01/2019", false, {}},
        {"07/03/19", false, {}},
        {"07/03/2019 24:00:00", false, {}},
        {"07/03/2019 14:5", false, {}},
        {"07/03/2019 14:05:09 PM", false, {}},
        {"2019-07-03", false, {}},
    };
    for (const auto& c : cases) {
        TDateTimeFields f;
        EXPECT_EQ(TryParseFileDateTime(c.text, f), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(f, c.fields) << c.text;
        }
    }
    EXPECT_EQ(FormatFileDateTime(EncodeDateTime(2019, 7, 3, 14, 5, 9)), "07/03/2019 14:05:09");
    EXPECT_EQ(FormatFileDateTime(EncodeDateTime(2019, 7, 3)), "07/03/2019");
}

TEST(MeasureFileFormat, RejectsLinesThatAreNotTheProgramsOwn) {
    const std::string head = "id\tname\tlot\tmaker\t07/03/2019\tcomment\t";
    const std::string shortGroups = std::string(40, '\t');
    const std::string longHead = head + "3.7\t25.00\t" + shortGroups;
    std::string stats;
    for (int j = 0; j < 10; ++j) stats += "1.00\t2.00\t3.00\t4.00\t5.00\t6.00\t007\t008\t009\t";
    std::string image257;
    for (int i = 0; i < 257; ++i) image257 += "1\t";
    struct Case {
        const char* what;
        std::string line;
        ETSVVersion style;
        bool ok;
    } cases[] = {
        {"short", head + shortGroups, TSVVShort, true},
        {"bad date", "id\tname\tlot\tmaker\tyesterday\tc\t", TSVVShort, false},
        {"empty line", "", TSVVShort, false},
        {"eleventh result group", head + shortGroups + "x\t1\tu\tc\t", TSVVShort, false},
        {"long line read as short", longHead + stats, TSVVShort, false},
        {"long without stats or image", longHead, TSVVLong, true},
        {"image right after the results", longHead + "5\t6\t7", TSVVLong, true},
        {"image value with text", longHead + stats + "5\tx\t7\t", TSVVLong, false},
        {"negative image value", longHead + stats + "5\t-1\t", TSVVLong, false},
        {"257 image values", longHead + stats + image257, TSVVLong, false},
        {"statistics cell with text", longHead + "abc\t" + stats, TSVVLong, false},
        {"integer cell with a fraction", longHead + "1.00\t2.00\t3.00\t4.00\t5.00\t6.00\t7.5\t", TSVVLong,
         false},
    };
    for (const auto& c : cases) {
        TMeasureSet e;
        EXPECT_EQ(ParseTSVLine(c.line, e, c.style), c.ok) << c.what;
    }

    TMeasureSet e;
    ASSERT_TRUE(ParseTSVLine(longHead + "5\t6\t7", e, TSVVLong));
    EXPECT_EQ(e.MeasureResult.LineCount, 0);
    EXPECT_EQ(e.OrigImage[2], 7);
    EXPECT_EQ(e.OrigImage[3], -1);
    EXPECT_EQ(e.ImgMin, "5");
    EXPECT_EQ(e.ImgMax, "7");
}

TEST(MeasureFileFormat, LineStatisticsCountOnlyGroupsWithContent) {
    const std::string line = "id\t\t\t\t07/03/2019\t\t\t\t" + std::string(40, '\t') +
                             "\t\t\t\t\t\t\t\t065\t" + "1,25\t\t\t\t\t\t\t\t\t" + std::string(8 * 9, '\t') +
                             "3\t";
    TMeasureSet e;
    ASSERT_TRUE(ParseTSVLine(line, e, TSVVLong));
    EXPECT_EQ(e.MeasureResult.LineCount, 2);
    EXPECT_EQ(e.MeasureResult.Results.Line[0].Width, 65);
    EXPECT_EQ(e.MeasureResult.Results.Line[1].MeanValue, 1.25f);
    EXPECT_EQ(e.OrigImage[0], 3);
    EXPECT_TRUE(e.ResultList.empty());
}

TEST(MeasureFileFormat, CellsNeverBreakTheColumns) {
    TMeasureSet e = SampleEntry();
    e.UserComment = "two\tcells\r\nand a line";
    std::string line = BuildTSVLine(e, TSVVShort);
    EXPECT_EQ(Tabs(line), 46u);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    TMeasureSet back;
    ASSERT_TRUE(ParseTSVLine(line, back, TSVVShort));
    EXPECT_EQ(back.UserComment, "two cells  and a line");
}

TEST_F(MeasureFileFixture, WrittenFileReadsBackUnchanged) {
    TMeasureSet a = SampleEntry();
    AddLines(a);
    a.SetImageValues(Ramp(120));
    a.TestName = "Gr\xC3\xBC\xC3\x9F"
                 "e \xE2\x82\xAC";
    std::vector<std::string> lines{BuildTSVHeader(TSVVLong, lang), BuildTSVLine(a, TSVVLong)};
    std::string error;
    ASSERT_TRUE(WriteTextFileLines(dir / "Results.tsv", lines, error)) << error;
    std::vector<std::string> read;
    ASSERT_TRUE(ReadTextFileLines(dir / "Results.tsv", read, error)) << error;
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(DetectTSVStyle(read[0]), TSVVLong);
    TMeasureSet back;
    ASSERT_TRUE(ParseTSVLine(read[1], back, TSVVLong));
    ExpectSameEntry(a, back, TSVVLong);
}

TEST_F(MeasureFileFixture, TextSourceAnswersFromTheLanguageFile) {
    lang.SetVal("Deutsch", 203, "G\xC3\xBCltig");
    lang.CurrentLanguage = "Deutsch";
    TLanguageTextSource texts(lang);
    EXPECT_EQ(texts.GetText(TextIdValid, "Valid"), "G\xC3\xBCltig");
    EXPECT_EQ(texts.GetText(TextIdInvalid, "ignored"), "Invalid"); // the built-in default
    EXPECT_EQ(lang.GetVal("English", "204"), "Invalid");
    EXPECT_EQ(texts.GetText(4711, "Other"), "Other");
}

} // namespace
