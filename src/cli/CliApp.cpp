#include "CliApp.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <set>
#include <utility>

#include <nlohmann/json.hpp>

#include "CliDialogs.h"
#include "CliOptions.h"
#include "FileSystem.h"
#include "Main.h"
#include "RealTimeTimers.h"
#include "SyncInvoker.h"
#include "TextEncoding.h"

namespace fsys = vexo::platform;

namespace {

// Nothing loads under this name, so --port keeps the window in COM mode.
constexpr const char* NoD2XXLibrary = "libvexo-cli-com-mode-only.so";

class TCliRun {
public:
    TCliRun(const TCliOptions& options, std::string demoLibrary, bool progress, std::ostream& out,
            std::ostream& err)
        : fOpt(options), fDemoLibrary(std::move(demoLibrary)), fProgress(progress), fOut(out), fErr(err),
          fDialogs(err) {}

    int Run();

private:
    // One result line, "name: value"; with --json a field of the one object printed at the end.
    // textName, when given, names the line in place of the field.
    void Field(const std::string& name, const nlohmann::ordered_json& value,
               const std::string& textName = "");
    // The form's progress bar as a line on standard error, redrawn in place; cleared when it hides.
    void ShowProgress();
    bool StartForm();
    // Runs the window's timers and the link's events until done holds or ms have passed.
    bool Pump(const std::function<bool()>& done, int ms);
    // Connects as the Connect button does and waits for the identification to end.
    int ConnectReader();
    void DisconnectReader();
    // Waits for the reader's next date and time; false when it does not come.
    bool WaitForClock(TDateTime& dateTime, bool& valid);
    // Idle and connected: nothing is waited for, no command is held back.
    bool Ready() const;
    int List();
    int Info();
    int ReadDatabase();
    int Measure();
    // The Test IDs an existing measurement file holds; false when it cannot be read.
    bool KnownTestIDs(const std::string& file, std::set<std::string>& ids);
    // Saves the list as to the last used file: merged into an existing file, a new one otherwise.
    int SaveTo(const std::string& file);
    int Format();
    int Clock();

    const TCliOptions& fOpt;
    // --demo: the D2XX library loaded instead of the system's.
    std::string fDemoLibrary;
    // Standard error is a terminal: a database read shows its progress there.
    bool fProgress;
    std::string fProgressLine;
    nlohmann::ordered_json fJson = nlohmann::ordered_json::object();
    std::ostream& fOut;
    std::ostream& fErr;
    TCliDialogs fDialogs;
    TRealTimeTimers fTimers;
    std::unique_ptr<TQueuedSyncInvoker> fInvoker;
    std::unique_ptr<TForm_Main> fForm;
    // The reader's date and time answers since the last WaitForClock.
    int fClockAnswers = 0;
    TDateTime fReaderTime{};
    bool fReaderTimeValid = false;
};

std::string DateTimeText(TDateTime value) {
    const TDateTimeFields f = DecodeDateTime(value);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.Year, f.Month, f.Day, f.Hour,
                  f.Minute, f.Second);
    return text;
}

void TCliRun::Field(const std::string& name, const nlohmann::ordered_json& value,
                    const std::string& textName) {
    if (fOpt.Json) {
        fJson[name] = value;
        return;
    }
    fOut << (textName.empty() ? name : textName) << ": "
         << (value.is_string() ? value.get<std::string>() : value.dump()) << "\n";
}

void TCliRun::ShowProgress() {
    const TProgressBar& bar = fForm->ProgressBar;
    std::string line;
    if (bar.Visible && bar.Max > 0) {
        const long long percent = 100LL * bar.Position / bar.Max;
        line = "Reading: " + std::to_string(bar.Position) + " of " + std::to_string(bar.Max) + " bytes (" +
               std::to_string(percent) + "%)";
    }
    if (line == fProgressLine) return;
    // Padded over the longer line before it; an empty line clears it.
    const std::size_t width = std::max(line.size(), fProgressLine.size());
    fErr << '\r' << line << std::string(width - line.size(), ' ');
    if (line.empty()) fErr << '\r';
    fErr.flush();
    fProgressLine = line;
}

