#include "ClockFrames.h"

namespace {

std::chrono::milliseconds TimeOfDay(TDateTime t) {
    return t - std::chrono::floor<std::chrono::days>(t);
}

} // namespace

std::int64_t TimeOfDayMinutesApart(TDateTime a, TDateTime b) {
    const std::chrono::milliseconds d = TimeOfDay(a) - TimeOfDay(b);
    return std::chrono::floor<std::chrono::minutes>(d < d.zero() ? -d : d).count();
}

TClockFrames ClockFrames(TDateTime now, TDateTime reader, bool valid) {
    TClockFrames f;
    if (!valid) {
        f.Shown = now;
        return f;
    }
    const std::int64_t minutes = TimeOfDayMinutesApart(now, reader);
    f.TimeColor = minutes < 1 ? clClockGreen : minutes < 3 ? clClockOlive : clClockRed;
    const bool sameDay =
        std::chrono::floor<std::chrono::days>(now) == std::chrono::floor<std::chrono::days>(reader);
    f.DateColor = sameDay ? clClockGreen : clClockRed;
    f.Shown = reader;
    return f;
}
