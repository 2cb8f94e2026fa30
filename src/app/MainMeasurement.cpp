// A measurement run on the reader: from the click through the configuration, the
// reader's prompts, the result and the line image to a new entry, alone or as a pair.
#include <algorithm>
#include <cstdio>

#include "LanguageTextSource.h"
#include "Main.h"
#include "StatusTable.h"

namespace {

// A prompt shows the reader is alive: the evaluation's wait starts again from it, so a
// timer measurement longer than one time-out is not cut off.
void RestartEvaluationTimeOut(TForm_Main& f) {
    f.StartTimeOut(StatusTimeOut(8, f.FTDIMode(), f.timeOutForGetTime));
}

} // namespace

void TForm_Main::Button_MeasureClick(const void* Sender) {
    TChangeScope scope(*this);
    const bool timer = Sender == &Button_TimerMeasure;
    if (Timer_WaitAfterClock.Enabled()) {
        DelayedUserAction = timer ? actTimerMeasure : actInstantMeasure;
        return;
    }
    if (!CheckDeviceReady(0)) return;
    IsTimerMeasure = timer;
    KeepPendingEntry();
    const ESourceChoice source = ChooseTestSource();
    if (source == scCancelled) return;
    if (ListView_Measurements.ItemIndex >= 0) SelectMeasurement(-1);
    switch (AddDataBehaviour) {
    case AlwaysOverwrite: ClearMeasureList(); break;
    case AlwaysAdd: break;
    default:
        if (!MeasureList.empty()) {
            const std::int32_t answer = ShowMessageBox(Text(LE::AddToCurrentList), "", 3);
            if (answer != mrYes && answer != mrNo) return;
            if (answer == mrNo) ClearMeasureList();
        }
        break;
    }
    if (source == scFile)
        LoadConfigFromFile();
    else
        StartReaderSource();
}

void TForm_Main::KeepPendingEntry() {
    if (CombineMeasurements != SecondMeasure && CombineMeasurements != HandleSingle) return;
    // A pair broken off by an error: its first entry is kept as a single one, before
    // the next measurement builds a new one in its place.
    CombineMeasurements = Combine;
    AddNewMeasurement();
}

void TForm_Main::CB_CombineMeasurementsClick() {
    TChangeScope scope(*this);
    if (State.Current == 8) return;
    KeepPendingEntry();
    CombineMeasurements = CB_CombineMeasurements.Checked ? Combine : SingleOnly;
}

void TForm_Main::HandleRFIDStatus(eVexoError errorCode, std::uint8_t, std::int32_t userDataSize,
                                  tByteBuffer&) {
    TChangeScope scope(*this);
    if (State.Current != 8) return;
    if (errorCode != 0) {
        HandleVexoError(errorCode, 0);
        return;
    }
    if (userDataSize <= 0) {
        // A tag without user data holds no configuration; reading 0 bytes would only
        // bring a communication error.
        ShowErrorMessage(Text(LE::NoTestConfigurationFound), "", 0);
        return;
    }
    ReadVexoDataHelper->RFIDSize = static_cast<std::uint16_t>(std::min<std::int32_t>(userDataSize, 0xFFFF));
    StartReadStep(SpRFID);
}

void TForm_Main::HandleMeasurementReadStep() {
    TChangeScope scope(*this);
    TDataRead& r = *ReadVexoDataHelper;
    switch (r.StartAddress) {
    case 0x00000:
    case 0x40000: {
        auto config = std::make_unique<TTestConfig>();
        const int result = ParseTestConfig(*config, r.Buffer, false);
        if (result != CfgParseOk) {
            const TLangEntry& text = result == CfgParseWrongVersion    ? LE::ConfigWrongVersionNotLoaded
                                     : result == CfgParseChecksumWrong ? LE::ConfigChecksumWrong
                                                                       : LE::NoTestConfigurationFound;
            ShowStatus(0);
            ShowErrorMessage(Text(text), "", 0);
            return;
        }
        if (r.StartAddress == 0x40000) {
            WriteTestConfig(*config, 0, false);
            return;
        }
        if (CombineMeasurements != SecondMeasure) {
            TestConfig = std::move(config);
        } else if (!TestConfig || !config->CompareTo(*TestConfig)) {
            ShowErrorMessage(Text(LE::ConfigsNotIdentical), "", 8);
            AddNewMeasurement();
            CombineMeasurements = HandleSingle;
            TestConfig = std::move(config);
        }
        StartReadStep(SpMeasurementResult);
        return;
    }
    case 0x20000: {
        if (!TestConfig) {
            ShowStatus(0);
            return;
        }
        const bool second = CombineMeasurements == SecondMeasure;
        if (!second) NewMeasureSet = std::make_unique<TMeasureSet>();
        DecodeCurrentResult(r.Buffer);
        // One line, cut to the test area, full 16-bit values.
        if (!second) Vexo->getImage(1, true, true);
        return;
    }
    case 0x30000: ChooseStoredConfig(r.Buffer); return;
    case 0x5009C:
    case 0x500A0:
        StoreStoragePointers(r.Buffer, 1);
        StartReadStep(SpTestConfigs);
        return;
    case 0x500A2:
        StoreStoragePointers(r.Buffer, 0);
        StartReadStep(SpTestConfigs);
        return;
    default: return;
    }
}

