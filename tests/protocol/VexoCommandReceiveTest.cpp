#include "RecordingSink.h"
#include "VexoCommand.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using tLog = std::vector<std::string>;

std::string Text(const char* fmt, auto... args) {
    char text[200];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

tByteBuffer Join(std::initializer_list<tByteBuffer> parts) {
    tByteBuffer all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A frame of any length, past the transmit limit too.
tByteBuffer RawFrame(std::uint8_t code, const tByteBuffer& payload) {
    tByteBuffer frame = Join({{0x20, code}, payload});
    std::uint8_t crc = 0;
    for (std::uint8_t b : frame) crc ^= b;
    frame.push_back(crc);
    return EscapeFrame(frame.data(), frame.size());
}

// Binds every event to a line in a log; data blocks are kept aside.
class FrameReceive : public ::testing::Test {
protected:
    FrameReceive() {
        vexo.onAcknowledge = [this](tVexoCommand& s) { add(s, "Acknowledge"); };
        vexo.onFirmwareVersion = [this](tVexoCommand& s, const tFirmwareVersion& f) {
            add(s, Text("FirmwareVersion %u.%u.%u variant %u branch %u.%u suffix %u", f.main, f.sub,
                        f.revision, unsigned{f.variant}, f.branch, f.branchRevision, unsigned{f.suffix}));
        };
        vexo.onCommunicationError = [this](tVexoCommand& s, eComError e) {
            add(s, Text("CommunicationError %u", unsigned{e}));
        };
        vexo.onVexoError = [this](tVexoCommand& s, eVexoError e, std::uint8_t info) {
            add(s, Text("VexoError %u %u", unsigned{e}, unsigned{info}));
        };
        vexo.onWriteSuccess = [this](tVexoCommand& s, std::uint8_t flags, std::uint32_t address,
                                     std::int32_t n) {
            add(s, Text("WriteSuccess %u 0x%X %d", unsigned{flags}, address, n));
        };
        vexo.onDataReaded = [this](tVexoCommand& s, std::uint8_t flags, std::uint32_t address,
                                   tByteBuffer& data) {
            add(s, Text("DataReaded %u 0x%X %zu", unsigned{flags}, address, data.size()));
            blocks.push_back(std::move(data)); // handlers may take the block over
        };
        vexo.onRFIDStatus = [this](tVexoCommand& s, eVexoError e, std::uint8_t tag, std::int32_t user,
                                   tByteBuffer& data) {
            add(s, Text("RFIDStatus %u %u %d %zu", unsigned{e}, unsigned{tag}, user, data.size()));
            blocks.push_back(data);
        };
        vexo.onUnknownCommand = [this](tVexoCommand& s, std::uint8_t code) {
            add(s, Text("Unknown 0x%02X", unsigned{code}));
        };
        vexo.onImageTransferStart = [this](tVexoCommand& s, std::uint16_t w, std::uint16_t h) {
            add(s, Text("ImageTransferStart %u %u", unsigned{w}, unsigned{h}));
        };
        vexo.onImageData = [this](tVexoCommand& s, eColorMode mode, std::int32_t x, std::int32_t y,
                                  tByteBuffer& data) {
            add(s, Text("ImageData %u %d %d %zu", unsigned{mode}, x, y, data.size()));
            blocks.push_back(data);
        };
        vexo.onDateTime = [this](tVexoCommand& s, TDateTime t, bool valid) {
            if (!valid) return add(s, "DateTime invalid");
            TDateTimeFields f = DecodeDateTime(t);
            add(s, Text("DateTime %04d-%02d-%02d %02d:%02d:%02d.%03d", f.Year, f.Month, f.Day, f.Hour,
                        f.Minute, f.Second, f.MilliSecond));
        };
        vexo.onSerial = [this](tVexoCommand& s, const tSerial& n) {
            add(s, Text("Serial %u customer %u project %u year %u week %u sub %u", n.zr4Serial, n.customer,
                        n.project, n.productionDate.ProductionYear(), n.productionDate.ProductionWeek(),
                        n.subSerial));
        };
        vexo.onDeviceBusy = [this](tVexoCommand& s, std::uint32_t t) { add(s, Text("DeviceBusy %u", t)); };
        vexo.onShowTimer = [this](tVexoCommand& s, std::uint16_t sec) {
            add(s, Text("ShowTimer %u", unsigned{sec}));
        };
        vexo.onPlaceWhiteCard = [this](tVexoCommand& s) { add(s, "PlaceWhiteCard"); };
        vexo.onPlaceTestCard = [this](tVexoCommand& s) { add(s, "PlaceTestCard"); };
        vexo.onEvaluationRun = [this](tVexoCommand& s) { add(s, "EvaluationRun"); };
        vexo.onStateUpdate = [this](tVexoCommand& s, std::uint16_t state) {
            add(s, Text("StateUpdate %u", unsigned{state}));
        };
    }

    void add(tVexoCommand& sender, std::string line) {
        EXPECT_EQ(&sender, &vexo);
        log.push_back(std::move(line));
    }

    std::vector<bool> feed(const tByteBuffer& bytes) {
        std::vector<bool> results;
        for (std::uint8_t b : bytes) results.push_back(vexo.handleByte(b));
        return results;
    }

    bool idle() const { return !vexo.receiveState().valid && vexo.receiveState().count == 0; }

    tRecordingSink sink;
    tVexoCommand vexo{&sink};
    tLog log;
    std::vector<tByteBuffer> blocks;
};

struct tResponseCase {
    std::uint8_t code;
    tByteBuffer payload;
    std::string event;
    bool kept;
    tByteBuffer block;
};

TEST_F(FrameReceive, EveryResponseCodeDecodesIntoItsEvent) {
    const std::vector<tResponseCase> cases = {
        {0x30, {0x5A, 0x00}, "ShowTimer 90", true, {}},
        {0x31, {}, "PlaceWhiteCard", true, {}},
        {0x32, {}, "PlaceTestCard", true, {}},
        {0x33, {}, "EvaluationRun", true, {}},
        {0x40, {0x00, 0x01, 0x01, 0x00}, "ImageTransferStart 256 1", false, {}},
        {0x42,
         {2, 0xFF, 0xFF, 0x01, 0x00, 4, 0, 0xAA, 0xBB, 0xFE, 0x00},
         "ImageData 2 65535 1 4",
         false,
         {0xAA, 0xBB, 0xFE, 0x00}},
        {0x45, {0x42}, "CommunicationError 66", false, {}},
        {0x47, {0x10, 0x07}, "VexoError 16 7", false, {}},
        {0x49, {0xE8, 0x03, 0x00, 0x80}, "DeviceBusy 2147484648", true, {}},
        {0x51, {0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x03}, "WriteSuccess 1 0x30000 768", false, {}},
        {0x53,
         {0x00, 0x00, 0x00, 0x05, 0x00, 0x03, 0x00, 1, 2, 3},
         "DataReaded 0 0x50000 3",
         false,
         {1, 2, 3}},
        {0x55, {}, "Acknowledge", false, {}},
        {0x57, {0x00, 0x02, 0x00, 0x02, 3, 7, 8, 9}, "RFIDStatus 0 2 512 3", true, {7, 8, 9}},
        {0x57, {0x31, 0x01, 0x00, 0x00, 0}, "RFIDStatus 49 1 0 0", true, {}},
        {0x59, {9, 5, 14, 7, 3, 19}, "DateTime 2019-03-07 14:05:09.000", false, {}},
        {0xA3,
         {1, 2, 0x03, 0x01, 'B', 4, 0x05, 0x00, 0},
         "FirmwareVersion 1.2.259 variant 66 branch 4.5 suffix 0",
         false,
         {}},
        {0xA5,
         {0x39, 0x30, 0x00, 0x00, 1, 0, 2, 0, 0x13, 0x21, 7, 0},
         "Serial 12345 customer 1 project 2 year 19 week 33 sub 7",
         true,
         {}},
        {0xD0, {0x02, 0x01}, "StateUpdate 258", true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        log.clear();
        blocks.clear();
        feed({0xFE, 0x20, 0x55, 0x75}); // any kept frame before is left behind
        log.clear();
        tByteBuffer wire = EncodeFrame(c.code, c.payload);
        std::vector<bool> results = feed(wire);
        EXPECT_EQ(results, std::vector<bool>(wire.size(), true));
        EXPECT_EQ(log, tLog{c.event});
        if (c.code == 0x42 || c.code == 0x53 || c.code == 0x57) {
            EXPECT_EQ(blocks, std::vector<tByteBuffer>{c.block});
        }
        if (c.kept) {
            EXPECT_TRUE(vexo.receiveState().valid);
            EXPECT_EQ(vexo.receiveState().count, static_cast<std::int32_t>(c.payload.size() + 3));
        } else {
            EXPECT_TRUE(idle());
            // Idle: a repeat of the frame's last byte is ignored.
            EXPECT_FALSE(vexo.handleByte(0x00));
        }
    }
}

struct tStreamCase {
    const char* name;
    tByteBuffer bytes;
    tLog events;
};

TEST_F(FrameReceive, StreamEdgeCases) {
    const tByteBuffer ack = {0xFE, 0x20, 0x55, 0x75};
    const std::vector<tStreamCase> cases = {
        {"worked example", ack, {"Acknowledge"}},
        {"FE FE with no frame open", {0xFE, 0xFE, 0x20, 0x55, 0x75}, {}},
        {"FE in the payload", {0xFE, 0x20, 0x45, 0xFE, 0xFE, 0x9B}, {"CommunicationError 254"}},
        {"FE as checksum", {0xFE, 0x20, 0x45, 0x9B, 0xFE, 0xFE}, {"CommunicationError 155"}},
        {"FE FE FE: doubled then start",
         {0xFE, 0x20, 0x45, 0x9B, 0xFE, 0xFE, 0xFE, 0x20, 0x55, 0x75},
         {"CommunicationError 155", "Acknowledge"}},
        {"unfinished frame abandoned by a start", Join({{0xFE, 0x20, 0x55}, ack}), {"Acknowledge"}},
        {"unfinished data block abandoned",
         Join({{0xFE, 0x20, 0x53, 0x00, 0x00, 0x00, 0x05, 0x00, 0x05, 0x00, 0x01, 0x02}, ack}),
         {"Acknowledge"}},
        {"wrong checksum, then a good frame", Join({{0xFE, 0x20, 0x55, 0x74}, ack}), {"Acknowledge"}},
        {"wrong checksum of a data block",
         Join({{0xFE, 0x20, 0x53, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01, 0x00, 0x07, 0x00}, ack}),
         {"Acknowledge"}},
        {"first byte not 20", Join({{0xFE, 0x21, 0x55, 0x74}, ack}), {"Acknowledge"}},
        {"noise before a start byte", Join({{0x20, 0x55, 0x75, 0x00}, ack}), {"Acknowledge"}},
        {"unknown code: once per further byte",
         Join({{0xFE, 0x20, 0x41, 0x00, 0x01, 0x02}, ack}),
         {"Unknown 0x41", "Unknown 0x41", "Unknown 0x41", "Acknowledge"}},
        {"kept frame, stray byte XOR 0: raised again",
         {0xFE, 0x20, 0x31, 0x11, 0x00},
         {"PlaceWhiteCard", "PlaceWhiteCard"}},
        {"kept frame, stray byte not XOR 0: reset", {0xFE, 0x20, 0x31, 0x11, 0x07, 0x00}, {"PlaceWhiteCard"}},
        // Examined after each stray byte, so a pair that XORs to 0 still resets at its first byte.
        {"kept frame, stray pair",
         {0xFE, 0x20, 0xD0, 0x02, 0x01, 0xF3, 0x05, 0x05, 0x00},
         {"StateUpdate 258"}},
        {"kept frame, then a new frame",
         Join({{0xFE, 0x20, 0x32, 0x12}, ack}),
         {"PlaceTestCard", "Acknowledge"}},
        {"after a reset frame stray bytes are ignored",
         Join({ack, {0x00, 0x00}, ack}),
         {"Acknowledge", "Acknowledge"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        feed({0xFE, 0x20, 0x55, 0x75, 0x00});
        log.clear();
        feed(c.bytes);
        EXPECT_EQ(log, c.events);
    }
}

TEST_F(FrameReceive, DateValidity) {
    struct {
        tByteBuffer payload;
        const char* event;
    } cases[] = {
        {{0, 0, 0, 29, 2, 24}, "DateTime 2024-02-29 00:00:00.000"},
        {{59, 59, 23, 31, 12, 99}, "DateTime 2099-12-31 23:59:59.000"},
        {{0, 0, 0, 1, 13, 19}, "DateTime invalid"},
        {{0, 0, 0, 1, 0, 19}, "DateTime invalid"},
        {{0, 0, 0, 29, 2, 23}, "DateTime invalid"},
        {{0, 0, 0, 31, 4, 19}, "DateTime invalid"},
        {{0, 0, 0, 0, 4, 19}, "DateTime invalid"},
        {{0, 0, 24, 1, 1, 19}, "DateTime invalid"},
        {{0, 60, 0, 1, 1, 19}, "DateTime invalid"},
        {{60, 0, 0, 1, 1, 19}, "DateTime invalid"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        log.clear();
        feed(EncodeFrame(0x59, c.payload));
        EXPECT_EQ(log, tLog{c.event});
    }
}

TEST_F(FrameReceive, DataBlockIsExaminedAtHeaderAndAtItsEnd) {
    tByteBuffer payload = {0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x03}; // 768 bytes at 0x50000
    for (int i = 0; i < 768; ++i) payload.push_back(static_cast<std::uint8_t>(i * 7));
    tByteBuffer frame = UnescapeFrame(EncodeFrame(0x53, payload));
    ASSERT_EQ(frame.size(), 778u);
    vexo.handleByte(0xFE);
    std::vector<std::int32_t> waits;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
        if (frame[i] == 0xFE) vexo.handleByte(0xFE);
        vexo.handleByte(frame[i]);
        waits.push_back(vexo.receiveState().waitForXCount);
    }
    EXPECT_EQ(waits[0], 3);
    EXPECT_EQ(waits[1], 3);
    EXPECT_EQ(waits[2], 10);  // examined at 3 bytes: the header is not in yet
    EXPECT_EQ(waits[9], 778); // examined at 10 bytes: the declared block
    EXPECT_EQ(waits[776], 778);
    EXPECT_TRUE(log.empty());
    if (frame.back() == 0xFE) vexo.handleByte(0xFE);
    vexo.handleByte(frame.back());
    EXPECT_EQ(log, tLog{"DataReaded 0 0x50000 768"});
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], tByteBuffer(payload.begin() + 7, payload.end()));
}

TEST_F(FrameReceive, BlocksThatCannotFitTheBufferNeverComplete) {
    const tByteBuffer ack = {0xFE, 0x20, 0x55, 0x75};
    struct {
        const char* name;
        std::uint8_t code;
        std::uint16_t declared;
        std::size_t sent; // data bytes sent, checksum excluded
        const char* event;
    } cases[] = {
        {"largest block fits", 0x53, 16374, 16374, "DataReaded 0 0x0 16374"},
        {"largest image block fits", 0x42, 16374, 16374, "ImageData 0 0 0 16374"},
        {"one more does not", 0x53, 16375, 16375, nullptr},
        {"length 0 stands for 65536", 0x53, 0, 20000, nullptr},
        {"image length 0", 0x42, 0, 20000, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        tByteBuffer payload(7, 0);
        payload[5] = static_cast<std::uint8_t>(c.declared & 0xFF);
        payload[6] = static_cast<std::uint8_t>(c.declared >> 8);
        payload.resize(7 + c.sent, 0);
        tByteBuffer wire = RawFrame(c.code, payload);
        std::vector<bool> results = feed(wire);
        if (c.event) {
            EXPECT_EQ(log, tLog{c.event});
        } else {
            EXPECT_TRUE(log.empty());
            // Abandoned once the buffer is full: every later byte is ignored.
            EXPECT_FALSE(vexo.receiveState().valid);
            EXPECT_EQ(vexo.receiveState().count, 16384);
            EXPECT_EQ(results[1 + 16384 - 1], true);
            EXPECT_EQ(results[1 + 16384], false);
            EXPECT_EQ(results.back(), false);
        }
        feed(ack);
        EXPECT_EQ(log.back(), "Acknowledge");
    }
}

TEST_F(FrameReceive, UnknownFrameReportsUntilTheBufferIsFull) {
    tByteBuffer bytes = {0xFE, 0x20, 0x41};
    bytes.resize(3 + 20000, 0x00);
    feed(bytes);
    // Once for every stored byte from the third to the 16384th.
    EXPECT_EQ(log.size(), 16384u - 2);
    EXPECT_FALSE(vexo.receiveState().valid);
    feed({0xFE, 0x20, 0x55, 0x75});
    EXPECT_EQ(log.back(), "Acknowledge");
}

TEST_F(FrameReceive, HandleByteResult) {
    struct {
        const char* name;
        tByteBuffer bytes;
        std::vector<bool> results;
    } cases[] = {
        {"no frame open", {0x20, 0x55}, {false, false}},
        {"start held, bytes stored, frame raised", {0xFE, 0x20, 0x55, 0x75}, {true, true, true, true}},
        {"second FE with no frame open", {0xFE, 0xFE}, {true, false}},
        {"first byte not 20", {0xFE, 0x21, 0x55, 0x74}, {true, true, true, false}},
        {"unknown code", {0xFE, 0x20, 0x41, 0x61, 0x00}, {true, true, true, false, false}},
        {"checksum failed", {0xFE, 0x20, 0x55, 0x00, 0x75}, {true, true, true, true, false}},
        {"incomplete frame of a known code", {0xFE, 0x20, 0x45, 0x01}, {true, true, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        feed({0xFE, 0x20, 0x55, 0x75});
        EXPECT_EQ(feed(c.bytes), c.results);
    }
}

TEST_F(FrameReceive, HandlerMaySendFromInsideAnEvent) {
    vexo.onAcknowledge = [this](tVexoCommand& s) {
        add(s, "Acknowledge");
        s.getFirmwareVersion();
    };
    feed({0xFE, 0x20, 0x55, 0x75, 0xFE, 0x20, 0x55, 0x75});
    EXPECT_EQ(log, (tLog{"Acknowledge", "Acknowledge"}));
    EXPECT_EQ(sink.bytes, (tByteBuffer{0xFE, 0x20, 0xA2, 0x82, 0xFE, 0x20, 0xA2, 0x82}));
}

TEST(FrameReceiveUnbound, EmptyEventsAreNotRaised) {
    tVexoCommand vexo(nullptr);
    for (std::uint8_t code :
         {0x30, 0x31, 0x40, 0x42, 0x45, 0x47, 0x49, 0x51, 0x53, 0x55, 0x57, 0x59, 0xA3, 0xA5, 0xD0, 0x41}) {
        tByteBuffer payload(16, 1);
        payload[5] = 2; // declared data lengths stay small
        payload[6] = 0;
        payload[4] = 2;
        for (std::uint8_t b : EncodeFrame(code, payload)) vexo.handleByte(b);
    }
    SUCCEED();
}

TEST_F(FrameReceive, TraceShowsFramesReceivedAndDropped) {
    std::vector<std::string> lines;
    vexo.onTrace = [&](tVexoCommand&, eTraceDirection direction, const tByteBuffer& frame,
                       const std::string& meaning) {
        lines.push_back(FormatTraceLine(direction == tdSent, frame, meaning));
    };
    feed({0xFE, 0x20, 0x55, 0x75});
    feed({0xFE, 0x20, 0x55, 0x74});
    feed(EncodeFrame(0x53, {0x00, 0xFE, 0x00, 0x05, 0x00, 0x01, 0x00, 0x09}));
    feed({0xFE, 0x10, 0x00, 0x00});
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "RX FE 20 55 75  acknowledge",
                         "RX FE 20 55 74  dropped, bad checksum: acknowledge",
                         "RX FE 20 53 00 FE FE 00 05 00 01 00 09 80  data read 0x500FE 1 bytes flags 0x00",
                         "RX FE 10 00 00  dropped: no frame",
                     }));
    EXPECT_EQ(log, (tLog{"Acknowledge", "DataReaded 0 0x500FE 1"}));
}

} // namespace
