#include "VexoCommand.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "Tools.h"

namespace {

// Data bytes that fit into one write frame: 16383 bytes after the start byte, less the space
// byte, the code, the 7-byte header and the checksum.
constexpr std::int64_t cMaxWriteData = cFrameBufferSize - 1 - 10;

std::string QuotedText(const tByteBuffer& bytes) {
    std::string text = "text \"";
    for (std::uint8_t b : bytes) {
        if (b == '\r')
            text += "\\r";
        else if (b == '\n')
            text += "\\n";
        else if (b == '"' || b == '\\')
            text += {'\\', static_cast<char>(b)};
        else if (b >= 0x20 && b < 0x7F)
            text += static_cast<char>(b);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            text += hex;
        }
    }
    return text + "\"";
}

} // namespace

tVexoCommand::tVexoCommand(tByteSink* communication) : com(communication) {
    resetCommandBuffer();
}

// ---- receiving ----

void tVexoCommand::resetCommandBuffer() {
    cmd.waitForXCount = 3;
    cmd.count = 0;
    cmd.valid = false;
    cmd.crc = 0;
    cmd.couldBeACommand = false;
    cmd.buffer.resize(cFrameBufferSize);
}

bool tVexoCommand::handleByte(std::uint8_t b) {
    if (b == cFrameStart) {
        if (!cmd.couldBeACommand) {
            cmd.couldBeACommand = true;
            return true;
        }
        // The second half of a doubled FE.
        cmd.couldBeACommand = false;
        return storeByte(b);
    }
    if (cmd.couldBeACommand) {
        // The held FE was a start byte: whatever frame was open is abandoned.
        resetCommandBuffer();
        cmd.valid = true;
    }
    return storeByte(b);
}

bool tVexoCommand::storeByte(std::uint8_t b) {
    if (!cmd.valid) return false;
    if (cmd.count >= cFrameBufferSize) {
        cmd.valid = false;
        return false;
    }
    cmd.buffer[static_cast<std::size_t>(cmd.count)] = b;
    ++cmd.count;
    cmd.crc ^= b;
    if (cmd.count < cmd.waitForXCount) return true;
    return decodeCommand();
}

bool tVexoCommand::checkCRC() {
    if (cmd.crc == 0) return true;
    traceReceived("dropped, bad checksum: ");
    resetCommandBuffer();
    return false;
}

bool tVexoCommand::waitForCount(std::int32_t n, bool check) {
    if (cmd.count < n + 3) {
        cmd.waitForXCount = n + 3;
        return false;
    }
    return check ? checkCRC() : true;
}

// Reads beyond the buffer give 0, as for every cursor read.
std::uint8_t tVexoCommand::fetchByte(std::uint32_t& cursor) const {
    return BufReadByte(cmd.buffer, cursor);
}
std::uint16_t tVexoCommand::fetchWord(std::uint32_t& cursor) const {
    return BufReadWord(cmd.buffer, cursor);
}
std::uint32_t tVexoCommand::fetchDWord(std::uint32_t& cursor) const {
    return BufReadDWord(cmd.buffer, cursor);
}

tByteBuffer tVexoCommand::fetchData(std::uint32_t& cursor, std::uint32_t d) const {
    // The length test has made sure the block is stored; the clamp only guards the buffer.
    std::size_t from = std::min<std::size_t>(cursor, cmd.buffer.size());
    std::size_t to = std::min<std::size_t>(from + d, cmd.buffer.size());
    cursor += d;
    return tByteBuffer(cmd.buffer.begin() + static_cast<std::ptrdiff_t>(from),
                       cmd.buffer.begin() + static_cast<std::ptrdiff_t>(to));
}

void tVexoCommand::traceReceived(const char* note) {
    if (!onTrace) return;
    auto size = static_cast<std::size_t>(cmd.count);
    std::string meaning = note ? note : "";
    meaning += DescribeResponseFrame(cmd.buffer.data(), size);
    onTrace(*this, tdReceived, EscapeFrame(cmd.buffer.data(), size), meaning);
}

