// Any sequence of commands, good or broken, and any passing of time: the reader answers or
// stays silent, but never reads or writes outside its memory.
#include <cstddef>
#include <cstdint>

#include "ReaderSimulator.h"

namespace {

const std::uint8_t Codes[] = {0xAA, 0xA2, 0xA4, 0x5A, 0x58, 0x52, 0x50, 0x56,
                              0x43, 0x5C, 0x5E, 0x5F, 0xC0, 0xAF, 0xA1, 0x99};

const TSimScenario& Base() {
    static const TSimScenario s = [] {
        TSimScenario d = DefaultScenario();
        d.Database.resize(3);
        d.ButtonDelayMs = 20;
        d.EvaluationMs = 20;
        d.TimerSecondsOverride = 1;
        return d;
    }();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TSimScenario s = Base();
    if (size > 0) s.EEPROMVersion = static_cast<std::uint8_t>(1 + data[0] % 6);
    if (size > 1 && (data[1] & 1)) s.VexoCfgBits ^= SimBitExtendedMemory;
    ReaderSimulator sim(s, EncodeDateTime(2026, 1, 1));
    std::size_t i = 2;
    while (i < size) {
        std::uint8_t op = data[i++];
        if (op < 0x40) {
            // Raw bytes, framing or not.
            std::size_t n = std::min<std::size_t>(op, size - i);
            sim.Receive(data + i, n);
            i += n;
        } else if (op < 0xF0) {
            // A well-formed frame of some command with whatever parameters follow.
            std::size_t n = i < size ? data[i++] % 32 : 0;
            n = std::min(n, size - i);
            tByteBuffer payload(data + i, data + i + n);
            i += n;
            sim.Receive(EncodeFrame(Codes[op % 16], payload));
        } else {
            sim.Advance(static_cast<std::uint32_t>(op - 0xEF) * 250);
        }
        sim.TakeOutput();
    }
    sim.Advance(5000);
    sim.TakeOutput();
    return 0;
}
