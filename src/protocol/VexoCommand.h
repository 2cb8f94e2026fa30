#pragma once
// The protocol object: decodes the reader's replies into events and sends its commands.
// It owns no thread and no timer; replies are not paired with requests.
#include "ByteSink.h"
#include "ExtTypes.h"
#include "VexoFrame.h"

#include <cstdint>
#include <functional>
#include <string>

// Codes passed through from the reader as they come; their meaning lives with the error display.
enum eComError : std::uint8_t {};
enum eVexoError : std::uint8_t {};

enum eColorMode : std::uint8_t { icmRGB = 0, icmGRAY_8 = 1, icmGRAY_16 = 2 };

struct tFirmwareVersion {
    std::uint8_t main = 0;
    std::uint8_t sub = 0;
    std::uint16_t revision = 0;
    char16_t variant = 0; // 0: none
    std::uint8_t branch = 0;
    std::uint16_t branchRevision = 0;
    char16_t suffix = 0; // 0: none
    bool operator==(const tFirmwareVersion&) const = default;
};

// Year in the low byte, week in the high byte.
struct tProductionDate {
    std::uint16_t ProductionDate = 0;
    std::uint8_t ProductionYear() const { return static_cast<std::uint8_t>(ProductionDate & 0xFF); }
    std::uint8_t ProductionWeek() const { return static_cast<std::uint8_t>(ProductionDate >> 8); }
    bool operator==(const tProductionDate&) const = default;
};

struct tSerial {
    std::uint16_t customer = 0;
    std::uint16_t project = 0;
    tProductionDate productionDate;
    std::uint16_t subSerial = 0;
    std::uint32_t zr4Serial = 0;
    bool operator==(const tSerial&) const = default;
};

class tVexoCommand;

using tSimpleEvent = std::function<void(tVexoCommand& Sender)>;
using tFirmwareVersionEvent = std::function<void(tVexoCommand& Sender, const tFirmwareVersion& firmware)>;
using tCommunicationError = std::function<void(tVexoCommand& Sender, eComError errorCode)>;
using tVexoErrorEvent = std::function<void(tVexoCommand& Sender, eVexoError errorCode, std::uint8_t info)>;
using tWriteSuccessEvent = std::function<void(tVexoCommand& Sender, std::uint8_t flags,
                                              std::uint32_t startAddress, std::int32_t count)>;
// tmpBuffer is made for the one call: the handler may keep it (move from it).
using tDataReadedEvent = std::function<void(tVexoCommand& Sender, std::uint8_t flags,
                                            std::uint32_t startAddress, tByteBuffer& tmpBuffer)>;
using tRFIDStatusEvent = std::function<void(tVexoCommand& Sender, eVexoError errorCode, std::uint8_t tagType,
                                            std::int32_t userDataSize, tByteBuffer& tmpBuffer)>;
using tUnknownCommandEvent = std::function<void(tVexoCommand& Sender, std::uint8_t command)>;
using tImageTransferStart =
    std::function<void(tVexoCommand& Sender, std::uint16_t width, std::uint16_t height)>;
using tImageDataEvent = std::function<void(tVexoCommand& Sender, eColorMode colorMode, std::int32_t x,
                                           std::int32_t y, tByteBuffer& tmpBuffer)>;
// When valid is False, dateTime means nothing.
using tDateTimeEvent = std::function<void(tVexoCommand& Sender, TDateTime dateTime, bool valid)>;
using tSerialEvent = std::function<void(tVexoCommand& Sender, const tSerial& serial)>;
using tTimeEvent = std::function<void(tVexoCommand& Sender, std::uint32_t timeStamp)>;
using tShowTimerEvent = std::function<void(tVexoCommand& Sender, std::uint16_t Seconds)>;
using tPlaceWhiteCardEvent = tSimpleEvent;
using tPlaceTestCardEvent = tSimpleEvent;
using tEvaluationRunEvent = tSimpleEvent;
using tStateEvent = std::function<void(tVexoCommand& Sender, std::uint16_t State)>;

enum eTraceDirection : std::uint8_t { tdSent, tdReceived };
// frame: the wire bytes (start byte, FE doubled); for a plain-text send the text's bytes.
using tTraceEvent = std::function<void(tVexoCommand& Sender, eTraceDirection direction,
                                       const tByteBuffer& frame, const std::string& meaning)>;

