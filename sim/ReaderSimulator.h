#pragma once
// A simulated reader: bytes in, bytes out, time advanced by its caller. No threads, no real
// time: the pty runner, the D2XX library and the in-process port drive it.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ExtTypes.h"
#include "SimScenario.h"
#include "TestConfiguration.h"
#include "VexoFrame.h"

// Regions of the reader's address space.
constexpr std::uint32_t SimAddrConfiguration = 0x00000;
constexpr std::uint32_t SimAddrLCD = 0x10000;
constexpr std::uint32_t SimAddrLastResult = 0x20000;
constexpr std::uint32_t SimAddrStorage = 0x30000;
constexpr std::uint32_t SimAddrRFID = 0x40000;
constexpr std::uint32_t SimAddrEEPROM = 0x50000;
constexpr std::uint32_t SimAddrResultWindow = 0x80000;

// Communication error codes the reader answers with.
constexpr std::uint8_t SimComUnknownCommand = 0x02;
constexpr std::uint8_t SimComBufferOverflow = 0x04;
constexpr std::uint8_t SimComNoImageData = 0x30;
constexpr std::uint8_t SimComInvalidFlags = 0x31;
constexpr std::uint8_t SimComWriteInvalidAddress = 0x41;
constexpr std::uint8_t SimComReadInvalidLocation = 0x42;
constexpr std::uint8_t SimComReadNoData = 0x43;
constexpr std::uint8_t SimComWriteMemoryOverflow = 0x44;

// Reader error codes.
constexpr std::uint8_t SimErrConfigInvalid = 0x1A;
constexpr std::uint8_t SimErrWrongVersion = 0x1C;
constexpr std::uint8_t SimErrAborted = 0x1D;
constexpr std::uint8_t SimErrRFIDNothingReceived = 0x38;

// Largest data block of one read answer (receive buffer less frame and header).
constexpr std::uint32_t SimMaxReadBlock = 16374;

// One stored result with its own configuration, as the reader lays it into its rings.
struct TSimStoredResult {
    TTestConfig Config;
    TDateData Date;
    std::uint8_t Invalid = 0;
    std::uint16_t Voltage = 0;
    float Temperature = 0.0f;
    std::uint16_t MeasureID = 0;
    std::vector<float> Values;
    std::vector<std::uint16_t> Profile; // the line image, 12-bit values
};

class ReaderSimulator {
public:
    // clockStart: the reader's clock at time 0, before the scenario's offset. Throws
    // std::invalid_argument for a scenario that ValidateScenario refuses.
    explicit ReaderSimulator(const TSimScenario& scenario, TDateTime clockStart = NowDateTime());

    // Bytes from the program.
    void Receive(const std::uint8_t* bytes, std::size_t count);
    void Receive(const tByteBuffer& bytes) { Receive(bytes.data(), bytes.size()); }
    // Moves the reader's time on; runs what falls due (prompts, button presses, late answers).
    void Advance(std::uint32_t ms);
    void AdvanceUs(std::uint64_t us);
    std::uint64_t NowUs() const { return fNowUs; }

    // Bytes for the program: those whose time has come (all of them without baud pacing).
    std::size_t Available() const;
    // When the first byte still to be read is ready (UINT64_MAX: none is waiting).
    std::uint64_t NextOutputUs() const;
    std::size_t TakeOutput(std::uint8_t* buffer, std::size_t max);
    tByteBuffer TakeOutput();
    // Drops what is waiting to be read (a purge of the receive side).
    void PurgeOutput();

    // Trace of every command received, one line each.
    void SetTrace(std::function<void(const std::string&)> trace) { fTrace = std::move(trace); }
    // Told of every command received (its code and payload), before it is carried out.
    void SetCommandObserver(std::function<void(std::uint8_t, const tByteBuffer&)> observer) {
        fObserver = std::move(observer);
    }

    // Behaviour switches from C++ (the same as the scenario's).
    void AddBehaviour(const TSimBehaviour& behaviour) { fScenario.Behaviours.push_back(behaviour); }
    void ClearBehaviours() { fScenario.Behaviours.clear(); }
    void SetBaud(std::uint32_t baud) { fScenario.Baud = baud; }
    void SetRFIDErrors(std::uint32_t count, std::uint8_t code);
    void SetClockInvalid(bool invalid) { fScenario.ClockInvalid = invalid; }
    void SetButtonDelay(std::uint32_t ms) { fScenario.ButtonDelayMs = ms; }
    void SetNextValues(const std::vector<float>& values, std::uint8_t invalid = 0);
    void SetRFIDTag(bool present, const tByteBuffer& userData = {});

    // What the reader shows and remembers.
    bool SwitchedOn() const { return fSwitchedOn; }
    bool ButtonDisabled() const { return fButtonDisabled; }
    bool InBootloader() const { return fBootloader; }
    bool Evaluating() const { return fEvaluation.Running; }
    const std::string& LCDText() const { return fLCDText; }
    TDateTime ReaderClock() const;
    std::uint32_t CommandCount() const { return fCommandCount; }
    std::uint32_t CommandCount(std::uint8_t code) const;

