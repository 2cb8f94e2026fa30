#pragma once
// The measurement files: tab-separated text, one header line and one line per
// entry, in one of three column styles.
#include <cstdint>
#include <string>

#include "ExtTypes.h"
#include "LanguageFile.h"
#include "TestResults.h"

enum ETSVVersion : std::uint8_t {
    TSVVLong = 0,
    TSVVShort = 1,
    TSVVUnknown = 2,
    TSVVHalvorn = 3,
    TSVEmpty = 4,
};

// Number and date format of every file content; fixed, whatever the user's region.
struct TFormatSettings {
    std::string ShortDateFormat;
    char DateSeparator;
    char TimeSeparator;
    std::string LongTimeFormat;
    char DecimalSeparator;
};
extern const TFormatSettings DefaultFormatSetting;

constexpr int TSVResultGroups = 10;
constexpr int TSVLineGroups = 10;
constexpr int TSVLineGroupCells = 9;

// Setup/SaveTSVStyle: "Short", "Halvorn", anything else Long; letter case ignored.
ETSVVersion TSVStyleFromSetting(const std::string& Setting);

// By the number of TABs: 46 Short, 139 Long, 36 Halvorn; an empty line TSVEmpty.
ETSVVersion DetectTSVStyle(const std::string& Line);
// Titles in the current language; every title is followed by a TAB. No line end.
std::string BuildTSVHeader(ETSVVersion Style, TLanguageFile& Texts);
// Every cell followed by a TAB. No line end.
std::string BuildTSVLine(const TMeasureSet& Entry, ETSVVersion Style);
// Fills a fresh Entry from a data line; false rejects the line.
bool ParseTSVLine(const std::string& Line, TMeasureSet& Entry, ETSVVersion Style);
// '.' then ',' as decimal separator; "INF", "-INF" and "NAN" as written by FormatTSVFloat.
bool TryParseTSVFloat(const std::string& Text, float& Value);
// Two decimals with '.'; "INF", "-INF", "NAN" for the values that are no numbers.
std::string FormatTSVFloat(float Value);
// At least three digits, zero-padded, the sign before them.
std::string FormatTSVInt(int Value);

// "MM/dd/yyyy hh:nn:ss" (24-hour clock); a time of 00:00:00 is left out.
std::string FormatFileDateTime(TDateTime Value);
// Month/day/year with an optional hour:minute[:second]; false for anything else
// or a date that does not exist.
bool TryParseFileDateTime(const std::string& Text, TDateTimeFields& Fields);
