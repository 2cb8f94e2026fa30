// The Language menu and the texts of the window's controls.
#include <algorithm>

#include "Main.h"

void TForm_Main::SetHintText(TControl& control, const std::string& text) {
    control.Hint = text;
    control.ShowHint = !text.empty();
}

void TForm_Main::BuildLanguageMenu() {
    LanguageItems.clear();
    TMenuItem english;
    english.Caption = "English";
    english.Checked = true;
    LanguageItems.push_back(english);
    bool matched = false;
    if (LanguageFile->IsValid()) {
        const int heads = LanguageFile->CountHeads();
        for (int i = 1; i <= heads; ++i) {
            const std::string name = LanguageFile->GetHeadName(i);
            if (name == "English") continue;
            TMenuItem item;
            item.Caption = name;
            LanguageItems.push_back(item);
        }
        LanguageFile->CurrentLanguage = ConfigFile->GetVal("Setup", "Language", "English");
        for (TMenuItem& item : LanguageItems) {
            item.Checked = item.Caption == LanguageFile->CurrentLanguage;
            matched = matched || item.Checked;
        }
    }
    if (!matched) {
        LanguageFile->CurrentLanguage = "English";
        // The texts in use are the English ones, so that is the item to show ticked.
        for (TMenuItem& item : LanguageItems) item.Checked = item.Caption == "English";
    }
}

void TForm_Main::LanguageMenuItemClick(std::size_t index) {
    TChangeScope scope(*this);
    if (index >= LanguageItems.size()) return;
    std::string caption = LanguageItems[index].Caption;
    caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
    LanguageFile->CurrentLanguage = caption;
    for (TMenuItem& item : LanguageItems) item.Checked = false;
    LanguageItems[index].Checked = true;
    ConfigFile->SetVal("Setup", "Language", caption);
    UpdateLanguage();
}

void TForm_Main::UpdateCaption() {
    if (LinkOpen())
        Caption = Text(LE::ConnectedTo) + "  " + CurrOpenedDevice + " @ " + std::to_string(VexoBaudRate) +
                  " " + Text(LE::Baud);
    else
        Caption = appName;
    Caption += " - " + VERSION_STRING;
}

void TForm_Main::UpdateLanguage() {
    TChangeScope scope(*this);
    Label_FW.Caption = Text(LE::SNFirmware);
    SetHintText(Label_FW, Text(LE::HintFirmware));
    SetHintText(Label_FWDisplay, Text(LE::HintFirmware));
    Label_VexoTime.Caption = Text(LE::VexoTime);
    for (TControl* c : std::initializer_list<TControl*>{&Label_VexoTime, &DTP_SetDate, &DTP_SetTime})
        SetHintText(*c, Text(LE::HintVexoTime));
    if (LinkOpen()) {
        Button_Open.Caption = Text(LE::Disconnect);
        SetHintText(Button_Open, Text(LE::HintDisconnect));
    } else {
        Button_Open.Caption = Text(LE::Connect);
        SetHintText(Button_Open, Text(LE::HintConnect));
    }
    aktualisieren1.Caption = Text(LE::Refresh);
    Button_InstantMeasure.Caption = Text(LE::StartMeasurement);
    SetHintText(Button_InstantMeasure, Text(LE::HintInstantMeasure));
    Button_TimerMeasure.Caption = Text(LE::TimerMeasure);
    SetHintText(Button_TimerMeasure, Text(LE::HintTimerMeasure));
    Button_ReadData.Caption = Text(LE::ReadDataFromVexo);
    if (CB_CombineMeasurements.Visible) CB_CombineMeasurements.Caption = Text(LE::CombineMeasurements);
    Menu_Main.Caption = Text(LE::Menu);
    Menu_Setup.Caption = Text(LE::Setup);
    Menu_Language.Caption = Text(LE::Language);
    // Two blanks part the caption from the shortcut the menu shows right-aligned.
    Menu_SaveFile.Caption = Text(LE::SaveDataToFile) + "  " + Text(LE::ShortcutSave);
    Menu_LoadFile.Caption = Text(LE::LoadDataFromFile) + "  " + Text(LE::ShortcutLoad);
    Menu_FormatDB.Caption = Text(LE::FormatVexoDatabase);
    Menu_ShutDownOnClose.Caption = Text(LE::ShutdownVexoOnDisconnect);
    Menu_SetImagePos.Caption = Text(LE::SetImagePosition);
    Menu_ImgPosLeft.Caption = Text(LE::Left);
    Menu_ImgPosRight.Caption = Text(LE::Right);
    Menu_ImgPosFull.Caption = Text(LE::FullWidth);
    Menu_ImgPosNone.Caption = Text(LE::DoNotDisplayImage);
    Menu_NewDataBehaviour.Caption = Text(LE::DataManagement);
    Menu_OverWriteExisting.Caption = Text(LE::OverwriteExisting);
    Menu_AlwaysAsk.Caption = Text(LE::AlwaysAsk);
    Menu_AddToExisting.Caption = Text(LE::AddToExisting);
    Menu_LoadLastSavedOnStart.Caption = Text(LE::LoadLastUsedFileOnStart);
    Menu_DeleteList.Caption = Text(LE::DeleteMeasurementList);
    Menu_Info.Caption = Text(LE::Info);
    SubMenu_Version.Caption = Text(LE::Version);
    Menu_TestSource.Caption = Text(LE::SelectMeasurementSource);
    Menu_SrcVexo.Caption = Text(LE::Vexo);
    Menu_SrcLocal.Caption = Text(LE::LocalFileSystem);
    Menu_SrcSelect.Caption = Text(LE::SelectOnStart);
    AddComment.Caption = Text(LE::EditAddUserComment);
    DeleteEntries.Caption = Text(LE::DeleteEntry);

    const TLangEntry* measurementTitles[] = {&LE::TestID,    &LE::TestName,
                                             &LE::LotNumber, &LE::DistributorManufacturer,
                                             &LE::DateTime,  &LE::UserComments};
    for (std::size_t i = 0; i < ListView_Measurements.Columns.size() && i < 6; ++i)
        ListView_Measurements.Columns[i].Caption = Text(*measurementTitles[i]);
    const TLangEntry* resultTitles[] = {&LE::Validity, &LE::ResultName, &LE::Result};
    for (std::size_t i = 0; i < ListView_Results.Columns.size() && i < 3; ++i)
        ListView_Results.Columns[i].Caption = Text(*resultTitles[i]);
    auto& rc = ListView_Results.Columns;
    if (SaveTSVStyle == TSVVHalvorn) {
        if (rc.size() > 3) rc[3].Caption = Text(LE::Class);
    } else {
        if (rc.size() > 3) rc[3].Caption = Text(LE::ResultUnit);
        if (rc.size() > 4) rc[4].Caption = Text(LE::Class);
    }
    Menu_AutoConnect.Caption = Text(LE::AutoConnect);
    Menu_FTDIDirect.Caption = Text(LE::FTDIDirect);
    PopUpItem_SetSystemTime.Caption = Text(LE::SetSystemTime);

    // The list view asks for its rows again after the change notification; the version
    // window takes its close text each time it is shown.
    if (Constructed) UpdateCaption();
}
