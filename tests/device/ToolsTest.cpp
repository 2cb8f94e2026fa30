#include "Tools.h"

#include <gtest/gtest.h>

namespace {

TEST(BitField, GetAndSet8And16) {
    EXPECT_EQ(GetBitField8(0xA5, 0x44), 0x0A);
    EXPECT_EQ(GetBitField8(0xA5, 0x04), 0x05);
    EXPECT_EQ(GetBitField8(0x10, 0x41), 1);
    EXPECT_EQ(GetBitField8(0xFE, 0x01), 0);
    EXPECT_EQ(GetBitField8(0xF8, 0x35), 0x1F);
    EXPECT_EQ(GetBitField8(0x80, 0x78), 1); // a field reaching past bit 7 sees only what is there
    std::uint8_t b = 0xFF;
    SetBitField8(b, 0x44, 3);
    EXPECT_EQ(b, 0x3F);
    b = 0x00;
    SetBitField8(b, 0x11, 1);
    EXPECT_EQ(b, 0x02);

    EXPECT_EQ(GetBitField16(0x1F00, 0x85), 0x1F);
    EXPECT_EQ(GetBitField16(0xFFFF, 0x85), 0x1F);
    std::uint16_t w = 0xFFFF;
    SetBitField16(w, 0x85, 0);
    EXPECT_EQ(w, 0xE0FF);
    SetBitField16(w, 0x85, 0x15);
    EXPECT_EQ(w, 0xF5FF);
}

TEST(BitField, Get32) {
    EXPECT_EQ(GetBitField32(0x10, 0x401), 1u);
    EXPECT_EQ(GetBitField32(0x01000000, 0x1801), 1u);
    EXPECT_EQ(GetBitField32(0xFEFFFFFF, 0x1801), 0u);
    EXPECT_EQ(GetBitField32(0xDEADBEEF, 0x0020), 0xDEADBEEFu);
    EXPECT_EQ(GetBitField32(0xDEADBEEF, 0x1010), 0xDEADu);
}

TEST(TextHelpers, UpperCaseAsciiOnlyTouchesAtoZ) {
    EXPECT_EQ(UpperCaseAscii("Auto-connect yes"), "AUTO-CONNECT YES");
    EXPECT_EQ(UpperCaseAscii("gr\xC3\xBC\xC3\x9F"), "GR\xC3\xBC\xC3\x9F"); // "grüß": ü and ß stay
    EXPECT_EQ(UpperCaseAscii(""), "");
}

TEST(TextHelpers, TrimBlanks) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"   ", "   "}, {"", ""}, {" a b ", "a b"}, {"\tx ", "\tx"}, {"x", "x"}, {"  x\t", "x\t"},
    };
    for (const auto& tc : cases) EXPECT_EQ(TrimBlanks(tc.in), tc.out) << "[" << tc.in << "]";
}

TEST(TextHelpers, IntToStrPadded) {
    EXPECT_EQ(IntToStrPadded(7, 3, '0'), "007");
    EXPECT_EQ(IntToStrPadded(1234, 3, '0'), "1234");
    EXPECT_EQ(IntToStrPadded(5, 4, ' '), "   5");
    EXPECT_EQ(IntToStrPadded(-5, 3, '0'), "0-5");
}

TEST(TextHelpers, TryStrToUInt32) {
    struct {
        const char* in;
        bool ok;
        std::uint32_t value;
    } cases[] = {
        {"0", true, 0},          {"4294967295", true, 4294967295u}, {"4294967296", false, 0},
        {"-1", false, 0},        {"+12", true, 12},                 {"", false, 0},
        {"12a", false, 0},       {" 12", false, 0},                 {"99999999999999999999", false, 0},
        {"000042", true, 42},
    };
    for (const auto& tc : cases) {
        std::uint32_t v = 777;
        EXPECT_EQ(TryStrToUInt32(tc.in, v), tc.ok) << tc.in;
        EXPECT_EQ(v, tc.ok ? tc.value : 777u) << tc.in;
    }
}

} // namespace
