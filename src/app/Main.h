#pragma once
// The main window as the program's logic sees it: every field, control, timer and
// handler of the window, without a toolkit. The desktop program and vexo-cli only
// show this state and call its handlers; tests do the same.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BluetoothThread.h"
#include "ConfigFile.h"
#include "Controls.h"
#include "Dialogs.h"
#include "LanguageFile.h"
#include "MainTypes.h"
#include "MeasureFileFormat.h"
#include "MeasureSort.h"
#include "ProfileGeometry.h"
#include "SeriellThread.h"
#include "TestConfiguration.h"
#include "TestResults.h"
#include "Timers.h"
#include "VexoCommand.h"
#include "VexoEEPROM15.h"
#include "VexoReadWrite.h"
#include "VexoVersion.h"

inline constexpr const char* ProgramName = "Vexo Data Reader";
inline constexpr const char* ApplicationTitle = "Vexo DataReader";
inline constexpr const char* UserConfigFileName = "DRConfig.ini";
// What the window's rules count beyond the inside of the window: the frame's width, and
// the caption, menu bar and frame in height.
inline constexpr std::int32_t WindowFrameWidth = 16;
inline constexpr std::int32_t WindowNonClientHeight = 47;
// "V1.5.063".
std::string MakeVersionString();
// A file the program settings name (window icon, version logo): as named, relative to the current
// folder; else the user's copy in the configuration folder, else the one that ships in the program
// folder, wherever the program was started from. Empty when none exists.
std::string FindProgramFile(const std::string& name);
// --demo: the simulated readers' library of the program folder, for TLinkCreation::LibraryName;
// empty when it is missing or does not load, with the reason in error.
std::string DemoReaderLibraryPath(std::string& error);

// Window placement from the stored settings and the screen.
struct TWindowPlacement {
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    TWindowState State = wsNormal;
};
// Stored Left/Top/Width/Height/WindowState against the screen; designWidth/Height
// are kept in the maximised state, where the stored size is not applied.
TWindowPlacement PlaceWindow(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                             std::int32_t windowState, const TScreenMetrics& screen, std::int32_t designWidth,
                             std::int32_t designHeight);
// COM/parity and COM/stopBits; unknown texts give none and one and the text to keep in memory.
tParity ParityFromSetting(const std::string& text, std::string& kept);
tStopBits StopBitsFromSetting(const std::string& text, std::string& kept);
// "Left", "Right", "Full" or "None": how Setup/ImagePosition stores a position.
const char* ImagePositionName(EImagePos position);

class TForm_Main {
public:
    explicit TForm_Main(const TMainEnvironment& Environment);
    ~TForm_Main();
    TForm_Main(const TForm_Main&) = delete;
    TForm_Main& operator=(const TForm_Main&) = delete;

    // ------------------------------------------------------------ lifecycle
    // The user (or the program) asks to close the window: FormCloseQuery, and when it
    // agrees FormClose. The window's owner then destroys it (FormDestroy runs from the
    // destructor): a close may be asked for inside a receive event, where the link must
    // not go away under its own feet.
    bool RequestClose();
    bool FormCloseQuery();
    void FormClose();
    void FormDestroy();
    // Ctrl+<key>; true when handled (then it never reaches the focused control).
    bool FormShortCut(char key, bool ctrl);
    void Timer_initTimer();
    // The close went ahead; the owner ends the program and destroys the window.
    bool Closed() const { return fCloseAccepted || fDestroyed; }

    // ------------------------------------------------------------ settings menus
    void Menu_NewDataBehaviourItemClick(TMenuItem& Sender);
    void Menu_ShutDownOnCloseClick();
    void Menu_LoadLastSavedOnStartClick();

    // ------------------------------------------------------------ language
    void LanguageMenuItemClick(std::size_t index);
    void UpdateLanguage();
    static void SetHintText(TControl& control, const std::string& text);

    // ------------------------------------------------------------ status
    void ShowStatus(std::uint8_t code);
    void StartTimeOut(std::int32_t ms);
    void EnableDeviceButtons(bool enable, bool checkPermissions);
    void Timer_StateCntTimer();
    // The sizes behind the drawing of a status bar panel: panel 1 holds the progress bar,
    // the others are as wide as their text plus 20. textWidth: the panel text's width.
    void StatusBarDrawPanel(std::size_t panel, const TRect& rect, std::int32_t textWidth);
    static void SelectComboText(TComboBox& combo, const std::string& text);

