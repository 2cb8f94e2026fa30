// bench_read_speed: how close a database read comes to the wire's own time, and what a
// connected, idle window costs. The window's logic runs with its real link thread against a
// simulated reader whose memory holds a 64 KiB storage area: in FTDI mode through the simulated
// readers' D2XX library with its wire and bridge pacing on (VEXO_SIM_PACED=1), in COM mode
// through vexo-sim --baud over a pseudo-terminal. Run by hand; not a test.
//
//   bench_read_speed [--idle-seconds N] [--bauds 38400,115200,...] [--latency MS] [--no-idle]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "CliDialogs.h"
#include "D2XXSimControl.h"
#include "DynamicLibrary.h"
#include "Main.h"
#include "RealTimeTimers.h"
#include "SerialPort.h"
#include "SimScenario.h"
#include "SyncInvoker.h"
#include "TextEncoding.h"

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

// ------------------------------------------------------------------ the program's threads

struct TThreadFigures {
    double CpuSeconds = 0; // all threads but the simulator's
    double LinkCpuSeconds = 0;
    long LinkSwitches = 0; // the link thread's context switches: its wake-ups
};

std::string ReadSmallFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TThreadFigures SampleThreads() {
    TThreadFigures f;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/self/task", ec)) {
        std::string name = ReadSmallFile(task.path() / "comm");
        while (!name.empty() && name.back() == '\n') name.pop_back();
        // The simulated reader and its bridge are not the program.
        if (name.rfind("vexo-sim", 0) == 0) continue;
        const std::string stat = ReadSmallFile(task.path() / "stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        double utime = 0, stime = 0;
        for (int i = 3; fields >> field; ++i) {
            if (i == 14) utime = std::stod(field);
            if (i == 15) {
                stime = std::stod(field);
                break;
            }
        }
        const double cpu = (utime + stime) / tick;
        f.CpuSeconds += cpu;
        if (name != "vexo-link") continue;
        f.LinkCpuSeconds = cpu;
        std::istringstream status(ReadSmallFile(task.path() / "status"));
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                f.LinkSwitches += std::strtol(line.c_str() + line.find(':') + 1, nullptr, 10);
    }
    return f;
}

// ------------------------------------------------------------------ the simulated reader

// The demo reader with a storage area of 64 KiB: 256 bytes of stored configurations, 16 KiB of
// result configurations and the rest (47.75 KiB) of results, all of it filled with records.
TSimScenario BenchScenario() {
    TSimScenario s = DefaultScenario();
    s.ConfigurationStart = 0x0000;
    s.ConfigurationStop = 0x00FF;
    s.ResultCfgStart = 0x0100;
    s.ResultCfgStop = 0x40FF;
    s.ResultStart = 0x4100;
    s.ResultStop = 0xFFFF;
    s.ResultCfgReadOffset = 0;
    s.ResultReadOffset = 0;
    s.Stored.clear();
    // More results than the ring holds: it keeps the newest, as the reader does.
    const std::vector<TSimRecord> base = s.Database;
    s.Database.clear();
    for (int i = 0; i < 2000 && !base.empty(); ++i)
        s.Database.push_back(base[static_cast<std::size_t>(i) % base.size()]);
    return s;
}

struct TSimProcess {
    FILE* Pipe = nullptr;
    std::string Device;
    TSimProcess(const std::string& scenarioFile, std::uint32_t baud) {
        const std::string command =
            std::string(VEXO_SIM_EXE) + " --scenario '" + scenarioFile + "' --baud " + std::to_string(baud);
        Pipe = ::popen(command.c_str(), "r");
        char line[512] = {};
        if (Pipe && std::fgets(line, sizeof line, Pipe)) Device = line;
        while (!Device.empty() && (Device.back() == '\n' || Device.back() == '\r')) Device.pop_back();
    }
    ~TSimProcess() {
        if (!Pipe) return;
        // The reader switches itself off at its shutdown text.
        std::unique_ptr<ISerialPort> port = CreateSystemSerialPort();
        if (port->Open(Device) == 0) {
            const std::string shutdown = "shutdown\r";
            port->Write(reinterpret_cast<const std::uint8_t*>(shutdown.data()),
                        static_cast<std::uint32_t>(shutdown.size()));
            port->WaitUntilSent(500);
            port->Close();
        }
        ::pclose(Pipe);
    }
};

