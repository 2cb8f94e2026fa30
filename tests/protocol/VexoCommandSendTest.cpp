#include "RecordingSink.h"
#include "VexoCommand.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct tSendCase {
    const char* name;
    std::function<void(tVexoCommand&)> send;
    tByteBuffer wire;
};

class CommandSend : public ::testing::Test {
protected:
    tRecordingSink sink;
    tVexoCommand vexo{&sink};
};

TEST_F(CommandSend, EveryCommandFrameByteForByte) {
    const std::vector<tSendCase> cases = {
        {"getAcknowledge", [](tVexoCommand& v) { v.getAcknowledge(); }, {0xFE, 0x20, 0xAA, 0x8A}},
        {"getFirmwareVersion", [](tVexoCommand& v) { v.getFirmwareVersion(); }, {0xFE, 0x20, 0xA2, 0x82}},
        {"getSerial", [](tVexoCommand& v) { v.getSerial(); }, {0xFE, 0x20, 0xA4, 0x84}},
        {"getDateTime", [](tVexoCommand& v) { v.getDateTime(); }, {0xFE, 0x20, 0x5A, 0x7A}},
        {"setDateTime",
         [](tVexoCommand& v) { v.setDateTime(EncodeDateTime(2019, 3, 7, 14, 5, 9, 750)); },
         {0xFE, 0x20, 0x58, 0x09, 0x05, 0x0E, 0x07, 0x03, 0x13, 0x6D}},
        {"setDateTime year modulo 256",
         [](tVexoCommand& v) { v.setDateTime(EncodeDateTime(2300, 12, 31, 23, 59, 58)); },
         {0xFE, 0x20, 0x58, 0x3A, 0x3B, 0x17, 0x1F, 0x0C, 0x2C, 0x51}},
        {"readData worked example",
         [](tVexoCommand& v) { v.readData(0x50000, 13); },
         {0xFE, 0x20, 0x52, 0x00, 0x00, 0x00, 0x05, 0x00, 0x0D, 0x00, 0x7A}},
        {"readData 768",
         [](tVexoCommand& v) { v.readData(0x20000, 768); },
         {0xFE, 0x20, 0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x03, 0x73}},
        {"readData count 0",
         [](tVexoCommand& v) { v.readData(0x12345678, 0); },
         {0xFE, 0x20, 0x52, 0x00, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x7A}},
        {"readData negative count",
         [](tVexoCommand& v) { v.readData(0x30000, -5); },
         {0xFE, 0x20, 0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x71}},
        {"parameter FE doubled, checksum once",
         [](tVexoCommand& v) { v.readData(0xFE, 0xFE); },
         {0xFE, 0x20, 0x52, 0x00, 0xFE, 0xFE, 0x00, 0x00, 0x00, 0xFE, 0xFE, 0x00, 0x72}},
        {"checksum FE doubled",
         [](tVexoCommand& v) { v.readData(0x8C, 0); },
         {0xFE, 0x20, 0x52, 0x00, 0x8C, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFE, 0xFE}},
        {"writeData",
         [](tVexoCommand& v) {
             v.writeData(0x10000, {1, 2, 0xFE}, true, false, 0, 3, true);
         },
         {0xFE, 0x20, 0x50, 0x11, 0x00, 0x00, 0x01, 0x00, 0x03, 0x00, 0x01, 0x02, 0xFE, 0xFE, 0x9E}},
        {"writeData reset flag, count 0",
         [](tVexoCommand& v) {
             v.writeData(0x40000, {9, 9}, false, true, 1, 0, false);
         },
         {0xFE, 0x20, 0x50, 0x02, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x76}},
        {"getRFIDState", [](tVexoCommand& v) { v.getRFIDState(); }, {0xFE, 0x20, 0x56, 0x76}},
        {"getImage mode 2",
         [](tVexoCommand& v) { v.getImage(120, false, false); },
         {0xFE, 0x20, 0x43, 0x02, 0x00, 0x00, 0x78, 0x00, 0x19}},
        {"getImage mode 3",
         [](tVexoCommand& v) { v.getImage(120, true, false); },
         {0xFE, 0x20, 0x43, 0x03, 0x00, 0x00, 0x78, 0x00, 0x18}},
        {"getImage mode 4",
         [](tVexoCommand& v) { v.getImage(120, false, true); },
         {0xFE, 0x20, 0x43, 0x04, 0x00, 0x00, 0x78, 0x00, 0x1F}},
        {"getImage mode 5",
         [](tVexoCommand& v) { v.getImage(120, true, true); },
         {0xFE, 0x20, 0x43, 0x05, 0x00, 0x00, 0x78, 0x00, 0x1E}},
        {"getImageNext",
         [](tVexoCommand& v) { v.getImageNext(256, 1, false); },
         {0xFE, 0x20, 0x43, 0x00, 0x00, 0x01, 0x01, 0x00, 0x63}},
        {"getImageNext finished",
         [](tVexoCommand& v) { v.getImageNext(0, 0, true); },
         {0xFE, 0x20, 0x43, 0x01, 0x00, 0x00, 0x00, 0x00, 0x62}},
        {"capture every flag",
         [](tVexoCommand& v) { v.capture(1000, 3, true, true, true, true, true); },
         {0xFE, 0x20, 0x5C, 0x1F, 0xE8, 0x03, 0x03, 0x8B}},
        {"capture white and cutted",
         [](tVexoCommand& v) { v.capture(0x1234, 1, true, false, false, true, false); },
         {0xFE, 0x20, 0x5C, 0x09, 0x34, 0x12, 0x01, 0x52}},
        {"evaluate", [](tVexoCommand& v) { v.evaluate(false, false); }, {0xFE, 0x20, 0x5E, 0x00, 0x7E}},
        {"evaluate from RFID",
         [](tVexoCommand& v) { v.evaluate(true, false); },
         {0xFE, 0x20, 0x5E, 0x01, 0x7F}},
        {"evaluate timer", [](tVexoCommand& v) { v.evaluate(false, true); }, {0xFE, 0x20, 0x5E, 0x02, 0x7C}},
        {"evaluate both", [](tVexoCommand& v) { v.evaluate(true, true); }, {0xFE, 0x20, 0x5E, 0x03, 0x7D}},
        {"abortEvaluation", [](tVexoCommand& v) { v.abortEvaluation(); }, {0xFE, 0x20, 0x5E, 0x04, 0x7A}},
        {"FormatDB", [](tVexoCommand& v) { v.FormatDB(false); }, {0xFE, 0x20, 0x5F, 0x00, 0x7F}},
        {"FormatDB with configs", [](tVexoCommand& v) { v.FormatDB(true); }, {0xFE, 0x20, 0x5F, 0x01, 0x7E}},
        {"setButtonControl enable",
         [](tVexoCommand& v) { v.setButtonControl(false); },
         {0xFE, 0x20, 0xC0, 0x00, 0xE0}},
        {"setButtonControl disable",
         [](tVexoCommand& v) { v.setButtonControl(true); },
         {0xFE, 0x20, 0xC0, 0x80, 0x60}},
        {"resetVexo", [](tVexoCommand& v) { v.resetVexo(); }, {0xFE, 0x20, 0xAF, 0x8F}},
        {"runBootloader", [](tVexoCommand& v) { v.runBootloader(); }, {0xFE, 0x20, 0xA1, 0x81}},
        {"sendToLCD",
         [](tVexoCommand& v) { v.sendToLCD("Hi"); },
         {0xFE, 0x20, 0x50, 0x03, 0x00, 0x00, 0x01, 0x00, 0x03, 0x00, 0x48, 0x69, 0x00, 0x50}},
        // "é" is U+00E9 and "€" U+20AC: one code unit each, its low byte.
        {"sendToLCD low bytes of UTF-16",
         [](tVexoCommand& v) { v.sendToLCD("\xC3\xA9\xE2\x82\xAC"); },
         {0xFE, 0x20, 0x50, 0x03, 0x00, 0x00, 0x01, 0x00, 0x03, 0x00, 0xE9, 0xAC, 0x00, 0x34}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink.clear();
        c.send(vexo);
        EXPECT_EQ(sink.bytes, c.wire);
        // One flush, after the whole frame.
        EXPECT_EQ(sink.flushes, std::vector<std::size_t>{c.wire.size()});
        // The transmit count takes a doubled FE once.
        tByteBuffer frame = UnescapeFrame(c.wire);
        EXPECT_EQ(vexo.transmitState().count, static_cast<std::int32_t>(frame.size() + 1));
        EXPECT_EQ(vexo.transmitState().crc, 0);
    }
}

TEST_F(CommandSend, WriteDataCountAndOffset) {
    tByteBuffer buffer(100);
    for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(i);
    struct {
        std::uint32_t offset;
        std::int32_t count;
        std::size_t first, sent;
    } cases[] = {
        {10, -1, 10, 90}, // the rest of the buffer
        {0, -1, 0, 100},  {100, -1, 0, 0}, {5, 7, 5, 7}, {99, 1, 99, 1}, {30, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "offset " << c.offset << " count " << c.count);
        sink.clear();
        vexo.writeData(0x00000, buffer, false, false, c.offset, c.count, false);
        tByteBuffer payload(sink.bytes.begin() + 3, sink.bytes.end() - 1);
        ASSERT_EQ(payload.size(), 7 + c.sent);
        EXPECT_EQ(payload[5] | (payload[6] << 8), static_cast<int>(c.sent));
        EXPECT_EQ(tByteBuffer(payload.begin() + 7, payload.end()),
                  tByteBuffer(buffer.begin() + c.first, buffer.begin() + c.first + c.sent));
    }
}

TEST_F(CommandSend, WriteDataRefusesBytesOutsideTheBufferAndSendsNothing) {
    tByteBuffer buffer(100);
    struct {
        std::uint32_t offset;
        std::int32_t count;
    } cases[] = {{101, -1}, {101, 0}, {0xFFFFFFFF, 1}, {90, 11}, {0, 101}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "offset " << c.offset << " count " << c.count);
        EXPECT_THROW(vexo.writeData(0, buffer, true, true, c.offset, c.count, false), std::out_of_range);
    }
    EXPECT_TRUE(sink.bytes.empty());
    EXPECT_TRUE(sink.flushes.empty());
}

