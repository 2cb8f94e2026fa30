#include "StatusTable.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusTable, TextsAndTimeOutsInBothModes) {
    struct {
        int code;
        std::uint32_t text;
        std::int32_t ftdi, com;
    } cases[] = {
        {0, 500, 0, 0},       {1, 513, 5000, 5000}, {2, 514, 5000, 5000}, {5, 567, 8500, 8500},
        {7, 565, 8500, 8500}, {8, 530, 8500, 8500}, {12, 567, 50, 1000},  {13, 500, 100, 1000},
        {14, 567, 100, 1000}, {16, 575, 0, 0},      {17, 567, 100, 1000}, {18, 9999, 0, 0},
        {19, 9999, 0, 0},     {20, 583, 0, 0},      {21, 575, 100, 100},  {22, 575, 100, 100},
        {9, 9999, 0, 0},      {3, 9999, 0, 0},      {255, 9999, 0, 0},
    };
    for (const auto& tc : cases) {
        auto code = static_cast<std::uint8_t>(tc.code);
        EXPECT_EQ(StatusInfo(code).Text->ID, tc.text) << tc.code;
        EXPECT_EQ(StatusTimeOut(code, true, 1000), tc.ftdi) << tc.code;
        EXPECT_EQ(StatusTimeOut(code, false, 1000), tc.com) << tc.code;
    }
}

TEST(StatusTable, GetTimeTakesItsSetting) {
    EXPECT_EQ(StatusInfo(15).Text->ID, 500u);
    EXPECT_EQ(StatusTimeOut(15, true, 1234), 1234);
    EXPECT_EQ(StatusTimeOut(15, false, 0), 0);
}

} // namespace