    // ------------------------------------------------------------ dialogs
    std::int32_t ShowMessageBox(const std::string& message, const std::string& caption, std::int32_t style);
    void ShowErrorMessage(const std::string& message, const std::string& caption, std::uint8_t statusAfter);
    void ShowEvaluationInfo(const std::string& text);
    void SubMenu_VersionClick();
    // Text input: 1 accepted (text holds the input), 2 cancelled (text unchanged).
    std::int32_t QueryText(const std::string& caption, const std::string& prompt, bool allowEmpty,
                           std::string& text);
    // Selection among choices: the dialog's result, chosen holds the index after mrOk.
    std::int32_t SelectChoice(const TSelectRequest& request, std::int32_t& chosen);
    std::int32_t ChooseFromConfigList(const TConfigListRequest& request, std::int32_t& chosen);
    bool ChooseOpenFile(const TFileDialogState& dialog, std::string& fileName);
    bool ChooseSaveFile(const TFileDialogState& dialog, std::string& fileName);
    TVersionInfo VersionInfo();

    // ------------------------------------------------------------ connection (filled by the connection work)
    void ReceivePump();
    void HandleLinkError(TSeriellError Error);
    void RefreshDeviceList();
    void StartDeviceListTimer();
    void Connect(const void* Sender);
    void Disconnect(const void* Sender, bool releaseButtons);
    void CloseConnection();
    void Button_OpenClick();
    void Timer_TimeOutTimer();
    void Timer_FTDIUpdateTimer();
    void HandleAcknowledge();
    void HandleFirmwareVersion(const tFirmwareVersion& firmware);
    void HandleSerialNumber(const tSerial& serial);
    bool LinkOpen() const;
    bool FTDIMode() const;

    // ------------------------------------------------------------ device list, supervision, read steps,
    // clock Key codes the window's key handlers look at.
    static constexpr std::uint16_t VK_RETURN = 13;
    static constexpr std::uint16_t VK_ESCAPE = 27;
    void FormActivate();
    // The "refresh" item of the FTDI box's context menu.
    void aktualisieren1Click();
    void Menu_AutoConnectClick();
    void Menu_DirectFTDIClick();
    void ComboBox_FTDIDeviceChange();
    void ComboBox_ComKeyPress(char& Key);
    void DeferErrorMessage(const std::string& message, const std::string& caption);
    void EnableVexoClock();
    void DTP_SetDateTimeChange();
    void DTP_SetDateTimeEnter();
    // Key of either picker; a key the handler uses is set to 0.
    void DTP_SetDateKeyDown(std::uint16_t& Key);
    void PopUpItem_SetSystemTimeClick();
    void StartReadStep(EReadStep step);
    void RequestNextBlock();
    // True when the step is complete.
    bool AppendReadBlock(const tByteBuffer& block);
    void StoreStoragePointers(const tByteBuffer& block, int kind);
    // A completed read step, by the status it was read in.
    void HandleIdentificationReadStep();
    void HandleDatabaseReadStep();
    void HandleMeasurementReadStep();
    // The control with the keyboard focus; null: the window itself. The view keeps it.
    const TControl* ActiveControl = nullptr;
    // The program is the active application (the view keeps it); the device list timer
    // refreshes only then.
    bool ApplicationActive = true;

    // ------------------------------------------------------------ reader work (filled by later work)
    void HandleCommunicationError(eComError errorCode);
    void HandleVexoError(eVexoError errorCode, std::uint8_t info);
    void HandleUnknownCommand(std::uint8_t command);
    void HandleWriteSuccess(std::uint8_t flags, std::uint32_t startAddress, std::int32_t count);
    void HandleDataRead(std::uint8_t flags, std::uint32_t startAddress, tByteBuffer& tmpBuffer);
    void HandleRFIDStatus(eVexoError errorCode, std::uint8_t tagType, std::int32_t userDataSize,
                          tByteBuffer& tmpBuffer);
    void HandleImageTransferStart(std::uint16_t width, std::uint16_t height);
    void HandleImageData(eColorMode colorMode, std::int32_t x, std::int32_t y, tByteBuffer& tmpBuffer);
    void HandleDateTime(TDateTime dateTime, bool valid);
    void HandleDeviceBusy(std::uint32_t timeStamp);
    void HandleShowTimer(std::uint16_t Seconds);
    void HandlePlaceWhiteCard();
    void HandlePlaceTestCard();
    void HandleEvaluationRun();
    void HandleStateUpdate(std::uint16_t State);
    void Timer_VexoClockTimer();
    void Timer_WaitAfterClockTimer();

