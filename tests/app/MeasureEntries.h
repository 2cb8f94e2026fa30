#pragma once
// Small measurement entries for the list and file tests.
#include <memory>
#include <string>
#include <vector>

#include "TestResults.h"

inline TDateData MakeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    TDateData d;
    d.Year = static_cast<std::uint8_t>(year - 2000);
    d.Month = static_cast<std::uint8_t>(month);
    d.MonthDay = static_cast<std::uint8_t>(day);
    d.Hour = static_cast<std::uint8_t>(hour);
    d.Minutes = static_cast<std::uint8_t>(minute);
    d.Seconds = static_cast<std::uint8_t>(second);
    return d;
}

inline std::unique_ptr<TMeasureSet> MakeEntry(const std::string& id, const std::string& name = "CRP",
                                              TDateData date = MakeDate(2026, 5, 20, 10, 0, 0),
                                              std::vector<TResultSet> results = {}) {
    auto e = std::make_unique<TMeasureSet>();
    e->TestID = id;
    e->TestName = name;
    e->LotNr = "L1";
    e->Distr_Manu = "Maker";
    e->DateTime = date;
    e->ResultList = std::move(results);
    return e;
}
