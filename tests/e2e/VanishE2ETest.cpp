// The reader vanishes in every state a user can lose it in: the window with its real link
// thread, the reader behind the D2XX-compatible library (a USB unplug) or on the far end of a
// pseudo-terminal (the far end closes). Whatever the state, the window tells what it has for
// it, ends disconnected, keeps its list and its files whole, and connects again once the reader
// is back.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "D2XXSimControl.h"
#include "DynamicLibrary.h"
#include "LanguageEntries.h"
#include "MeasureEntries.h"
#include "MeasureFileFormat.h"
#ifndef _WIN32
#include "PseudoTerminal.h"
#endif
#include "RealTimeWindow.h"
#include "SimDevice.h"
#include "TextEncoding.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Commands as the reader counts them.
constexpr int cmdAcknowledge = 0xAA, cmdFirmware = 0xA2, cmdSerial = 0xA4, cmdGetDateTime = 0x5A,
              cmdSetDateTime = 0x58, cmdReadData = 0x52, cmdWriteData = 0x50, cmdImage = 0x43,
              cmdFormatDB = 0x5F;
constexpr auto Bound = 30s; // no step of a case may take longer: the window must never hang

// A reader whose cable the test pulls: now, or the moment it takes a given command.
class IVanishingReader {
public:
    virtual ~IVanishingReader() = default;
    virtual void CutOn(int code, unsigned nth, long address = -1) = 0;
    virtual void Cut() = 0;
    virtual bool Gone() = 0;
    virtual void Return() = 0;
    virtual long Commands(int code) = 0;
};

#ifndef _WIN32 // pseudo-terminals; on Windows the USB cases run
// A reader whose bytes pass through a pseudo-terminal served by a thread of the test; the
// cut closes the master side.
class TPtyReader final : public IVanishingReader {
public:
    explicit TPtyReader(const TSimScenario& scenario) : fReader(std::make_shared<TSimDevice>(scenario)) {
        fReader->StartRealTime();
        Return();
    }
    ~TPtyReader() override { Stop(); }
    std::string SlavePath() {
        std::lock_guard<std::mutex> lock(fLock);
        return fSlave;
    }
    void CutOn(int code, unsigned nth, long address) override { fReader->VanishOn(code, nth, address); }
    void Cut() override {
        fReader->Vanish();
        while (!Gone()) std::this_thread::sleep_for(1ms);
    }
    bool Gone() override { return fClosed; }
    void Return() override {
        Stop();
        fReader->Reconnect();
        auto pty = std::make_unique<TPseudoTerminal>();
        ASSERT_TRUE(pty->Open());
        {
            std::lock_guard<std::mutex> lock(fLock);
            fSlave = pty->SlavePath();
        }
        fClosed = false;
        fStop = false;
        fThread = std::thread([this, p = std::move(pty)]() mutable { Serve(std::move(p)); });
    }
    long Commands(int code) override { return fReader->CommandCount(code); }

private:
    void Serve(std::unique_ptr<TPseudoTerminal> pty) {
        std::uint8_t buffer[4096];
        while (!fStop) {
            const std::int32_t got = pty->Read(buffer, sizeof buffer, 1);
            if (got > 0) fReader->Write(buffer, static_cast<std::size_t>(got));
            if (fReader->Vanished()) break;
            const std::size_t n = fReader->Read(buffer, sizeof buffer);
            if (n) pty->Write(buffer, static_cast<std::uint32_t>(n));
            if (got <= 0 && n == 0) std::this_thread::sleep_for(1ms);
        }
        pty->Close();
        fClosed = true;
    }
    void Stop() {
        fStop = true;
        if (fThread.joinable()) fThread.join();
    }
    std::shared_ptr<TSimDevice> fReader;
    std::mutex fLock;
    std::string fSlave;
    std::thread fThread;
    std::atomic<bool> fStop{false}, fClosed{true};
};
#endif