// The port of COM mode: the pseudo-terminal, with the bytes that cross it counted.
class TCountingPort : public ISerialPort {
public:
    explicit TCountingPort(std::string device)
        : fDevice(std::move(device)), fPort(CreateSystemSerialPort()) {}
    std::uint32_t Open(const std::string&) override { return fPort->Open(fDevice); }
    bool Close() override { return fPort->Close(); }
    bool IsOpen() const override { return fPort->IsOpen(); }
    std::uint32_t ApplySettings(const tSerialLineSettings& s) override { return fPort->ApplySettings(s); }
    bool GetQueueStatus(tSerialQueueStatus& s) override { return fPort->GetQueueStatus(s); }
    std::int32_t Read(std::uint8_t* b, std::uint32_t n) override {
        const std::int32_t got = fPort->Read(b, n);
        if (got > 0) Received += static_cast<std::uint64_t>(got);
        return got;
    }
    std::int32_t Write(const std::uint8_t* b, std::uint32_t n) override {
        const std::int32_t put = fPort->Write(b, n);
        if (put > 0) Sent += static_cast<std::uint64_t>(put);
        return put;
    }
    bool WaitUntilSent(int ms) override { return fPort->WaitUntilSent(ms); }
    bool Purge(std::uint32_t flags) override { return fPort->Purge(flags); }
    bool SetDTR(bool on) override { return fPort->SetDTR(on); }
    bool SetRTS(bool on) override { return fPort->SetRTS(on); }
    bool GetModemStatus(std::uint32_t& status) override { return fPort->GetModemStatus(status); }
    bool CanWaitForInput() const override { return fPort->CanWaitForInput(); }
    eLinkWait WaitForInput(TLinkWaiter& waiter, int ms) override { return fPort->WaitForInput(waiter, ms); }
    static inline std::uint64_t Sent = 0, Received = 0;

private:
    std::string fDevice;
    std::unique_ptr<ISerialPort> fPort;
};

// ------------------------------------------------------------------ the window

struct TBenchWindow {
    fs::path Dir;
    TRealTimeTimers Timers;
    TQueuedSyncInvoker Invoker;
    TCliDialogs Dialogs{std::cerr};
    std::unique_ptr<TForm_Main> Form;

    // latency < 0: the program's own default.
    TBenchWindow(bool ftdi, std::uint32_t baud, int latency, tSerialPortFactory ports) {
        std::string pattern = (fs::temp_directory_path() / "vexo-bench-read-XXXXXX").string();
        Dir = mkdtemp(pattern.data());
        const fs::path app = Dir / "app", user = Dir / "user", all = Dir / "all";
        for (const fs::path& d : {app, user, all}) fs::create_directories(d);
        std::string error;
        WriteTextFileLines((app / "DRConfigRO.ini").string(), {"[COM]", "Baud = " + std::to_string(baud)},
                           error);
        std::vector<std::string> settings = {"[VexoCommunication]", "autoConnect = 0"};
        if (latency >= 0)
            settings.insert(settings.end(), {"[COM]", "LatencyTimer = " + std::to_string(latency)});
        // Beside the program, which may write there: the user's settings are taken from it.
        WriteTextFileLines((app / "DRConfig.ini").string(), settings, error);

        TMainEnvironment env;
        env.Timers = &Timers;
        env.Dialogs = &Dialogs;
        env.FileNotifier = &Dialogs;
        env.PathsSystem = tPathsSystem{app.string(), user.string(), all.string(), nullptr, nullptr};
        env.Link.Invoker = &Invoker;
        env.Link.LibraryName = ftdi ? VEXO_SIM_D2XX : "libvexo-no-such-d2xx.so";
        if (ports) env.Link.PortFactory = std::move(ports);
        if (const char* trace = std::getenv("VEXO_TRACE"); trace && std::strcmp(trace, "1") == 0)
            env.Trace = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
        Form = std::make_unique<TForm_Main>(env);
        Form->AutoSave = Form->PromptSave = Form->TrackMeasurements = false;
    }
    ~TBenchWindow() {
        if (Form && Form->LinkOpen()) {
            Form->Button_OpenClick();
            Pump([&] { return !Form->LinkOpen(); }, 3000);
        }
        Form.reset();
        Invoker.ProcessPending();
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }

    // The window's event loop: it sleeps until its next timer or an event of the link thread.
    // after: checked after each event and timer, with the time it ran.
    bool Pump(const std::function<bool()>& done, int ms) {
        const auto end = clock_type::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (clock_type::now() >= end) return false;
            const auto wait = std::min<clock_type::duration>(Timers.UntilNext(), end - clock_type::now());
            Invoker.ProcessPending(std::chrono::duration_cast<std::chrono::milliseconds>(wait));
            Timers.RunDue();
        }
        return true;
    }
    bool Ready() const {
        return Form->LinkOpen() && Form->State.Current == 0 && Form->DelayedUserAction == actNone &&
               !Form->Timer_WaitAfterClock.Enabled();
    }
    bool Connect(bool ftdi, std::uint32_t baud) {
        TForm_Main& f = *Form;
        if (!Pump([&] { return f.initialized; }, 5000)) return false;
        if (ftdi) {
            if (f.ComboBox_FTDIDevice.Count() < 1) return false;
            f.ComboBox_FTDIDevice.Select(0);
            f.VexoBaudRate = static_cast<std::int32_t>(baud);
        } else {
            f.ComboBox_Com.Clear();
            f.ComboBox_Com.Items.push_back({ComPortDisplayName(1), 0});
            f.ComboBox_Com.Select(0);
            f.ComboBox_Baud.Text = std::to_string(baud);
        }
        f.Connect(&f.Button_Open);
        return f.LinkOpen() && Pump([&] { return Ready() && f.Button_ReadData.Enabled; }, 30000);
    }
};

