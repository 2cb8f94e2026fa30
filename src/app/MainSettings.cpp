// Reading the settings at start, the window's placement, the layout rules of the
// controls, and the menu commands that write a setting.
#include <algorithm>
#include <cmath>

#include "FileSystem.h"
#include "Main.h"
#include "Tools.h"

namespace fsys = vexo::platform;

namespace {

std::int32_t Round(double v) {
    return static_cast<std::int32_t>(std::lround(v));
}

} // namespace

TWindowPlacement PlaceWindow(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                             std::int32_t windowState, const TScreenMetrics& screen, std::int32_t designWidth,
                             std::int32_t designHeight) {
    TWindowPlacement p;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (left > screen.DesktopWidth) left = screen.ScreenWidth / 2;
    if (top > screen.DesktopHeight) top = screen.ScreenHeight / 2;
    // A minimised start is no use; anything unknown opens maximised.
    p.State = windowState == 0 || windowState == 1 ? wsNormal : wsMaximized;
    p.Left = left;
    p.Top = top;
    if (p.State == wsNormal) {
        p.Width = width;
        p.Height = height;
    } else {
        p.Width = designWidth;
        p.Height = designHeight;
    }
    return p;
}

tParity ParityFromSetting(const std::string& text, std::string& kept) {
    const std::string t = UpperCaseAscii(text);
    static const struct {
        const char* Upper;
        const char* Name;
        tParity Code;
    } table[] = {{"NONE", "none", FT_PARITY_NONE},
                 {"ODD", "odd", FT_PARITY_ODD},
                 {"EVEN", "even", FT_PARITY_EVEN},
                 {"MARK", "mark", FT_PARITY_MARK},
                 {"SPACE", "space", FT_PARITY_SPACE}};
    for (const auto& e : table)
        if (t == e.Upper) {
            kept = text;
            return e.Code;
        }
    kept = "none";
    return FT_PARITY_NONE;
}

tStopBits StopBitsFromSetting(const std::string& text, std::string& kept) {
    kept = text;
    if (text == "1") return FT_STOP_BITS_1;
    if (text == "1.5" || text == "1,5") return FT_STOP_BITS_1_5;
    if (text == "2") return FT_STOP_BITS_2;
    kept = "1";
    return FT_STOP_BITS_1;
}

const char* ImagePositionName(EImagePos position) {
    static const char* const names[] = {"Left", "Right", "Full", "None"};
    return names[position <= SNone ? position : SNone];
}