bool tVexoCommand::decodeCommand() {
    std::uint32_t cursor = 0;
    if (fetchByte(cursor) != cFrameSpace) {
        traceReceived("dropped: ");
        resetCommandBuffer();
        return false;
    }
    const std::uint8_t code = fetchByte(cursor);
    switch (code) {
    case rspShowTimer: {
        if (!waitForCount(2, true)) return true;
        std::uint16_t seconds = fetchWord(cursor);
        traceReceived(nullptr);
        if (onShowTimer) onShowTimer(*this, seconds);
        return true;
    }
    case rspPlaceWhiteCard:
    case rspPlaceTestCard:
    case rspEvaluationRun: {
        if (!checkCRC()) return true;
        traceReceived(nullptr);
        const tSimpleEvent& event = code == rspPlaceWhiteCard  ? onPlaceWhiteCard
                                    : code == rspPlaceTestCard ? onPlaceTestCard
                                                               : onEvaluationRun;
        if (event) event(*this);
        return true;
    }
    case rspImageTransferStart: {
        if (!waitForCount(4, true)) return true;
        std::uint16_t width = fetchWord(cursor);
        std::uint16_t height = fetchWord(cursor);
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onImageTransferStart) onImageTransferStart(*this, width, height);
        return true;
    }
    case rspImageData: {
        if (!waitForCount(7, false)) return true;
        auto colorMode = static_cast<eColorMode>(fetchByte(cursor));
        std::int32_t x = fetchWord(cursor);
        std::int32_t y = fetchWord(cursor);
        std::uint32_t d = fetchWord(cursor);
        if (d == 0) d = 0x10000; // never fits: the frame runs into the full buffer
        if (!waitForCount(static_cast<std::int32_t>(7 + d), true)) return true;
        tByteBuffer data = fetchData(cursor, d);
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onImageData) onImageData(*this, colorMode, x, y, data);
        return true;
    }
    case rspCommunicationError: {
        if (!waitForCount(1, true)) return true;
        auto errorCode = static_cast<eComError>(fetchByte(cursor));
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onCommunicationError) onCommunicationError(*this, errorCode);
        return true;
    }
    case rspVexoError: {
        if (!waitForCount(2, true)) return true;
        auto errorCode = static_cast<eVexoError>(fetchByte(cursor));
        std::uint8_t info = fetchByte(cursor);
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onVexoError) onVexoError(*this, errorCode, info);
        return true;
    }
    case rspDeviceBusy: {
        if (!waitForCount(4, true)) return true;
        std::uint32_t timeStamp = fetchDWord(cursor);
        traceReceived(nullptr);
        if (onDeviceBusy) onDeviceBusy(*this, timeStamp);
        return true;
    }
    case rspWriteSuccess: {
        if (!waitForCount(7, true)) return true;
        std::uint8_t flags = fetchByte(cursor);
        std::uint32_t startAddress = fetchDWord(cursor);
        std::int32_t count = fetchWord(cursor);
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onWriteSuccess) onWriteSuccess(*this, flags, startAddress, count);
        return true;
    }
    case rspDataReaded: {
        if (!waitForCount(7, false)) return true;
        std::uint8_t flags = fetchByte(cursor);
        std::uint32_t startAddress = fetchDWord(cursor);
        std::uint32_t d = fetchWord(cursor);
        if (d == 0) d = 0x10000; // never fits: the frame runs into the full buffer
        if (!waitForCount(static_cast<std::int32_t>(7 + d), true)) return true;
        tByteBuffer data = fetchData(cursor, d);
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onDataReaded) onDataReaded(*this, flags, startAddress, data);
        return true;
    }
    case rspAcknowledge: {
        if (!checkCRC()) return true;
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onAcknowledge) onAcknowledge(*this);
        return true;
    }
    case rspRFIDStatus: {
        if (!waitForCount(5, false)) return true;
        auto errorCode = static_cast<eVexoError>(fetchByte(cursor));
        std::uint8_t tagType = fetchByte(cursor);
        std::int32_t userDataSize = fetchWord(cursor);
        std::uint32_t d = fetchByte(cursor);
        if (!waitForCount(static_cast<std::int32_t>(5 + d), true)) return true;
        tByteBuffer data = fetchData(cursor, d);
        traceReceived(nullptr);
        if (onRFIDStatus) onRFIDStatus(*this, errorCode, tagType, userDataSize, data);
        return true;
    }
    case rspDateTime: {
        if (!waitForCount(6, true)) return true;
        TDateData date;
        date.Seconds = fetchByte(cursor);
        date.Minutes = fetchByte(cursor);
        date.Hour = fetchByte(cursor);
        date.MonthDay = fetchByte(cursor);
        date.Month = fetchByte(cursor);
        date.Year = fetchByte(cursor);
        bool valid = IsValidDateData(date);
        TDateTime dateTime = valid ? DateDataToDateTime(date) : TDateTime{};
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onDateTime) onDateTime(*this, dateTime, valid);
        return true;
    }
    case rspFirmwareVersion: {
        if (!waitForCount(9, true)) return true;
        tFirmwareVersion firmware;
        firmware.main = fetchByte(cursor);
        firmware.sub = fetchByte(cursor);
        firmware.revision = fetchWord(cursor);
        firmware.variant = static_cast<char16_t>(fetchByte(cursor));
        firmware.branch = fetchByte(cursor);
        firmware.branchRevision = fetchWord(cursor);
        firmware.suffix = static_cast<char16_t>(fetchByte(cursor));
        traceReceived(nullptr);
        resetCommandBuffer();
        if (onFirmwareVersion) onFirmwareVersion(*this, firmware);
        return true;
    }
    case rspSerial: {
        if (!waitForCount(12, true)) return true;
        tSerial serial;
        serial.zr4Serial = fetchDWord(cursor);
        serial.customer = fetchWord(cursor);
        serial.project = fetchWord(cursor);
        serial.productionDate.ProductionDate = fetchWord(cursor);
        serial.subSerial = fetchWord(cursor);
        traceReceived(nullptr);
        if (onSerial) onSerial(*this, serial);
        return true;
    }
    case rspStateUpdate: {
        if (!waitForCount(2, true)) return true;
        std::uint16_t state = fetchWord(cursor);
        traceReceived(nullptr);
        if (onStateUpdate) onStateUpdate(*this, state);
        return true;
    }
    default:
        // The frame stays open: every further byte reports the code again.
        traceReceived(nullptr);
        if (onUnknownCommand) onUnknownCommand(*this, code);
        return false;
    }
}

