#pragma once
// Sort modes of the two report views and the comparisons behind them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TestResults.h"

enum ESortType : std::uint8_t {
    TestIDUp = 0,
    TestIDDown = 1,
    TestNameUp = 2,
    TestNameDown = 3,
    LotNrUp = 4,
    LotNrDown = 5,
    DistrManuUp = 6,
    DistrManuDown = 7,
    DateTimeUp = 8,
    DateTimeDown = 9,
    AddDataUp = 10,
    AddDataDown = 11,
    PatIDUp = 12,
    PatIDDown = 13,
    ResValidUp = 14,
    ResValidDown = 15,
    ResNameUp = 16,
    ResNameDown = 17,
    ResValUp = 18,
    ResValDown = 19,
    ResUnitUp = 20,
    ResUnitDown = 21,
    ResClassUp = 22,
    ResClassDown = 23,
    Unsorted = 24,
};

// Up modes have even values, their Down mode follows.
inline bool IsUpMode(ESortType mode) {
    return mode < Unsorted && mode % 2 == 0;
}

// The locale's text comparison, case ignored unless caseSensitive.
int CompareText(const std::string& a, const std::string& b, bool caseSensitive = false);
// Result values: leading digit runs are aligned with blanks before the text compare.
int CompareResultValues(const std::string& a, const std::string& b);
// Year, month, day, hour, minute, second.
int CompareDates(const TDateData& a, const TDateData& b);

// Modes 0-13 sort entries, 14-23 results; Unsorted, a mode of the other kind and
// values above 24 leave the list as it is.
void SortList(ESortType mode, std::vector<std::unique_ptr<TMeasureSet>>& list);
void SortList(ESortType mode, std::vector<TResultSet*>& list);