class tVexoCommand {
public:
    // communication may be null: then nothing is sent.
    explicit tVexoCommand(tByteSink* communication);
    tVexoCommand(const tVexoCommand&) = delete;
    tVexoCommand& operator=(const tVexoCommand&) = delete;

    // Feeds one received byte; True when it was held as a possible start byte, stored into an
    // open frame, or led to the examination of a frame with a known response code.
    bool handleByte(std::uint8_t b);

    // Commands; each queues one whole frame and flushes. Replies come back as events.
    void getAcknowledge();
    void getFirmwareVersion();
    void getSerial();
    void getDateTime();
    void setDateTime(TDateTime dateTime);
    void readData(std::uint32_t address, std::int32_t count);
    // count < 0: the rest of buffer from offset. Throws std::out_of_range, sending nothing, when
    // the bytes are not in buffer, and eCommandBufferOverflow when they do not fit in one frame.
    void writeData(std::uint32_t address, const tByteBuffer& buffer, bool update, bool reset,
                   std::uint32_t offset, std::int32_t count, bool savePermanent);
    void getRFIDState();
    void getImage(std::uint16_t height, bool Cutted, bool Full16bit);
    void getImageNext(std::uint16_t x, std::uint16_t y, bool finished);
    void capture(std::uint16_t integrationTime, std::uint8_t imgCount, bool correctWhite, bool filtered,
                 bool full16Bit, bool cutted, bool gain);
    void evaluate(bool FromRFID, bool Timer);
    void abortEvaluation();
    void FormatDB(bool VexoConfigs);
    void setButtonControl(bool disable);
    void resetVexo();
    void runBootloader();
    // UTF-8 text; one byte per UTF-16 code unit (its low byte), 0 appended.
    void sendToLCD(const std::string& str);
    // Plain bytes without framing: the low byte of each UTF-16 code unit of Str.
    void sendString(const std::string& Str);

    // Packed reader date: year in bits 0-15, month 16-23, day of month 24-31.
    static std::uint32_t toReaderDate(TDateTime date);
    // Throws std::invalid_argument for a date that does not exist.
    static TDateTime fromReaderDate(std::uint32_t readerDate);

    const tCommandBuffer& receiveState() const { return cmd; }
    const tCommandBuffer& transmitState() const { return txBuffer; }

    tSimpleEvent onAcknowledge;
    tFirmwareVersionEvent onFirmwareVersion;
    tCommunicationError onCommunicationError;
    tVexoErrorEvent onVexoError;
    tWriteSuccessEvent onWriteSuccess;
    tDataReadedEvent onDataReaded;
    tRFIDStatusEvent onRFIDStatus;
    tUnknownCommandEvent onUnknownCommand;
    tImageTransferStart onImageTransferStart;
    tImageDataEvent onImageData;
    tDateTimeEvent onDateTime;
    tSerialEvent onSerial;
    tTimeEvent onDeviceBusy;
    tShowTimerEvent onShowTimer;
    tPlaceWhiteCardEvent onPlaceWhiteCard;
    tPlaceTestCardEvent onPlaceTestCard;
    tEvaluationRunEvent onEvaluationRun;
    tStateEvent onStateUpdate;
    // Every frame sent and every frame received; unset costs nothing.
    tTraceEvent onTrace;

private:
    // Forwards to the link and keeps a copy of the frame for the trace.
    class tTraceSink : public tByteSink {
    public:
        tByteSink* target = nullptr;
        tByteBuffer frame;
        bool SendByte(std::uint8_t B) override;
        bool SendBuffer() override;
    };

    void resetCommandBuffer();
    bool storeByte(std::uint8_t b);
    bool decodeCommand();
    bool checkCRC();
    bool waitForCount(std::int32_t n, bool check);
    std::uint8_t fetchByte(std::uint32_t& cursor) const;
    std::uint16_t fetchWord(std::uint32_t& cursor) const;
    std::uint32_t fetchDWord(std::uint32_t& cursor) const;
    tByteBuffer fetchData(std::uint32_t& cursor, std::uint32_t d) const;
    void traceReceived(const char* note);

    tByteSink* sink() { return fTracing ? &fTraceSink : com; }
    void sendHeader(std::uint8_t code);
    void sendCmdByte(std::uint8_t b);
    void sendCmdWord(std::uint16_t w);
    void sendCmdDWord(std::uint32_t d);
    void sendCRC();

    tByteSink* com;
    tCommandBuffer cmd;
    tCommandBuffer txBuffer;
    bool fTracing = false;
    tTraceSink fTraceSink;
};