// ---- sending ----

bool tVexoCommand::tTraceSink::SendByte(std::uint8_t B) {
    frame.push_back(B);
    return target ? target->SendByte(B) : false;
}

bool tVexoCommand::tTraceSink::SendBuffer() {
    return target ? target->SendBuffer() : false;
}

void tVexoCommand::sendHeader(std::uint8_t code) {
    fTracing = onTrace && com;
    if (fTracing) {
        fTraceSink.target = com;
        fTraceSink.frame.clear();
    }
    FrameSendHeader(txBuffer, sink(), code);
}

void tVexoCommand::sendCmdByte(std::uint8_t b) {
    FrameSendByte(txBuffer, sink(), b);
}
void tVexoCommand::sendCmdWord(std::uint16_t w) {
    FrameSendWord(txBuffer, sink(), w);
}
void tVexoCommand::sendCmdDWord(std::uint32_t d) {
    FrameSendDWord(txBuffer, sink(), d);
}

void tVexoCommand::sendCRC() {
    FrameSendCRC(txBuffer, sink());
    if (!fTracing) return;
    fTracing = false;
    tByteBuffer wire = std::move(fTraceSink.frame);
    fTraceSink.frame.clear();
    if (!onTrace) return;
    tByteBuffer frame = UnescapeFrame(wire);
    onTrace(*this, tdSent, wire, DescribeCommandFrame(frame.data(), frame.size()));
}

void tVexoCommand::getAcknowledge() {
    sendHeader(cmdGetAcknowledge);
    sendCRC();
}

void tVexoCommand::getFirmwareVersion() {
    sendHeader(cmdGetFirmwareVersion);
    sendCRC();
}

void tVexoCommand::getSerial() {
    sendHeader(cmdGetSerial);
    sendCRC();
}

void tVexoCommand::getDateTime() {
    sendHeader(cmdGetDateTime);
    sendCRC();
}

void tVexoCommand::setDateTime(TDateTime dateTime) {
    TDateTimeFields f = DecodeDateTime(dateTime);
    sendHeader(cmdSetDateTime);
    sendCmdByte(static_cast<std::uint8_t>(f.Second));
    sendCmdByte(static_cast<std::uint8_t>(f.Minute));
    sendCmdByte(static_cast<std::uint8_t>(f.Hour));
    sendCmdByte(static_cast<std::uint8_t>(f.Day));
    sendCmdByte(static_cast<std::uint8_t>(f.Month));
    sendCmdByte(static_cast<std::uint8_t>(f.Year - 2000)); // modulo 256
    sendCRC();
}

void tVexoCommand::readData(std::uint32_t address, std::int32_t count) {
    sendHeader(cmdReadData);
    sendCmdByte(0x00);
    sendCmdDWord(address);
    sendCmdWord(count < 1 ? 0 : static_cast<std::uint16_t>(count));
    sendCRC();
}

