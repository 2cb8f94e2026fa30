#include "CliApp.h"

#include <chrono>
#include <iostream>
#include <memory>

#include "CliDialogs.h"
#include "CliOptions.h"
#include "Main.h"
#include "RealTimeTimers.h"
#include "SyncInvoker.h"

namespace {

// --port: whatever COM port the window opens is this device.
class TFixedPathPort : public ISerialPort {
public:
    explicit TFixedPathPort(std::string path) : fInner(CreateSystemSerialPort()), fPath(std::move(path)) {}
    std::uint32_t Open(const std::string&) override { return fInner->Open(fPath); }
    bool Close() override { return fInner->Close(); }
    bool IsOpen() const override { return fInner->IsOpen(); }
    bool ApplySettings(const tSerialLineSettings& s) override { return fInner->ApplySettings(s); }
    bool GetQueueStatus(tSerialQueueStatus& s) override { return fInner->GetQueueStatus(s); }
    std::int32_t Read(std::uint8_t* b, std::uint32_t n) override { return fInner->Read(b, n); }
    std::int32_t Write(const std::uint8_t* b, std::uint32_t n) override { return fInner->Write(b, n); }
    bool Purge(std::uint32_t flags) override { return fInner->Purge(flags); }
    bool SetDTR(bool on) override { return fInner->SetDTR(on); }
    bool SetRTS(bool on) override { return fInner->SetRTS(on); }
    bool GetModemStatus(std::uint32_t& s) override { return fInner->GetModemStatus(s); }

private:
    std::unique_ptr<ISerialPort> fInner;
    std::string fPath;
};

// Nothing loads under this name, so --port keeps the window in COM mode.
constexpr const char* NoD2XXLibrary = "libvexo-cli-com-mode-only.so";

class TCliRun {
public:
    TCliRun(const TCliOptions& options, std::ostream& out, std::ostream& err)
        : fOpt(options), fOut(out), fErr(err), fDialogs(err) {}

    int Run();

private:
    bool StartForm();
    // Runs the window's timers and the link's events until done holds or ms have passed.
    bool Pump(const std::function<bool()>& done, int ms);
    int List();

    const TCliOptions& fOpt;
    std::ostream& fOut;
    std::ostream& fErr;
    TCliDialogs fDialogs;
    TRealTimeTimers fTimers;
    std::unique_ptr<TQueuedSyncInvoker> fInvoker;
    std::unique_ptr<TForm_Main> fForm;
};

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
    if (!fOpt.Port.empty()) {
        env.Link.LibraryName = NoD2XXLibrary;
        const std::string path = fOpt.Port;
        env.Link.PortFactory = [path]() -> std::unique_ptr<ISerialPort> {
            return std::make_unique<TFixedPathPort>(path);
        };
    }
    if (fOpt.Trace) env.Trace = [this](const std::string& line) { fErr << line << '\n'; };
    fForm = std::make_unique<TForm_Main>(env);
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
    if (fForm->FTDIMode()) {
        for (const auto& entry : fForm->ComboBox_FTDIDevice.Items)
            fOut << entry.Data << "\t" << entry.Text << "\n";
        if (fForm->ComboBox_FTDIDevice.Items.empty() && !fForm->ComboBox_FTDIDevice.Text.empty())
            fOut << fForm->ComboBox_FTDIDevice.Text << "\n";
    }
    if (fForm->Bluetooth) {
        std::vector<std::string> ports;
        fForm->Bluetooth->GetComPorts(ports);
        for (const auto& port : ports) fOut << port << "\n";
    }
    return exDone;
}

int TCliRun::Run() {
    if (!StartForm()) return exUsage;
    int status = exDone;
    switch (fOpt.Command) {
    case eCliCommand::List: status = List(); break;
    default:
        fErr << "vexo-cli: this command is not available yet\n";
        status = exReaderFailed;
        break;
    }
    fForm->RequestClose();
    fForm.reset();
    return status;
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TCliOptions options;
    std::string error;
    if (!ParseCliOptions(args, options, error)) {
        err << "vexo-cli: " << error << "\nTry 'vexo-cli --help'.\n";
        return exUsage;
    }
    if (options.Help) {
        out << CliUsage();
        return exDone;
    }
    if (options.Version) {
        out << "vexo-cli " << MakeVersionString() << "\n";
        return exDone;
    }
    if (options.Command == eCliCommand::Format && !options.Yes) {
        err << "vexo-cli: formatting erases every result stored in the reader; add --yes to do it\n";
        return exUsage;
    }
    TCliRun run(options, out, err);
    return run.Run();
}