// ------------------------------------------------------------------ the figures

struct TRow {
    std::string Mode;
    std::uint32_t Baud = 0;
    std::string Latency;
    double WireSeconds = 0, Seconds = 0, CpuSeconds = 0;
    std::uint64_t Bytes = 0;
    bool Ok = false;
};

struct TWireCounter {
    tVexoSimWireBytes SimBytes = nullptr;
    std::uint64_t Sent = 0, Received = 0;
    void Snap(bool ftdi) {
        if (!ftdi) {
            Sent = TCountingPort::Sent;
            Received = TCountingPort::Received;
            return;
        }
        unsigned long long to = 0, from = 0;
        if (SimBytes) SimBytes(0, &to, &from);
        Sent = to;
        Received = from;
    }
};

// The database read: from the first request to the last byte of the result area, with the
// wire time of every byte that crossed meanwhile.
TRow MeasureRead(bool ftdi, std::uint32_t baud, int latency, const std::string& scenarioFile,
                 TWireCounter& counter) {
    TRow row;
    row.Mode = ftdi ? "FTDI" : "COM";
    row.Baud = baud;
    row.Latency = !ftdi ? "-" : latency < 0 ? "setting" : std::to_string(latency) + " ms";
    std::unique_ptr<TSimProcess> sim;
    tSerialPortFactory ports;
    if (!ftdi) {
        sim = std::make_unique<TSimProcess>(scenarioFile, baud);
        if (sim->Device.empty()) return row;
        const std::string device = sim->Device;
        ports = [device] { return std::make_unique<TCountingPort>(device); };
    }
    TBenchWindow w(ftdi, baud, latency, ports);
    if (!w.Connect(ftdi, baud)) {
        std::fprintf(stderr, "bench_read_speed: %s at %u baud did not connect (%s)\n", row.Mode.c_str(), baud,
                     w.Form->Schnittstelle->GetErrorMessage().c_str());
        return row;
    }
    TForm_Main& f = *w.Form;
    // The moment the last bytes of the read reach the window.
    clock_type::time_point lastReceive{};
    auto pump = f.Schnittstelle->OnReceive;
    f.Schnittstelle->OnReceive = [&](TSeriellThread* sender) {
        if (f.State.Current == 2) lastReceive = clock_type::now();
        pump(sender);
    };

    f.Button_ReadDataClick();
    // A click within 300 ms of a clock poll waits for the poll's window to end.
    if (!w.Pump([&] { return f.State.Current == 2; }, 2000)) return row;
    const auto start = clock_type::now();
    const TThreadFigures before = SampleThreads();
    counter.Snap(ftdi);
    const std::uint64_t sent = counter.Sent, received = counter.Received;
    const bool done = w.Pump([&] { return f.State.Current != 2; }, 600000);
    const TThreadFigures after = SampleThreads();
    counter.Snap(ftdi);
    row.Ok = done && f.State.Current == 0 && lastReceive > start && !f.MeasureList.empty();
    row.Bytes = (counter.Sent - sent) + (counter.Received - received);
    row.WireSeconds = static_cast<double>(row.Bytes) * 10.0 / baud;
    row.Seconds = std::chrono::duration<double>(lastReceive - start).count();
    row.CpuSeconds = after.CpuSeconds - before.CpuSeconds;
    f.Schnittstelle->OnReceive = pump;
    return row;
}

struct TIdle {
    std::string Mode;
    double Seconds = 0, CpuSeconds = 0, LinkCpuSeconds = 0, WakeupsPerSecond = 0;
    bool Ok = false;
};

