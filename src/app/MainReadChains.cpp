// Reading the reader's memory step by step, block by block, and what a completed step
// leads to; here the identification of a newly connected reader.
#include "Main.h"

void TForm_Main::StartReadStep(EReadStep step) {
    TChangeScope scope(*this);
    TDataRead& r = *ReadVexoDataHelper;
    r.InitializeReading(step, *EEPROMMap);
    ProgressBar.Max = r.SizeLeft;
    ProgressBar.Position = 0;
    ProgressBar.Visible = true;
    if (step != SpNoRead) RequestNextBlock();
}

void TForm_Main::RequestNextBlock() {
    TDataRead& r = *ReadVexoDataHelper;
    if (r.ReadStep == SpNoRead) return;
    TChangeScope scope(*this);
    std::uint16_t size = 0;
    std::uint32_t address = 0;
    r.PrepareNextBlock(size, address);
    // The same status again: its time-out covers this one block.
    ShowStatus(State.Current);
    Vexo->readData(address, size);
}

bool TForm_Main::AppendReadBlock(const tByteBuffer& block) {
    TChangeScope scope(*this);
    TDataRead& r = *ReadVexoDataHelper;
    r.Buffer.insert(r.Buffer.end(), block.begin(), block.end());
    ProgressBar.Position += static_cast<std::int32_t>(block.size());
    if (r.SizeLeft != 0) {
        RequestNextBlock();
        return false;
    }
    ProgressBar.Visible = false;
    ProgressBar.Position = 0;
    return true;
}

void TForm_Main::HandleDataRead(std::uint8_t, std::uint32_t, tByteBuffer& tmpBuffer) {
    TChangeScope scope(*this);
    // Replies are not paired with requests: the step in progress and the status say what
    // the bytes are.
    if (!AppendReadBlock(tmpBuffer)) return;
    switch (State.Current) {
    case 5: HandleIdentificationReadStep(); break;
    case 2: HandleDatabaseReadStep(); break;
    case 8: HandleMeasurementReadStep(); break;
    default: break;
    }
}

void TForm_Main::StoreStoragePointers(const tByteBuffer& block, int kind) {
    StoreStoragePointerWords(EEPROMMap->VolatileData, block, kind);
    ReadVexoDataHelper->SetResultStoragePointers(EEPROMMap->EEPROMVersion(), EEPROMMap->VolatileData);
}

void TForm_Main::HandleIdentificationReadStep() {
    TChangeScope scope(*this);
    TDataRead& r = *ReadVexoDataHelper;
    TEEPROMMap& map = *EEPROMMap;
    std::uint32_t cursor = 0;
    switch (r.StartAddress) {
    case AddrEEPROM: {
        tByteBuffer head(r.Buffer.begin(), r.Buffer.begin() + std::min<std::size_t>(r.Buffer.size(), 13));
        map.NonVolatileData.WriteImageBytes(0, head);
        StartReadStep(map.EEPROMVersion() > 4 ? SpVexoConfigBits_0 : SpVexoConfigBits);
        break;
    }
    case AddrCfgBits_0:
        map.NonVolatileData.VexoCfgBits_0.Data = BufReadDWord(r.Buffer, cursor);
        StartReadStep(SpVexoConfigBits);
        break;
    case AddrVolatile: {
        map.VolatileData.VexoCfgBits.Data = BufReadDWord(r.Buffer, cursor);
        const TVexoConfigBits& bits = map.VolatileData.VexoCfgBits;
        if (bits.ClockAvailable()) EnableVexoClock();
        r.SavedDataReadSrc = bits.ExtendedMemory() ? AddrExtendedResultWindow : AddrStorageWindow;
        if (DisableButtonOnConnect && map.EEPROMVersion() > 4) {
            // Identification ends with the reader's acknowledgement of the lock.
            Vexo->setButtonControl(true);
        } else {
            EnableDeviceButtons(true, true);
            ShowStatus(0);
        }
        break;
    }
    default: break;
    }
}

// The measurement's steps and the write confirmations are with the measurement run; the
// database read's steps are with the database work.
