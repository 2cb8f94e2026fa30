// Feeds arbitrary bytes to the receive side: every event's arguments must agree with the
// frame layout, and nothing may be read or written outside the buffers.
#include "VexoCommand.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    tVexoCommand vexo(nullptr);
    // The first byte chooses whether events and the trace are bound, so both paths run.
    const bool bind = data[0] & 1;
    const bool trace = data[0] & 2;
    if (bind) {
        auto frameSizeAgrees = [](tVexoCommand& s, std::size_t header, std::size_t block) {
            const tCommandBuffer& cmd = s.receiveState();
            Check(cmd.count >= static_cast<std::int32_t>(header + block + 3));
            Check(cmd.count <= 16384);
            std::size_t need = ResponseFrameLength(cmd.buffer.data(), static_cast<std::size_t>(cmd.count));
            Check(cmd.valid && need != 0 && need <= static_cast<std::size_t>(cmd.count));
        };
        vexo.onDataReaded = [&](tVexoCommand&, std::uint8_t, std::uint32_t, tByteBuffer& b) {
            Check(!b.empty() && b.size() <= 16374);
        };
        vexo.onImageData = [&](tVexoCommand&, eColorMode, std::int32_t x, std::int32_t y, tByteBuffer& b) {
            Check(!b.empty() && b.size() <= 16374 && x >= 0 && x <= 0xFFFF && y >= 0 && y <= 0xFFFF);
        };
        vexo.onRFIDStatus = [&](tVexoCommand& s, eVexoError, std::uint8_t, std::int32_t, tByteBuffer& b) {
            Check(b.size() <= 255);
            frameSizeAgrees(s, 5, b.size());
        };
        vexo.onSerial = [&](tVexoCommand& s, const tSerial&) { frameSizeAgrees(s, 12, 0); };
        vexo.onShowTimer = [&](tVexoCommand& s, std::uint16_t) { frameSizeAgrees(s, 2, 0); };
        vexo.onUnknownCommand = [&](tVexoCommand& s, std::uint8_t) { Check(s.receiveState().count >= 3); };
        vexo.onDateTime = [&](tVexoCommand&, TDateTime, bool) {};
        vexo.onAcknowledge = [&](tVexoCommand& s) {
            // A handler may send while the decoder is inside a frame.
            s.getAcknowledge();
        };
    }
    if (trace) {
        vexo.onTrace = [](tVexoCommand&, eTraceDirection, const tByteBuffer& frame,
                          const std::string& meaning) {
            Check(!frame.empty() && !meaning.empty());
            Check(!FormatTraceLine(false, frame, meaning).empty());
        };
    }
    tFrameAssembler commands;
    for (std::size_t i = 1; i < size; ++i) {
        vexo.handleByte(data[i]);
        const tCommandBuffer& cmd = vexo.receiveState();
        Check(cmd.count >= 0 && cmd.count <= 16384 && cmd.buffer.size() == 16384);
        if (commands.feed(data[i])) {
            std::size_t n = commands.frame().size();
            Check(n >= 3 && CommandFrameLength(commands.frame().data(), n) == n);
            Check(!DescribeCommandFrame(commands.frame().data(), n).empty());
        }
    }
    return 0;
}
