#pragma once
// A test configuration in memory and its binary form, as carried on RFID tags,
// in reader memory and in "*.bin" files.
#include <array>
#include <cstdint>
#include <string>

#include "ExtTypes.h"

// Limits of the in-memory form.
constexpr int MaxFilterCoefficients = 15;
constexpr int MaxTestLines = 10;
constexpr int MaxTestResults = 10;
constexpr int MaxResultClasses = 31;
constexpr int CartridgeWhiteSize = 386;
constexpr int StringDataSize = 4000;

// Results of ParseTestConfig.
constexpr int CfgParseOk = 0;
constexpr int CfgParseNoConfig = 1;
constexpr int CfgParseWrongVersion = 2;
constexpr int CfgParseChecksumWrong = 3;

struct UUniqueTestID {
    std::uint16_t CustomerID = 0;
    std::uint16_t ProjectID = 0;
    std::uint16_t TestType = 0;
    std::uint16_t TestNu = 0;
    bool operator==(const UUniqueTestID&) const = default;
};

struct TTestOEMSection {
    std::uint16_t PtrTestName = 0;
    std::uint16_t PtrLotNr = 0;
    std::uint16_t PtrDistributorManufacturer = 0;
    TDateData ExpiryDate;
};

struct ULineFilterCfg {
    std::uint8_t Data = 0;
    std::uint8_t LineCount() const;
    std::uint8_t FilterCount() const;
    void SetLineCount(std::uint8_t n);
    void SetFilterCount(std::uint8_t n);
};

struct UResultClassCountCfg {
    std::uint16_t Data = 0;
    std::uint8_t ResultCount() const;
    std::uint8_t ClassCount() const;
    void SetResultCount(std::uint8_t n);
    void SetClassCount(std::uint8_t n);
};

struct UCaptureConfig {
    std::uint8_t Data = 0;
    bool CartridgeWhiteCleared() const;
    void SetCartridgeWhiteCleared(bool on);
};

struct TTestCaptureSection {
    std::uint8_t ImageCount = 0;
    std::uint16_t TimerCount = 0;
    ULineFilterCfg LineCntFilterWidth;
    UResultClassCountCfg ResultClassCnt;
    std::uint16_t StringSize = 0;
    std::uint16_t CartridgeImgSize = 0;
    std::uint16_t PtrTestInvalidText = 0;
    std::uint16_t PtrTouringProgram = 0;
    UCaptureConfig CaptureConfig;
};

struct TAutoMeasureSection {
    std::uint16_t StartDelay = 0;
    std::uint8_t MeasureInterval = 0;
    std::uint8_t ImageCount = 0;
    std::uint8_t ReferenceResult = 0;
    std::uint8_t RepeatedConstResultCount = 0;
    float DeltaResult = 0.0f;
    float LastResult = 0.0f;
};

// Line entry: 9 bytes in the binary form; PositionBase is computed.
struct TLineEntry {
    std::uint8_t Flags = 0;
    std::int16_t Position = 0;
    std::uint8_t LineWidth = 0;
    std::uint8_t SearchWidth = 0;
    std::uint16_t Param1 = 0;
    std::uint16_t Param2 = 0;
    std::int16_t PositionBase = 0;
    bool IsReference() const;
};

// Result entry: 15 bytes.
struct TResultEntry {
    std::uint8_t Flags = 1;
    float LowerLimit = 0.0f;
    float UpperLimit = 10000.0f;
    std::uint8_t DisplayFormat = 0x12;
    std::uint8_t ClassRange = 0;
    std::uint16_t PtrResultName = 0;
    std::uint16_t PtrUnitName = 0;

    bool ShowValue() const;
    bool HasClasses() const;
    void SetHasClasses(bool on);
    std::uint8_t SignificantDigits() const;
    std::uint8_t MaxDecimals() const;
    std::uint8_t ClassRangeCount() const;
    std::uint8_t ClassRangeFirst() const;
    void SetClassRange(std::uint8_t first, std::uint8_t count);
};

// Class entry: 6 bytes.
struct TClassEntry {
    float Threshold = 0.0f;
    std::uint16_t PtrClassName = 0;
};

class TTestConfig {
public:
    std::uint8_t Version = 2;
    std::uint16_t CfgSize = 0;
    UUniqueTestID TestID;
    TTestOEMSection OemSection;
    TTestCaptureSection CaptureSection;
    TAutoMeasureSection AutoMeasureSection;
    std::array<float, MaxFilterCoefficients> FilterCoefficient{};
    std::array<TLineEntry, MaxTestLines> LineSection{};
    std::array<TResultEntry, MaxTestResults> ResultSection{};
    std::array<TClassEntry, MaxResultClasses> ClassSection{};
    std::array<std::uint8_t, CartridgeWhiteSize> CartridgeWhite{};
    tByteBuffer StringData;
    std::uint32_t CheckSum = 0;
    std::uint16_t CreditCount = 0xFFFF;

    TTestConfig() { Init(); }
    void Init();
    void Reset();

    std::uint8_t LineCount() const { return CaptureSection.LineCntFilterWidth.LineCount(); }
    std::uint8_t FilterCount() const { return CaptureSection.LineCntFilterWidth.FilterCount(); }
    std::uint8_t ResultCount() const { return CaptureSection.ResultClassCnt.ResultCount(); }
    std::uint8_t ClassCount() const { return CaptureSection.ResultClassCnt.ClassCount(); }
    bool CartridgeWhiteCleared() const { return CaptureSection.CaptureConfig.CartridgeWhiteCleared(); }

    // The text at a string position as UTF-8 (bytes are ISO 8859-1); position 0 is no text.
    std::string ReadStringData(std::uint16_t Pos) const;
    // Stores the low byte of each UTF-16 code unit of Str (UTF-8) from Pos on;
    // returns Pos + length, or the size of StringData when it does not fit.
    std::uint16_t AddStrPtrToCfg(const std::string& Str, std::uint16_t Pos);
    // True when both build to the same binary form.
    bool CompareTo(const TTestConfig& CompareConfig) const;

    void DeleteTestLine(int Idx);
    void DeleteFilter(int Idx);
    void DeleteClass(int Idx);
    void InsertClass(int ResultIdx);
    void DeleteResult(int Idx);
    void AdjustRelativeLinePos();
    // -2 for an empty Str, the position of Str standing between 0 bytes, else -1.
    int IsInStringData(const std::string& Str) const;
    // 600 past CartridgeImgSize.
    std::uint16_t Get12BitWhite(int Idx) const;
    void Set12BitWhite(int Idx, U16 Value);
    bool IsValid() const;
};

// Value i of n packed 12-bit values; bytes past the buffer read as 0.
std::uint16_t Get12BitValue(const std::uint8_t* bytes, std::size_t byteCount, std::uint32_t i);
void Set12BitValue(std::uint8_t* bytes, std::size_t byteCount, std::uint32_t i, std::uint16_t value);

// Results CfgParseOk .. CfgParseChecksumWrong. Forms beyond the in-memory limits
// give CfgParseNoConfig with a reset configuration.
int ParseTestConfig(TTestConfig& Config, const tByteBuffer& Buffer, bool IgnoreChecksum);
// Also stores CfgSize and CheckSum into Config and clears bit 0 of the line widths.
void BuildTestConfig(TTestConfig& Config, tByteBuffer& Buffer);
// One result entry and one class entry as the binary form holds them; the reader's stored
// result configurations hold the same.
void ReadResultEntry(const tByteBuffer& b, std::uint32_t& c, TResultEntry& e);
void ReadClassEntry(const tByteBuffer& b, std::uint32_t& c, TClassEntry& e);
