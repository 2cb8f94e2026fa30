#pragma once
// The program's side of a conversation with a simulated reader: the protocol object, the
// EEPROM map and the read steps, over any transport (in process, pty, D2XX).
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ExtTypes.h"
#include "TestResults.h"
#include "VexoCommand.h"
#include "VexoEEPROM15.h"
#include "VexoReadWrite.h"

class tSimClient : public tByteSink {
public:
    using tWrite = std::function<void(const tByteBuffer&)>;
    using tRead = std::function<tByteBuffer()>;
    // step: lets 1 ms pass (simulated or real).
    tSimClient(tWrite write, tRead read, std::function<void()> step);

    bool SendByte(std::uint8_t B) override;
    bool SendBuffer() override;

    // Feeds what has arrived to the protocol object.
    void Pump();
    // Pumps and steps until done() or maxMs have passed; true when done.
    bool RunUntil(const std::function<bool()>& done, std::uint32_t maxMs);
    void RunFor(std::uint32_t ms);

    // Reads a region in blocks of at most 768 bytes, as the read sequencer does; false on an
    // error answer or time-out (LastComError then holds the code, or -1).
    bool ReadArea(std::uint32_t address, std::uint32_t size, tByteBuffer& out);
    bool Identify();
    // Pointers, both areas, and the walk into entries.
    bool ReadDatabase(std::vector<std::unique_ptr<TMeasureSet>>& entries, std::size_t& stored);

    tVexoCommand Vexo;
    TEEPROMMap Map;
    TDataRead Reader;

    // Everything the events said, one line each ("ack", "comerr 42", ...).
    std::vector<std::string> Log;
    int LastComError = -1;
    int LastVexoError = -1;
    tFirmwareVersion Firmware;
    tSerial Serial;
    TDateTime DateTime{};
    bool DateValid = false;
    std::vector<std::uint16_t> ShowTimer;
    std::uint16_t ImageWidth = 0;
    tByteBuffer ImageData;
    int ImageColorMode = -1;
    std::int32_t RFIDSize = -1;
    int RFIDError = -1;
    tByteBuffer RFIDData;
    std::uint32_t WriteCount = 0;

    std::size_t Count(const std::string& line) const;

private:
    tWrite fWrite;
    tRead fRead;
    std::function<void()> fStep;
    tByteBuffer fPending;
    bool fBlockDone = false;
    tByteBuffer fBlock;
};

inline void PrintTo(const TResultSet& r, std::ostream* os) {
    *os << '{' << r.Validity << '|' << r.ResultName << '|' << r.ResultValue << '|' << r.UnitName << '|'
        << r.ClassName << '}';
}