bool TCliRun::Pump(const std::function<bool()>& done, int ms) {
    using clock = std::chrono::steady_clock;
    const auto end = clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (clock::now() >= end) return false;
        auto wait = std::min<clock::duration>(fTimers.UntilNext(), std::chrono::milliseconds(2));
        fInvoker->ProcessPending(std::chrono::duration_cast<std::chrono::milliseconds>(wait));
        fTimers.RunDue();
        if (fForm && fForm->Closed()) return done();
    }
    return true;
}

bool TCliRun::StartForm() {
    fInvoker = std::make_unique<TQueuedSyncInvoker>();
    TMainEnvironment env;
    env.Timers = &fTimers;
    env.Dialogs = &fDialogs;
    env.FileNotifier = &fDialogs;
    env.ReadOnlySettings = true;
    env.Link.Invoker = fInvoker.get();
    env.Link.LibraryName = fDemoLibrary;
    if (!fOpt.Port.empty()) {
        env.Link.LibraryName = NoD2XXLibrary;
        const std::string path = fOpt.Port;
        // --port: whatever COM port the window opens is this device.
        env.Link.PortFactory = [path]() -> std::unique_ptr<ISerialPort> {
            return CreateSystemSerialPortAt(path);
        };
    }
    if (fOpt.Trace) env.Trace = [this](const std::string& line) { fErr << line << '\n'; };
    if (fProgress && fOpt.Command == eCliCommand::Read)
        env.Changed = [this] {
            if (fForm && fProgress) ShowProgress();
        };
    fForm = std::make_unique<TForm_Main>(env);
    // The window shows the reader's clock in its pickers; the command wants the answer itself.
    auto shown = fForm->Vexo->onDateTime;
    fForm->Vexo->onDateTime = [this, shown](tVexoCommand& sender, TDateTime dateTime, bool valid) {
        if (shown) shown(sender, dateTime, valid);
        ++fClockAnswers;
        fReaderTime = dateTime;
        fReaderTimeValid = valid;
    };
    // New data is saved by the command to its --out file, not by the user's save settings.
    fForm->AutoSave = false;
    fForm->PromptSave = false;
    fForm->TrackMeasurements = false;
    if (fOpt.Style == "long") fForm->SaveTSVStyle = TSVVLong;
    if (fOpt.Style == "short") fForm->SaveTSVStyle = TSVVShort;
    if (fOpt.Style == "halvorn") fForm->SaveTSVStyle = TSVVHalvorn;
    if (!fOpt.Language.empty()) {
        bool found = false;
        for (std::size_t i = 0; i < fForm->LanguageItems.size(); ++i)
            if (fForm->LanguageItems[i].Caption == fOpt.Language) {
                fForm->LanguageMenuItemClick(i);
                found = true;
            }
        if (!found) {
            fErr << "vexo-cli: the language file has no language '" << fOpt.Language << "'\n";
            return false;
        }
    }
    // The window completes its start 150 ms after it was built.
    return Pump([this] { return fForm->initialized; }, 5000);
}

int TCliRun::List() {
    // The readers the device box offers, by the index --ftdi takes; then the ports --port takes.
    nlohmann::ordered_json readers = nlohmann::ordered_json::array();
    const TComboBox& box = fForm->ComboBox_FTDIDevice;
    if (!fForm->FTDIMode()) {
        if (!fOpt.Json) fOut << "FTDI readers: none (COM mode)\n";
    } else if (box.Items.empty()) {
        if (!fOpt.Json)
            fOut << "FTDI readers: none" << (box.Text.empty() ? "" : " (" + box.Text + ")") << "\n";
    } else {
        if (!fOpt.Json) fOut << "FTDI readers (index, serial, description, location):\n";
        const std::vector<TUsbDevice>& list = fForm->UsbDevices;
        for (const auto& entry : box.Items) {
            if (entry.Data < 0 || static_cast<std::size_t>(entry.Data) >= list.size()) continue;
            const TUsbDevice& device = list[static_cast<std::size_t>(entry.Data)];
            char location[16];
            std::snprintf(location, sizeof location, "0x%X", device.LocId);
            const std::string& serial = device.Serial;
            const std::string& description = device.Description;
            readers.push_back({{"Index", entry.Data},
                               {"Serial", serial},
                               {"Description", description},
                               {"Location", location}});
            if (!fOpt.Json)
                fOut << entry.Data << "\t" << serial << "\t" << description << "\t" << location << "\n";
        }
    }
    std::vector<std::string> ports;
    if (fForm->Bluetooth) fForm->Bluetooth->GetComPorts(ports);
    for (auto& port : ports) port = ComPortDevicePath(port);
    if (!fOpt.Json) {
        fOut << "Serial ports" << (ports.empty() ? ": none" : ":") << "\n";
        for (const auto& port : ports) fOut << port << "\n";
    }
    fJson["FTDI readers"] = readers;
    fJson["Serial ports"] = ports;
    return exDone;
}

