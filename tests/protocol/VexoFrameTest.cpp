#include "VexoFrame.h"
#include "RecordingSink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(EncodeFrame, LayoutDoublingAndChecksum) {
    struct {
        const char* name;
        std::uint8_t code;
        tByteBuffer payload, wire;
    } cases[] = {
        {"no payload", 0xAA, {}, {0xFE, 0x20, 0xAA, 0x8A}},
        {"reply with fields", 0x47, {0x10, 0x07}, {0xFE, 0x20, 0x47, 0x10, 0x07, 0x70}},
        {"FE in payload", 0x45, {0xFE}, {0xFE, 0x20, 0x45, 0xFE, 0xFE, 0x9B}},
        {"FE as checksum", 0x45, {0x9B}, {0xFE, 0x20, 0x45, 0x9B, 0xFE, 0xFE}},
        {"FE as code", 0xFE, {}, {0xFE, 0x20, 0xFE, 0xFE, 0xDE}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeFrame(c.code, c.payload), c.wire);
        tByteBuffer frame = UnescapeFrame(c.wire);
        EXPECT_EQ(EscapeFrame(frame.data(), frame.size()), c.wire);
    }
}

TEST(EncodeFrame, PayloadLimit) {
    EXPECT_EQ(EncodeFrame(0x53, tByteBuffer(16380, 0)).size(), 16384u);
    EXPECT_THROW(EncodeFrame(0x53, tByteBuffer(16381, 0)), eCommandBufferOverflow);
}

TEST(FrameSend, OverflowStopsBeforeTheByteAndKeepsTheCount) {
    tRecordingSink sink;
    tCommandBuffer tx;
    FrameSendHeader(tx, &sink, 0x50);
    for (int i = 0; i < 16380; ++i) FrameSendByte(tx, &sink, 0xFE);
    EXPECT_EQ(tx.count, 16383);
    EXPECT_EQ(sink.bytes.size(), 3u + 2 * 16380);
    EXPECT_THROW(FrameSendWord(tx, &sink, 0x0101), eCommandBufferOverflow);
    // The word's low byte took the last place.
    EXPECT_EQ(tx.count, 16384);
    EXPECT_THROW(FrameSendCRC(tx, &sink), eCommandBufferOverflow);
    EXPECT_EQ(sink.bytes.size(), 3u + 2 * 16380 + 1);
    EXPECT_TRUE(sink.flushes.empty());
}

TEST(FrameLength, CommandsByCode) {
    struct {
        tByteBuffer start;
        std::size_t length;
    } cases[] = {
        {{}, 3},
        {{0x20}, 3},
        {{0x21}, 0},
        {{0x20, 0xAA}, 3},
        {{0x20, 0xA2}, 3},
        {{0x20, 0xA4}, 3},
        {{0x20, 0x5A}, 3},
        {{0x20, 0x56}, 3},
        {{0x20, 0xAF}, 3},
        {{0x20, 0xA1}, 3},
        {{0x20, 0x58}, 9},
        {{0x20, 0x52}, 10},
        {{0x20, 0x43}, 8},
        {{0x20, 0x5C}, 7},
        {{0x20, 0x5E}, 4},
        {{0x20, 0x5F}, 4},
        {{0x20, 0xC0}, 4},
        {{0x20, 0x50, 0x03}, 10},
        {{0x20, 0x50, 0x03, 0, 0, 1, 0, 0x02, 0x01}, 10}, // the count is read once a byte follows it
        {{0x20, 0x50, 0x03, 0, 0, 1, 0, 0x02, 0x01, 0xAA}, 10 + 0x102},
        {{0x20, 0x50, 0x03, 0, 0, 1, 0, 0x00, 0x00, 0x73}, 10},
        {{0x20, 0x55}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.start));
        EXPECT_EQ(CommandFrameLength(c.start.data(), c.start.size()), c.length);
    }
}

TEST(FrameLength, ResponsesByCode) {
    struct {
        tByteBuffer start;
        std::size_t length;
    } cases[] = {
        {{0x20, 0x30}, 5},
        {{0x20, 0x31}, 3},
        {{0x20, 0x32}, 3},
        {{0x20, 0x33}, 3},
        {{0x20, 0x40}, 7},
        {{0x20, 0x42}, 10},
        {{0x20, 0x42, 2, 0, 0, 0, 0, 0x00, 0x01}, 10},
        {{0x20, 0x42, 2, 0, 0, 0, 0, 0x00, 0x01, 0}, 10 + 256},
        {{0x20, 0x45}, 4},
        {{0x20, 0x47}, 5},
        {{0x20, 0x49}, 7},
        {{0x20, 0x51}, 10},
        {{0x20, 0x53, 0, 0, 0, 5, 0, 0x00, 0x03, 0}, 10 + 768},
        {{0x20, 0x53, 0, 0, 0, 5, 0, 0x00, 0x00, 0}, 10 + 65536},
        {{0x20, 0x55}, 3},
        {{0x20, 0x57}, 8},
        {{0x20, 0x57, 0, 0, 0, 0, 200}, 8},
        {{0x20, 0x57, 0, 0, 0, 0, 200, 0}, 8 + 200},
        {{0x20, 0x59}, 9},
        {{0x20, 0xA3}, 12},
        {{0x20, 0xA5}, 15},
        {{0x20, 0xD0}, 5},
        {{0x20, 0x41}, 0},
        {{0x20, 0xAA}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.start));
        EXPECT_EQ(ResponseFrameLength(c.start.data(), c.start.size()), c.length);
    }
}

