// A reader left connected for a long time: the window's logic with its real link thread reads
// the database of vexo-sim over a pseudo-terminal again and again, on a line with noise and
// frames with a wrong checksum, disconnecting and connecting again every tenth read. Every read
// must give the entries of the first one; the resident memory must not grow.
//   bench_long_run [READS]   (default 1000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "CliDialogs.h"
#include "Main.h"
#include "MeasureFileFormat.h"
#include "RealTimeTimers.h"
#include "SerialPort.h"
#include "SimScenario.h"
#include "SyncInvoker.h"

namespace {

using clock_type = std::chrono::steady_clock;

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

struct TRun {
    TRealTimeTimers Timers;
    TQueuedSyncInvoker Invoker;
    TCliDialogs Dialogs{std::cerr};
    std::unique_ptr<TForm_Main> Form;

    template <typename Pred> bool Pump(Pred done, int ms) {
        const auto end = clock_type::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (clock_type::now() >= end) return false;
            auto wait = std::min<clock_type::duration>(Timers.UntilNext(), std::chrono::milliseconds(2));
            Invoker.ProcessPending(std::chrono::duration_cast<std::chrono::milliseconds>(wait));
            Timers.RunDue();
        }
        return true;
    }
    bool Idle() {
        return Form->LinkOpen() && Form->State.Current == 0 && Form->DelayedUserAction == actNone &&
               !Form->Timer_WaitAfterClock.Enabled();
    }
    bool Connect() {
        TForm_Main& f = *Form;
        f.ComboBox_Com.Clear();
        f.ComboBox_Com.Items.push_back({ComPortDisplayName(1), 0});
        f.ComboBox_Com.Select(0);
        f.Connect(&f.Button_Open);
        return f.LinkOpen() &&
               Pump([&] { return !f.LinkOpen() || (Idle() && f.Button_ReadData.Enabled); }, 30000) &&
               f.LinkOpen();
    }
    void Disconnect() {
        Pump([&] { return Idle(); }, 5000);
        Form->Button_OpenClick();
        Pump([&] { return !Form->LinkOpen(); }, 5000);
    }
    // One read of the whole database: the entries as the long file lines they would be saved as.
    bool Read(std::vector<std::string>& lines) {
        TForm_Main& f = *Form;
        if (!Pump([&] { return Idle(); }, 10000)) return false;
        f.ClearMeasureList();
        f.Button_ReadDataClick();
        if (!Pump([&] { return !f.LinkOpen() || (Idle() && !f.MeasureList.empty()); }, 60000)) return false;
        lines.clear();
        for (const auto& e : f.MeasureList) lines.push_back(BuildTSVLine(*e, TSVVLong));
        return f.LinkOpen();
    }
};

} // namespace

