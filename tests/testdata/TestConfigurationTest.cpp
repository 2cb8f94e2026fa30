#include "TestConfiguration.h"

#include <gtest/gtest.h>

namespace {

// A configuration with lines, results, classes, filters, white values and names.
TTestConfig SampleConfig() {
    TTestConfig cfg;
    cfg.Version = 4;
    cfg.TestID = {12, 3, 1, 7};
    std::uint16_t pos = cfg.AddStrPtrToCfg("Troponin Test", 6) + 1;
    cfg.OemSection.PtrTestName = 6;
    cfg.OemSection.PtrLotNr = pos;
    pos = cfg.AddStrPtrToCfg("LOT-42", pos) + 1;
    cfg.CaptureSection.PtrTouringProgram = pos;
    cfg.AddStrPtrToCfg("R0=L0", pos);
    cfg.CaptureSection.LineCntFilterWidth.SetLineCount(2);
    cfg.CaptureSection.LineCntFilterWidth.SetFilterCount(3);
    cfg.FilterCoefficient[2] = 0.25f;
    cfg.LineSection[0] = {1, 100, 8, 20, 0x1111, 0x2222, 0};
    cfg.LineSection[1] = {0, 30, 6, 10, 0, 0, 0};
    cfg.CaptureSection.ResultClassCnt.SetResultCount(1);
    cfg.CaptureSection.ResultClassCnt.SetClassCount(2);
    cfg.ResultSection[0].SetClassRange(0, 2);
    cfg.ResultSection[0].SetHasClasses(true);
    cfg.ClassSection[0] = {1.0f, 0};
    cfg.ClassSection[1] = {5.0f, 0};
    cfg.CaptureSection.CartridgeImgSize = 4;
    for (int i = 0; i < 4; ++i) cfg.Set12BitWhite(i, U16{static_cast<std::uint16_t>(0x100 * i + 0x23)});
    cfg.CreditCount = 5;
    return cfg;
}

tByteBuffer Build(TTestConfig cfg) {
    tByteBuffer form;
    BuildTestConfig(cfg, form);
    return form;
}

TEST(TestConfig, FirstByteDecidesWhetherItIsAConfiguration) {
    struct Case {
        tByteBuffer form;
        int result;
    };
    const Case cases[] = {{{}, CfgParseNoConfig},
                          {{0, 1, 2}, CfgParseNoConfig},
                          {{6, 0, 0}, CfgParseWrongVersion},
                          {{1, 0, 0}, CfgParseWrongVersion},
                          {{0xFF}, CfgParseWrongVersion}};
    for (const Case& c : cases) {
        TTestConfig cfg = SampleConfig();
        EXPECT_EQ(ParseTestConfig(cfg, c.form, false), c.result);
        EXPECT_TRUE(cfg.CompareTo(TTestConfig{})) << "a failed parse leaves the reset configuration";
    }
}

TEST(TestConfig, EmptyConfigurationIs64Bytes) {
    TTestConfig cfg;
    tByteBuffer form;
    BuildTestConfig(cfg, form);
    EXPECT_EQ(cfg.CfgSize, 64);
    ASSERT_EQ(form.size(), 64u);
    EXPECT_EQ(form[1], 64);
    EXPECT_EQ(form[2], 0);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 58; ++i) sum += form[i];
    EXPECT_EQ(cfg.CheckSum, sum);
    std::uint32_t c = 58;
    EXPECT_EQ(BufReadDWord(form, c), sum);
    EXPECT_EQ(BufReadWord(form, c), 0xFFFF);
}

