// vexo-sim: the simulated reader on a pseudo-terminal. The first line of standard output is the
// device to open; it serves until it is killed or the reader is told to shut down.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
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
    // The device is named once the reader is built: a large memory takes a while to fill.
    ReaderSimulator sim(scenario, NowDateTime());
    if (trace) SimTraceToStderr(sim);
    std::printf("%s\n", pty.SlavePath().c_str());
    std::fflush(stdout);

    // The reader's time is the real time since its start, to the microsecond. Paced, what the
    // program writes reaches the reader when it has crossed the wire, and its answers leave at
    // the wire's rate (the simulator's own pacing).
    const std::uint64_t pacedBaud = scenario.Baud;
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    auto nowUs = [&] {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(clock::now() - start).count());
    };
    std::deque<std::pair<std::uint64_t, std::uint8_t>> incoming; // when each byte has crossed
    std::uint64_t wireFreeUs = 0, wireBytes = 0, wireStartUs = 0;
    std::uint8_t buffer[4096];
    while (!gStop && sim.SwitchedOn()) {
        const std::uint64_t now = nowUs();
        if (now > sim.NowUs()) sim.AdvanceUs(now - sim.NowUs());
        tByteBuffer due;
        while (!incoming.empty() && incoming.front().first <= now) {
            due.push_back(incoming.front().second);
            incoming.pop_front();
        }
        if (!due.empty()) sim.Receive(due);
        std::size_t n;
        while ((n = sim.TakeOutput(buffer, sizeof buffer)) > 0)
            pty.Write(buffer, static_cast<std::uint32_t>(n));

        // Up to the next byte due either way, and at least every millisecond for the reader's
        // own events.
        std::uint64_t next = std::min(
            {now + 1000, sim.NextOutputUs(), incoming.empty() ? UINT64_MAX : incoming.front().first});
        const std::uint64_t after = nowUs();
        const bool ready = next > after && pty.WaitReadable(static_cast<std::int64_t>(next - after));
        const std::int32_t got = pty.Read(buffer, sizeof buffer, 0);
        if (got > 0) {
            const std::uint64_t at = nowUs();
            for (std::int32_t i = 0; i < got; ++i) {
                if (!pacedBaud) {
                    incoming.emplace_back(at, buffer[i]);
                    continue;
                }
                // Byte times count from the start of a run on the wire, so that rounding does not add up.
                if (at > wireFreeUs) {
                    wireStartUs = at;
                    wireBytes = 0;
                }
                wireFreeUs = wireStartUs + ++wireBytes * 10'000'000u / pacedBaud;
                incoming.emplace_back(wireFreeUs, buffer[i]);
            }
        } else if (ready) {
            // Without a program on the other side the master reports a hang-up at once.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    if (!sim.SwitchedOn()) std::fprintf(stderr, "vexo-sim: the reader has shut down\n");
    return 0;
}
