// Writing a test configuration into the reader package by package; the last
// confirmation starts the evaluation.
#include "Main.h"

void TForm_Main::StartWrite(EWriteStep step, const tByteBuffer& content, bool savePermanent) {
    TChangeScope scope(*this);
    WriteVexoDataHelper->Init(step, content, savePermanent);
    if (step != WSpNoWrite) SendNextPackage();
}

bool TForm_Main::SendNextPackage() {
    TDataWrite& w = *WriteVexoDataHelper;
    std::uint32_t address = 0;
    tByteBuffer package;
    if (!w.PreparePackage(address, package)) return true;
    // The reader keeps the data only when the whole of it has arrived.
    Vexo->writeData(address, package, w.Update, w.Reset, 0, static_cast<std::int32_t>(package.size()),
                    w.SizeLeft == 0 && w.SavePermanent);
    return false;
}

void TForm_Main::HandleWriteSuccess(std::uint8_t, std::uint32_t, std::int32_t) {
    TChangeScope scope(*this);
    // A confirmation with no write under way (a repeated one) must not start a second evaluation.
    if (WriteVexoDataHelper->WriteStep == WSpNoWrite) return;
    if (!SendNextPackage() || State.Current != 8) return;
    // The second measurement of a pair runs at once: the card is already in place.
    Vexo->evaluate(false, CombineMeasurements == SecondMeasure ? false : IsTimerMeasure);
}

void TForm_Main::WriteTestConfig(TTestConfig config, std::uint32_t address, bool savePermanent) {
    TChangeScope scope(*this);
    if (config.CartridgeWhiteCleared()) {
        config.CaptureSection.CartridgeImgSize = 256;
        std::fill(config.CartridgeWhite.begin(), config.CartridgeWhite.begin() + 384, 0);
    }
    tByteBuffer form;
    BuildTestConfig(config, form);
    if (address == 0)
        StartWrite(WSpConfig, form, savePermanent);
    else if (address == 0x40000)
        StartWrite(WSpRFID, form, savePermanent);
}