    // ------------------------------------------------------------ measurement files (filled by later work)
    void Menu_LoadFileClick();
    void Menu_SaveFileClick();
    void LoadMeasureFile(const std::string& fileName);
    void SaveMeasureFile(ESaveTarget target);

    // ------------------------------------------------------------ measurement list, files, database read
    void Button_SaveClick();
    // The cells of a row (empty for a row that does not exist).
    std::vector<std::string> ListView_MeasurementsData(std::int32_t Item);
    std::vector<std::string> ListView_ResultsData(std::int32_t Item);
    void ListView_MeasurementsColumnClick(std::int32_t column);
    void ListView_ResultsColumnClick(std::int32_t column);
    void ListView_MeasurementsSelectItem(std::int32_t Item, bool Selected);
    // Selects one row (or none with -1) as a click would, with the selection handling.
    void SelectMeasurement(std::int32_t Item);
    void ListView_MeasurementsDblClick();
    // False: the context menu is not shown.
    bool PopupMenu_ResultsPopup();
    void AddCommentClick();
    void DeleteEntriesClick();
    void Menu_DeleteListClick();
    std::int32_t IndexOfTestID(const TMeasureSet& entry) const;
    void ClearMeasureList();
    void AddNewMeasurement();
    // After new data: the automatic or prompted save, then the tracking file.
    void SaveNewData();
    void Button_ReadDataClick();
    void Menu_FormatDBClick();
    bool CheckDeviceReady(std::uint8_t status);
    void DecodeDatabase();
    // Runs the command remembered during a clock poll (the last one clicked).
    void RunDelayedUserAction();
    void RefreshMeasureList();
    void UpdateSaveEnabled();
    void FullHeightViews(TListView& view);
    void HideImageAfterDelete();
    // The chosen or loaded file becomes the dialogs' folder and name and the settings'.
    void RememberResultFile(const std::string& path);
    // After the file-in-use message (or the given one): true to try again.
    bool FileBusyRetry(ESaveTarget target, const std::string& message = {});
    std::vector<TResultSet*> SelResultList;
    ESortType MeasureSortMode = Unsorted;
    ESortType ResultSortMode = Unsorted;
    std::int32_t MeasColumnToSort = 0;
    std::int32_t ResColumnToSort = 0;
    // The entry a measurement builds and the configuration it ran with.
    std::unique_ptr<TMeasureSet> NewMeasureSet;
    std::unique_ptr<TTestConfig> TestConfig;
    // The two database areas as read.
    tByteBuffer ResultCfgBuffer, ResultBuffer;

    // ------------------------------------------------------------ program identity and flags
    std::string VERSION_STRING;
    std::string appName = ProgramName;
    std::string Caption = ProgramName;
    std::string IconFile; // empty: none
    bool preventStart = false;
    bool Constructed = false;
    bool initialized = false;
    bool ClosingForm = false;
    double ScaleFactor = 1.0;
    bool ShowHints = false;
    bool KeyPreview = false;
    // Title-bar buttons.
    bool BorderIconSystemMenu = true, BorderIconMinimize = true, BorderIconMaximize = true;

    // ------------------------------------------------------------ window geometry
    std::int32_t Left = 0, Top = 0, Width = 874, Height = 624;
    std::int32_t MinWidth = 0, MinHeight = 0;
    TWindowState WindowState = wsNormal;
    std::int32_t FontSize = 8;

    // ------------------------------------------------------------ files
    std::unique_ptr<TConfigFile> ConfigFile;
    std::unique_ptr<TConfigFile> progSettings;
    std::unique_ptr<TLanguageFile> LanguageFile;