void tVexoCommand::writeData(std::uint32_t address, const tByteBuffer& buffer, bool update, bool reset,
                             std::uint32_t offset, std::int32_t count, bool savePermanent) {
    // Checked before the first byte goes out, so a bad call leaves no half frame queued.
    if (offset > buffer.size())
        throw std::out_of_range("writeData: offset " + std::to_string(offset) +
                                " lies beyond the end of the " + std::to_string(buffer.size()) +
                                "-byte buffer");
    std::int64_t available = static_cast<std::int64_t>(buffer.size() - offset);
    std::int64_t n = count < 0 ? available : count;
    if (n > available)
        throw std::out_of_range("writeData: " + std::to_string(n) + " bytes from offset " +
                                std::to_string(offset) + " run past the end of the " +
                                std::to_string(buffer.size()) + "-byte buffer");
    if (n > cMaxWriteData) throw eCommandBufferOverflow();

    std::uint8_t flags = (update ? 0x01 : 0) | (reset ? 0x02 : 0) | (savePermanent ? 0x10 : 0);
    sendHeader(cmdWriteData);
    sendCmdByte(flags);
    sendCmdDWord(address);
    sendCmdWord(static_cast<std::uint16_t>(n & 0xFFFF));
    for (std::int64_t i = 0; i < n; ++i) sendCmdByte(buffer[offset + static_cast<std::size_t>(i)]);
    sendCRC();
}

void tVexoCommand::getRFIDState() {
    sendHeader(cmdGetRFIDState);
    sendCRC();
}

void tVexoCommand::getImage(std::uint16_t height, bool Cutted, bool Full16bit) {
    sendHeader(cmdGetImage);
    sendCmdByte(static_cast<std::uint8_t>(2 + (Cutted ? 1 : 0) + (Full16bit ? 2 : 0)));
    sendCmdWord(0);
    sendCmdWord(height);
    sendCRC();
}

void tVexoCommand::getImageNext(std::uint16_t x, std::uint16_t y, bool finished) {
    sendHeader(cmdGetImage);
    sendCmdByte(finished ? 1 : 0);
    sendCmdWord(x);
    sendCmdWord(y);
    sendCRC();
}

void tVexoCommand::capture(std::uint16_t integrationTime, std::uint8_t imgCount, bool correctWhite,
                           bool filtered, bool full16Bit, bool cutted, bool gain) {
    std::uint8_t flags = (correctWhite ? 0x01 : 0) | (filtered ? 0x02 : 0) | (full16Bit ? 0x04 : 0) |
                         (cutted ? 0x08 : 0) | (gain ? 0x10 : 0);
    sendHeader(cmdCapture);
    sendCmdByte(flags);
    sendCmdWord(integrationTime);
    sendCmdByte(imgCount);
    sendCRC();
}

void tVexoCommand::evaluate(bool FromRFID, bool Timer) {
    sendHeader(cmdEvaluate);
    sendCmdByte(static_cast<std::uint8_t>((FromRFID ? 0x01 : 0) | (Timer ? 0x02 : 0)));
    sendCRC();
}

void tVexoCommand::abortEvaluation() {
    sendHeader(cmdEvaluate);
    sendCmdByte(0x04);
    sendCRC();
}

void tVexoCommand::FormatDB(bool VexoConfigs) {
    sendHeader(cmdFormatDB);
    sendCmdByte(VexoConfigs ? 1 : 0);
    sendCRC();
}

void tVexoCommand::setButtonControl(bool disable) {
    sendHeader(cmdButtonControl);
    sendCmdByte(disable ? 0x80 : 0x00);
    sendCRC();
}

void tVexoCommand::resetVexo() {
    sendHeader(cmdResetVexo);
    sendCRC();
}

void tVexoCommand::runBootloader() {
    sendHeader(cmdRunBootloader);
    sendCRC();
}

void tVexoCommand::sendToLCD(const std::string& str) {
    tByteBuffer text = Utf16LowBytes(str);
    text.push_back(0);
    writeData(0x10000, text, true, true, 0, -1, false);
}

void tVexoCommand::sendString(const std::string& Str) {
    tByteBuffer bytes = Utf16LowBytes(Str);
    if (!com) return;
    for (std::uint8_t b : bytes) com->SendByte(b);
    com->SendBuffer();
    if (onTrace) onTrace(*this, tdSent, bytes, QuotedText(bytes));
}

// ---- reader dates ----

std::uint32_t tVexoCommand::toReaderDate(TDateTime date) {
    TDateTimeFields f = DecodeDateTime(date);
    return (static_cast<std::uint32_t>(f.Day) << 24) | (static_cast<std::uint32_t>(f.Month) << 16) |
           (static_cast<std::uint32_t>(f.Year) & 0xFFFF);
}

TDateTime tVexoCommand::fromReaderDate(std::uint32_t readerDate) {
    int year = static_cast<int>(readerDate & 0xFFFF);
    int month = static_cast<int>((readerDate >> 16) & 0xFF);
    int day = static_cast<int>(readerDate >> 24);
    // Years outside 1..9999 are no calendar dates either, as for every date conversion.
    if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month))
        throw std::invalid_argument("Not a valid date: year " + std::to_string(year) + ", month " +
                                    std::to_string(month) + ", day " + std::to_string(day));
    return EncodeDateTime(year, month, day);
}
