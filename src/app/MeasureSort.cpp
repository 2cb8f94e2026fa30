#include "MeasureSort.h"

#include <algorithm>

#include "Collation.h"

int CompareText(const std::string& a, const std::string& b, bool caseSensitive) {
    return vexo::platform::CompareLocaleText(a, b, !caseSensitive);
}

namespace {

std::size_t LeadingDigits(const std::string& s) {
    std::size_t n = 0;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
    return n;
}

template <typename T, typename Key> void SortBy(std::vector<T>& list, bool up, Key compare) {
    // A merge sort: the comparisons are locale rules, and an order that is not quite
    // consistent must never make the sort run outside the list.
    std::stable_sort(list.begin(), list.end(),
                     [&](const T& a, const T& b) { return up ? compare(*a, *b) < 0 : compare(*b, *a) < 0; });
}

} // namespace

int CompareResultValues(const std::string& a, const std::string& b) {
    std::string x = a, y = b;
    const std::size_t nx = LeadingDigits(x), ny = LeadingDigits(y);
    if (nx > 0 && ny > 0) {
        if (nx < ny)
            x.insert(0, ny - nx, ' ');
        else if (ny < nx)
            y.insert(0, nx - ny, ' ');
    }
    return CompareText(x, y);
}

int CompareDates(const TDateData& a, const TDateData& b) {
    const int ka[] = {a.Year, a.Month, a.MonthDay, a.Hour, a.Minutes, a.Seconds};
    const int kb[] = {b.Year, b.Month, b.MonthDay, b.Hour, b.Minutes, b.Seconds};
    for (int i = 0; i < 6; ++i)
        if (ka[i] != kb[i]) return ka[i] < kb[i] ? -1 : 1;
    return 0;
}

void SortList(ESortType mode, std::vector<std::unique_ptr<TMeasureSet>>& list) {
    if (mode > PatIDDown) return;
    const bool up = IsUpMode(mode);
    using E = const TMeasureSet&;
    switch (mode) {
    case TestIDUp:
    case TestIDDown: SortBy(list, up, [](E a, E b) { return CompareText(a.TestID, b.TestID); }); break;
    case TestNameUp:
    case TestNameDown: SortBy(list, up, [](E a, E b) { return CompareText(a.TestName, b.TestName); }); break;
    case LotNrUp:
    case LotNrDown: SortBy(list, up, [](E a, E b) { return CompareText(a.LotNr, b.LotNr); }); break;
    case DistrManuUp:
    case DistrManuDown:
        SortBy(list, up, [](E a, E b) { return CompareText(a.Distr_Manu, b.Distr_Manu); });
        break;
    case DateTimeUp:
    case DateTimeDown: SortBy(list, up, [](E a, E b) { return CompareDates(a.DateTime, b.DateTime); }); break;
    case AddDataUp:
    case AddDataDown:
        SortBy(list, up, [](E a, E b) { return CompareText(a.UserComment, b.UserComment); });
        break;
    case PatIDUp:
    case PatIDDown: SortBy(list, up, [](E a, E b) { return CompareText(a.PatientID, b.PatientID); }); break;
    default: break;
    }
}

void SortList(ESortType mode, std::vector<TResultSet*>& list) {
    if (mode < ResValidUp || mode > ResClassDown) return;
    const bool up = IsUpMode(mode);
    using R = const TResultSet&;
    switch (mode) {
    case ResValidUp:
    case ResValidDown: SortBy(list, up, [](R a, R b) { return CompareText(a.Validity, b.Validity); }); break;
    case ResNameUp:
    case ResNameDown:
        SortBy(list, up, [](R a, R b) { return CompareText(a.ResultName, b.ResultName); });
        break;
    case ResValUp:
    case ResValDown:
        SortBy(list, up, [](R a, R b) { return CompareResultValues(a.ResultValue, b.ResultValue); });
        break;
    case ResUnitUp:
    case ResUnitDown: SortBy(list, up, [](R a, R b) { return CompareText(a.UnitName, b.UnitName); }); break;
    // Ascending keeps case apart, descending does not: the two directions of the class column differ.
    case ResClassUp:
        SortBy(list, up, [](R a, R b) { return CompareText(a.ClassName, b.ClassName, true); });
        break;
    case ResClassDown:
        SortBy(list, up, [](R a, R b) { return CompareText(a.ClassName, b.ClassName); });
        break;
    default: break;
    }
}