// Reader 0 of the D2XX-compatible library, pulled and plugged through its test control. The
// test holds the library open itself, so the program's load and unload leave its readers be.
class TUsbReader final : public IVanishingReader {
public:
    TUsbReader() {
        if (!fLibrary.Load(FTDILibraryName())) return;
        fSetPlugged = reinterpret_cast<tVexoSimSetPlugged>(fLibrary.Symbol("VexoSimSetPlugged"));
        fIsPlugged = reinterpret_cast<tVexoSimIsPlugged>(fLibrary.Symbol("VexoSimIsPlugged"));
        fCutOn = reinterpret_cast<tVexoSimUnplugOnCommand>(fLibrary.Symbol("VexoSimUnplugOnCommand"));
        fCount = reinterpret_cast<tVexoSimCommandCount>(fLibrary.Symbol("VexoSimCommandCount"));
    }
    bool Usable() const { return fSetPlugged && fIsPlugged && fCutOn && fCount; }
    void CutOn(int code, unsigned nth, long address) override { fCutOn(0, code, nth, address); }
    void Cut() override { fSetPlugged(0, 0); }
    bool Gone() override { return fIsPlugged(0) == 0; }
    void Return() override { fSetPlugged(0, 1); }
    long Commands(int code) override { return fCount(0, code); }

private:
    TDynamicLibrary fLibrary;
    tVexoSimSetPlugged fSetPlugged = nullptr;
    tVexoSimIsPlugged fIsPlugged = nullptr;
    tVexoSimUnplugOnCommand fCutOn = nullptr;
    tVexoSimCommandCount fCount = nullptr;
};

enum class eMode { FTDI, COM };

enum class eCut {
    FirstAcknowledge,
    FirmwareVersion,
    SerialNumber,
    IdentificationFirst,
    IdentificationLast,
    ReadFirstBlock,
    ReadMiddleBlock,
    ReadLastBlock,
    Formatting,
    ConfigurationWrite,
    WhiteCardPrompt,
    TestCardPrompt,
    EvaluationRunning,
    ResultTransfer,
    ImageTransfer,
    ClockPoll,
    ClockSet,
};

// What the user is told about the lost reader.
enum class eTold { Nothing, ConnectionLost, TimedOut, ConnectFailed };

// Over USB the next write fails at once: the link error closes the connection (503). Over a
// hung-up pseudo-terminal nothing can be written or read, so every wait ends in its time-out:
// a silent reader is asked for an acknowledge and the check's time-out closes (502 + 568).
// A lost first acknowledge is a failed connect, told only when it was the user's (COM mode);
// a lost clock answer disconnects silently while auto-connect is on, and a lost serial number
// or clock setting lets the connection run on until that clock poll notices.
eTold Told(eMode mode, eCut cut) {
    if (cut == eCut::FirstAcknowledge) return mode == eMode::FTDI ? eTold::Nothing : eTold::ConnectFailed;
    if (cut == eCut::ClockPoll) return eTold::Nothing;
    if (mode == eMode::FTDI) return eTold::ConnectionLost;
    if (cut == eCut::SerialNumber || cut == eCut::ClockSet) return eTold::Nothing;
    return eTold::TimedOut;
}

bool DuringConnect(eCut cut) {
    return cut <= eCut::IdentificationLast;
}

using tFolder = std::map<std::string, std::string>; // file name, bytes

tFolder Snapshot(const std::string& dir) {
    tFolder out;
    for (const auto& e : fs::directory_iterator(dir))
        out[e.path().filename().string()] = ReadFileBytes(e.path().string());
    return out;
}

std::string Ids(const TForm_Main& form) {
    std::string out;
    for (const auto& e : form.MeasureList) out += e->TestID + " ";
    return out;
}

struct TVanishCase {
    eMode Mode;
    eCut Cut;
    const char* Name;
};

void PrintTo(const TVanishCase& c, std::ostream* os) {
    *os << (c.Mode == eMode::FTDI ? "USB " : "pty ") << c.Name;
}