    // ------------------------------------------------------------ settings
    EImagePos ImagePosition = SRight;
    bool DrawImage = false;
    ETSVVersion SaveTSVStyle = TSVVLong;
    bool ShowCableIDOnly = false;
    std::int32_t VexoBaudRate = 38400;
    std::string ParityText = "none";
    std::string StopBitsText = "1";
    std::int32_t COMPort = 1;
    // The COM port list's name of the port opened last ("COM7", "ttyUSB0").
    std::string COMPortName;
    std::string DefaultDir;
    std::string LastUsedFile;
    bool PromptSave = false;
    bool AutoSave = false;
    bool SaveOnExit = false;
    bool TrackMeasurements = false;
    std::string TrackMeasurementFile;
    ECombineMeasurements CombineMeasurements = SingleOnly;
    ETestSource CurrentTestSource = TSSelect;
    EAddDataBehaviour AddDataBehaviour = AlwaysAsk;
    bool DisableButtonOnConnect = false;
    bool autoConnect = true;
    bool ShutDownOnClose = false;
    std::int32_t timeOutForGetTime = 1000;
    bool autoDisconnectOnTimeError = true;
    std::string CustomerName;
    std::string CustomerLogo;
    TFormatSettings DefaultFormatSetting{};

    // ------------------------------------------------------------ connection state
    std::unique_ptr<TSeriellThread> Schnittstelle;
    std::unique_ptr<TBluetoothThread> Bluetooth;
    std::unique_ptr<tVexoCommand> Vexo;
    std::unique_ptr<TEEPROMMap> EEPROMMap;
    std::unique_ptr<TDataRead> ReadVexoDataHelper;
    std::unique_ptr<TDataWrite> WriteVexoDataHelper;
    bool VexoAcknowledged = false;
    bool VexoGetDateTimeEnable = false;
    bool manualConnect = false;
    bool SerialTimedOut = false;
    std::string CurrOpenedDevice;
    std::string FWString, SNString;
    std::string errorMsg, errorCaption;
    std::vector<std::string> AvailableCOMPorts;
    // The USB devices as last listed; the device box's entries carry their Index.
    std::vector<TUsbDevice> UsbDevices;
    eUserAction DelayedUserAction = actNone;

    // ------------------------------------------------------------ measurement state
    std::vector<std::unique_ptr<TMeasureSet>> MeasureList;
    std::vector<TVexoResultData> ResultList;
    bool IsTimerMeasure = false;

    // ------------------------------------------------------------ status
    TState State;

    // ------------------------------------------------------------ controls
    TButton Button_Open, Button_ReadData, Button_InstantMeasure, Button_TimerMeasure, Button_Save;
    TCheckBox CB_CombineMeasurements;
    TComboBox ComboBox_FTDIDevice, ComboBox_Com, ComboBox_Baud;
    TLabel Label_FW, Label_FWDisplay, Label_VexoTime, Label_Min, Label_Max;
    TPanel Panel_Date, Panel_Time;
    TDateTimePicker DTP_SetDate, DTP_SetTime;
    TListView ListView_Measurements, ListView_Results;
    TStatusBar StatusBar;
    TProgressBar ProgressBar;
    TMenuItem Menu_Main, Menu_Setup, Menu_Language, Menu_SaveFile, Menu_LoadFile, Menu_FormatDB,
        Menu_ShutDownOnClose, Menu_SetImagePos, Menu_ImgPosLeft, Menu_ImgPosRight, Menu_ImgPosFull,
        Menu_ImgPosNone, Menu_NewDataBehaviour, Menu_OverWriteExisting, Menu_AlwaysAsk, Menu_AddToExisting,
        Menu_LoadLastSavedOnStart, Menu_DeleteList, Menu_Info, SubMenu_Version, Menu_TestSource, Menu_SrcVexo,
        Menu_SrcLocal, Menu_SrcSelect, AddComment, DeleteEntries, Menu_AutoConnect, Menu_FTDIDirect,
        PopUpItem_SetSystemTime, aktualisieren1;
    // The items of the Language menu, English first.
    std::vector<TMenuItem> LanguageItems;
    TFileDialogState SaveDialog_Results, OpenDialog_Results, OpenDialog_Cfg;
    // Shown by the dialog interface; true while the version window or evaluation prompt exists.
    bool EvaluationInfoCreated = false;
    bool InfoWindowCreated = false;
    std::string EvaluationInfoText;