bool TCliRun::Ready() const {
    return fForm->LinkOpen() && fForm->State.Current == 0 && fForm->DelayedUserAction == actNone &&
           !fForm->Timer_WaitAfterClock.Enabled();
}

int TCliRun::ConnectReader() {
    TForm_Main& f = *fForm;
    if (f.FTDIMode()) {
        TComboBox& box = f.ComboBox_FTDIDevice;
        std::int32_t pick = -1;
        for (std::int32_t i = 0; i < box.Count(); ++i)
            if (!fOpt.Ftdi || box.Items[static_cast<std::size_t>(i)].Data == *fOpt.Ftdi) {
                pick = i;
                break;
            }
        if (pick < 0) {
            fErr << "vexo-cli: "
                 << (fOpt.Ftdi ? "no reader with index " + std::to_string(*fOpt.Ftdi) : "no reader found")
                 << (box.Text.empty() ? std::string() : " (" + box.Text + ")")
                 << "; 'vexo-cli list' shows the readers\n";
            return exReaderFailed;
        }
        box.Select(pick);
        if (fOpt.Baud) f.VexoBaudRate = *fOpt.Baud;
    } else {
        if (fOpt.Port.empty()) {
            fErr << "vexo-cli: the FTDI D2XX library (" << FTDILibraryName()
                 << ") could not be loaded; pass --port DEVICE for a serial device\n";
            return exUsage;
        }
        if (fOpt.Ftdi) {
            fErr << "vexo-cli: --ftdi needs the FTDI D2XX library (" << FTDILibraryName() << ")\n";
            return exUsage;
        }
        // One entry stands for the device of --port.
        f.ComboBox_Com.Clear();
        f.ComboBox_Com.Items.push_back({ComPortDisplayName(1), 0});
        f.ComboBox_Com.Select(0);
        if (fOpt.Baud) f.ComboBox_Baud.Text = std::to_string(*fOpt.Baud);
    }
    const int messagesBefore = fDialogs.MessagesShown;
    f.Connect(&f.Button_Open);
    if (!f.LinkOpen()) {
        fErr << f.Text(LE::ConnectionFailed) << "\n";
        const std::string why = f.Schnittstelle->GetErrorMessage();
        if (!why.empty()) fErr << why << "\n";
        return exReaderFailed;
    }
    // The handshake ends ready, or the window gives up by its own time-outs and says why.
    auto failed = [&] { return !f.LinkOpen() || fDialogs.MessagesShown != messagesBefore; };
    Pump([&] { return failed() || (f.State.Current == 0 && f.Button_ReadData.Enabled); }, 30000);
    if (failed() || f.State.Current != 0 || !f.Button_ReadData.Enabled) return exReaderFailed;
    return exDone;
}

void TCliRun::DisconnectReader() {
    TForm_Main& f = *fForm;
    if (!f.LinkOpen()) return;
    // A command held back or waited for ends first, so the button release is answered.
    Pump([&] { return Ready() || !f.LinkOpen(); }, 3000);
    if (f.LinkOpen()) f.Button_OpenClick();
    Pump([&] { return !f.LinkOpen(); }, 3000);
}