    // Memory, as the program reads it.
    const tByteBuffer& EEPROM() const { return fEEPROM; }
    const tByteBuffer& Storage() const { return fStorage; }
    const tByteBuffer& CurrentConfiguration() const { return fCurrentConfig; }
    const tByteBuffer& LastResult() const { return fLastResult; }
    const TSimScenario& Scenario() const { return fScenario; }
    std::uint32_t StoredResultCount() const { return static_cast<std::uint32_t>(fResults.size()); }
    // Reads like the read-data command; false with the communication error code.
    bool ReadMemory(std::uint32_t address, std::uint32_t count, tByteBuffer& data, std::uint8_t& error) const;

    // The line profile the model gives a configuration (12-bit values, peaks at the lines).
    static std::vector<std::uint16_t> ModelProfile(const TTestConfig& config, std::uint16_t width,
                                                   std::uint32_t seed);
    static std::vector<float> ModelValues(const TTestConfig& config, std::uint32_t seed);

private:
    struct TEvent {
        std::uint64_t DueUs;
        std::uint64_t Order;
        std::function<void()> Run;
    };
    struct TEvaluation {
        bool Running = false;
        bool Timer = false;
        std::uint32_t Generation = 0;
        TTestConfig Config;
    };

    void HandleCommand(const tByteBuffer& frame);
    void Dispatch(std::uint8_t code, const tByteBuffer& payload, std::vector<tByteBuffer>& replies);
    void Reply(std::vector<tByteBuffer>& replies, std::uint8_t code, const tByteBuffer& payload);
    void ComError(std::vector<tByteBuffer>& replies, std::uint8_t code);
    void SendNow(std::uint8_t code, const tByteBuffer& payload);
    void Emit(const tByteBuffer& wire, std::uint64_t atUs);
    void Schedule(std::uint64_t delayUs, std::function<void()> run);

    void HandleRead(const tByteBuffer& p, std::vector<tByteBuffer>& replies);
    void HandleWrite(const tByteBuffer& p, std::vector<tByteBuffer>& replies);
    void HandleEvaluate(std::uint8_t mode, std::vector<tByteBuffer>& replies);
    void HandleImage(const tByteBuffer& p, std::vector<tByteBuffer>& replies);
    void HandleFormat(std::uint8_t configs, std::vector<tByteBuffer>& replies);
    tByteBuffer RFIDStatusPayload(std::uint8_t errorCode) const;

    void EvaluationStep(std::uint32_t generation, int step, int secondsLeft);
    void FinishEvaluation();
    void StoreResult(const TSimStoredResult& result);

    void BuildMemory();
    void BuildEEPROM();
    void LayRings();
    tByteBuffer ResultCfgRecord(const TTestConfig& config, std::uint8_t id) const;
    tByteBuffer ResultRecord(const TSimStoredResult& result, std::uint8_t id) const;
    tByteBuffer LastResultBlock(const TSimStoredResult& result,
                                const std::vector<std::uint16_t>& profile) const;
    bool ResolveRead(std::uint32_t address, const tByteBuffer*& region, std::uint32_t& offset) const;

    TSimScenario fScenario;
    TDateTime fClockBase;
    std::uint64_t fNowUs = 0;
    std::uint64_t fEventOrder = 0;
    std::vector<TEvent> fEvents;
    std::deque<std::pair<std::uint64_t, std::uint8_t>> fOut;
    std::uint64_t fLastOutUs = 0;
    std::function<void(const std::string&)> fTrace;
    std::function<void(std::uint8_t, const tByteBuffer&)> fObserver;

    tFrameAssembler fAssembler;
    std::size_t fShutdownMatch = 0;
    bool fPrevStart = false, fInFrame = false;
    std::uint32_t fDropped = 0;
    bool fSwitchedOn = true;
    bool fButtonDisabled = false;
    bool fBootloader = false;
    std::string fLCDText;
    std::uint32_t fCommandCount = 0;
    std::map<std::uint8_t, std::uint32_t> fCommandCounts;
    std::uint32_t fRFIDErrorsLeft = 0;

    tByteBuffer fEEPROM;        // 256 bytes
    tByteBuffer fCurrentConfig; // 1248 or 4096 bytes
    tByteBuffer fLastResult;
    tByteBuffer fStorage; // storage memory from offset 0
    tByteBuffer fRFIDTag; // user data on the tag (capacity bytes)
    bool fRFIDPresent = false;
    std::uint16_t fRFIDUsed = 0;
    std::vector<tByteBuffer> fStoredConfigs;
    std::vector<TSimStoredResult> fResults; // oldest first
    std::uint16_t fMeasureID = 0;
    std::uint32_t fMeasureSeed = 0;
    bool fHaveMeasurement = false;
    bool fImageFull16 = true;
    std::vector<std::uint16_t> fImage; // line of the last measurement, 12-bit gray
    TEvaluation fEvaluation;

    // Storage pointers (offsets).
    std::uint16_t fCfgRead = 0, fCfgWrite = 0, fResCfgRead = 0, fResCfgWrite = 0, fResRead = 0, fResWrite = 0,
                  fLastResultPtr = 0;
};

// Builds the binary form of a scenario's configuration.
tByteBuffer BuildSimConfig(const TSimConfig& config);
// ... and the in-memory form (false for a raw form that does not parse).
bool MakeTestConfig(const TSimConfig& config, TTestConfig& out);
