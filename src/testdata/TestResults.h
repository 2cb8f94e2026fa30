#pragma once
// Results as the reader reports them, the text rows the user sees, the
// measurement entries of the list, and the walk over the reader's database.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ExtTypes.h"
#include "TestConfiguration.h"
#include "VexoEEPROM15.h"

// ---------------------------------------------------------------- texts

// Where FormatResultRow and the entry builders get their user-visible texts.
class ITextSource {
public:
    virtual ~ITextSource() = default;
    virtual std::string GetText(int id, const std::string& englishDefault) = 0;
};

// Answers every id with its built-in English text.
class TDefaultTextSource : public ITextSource {
public:
    std::string GetText(int id, const std::string& englishDefault) override;
};

constexpr int TextIdValid = 203;
constexpr int TextIdInvalid = 204;
constexpr int TextIdExpired = 205;
constexpr int TextIdNotANumber = 134;
constexpr int TextIdInfinite = 274;
// The built-in English text of the ids above ("" for others).
std::string DefaultResultText(int id);

// ---------------------------------------------------------------- results

struct UTestInvalid {
    std::uint8_t Data = 0;
    std::uint8_t InvalidReason() const;
    bool Expired() const;
    bool InvalidFlag() const;
};
bool IsTestInvalid(UTestInvalid value);
// The current result's rule: IsTestInvalid from version 4 on, any set bit before.
bool IsCurrentResultInvalid(UTestInvalid value, std::uint8_t EEPROMVersion);

struct TLineResult {
    float MeanValue = 0.0f;
    float MinValue = 0.0f;
    float MaxValue = 0.0f;
    float LeftMeanValue = 0.0f;
    float RightMeanValue = 0.0f;
    float MaxPosAbs = 0.0f;
    std::uint8_t UsedPixel = 0;
    std::int16_t CenterPositionAbsolut = 0;
    std::uint8_t Width = 0;
    bool operator==(const TLineResult&) const = default;
};

// Line record layouts: 27 bytes (no Width), 28 bytes, or 24 bytes (byte-sized tail).
enum ELineLayout : std::uint8_t { llShort27, llFull28, llCompact24 };
TLineResult ReadLineResult(const tByteBuffer& buffer, std::uint32_t& cursor, ELineLayout layout);
void WriteLineResult(tByteBuffer& buffer, std::uint32_t& cursor, const TLineResult& line, ELineLayout layout);
// Layout of the current result block by EEPROM version.
ELineLayout CurrentResultLineLayout(std::uint8_t EEPROMVersion);
// Layout of stored line records by EEPROM version (24 bytes from 6 on, else 28).
ELineLayout StoredLineLayout(std::uint8_t EEPROMVersion);

constexpr int MaxResultValues = 10;
constexpr int MaxLineResults = 10;

class TResult {
public:
    std::uint8_t TestEvenMeasuredValueCount = 0;
    std::int16_t SearchReference = 0;
    std::array<float, MaxResultValues> ResultValue{};
    std::array<TLineResult, MaxLineResults> Line{};
    std::array<std::uint16_t, MaxResultValues> PtrClass{};
    UTestInvalid TestInvalid;
    float Temperature = 0.0f;
    std::uint16_t Voltage = 0;
    TDateData MeasurementDate;

    TResult() { Init(); }
    void Init() { Reset(); }
    void Reset();
    // Fills from a current result block (346, 356 or 316 bytes by version).
    void FromByteBuffer(const tByteBuffer& Buffer, std::uint8_t EEPROMVersion);
    // The block the reader would send for this result.
    tByteBuffer ToByteBuffer(std::uint8_t EEPROMVersion) const;
};

// Header of a stored result configuration record (19 bytes, 23 from version 6 on).
struct TSaveInternalFlashTestCfgList {
    std::uint8_t ID = 0;
    std::uint16_t Size = 0;
    UUniqueTestID TestID;
    std::uint16_t PtrTestName = 0;
    std::uint16_t PtrLotNr = 0;
    std::uint16_t PtrDistrManu = 0;
    UResultClassCountCfg ResultClassCnt;
    std::uint32_t CRC = 0;
};

// Header of a stored result record (16 bytes, 18 from version 6 on).
struct TSaveInternalFlashResultList {
    std::uint8_t ID = 0;
    std::uint16_t Size = 0;
    TDateData Date;
    UTestInvalid Invalid;
    std::uint16_t Voltage = 0;
    float Temperature = 0.0f;
    std::uint16_t MeasureID = 0;
};

void WriteCfgRecordHeader(tByteBuffer& buffer, std::uint32_t& cursor,
                          const TSaveInternalFlashTestCfgList& header, std::uint8_t EEPROMVersion);
void WriteResultRecordHeader(tByteBuffer& buffer, std::uint32_t& cursor,
                             const TSaveInternalFlashResultList& header, std::uint8_t EEPROMVersion);

struct TImageLineInfo {
    std::uint8_t LineCount = 0;
    std::uint8_t ImageSize = 0;
};

// One stored result attached to its result configuration.
struct TVexoResults {
    TSaveInternalFlashResultList VexoResultList;
    std::vector<float> ResultValues;
    TImageLineInfo ImgLineInfo;
    std::vector<TLineResult> LineData;
    tByteBuffer ImageValues12;
};