    // ------------------------------------------------------------ timers
    TTimer Timer_TimeOut, Timer_VexoClock, Timer_WaitAfterClock, Timer_StateCnt, Timer_FTDIUpdate, Timer_init;

    // ------------------------------------------------------------ measurement run, configuration sources
    enum ESourceChoice : std::uint8_t { scReader, scFile, scCancelled };
    // Sender: &Button_InstantMeasure or &Button_TimerMeasure.
    void Button_MeasureClick(const void* Sender);
    void CB_CombineMeasurementsClick();
    // One of Menu_SrcVexo, Menu_SrcLocal, Menu_SrcSelect.
    void Menu_TestSourceClick(TMenuItem& Sender);
    ESourceChoice ChooseTestSource();
    // False when the user cancelled the file dialog.
    bool LoadConfigFromFile();
    // False when the user cancelled the RFID prompt.
    bool StartReaderSource();
    void ChooseStoredConfig(const tByteBuffer& block);
    void StartWrite(EWriteStep step, const tByteBuffer& content, bool savePermanent);
    // True when nothing was left to send.
    bool SendNextPackage();
    void WriteTestConfig(TTestConfig config, std::uint32_t address, bool savePermanent);
    void DecodeCurrentResult(const tByteBuffer& block);
    // After the line image: add the entry or offer the second measurement of a pair.
    void CombinationDecision();
    // The entry of a pair broken off by an error joins the list.
    void KeepPendingEntry();
    bool TryRFIDAgain = false;

    // ------------------------------------------------------------ line image, window layout
    // The inside of the window below the menu bar, in form pixels; the view keeps it.
    std::int32_t ClientWidth = 874 - WindowFrameWidth, ClientHeight = 624 - WindowNonClientHeight;
    // The drawn profile (LineImage) and the framed picture FormPaint puts on the window.
    TProfileGeometry LineImage;
    struct TLineImageStretch {
        std::int32_t Width = 0, Height = LineImageHeight + 2;
        // LineImage is stretched into the frame (a live resize) rather than copied 1:1.
        bool Stretched = false;
    };
    TLineImageStretch LineImageStretch;
    // Counts the drawings of LineImage, so a view paints it again only when it changed.
    std::uint32_t LineImageGeneration = 0;
    bool FormResized = false;
    void DrawLineImage();
    void PlaceLineImage();
    // Where LineImageStretch is painted on the window; nothing while no profile is shown.
    std::optional<TRect> FormPaint() const;
    void FormResize();
    // The end of an interactive move or resize: the profile is drawn again 1:1.
    void FormExitSizeMove();
    // One of Menu_ImgPosLeft, Menu_ImgPosRight, Menu_ImgPosFull, Menu_ImgPosNone.
    void Menu_ImgPosClick(TMenuItem& Sender);
    // The larger value label's width plus 13 while one shows text, else 0.
    std::int32_t LabelSpace() const;
    // Both views down to the status bar, the value labels hidden: no profile is shown.
    void ShowViewsFullHeight();
    // The captions of Label_Min and Label_Max, each label sized to its caption.
    void SetValueLabels(const std::string& min, const std::string& max);

    const TMainEnvironment& Environment() const { return fEnv; }
    // Raises the change notification once the outermost handler ends.
    class TChangeScope {
    public:
        explicit TChangeScope(TForm_Main& form);
        ~TChangeScope();
        TChangeScope(const TChangeScope&) = delete;
        TChangeScope& operator=(const TChangeScope&) = delete;

    private:
        TForm_Main& fForm;
    };

    std::string Text(const TLangEntry& entry);

private:
    void CreateForm();
    void OpenSettingsFiles();
    void OpenLanguageFile();
    void ReadApplicationSettings();
    template <typename TFile> std::unique_ptr<TFile> OpenReadOnlyUserFile(const std::string& name);
    void BuildLanguageMenu();
    void ReadWindowPlacement();
    void CreateLink();
    void WireEvents();
    void ReadSettings();
    void LayOutControls();
    void UpdateCaption();
    TDateTime Now() const;

    TMainEnvironment fEnv;
    int fChangeDepth = 0;
    bool fCloseAccepted = false;
    bool fDestroyed = false;
};
