#pragma once
// Byte buffers with little-endian cursor access, and the reader's six-byte date.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Growable byte array; growing fills with 0.
using tByteBuffer = std::vector<std::uint8_t>;

// 16-bit word with byte views.
struct U16 {
    std::uint16_t Value = 0;
    std::uint8_t Lo() const { return static_cast<std::uint8_t>(Value & 0xFF); }
    std::uint8_t Hi() const { return static_cast<std::uint8_t>(Value >> 8); }
    void SetLo(std::uint8_t b) { Value = static_cast<std::uint16_t>((Value & 0xFF00) | b); }
    void SetHi(std::uint8_t b) { Value = static_cast<std::uint16_t>((Value & 0x00FF) | (b << 8)); }
};

// Reads: a byte that is not there reads as 0 and leaves the cursor.
std::uint8_t BufReadByte(const tByteBuffer& buffer, std::uint32_t& cursor);
std::uint16_t BufReadWord(const tByteBuffer& buffer, std::uint32_t& cursor);
std::uint32_t BufReadDWord(const tByteBuffer& buffer, std::uint32_t& cursor);
float BufReadSingle(const tByteBuffer& buffer, std::uint32_t& cursor);

// Writes grow the buffer as needed; below the length they overwrite.
void BufWriteByte(tByteBuffer& buffer, std::uint32_t& cursor, std::uint8_t b);
void BufWriteWord(tByteBuffer& buffer, std::uint32_t& cursor, std::uint16_t w);
void BufWriteDWord(tByteBuffer& buffer, std::uint32_t& cursor, std::uint32_t d);
void BufWriteSingle(tByteBuffer& buffer, std::uint32_t& cursor, float s);

// Copies count bytes (or all from sourceIndex on when count is 0 or too large);
// returns the number copied. A sourceIndex at or past the source's end copies nothing.
std::uint32_t BufCopy(tByteBuffer& target, const tByteBuffer& source, std::uint32_t count,
                      std::uint32_t targetIndex, std::uint32_t sourceIndex);

// The reader's date and time; Year counts from 2000.
struct TDateData {
    std::uint8_t Seconds = 0;
    std::uint8_t Minutes = 0;
    std::uint8_t Hour = 0;
    std::uint8_t MonthDay = 1;
    std::uint8_t Month = 1;
    std::uint8_t Year = 0;
    bool operator==(const TDateData&) const = default;
};
// The years a date can be set to on the reader: its date picker's limits.
inline constexpr int ReaderFirstYear = 2000;
inline constexpr int ReaderLastYear = 2099;

// The program's date-and-time value: a local calendar time with milliseconds.
using TDateTime = std::chrono::local_time<std::chrono::milliseconds>;

struct TDateTimeFields {
    int Year = 2000, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
    bool operator==(const TDateTimeFields&) const = default;
};

// Builds a date-time from calendar fields (no validation: out-of-range fields roll over).
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);
TDateTimeFields DecodeDateTime(TDateTime value);
// The PC's current local time.
TDateTime NowDateTime();

void ClearDateData(TDateData& date);
void EncodeDateData(TDateData& date, std::uint8_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
                    std::uint8_t minute, std::uint8_t second);
void DecodeDateData(const TDateData& date, std::uint8_t& year, std::uint8_t& month, std::uint8_t& day,
                    std::uint8_t& hour, std::uint8_t& minute, std::uint8_t& second);
bool IsValidDateData(const TDateData& date);
// The six bytes in their stored order (Seconds first), through the cursor.
void BufReadDateData(const tByteBuffer& buffer, std::uint32_t& cursor, TDateData& date);
void BufWriteDateData(tByteBuffer& buffer, std::uint32_t& cursor, const TDateData& date);
// Defined for dates that pass IsValidDateData only.
TDateTime DateDataToDateTime(const TDateData& date);
// Decimal MonthDay<<24 | Hour<<16 | Minutes<<8 | Seconds, for dates that are not valid.
std::string DateDataToRawText(const TDateData& date);

// Days of a month in a calendar year (0 for a month outside 1..12).
int DaysInMonth(int year, int month);