bool TCliRun::WaitForClock(TDateTime& dateTime, bool& valid) {
    fClockAnswers = 0;
    // The clock is polled every second while the window is idle.
    if (!Pump([&] { return fClockAnswers > 0 || !fForm->LinkOpen(); }, 4000) || fClockAnswers == 0)
        return false;
    dateTime = fReaderTime;
    valid = fReaderTimeValid;
    return true;
}

int TCliRun::Info() {
    if (int status = ConnectReader(); status != exDone) return status;
    TForm_Main& f = *fForm;
    Field("Serial", f.SNString);
    Field("Firmware", f.FWString);
    Field("EEPROM version", static_cast<int>(f.EEPROMMap->EEPROMVersion()));
    TDateTime clock{};
    bool valid = false;
    if (f.Timer_VexoClock.Enabled() && WaitForClock(clock, valid))
        Field("Clock", valid ? DateTimeText(clock) : std::string("invalid date"));
    else
        Field("Clock", "not available");
    return exDone;
}

int TCliRun::Clock() {
    if (int status = ConnectReader(); status != exDone) return status;
    TForm_Main& f = *fForm;
    if (!f.Timer_VexoClock.Enabled()) {
        fErr << "vexo-cli: this reader has no clock\n";
        return exReaderFailed;
    }
    TDateTime clock{};
    bool valid = false;
    if (!WaitForClock(clock, valid)) {
        fErr << "vexo-cli: the reader did not tell its date and time\n";
        return exReaderFailed;
    }
    Field("Clock", valid ? DateTimeText(clock) : std::string("invalid date"));
    if (!fOpt.SetClock) return exDone;

    if (!Pump([&] { return Ready(); }, 3000)) return exReaderFailed;
    if (*fOpt.SetClock == "now") {
        f.PopUpItem_SetSystemTimeClick();
    } else {
        int y, mo, d, h, mi, s;
        ParseClockText(*fOpt.SetClock, y, mo, d, h, mi, s);
        f.DTP_SetDate.Value = EncodeDateTime(y, mo, d);
        f.DTP_SetTime.Value = EncodeDateTime(y, mo, d, h, mi, s);
        f.DTP_SetDateTimeChange();
    }
    if (!WaitForClock(clock, valid)) {
        fErr << "vexo-cli: the reader did not tell its date and time\n";
        return exReaderFailed;
    }
    Field("Clock set", valid ? DateTimeText(clock) : std::string("invalid date"), "Clock");
    return exDone;
}

int TCliRun::Format() {
    if (int status = ConnectReader(); status != exDone) return status;
    TForm_Main& f = *fForm;
    if (!Pump([&] { return Ready(); }, 3000)) return exReaderFailed;
    bool succeeded = false;
    fDialogs.AnswerMessage = [&](const TMessageBoxRequest& r) {
        if (r.Message == f.Text(LE::FormatSucceeded)) succeeded = true;
        // --yes answers the question whether to format.
        return MessageBoxResult(r.Style, eMsgButton::OK, false);
    };
    f.Menu_FormatDBClick();
    Pump([&] { return succeeded || !f.LinkOpen() || (f.State.Current != 7 && Ready()); }, 30000);
    fDialogs.AnswerMessage = nullptr;
    return succeeded ? exDone : exReaderFailed;
}

