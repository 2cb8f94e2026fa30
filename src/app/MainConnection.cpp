// The window's side of the link: creating it, binding the protocol's events,
// the receive pump, and ending a connection.
#include "DynamicLibrary.h"
#include "Folders.h"
#include "Main.h"

std::string DemoReaderLibraryPath(std::string& error) {
    const std::string path = vexo::platform::DemoReaderLibrary();
    TDynamicLibrary library;
    if (!path.empty() && library.Load(path)) return path;
    error = "the demo reader's library " + (path.empty() ? std::string("(no program folder)") : path) +
            " cannot be loaded" + (library.LoadError().empty() ? "" : ": " + library.LoadError());
    return {};
}

void TForm_Main::CreateLink() {
    const std::string library = fEnv.Link.LibraryName.empty() ? FTDILibraryName() : fEnv.Link.LibraryName;
    Schnittstelle = std::make_unique<TSeriellThread>(true, TSeriellThread::DefaultBufferSize,
                                                     fEnv.Link.PortFactory, library);
    Schnittstelle->SetSyncInvoker(fEnv.Link.Invoker);
    Schnittstelle->OnReceive = [this](TSeriellThread*) {
        TChangeScope s(*this);
        ReceivePump();
    };
    TConfigFile& P = *progSettings;
    Schnittstelle->countOfBits = P.GetVal("COM", "bits", 8);
    Schnittstelle->parity = ParityFromSetting(P.GetVal("COM", "parity", "none"), ParityText);
    Schnittstelle->stopBits = StopBitsFromSetting(P.GetVal("COM", "stopBits", "1"), StopBitsText);
    // Unknown texts are corrected in memory only; the program settings are never saved.
    P.SetVal("COM", "parity", ParityText);
    P.SetVal("COM", "stopBits", StopBitsText);
    // The USB bridge's latency timer in FTDI mode. A value the bridge cannot take gives the
    // default in memory; the user's text stays for them to mend.
    const std::int32_t latency = ConfigFile->GetVal(
        "COM", "LatencyTimer", static_cast<std::int32_t>(TSeriellThread::DefaultLatencyTimer));
    Schnittstelle->latencyTimer = latency >= 2 && latency <= 255 ? static_cast<std::uint8_t>(latency)
                                                                 : TSeriellThread::DefaultLatencyTimer;
    Schnittstelle->OnError = [this](TSeriellThread*, TSeriellError Error) {
        TChangeScope s(*this);
        HandleLinkError(Error);
    };
    if (Schnittstelle->usbDevicesAvailable()) Schnittstelle->setFtdiMode(true);
    if (!fEnv.Link.CreateSuspended) Schnittstelle->Start();

    // Hidden with a D2XX library, as the program always was. The built-in backend is there on
    // every Linux machine, so COM mode (Bluetooth, other serial ports) is chosen here instead.
    Menu_FTDIDirect.Visible = Schnittstelle->usbBuiltInBackend();
    Menu_FTDIDirect.Checked = FTDIMode();
    ComboBox_Com.Visible = !FTDIMode();
    ComboBox_Baud.Visible = !FTDIMode();
    ComboBox_FTDIDevice.Visible = FTDIMode();
    ComboBox_Com.ItemIndex = -1;
    ComboBox_Baud.Items.clear();
    ComboBox_Baud.Editable = true;
    for (int baud :
         {600, 900, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200, 128000, 230400, 500000})
        ComboBox_Baud.Items.push_back({std::to_string(baud), 0});
    SelectComboText(ComboBox_Baud, std::to_string(VexoBaudRate));

    Bluetooth = std::make_unique<TBluetoothThread>();
}

bool TForm_Main::LinkOpen() const {
    return Schnittstelle && Schnittstelle->isOpen();
}

bool TForm_Main::FTDIMode() const {
    return Schnittstelle && Schnittstelle->ftdiMode();
}

