#include "VexoFrame.h"

#include <cstdio>

void FrameSendHeader(tCommandBuffer& tx, tByteSink* sink, std::uint8_t code) {
    tx.count = 1;
    tx.crc = 0;
    if (sink) sink->SendByte(cFrameStart);
    FrameSendByte(tx, sink, cFrameSpace);
    FrameSendByte(tx, sink, code);
}

void FrameSendByte(tCommandBuffer& tx, tByteSink* sink, std::uint8_t b) {
    if (tx.count >= cFrameBufferSize) throw eCommandBufferOverflow();
    if (sink) sink->SendByte(b);
    ++tx.count;
    if (b == cFrameStart && sink) sink->SendByte(b);
    tx.crc ^= b;
}

void FrameSendWord(tCommandBuffer& tx, tByteSink* sink, std::uint16_t w) {
    FrameSendByte(tx, sink, static_cast<std::uint8_t>(w & 0xFF));
    FrameSendByte(tx, sink, static_cast<std::uint8_t>(w >> 8));
}

void FrameSendDWord(tCommandBuffer& tx, tByteSink* sink, std::uint32_t d) {
    for (int i = 0; i < 4; ++i) FrameSendByte(tx, sink, static_cast<std::uint8_t>(d >> (8 * i)));
}

void FrameSendCRC(tCommandBuffer& tx, tByteSink* sink) {
    FrameSendByte(tx, sink, tx.crc);
    if (sink) sink->SendBuffer();
}