void TForm_Main::ReadSettings() {
    TConfigFile& U = *ConfigFile;
    TConfigFile& P = *progSettings;

    const std::string pos = UpperCaseAscii(U.GetVal("Setup", "ImagePosition", "Right"));
    ImagePosition = pos == "LEFT" ? SLeft : pos == "RIGHT" ? SRight : pos == "FULL" ? SFull : SNone;
    Menu_ImgPosLeft.Checked = ImagePosition == SLeft;
    Menu_ImgPosRight.Checked = ImagePosition == SRight;
    Menu_ImgPosFull.Checked = ImagePosition == SFull;
    Menu_ImgPosNone.Checked = ImagePosition == SNone;
    DrawImage = false;
    Label_Min.Caption.clear();
    Label_Max.Caption.clear();

    VexoBaudRate = P.GetVal("COM", "Baud", 38400);
    SaveTSVStyle = TSVStyleFromSetting(P.GetVal("Setup", "SaveTSVStyle", "Long"));
    ShowCableIDOnly = P.GetVal("Setup", "ShowCableIDOnly", false);
    COMPort = U.GetVal("COM", "Port", 1);

    DefaultDir = U.GetVal("Setup", "DefaultDir", Paths.configPath);
    // A folder that has gone is not offered; the stored value stays for when it is back.
    if (!fsys::DirectoryExists(DefaultDir)) DefaultDir = Paths.configPath;
    LastUsedFile = U.GetVal("Setup", "LastUsedFile", "Results.tsv");
    for (TFileDialogState* d : {&SaveDialog_Results, &OpenDialog_Results}) {
        d->FileName = LastUsedFile;
        d->DefaultExt = "tsv";
        d->InitialDir = DefaultDir;
        d->Filter = Text(LE::TsvFilter);
    }
    SaveDialog_Results.FileMustExist = false;
    OpenDialog_Results.FileMustExist = true;
    OpenDialog_Cfg.DefaultExt = "bin";
    OpenDialog_Cfg.Filter = Text(LE::BinFileFilter);
    OpenDialog_Cfg.InitialDir = DefaultDir;
    OpenDialog_Cfg.FileMustExist = true;

    PromptSave = U.GetVal("Setup", "PromptSave", false);
    AutoSave = U.GetVal("Setup", "AutoSaveToLastFile", false);
    SaveOnExit = U.GetVal("Setup", "SaveOnExit", false);
    TrackMeasurements = U.GetVal("Setup", "AutoSaveMeasurements", false);
    TrackMeasurementFile = U.GetVal("Setup", "AutoSaveMeasurementsFile", "Measurements.tsv");
    const bool combine = U.GetVal("Setup", "CombineMeasurements", false);
    CombineMeasurements = combine ? Combine : SingleOnly;
    CB_CombineMeasurements.Visible = combine;
    CB_CombineMeasurements.Checked = combine;

    const std::string source = UpperCaseAscii(U.GetVal("Setup", "TestSource", "Select"));
    CurrentTestSource = source == "VEXO" ? TSVexo : source == "LOCAL" ? TSLocal : TSSelect;
    Menu_SrcVexo.Checked = CurrentTestSource == TSVexo;
    Menu_SrcLocal.Checked = CurrentTestSource == TSLocal;
    Menu_SrcSelect.Checked = CurrentTestSource == TSSelect;

    DefaultFormatSetting.ShortDateFormat = std::string(LE::DateFormat.Def);
    DefaultFormatSetting.DateSeparator = LE::DateSeparator.Def.empty() ? '/' : LE::DateSeparator.Def[0];
    DefaultFormatSetting.TimeSeparator = ':';
    DefaultFormatSetting.LongTimeFormat = "hh:nn:ss";
    DefaultFormatSetting.DecimalSeparator = '.';

    timeOutForGetTime = P.GetVal("VexoCommunication", "getTimeTimeOut", 1000);
    autoDisconnectOnTimeError = P.GetVal("VexoCommunication", "disconnectOnTimeError", true);
    autoConnect = U.GetVal("VexoCommunication", "autoConnect", true);
    Menu_AutoConnect.Checked = autoConnect;
    ShutDownOnClose = U.GetVal("VexoCommunication", "ShutDownOnClose", false);
    Menu_ShutDownOnClose.Checked = ShutDownOnClose;

    const std::string behaviour = UpperCaseAscii(U.GetVal("Setup", "AddDataBehaviour", "Ask"));
    AddDataBehaviour = behaviour == "OVERWRITE" ? AlwaysOverwrite
                       : behaviour == "ADD"     ? AlwaysAdd
                                                : AlwaysAsk;
    Menu_OverWriteExisting.Checked = AddDataBehaviour == AlwaysOverwrite;
    Menu_AddToExisting.Checked = AddDataBehaviour == AlwaysAdd;
    Menu_AlwaysAsk.Checked = AddDataBehaviour == AlwaysAsk;
    Menu_LoadLastSavedOnStart.Checked = U.GetVal("Setup", "LoadLastSavedOnStart", false);

    DisableButtonOnConnect = U.GetVal("Setup", "DisableVexoButtonOnConnect", false);
    ClosingForm = false;

    CustomerName = P.GetVal("Customer", "name");
    CustomerLogo = P.GetVal("Customer", "logo");
}

void TForm_Main::ReadWindowPlacement() {
    MinHeight = Round(512 * ScaleFactor);
    MinWidth = Round(650 * ScaleFactor + 66);
    const TScreenMetrics& s = fEnv.Screen;
    TConfigFile& U = *ConfigFile;
    const std::int32_t left = U.GetVal("Setup", "Left", (s.ScreenWidth - 874) / 2);
    const std::int32_t top = U.GetVal("Setup", "Top", (s.ScreenHeight - 624) / 2);
    const std::int32_t width = U.GetVal("Setup", "Width", 874);
    const std::int32_t height = U.GetVal("Setup", "Height", 624);
    const std::int32_t state = U.GetVal("Setup", "WindowState", 0);
    const TWindowPlacement p = PlaceWindow(left, top, width, height, state, s, Width, Height);
    Left = p.Left;
    Top = p.Top;
    // The size constraints hold whatever the file says.
    Width = std::max(p.Width, MinWidth);
    Height = std::max(p.Height, MinHeight);
    WindowState = p.State;
}

