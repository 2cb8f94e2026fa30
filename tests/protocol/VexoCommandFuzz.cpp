// Feeds arbitrary bytes to the receive side. Nothing may be read or written outside the
// buffers, and, when the trace is bound, every event must follow the trace of a frame that
// passes its checksum and is as long as its code says.
#include "VexoCommand.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

struct tOracle {
    bool tracing = false;
    bool goodFrameSeen = false;
    std::size_t blockLimit = 0;

    void frameTraced(const tByteBuffer& wire, const std::string& meaning) {
        Check(!wire.empty() && wire[0] == cFrameStart && !meaning.empty());
        tByteBuffer frame = UnescapeFrame(wire);
        Check(frame.size() >= 3 && frame.size() <= 16384);
        if (meaning.rfind("dropped", 0) == 0) return;
        std::uint8_t crc = 0;
        for (std::uint8_t b : frame) crc ^= b;
        std::size_t need = ResponseFrameLength(frame.data(), frame.size());
        bool unknown = meaning.rfind("unknown response", 0) == 0;
        // Unknown codes are reported without a checksum; a kept frame may have grown.
        Check(unknown ? need == 0 : (crc == 0 && need != 0 && need <= frame.size()));
        goodFrameSeen = true;
        blockLimit = frame.size() >= 3 ? frame.size() - 3 : 0;
    }
    void event(std::size_t block = 0) {
        if (!tracing) return;
        Check(goodFrameSeen && block <= blockLimit);
        goodFrameSeen = false;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    tVexoCommand vexo(nullptr);
    tOracle oracle;
    // The first byte chooses whether events and the trace are bound, so every path runs.
    const bool bind = data[0] & 1;
    oracle.tracing = data[0] & 2;
    if (oracle.tracing) {
        vexo.onTrace = [&](tVexoCommand&, eTraceDirection direction, const tByteBuffer& frame,
                           const std::string& meaning) {
            if (direction == tdReceived) oracle.frameTraced(frame, meaning);
            Check(!FormatTraceLine(direction == tdSent, frame, meaning).empty());
        };
    }
    if (bind) {
        auto simple = [&](tVexoCommand&) { oracle.event(); };
        vexo.onAcknowledge = [&](tVexoCommand& s) {
            oracle.event();
            s.getAcknowledge(); // a handler may send while the decoder is inside a frame
        };
        vexo.onPlaceWhiteCard = simple;
        vexo.onPlaceTestCard = simple;
        vexo.onEvaluationRun = simple;
        vexo.onFirmwareVersion = [&](tVexoCommand&, const tFirmwareVersion& f) {
            Check(f.variant <= 0xFF && f.suffix <= 0xFF);
            oracle.event();
        };
        vexo.onCommunicationError = [&](tVexoCommand&, eComError) { oracle.event(); };
        vexo.onVexoError = [&](tVexoCommand&, eVexoError, std::uint8_t) { oracle.event(); };
        vexo.onWriteSuccess = [&](tVexoCommand&, std::uint8_t, std::uint32_t, std::int32_t n) {
            Check(n >= 0 && n <= 0xFFFF);
            oracle.event();
        };
        vexo.onDataReaded = [&](tVexoCommand&, std::uint8_t, std::uint32_t, tByteBuffer& b) {
            Check(!b.empty() && b.size() <= 16374);
            oracle.event(b.size());
        };
        vexo.onImageData = [&](tVexoCommand&, eColorMode, std::int32_t x, std::int32_t y, tByteBuffer& b) {
            Check(!b.empty() && b.size() <= 16374 && x >= 0 && x <= 0xFFFF && y >= 0 && y <= 0xFFFF);
            oracle.event(b.size());
        };
        vexo.onRFIDStatus = [&](tVexoCommand&, eVexoError, std::uint8_t, std::int32_t, tByteBuffer& b) {
            Check(b.size() <= 255);
            oracle.event(b.size());
        };
        vexo.onUnknownCommand = [&](tVexoCommand& s, std::uint8_t) {
            Check(s.receiveState().count >= 3);
            oracle.event();
        };
        vexo.onImageTransferStart = [&](tVexoCommand&, std::uint16_t, std::uint16_t) { oracle.event(); };
        vexo.onDateTime = [&](tVexoCommand&, TDateTime, bool) { oracle.event(); };
        vexo.onSerial = [&](tVexoCommand&, const tSerial&) { oracle.event(); };
        vexo.onDeviceBusy = [&](tVexoCommand&, std::uint32_t) { oracle.event(); };
        vexo.onShowTimer = [&](tVexoCommand&, std::uint16_t) { oracle.event(); };
        vexo.onStateUpdate = [&](tVexoCommand&, std::uint16_t) { oracle.event(); };
    }
    // The command side of the same bytes, as the simulated reader parses them.
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