TEST_F(CommandSend, WriteDataLimitIsOneFrame) {
    tByteBuffer buffer(16374, 0xFE);
    vexo.writeData(0x30000, buffer, true, false, 0, 16373, false);
    // Every data byte doubled on the wire, counted once.
    EXPECT_EQ(vexo.transmitState().count, 16384);
    EXPECT_EQ(sink.bytes.size(), 1u + 2 + 7 + 2 * 16373 + 1);
    EXPECT_EQ(sink.bytes[8] | (sink.bytes[9] << 8), 16373);

    sink.clear();
    try {
        vexo.writeData(0x30000, buffer, true, false, 0, -1, false);
        FAIL() << "no overflow";
    } catch (const eCommandBufferOverflow& e) {
        EXPECT_STREQ(e.what(), "Transmitt buffer overflow in tVexoCommand");
    }
    // Refused before the first byte, so the link holds no half frame.
    EXPECT_TRUE(sink.bytes.empty());
    EXPECT_THROW(vexo.sendToLCD(std::string(16373, 'x')), eCommandBufferOverflow);
    EXPECT_TRUE(sink.bytes.empty());
    vexo.getAcknowledge();
    EXPECT_EQ(sink.bytes, (tByteBuffer{0xFE, 0x20, 0xAA, 0x8A}));
}