int TCliRun::ReadDatabase() {
    if (int status = ConnectReader(); status != exDone) return status;
    TForm_Main& f = *fForm;
    if (!Pump([&] { return Ready(); }, 3000)) return exReaderFailed;

    const std::string out = fsys::AbsolutePath(fOpt.Out);
    std::set<std::string> known;
    if (!KnownTestIDs(out, known)) return exFileFailed;

    int errors = 0;
    bool empty = false;
    fDialogs.AnswerMessage = [&](const TMessageBoxRequest& r) {
        if (r.Message == f.Text(LE::DatabaseEmpty))
            empty = true;
        else if (r.Style == 0)
            ++errors;
        return MessageBoxResult(r.Style, eMsgButton::OK, false);
    };
    f.Button_ReadDataClick();
    Pump([&] { return !f.LinkOpen() || (f.State.Current != 2 && Ready()); }, 600000);
    fDialogs.AnswerMessage = nullptr;
    // A read that ended early leaves its last line: cleared here, so messages start afresh.
    fProgress = false;
    if (!fProgressLine.empty()) fErr << '\r' << std::string(fProgressLine.size(), ' ') << '\r';
    if (!f.LinkOpen() || errors > 0 || f.State.Current != 0) return exReaderFailed;

    std::size_t fresh = 0;
    for (const auto& entry : f.MeasureList)
        if (!known.count(entry->TestID)) ++fresh;

    if (int status = SaveTo(out); status != exDone) return status;
    fOut << "Entries read: " << f.MeasureList.size() << (empty ? " (the reader's database is empty)" : "")
         << "\n";
    fOut << "New entries: " << fresh << "\n";
    return exDone;
}

bool TCliRun::KnownTestIDs(const std::string& file, std::set<std::string>& ids) {
    if (!fsys::FileExists(file)) return true;
    std::vector<std::string> lines;
    std::string error;
    if (!ReadTextFileLines(file, lines, error)) {
        fErr << "vexo-cli: cannot read " << file << ": " << error << "\n";
        return false;
    }
    const ETSVVersion style = lines.empty() ? TSVEmpty : DetectTSVStyle(lines[0]);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        TMeasureSet entry;
        if (ParseTSVLine(lines[i], entry, style)) ids.insert(entry.TestID);
    }
    return true;
}

int TCliRun::SaveTo(const std::string& file) {
    TForm_Main& f = *fForm;
    f.SaveDialog_Results.InitialDir = fsys::FolderOf(file);
    f.SaveDialog_Results.FileName = fsys::NameOf(file);
    const int before = fDialogs.MessagesShown;
    // A file in use is not retried for ever: the command gives up.
    fDialogs.AnswerMessage = [](const TMessageBoxRequest& r) {
        return r.Style == 1 ? mrCancel : MessageBoxResult(r.Style, eMsgButton::OK, false);
    };
    f.SaveMeasureFile(STLastFile);
    fDialogs.AnswerMessage = nullptr;
    if (fDialogs.MessagesShown != before || !fsys::FileExists(file)) return exFileFailed;
    return exDone;
}