namespace {

// Collects what the frame writer hands out.
class tBufferSink : public tByteSink {
public:
    explicit tBufferSink(tByteBuffer& out) : fOut(out) {}
    bool SendByte(std::uint8_t B) override {
        fOut.push_back(B);
        return true;
    }
    bool SendBuffer() override { return true; }

private:
    tByteBuffer& fOut;
};

// Field reads over an unescaped frame; a byte that is not there reads as 0.
struct tFrameCursor {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    std::uint16_t word() {
        std::uint16_t lo = byte();
        return static_cast<std::uint16_t>(lo | (byte() << 8));
    }
    std::uint32_t dword() {
        std::uint32_t lo = word();
        return lo | (static_cast<std::uint32_t>(word()) << 16);
    }
};

std::uint8_t At(const std::uint8_t* frame, std::size_t size, std::size_t i) {
    return i < size ? frame[i] : 0;
}

std::uint16_t WordAt(const std::uint8_t* frame, std::size_t size, std::size_t i) {
    return static_cast<std::uint16_t>(At(frame, size, i) | (At(frame, size, i + 1) << 8));
}

// Frame length for a payload of a fixed header plus a declared data length: until the header
// is in, only the header's length is known.
std::size_t WithData(std::size_t count, std::size_t header, std::size_t data) {
    if (count < header + 3) return header + 3;
    return header + data + 3;
}

std::string Format(const char* fmt, auto... args) {
    char text[160];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

} // namespace

tByteBuffer EncodeFrame(std::uint8_t code, const tByteBuffer& payload) {
    tByteBuffer wire;
    wire.reserve(payload.size() + 8);
    tBufferSink sink(wire);
    tCommandBuffer tx;
    FrameSendHeader(tx, &sink, code);
    for (std::uint8_t b : payload) FrameSendByte(tx, &sink, b);
    FrameSendCRC(tx, &sink);
    return wire;
}

tByteBuffer EscapeFrame(const std::uint8_t* frame, std::size_t size) {
    tByteBuffer wire;
    wire.reserve(size + 4);
    wire.push_back(cFrameStart);
    for (std::size_t i = 0; i < size; ++i) {
        wire.push_back(frame[i]);
        if (frame[i] == cFrameStart) wire.push_back(frame[i]);
    }
    return wire;
}

tByteBuffer UnescapeFrame(const tByteBuffer& wire) {
    tByteBuffer frame;
    std::size_t i = !wire.empty() && wire[0] == cFrameStart ? 1 : 0;
    for (; i < wire.size(); ++i) {
        frame.push_back(wire[i]);
        if (wire[i] == cFrameStart && i + 1 < wire.size() && wire[i + 1] == cFrameStart) ++i;
    }
    return frame;
}

std::size_t CommandFrameLength(const std::uint8_t* frame, std::size_t count) {
    if (count >= 1 && frame[0] != cFrameSpace) return 0;
    if (count < 2) return 3;
    switch (frame[1]) {
    case cmdGetAcknowledge:
    case cmdGetFirmwareVersion:
    case cmdGetSerial:
    case cmdGetDateTime:
    case cmdGetRFIDState:
    case cmdResetVexo:
    case cmdRunBootloader: return 3;
    case cmdSetDateTime: return 6 + 3;
    case cmdReadData: return 7 + 3;
    case cmdWriteData: return WithData(count, 7, WordAt(frame, count, 7));
    case cmdGetImage: return 5 + 3;
    case cmdCapture: return 4 + 3;
    case cmdEvaluate:
    case cmdFormatDB:
    case cmdButtonControl: return 1 + 3;
    default: return 0;
    }
}

std::size_t ResponseFrameLength(const std::uint8_t* frame, std::size_t count) {
    if (count >= 1 && frame[0] != cFrameSpace) return 0;
    if (count < 2) return 3;
    switch (frame[1]) {
    case rspPlaceWhiteCard:
    case rspPlaceTestCard:
    case rspEvaluationRun:
    case rspAcknowledge: return 3;
    case rspCommunicationError: return 1 + 3;
    case rspShowTimer:
    case rspVexoError:
    case rspStateUpdate: return 2 + 3;
    case rspImageTransferStart:
    case rspDeviceBusy: return 4 + 3;
    case rspDateTime: return 6 + 3;
    case rspWriteSuccess: return 7 + 3;
    case rspFirmwareVersion: return 9 + 3;
    case rspSerial: return 12 + 3;
    case rspImageData:
    case rspDataReaded: {
        std::size_t d = WordAt(frame, count, 7);
        return WithData(count, 7, d == 0 ? 0x10000 : d);
    }
    case rspRFIDStatus: return WithData(count, 5, At(frame, count, 6));
    default: return 0;
    }
}

tFrameAssembler::tFrameAssembler(tLengthRule rule) : fRule(rule) {}

void tFrameAssembler::reset() {
    fFrame.clear();
    fCollecting = fComplete = fPendingStart = false;
    fNeed = 3;
    fCrc = 0;
}

tByteBuffer tFrameAssembler::payload() const {
    if (fFrame.size() < 3) return {};
    return tByteBuffer(fFrame.begin() + 2, fFrame.end() - 1);
}

void tFrameAssembler::drop() {
    ++fDropped;
    fCollecting = false;
    fFrame.clear();
}

void tFrameAssembler::store(std::uint8_t b) {
    if (!fCollecting) return;
    if (fFrame.size() >= static_cast<std::size_t>(cFrameBufferSize)) {
        drop();
        return;
    }
    fFrame.push_back(b);
    fCrc ^= b;
    if (fFrame.size() < fNeed) return;
    std::size_t need = fRule(fFrame.data(), fFrame.size());
    if (need == 0) {
        drop();
    } else if (fFrame.size() < need) {
        fNeed = need;
    } else if (fCrc != 0) {
        drop();
    } else {
        fCollecting = false;
        fComplete = true;
    }
}

bool tFrameAssembler::feed(std::uint8_t b) {
    if (fComplete) {
        fComplete = false;
        fFrame.clear();
    }
    if (b == cFrameStart && !fPendingStart) {
        fPendingStart = true;
        return false;
    }
    if (b != cFrameStart && fPendingStart) {
        if (fCollecting) drop(); // abandoned by a new start
        fCollecting = true;
        fFrame.clear();
        fCrc = 0;
        fNeed = 3;
    }
    fPendingStart = false;
    store(b);
    return fComplete;
}

std::string DescribeCommandFrame(const std::uint8_t* frame, std::size_t size) {
    if (size < 2 || frame[0] != cFrameSpace) return "no frame";
    tFrameCursor c{frame, size, 2};
    std::uint8_t code = frame[1];
    switch (code) {
    case cmdGetAcknowledge: return "get acknowledge";
    case cmdGetFirmwareVersion: return "get firmware version";
    case cmdGetSerial: return "get serial";
    case cmdGetDateTime: return "get date time";
    case cmdGetRFIDState: return "get RFID state";
    case cmdResetVexo: return "reset reader";
    case cmdRunBootloader: return "run bootloader";
    case cmdSetDateTime: {
        unsigned s = c.byte(), mi = c.byte(), h = c.byte(), d = c.byte(), mo = c.byte(), y = c.byte();
        return Format("set date time %04u-%02u-%02u %02u:%02u:%02u", 2000 + y, mo, d, h, mi, s);
    }
    case cmdReadData: {
        c.byte();
        unsigned address = c.dword();
        unsigned count = c.word();
        return Format("read data 0x%X %u", address, count);
    }
    case cmdWriteData: {
        unsigned flags = c.byte();
        unsigned address = c.dword();
        unsigned count = c.word();
        return Format("write data 0x%X %u flags 0x%02X", address, count, flags);
    }
    case cmdGetImage: {
        unsigned mode = c.byte();
        unsigned x = c.word(), y = c.word();
        if (mode >= 2) return Format("get image height %u mode %u", y, mode);
        return Format("get image next x %u y %u%s", x, y, mode == 1 ? " finished" : "");
    }
    case cmdCapture: {
        unsigned flags = c.byte();
        unsigned time = c.word();
        unsigned images = c.byte();
        return Format("capture flags 0x%02X integration time %u images %u", flags, time, images);
    }
    case cmdEvaluate: {
        unsigned mode = c.byte();
        if (mode == 0x04) return "abort evaluation";
        return Format("evaluate mode 0x%02X", mode);
    }
    case cmdFormatDB: return c.byte() ? "format database with configurations" : "format database";
    case cmdButtonControl: return c.byte() & 0x80 ? "button control disable" : "button control enable";
    default: return Format("unknown command 0x%02X", code);
    }
}

std::string DescribeResponseFrame(const std::uint8_t* frame, std::size_t size) {
    if (size < 2 || frame[0] != cFrameSpace) return "no frame";
    tFrameCursor c{frame, size, 2};
    std::uint8_t code = frame[1];
    switch (code) {
    case rspShowTimer: return Format("show timer %u s", unsigned{c.word()});
    case rspPlaceWhiteCard: return "place white card";
    case rspPlaceTestCard: return "place test card";
    case rspEvaluationRun: return "evaluation running";
    case rspAcknowledge: return "acknowledge";
    case rspImageTransferStart: {
        unsigned w = c.word(), h = c.word();
        return Format("image transfer start %u x %u", w, h);
    }
    case rspImageData: {
        unsigned mode = c.byte(), x = c.word(), y = c.word(), d = c.word();
        return Format("image data mode %u x %u y %u, %u bytes", mode, x, y, d == 0 ? 0x10000 : d);
    }
    case rspCommunicationError: return Format("communication error 0x%02X", unsigned{c.byte()});
    case rspVexoError: {
        unsigned e = c.byte(), info = c.byte();
        return Format("reader error 0x%02X info 0x%02X", e, info);
    }
    case rspDeviceBusy: return Format("device busy %u", unsigned{c.dword()});
    case rspWriteSuccess: {
        unsigned flags = c.byte(), address = c.dword(), count = c.word();
        return Format("write success 0x%X %u flags 0x%02X", address, count, flags);
    }
    case rspDataReaded: {
        unsigned flags = c.byte(), address = c.dword(), d = c.word();
        return Format("data read 0x%X %u bytes flags 0x%02X", address, d == 0 ? 0x10000 : d, flags);
    }
    case rspRFIDStatus: {
        unsigned e = c.byte(), tag = c.byte(), user = c.word(), d = c.byte();
        return Format("RFID status 0x%02X tag type %u user data %u, %u bytes", e, tag, user, d);
    }
    case rspDateTime: {
        unsigned s = c.byte(), mi = c.byte(), h = c.byte(), d = c.byte(), mo = c.byte(), y = c.byte();
        return Format("date time %04u-%02u-%02u %02u:%02u:%02u", 2000 + y, mo, d, h, mi, s);
    }
    case rspFirmwareVersion: {
        unsigned main = c.byte(), sub = c.byte(), rev = c.word(), variant = c.byte();
        unsigned branch = c.byte(), branchRev = c.word(), suffix = c.byte();
        return Format("firmware version %u.%u.%u variant 0x%02X branch %u.%u suffix 0x%02X", main, sub, rev,
                      variant, branch, branchRev, suffix);
    }
    case rspSerial: {
        unsigned serial = c.dword(), customer = c.word(), project = c.word(), date = c.word(), sub = c.word();
        return Format("serial %u customer %u project %u week %u year %u sub %u", serial, customer, project,
                      date >> 8, date & 0xFF, sub);
    }
    case rspStateUpdate: return Format("state update 0x%04X", unsigned{c.word()});
    default: return Format("unknown response 0x%02X", code);
    }
}

std::string FormatTraceLine(bool sent, const tByteBuffer& bytes, const std::string& meaning) {
    static const char digits[] = "0123456789ABCDEF";
    std::string line = sent ? "TX" : "RX";
    line.reserve(line.size() + bytes.size() * 3 + meaning.size() + 2);
    for (std::uint8_t b : bytes) {
        line += ' ';
        line += digits[b >> 4];
        line += digits[b & 0x0F];
    }
    line += "  ";
    line += meaning;
    return line;
}