TEST_F(CommandSend, SendStringIsPlainBytes) {
    vexo.sendString("shutdown\r");
    EXPECT_EQ(sink.bytes, (tByteBuffer{'s', 'h', 'u', 't', 'd', 'o', 'w', 'n', '\r'}));
    EXPECT_EQ(sink.flushes, std::vector<std::size_t>{9});
    sink.clear();
    // U+00FE is sent once, undoubled; U+1F600 is two code units (D83D DE00), a malformed byte one.
    vexo.sendString("a\xC3\xBE"
                    "b\xF0\x9F\x98\x80\xFF");
    EXPECT_EQ(sink.bytes, (tByteBuffer{'a', 0xFE, 'b', 0x3D, 0x00, 0xFD}));
}

TEST(CommandSendNoLink, NullSinkSendsNothingAndStillCounts) {
    tVexoCommand vexo(nullptr);
    bool traced = false;
    vexo.onTrace = [&](tVexoCommand&, eTraceDirection, const tByteBuffer&, const std::string&) {
        traced = true;
    };
    vexo.readData(0xFE, 1);
    vexo.sendString("shutdown\r");
    vexo.sendToLCD("x");
    EXPECT_EQ(vexo.transmitState().count, 1 + 2 + 7 + 2 + 1);
    EXPECT_FALSE(traced);
}

