// The comparisons behind the report views' sort orders and the locale they follow.
#include <gtest/gtest.h>

#include <regex>

#include "Collation.h"
#include "MeasureEntries.h"
#include "MeasureSort.h"

namespace {

using vexo::platform::CompareLocaleText;
using vexo::platform::FormatLocaleDateTime;
using vexo::platform::SetUserLocale;

class MeasureSort : public ::testing::Test {
protected:
    void SetUp() override { SetUserLocale("en_US"); }
    void TearDown() override { SetUserLocale(""); }
};

std::vector<std::string> SortedValues(std::vector<std::string> values, ESortType mode) {
    std::vector<TResultSet> rows;
    for (const auto& v : values) rows.push_back({"", "", v, "", v});
    std::vector<TResultSet*> refs;
    for (auto& r : rows) refs.push_back(&r);
    SortList(mode, refs);
    std::vector<std::string> out;
    for (auto* r : refs)
        out.push_back(mode == ResValUp || mode == ResValDown ? r->ResultValue : r->ClassName);
    return out;
}

TEST_F(MeasureSort, ResultValuesAlignTheirLeadingDigits) {
    struct Case {
        std::vector<std::string> In, Up;
    } cases[] = {
        {{"9.50", "10.25", "100", "2"}, {"2", "9.50", "10.25", "100"}},
        {{"10", "9.5"}, {"9.5", "10"}},
        {{"12", "9.5"}, {"9.5", "12"}},
        // Not both starting with a digit: plain text.
        {{"neg", "10", "<5"}, {"<5", "10", "neg"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SortedValues(c.In, ResValUp), c.Up);
        std::vector<std::string> down(c.Up.rbegin(), c.Up.rend());
        EXPECT_EQ(SortedValues(c.In, ResValDown), down);
    }
    EXPECT_EQ(CompareResultValues("<3", "3"), CompareText("<3", "3"));
}

TEST_F(MeasureSort, ClassColumnKeepsCaseAscendingOnly) {
    // Ascending: case-sensitive, so the two keep a defined order in either input order.
    EXPECT_NE(CompareText("positive", "Positive", true), 0);
    EXPECT_EQ(SortedValues({"positive", "Positive"}, ResClassUp),
              SortedValues({"Positive", "positive"}, ResClassUp));
    // Descending: case ignored, the two are equal.
    EXPECT_EQ(CompareText("positive", "Positive"), 0);
    EXPECT_EQ(SortedValues({"b", "A", "c"}, ResClassDown), (std::vector<std::string>{"c", "b", "A"}));
}

TEST_F(MeasureSort, EntriesByTextIgnoringCaseAndByDate) {
    std::vector<std::unique_ptr<TMeasureSet>> list;
    list.push_back(MakeEntry("3", "beta", MakeDate(2025, 1, 1, 23, 59, 59)));
    list.push_back(MakeEntry("1", "Alpha", MakeDate(2026, 1, 1)));
    list.push_back(MakeEntry("2", "alpha2", MakeDate(2025, 12, 31)));
    auto ids = [&] {
        std::string s;
        for (const auto& e : list) s += e->TestID;
        return s;
    };
    SortList(TestNameUp, list);
    EXPECT_EQ(ids(), "123");
    SortList(TestNameDown, list);
    EXPECT_EQ(ids(), "321");
    SortList(DateTimeUp, list);
    EXPECT_EQ(ids(), "321");
    SortList(DateTimeDown, list);
    EXPECT_EQ(ids(), "123");
    // Unsorted, a results mode and values past the table change nothing.
    for (ESortType m : {Unsorted, ResNameUp, static_cast<ESortType>(200)}) {
        SortList(m, list);
        EXPECT_EQ(ids(), "123");
    }
}

TEST_F(MeasureSort, TheUsersLocaleDecides) {
    SetUserLocale("de_DE");
    EXPECT_LT(CompareLocaleText("\xC3\xA4rger", "zebra", true), 0); // ä with a
#ifdef _WIN32
    // Windows' own regional format for German (two-digit months; Wine writes one digit).
    EXPECT_TRUE(std::regex_match(FormatLocaleDateTime({2026, 5, 20, 14, 5, 9}, true),
                                 std::regex("20\\.0?5\\.2026 14:05:09")));
    EXPECT_TRUE(
        std::regex_match(FormatLocaleDateTime({2026, 5, 20, 0, 0, 0}, false), std::regex("20\\.0?5\\.2026")));
#else
    EXPECT_EQ(FormatLocaleDateTime({2026, 5, 20, 14, 5, 9}, true), "20.05.26 14:05:09");
    EXPECT_EQ(FormatLocaleDateTime({2026, 5, 20, 0, 0, 0}, false), "20.05.26");
#endif
    SetUserLocale("sv_SE");
    EXPECT_GT(CompareLocaleText("\xC3\xA4rger", "zebra", true), 0); // ä after z
    // No locale configured at all still ignores case.
    SetUserLocale("en_US_POSIX");
    EXPECT_EQ(CompareLocaleText("abc", "ABC", true), 0);
    EXPECT_LT(CompareLocaleText("abc", "ABD", true), 0);
}

} // namespace
