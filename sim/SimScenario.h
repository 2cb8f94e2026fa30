#pragma once
// Everything that makes one simulated reader: identity, memory layout, stored data and the
// ways it misbehaves. Loaded from and saved to JSON scenario files (see sim/README.md).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ExtTypes.h"

struct TSimClass {
    float Below = 0.0f; // the class applies to values below this threshold
    std::string Name;
    bool operator==(const TSimClass&) const = default;
};

struct TSimResult {
    std::string Name;
    std::string Unit;
    float Lower = 0.0f;
    float Upper = 10000.0f;
    std::uint8_t Digits = 2;
    std::uint8_t Decimals = 1;
    bool ShowValue = true;
    std::vector<TSimClass> Classes;
    bool operator==(const TSimResult&) const = default;
};

struct TSimLine {
    std::int16_t Position = 0; // relative to the preceding reference line
    bool Reference = false;
    std::uint8_t Width = 6;
    std::uint8_t SearchWidth = 20;
    bool operator==(const TSimLine&) const = default;
};

// A test configuration as a scenario describes it; built into the binary form on load.
// With Raw set, those bytes are the configuration (for broken or foreign forms).
struct TSimConfig {
    std::uint8_t Version = 5;
    std::uint16_t CustomerID = 0, ProjectID = 0, TestType = 0, TestNu = 0;
    std::string TestName, LotNr, Distributor;
    TDateData Expiry;
    std::uint16_t TimerSeconds = 0;
    std::string InvalidText = "FAIL";
    std::string Program; // the result assignment program, carried as text
    std::vector<TSimLine> Lines;
    std::vector<TSimResult> Results;
    std::optional<tByteBuffer> Raw;
    bool operator==(const TSimConfig&) const = default;
};

// One stored result of the database. Values left empty come from the reader's model.
struct TSimRecord {
    std::string Configuration;
    TDateData Date;
    std::uint8_t Invalid = 0;
    std::uint16_t Voltage = 3000;
    float Temperature = 22.0f;
    std::vector<float> Values;
    std::uint32_t Seed = 0;
    bool operator==(const TSimRecord&) const = default;
};

// A misbehaviour: for commands with the code Command (-1: every command), only the Nth of them
// (counted from 1 since the reader started; 0: each of them).
struct TSimBehaviour {
    int Command = -1;
    std::uint32_t Nth = 0;
    bool NoAnswer = false;
    std::uint32_t LateMs = 0; // the answer comes this much later
    std::uint32_t BusyMs = 0; // busy report (0x49) with this time first, the answer after it
    int ComError = -1;        // communication error (0x45) with this code instead of the answer
    int VexoError = -1;       // reader error (0x47) with this code instead of the answer
    std::uint8_t VexoErrorInfo = 0;
    std::uint32_t NoiseBytes = 0;  // bytes outside any frame before the answer
    bool BadChecksumFirst = false; // the answer once with a wrong checksum, then correctly
    bool operator==(const TSimBehaviour&) const = default;
};

struct TSimScenario {
    std::uint8_t EEPROMVersion = 6;
    // Volatile (0x50080) and non-volatile (0x5007C) configuration words.
    std::uint32_t VexoCfgBits = 0;
    std::uint32_t VexoCfgBits_0 = 0;

    // Identity.
    std::uint32_t LunderixSerialNumber = 0;
    std::uint16_t CustomerNumber = 0, ProjectNumber = 0;
    std::uint8_t ProductionWeek = 0, ProductionYear = 0;
    std::uint16_t SerialNumber = 0;
    std::uint16_t NominalWhiteValue = 0;

    // Firmware version; Variant and Suffix 0 for none.
    std::uint8_t FwMain = 1, FwSub = 0;
    std::uint16_t FwRevision = 0;
    std::uint8_t FwVariant = 0, FwBranch = 0;
    std::uint16_t FwBranchRevision = 0;
    std::uint8_t FwSuffix = 0;

    // The USB side of the reader (D2XX library).
    std::string FtdiSerial = "VX000001";
    std::string FtdiDescription = "Vexo Reader";

    // The reader's clock runs this many seconds ahead of the time it is started with.
    std::int64_t ClockOffsetSeconds = 0;
    // Its date answers carry an impossible date.
    bool ClockInvalid = false;

    // Storage memory: three areas, offsets inclusive; read offsets count from each area's start.
    std::uint16_t ConfigurationStart = 0x0000, ConfigurationStop = 0x0FFF;
    std::uint16_t ResultCfgStart = 0x1000, ResultCfgStop = 0x1FFF;
    std::uint16_t ResultStart = 0x2000, ResultStop = 0x7FFF;
    std::uint16_t ResultCfgReadOffset = 0, ResultReadOffset = 0;

    std::map<std::string, TSimConfig> Configurations;
    std::string Current;             // configuration in place at 0x00000 (empty: none)
    std::vector<std::string> Stored; // configurations stored in the reader
    std::vector<TSimRecord> Database;

    // RFID tag in front of the reader.
    bool RFIDPresent = false;
    std::uint8_t RFIDTagType = 4;
    std::uint16_t RFIDCapacity = 2048;
    std::string RFIDConfiguration;

    // The simulated user and the evaluation.
    std::uint32_t ButtonDelayMs = 1500;
    std::uint32_t EvaluationMs = 2000;
    std::int32_t TimerSecondsOverride = -1; // -1: the configuration's timer
    std::uint16_t ImageWidth = 240;
    std::uint32_t Seed = 1;
    std::vector<float> NextValues; // values of the next measurements' results (else the model)
    std::uint8_t NextInvalid = 0;

    // Misbehaviour.
    std::uint32_t Baud = 0; // 0: no pacing
    std::uint32_t RFIDErrorCount = 0;
    std::uint8_t RFIDErrorCode = 0x30;
    std::vector<TSimBehaviour> Behaviours;

    bool operator==(const TSimScenario&) const = default;
};

// The demo reader a new user meets first.
TSimScenario DefaultScenario();

// JSON text to scenario; false with a message naming the problem.
bool ScenarioFromJson(const std::string& text, TSimScenario& scenario, std::string& error);
std::string ScenarioToJson(const TSimScenario& scenario);
bool LoadScenarioFile(const std::string& path, TSimScenario& scenario, std::string& error);
// Checks what loading cannot: names that refer to configurations, areas that fit.
bool ValidateScenario(const TSimScenario& scenario, std::string& error);

// Configuration bits by name, as scenario files spell them.
constexpr std::uint32_t SimBitClockAvailable = 1u << 3;
constexpr std::uint32_t SimBitExtendedMemory = 1u << 4;
constexpr std::uint32_t SimBitRFIDTestCard = 1u << 5;
constexpr std::uint32_t SimBitInstantMeasureAllowed = 1u << 18;
constexpr std::uint32_t SimBitTimerMeasureAllowed = 1u << 19;
constexpr std::uint32_t SimBitStoresLineData = 1u << 23;
constexpr std::uint32_t SimBitStoresImageData = 1u << 24;