int TCliRun::Measure() {
    if (int status = ConnectReader(); status != exDone) return status;
    TForm_Main& f = *fForm;
    if (!Pump([&] { return Ready(); }, 3000)) return exReaderFailed;
    const std::string out = fsys::AbsolutePath(fOpt.Out);
    std::set<std::string> known;
    if (!KnownTestIDs(out, known)) return exFileFailed;

    const bool rfidReader = f.EEPROMMap->VolatileData.VexoCfgBits.RFIDTestCard();
    if (fOpt.ConfigFile.empty() && fOpt.Rfid != rfidReader) {
        fErr << "vexo-cli: this reader takes its test configuration "
             << (rfidReader ? "from an RFID tag: use --rfid" : "from its stored list: use --stored N")
             << "\n";
        return exUsage;
    }
    if (!fOpt.ConfigFile.empty()) {
        if (!fsys::FileExists(fOpt.ConfigFile)) {
            fErr << "vexo-cli: cannot read " << fOpt.ConfigFile << "\n";
            return exFileFailed;
        }
        f.CurrentTestSource = TSLocal;
        fDialogs.FileAnswer = fsys::AbsolutePath(fOpt.ConfigFile);
    } else {
        f.CurrentTestSource = TSVexo;
        fDialogs.ChoiceAnswer = fOpt.Stored ? *fOpt.Stored - 1 : -1;
    }
    f.CombineMeasurements = fOpt.Combine ? Combine : SingleOnly;

    int errors = 0;
    fDialogs.AnswerMessage = [&](const TMessageBoxRequest& r) {
        if (r.Style == 0) ++errors;
        // The combination question: --combine says yes.
        if (r.Message == f.Text(LE::CombineQuestion)) return std::int32_t{fOpt.Combine ? mrYes : mrNo};
        return MessageBoxResult(r.Style, eMsgButton::OK, false);
    };
    const std::size_t before = f.MeasureList.size();
    f.Button_MeasureClick(fOpt.Timer ? static_cast<const void*>(&f.Button_TimerMeasure)
                                     : static_cast<const void*>(&f.Button_InstantMeasure));
    // A measurement waits for the reader's prompts and its user; the window's time-outs end a
    // silent one. Idle for a few seconds without a new entry means it was given up (a choice
    // that did not fit, a configuration the reader does not have).
    using clock = std::chrono::steady_clock;
    auto idleSince = clock::now();
    const bool ended = Pump(
        [&] {
            if (!f.LinkOpen() || errors > 0) return true;
            if (f.MeasureList.size() > before && Ready() && f.CombineMeasurements != SecondMeasure)
                return true;
            // The clock poll comes and goes every second; only reader work counts as busy.
            const bool idle =
                f.DelayedUserAction == actNone && (f.State.Current == 0 || f.State.Current == 15);
            if (!idle) idleSince = clock::now();
            return clock::now() - idleSince > std::chrono::seconds(3);
        },
        600000);
    fDialogs.AnswerMessage = nullptr;
    if (fDialogs.ConfigListShown >= 0 && fOpt.Stored && *fOpt.Stored > fDialogs.ConfigListShown) {
        fErr << "vexo-cli: the reader holds " << fDialogs.ConfigListShown << " stored configurations, not "
             << *fOpt.Stored << "\n";
        return exUsage;
    }
    if (!ended || !f.LinkOpen() || errors > 0) return exReaderFailed;
    if (f.MeasureList.size() == before) {
        fErr << "vexo-cli: no measurement was made";
        if (fOpt.Stored) fErr << " (stored configuration " << *fOpt.Stored << " was not offered)";
        fErr << "\n";
        return exReaderFailed;
    }

    std::size_t fresh = 0;
    for (const auto& entry : f.MeasureList)
        if (!known.count(entry->TestID)) ++fresh;
    if (int status = SaveTo(out); status != exDone) return status;
    for (std::size_t i = before; i < f.MeasureList.size(); ++i)
        fOut << "Entry: " << f.MeasureList[i]->TestID << "\n";
    fOut << "New entries: " << fresh << "\n";
    return exDone;
}

int TCliRun::Run() {
    if (!StartForm()) return exUsage;
    int status = exDone;
    switch (fOpt.Command) {
    case eCliCommand::List: status = List(); break;
    case eCliCommand::Info: status = Info(); break;
    case eCliCommand::Read: status = ReadDatabase(); break;
    case eCliCommand::Format: status = Format(); break;
    case eCliCommand::Clock: status = Clock(); break;
    case eCliCommand::Measure: status = Measure(); break;
    case eCliCommand::None: break;
    }
    if (fOpt.Json && status == exDone) fOut << fJson.dump(2) << "\n";
    DisconnectReader();
    // The list is this run's own: nothing to offer saving at the end.
    fForm->SaveOnExit = false;
    fForm->RequestClose();
    fForm.reset();
    return status;
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress) {
    TCliOptions options;
    std::string error;
    if (!ParseCliOptions(args, options, error)) {
        err << "vexo-cli: " << error << "\nTry 'vexo-cli --help'.\n";
        return exUsage;
    }
    if (options.Help) {
        out << options.HelpText;
        return exDone;
    }
    if (options.Version) {
        out << "vexo-cli " << VersionText << "\n";
        return exDone;
    }
    if (options.Command == eCliCommand::Format && !options.Yes) {
        err << "vexo-cli: formatting erases every result stored in the reader; add --yes to do it\n";
        return exUsage;
    }
    std::string demoLibrary;
    if (options.Demo) {
        std::string why;
        demoLibrary = DemoReaderLibraryPath(why);
        if (demoLibrary.empty()) {
            err << "vexo-cli: " << why << "\n";
            return exReaderFailed;
        }
    }
    TCliRun run(options, demoLibrary, progress, out, err);
    return run.Run();
}