TIdle MeasureIdle(bool ftdi, int seconds, const std::string& scenarioFile) {
    TIdle idle;
    idle.Mode = ftdi ? "FTDI" : "COM";
    const std::uint32_t baud = 115200;
    std::unique_ptr<TSimProcess> sim;
    tSerialPortFactory ports;
    if (!ftdi) {
        sim = std::make_unique<TSimProcess>(scenarioFile, baud);
        const std::string device = sim->Device;
        ports = [device] { return std::make_unique<TCountingPort>(device); };
    }
    TBenchWindow w(ftdi, baud, -1, ports);
    if (!w.Connect(ftdi, baud)) return idle;
    TForm_Main& f = *w.Form;
    // The clock has been answered once: the window is in its steady state.
    w.Pump([&] { return false; }, 1500);
    const auto start = clock_type::now();
    const TThreadFigures before = SampleThreads();
    w.Pump([&] { return false; }, seconds * 1000);
    const TThreadFigures after = SampleThreads();
    idle.Seconds = std::chrono::duration<double>(clock_type::now() - start).count();
    idle.CpuSeconds = after.CpuSeconds - before.CpuSeconds;
    idle.LinkCpuSeconds = after.LinkCpuSeconds - before.LinkCpuSeconds;
    idle.WakeupsPerSecond = static_cast<double>(after.LinkSwitches - before.LinkSwitches) / idle.Seconds;
    idle.Ok = f.LinkOpen() && f.Timer_VexoClock.Enabled();
    return idle;
}

std::vector<std::uint32_t> ParseBauds(const std::string& text) {
    std::vector<std::uint32_t> bauds;
    std::stringstream s(text);
    std::string item;
    while (std::getline(s, item, ',')) bauds.push_back(static_cast<std::uint32_t>(std::stoul(item)));
    return bauds;
}

} // namespace

int main(int argc, char** argv) {
    int idleSeconds = 30;
    bool idle = true;
    std::vector<std::uint32_t> bauds = {38400, 115200, 500000, 921600};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--idle-seconds" && i + 1 < argc) {
            idleSeconds = std::atoi(argv[++i]);
        } else if (a == "--no-idle") {
            idle = false;
        } else if (a == "--bauds" && i + 1 < argc) {
            bauds = ParseBauds(argv[++i]);
        } else {
            std::fprintf(stderr,
                         "usage: bench_read_speed [--idle-seconds N] [--no-idle] [--bauds B1,B2,...]\n");
            return 2;
        }
    }

    std::string pattern = (fs::temp_directory_path() / "vexo-bench-sim-XXXXXX").string();
    const fs::path dir = mkdtemp(pattern.data());
    const std::string scenarioFile = (dir / "storage64k.json").string();
    std::ofstream(scenarioFile) << ScenarioToJson(BenchScenario());
    // Read by the simulated readers' library when it first lists its readers.
    ::setenv("VEXO_SIM_SCENARIO", scenarioFile.c_str(), 1);
    ::setenv("VEXO_SIM_PACED", "1", 1);

    TDynamicLibrary library;
    TWireCounter counter;
    if (library.Load(VEXO_SIM_D2XX))
        counter.SimBytes = reinterpret_cast<tVexoSimWireBytes>(library.Symbol("VexoSimWireBytes"));

    std::printf(
        "Database read of a 64 KiB storage area: wire time of the bytes that crossed (requests and\n"
        "answers as framed, ten bits a byte), the read's time, their ratio, and the program's CPU time.\n\n");
    std::printf("%-5s %8s %9s %9s %9s %9s %7s %8s\n", "mode", "baud", "latency", "bytes", "wire s", "read s",
                "ratio", "CPU s");
    auto print = [](const TRow& r) {
        if (!r.Ok) {
            std::printf("%-5s %8u %9s   (the read failed)\n", r.Mode.c_str(), r.Baud, r.Latency.c_str());
            return;
        }
        std::printf("%-5s %8u %9s %9llu %9.3f %9.3f %7.3f %8.3f\n", r.Mode.c_str(), r.Baud, r.Latency.c_str(),
                    static_cast<unsigned long long>(r.Bytes), r.WireSeconds, r.Seconds,
                    r.Seconds / r.WireSeconds, r.CpuSeconds);
        std::fflush(stdout);
    };
    for (std::uint32_t baud : bauds)
        for (int latency : {16, -1}) print(MeasureRead(true, baud, latency, scenarioFile, counter));
    for (std::uint32_t baud : bauds) print(MeasureRead(false, baud, -1, scenarioFile, counter));

    if (idle) {
        std::printf("\nA connected window doing nothing for %d s (the clock polled every second):\n\n",
                    idleSeconds);
        std::printf("%-5s %9s %10s %12s %14s\n", "mode", "CPU s", "CPU %", "link CPU s", "link wake-ups/s");
        for (bool ftdi : {true, false}) {
            const TIdle r = MeasureIdle(ftdi, idleSeconds, scenarioFile);
            if (!r.Ok) {
                std::printf("%-5s   (the window did not stay connected)\n", r.Mode.c_str());
                continue;
            }
            std::printf("%-5s %9.3f %10.3f %12.3f %14.1f\n", r.Mode.c_str(), r.CpuSeconds,
                        100.0 * r.CpuSeconds / r.Seconds, r.LinkCpuSeconds, r.WakeupsPerSecond);
            std::fflush(stdout);
        }
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