class ReaderVanishes : public ::testing::TestWithParam<TVanishCase> {
protected:
    void SetUp() override {
        const TVanishCase& c = GetParam();
        // Quick hands and a quick evaluation: the prompts still come one by one.
        TSimScenario scenario = DefaultScenario();
        scenario.ButtonDelayMs = 600;
        scenario.EvaluationMs = 400;
        fs::create_directories(Data);
        if (c.Mode == eMode::FTDI) {
            const std::string file = W.Box.Dir / "reader.json";
            std::ofstream(file) << ScenarioToJson(scenario);
            SetEnvironment("VEXO_SIM_SCENARIO", file);
            auto usb = std::make_unique<TUsbReader>();
            if (!usb->Usable()) GTEST_SKIP() << "the D2XX-compatible library has no test control";
            Reader = std::move(usb);
            W.Box.Env.Link.LibraryName.clear(); // the system's name, found on the library path
        } else {
#ifndef _WIN32
            auto pty = std::make_unique<TPtyReader>(scenario);
            TPtyReader* p = pty.get();
            Reader = std::move(pty);
            W.Box.Env.Link.PortFactory = [p] { return std::make_unique<TRedirectedPort>(p->SlavePath()); };
            fs::create_directories(W.Box.Dir / "sys/class/tty/rfcomm5");
            fs::create_directories(W.Box.Dir / "dev");
            std::ofstream(W.Box.Dir / "dev/rfcomm5") << "";
#endif
        }
        // A list loaded at start, the tracking file beside it.
        std::string header;
        for (int i = 0; i < 139; ++i) header += "c\t";
        std::vector<std::string> lines{header};
        for (const char* id : {"17-3-1-4 0001", "17-3-1-4 0002"})
            lines.push_back(BuildTSVLine(*MakeEntry(id), TSVVLong));
        std::string error;
        ASSERT_TRUE(WriteTextFileLines(Data + DIR_SEP "Results.tsv", lines, error)) << error;
        WriteTextFile(
            W.Box.App + DIR_SEP "DRConfig.ini",
            {"[Setup]", "AddDataBehaviour = \"Add\"", "TestSource = \"Vexo\"", "AutoSaveMeasurements = true",
             "AutoSaveMeasurementsFile = \"" + TGenFile::MakeSaveString(Data + DIR_SEP "track.tsv") + "\"",
             "LoadLastSavedOnStart = true", "DefaultDir = \"" + TGenFile::MakeSaveString(Data) + "\"",
             "LastUsedFile = \"Results.tsv\""});
    }

    TForm_Main& Form() {
        return *W.Form;
    }
    void Start() {
        W.Form = W.Box.Start();
        TForm_Main& form = Form();
        if (GetParam().Mode == eMode::COM) {
            form.Bluetooth->SysfsRoot = W.Box.Dir / "sys";
            form.Bluetooth->DevDir = W.Box.Dir / "dev";
        }
        ASSERT_TRUE(W.RunUntil([&] { return form.initialized; }, Bound));
        ASSERT_EQ(form.MeasureList.size(), 2u);
    }
    // FTDI mode connects by itself through the device list; COM mode by the user's click.
    void Connect() {
        TForm_Main& form = Form();
        if (GetParam().Mode == eMode::COM) {
            ASSERT_EQ(form.ComboBox_Com.Text, "rfcomm5");
            form.Button_OpenClick();
        } else {
            W.FastForward = true; // the device-list timer
        }
    }
    void WaitReady() {
        ASSERT_TRUE(W.RunUntil([&] { return W.Ready(); }, Bound)) << "status " << int(Form().State.Current);
        W.FastForward = false;
    }
    // A database read to its end; the number of blocks it took.
    long ReadDatabase() {
        TForm_Main& form = Form();
        const long before = Reader->Commands(cmdReadData);
        const std::size_t entries = form.MeasureList.size();
        form.Button_ReadDataClick();
        EXPECT_TRUE(
            W.RunUntil([&] { return form.State.Current == 0 && form.MeasureList.size() > entries; }, Bound));
        return Reader->Commands(cmdReadData) - before;
    }
    void StartMeasurement() {
        W.Box.Dialogs.Expect("ConfigList", mrOk, 0);
        Form().Button_MeasureClick(&Form().Button_InstantMeasure);
    }
    bool Prompted(const TLangEntry& text) {
        for (const auto& call : W.Box.Dialogs.Of("EvaluationInfo"))
            if (call.Text == Form().Text(text)) return true;
        return false;
    }
    // Pulls the cable the moment the window shows this prompt.
    void CutAtPrompt(const TLangEntry& text) {
        ASSERT_TRUE(W.RunUntil([&] { return Prompted(text); }, Bound));
        Reader->Cut();
    }

