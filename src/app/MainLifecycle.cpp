// Creation, start completion, close request and destruction of the main window.
#include <cmath>
#include <type_traits>

#include "FileSystem.h"
#include "Main.h"
#include "Tools.h"
#include "paths.h"

namespace fsys = vexo::platform;

std::string MakeVersionString() {
    return "V" + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) + "." +
           IntToStrPadded(VersionBuild, 3, '0');
}

std::string FindProgramFile(const std::string& name) {
    if (name.empty()) return {};
    if (fsys::FileExists(name)) return name;
    const std::string shipped = Paths.getFullFileName(name, false);
    return shipped != name && fsys::FileExists(shipped) ? shipped : std::string();
}

TForm_Main::TChangeScope::TChangeScope(TForm_Main& form) : fForm(form) {
    ++fForm.fChangeDepth;
}

TForm_Main::TChangeScope::~TChangeScope() {
    if (--fForm.fChangeDepth == 0 && fForm.fEnv.Changed) fForm.fEnv.Changed();
}

TForm_Main::TForm_Main(const TMainEnvironment& Environment)
    : Timer_TimeOut("Timer_TimeOut", Environment.Timers, 50),
      Timer_VexoClock("Timer_VexoClock", Environment.Timers, 1000),
      Timer_WaitAfterClock("Timer_WaitAfterClock", Environment.Timers, 300),
      Timer_StateCnt("Timer_StateCnt", Environment.Timers, 1000),
      Timer_FTDIUpdate("Timer_FTDIUpdate", Environment.Timers, 2000),
      Timer_init("Timer_init", Environment.Timers, 150), fEnv(Environment) {
    TChangeScope scope(*this);
    CreateForm();
}

TForm_Main::~TForm_Main() {
    // The window goes away without a close request (program end, a test's end).
    if (!fDestroyed) FormDestroy();
}

TDateTime TForm_Main::Now() const {
    return fEnv.Now ? fEnv.Now() : NowDateTime();
}

std::string TForm_Main::Text(const TLangEntry& entry) {
    if (!LanguageFile) return std::string(entry.Def);
    return LanguageFile->GetLanguageString(entry);
}

void TForm_Main::CreateForm() {
    ScaleFactor = fEnv.Screen.PixelsPerInch / 96.0;
    initialized = false;
    VERSION_STRING = MakeVersionString();
    // Where the settings and the user's files live.
    const tPathsSystem system =
        fEnv.PathsSystem.ExecutableFolder.empty() ? SystemPathsSystem() : fEnv.PathsSystem;
    Paths.init(UserConfigFileName, ProgramName, true, system);
    // -uninstall removes the user's files and ends before any window is made.
    if (!fEnv.Arguments.empty() && fEnv.Arguments[0] == "-uninstall") {
        Paths.uninstallUserFiles();
        preventStart = true;
        return;
    }
    preventStart = false;
    ShowHints = true;
    KeyPreview = true;
    Timer_StateCnt.OnTimer = [this] {
        TChangeScope s(*this);
        Timer_StateCntTimer();
    };
    Timer_StateCnt.SetEnabled(true);
    OpenSettingsFiles();
    OpenLanguageFile();
    BuildLanguageMenu();
    // The settings first: the link's mode, port and baud rate come from them.
    ReadSettings();
    ReadWindowPlacement();
    CreateLink();
    // The protocol sends through the link, so it is made after it.
    Vexo = std::make_unique<tVexoCommand>(Schnittstelle.get());
    WireEvents();
    VexoAcknowledged = false;
    VexoGetDateTimeEnable = true;
    DTP_SetDate.MinDate = EncodeDateTime(ReaderFirstYear, 1, 1, 0, 0, 0);
    DTP_SetDate.MaxDate = EncodeDateTime(ReaderLastYear, 12, 31, 0, 0, 0);
    LayOutControls();
    DelayedUserAction = actNone;
    AvailableCOMPorts.clear();
    Constructed = true;
    Timer_init.OnTimer = [this] {
        TChangeScope s(*this);
        Timer_initTimer();
    };
    Timer_init.SetEnabled(true);
    UpdateLanguage();
    ShowStatus(16);
    // The window's first size places the views.
    FormResize();
}

namespace {
// Missing optional files of a read-only run are not worth a message.
struct TSilentNotifier : tFileNotifier {
    void ShowSystemMessage(const std::string&, const std::string&) override {}
};
TSilentNotifier SilentNotifier;
} // namespace

// The user's copy when there is one, else the one beside the program; nothing is created.
template <typename TFile> std::unique_ptr<TFile> TForm_Main::OpenReadOnlyUserFile(const std::string& name) {
    std::string file = fsys::AbsolutePath(JoinPath(Paths.configPath, name));
    if (!fsys::FileExists(file)) file = fsys::AbsolutePath(Paths.getFullFileName(name, false));
    tFileNotifier* notifier = fsys::FileExists(file) ? fEnv.FileNotifier : &SilentNotifier;
    if constexpr (std::is_same_v<TFile, TLanguageFile>)
        return std::make_unique<TFile>(file, true, notifier);
    else
        return std::make_unique<TFile>(file, false, true, notifier);
}

void TForm_Main::OpenSettingsFiles() {
    progSettings = std::make_unique<TConfigFile>(
        Paths.getAppFullFileName(MakeReadOnlyConfigName(UserConfigFileName)), false, true, fEnv.FileNotifier);
    if (fEnv.ReadOnlySettings) {
        ConfigFile = OpenReadOnlyUserFile<TConfigFile>(UserConfigFileName);
        return ReadApplicationSettings();
    }
    // A settings file shipped beside the program becomes the user's own copy.
    ConfigFile =
        std::make_unique<TConfigFile>(Paths.getFullFileName(UserConfigFileName, false), fEnv.FileNotifier);
    ConfigFile->Filename = fsys::AbsolutePath(Paths.getFullFileName(UserConfigFileName, true));
    if (fsys::FileExists(ConfigFile->Filename))
        ConfigFile->reload();
    else
        ConfigFile->save();
    ReadApplicationSettings();
}

