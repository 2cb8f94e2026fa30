#include "SimClient.h"

#include <algorithm>

tSimClient::tSimClient(tWrite write, tRead read, std::function<void()> step)
    : Vexo(this), fWrite(std::move(write)), fRead(std::move(read)), fStep(std::move(step)) {
    Vexo.onAcknowledge = [this](tVexoCommand&) { Log.push_back("ack"); };
    Vexo.onFirmwareVersion = [this](tVexoCommand&, const tFirmwareVersion& f) {
        Firmware = f;
        Log.push_back("firmware");
    };
    Vexo.onSerial = [this](tVexoCommand&, const tSerial& s) {
        Serial = s;
        Log.push_back("serial");
    };
    Vexo.onCommunicationError = [this](tVexoCommand&, eComError code) {
        LastComError = code;
        fBlockDone = true;
        Log.push_back("comerr " + std::to_string(code));
    };
    Vexo.onVexoError = [this](tVexoCommand&, eVexoError code, std::uint8_t) {
        LastVexoError = code;
        Log.push_back("vexoerr " + std::to_string(code));
    };
    Vexo.onWriteSuccess = [this](tVexoCommand&, std::uint8_t, std::uint32_t, std::int32_t count) {
        WriteCount = static_cast<std::uint32_t>(count);
        Log.push_back("written");
    };
    Vexo.onDataReaded = [this](tVexoCommand&, std::uint8_t, std::uint32_t, tByteBuffer& data) {
        fBlock = std::move(data);
        fBlockDone = true;
        Log.push_back("data");
    };
    Vexo.onRFIDStatus = [this](tVexoCommand&, eVexoError code, std::uint8_t, std::int32_t size,
                               tByteBuffer& data) {
        RFIDError = code;
        RFIDSize = size;
        RFIDData = data;
        Log.push_back("rfid " + std::to_string(code));
    };
    Vexo.onUnknownCommand = [this](tVexoCommand&, std::uint8_t code) {
        Log.push_back("unknown " + std::to_string(code));
    };
    Vexo.onImageTransferStart = [this](tVexoCommand&, std::uint16_t width, std::uint16_t) {
        ImageWidth = width;
        Log.push_back("image start");
    };
    Vexo.onImageData = [this](tVexoCommand&, eColorMode mode, std::int32_t, std::int32_t, tByteBuffer& data) {
        ImageColorMode = mode;
        ImageData = data;
        Log.push_back("image data");
    };
    Vexo.onDateTime = [this](tVexoCommand&, TDateTime t, bool valid) {
        DateTime = t;
        DateValid = valid;
        Log.push_back("datetime");
    };
    Vexo.onDeviceBusy = [this](tVexoCommand&, std::uint32_t) { Log.push_back("busy"); };
    Vexo.onShowTimer = [this](tVexoCommand&, std::uint16_t s) {
        ShowTimer.push_back(s);
        Log.push_back("timer");
    };
    Vexo.onPlaceWhiteCard = [this](tVexoCommand&) { Log.push_back("white"); };
    Vexo.onPlaceTestCard = [this](tVexoCommand&) { Log.push_back("test"); };
    Vexo.onEvaluationRun = [this](tVexoCommand&) { Log.push_back("running"); };
}

bool tSimClient::SendByte(std::uint8_t B) {
    fPending.push_back(B);
    return true;
}

bool tSimClient::SendBuffer() {
    if (fPending.empty()) return false;
    fWrite(fPending);
    fPending.clear();
    return true;
}

void tSimClient::Pump() {
    for (std::uint8_t b : fRead()) Vexo.handleByte(b);
}

bool tSimClient::RunUntil(const std::function<bool()>& done, std::uint32_t maxMs) {
    for (std::uint32_t i = 0; i <= maxMs; ++i) {
        Pump();
        if (done()) return true;
        fStep();
    }
    return false;
}

void tSimClient::RunFor(std::uint32_t ms) {
    RunUntil([] { return false; }, ms);
}

std::size_t tSimClient::Count(const std::string& line) const {
    return static_cast<std::size_t>(std::count(Log.begin(), Log.end(), line));
}