    TRealTimeWindow W;
    std::string Data = W.Box.Dir / "data";
    std::unique_ptr<IVanishingReader> Reader;
};

TEST_P(ReaderVanishes, TellsEndsDisconnectedKeepsTheListAndConnectsAgain) {
    const TVanishCase& c = GetParam();
    const eCut cut = c.Cut;
    switch (cut) {
    case eCut::FirstAcknowledge: Reader->CutOn(cmdAcknowledge, 1); break;
    case eCut::FirmwareVersion: Reader->CutOn(cmdFirmware, 1); break;
    case eCut::SerialNumber: Reader->CutOn(cmdSerial, 1); break;
    case eCut::IdentificationFirst: Reader->CutOn(cmdReadData, 1, 0x50000); break;
    case eCut::IdentificationLast: Reader->CutOn(cmdReadData, 1, 0x50080); break;
    default: break;
    }
    Start();
    TForm_Main& form = Form();
    Connect();
    if (!DuringConnect(cut)) WaitReady();

    std::size_t before = form.MeasureList.size();
    switch (cut) {
    case eCut::ReadFirstBlock:
    case eCut::ReadMiddleBlock:
    case eCut::ReadLastBlock: {
        const long blocks = ReadDatabase();
        ASSERT_GE(blocks, 3);
        before = form.MeasureList.size();
        Reader->CutOn(cmdReadData, cut == eCut::ReadFirstBlock    ? 1
                                   : cut == eCut::ReadMiddleBlock ? static_cast<unsigned>(blocks / 2)
                                                                  : static_cast<unsigned>(blocks));
        form.Button_ReadDataClick();
        break;
    }
    case eCut::Formatting:
        Reader->CutOn(cmdFormatDB, 1);
        W.Box.Dialogs.Expect("MessageBox", mrYes);
        form.Menu_FormatDBClick();
        break;
    case eCut::ConfigurationWrite:
        Reader->CutOn(cmdWriteData, 1, 0);
        StartMeasurement();
        break;
    case eCut::WhiteCardPrompt:
        StartMeasurement();
        CutAtPrompt(LE::PlaceOverWhiteCard);
        break;
    case eCut::TestCardPrompt:
        StartMeasurement();
        CutAtPrompt(LE::PlaceOverTestCard);
        break;
    case eCut::EvaluationRunning:
        StartMeasurement();
        CutAtPrompt(LE::EvaluationRunning);
        break;
    case eCut::ResultTransfer:
        Reader->CutOn(cmdReadData, 1, 0x20000);
        StartMeasurement();
        break;
    case eCut::ImageTransfer:
        Reader->CutOn(cmdImage, 2); // the transfer has started; the line is asked for
        StartMeasurement();
        break;
    case eCut::ClockPoll: Reader->CutOn(cmdGetDateTime, 1); break;
    case eCut::ClockSet:
        Reader->CutOn(cmdSetDateTime, 1);
        // The setting goes out only in "Ready", not while a clock poll waits.
        ASSERT_TRUE(W.RunUntil(
            [&] {
                if (form.State.Current == 0) form.DTP_SetDateTimeChange();
                return Reader->Gone();
            },
            Bound));
        break;
    default: break;
    }
    ASSERT_TRUE(W.RunUntil([&] { return Reader->Gone(); }, Bound)) << "the cut never came";
    const tFolder files = Snapshot(Data);
    const std::string entries = Ids(form);
    ASSERT_EQ(form.MeasureList.size(), before);

    // Nothing can come from the reader any more: the window's waits need no real time.
    W.FastForward = true;
    W.PortHungUp = c.Mode == eMode::COM;
    const eTold told = Told(c.Mode, cut);
    std::string text, caption;
    switch (told) {
    case eTold::Nothing: break;
    case eTold::ConnectionLost: text = form.Text(LE::ConnectionClosed); break;
    case eTold::TimedOut:
        text = form.Text(LE::WaitingTimeOut) + "\r\n" + form.Text(LE::ConnectionHasBeenClosed);
        caption = form.Text(LE::VexoDisconnected);
        break;
    case eTold::ConnectFailed: text = form.Text(LE::ConnectionFailed); break;
    }
    if (told != eTold::Nothing) W.Box.Dialogs.Expect("MessageBox", mrOk);
    ASSERT_TRUE(W.RunUntil([&] { return form.State.Current == 16 && W.Box.Dialogs.ScriptDone(); }, Bound))
        << "status " << int(form.State.Current);
    W.RunFor(50ms);
    EXPECT_EQ(form.State.Current, 16);
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.Button_Open.Caption, form.Text(LE::Connect));
    const auto boxes = W.Box.Dialogs.Of("MessageBox");
    if (told == eTold::Nothing) {
        EXPECT_TRUE(boxes.empty()) << boxes.back().Text;
    } else {
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().Text, text);
        EXPECT_EQ(boxes.back().Caption, caption);
    }
    // A prompt the reader will never follow up is gone from the screen.
    const auto& calls = W.Box.Dialogs.Calls;
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->Kind == "EvaluationInfo" || it->Kind == "HideEvaluationInfo") {
            EXPECT_EQ(it->Kind, "HideEvaluationInfo");
            break;
        }
    // Every entry stays, and no file was touched or left half written.
    EXPECT_EQ(Ids(form), entries);
    EXPECT_EQ(Snapshot(Data), files);

    // The reader comes back.
    if (c.Mode == eMode::FTDI) {
        // The device list loses it while it is unplugged and auto-connect finds it again.
        ASSERT_TRUE(
            W.RunUntil([&] { return form.ComboBox_FTDIDevice.Text == form.Text(LE::NoDevice); }, Bound));
        Reader->Return();
        WaitReady();
    } else {
        W.FastForward = false;
        W.PortHungUp = false;
        Reader->Return();
        form.Button_OpenClick();
        WaitReady();
    }
    EXPECT_EQ(form.EEPROMMap->EEPROMVersion(), 6);
    EXPECT_EQ(Ids(form), entries);
    EXPECT_TRUE(form.RequestClose());
}

