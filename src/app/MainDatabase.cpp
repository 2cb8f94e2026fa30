// Reading the reader's results database into the measurement list, and formatting it.
#include <unordered_set>

#include "LanguageTextSource.h"
#include "Main.h"

bool TForm_Main::CheckDeviceReady(std::uint8_t status) {
    TChangeScope scope(*this);
    if (State.Current != 0 && State.Current != 15) {
        ShowMessageBox(Text(LE::VexoBusyWait), "", 0);
        return false;
    }
    ShowStatus(status);
    return true;
}

void TForm_Main::Button_ReadDataClick() {
    TChangeScope scope(*this);
    if (Timer_WaitAfterClock.Enabled()) {
        DelayedUserAction = actReadData;
        return;
    }
    if (!CheckDeviceReady(2)) return;
    SelectMeasurement(-1);
    StartReadStep(SpVolatilePtAbs);
}

void TForm_Main::HandleDatabaseReadStep() {
    TChangeScope scope(*this);
    TDataRead& r = *ReadVexoDataHelper;
    switch (r.StartAddress) {
    case 0x5009C:
    case 0x500A0:
        StoreStoragePointers(r.Buffer, 1);
        StartReadStep(SpVolatilePtRel);
        return;
    case 0x500A2:
        // Versions 1 and 2 hold every pointer in this one block.
        StoreStoragePointers(r.Buffer, 0);
        StartReadStep(SpResultCfgData);
        return;
    case 0x500AE:
    case 0x500B2:
        StoreStoragePointers(r.Buffer, 2);
        StartReadStep(SpResultCfgData);
        return;
    default: break;
    }
    // The result area first: it is the one that ends the chain.
    if (r.StartAddress == r.SavedDataReadSrc + r.ResultMemStart) {
        ResultBuffer = r.Buffer;
        ShowStatus(0);
        DecodeDatabase();
    } else if (r.StartAddress == r.SavedDataReadSrc + r.ResultCfgMemStart) {
        ResultCfgBuffer = r.Buffer;
        StartReadStep(SpResultData);
    }
}

void TForm_Main::Menu_FormatDBClick() {
    TChangeScope scope(*this);
    if (Timer_WaitAfterClock.Enabled()) {
        DelayedUserAction = actFormatDB;
        return;
    }
    if (!CheckDeviceReady(0)) return;
    if (ShowMessageBox(Text(LE::ReallyFormatDatabase), "", 4) != mrYes) return;
    if (CheckDeviceReady(7)) Vexo->FormatDB(false);
}

void TForm_Main::DecodeDatabase() {
    TChangeScope scope(*this);
    TLanguageTextSource texts(*LanguageFile);
    // Test IDs of the list, made on first use and kept up to date while entries join.
    std::unordered_set<std::string> ids;
    bool idsMade = false;
    TMeasureListAccess access;
    access.JoinDecision = [this] {
        if (AddDataBehaviour == AlwaysAdd) return jdAdd;
        if (AddDataBehaviour == AlwaysOverwrite) return jdOverwrite;
        if (MeasureList.empty()) return jdAdd;
        const std::int32_t answer = ShowMessageBox(Text(LE::AddToCurrentList), "", 3);
        return answer == mrYes ? jdAdd : answer == mrNo ? jdOverwrite : jdCancel;
    };
    access.Clear = [&] {
        SelectMeasurement(-1);
        ClearMeasureList();
        ids.clear();
        idsMade = true;
    };
    access.IsPresent = [&](const std::string& id) {
        if (!idsMade) {
            for (const auto& e : MeasureList) ids.insert(e->TestID);
            idsMade = true;
        }
        return ids.count(id) != 0;
    };
    access.Add = [&](std::unique_ptr<TMeasureSet> entry) {
        ids.insert(entry->TestID);
        MeasureList.push_back(std::move(entry));
    };
    const TDecodeDatabaseResult result =
        ::DecodeDatabase(ResultCfgBuffer, ResultBuffer, *EEPROMMap, ResultList, access, texts);
    if (result.Cancelled) return;
    RefreshMeasureList();
    if (result.StoredResults == 0) {
        ShowMessageBox(Text(LE::DatabaseEmpty), "", 0);
        return;
    }
    SaveNewData();
}

void TForm_Main::RunDelayedUserAction() {
    TChangeScope scope(*this);
    const eUserAction action = DelayedUserAction;
    DelayedUserAction = actNone;
    switch (action) {
    case actReadData: Button_ReadDataClick(); break;
    case actFormatDB: Menu_FormatDBClick(); break;
    // The measurement buttons replay through the measurement run's own handler.
    default: break;
    }
}