int main(int argc, char** argv) {
    const long reads = argc > 1 ? std::atol(argv[1]) : 1000;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vexo-long-run-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "app");
    std::filesystem::create_directories(dir / "user");
    // The program's own settings as shipped: none changed.
    std::ofstream(dir / "app" / "DRConfigRO.ini") << "[Setup]\n";

    // The demo reader on a poor line: noise before every answer, and every data block and
    // clock answer sent first with a wrong checksum.
    TSimScenario scenario = DefaultScenario();
    TSimBehaviour blocks;
    blocks.Command = 0x52;
    blocks.NoiseBytes = 7;
    blocks.BadChecksumFirst = true;
    TSimBehaviour clock = blocks;
    clock.Command = 0x5A;
    TSimBehaviour rest;
    rest.NoiseBytes = 3;
    scenario.Behaviours = {blocks, clock, rest};
    const std::string scenarioFile = (dir / "poor-line.json").string();
    std::ofstream(scenarioFile) << ScenarioToJson(scenario);

    FILE* sim = ::popen((std::string(VEXO_SIM_EXE) + " --scenario '" + scenarioFile + "'").c_str(), "r");
    char line[256] = {};
    if (!sim || !std::fgets(line, sizeof line, sim)) {
        std::fprintf(stderr, "bench_long_run: vexo-sim did not start\n");
        return 1;
    }
    std::string device = line;
    while (!device.empty() && (device.back() == '\n' || device.back() == '\r')) device.pop_back();

    long done = 0, compared = 0, mismatches = 0, failures = 0, reconnects = 0;
    long rss10 = -1, rss100 = -1, rssEnd = -1;
    const auto start = clock_type::now();
    {
        TRun run;
        TMainEnvironment env;
        env.Timers = &run.Timers;
        env.Dialogs = &run.Dialogs;
        env.FileNotifier = &run.Dialogs;
        env.ReadOnlySettings = true;
        env.PathsSystem = tPathsSystem{(dir / "app").string(), (dir / "user").string(),
                                       (dir / "user").string(), nullptr, nullptr};
        env.Link.Invoker = &run.Invoker;
        env.Link.LibraryName = "libvexo-bench-com-mode-only.so";
        // The window's COM port is the simulated reader's pseudo-terminal.
        env.Link.PortFactory = [device]() -> std::unique_ptr<ISerialPort> {
            return CreateSystemSerialPortAt(device);
        };
        run.Form = std::make_unique<TForm_Main>(env);
        run.Form->AutoSave = run.Form->PromptSave = run.Form->TrackMeasurements = false;
        run.Form->AddDataBehaviour = AlwaysAdd;
        if (!run.Pump([&] { return run.Form->initialized; }, 5000) || !run.Connect()) {
            std::fprintf(stderr, "bench_long_run: the reader could not be connected\n");
            return 1;
        }
        std::vector<std::string> first, now;
        for (long i = 1; i <= reads; ++i) {
            if (!run.Read(now)) {
                ++failures;
                std::fprintf(stderr, "read %ld failed (status %d)\n", i, int(run.Form->State.Current));
                if (!run.Form->LinkOpen() && !run.Connect()) break;
                continue;
            }
            ++done;
            if (first.empty()) first = now;
            compared += static_cast<long>(now.size());
            if (now != first) ++mismatches;
            if (i == 10) rss10 = ResidentKiB();
            if (i == 100) rss100 = ResidentKiB();
            if (i % 10 == 0 && i < reads) {
                run.Disconnect();
                if (!run.Connect()) {
                    std::fprintf(stderr, "bench_long_run: no connection after read %ld\n", i);
                    break;
                }
                ++reconnects;
            }
            if (i % 100 == 0)
                std::fprintf(stderr, "%ld reads, %ld mismatches, %ld KiB resident\n", i, mismatches,
                             ResidentKiB());
        }
        rssEnd = ResidentKiB();
        run.Disconnect();
    }
    const double seconds = std::chrono::duration<double>(clock_type::now() - start).count();
    // The reader is told to switch off, which ends vexo-sim.
    if (auto port = CreateSystemSerialPort(); port->Open(device) == 0) {
        const std::string shutdown = "shutdown\r";
        port->Write(reinterpret_cast<const std::uint8_t*>(shutdown.data()),
                    static_cast<std::uint32_t>(shutdown.size()));
        port->WaitUntilSent(1000);
        port->Close();
    }
    ::pclose(sim);
    std::filesystem::remove_all(dir);

    std::printf("reads done            %ld of %ld (%ld failed), %ld reconnections\n", done, reads, failures,
                reconnects);
    std::printf("entries compared      %ld\n", compared);
    std::printf("mismatches            %ld\n", mismatches);
    std::printf("resident memory       read 10: %ld KiB, read 100: %ld KiB, read %ld: %ld KiB\n", rss10,
                rss100, reads, rssEnd);
    if (rss100 > 0 && rssEnd > 0)
        std::printf("growth                %+ld KiB from read 100 to read %ld\n", rssEnd - rss100, reads);
    std::printf("time                  %.1f s, %.0f ms a read\n", seconds,
                done ? 1000.0 * seconds / done : 0.0);
    return mismatches == 0 && failures == 0 && done == reads ? 0 : 1;
}