TEST(FrameAssembler, CollectsGoodCommandFramesOnly) {
    const tByteBuffer ack = EncodeFrame(0xAA, {});
    const tByteBuffer read = EncodeFrame(0x52, {0x00, 0xFE, 0x00, 0x05, 0x00, 0xFE, 0x00});
    const tByteBuffer write = EncodeFrame(0x50, {0x03, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 'H', 0x00});
    tByteBuffer truncated(read.begin(), read.begin() + 6);
    tByteBuffer badCrc = ack;
    badCrc.back() ^= 1;
    struct {
        const char* name;
        std::vector<tByteBuffer> parts;
        std::vector<tByteBuffer> frames;
        std::uint32_t dropped;
    } cases[] = {
        {"frames back to back",
         {ack, read, write},
         {UnescapeFrame(ack), UnescapeFrame(read), UnescapeFrame(write)},
         0},
        {"noise and FE FE between frames", {{0x00, 0x20, 0xFE, 0xFE, 0x7A}, ack}, {UnescapeFrame(ack)}, 0},
        {"truncated frame abandoned", {truncated, ack}, {UnescapeFrame(ack)}, 1},
        {"bad checksum", {badCrc, ack}, {UnescapeFrame(ack)}, 1},
        {"first byte not 20", {{0xFE, 0x21, 0xAA, 0x8B}, ack}, {UnescapeFrame(ack)}, 1},
        {"reply code is no command", {EncodeFrame(0x55, {}), ack}, {UnescapeFrame(ack)}, 1},
        {"stray bytes after a frame", {ack, {0x00, 0x8A}, ack}, {UnescapeFrame(ack), UnescapeFrame(ack)}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tFrameAssembler assembler;
        std::vector<tByteBuffer> frames;
        for (const auto& part : c.parts)
            for (std::uint8_t b : part)
                if (assembler.feed(b)) frames.push_back(assembler.frame());
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(assembler.dropped(), c.dropped);
    }
}

TEST(FrameAssembler, PayloadAndOverrun) {
    tFrameAssembler assembler;
    tByteBuffer got;
    for (std::uint8_t b : EncodeFrame(0x52, {0x00, 0xFE, 0x00, 0x05, 0x00, 0x0D, 0x00}))
        if (assembler.feed(b)) got = assembler.payload();
    EXPECT_EQ(got, (tByteBuffer{0x00, 0xFE, 0x00, 0x05, 0x00, 0x0D, 0x00}));
    EXPECT_EQ(assembler.code(), 0x52);

    // A write frame declaring more than the buffer holds is dropped when the buffer is full.
    tByteBuffer huge = {0xFE, 0x20, 0x50, 0x00, 0, 0, 0, 0, 0xFF, 0xFF};
    huge.resize(20000, 0x01);
    bool completed = false;
    for (std::uint8_t b : huge) completed |= assembler.feed(b);
    EXPECT_FALSE(completed);
    EXPECT_EQ(assembler.dropped(), 1u);
    bool ack = false;
    for (std::uint8_t b : EncodeFrame(0xAA, {})) ack = assembler.feed(b);
    EXPECT_TRUE(ack);
}

TEST(FrameDescription, CommandsAndResponses) {
    struct {
        bool command;
        std::uint8_t code;
        tByteBuffer payload;
        const char* meaning;
    } cases[] = {
        {true, 0x52, {0x00, 0x00, 0x00, 0x05, 0x00, 0x18, 0x00}, "read data 0x50000 24"},
        {true, 0x58, {9, 5, 14, 7, 3, 19}, "set date time 2019-03-07 14:05:09"},
        {true, 0x43, {5, 0, 0, 120, 0}, "get image height 120 mode 5"},
        {true, 0x43, {1, 3, 0, 4, 0}, "get image next x 3 y 4 finished"},
        {true, 0x5E, {0x04}, "abort evaluation"},
        {true, 0xC0, {0x80}, "button control disable"},
        {true, 0x99, {}, "unknown command 0x99"},
        {false, 0x53, {0x00, 0x00, 0x00, 0x05, 0x00, 0x18, 0x00}, "data read 0x50000 24 bytes flags 0x00"},
        {false, 0x59, {9, 5, 14, 7, 3, 19}, "date time 2019-03-07 14:05:09"},
        {false, 0x47, {0x1D, 0x00}, "reader error 0x1D info 0x00"},
        {false,
         0xA5,
         {0x39, 0x30, 0, 0, 1, 0, 2, 0, 0x13, 0x21, 7, 0},
         "serial 12345 customer 1 project 2 week 33 year 19 sub 7"},
        {false, 0x41, {}, "unknown response 0x41"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.meaning);
        tByteBuffer frame = UnescapeFrame(EncodeFrame(c.code, c.payload));
        EXPECT_EQ(c.command ? DescribeCommandFrame(frame.data(), frame.size())
                            : DescribeResponseFrame(frame.data(), frame.size()),
                  c.meaning);
    }
    // Short frames read missing fields as 0.
    const std::uint8_t shortRead[] = {0x20, 0x52, 0x00, 0x01};
    EXPECT_EQ(DescribeCommandFrame(shortRead, sizeof shortRead), "read data 0x1 0");
    EXPECT_EQ(DescribeResponseFrame(shortRead, 1), "no frame");
    EXPECT_EQ(FormatTraceLine(true, {0xFE, 0x20, 0xAA, 0x8A}, "get acknowledge"),
              "TX FE 20 AA 8A  get acknowledge");
}

} // namespace
