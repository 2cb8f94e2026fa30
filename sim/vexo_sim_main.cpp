// vexo-sim: the simulated reader on a pseudo-terminal. The first line of standard output is the
// device to open; it serves until it is killed or the reader is told to shut down.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "PseudoTerminal.h"
#include "ReaderSimulator.h"
#include "SimDevice.h"
#include "VexoVersion.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) {
    gStop = 1;
}

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: vexo-sim [--scenario FILE] [--baud N] [--trace] [--dump-scenario] [--version]\n"
                 "  --scenario FILE  the reader described by a scenario file (default: the demo reader)\n"
                 "  --baud N         answers paced at N baud (ten bits a byte)\n"
                 "  --trace          one line per command received on standard error (also VEXO_TRACE=1)\n");
}

} // namespace

int main(int argc, char** argv) {
    std::string scenarioFile;
    long baud = -1;
    bool trace = SimTraceFromEnvironment();
    bool dump = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--scenario" && i + 1 < argc) {
            scenarioFile = argv[++i];
        } else if (a == "--baud" && i + 1 < argc) {
            char* end = nullptr;
            baud = std::strtol(argv[++i], &end, 10);
            if (!end || *end || baud < 0 || baud > 10'000'000) {
                std::fprintf(stderr, "vexo-sim: \"%s\" is no baud rate (0 to 10000000)\n", argv[i]);
                return 2;
            }
        } else if (a == "--dump-scenario") {
            dump = true;
        } else if (a == "--trace") {
            trace = true;
        } else if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("vexo-sim %s\n", VersionText);
            return 0;
        } else {
            std::fprintf(stderr, "vexo-sim: unknown argument \"%s\"\n", a.c_str());
            Usage(stderr);
            return 2;
        }
    }

    TSimScenario scenario = DefaultScenario();
    if (!scenarioFile.empty()) {
        std::string error;
        if (!LoadScenarioFile(scenarioFile, scenario, error)) {
            std::fprintf(stderr, "vexo-sim: %s\n", error.c_str());
            return 1;
        }
    }
    if (baud >= 0) scenario.Baud = static_cast<std::uint32_t>(baud);
    if (dump) {
        std::fputs(ScenarioToJson(scenario).c_str(), stdout);
        return 0;
    }

    TPseudoTerminal pty;
    if (!pty.Open()) {
        std::fprintf(stderr, "vexo-sim: no pseudo-terminal could be opened\n");
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("%s\n", pty.SlavePath().c_str());
    std::fflush(stdout);

    ReaderSimulator sim(scenario, NowDateTime());
    if (trace) SimTraceToStderr(sim);

    std::uint8_t buffer[4096];
    auto last = std::chrono::steady_clock::now();
    std::uint64_t carriedUs = 0;
    while (!gStop && sim.SwitchedOn()) {
        std::int32_t got = pty.Read(buffer, sizeof buffer, 1);
        if (got > 0) {
            sim.Receive(buffer, static_cast<std::size_t>(got));
        } else {
            // Without a program on the other side the master reports a hang-up at once.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        auto now = std::chrono::steady_clock::now();
        carriedUs += static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(now - last).count());
        last = now;
        if (carriedUs >= 1000) {
            sim.Advance(static_cast<std::uint32_t>(carriedUs / 1000));
            carriedUs %= 1000;
        }
        std::size_t n = sim.TakeOutput(buffer, sizeof buffer);
        if (n) pty.Write(buffer, static_cast<std::uint32_t>(n));
    }
    if (!sim.SwitchedOn()) std::fprintf(stderr, "vexo-sim: the reader has shut down\n");
    return 0;
}