TEST(TestConfig, BuildThenParseGivesTheSameForm) {
    TTestConfig original = SampleConfig();
    tByteBuffer form = Build(original);
    EXPECT_EQ(form.size(), 52u + 4 * 3 + 9 * 2 + 15 + 6 * 2 + 6 + original.CaptureSection.StringSize + 6);
    TTestConfig parsed;
    ASSERT_EQ(ParseTestConfig(parsed, form, false), CfgParseOk);
    EXPECT_EQ(Build(parsed), form);
    EXPECT_TRUE(parsed.CompareTo(original));
    EXPECT_EQ(parsed.ReadStringData(parsed.OemSection.PtrTestName), "Troponin Test");
    EXPECT_EQ(parsed.ReadStringData(parsed.OemSection.PtrLotNr), "LOT-42");
    EXPECT_EQ(parsed.TestID, (UUniqueTestID{12, 3, 1, 7}));
    EXPECT_EQ(parsed.Get12BitWhite(3), 0x323);
    EXPECT_EQ(parsed.CreditCount, 5);
    EXPECT_FLOAT_EQ(parsed.FilterCoefficient[2], 0.25f);
}

TEST(TestConfig, Checksum) {
    tByteBuffer form = Build(SampleConfig());
    const std::size_t sumAt = form.size() - 6;
    std::uint32_t c = static_cast<std::uint32_t>(sumAt);
    const std::uint32_t good = BufReadDWord(form, c);

    TTestConfig cfg;
    tByteBuffer zeroSum = form;
    c = static_cast<std::uint32_t>(sumAt);
    BufWriteDWord(zeroSum, c, 0);
    zeroSum[40] ^= 0x55; // whatever the contents, a zero checksum is accepted
    EXPECT_EQ(ParseTestConfig(cfg, zeroSum, false), CfgParseOk);
    EXPECT_EQ(cfg.CheckSum, good - form[40] + zeroSum[40]);

    tByteBuffer corrupt = form;
    corrupt[40] ^= 0x55;
    EXPECT_EQ(ParseTestConfig(cfg, corrupt, false), CfgParseChecksumWrong);
    EXPECT_EQ(cfg.TestID.CustomerID, 12) << "stays filled with a wrong checksum";
    EXPECT_EQ(ParseTestConfig(cfg, corrupt, true), CfgParseOk);

    // The credit counter after the checksum is not covered.
    tByteBuffer credit = form;
    credit.back() ^= 0xFF;
    EXPECT_EQ(ParseTestConfig(cfg, credit, false), CfgParseOk);

    // Without its credit counter the form is still whole.
    tByteBuffer noCredit(form.begin(), form.end() - 2);
    EXPECT_EQ(ParseTestConfig(cfg, noCredit, false), CfgParseOk);
    // A form cut off before its checksum fails, even where the missing sum would read as 0.
    for (std::size_t len : {form.size() - 3, sumAt, std::size_t(60), std::size_t(3)}) {
        tByteBuffer shortForm(form.begin(), form.begin() + static_cast<std::ptrdiff_t>(len));
        EXPECT_EQ(ParseTestConfig(cfg, shortForm, false), CfgParseChecksumWrong) << len;
    }
}

TEST(TestConfig, ClearedWhiteBlock) {
    TTestConfig a = SampleConfig();
    a.CaptureSection.CaptureConfig.SetCartridgeWhiteCleared(true);
    TTestConfig b = a;
    b.CaptureSection.CartridgeImgSize = 100;
    b.Set12BitWhite(50, U16{0xABC});
    b.CartridgeWhite[385] = 0x77; // past the 384 cleared bytes, never written
    EXPECT_TRUE(a.CompareTo(b));
    tByteBuffer form;
    BuildTestConfig(b, form);
    EXPECT_EQ(b.CaptureSection.CartridgeImgSize, 0) << "back to 0 after building";
    std::uint32_t c = 31;
    EXPECT_EQ(BufReadWord(form, c), 256);
    EXPECT_EQ(form.size(), 52u + 12 + 18 + 15 + 12 + 384 + b.CaptureSection.StringSize + 6);

    // Whatever white bytes and size field the form carries, they count as cleared,
    // also for the checksum; the caller's bytes stay untouched.
    tByteBuffer dirty = form;
    dirty[31] = 0x34;
    dirty[32] = 0x12;
    dirty[52 + 12 + 18 + 15 + 12 + 10] = 0xEE;
    const tByteBuffer before = dirty;
    TTestConfig parsed;
    EXPECT_EQ(ParseTestConfig(parsed, dirty, false), CfgParseOk);
    EXPECT_EQ(dirty, before);
    EXPECT_EQ(parsed.CaptureSection.CartridgeImgSize, 0);
    EXPECT_EQ(parsed.CartridgeWhite[10], 0);
    EXPECT_EQ(Build(parsed), form);
}