void TForm_Main::LayOutControls() {
    // Where the window's design puts the controls before the rules below move them.
    Button_Open.Bounds = {8, 8, 97, 25};
    CB_CombineMeasurements.Bounds = {0, 0, 140, 17};
    Panel_Date.Bounds = {620, 8, 90, 25};
    Panel_Time.Bounds = {712, 8, 70, 25};
    Label_FW.Bounds = {460, 40, 150, 13};
    Label_FWDisplay.Bounds = {0, 40, 0, 13};
    Button_ReadData.Bounds = {8, 40, 120, 25};

    if (CB_CombineMeasurements.Visible) {
        const TRect& b = Button_Open.Bounds;
        CB_CombineMeasurements.Bounds.Left = b.Right() + 6;
        CB_CombineMeasurements.Bounds.Top = b.Top + (b.Height - CB_CombineMeasurements.Bounds.Height) / 2;
    }

    // The device boxes beside Button_Open (past the combine box when it shows), the
    // reader's clock label left of the date frame.
    const TRect& leftOfBoxes =
        CB_CombineMeasurements.Visible ? CB_CombineMeasurements.Bounds : Button_Open.Bounds;
    const std::int32_t boxLeft = leftOfBoxes.Right() + 6;
    const std::int32_t boxTop = Button_Open.Bounds.Top + 1;
    const std::int32_t clockLabelWidth = 80;
    const std::int32_t room = std::max(120, Panel_Date.Bounds.Left - clockLabelWidth - 12 - boxLeft);
    ComboBox_FTDIDevice.Bounds = {boxLeft, boxTop, std::min(260, room), 23};
    ComboBox_Com.Bounds = {boxLeft, boxTop, 100, 23};
    ComboBox_Baud.Bounds = {boxLeft + 106, boxTop, 90, 23};
    Label_VexoTime.Bounds = {Panel_Date.Bounds.Left - clockLabelWidth - 6, Button_Open.Bounds.Top + 6,
                             clockLabelWidth, 13};

    // Nothing is connected yet: no reader clock, no device work, nothing to save.
    StatusBar.Height = Round(StatusBar.Height * ScaleFactor);
    StatusBar.Panels[0].Text.clear();
    DTP_SetDate.Value = Now();
    DTP_SetTime.Value = DTP_SetDate.Value;
    for (TControl* c : std::initializer_list<TControl*>{&Label_VexoTime, &DTP_SetDate, &DTP_SetTime,
                                                        &Label_FW, &Label_FWDisplay})
        c->Enabled = false;
    Timer_VexoClock.SetEnabled(false);
    EnableDeviceButtons(false, false);
    Menu_SaveFile.Enabled = false;
    Button_Save.Enabled = Menu_SaveFile.Enabled;

    // The lists start empty.
    EEPROMMap = std::make_unique<TEEPROMMap>();
    ListView_Measurements.Columns.assign(6, TListColumn{});
    ListView_Results.Columns.assign(SaveTSVStyle == TSVVHalvorn ? 4 : 5, TListColumn{});
    ListView_Measurements.ItemCount = 0;
    ListView_Results.ItemCount = 0;
    IsTimerMeasure = false;

    // The reading helpers, the progress bar inside the status bar, the row of work buttons.
    ReadVexoDataHelper = std::make_unique<TDataRead>();
    WriteVexoDataHelper = std::make_unique<TDataWrite>();
    ProgressBar.Bounds = {1, 1, 100, StatusBar.Height - 1};
    ProgressBar.Min = 0;
    ProgressBar.Visible = false;
    StatusBar.Height = 20;
    StatusBar.FontSize = 9;
    const std::int32_t buttonWidth = std::min(120, fEnv.Screen.DesktopWidth / 4);
    std::int32_t x = Button_ReadData.Bounds.Left;
    for (TButton* b : {&Button_ReadData, &Button_InstantMeasure, &Button_TimerMeasure}) {
        b->Bounds = {x, Button_ReadData.Bounds.Top, buttonWidth, 25};
        x += buttonWidth + 3;
    }
    FontSize = 8;

    Label_FWDisplay.Bounds.Left = Panel_Date.Bounds.Left;
    Label_FWDisplay.Bounds.Width = Panel_Time.Bounds.Right() - Panel_Date.Bounds.Left;

    // The two lists below the work buttons.
    ListView_Measurements.Bounds.Left = 4;
    ListView_Measurements.Bounds.Top = Button_ReadData.Bounds.Top + 29;
    ListView_Results.Bounds.Top = Button_ReadData.Bounds.Top + 29;
    ClientWidth = Width - WindowFrameWidth;
    ClientHeight = Height - WindowNonClientHeight;
}

void TForm_Main::Menu_NewDataBehaviourItemClick(TMenuItem& Sender) {
    TChangeScope scope(*this);
    const char* value = "Ask";
    if (&Sender == &Menu_OverWriteExisting) {
        AddDataBehaviour = AlwaysOverwrite;
        value = "Overwrite";
    } else if (&Sender == &Menu_AddToExisting) {
        AddDataBehaviour = AlwaysAdd;
        value = "Add";
    } else {
        AddDataBehaviour = AlwaysAsk;
    }
    Menu_OverWriteExisting.Checked = AddDataBehaviour == AlwaysOverwrite;
    Menu_AddToExisting.Checked = AddDataBehaviour == AlwaysAdd;
    Menu_AlwaysAsk.Checked = AddDataBehaviour == AlwaysAsk;
    ConfigFile->SetVal("Setup", "AddDataBehaviour", value);
}

void TForm_Main::Menu_ShutDownOnCloseClick() {
    TChangeScope scope(*this);
    Menu_ShutDownOnClose.Checked = !Menu_ShutDownOnClose.Checked;
    ShutDownOnClose = Menu_ShutDownOnClose.Checked;
    ConfigFile->SetVal("VexoCommunication", "ShutDownOnClose", ShutDownOnClose);
}

void TForm_Main::Menu_LoadLastSavedOnStartClick() {
    TChangeScope scope(*this);
    Menu_LoadLastSavedOnStart.Checked = !Menu_LoadLastSavedOnStart.Checked;
    ConfigFile->SetVal("Setup", "LoadLastSavedOnStart", Menu_LoadLastSavedOnStart.Checked);
}