TEST_F(CommandSend, TraceGetsEachFrameWithItsMeaning) {
    std::vector<std::string> lines;
    vexo.onTrace = [&](tVexoCommand& sender, eTraceDirection direction, const tByteBuffer& frame,
                       const std::string& meaning) {
        EXPECT_EQ(&sender, &vexo);
        lines.push_back(FormatTraceLine(direction == tdSent, frame, meaning));
    };
    vexo.readData(0x50000, 13);
    vexo.writeData(0x10000, {0xFE}, true, true, 0, -1, false);
    vexo.abortEvaluation();
    vexo.sendString("shutdown\r");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "TX FE 20 52 00 00 00 05 00 0D 00 7A  read data 0x50000 13",
                         "TX FE 20 50 03 00 00 01 00 01 00 FE FE 8D  write data 0x10000 1 flags 0x03",
                         "TX FE 20 5E 04 7A  abort evaluation",
                         "TX 73 68 75 74 64 6F 77 6E 0D  text \"shutdown\\r\"",
                     }));
    // What the link got is the same as without a trace.
    EXPECT_EQ(sink.bytes.size(), 11u + 13 + 5 + 9);
}

TEST(ReaderDate, PackingAndBack) {
    TDateTime date = EncodeDateTime(2019, 3, 7);
    std::uint32_t packed = tVexoCommand::toReaderDate(date);
    EXPECT_EQ(packed, 0x070307E3u); // bytes E3 07 03 07, lowest first
    EXPECT_EQ(tVexoCommand::fromReaderDate(packed), date);
    // The time of day is not part of it.
    EXPECT_EQ(tVexoCommand::toReaderDate(EncodeDateTime(2024, 2, 29, 23, 59, 59, 999)), 0x1D0207E8u);
    EXPECT_EQ(tVexoCommand::fromReaderDate(0x1D0207E8u), EncodeDateTime(2024, 2, 29));
    EXPECT_EQ(tVexoCommand::fromReaderDate(0x1F0C270Fu), EncodeDateTime(9999, 12, 31));
}

TEST(ReaderDate, ImpossibleDatesAreRefused) {
    for (std::uint32_t packed :
         {0x1D0207E7u /* 2023-02-29 */, 0x000107E3u /* day 0 */, 0x010D07E3u /* month 13 */,
          0x010007E3u /* month 0 */, 0x200107E3u /* day 32 */, 0x01010000u /* year 0 */,
          0x0101FFFFu /* year 65535 */}) {
        SCOPED_TRACE(packed);
        EXPECT_THROW(tVexoCommand::fromReaderDate(packed), std::invalid_argument);
    }
}

} // namespace