TEST(TestConfig, LinesEvenWidthsAndAbsolutePositions) {
    TTestConfig cfg;
    cfg.CaptureSection.LineCntFilterWidth.SetLineCount(4);
    cfg.LineSection[0] = {1, 100, 7, 9, 0, 0, 0};
    cfg.LineSection[1] = {0, 20, 6, 6, 0, 0, 0};
    cfg.LineSection[2] = {1, 30, 6, 6, 0, 0, 0};
    cfg.LineSection[3] = {0, 15, 6, 6, 0, 0, 0};
    TTestConfig parsed;
    ASSERT_EQ(ParseTestConfig(parsed, Build(cfg), false), CfgParseOk);
    EXPECT_EQ(parsed.LineSection[0].LineWidth, 6);
    EXPECT_EQ(parsed.LineSection[0].SearchWidth, 8);
    const int absolute[] = {100, 120, 130, 145};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(parsed.LineSection[i].Position + parsed.LineSection[i].PositionBase, absolute[i]) << i;

    // Deleting the first reference line keeps every other absolute position.
    parsed.DeleteTestLine(2);
    parsed.AdjustRelativeLinePos();
    EXPECT_EQ(parsed.LineCount(), 3);
    const int after[] = {100, 120, 145};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(parsed.LineSection[i].Position + parsed.LineSection[i].PositionBase, after[i]) << i;
    EXPECT_EQ(parsed.LineSection[2].PositionBase, 100);
    EXPECT_EQ(parsed.LineSection[3].Position, 0);
}