void TForm_Main::ReadApplicationSettings() {
    appName = progSettings->GetVal("Application", "name");
    if (appName.empty()) appName = ProgramName;
    const std::string icon = progSettings->GetVal("Application", "icon");
    IconFile = FindProgramFile(icon);
}

void TForm_Main::OpenLanguageFile() {
    const std::string name = ConfigFile->GetVal("Language", "filename", "language.ini");
    if (fEnv.ReadOnlySettings) {
        LanguageFile = OpenReadOnlyUserFile<TLanguageFile>(name);
        return;
    }
    const std::string readName = Paths.getFullFileName(name, false);
    std::string openName;
    if (fsys::FileExists(readName)) {
        openName = readName;
    } else if (fsys::FileExists("../../../language.ini")) {
        // The developer's tree keeps one language file for every build.
        LanguageFile = std::make_unique<TLanguageFile>("../../../language.ini", fEnv.FileNotifier);
        return;
    } else {
        // A new file goes where the program may write and finds it again, never into
        // whatever folder the program happened to be started from.
        openName = Paths.getFullFileName(name, true);
    }
    LanguageFile = std::make_unique<TLanguageFile>(openName, fEnv.FileNotifier);
    const std::string writeName = fsys::AbsolutePath(Paths.getFullFileName(name, true));
    if (writeName != LanguageFile->Filename) {
        LanguageFile->Filename = writeName;
        if (fsys::FileExists(writeName))
            LanguageFile->reload();
        else
            LanguageFile->save();
    }
}

void TForm_Main::Timer_initTimer() {
    Timer_init.SetEnabled(false);
    RefreshDeviceList();
    StartDeviceListTimer();
    if (Menu_LoadLastSavedOnStart.Checked)
        LoadMeasureFile(JoinPath(OpenDialog_Results.InitialDir, OpenDialog_Results.FileName));
    initialized = true;
    BorderIconSystemMenu = true;
    BorderIconMinimize = true;
    BorderIconMaximize = false;
}

bool TForm_Main::RequestClose() {
    if (Closed()) return true;
    TChangeScope scope(*this);
    if (!FormCloseQuery()) return false;
    FormClose();
    fCloseAccepted = true;
    return true;
}

bool TForm_Main::FormCloseQuery() {
    TChangeScope scope(*this);
    // The first half of a pair still waiting for its second joins the list, so the
    // question below can save it and closing never drops it.
    KeepPendingEntry();
    bool canClose = true;
    if (SaveOnExit && !MeasureList.empty()) {
        const std::int32_t answer = ShowMessageBox(Text(LE::SaveBeforeClosing), "", 3);
        if (answer == mrCancel)
            canClose = false;
        else if (answer == mrYes)
            SaveMeasureFile(STAsk);
    }
    if (LinkOpen() && DisableButtonOnConnect && EEPROMMap->EEPROMVersion() >= 5 && !ClosingForm) {
        // The reader gets its button back first; its acknowledgement asks again.
        canClose = false;
        ClosingForm = true;
        ShowStatus(21);
        Vexo->setButtonControl(false);
    }
    return canClose;
}

void TForm_Main::FormClose() {
    TChangeScope scope(*this);
    if (LinkOpen() && ShutDownOnClose) Vexo->sendString("shutdown\r");
}

void TForm_Main::FormDestroy() {
    if (fDestroyed) return;
    fDestroyed = true;
    TChangeScope scope(*this);
    if (!preventStart) {
        Timer_FTDIUpdate.SetEnabled(false);
        Timer_StateCnt.SetEnabled(false);
        Timer_VexoClock.SetEnabled(false);
        Timer_TimeOut.SetEnabled(false);
        Timer_init.SetEnabled(false);
        Timer_WaitAfterClock.SetEnabled(false);
        Bluetooth.reset();
        if (LinkOpen()) Disconnect(this, true);
        ReadVexoDataHelper.reset();
        WriteVexoDataHelper.reset();

        ConfigFile->SetVal("Setup", "WindowState", static_cast<int>(WindowState));
        ConfigFile->SetVal("Setup", "Left", Left);
        ConfigFile->SetVal("Setup", "Top", Top);
        ConfigFile->SetVal("Setup", "Width", Width);
        ConfigFile->SetVal("Setup", "Height", Height);
        ConfigFile->SetVal("Setup", "ImagePosition", ImagePositionName(ImagePosition));

        LanguageItems.clear();
        ResultList.clear();
        // As everywhere else: the results view lets go of the entries before they are freed.
        ClearMeasureList();
        AvailableCOMPorts.clear();

        Constructed = false;
        if (EvaluationInfoCreated && fEnv.Dialogs) fEnv.Dialogs->HideEvaluationInfo();
        EvaluationInfoCreated = false;
        InfoWindowCreated = false;

        ConfigFile.reset();
        progSettings.reset();
        LanguageFile.reset();
        EEPROMMap.reset();
        // The link goes first: once its thread has stopped no receive event can reach
        // the protocol object any more.
        Schnittstelle.reset();
        Vexo.reset();
    }
    Paths.close();
}

bool TForm_Main::FormShortCut(char key, bool ctrl) {
    if (!ctrl) return false;
    TChangeScope scope(*this);
    switch (key) {
    case 'L':
    case 'l': Menu_LoadFileClick(); return true;
    case 'S':
    case 's':
        if (!MeasureList.empty()) Menu_SaveFileClick();
        return true;
    default: return false;
    }
}