void TForm_Main::DecodeCurrentResult(const tByteBuffer& block) {
    TChangeScope scope(*this);
    if (!TestConfig || !NewMeasureSet) return;
    TLanguageTextSource texts(*LanguageFile);
    if (CombineMeasurements != SecondMeasure) {
        FillCurrentMeasureSet(*NewMeasureSet, block, *TestConfig, *EEPROMMap, texts);
        return;
    }
    MergeSecondMeasurement(*NewMeasureSet, block, *TestConfig, *EEPROMMap, texts);
    CombineMeasurements = Combine;
    ShowStatus(0);
    AddNewMeasurement();
}

void TForm_Main::HandleImageTransferStart(std::uint16_t width, std::uint16_t) {
    TChangeScope scope(*this);
    if (State.Current != 8) return;
    // No more values than the entry can hold.
    if (NewMeasureSet) NewMeasureSet->ImageData.assign(std::min<std::size_t>(width, MaxImageValues), 0);
    Vexo->getImageNext(0, 0, false);
}

void TForm_Main::HandleImageData(eColorMode colorMode, std::int32_t, std::int32_t, tByteBuffer& tmpBuffer) {
    TChangeScope scope(*this);
    if (State.Current != 8) return;
    if (NewMeasureSet && colorMode == icmGRAY_16) {
        TMeasureSet& e = *NewMeasureSet;
        const std::size_t width = e.ImageData.size();
        // Never more values than announced: the rest of a longer line is dropped.
        const std::size_t n = std::min(tmpBuffer.size() / 2, width);
        std::vector<std::int32_t> values(n);
        std::uint32_t cursor = 0;
        for (std::size_t k = 0; k < n; ++k) values[k] = BufReadWord(tmpBuffer, cursor);
        // No values still follow the image rule: ImgMin 4095, ImgMax 0.
        e.SetImageValues(values);
        e.ImageData.resize(width, 0);
    }
    Vexo->getImageNext(0, 0, true);
    ShowStatus(0);
    CombinationDecision();
}

void TForm_Main::CombinationDecision() {
    TChangeScope scope(*this);
    switch (CombineMeasurements) {
    case Combine:
        if (TestConfig && TestConfig->ResultCount() <= 5 &&
            ShowMessageBox(Text(LE::CombineQuestion), Text(LE::CombineMeasurementsCaption), 4) == mrYes) {
            CombineMeasurements = SecondMeasure;
            ShowStatus(8);
            WriteTestConfig(*TestConfig, 0, false);
            return;
        }
        AddNewMeasurement();
        return;
    case SecondMeasure:
    case HandleSingle:
        CombineMeasurements = Combine;
        AddNewMeasurement();
        return;
    default: AddNewMeasurement(); return;
    }
}

void TForm_Main::HandleDeviceBusy(std::uint32_t timeStamp) {
    TChangeScope scope(*this);
    if (State.Current != 8) ShowStatus(20);
    StartTimeOut(static_cast<std::int32_t>(std::min<std::uint32_t>(timeStamp, 0x7FFFFFFF - 8500) + 8500));
}

void TForm_Main::HandleShowTimer(std::uint16_t Seconds) {
    TChangeScope scope(*this);
    if (State.Current != 8) return;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%.4u", static_cast<unsigned>(Seconds));
    RestartEvaluationTimeOut(*this);
    ShowEvaluationInfo(Text(LE::EvaluationStartsIn) + digits + ".");
}

void TForm_Main::HandlePlaceWhiteCard() {
    TChangeScope scope(*this);
    if (State.Current != 8) return;
    RestartEvaluationTimeOut(*this);
    ShowEvaluationInfo(Text(LE::PlaceOverWhiteCard));
}

void TForm_Main::HandlePlaceTestCard() {
    TChangeScope scope(*this);
    if (State.Current != 8) return;
    RestartEvaluationTimeOut(*this);
    ShowEvaluationInfo(Text(LE::PlaceOverTestCard));
}

void TForm_Main::HandleEvaluationRun() {
    TChangeScope scope(*this);
    if (State.Current != 8) return;
    RestartEvaluationTimeOut(*this);
    ShowEvaluationInfo(Text(LE::EvaluationRunning));
}

void TForm_Main::Timer_WaitAfterClockTimer() {
    TChangeScope scope(*this);
    Timer_WaitAfterClock.SetEnabled(false);
    const eUserAction action = DelayedUserAction;
    if (action == actInstantMeasure || action == actTimerMeasure) {
        DelayedUserAction = actNone;
        Button_MeasureClick(action == actTimerMeasure ? &Button_TimerMeasure : &Button_InstantMeasure);
        return;
    }
    RunDelayedUserAction();
}

// The reader's state reports mean nothing to the window.
void TForm_Main::HandleStateUpdate(std::uint16_t) {}