bool tSimClient::ReadArea(std::uint32_t address, std::uint32_t size, tByteBuffer& out) {
    out.clear();
    LastComError = -1;
    std::uint32_t offset = 0;
    do {
        std::uint32_t n = std::min<std::uint32_t>(size - offset, MaxTransferBlock);
        fBlockDone = false;
        Vexo.readData(address + offset, static_cast<std::int32_t>(n));
        if (!RunUntil([this] { return fBlockDone; }, 5000) || LastComError >= 0) return false;
        out.insert(out.end(), fBlock.begin(), fBlock.end());
        offset += n;
    } while (offset < size);
    return true;
}

bool tSimClient::Identify() {
    Vexo.getAcknowledge();
    Vexo.getFirmwareVersion();
    Vexo.getSerial();
    if (!RunUntil([this] { return Count("serial") == 1; }, 5000)) return false;
    tByteBuffer b;
    if (!ReadArea(AddrEEPROM, 13, b)) return false;
    b.resize(EEPROMBlockSize, 0);
    Map.NonVolatileData.FromImage(b);
    if (!ReadArea(AddrCfgBits_0, 4, b)) return false;
    std::uint32_t c = 0;
    Map.NonVolatileData.VexoCfgBits_0.Data = BufReadDWord(b, c);
    if (!ReadArea(AddrVolatile, 4, b)) return false;
    c = 0;
    Map.VolatileData.VexoCfgBits.Data = BufReadDWord(b, c);
    Reader.SavedDataReadSrc =
        Map.VolatileData.VexoCfgBits.ExtendedMemory() ? AddrExtendedResultWindow : AddrStorageWindow;
    return true;
}

bool tSimClient::ReadDatabase(std::vector<std::unique_ptr<TMeasureSet>>& entries, std::size_t& stored) {
    TEEPROMVolatile& v = Map.VolatileData;
    std::uint8_t version = Map.EEPROMVersion();
    tByteBuffer b;
    std::uint32_t c = 0;
    auto words = [&](std::initializer_list<std::uint16_t*> fields) {
        for (std::uint16_t* f : fields) *f = BufReadWord(b, c);
    };
    if (!ReadArea(StoragePtrAbsAddress(version), StoragePtrAbsSize(version), b)) return false;
    if (StoragePtrInOneBlock(version)) {
        words({&v.StoredConfigurationReadPtr, &v.StoredConfigurationWritePtr, &v.StoredTestResultCfgReadPtr,
               &v.StoredTestResultCfgWritePtr, &v.StoredTestResultReadPtr, &v.StoredTestResultWritePtr,
               &v.StoredConfigurationStart, &v.StoredConfigurationStop, &v.StoredTestResultCfgStart,
               &v.StoredTestResultCfgStop, &v.StoredTestResultStart, &v.StoredTestResultStop});
    } else {
        words({&v.StoredConfigurationStart, &v.StoredConfigurationStop, &v.StoredTestResultCfgStart,
               &v.StoredTestResultCfgStop, &v.StoredTestResultStart, &v.StoredTestResultStop});
        if (!ReadArea(StoragePtrRelAddress(version), 14, b)) return false;
        c = 0;
        words({&v.StoredConfigurationReadPtr, &v.StoredConfigurationWritePtr, &v.StoredTestResultCfgReadPtr,
               &v.StoredTestResultCfgWritePtr, &v.StoredTestResultReadPtr, &v.StoredTestResultWritePtr,
               &v.StoredLastTestResult});
    }
    Reader.SetResultStoragePointers(version, v);
    tByteBuffer cfgArea, resultArea;
    Reader.InitializeReading(SpResultCfgData, Map);
    if (!ReadArea(Reader.StartAddress, Reader.SizeLeft, cfgArea)) return false;
    Reader.InitializeReading(SpResultData, Map);
    if (!ReadArea(Reader.StartAddress, Reader.SizeLeft, resultArea)) return false;

    std::vector<TVexoResultData> list;
    TMeasureListAccess access;
    access.JoinDecision = [] { return jdAdd; };
    access.Clear = [&] { entries.clear(); };
    access.IsPresent = [&](const std::string& id) {
        return std::any_of(entries.begin(), entries.end(), [&](const auto& e) { return e->TestID == id; });
    };
    access.Add = [&](std::unique_ptr<TMeasureSet> e) { entries.push_back(std::move(e)); };
    TDefaultTextSource texts;
    TDecodeDatabaseResult r = DecodeDatabase(cfgArea, resultArea, Map, list, access, texts);
    stored = r.StoredResults;
    return true;
}