TEST(TestConfig, FormsBeyondTheInMemoryLimitsAreRejected) {
    struct Case {
        const char* name;
        void (*edit)(TTestConfig&);
    };
    const Case cases[] = {
        {"11 lines", [](TTestConfig& c) { c.CaptureSection.LineCntFilterWidth.SetLineCount(11); }},
        {"11 results", [](TTestConfig& c) { c.CaptureSection.ResultClassCnt.SetResultCount(11); }},
        {"258 white values", [](TTestConfig& c) { c.CaptureSection.CartridgeImgSize = 258; }},
        {"4001 string bytes", [](TTestConfig& c) { c.CaptureSection.StringSize = 4001; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestConfig big = SampleConfig();
        c.edit(big);
        tByteBuffer form = Build(big); // counts past memory are written as zeros
        TTestConfig parsed = SampleConfig();
        EXPECT_EQ(ParseTestConfig(parsed, form, true), CfgParseNoConfig);
        EXPECT_TRUE(parsed.CompareTo(TTestConfig{}));
    }
    // At the limits everything still fits.
    TTestConfig full = SampleConfig();
    full.CaptureSection.LineCntFilterWidth.SetLineCount(10);
    full.CaptureSection.ResultClassCnt.SetResultCount(10);
    full.CaptureSection.ResultClassCnt.SetClassCount(31);
    full.CaptureSection.LineCntFilterWidth.SetFilterCount(15);
    full.CaptureSection.CartridgeImgSize = 257;
    full.CaptureSection.StringSize = 4000;
    TTestConfig parsed;
    EXPECT_EQ(ParseTestConfig(parsed, Build(full), false), CfgParseOk);
    EXPECT_TRUE(parsed.CompareTo(full));
}

TEST(TestConfig, StringData) {
    TTestConfig cfg;
    EXPECT_EQ(cfg.ReadStringData(1), "FAIL");
    EXPECT_EQ(cfg.CaptureSection.StringSize, 6);
    EXPECT_EQ(cfg.CaptureSection.PtrTestInvalidText, 1);
    EXPECT_EQ(cfg.ReadStringData(0), "");
    EXPECT_EQ(cfg.ReadStringData(3), "IL");

    // Bytes are ISO 8859-1; text is UTF-8 both ways.
    EXPECT_EQ(cfg.AddStrPtrToCfg("Müller €", 6), 14);
    EXPECT_EQ(cfg.StringData[7], 0xFC);
    EXPECT_EQ(cfg.StringData[13], 0xAC) << "low byte of U+20AC";
    EXPECT_EQ(cfg.CaptureSection.StringSize, 15);
    EXPECT_EQ(cfg.ReadStringData(6), "Müller \xC2\xAC");

    // A text without a terminating 0 ends at StringSize.
    cfg.StringData[14] = 'X';
    cfg.StringData[15] = 'Y';
    EXPECT_EQ(cfg.ReadStringData(12), " \xC2\xAC"
                                      "X");
    EXPECT_EQ(cfg.ReadStringData(4000), "");

    // No room: nothing changes.
    EXPECT_EQ(cfg.AddStrPtrToCfg("abc", 3997), 4000);
    EXPECT_EQ(cfg.CaptureSection.StringSize, 15);
    EXPECT_EQ(cfg.AddStrPtrToCfg("abc", 3996), 3999);
    EXPECT_EQ(cfg.CaptureSection.StringSize, 4000);
}

TEST(TestConfig, IsInStringData) {
    TTestConfig cfg;
    cfg.AddStrPtrToCfg("NEG", 10);
    cfg.AddStrPtrToCfg("POS", 20);
    EXPECT_EQ(cfg.IsInStringData(""), -2);
    EXPECT_EQ(cfg.IsInStringData("FAIL"), 1);
    EXPECT_EQ(cfg.IsInStringData("POS"), 20);
    EXPECT_EQ(cfg.IsInStringData("AIL"), -1) << "only whole texts count";
    EXPECT_EQ(cfg.IsInStringData("NE"), -1);
    EXPECT_EQ(cfg.IsInStringData("MISSING"), -1);
    cfg.AddStrPtrToCfg("IL", 30);
    EXPECT_EQ(cfg.IsInStringData("IL"), -1) << "the first occurrence is inside FAIL";
}

TEST(TestConfig, TwelveBitWhite) {
    TTestConfig cfg;
    cfg.CaptureSection.CartridgeImgSize = 5;
    const std::uint16_t values[] = {0xABC, 0x123, 0xFFF, 0x000, 0x5A5};
    for (int i = 0; i < 5; ++i) cfg.Set12BitWhite(i, U16{values[i]});
    EXPECT_EQ(cfg.CartridgeWhite[0], 0xAB);
    EXPECT_EQ(cfg.CartridgeWhite[1], 0xC1);
    EXPECT_EQ(cfg.CartridgeWhite[2], 0x23);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(cfg.Get12BitWhite(i), values[i]) << i;
    EXPECT_EQ(cfg.Get12BitWhite(5), 600);
    // The last even index of the block and beyond it stay inside the 386 bytes.
    cfg.CaptureSection.CartridgeImgSize = 1000;
    cfg.Set12BitWhite(257, U16{0xFFF});
    cfg.Set12BitWhite(900, U16{0xFFF});
    EXPECT_EQ(cfg.Get12BitWhite(257), 0xF00);
    EXPECT_EQ(cfg.Get12BitWhite(900), 0);
}

TEST(TestConfig, ClassEditing) {
    // Result 0 holds classes 0-1, result 1 holds classes 2-4.
    TTestConfig cfg;
    cfg.CaptureSection.ResultClassCnt.SetResultCount(3);
    cfg.CaptureSection.ResultClassCnt.SetClassCount(5);
    cfg.ResultSection[0].SetClassRange(0, 2);
    cfg.ResultSection[1].SetClassRange(2, 3);
    cfg.ResultSection[0].SetHasClasses(true);
    cfg.ResultSection[1].SetHasClasses(true);
    for (int i = 0; i < 5; ++i) cfg.ClassSection[i].Threshold = float(i);

    cfg.InsertClass(0); // at the end of result 0's range
    EXPECT_EQ(cfg.ClassCount(), 6);
    EXPECT_EQ(cfg.ResultSection[0].ClassRangeCount(), 3);
    EXPECT_EQ(cfg.ResultSection[1].ClassRangeFirst(), 3);
    EXPECT_EQ(cfg.ClassSection[2].Threshold, 0.0f);
    EXPECT_EQ(cfg.ClassSection[3].Threshold, 2.0f);

    cfg.InsertClass(2); // empty range: a new last class
    EXPECT_EQ(cfg.ResultSection[2].ClassRangeFirst(), 6);
    EXPECT_EQ(cfg.ResultSection[2].ClassRangeCount(), 1);
    EXPECT_TRUE(cfg.ResultSection[2].HasClasses());

    cfg.DeleteClass(0);
    EXPECT_EQ(cfg.ResultSection[0].ClassRangeCount(), 2);
    EXPECT_EQ(cfg.ResultSection[1].ClassRangeFirst(), 2);
    EXPECT_EQ(cfg.ResultSection[2].ClassRangeFirst(), 5);
    EXPECT_EQ(cfg.ClassSection[0].Threshold, 1.0f);

    cfg.DeleteClass(5); // result 2's only class
    EXPECT_EQ(cfg.ResultSection[2].ClassRange, 0);
    EXPECT_FALSE(cfg.ResultSection[2].HasClasses());
    EXPECT_EQ(cfg.ClassCount(), 5);

    cfg.ResultSection[1].PtrResultName = 77;
    cfg.DeleteResult(0); // its two classes go, result 1 moves down
    EXPECT_EQ(cfg.ResultCount(), 2);
    EXPECT_EQ(cfg.ClassCount(), 3);
    EXPECT_EQ(cfg.ResultSection[0].PtrResultName, 77);
    EXPECT_EQ(cfg.ResultSection[0].ClassRangeFirst(), 0);
    EXPECT_EQ(cfg.ResultSection[0].ClassRangeCount(), 3);
    EXPECT_EQ(cfg.ClassSection[0].Threshold, 2.0f);
    EXPECT_EQ(cfg.ResultSection[9].DisplayFormat, 0x12) << "last entry back to defaults";

    // Out-of-range indices change nothing.
    TTestConfig before = cfg;
    cfg.DeleteClass(3);
    cfg.DeleteResult(5);
    cfg.DeleteTestLine(0);
    cfg.DeleteFilter(-1);
    cfg.InsertClass(7);
    EXPECT_TRUE(cfg.CompareTo(before));
}

TEST(TestConfig, FiltersAndValidity) {
    TTestConfig cfg;
    EXPECT_FALSE(cfg.IsValid());
    cfg.CaptureSection.LineCntFilterWidth.SetFilterCount(3);
    cfg.FilterCoefficient = {1.0f, 2.0f, 3.0f};
    cfg.DeleteFilter(0);
    EXPECT_EQ(cfg.FilterCount(), 2);
    EXPECT_EQ(cfg.FilterCoefficient[0], 2.0f);
    EXPECT_EQ(cfg.FilterCoefficient[2], 0.0f);
    cfg.CaptureSection.LineCntFilterWidth.SetLineCount(1);
    cfg.CaptureSection.ResultClassCnt.SetResultCount(1);
    EXPECT_FALSE(cfg.IsValid());
    cfg.CaptureSection.PtrTouringProgram = 1;
    EXPECT_TRUE(cfg.IsValid());
}

} // namespace
