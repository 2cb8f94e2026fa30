#pragma once
// The frame layout of the reader protocol, as pure functions: the program's protocol object
// sends with them, and the simulated reader parses commands and builds its replies with them.
//
// On the wire: FE, 20, code, payload, checksum. Every byte after the start byte that is FE
// goes out twice. The checksum is the XOR of 20, the code and the payload, each byte once.
#include "ByteSink.h"
#include "ExtTypes.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

constexpr std::uint8_t cFrameStart = 0xFE;
constexpr std::uint8_t cFrameSpace = 0x20;
// Receive buffer size; a sent frame holds at most this many bytes counting the start byte.
constexpr std::int32_t cFrameBufferSize = 0x4000;

// Command codes (program to reader).
constexpr std::uint8_t cmdGetAcknowledge = 0xAA;
constexpr std::uint8_t cmdGetFirmwareVersion = 0xA2;
constexpr std::uint8_t cmdGetSerial = 0xA4;
constexpr std::uint8_t cmdGetDateTime = 0x5A;
constexpr std::uint8_t cmdSetDateTime = 0x58;
constexpr std::uint8_t cmdReadData = 0x52;
constexpr std::uint8_t cmdWriteData = 0x50;
constexpr std::uint8_t cmdGetRFIDState = 0x56;
constexpr std::uint8_t cmdGetImage = 0x43; // also the next-block request
constexpr std::uint8_t cmdCapture = 0x5C;
constexpr std::uint8_t cmdEvaluate = 0x5E; // also abort
constexpr std::uint8_t cmdFormatDB = 0x5F;
constexpr std::uint8_t cmdButtonControl = 0xC0;
constexpr std::uint8_t cmdResetVexo = 0xAF;
constexpr std::uint8_t cmdRunBootloader = 0xA1;

// Response codes (reader to program).
constexpr std::uint8_t rspShowTimer = 0x30;
constexpr std::uint8_t rspPlaceWhiteCard = 0x31;
constexpr std::uint8_t rspPlaceTestCard = 0x32;
constexpr std::uint8_t rspEvaluationRun = 0x33;
constexpr std::uint8_t rspImageTransferStart = 0x40;
constexpr std::uint8_t rspImageData = 0x42;
constexpr std::uint8_t rspCommunicationError = 0x45;
constexpr std::uint8_t rspVexoError = 0x47;
constexpr std::uint8_t rspDeviceBusy = 0x49;
constexpr std::uint8_t rspWriteSuccess = 0x51;
constexpr std::uint8_t rspDataReaded = 0x53;
constexpr std::uint8_t rspAcknowledge = 0x55;
constexpr std::uint8_t rspRFIDStatus = 0x57;
constexpr std::uint8_t rspDateTime = 0x59;
constexpr std::uint8_t rspFirmwareVersion = 0xA3;
constexpr std::uint8_t rspSerial = 0xA5;
constexpr std::uint8_t rspStateUpdate = 0xD0;

// Frame assembly state. Receiving uses all of it; sending only count and crc.
struct tCommandBuffer {
    tByteBuffer buffer;
    std::int32_t count = 0;
    std::int32_t waitForXCount = 0;
    bool valid = false;
    std::uint8_t crc = 0;
    bool couldBeACommand = false;
};

// A frame would grow past the transmit limit.
class eCommandBufferOverflow : public std::exception {
public:
    const char* what() const noexcept override { return "Transmitt buffer overflow in tVexoCommand"; }
};

// Sending a frame piece by piece into a sink (null: nothing goes out, counting goes on).
// tx.count counts the start byte and a doubled FE once.
void FrameSendHeader(tCommandBuffer& tx, tByteSink* sink, std::uint8_t code);
// Throws eCommandBufferOverflow, before sending anything, once the frame is full.
void FrameSendByte(tCommandBuffer& tx, tByteSink* sink, std::uint8_t b);
void FrameSendWord(tCommandBuffer& tx, tByteSink* sink, std::uint16_t w);
void FrameSendDWord(tCommandBuffer& tx, tByteSink* sink, std::uint32_t d);
// Sends the checksum, then flushes the sink.
void FrameSendCRC(tCommandBuffer& tx, tByteSink* sink);

// The complete wire bytes of one frame; throws eCommandBufferOverflow for a payload over 16380 bytes.
tByteBuffer EncodeFrame(std::uint8_t code, const tByteBuffer& payload);
// Wire bytes of an unescaped frame (20, code, payload, checksum): start byte added, FE doubled.
tByteBuffer EscapeFrame(const std::uint8_t* frame, std::size_t size);
// The reverse for one complete frame: start byte dropped, FE FE taken once.
tByteBuffer UnescapeFrame(const tByteBuffer& wire);

// Length rules: given the first count unescaped bytes of a frame, the total length the frame
// needs as far as these bytes tell (at least 3), or 0 when it is no frame of that direction
// (first byte not 20, unknown code).
std::size_t CommandFrameLength(const std::uint8_t* frame, std::size_t count);
std::size_t ResponseFrameLength(const std::uint8_t* frame, std::size_t count);

// Collects whole frames from a byte stream: FE and a byte other than FE begin a frame, FE FE
// inside a frame is one FE. A frame that is no frame, overruns the buffer or fails its checksum
// is dropped, and bytes are ignored until the next start byte.
class tFrameAssembler {
public:
    using tLengthRule = std::size_t (*)(const std::uint8_t* frame, std::size_t count);
    explicit tFrameAssembler(tLengthRule rule = CommandFrameLength);

    // True when b completed a good frame; it stays available until the next byte is fed.
    bool feed(std::uint8_t b);
    void reset();

    // The completed frame unescaped: 20, code, payload, checksum.
    const tByteBuffer& frame() const { return fFrame; }
    std::uint8_t code() const { return fFrame.size() > 1 ? fFrame[1] : 0; }
    tByteBuffer payload() const;
    // Frames dropped since construction (bad start, unknown code, checksum, overrun).
    std::uint32_t dropped() const { return fDropped; }

private:
    void store(std::uint8_t b);
    void drop();

    tLengthRule fRule;
    tByteBuffer fFrame;
    bool fCollecting = false;
    bool fComplete = false;
    bool fPendingStart = false;
    std::size_t fNeed = 3;
    std::uint8_t fCrc = 0;
    std::uint32_t fDropped = 0;
};

// Short readable meanings of unescaped frames for the protocol trace, such as
// "read data 0x50000 13" or "data read 0x50000 24 bytes".
std::string DescribeCommandFrame(const std::uint8_t* frame, std::size_t size);
std::string DescribeResponseFrame(const std::uint8_t* frame, std::size_t size);
// One trace line: direction, the bytes in hexadecimal, the meaning.
std::string FormatTraceLine(bool sent, const tByteBuffer& bytes, const std::string& meaning);