void TForm_Main::WireEvents() {
    tVexoCommand& v = *Vexo;
    // Every reply runs inside the receive pump, which raises the one change notification.
    v.onAcknowledge = [this](tVexoCommand&) { HandleAcknowledge(); };
    v.onFirmwareVersion = [this](tVexoCommand&, const tFirmwareVersion& f) { HandleFirmwareVersion(f); };
    v.onSerial = [this](tVexoCommand&, const tSerial& s) { HandleSerialNumber(s); };
    v.onCommunicationError = [this](tVexoCommand&, eComError e) { HandleCommunicationError(e); };
    v.onVexoError = [this](tVexoCommand&, eVexoError e, std::uint8_t info) { HandleVexoError(e, info); };
    v.onUnknownCommand = [this](tVexoCommand&, std::uint8_t c) { HandleUnknownCommand(c); };
    v.onWriteSuccess = [this](tVexoCommand&, std::uint8_t f, std::uint32_t a, std::int32_t n) {
        HandleWriteSuccess(f, a, n);
    };
    v.onDataReaded = [this](tVexoCommand&, std::uint8_t f, std::uint32_t a, tByteBuffer& b) {
        HandleDataRead(f, a, b);
    };
    v.onRFIDStatus = [this](tVexoCommand&, eVexoError e, std::uint8_t t, std::int32_t n, tByteBuffer& b) {
        HandleRFIDStatus(e, t, n, b);
    };
    v.onImageTransferStart = [this](tVexoCommand&, std::uint16_t w, std::uint16_t h) {
        HandleImageTransferStart(w, h);
    };
    v.onImageData = [this](tVexoCommand&, eColorMode m, std::int32_t x, std::int32_t y, tByteBuffer& b) {
        HandleImageData(m, x, y, b);
    };
    v.onDateTime = [this](tVexoCommand&, TDateTime d, bool valid) { HandleDateTime(d, valid); };
    v.onDeviceBusy = [this](tVexoCommand&, std::uint32_t t) { HandleDeviceBusy(t); };
    v.onShowTimer = [this](tVexoCommand&, std::uint16_t s) { HandleShowTimer(s); };
    v.onPlaceWhiteCard = [this](tVexoCommand&) { HandlePlaceWhiteCard(); };
    v.onPlaceTestCard = [this](tVexoCommand&) { HandlePlaceTestCard(); };
    v.onEvaluationRun = [this](tVexoCommand&) { HandleEvaluationRun(); };
    v.onStateUpdate = [this](tVexoCommand&, std::uint16_t s) { HandleStateUpdate(s); };
    if (fEnv.Trace)
        v.onTrace = [this](tVexoCommand&, eTraceDirection direction, const tByteBuffer& frame,
                           const std::string& meaning) {
            fEnv.Trace(FormatTraceLine(direction == tdSent, frame, meaning));
        };

    struct TBinding {
        TTimer* Timer;
        void (TForm_Main::*Handler)();
    };
    for (TBinding b : {TBinding{&Timer_TimeOut, &TForm_Main::Timer_TimeOutTimer},
                       TBinding{&Timer_FTDIUpdate, &TForm_Main::Timer_FTDIUpdateTimer},
                       TBinding{&Timer_VexoClock, &TForm_Main::Timer_VexoClockTimer},
                       TBinding{&Timer_WaitAfterClock, &TForm_Main::Timer_WaitAfterClockTimer}}) {
        auto handler = b.Handler;
        b.Timer->OnTimer = [this, handler] {
            TChangeScope s(*this);
            (this->*handler)();
        };
    }
}

void TForm_Main::ReceivePump() {
    TChangeScope scope(*this);
    std::uint8_t b = 0;
    while (Schnittstelle && Vexo && Schnittstelle->GetByte(b)) Vexo->handleByte(b);
}

void TForm_Main::Disconnect(const void* Sender, bool releaseButtons) {
    TChangeScope scope(*this);
    if (Sender == &Button_Open) {
        Menu_AutoConnect.Checked = false;
        autoConnect = false;
        if (ShutDownOnClose) Vexo->sendString("shutdown\r");
    }
    ShowStatus(22);
    if (!DisableButtonOnConnect || EEPROMMap->EEPROMVersion() < 5 || SerialTimedOut || ClosingForm ||
        !releaseButtons) {
        CloseConnection();
        return;
    }
    Vexo->setButtonControl(false);
}

void TForm_Main::CloseConnection() {
    TChangeScope scope(*this);
    ShowStatus(16);
    Timer_VexoClock.SetEnabled(false);
    if (Schnittstelle) Schnittstelle->ClosePort();
    Button_Open.Caption = Text(LE::Connect);
    SetHintText(Button_Open, Text(LE::HintConnect));
    for (TControl* c : std::initializer_list<TControl*>{&ComboBox_FTDIDevice, &ComboBox_Com, &ComboBox_Baud,
                                                        &Menu_FTDIDirect})
        c->Enabled = true;
    UpdateCaption();
    VexoAcknowledged = false;
    Label_VexoTime.Enabled = false;
    DTP_SetDate.Enabled = false;
    DTP_SetTime.Enabled = false;
    // Without a reader the pickers show the PC's clock, as at the start.
    DTP_SetDate.Value = Now();
    DTP_SetTime.Value = DTP_SetDate.Value;
    Panel_Date.Color = clBtnFace;
    Panel_Time.Color = clBtnFace;
    Label_FW.Enabled = false;
    Label_FWDisplay.Caption.clear();
    Label_FWDisplay.Enabled = false;
    EnableDeviceButtons(false, false);
    if (EEPROMMap) EEPROMMap->Reset();
}

void TForm_Main::Button_OpenClick() {
    TChangeScope scope(*this);
    if (LinkOpen())
        Disconnect(&Button_Open, true);
    else
        Connect(&Button_Open);
}