// One stored result configuration with the results measured with it.
struct TVexoResultData {
    TSaveInternalFlashTestCfgList ResultCfg;
    TTestConfig TestCfg;
    std::vector<TVexoResults> Results;
};

// ---------------------------------------------------------------- entries

// One result row as shown and saved.
struct TResultSet {
    std::string Validity;
    std::string ResultName;
    std::string ResultValue;
    std::string UnitName;
    std::string ClassName;
    bool operator==(const TResultSet&) const = default;
};

// Per-line data of an entry; Results.Line[0 .. LineCount-1] are valid.
class TMeasureResult {
public:
    std::uint8_t LineCount = 0;
    TResult Results;
};

constexpr int MaxImageValues = 256;

// One measurement entry of the list.
class TMeasureSet {
public:
    std::string TestID;
    std::string TestName;
    std::string LotNr;
    std::string Distr_Manu;
    TDateData DateTime;
    std::string UserComment;
    std::string Voltage;
    std::string Temperature;
    std::vector<TResultSet> ResultList;
    TMeasureResult MeasureResult;
    tByteBuffer ImageData;
    std::array<std::int32_t, MaxImageValues> OrigImage;
    std::string ImgMin;
    std::string ImgMax;
    std::string PatientID;
    std::string PatientBDate;

    TMeasureSet();
    // The image rule: OrigImage, ImgMin, ImgMax and the 8-bit ImageData from
    // raw values (at most 256 are taken).
    void SetImageValues(const std::vector<std::int32_t>& values);
};

// "CustomerID ProjectID TestType TestNu YYWW SSSS rawdate".
std::string MakeTestIDText(const UUniqueTestID& testID, const TEEPROMNonVolatile& reader,
                           const TDateData& date);
// Temperature text: fixed with 2 decimals; "NAN", "INF", "-INF" for non-numbers.
std::string FormatTemperature(float value, char decimalSeparator = '.');

// Unpacks n 12-bit values; a missing byte reads as 0, n is cut to 256.
std::vector<std::int32_t> Unpack12BitImage(const tByteBuffer& packed, std::uint32_t n);

// The display row of result entry k of Config for value. isInvalid is the
// caller's test-invalid rule; invalid.Expired picks the "expired" validity text.
TResultSet FormatResultRow(const TTestConfig& Config, int k, float value, UTestInvalid invalid,
                           bool isInvalid, ITextSource& texts, char decimalSeparator = '.');

// ---------------------------------------------------------------- database walk

// Rotates buffer so that the byte at readOffset (modulo its length) comes first.
void RotateArea(tByteBuffer& buffer, std::uint32_t readOffset);

// Walks the (rotated) result configuration ring into ResultList.
std::vector<TVexoResultData> ReadResultConfigurations(const tByteBuffer& ResultCfgBuffer,
                                                      const TEEPROMMap& Map);
// Walks the (rotated) result ring and attaches each result to its configuration.
void ReadResults(const tByteBuffer& ResultBuffer, const TEEPROMMap& Map,
                 std::vector<TVexoResultData>& ResultList);

// Builds the entry of one stored result.
std::unique_ptr<TMeasureSet> BuildMeasureSet(const TVexoResultData& Data, const TVexoResults& Result,
                                             const TEEPROMMap& Map, ITextSource& texts,
                                             char decimalSeparator = '.');

// The entry of a measurement that just finished, from its result block and the
// configuration it was measured with (line widths from the configuration).
void FillCurrentMeasureSet(TMeasureSet& Set, const tByteBuffer& Block, const TTestConfig& TestConfig,
                           const TEEPROMMap& Map, ITextSource& texts, char decimalSeparator = '.');
// Merges the second measurement of a combined pair into the first one's entry:
// its values follow the first ones and every row is formatted again.
void MergeSecondMeasurement(TMeasureSet& Set, const tByteBuffer& Block, const TTestConfig& TestConfig,
                            const TEEPROMMap& Map, ITextSource& texts, char decimalSeparator = '.');

enum EJoinDecision : std::uint8_t { jdAdd, jdOverwrite, jdCancel };

// What the walk needs of the measurement list.
struct TMeasureListAccess {
    // Asked once the rings are walked, also for an empty list (answer jdAdd without asking then).
    std::function<EJoinDecision()> JoinDecision;
    // Empties the list (for jdOverwrite).
    std::function<void()> Clear;
    // True when an entry with this TestID is already in the list.
    std::function<bool(const std::string&)> IsPresent;
    // Appends an entry at the end.
    std::function<void(std::unique_ptr<TMeasureSet>)> Add;
};

struct TDecodeDatabaseResult {
    bool Cancelled = false;
    std::size_t StoredResults = 0; // results found in the database
    std::size_t Added = 0;         // entries that joined the list
};

// Rotates both buffers, walks them into ResultList and builds the entries.
TDecodeDatabaseResult DecodeDatabase(tByteBuffer& ResultCfgBuffer, tByteBuffer& ResultBuffer,
                                     const TEEPROMMap& Map, std::vector<TVexoResultData>& ResultList,
                                     const TMeasureListAccess& List, ITextSource& texts,
                                     char decimalSeparator = '.');
