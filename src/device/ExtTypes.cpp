#include "ExtTypes.h"

#include <bit>
#include <ctime>

#include "LocalTime.h"

std::uint8_t BufReadByte(const tByteBuffer& buffer, std::uint32_t& cursor) {
    if (cursor < buffer.size()) return buffer[cursor++];
    return 0;
}

std::uint16_t BufReadWord(const tByteBuffer& buffer, std::uint32_t& cursor) {
    std::uint16_t lo = BufReadByte(buffer, cursor);
    std::uint16_t hi = BufReadByte(buffer, cursor);
    return static_cast<std::uint16_t>(lo | (hi << 8));
}

std::uint32_t BufReadDWord(const tByteBuffer& buffer, std::uint32_t& cursor) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(BufReadByte(buffer, cursor)) << (8 * i);
    return v;
}

float BufReadSingle(const tByteBuffer& buffer, std::uint32_t& cursor) {
    std::uint32_t lo = BufReadWord(buffer, cursor);
    std::uint32_t hi = BufReadWord(buffer, cursor);
    return std::bit_cast<float>(lo | (hi << 16));
}

void BufWriteByte(tByteBuffer& buffer, std::uint32_t& cursor, std::uint8_t b) {
    if (buffer.size() < static_cast<std::size_t>(cursor) + 1) buffer.resize(static_cast<std::size_t>(cursor) + 1, 0);
    buffer[cursor++] = b;
}

void BufWriteWord(tByteBuffer& buffer, std::uint32_t& cursor, std::uint16_t w) {
    BufWriteByte(buffer, cursor, static_cast<std::uint8_t>(w & 0xFF));
    BufWriteByte(buffer, cursor, static_cast<std::uint8_t>(w >> 8));
}

void BufWriteDWord(tByteBuffer& buffer, std::uint32_t& cursor, std::uint32_t d) {
    for (int i = 0; i < 4; ++i) BufWriteByte(buffer, cursor, static_cast<std::uint8_t>(d >> (8 * i)));
}

void BufWriteSingle(tByteBuffer& buffer, std::uint32_t& cursor, float s) {
    std::uint32_t pattern = std::bit_cast<std::uint32_t>(s);
    BufWriteWord(buffer, cursor, static_cast<std::uint16_t>(pattern & 0xFFFF));
    BufWriteWord(buffer, cursor, static_cast<std::uint16_t>(pattern >> 16));
}

std::uint32_t BufCopy(tByteBuffer& target, const tByteBuffer& source, std::uint32_t count,
                      std::uint32_t targetIndex, std::uint32_t sourceIndex) {
    // Callers should pass an index inside the source; one outside it copies nothing.
    std::uint32_t available = sourceIndex < source.size() ? static_cast<std::uint32_t>(source.size() - sourceIndex) : 0;
    if (count == 0 || count > available) count = available;
    if (count == 0) return 0;
    std::size_t end = static_cast<std::size_t>(targetIndex) + count;
    if (target.size() < end) target.resize(end, 0);
    std::copy(source.begin() + sourceIndex, source.begin() + sourceIndex + count, target.begin() + targetIndex);
    return count;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    using namespace std::chrono;
    // Day arithmetic lets out-of-range days roll over like a calendar would.
    year_month ym = std::chrono::year{year} / std::chrono::month{1} + months{month - 1};
    local_days d = local_days{ym / std::chrono::day{1}} + days{day - 1};
    return TDateTime{d.time_since_epoch() + hours{hour} + minutes{minute} + seconds{second} +
                     milliseconds{millisecond}};
}

TDateTimeFields DecodeDateTime(TDateTime value) {
    using namespace std::chrono;
    local_days d = floor<days>(value);
    year_month_day ymd{d};
    hh_mm_ss<milliseconds> t{value - d};
    TDateTimeFields f;
    f.Year = static_cast<int>(ymd.year());
    f.Month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    f.Day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    f.Hour = static_cast<int>(t.hours().count());
    f.Minute = static_cast<int>(t.minutes().count());
    f.Second = static_cast<int>(t.seconds().count());
    f.MilliSecond = static_cast<int>(t.subseconds().count());
    return f;
}

TDateTime NowDateTime() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    vexo::platform::ToLocalTime(t, local);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, ms);
}

int DaysInMonth(int year, int month) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

void ClearDateData(TDateData& date) { date = TDateData{}; }

void EncodeDateData(TDateData& date, std::uint8_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
                    std::uint8_t minute, std::uint8_t second) {
    date.Year = year;
    date.Month = month;
    date.MonthDay = day;
    date.Hour = hour;
    date.Minutes = minute;
    date.Seconds = second;
}

void DecodeDateData(const TDateData& date, std::uint8_t& year, std::uint8_t& month, std::uint8_t& day,
                    std::uint8_t& hour, std::uint8_t& minute, std::uint8_t& second) {
    year = date.Year;
    month = date.Month;
    day = date.MonthDay;
    hour = date.Hour;
    minute = date.Minutes;
    second = date.Seconds;
}

bool IsValidDateData(const TDateData& date) {
    if (date.Month < 1 || date.Month > 12) return false;
    if (date.MonthDay < 1 || date.MonthDay > DaysInMonth(2000 + date.Year, date.Month)) return false;
    return date.Hour < 24 && date.Minutes < 60 && date.Seconds < 60;
}

TDateTime DateDataToDateTime(const TDateData& date) {
    return EncodeDateTime(2000 + date.Year, date.Month, date.MonthDay, date.Hour, date.Minutes, date.Seconds, 0);
}

std::string DateDataToRawText(const TDateData& date) {
    std::uint32_t raw = (static_cast<std::uint32_t>(date.MonthDay) << 24) |
                        (static_cast<std::uint32_t>(date.Hour) << 16) |
                        (static_cast<std::uint32_t>(date.Minutes) << 8) | date.Seconds;
    return std::to_string(raw);
}

void BufReadDateData(const tByteBuffer& buffer, std::uint32_t& cursor, TDateData& date) {
    date.Seconds = BufReadByte(buffer, cursor);
    date.Minutes = BufReadByte(buffer, cursor);
    date.Hour = BufReadByte(buffer, cursor);
    date.MonthDay = BufReadByte(buffer, cursor);
    date.Month = BufReadByte(buffer, cursor);
    date.Year = BufReadByte(buffer, cursor);
}

void BufWriteDateData(tByteBuffer& buffer, std::uint32_t& cursor, const TDateData& date) {
    for (std::uint8_t v : {date.Seconds, date.Minutes, date.Hour, date.MonthDay, date.Month, date.Year})
        BufWriteByte(buffer, cursor, v);
}