std::string CaseName(const ::testing::TestParamInfo<TVanishCase>& info) {
    return std::string(info.param.Mode == eMode::FTDI ? "Usb_" : "Pty_") + info.param.Name;
}

std::vector<TVanishCase> Cases() {
    const std::pair<eCut, const char*> cuts[] = {
        {eCut::FirstAcknowledge, "FirstAcknowledge"},
        {eCut::FirmwareVersion, "FirmwareVersion"},
        {eCut::SerialNumber, "SerialNumber"},
        {eCut::IdentificationFirst, "IdentificationFirstRead"},
        {eCut::IdentificationLast, "IdentificationLastRead"},
        {eCut::ReadFirstBlock, "DatabaseFirstBlock"},
        {eCut::ReadMiddleBlock, "DatabaseMiddleBlock"},
        {eCut::ReadLastBlock, "DatabaseLastBlock"},
        {eCut::Formatting, "Formatting"},
        {eCut::ConfigurationWrite, "ConfigurationWrite"},
        {eCut::WhiteCardPrompt, "WhiteCardPrompt"},
        {eCut::TestCardPrompt, "TestCardPrompt"},
        {eCut::EvaluationRunning, "EvaluationRunning"},
        {eCut::ResultTransfer, "ResultTransfer"},
        {eCut::ImageTransfer, "ImageTransfer"},
        {eCut::ClockPoll, "ClockPoll"},
        {eCut::ClockSet, "ClockSet"},
    };
    std::vector<TVanishCase> out;
#ifdef _WIN32
    for (eMode mode : {eMode::FTDI})
#else
    for (eMode mode : {eMode::FTDI, eMode::COM})
#endif
        for (const auto& [cut, name] : cuts) out.push_back({mode, cut, name});
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryState, ReaderVanishes, ::testing::ValuesIn(Cases()), CaseName);

} // namespace
