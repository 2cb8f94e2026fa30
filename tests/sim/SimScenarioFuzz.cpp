// Any scenario file: it is refused with a message or describes a reader that the simulator
// builds, and what it describes survives being written out and read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ReaderSimulator.h"
#include "SimScenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TSimScenario scenario;
    std::string error;
    if (!ScenarioFromJson(text, scenario, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    TSimScenario again;
    if (!ScenarioFromJson(ScenarioToJson(scenario), again, error) || !(again == scenario)) std::abort();
    ReaderSimulator sim(scenario, EncodeDateTime(2026, 1, 1));
    sim.Advance(10);
    return 0;
}
