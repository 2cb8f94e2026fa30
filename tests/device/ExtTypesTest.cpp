#include "ExtTypes.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>

namespace {

TEST(BufRead, ShortBufferReadsZeroAndKeepsCursor) {
    tByteBuffer b{0x34, 0x12, 0xAB};
    std::uint32_t c = 0;
    EXPECT_EQ(BufReadWord(b, c), 0x1234);
    EXPECT_EQ(c, 2u);
    // One byte left: it is the low byte, the cursor moves by one.
    EXPECT_EQ(BufReadWord(b, c), 0x00AB);
    EXPECT_EQ(c, 3u);
    EXPECT_EQ(BufReadByte(b, c), 0);
    EXPECT_EQ(BufReadDWord(b, c), 0u);
    EXPECT_EQ(c, 3u);
    // A fixed field sequence over a short block ends at the block's length.
    c = 1;
    for (int i = 0; i < 5; ++i) BufReadDWord(b, c);
    EXPECT_EQ(c, 3u);
}

TEST(BufRead, DWordAndSingleAreLittleEndian) {
    tByteBuffer b{0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x80, 0x3F};
    std::uint32_t c = 0;
    EXPECT_EQ(BufReadDWord(b, c), 0x12345678u);
    EXPECT_EQ(BufReadSingle(b, c), 1.0f);
    EXPECT_EQ(c, 8u);
}

TEST(BufWrite, GrowsZeroFilledAndOverwritesBelowLength) {
    tByteBuffer b{1, 2};
    std::uint32_t c = 5;
    BufWriteByte(b, c, 9);
    EXPECT_EQ(b, (tByteBuffer{1, 2, 0, 0, 0, 9}));
    EXPECT_EQ(c, 6u);
    c = 0;
    BufWriteWord(b, c, 0xBEEF);
    BufWriteDWord(b, c, 0x01020304);
    EXPECT_EQ(b, (tByteBuffer{0xEF, 0xBE, 4, 3, 2, 1}));
    tByteBuffer s;
    c = 0;
    BufWriteSingle(s, c, 1.0f);
    EXPECT_EQ(s, (tByteBuffer{0x00, 0x00, 0x80, 0x3F}));
}

TEST(BufWrite, SingleRoundTripsEveryPattern) {
    for (float v : {0.0f, -0.0f, 0.29f, -123.5f, 3.4e38f, 1e-45f}) {
        tByteBuffer b;
        std::uint32_t c = 0;
        BufWriteSingle(b, c, v);
        c = 0;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(BufReadSingle(b, c)), std::bit_cast<std::uint32_t>(v));
    }
}

struct CopyCase {
    const char* name;
    tByteBuffer target;
    std::uint32_t count, targetIndex, sourceIndex;
    std::uint32_t copied;
    tByteBuffer expected;
};

TEST(BufCopy, Cases) {
    const tByteBuffer source{10, 11, 12, 13};
    const CopyCase cases[] = {
        {"exact", {}, 2, 0, 1, 2, {11, 12}},
        {"count 0 takes the rest", {}, 0, 0, 1, 3, {11, 12, 13}},
        {"too many takes the rest", {1}, 9, 1, 2, 2, {1, 12, 13}},
        {"grows target with zeros", {}, 1, 3, 0, 1, {0, 0, 0, 10}},
        {"overwrites inside target", {1, 2, 3, 4}, 2, 1, 0, 2, {1, 10, 11, 4}},
        {"source index at the end copies nothing", {7}, 2, 0, 4, 0, {7}},
        {"source index far beyond copies nothing", {7}, 0, 0, 1000, 0, {7}},
    };
    for (const auto& tc : cases) {
        tByteBuffer t = tc.target;
        EXPECT_EQ(BufCopy(t, source, tc.count, tc.targetIndex, tc.sourceIndex), tc.copied) << tc.name;
        EXPECT_EQ(t, tc.expected) << tc.name;
    }
}

TDateData D(int s, int mi, int h, int d, int mo, int y) {
    TDateData r;
    EncodeDateData(r, static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(mo), static_cast<std::uint8_t>(d),
                   static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(mi), static_cast<std::uint8_t>(s));
    return r;
}

TEST(DateData, ClearIsTheMillenniumAndValid) {
    TDateData d = D(5, 5, 5, 5, 5, 5);
    ClearDateData(d);
    EXPECT_EQ(d, D(0, 0, 0, 1, 1, 0));
    EXPECT_TRUE(IsValidDateData(d));
    EXPECT_EQ(DecodeDateTime(DateDataToDateTime(d)), (TDateTimeFields{2000, 1, 1, 0, 0, 0, 0}));
}

TEST(DateData, Validity) {
    struct {
        TDateData d;
        bool valid;
    } cases[] = {
        {D(5, 4, 3, 2, 0, 0), false},   // month 0
        {D(0, 0, 0, 29, 2, 20), true},  // 2020 is a leap year
        {D(0, 0, 0, 29, 2, 19), false}, // 2019 is not
        {D(0, 0, 0, 29, 2, 100), false}, // 2100 is not
        {D(0, 0, 0, 29, 2, 200), false}, // 2200: divisible by 100, not by 400
        {D(0, 0, 0, 31, 4, 1), false},
        {D(0, 0, 0, 0, 4, 1), false},
        {D(59, 59, 23, 31, 12, 255), true},
        {D(60, 0, 0, 1, 1, 0), false},
        {D(0, 60, 0, 1, 1, 0), false},
        {D(0, 0, 24, 1, 1, 0), false},
        {D(0, 0, 0, 1, 13, 0), false},
    };
    for (const auto& tc : cases)
        EXPECT_EQ(IsValidDateData(tc.d), tc.valid)
            << int(tc.d.Year) << "-" << int(tc.d.Month) << "-" << int(tc.d.MonthDay) << " " << int(tc.d.Hour) << ":"
            << int(tc.d.Minutes) << ":" << int(tc.d.Seconds);
}

TEST(DateData, RawTextLeavesOutMonthAndYear) {
    EXPECT_EQ(DateDataToRawText(D(5, 4, 3, 2, 0, 0)), "33752069");
    EXPECT_EQ(DateDataToRawText(D(5, 4, 3, 2, 9, 99)), "33752069");
    EXPECT_EQ(DateDataToRawText(D(255, 255, 255, 255, 0, 0)), "4294967295");
}

TEST(DateData, ToDateTimeAndBack) {
    TDateData d = D(7, 30, 14, 29, 2, 24);
    EXPECT_EQ(DecodeDateTime(DateDataToDateTime(d)), (TDateTimeFields{2024, 2, 29, 14, 30, 7, 0}));
    std::uint8_t y, mo, day, h, mi, s;
    DecodeDateData(d, y, mo, day, h, mi, s);
    EXPECT_EQ((std::array<int, 6>{y, mo, day, h, mi, s}), (std::array<int, 6>{24, 2, 29, 14, 30, 7}));
}

TEST(DateTime, EncodeRollsOverAndDecodesMilliseconds) {
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(2023, 12, 31, 23, 59, 59, 999)),
              (TDateTimeFields{2023, 12, 31, 23, 59, 59, 999}));
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(2023, 13, 1)), (TDateTimeFields{2024, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(2023, 2, 29)), (TDateTimeFields{2023, 3, 1, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeDateTime(2024, 1, 1, 0, 0, 1) - EncodeDateTime(2024, 1, 1), std::chrono::seconds(1));
}

} // namespace
