#pragma once
// How far the reader's clock is from the PC's, as the colours of the frames around the
// clock pickers, and what the pickers show.
#include <cstdint>

#include "ExtTypes.h"

// Colours as 0x00RRGGBB.
inline constexpr std::uint32_t clClockGreen = 0x008000;
inline constexpr std::uint32_t clClockOlive = 0xC0C000;
inline constexpr std::uint32_t clClockRed = 0xFF0000;

struct TClockFrames {
    std::uint32_t DateColor = clClockRed;
    std::uint32_t TimeColor = clClockRed;
    // The date and time the pickers show: the reader's, or the PC's for an invalid answer.
    TDateTime Shown{};
};

// Whole minutes between the times of day of two values, dates ignored.
std::int64_t TimeOfDayMinutesApart(TDateTime a, TDateTime b);
TClockFrames ClockFrames(TDateTime now, TDateTime reader, bool valid);
