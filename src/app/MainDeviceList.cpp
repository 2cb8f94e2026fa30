// The device list, connecting and the identification handshake.
#include "Main.h"
#include "TextEncoding.h"
#include "Tools.h"

namespace {

constexpr std::uint32_t VexoUsbId = 0x04036015; // vendor 0x0403, product 0x6015
constexpr std::uint32_t DeviceListReadyMs = 2000;

std::string CharText(char16_t c) {
    return Utf16ToUtf8(std::u16string(1, c));
}

std::string DeviceEntryText(const TUsbDevice& device, bool serialOnly) {
    return serialOnly ? device.Serial : device.Description + " (" + device.Serial + ")";
}

// Selects the entry with exactly this text, when there is one.
void SelectExisting(TComboBox& combo, const std::string& text) {
    for (std::int32_t i = 0; i < combo.Count(); ++i)
        if (combo.Items[static_cast<std::size_t>(i)].Text == text) {
            combo.Select(i);
            return;
        }
}

} // namespace

void TForm_Main::RefreshDeviceList() {
    TChangeScope scope(*this);
    if (!Schnittstelle || LinkOpen()) return;
    if (FTDIMode()) {
        const std::int32_t remembered = ComboBox_FTDIDevice.ItemIndex;
        ComboBox_FTDIDevice.Clear();
        const FT_STATUS status = Schnittstelle->refreshUsbDevices(DeviceListReadyMs, UsbDevices);
        if (status != FT_OK) {
            ComboBox_FTDIDevice.Text = Text(LE::FTDIError) + " " + std::to_string(status);
            ComboBox_FTDIDeviceChange();
            return;
        }
        std::int32_t n = 0;
        for (const TUsbDevice& device : UsbDevices) {
            if (device.Opened || device.Id != VexoUsbId) continue;
            ComboBox_FTDIDevice.Items.push_back(
                {std::to_string(++n) + ". " + DeviceEntryText(device, ShowCableIDOnly), device.Index});
        }
        if (UsbDevices.empty()) {
            ComboBox_FTDIDevice.Text = Text(LE::NoDevice);
            ComboBox_FTDIDeviceChange();
            return;
        }
        if (remembered >= 0 && remembered < ComboBox_FTDIDevice.Count()) {
            ComboBox_FTDIDevice.Select(remembered);
            ComboBox_FTDIDeviceChange();
            // The entry chosen before is still there: that is the reader to connect to.
            if (autoConnect) Connect(&ComboBox_FTDIDevice);
        } else {
            ComboBox_FTDIDevice.Select(0);
            ComboBox_FTDIDeviceChange();
        }
        return;
    }

    const std::int32_t remembered = ComboBox_Com.ItemIndex;
    ComboBox_Com.Clear();
    if (Bluetooth) Bluetooth->GetComPorts(AvailableCOMPorts);
    for (const std::string& port : AvailableCOMPorts) ComboBox_Com.Items.push_back({port, 0});
    if (ComboBox_Com.Count() == 0) return;
    if (remembered >= 0 && remembered < ComboBox_Com.Count()) {
        ComboBox_Com.Select(remembered);
    } else {
        ComboBox_Com.Select(0);
        SelectExisting(ComboBox_Com, ComPortDisplayName(COMPort));
    }
}

void TForm_Main::StartDeviceListTimer() {
    if (Schnittstelle && Schnittstelle->usbDevicesAvailable() && !LinkOpen())
        Timer_FTDIUpdate.SetEnabled(true);
}

void TForm_Main::Timer_FTDIUpdateTimer() {
    TChangeScope scope(*this);
    if (ApplicationActive && !LinkOpen()) RefreshDeviceList();
}

void TForm_Main::FormActivate() {
    TChangeScope scope(*this);
    RefreshDeviceList();
}

void TForm_Main::aktualisieren1Click() {
    TChangeScope scope(*this);
    RefreshDeviceList();
}

void TForm_Main::ComboBox_FTDIDeviceChange() {
    const TComboItem* entry = ComboBox_FTDIDevice.Selected();
    SetHintText(ComboBox_FTDIDevice, entry ? entry->Text : std::string());
}

void TForm_Main::ComboBox_ComKeyPress(char& Key) {
    if (Key != VK_ESCAPE) return;
    TChangeScope scope(*this);
    ComboBox_Com.Select(ComboBox_Com.ItemIndex);
    ActiveControl = nullptr;
}

void TForm_Main::Menu_AutoConnectClick() {
    TChangeScope scope(*this);
    Menu_AutoConnect.Checked = !Menu_AutoConnect.Checked;
    autoConnect = Menu_AutoConnect.Checked;
    ConfigFile->SetVal("VexoCommunication", "autoConnect", autoConnect);
    if (autoConnect) Timer_FTDIUpdateTimer();
}

void TForm_Main::Menu_DirectFTDIClick() {
    TChangeScope scope(*this);
    Schnittstelle->setFtdiMode(!FTDIMode());
    ConfigFile->SetVal("COM", "DirectFTDI", FTDIMode());
    ComboBox_Com.Visible = !FTDIMode();
    ComboBox_Baud.Visible = !FTDIMode();
    ComboBox_FTDIDevice.Visible = FTDIMode();
    Menu_FTDIDirect.Checked = FTDIMode();
}

void TForm_Main::Connect(const void* Sender) {
    if (!initialized || !Schnittstelle) return;
    TChangeScope scope(*this);
    manualConnect = Sender == &Button_Open;
    autoConnect = ConfigFile->GetVal("VexoCommunication", "autoConnect", true);
    Menu_AutoConnect.Checked = autoConnect;
    SerialTimedOut = false;

    bool opened = false;
    if (FTDIMode()) {
        const TComboItem* entry = ComboBox_FTDIDevice.Selected();
        if (!entry) return;
        opened = Schnittstelle->OpenPort(static_cast<std::uint8_t>(entry->Data), VexoBaudRate, false);
    } else {
        const TComboItem* entry = ComboBox_Com.Selected();
        if (!entry) return;
        const std::int32_t number = ComPortNumberFromName(entry->Text);
        std::uint32_t baud = 0;
        if (number < 0 || !TryStrToUInt32(TrimBlanks(ComboBox_Baud.Text), baud) || baud == 0 ||
            baud > INT32_MAX)
            return;
        // The port number is held in 8 bits.
        const std::uint8_t port = static_cast<std::uint8_t>(number);
        // On Windows a port is "COM" and its number; elsewhere it is its device.
        opened = ComPortsByNumber ? Schnittstelle->OpenPort(port, static_cast<std::int32_t>(baud), false)
                                  : Schnittstelle->OpenPortPath(ComPortDevicePath(entry->Text),
                                                                static_cast<std::int32_t>(baud));
        if (opened) {
            COMPort = port;
            COMPortName = ComPortsByNumber ? ComPortDisplayName(port) : entry->Text;
            ConfigFile->SetVal("COM", "Port", static_cast<std::int32_t>(port));
        }
    }
    if (!opened) {
        // Nothing else is shown for a port that does not open; a permission the user can
        // mend is told, with what to do.
        if (fEnv.Trace) fEnv.Trace("link: open failed: " + Schnittstelle->GetErrorMessage());
        if (manualConnect && TSeriellThread::IsPermissionError(Schnittstelle->GetErrorCode()))
            ShowMessageBox(Text(LE::PortAccessDenied), Text(LE::ConnectionFailed), 0);
        return;
    }
    ShowStatus(12);
    Vexo->getAcknowledge();
}

void TForm_Main::HandleAcknowledge() {
    TChangeScope scope(*this);
    VexoAcknowledged = true;
    switch (State.Current) {
    case 12: {
        StartTimeOut(0);
        if (FTDIMode()) {
            CurrOpenedDevice =
                DeviceEntryText(UsbDevice(Schnittstelle->ftdiCurrentDevice()), ShowCableIDOnly);
            ConfigFile->SetVal("COM", "LastFTDIDevice", CurrOpenedDevice);
        } else {
            // A COM port has no FTDI record; its name says which reader this is.
            CurrOpenedDevice = COMPortName;
        }
        UpdateCaption();
        Button_Open.Caption = Text(LE::Disconnect);
        SetHintText(Button_Open, Text(LE::HintDisconnect));
        for (TControl* c : std::initializer_list<TControl*>{&ComboBox_FTDIDevice, &ComboBox_Com,
                                                            &ComboBox_Baud, &Menu_FTDIDirect})
            c->Enabled = false;
        ShowStatus(14);
        Vexo->getFirmwareVersion();
        break;
    }
    case 5:
        // The reader has locked its button: identification complete.
        if (DisableButtonOnConnect && EEPROMMap->EEPROMVersion() > 4) {
            EnableDeviceButtons(true, true);
            ShowStatus(0);
        }
        break;
    case 7:
        ShowStatus(0);
        ShowMessageBox(Text(LE::FormatSucceeded), "", 0);
        break;
    case 8:
        // The evaluation has finished: fetch the configuration it used.
        StartReadStep(SpConfiguration);
        break;
    case 13:
        if (!errorMsg.empty()) ShowErrorMessage(errorMsg, errorCaption, 0);
        ShowStatus(0);
        break;
    case 21:
        // The reader has its button back: the waiting close goes ahead now.
        RequestClose();
        break;
    case 22:
        if (!ClosingForm) CloseConnection();
        break;
    default: break;
    }
}

void TForm_Main::HandleFirmwareVersion(const tFirmwareVersion& firmware) {
    TChangeScope scope(*this);
    Label_FW.Enabled = true;
    Label_FWDisplay.Enabled = true;
    FWString = "V" + std::to_string(firmware.main) + "." + std::to_string(firmware.sub) + "." +
               IntToStrPadded(firmware.revision, 3, '0');
    if (firmware.variant != 0) FWString += CharText(firmware.variant);
    if (firmware.branch != 0)
        FWString += "." + std::to_string(firmware.branch) + std::to_string(firmware.branchRevision);
    if (firmware.suffix != 0) FWString += CharText(firmware.suffix);
    Label_FWDisplay.Caption = SNString.empty() ? FWString : SNString + " / " + FWString;
    if (State.Current == 14) {
        ShowStatus(17);
        Vexo->getSerial();
    }
}

void TForm_Main::HandleSerialNumber(const tSerial& serial) {
    TChangeScope scope(*this);
    TEEPROMNonVolatile& nv = EEPROMMap->NonVolatileData;
    nv.LunderixSerialNumber = serial.zr4Serial;
    nv.CustomerNumber = serial.customer;
    nv.ProjectNumber = serial.project;
    nv.ProductionWeek = serial.productionDate.ProductionWeek();
    nv.ProductionYear = serial.productionDate.ProductionYear();
    nv.SerialNumber = serial.subSerial;
    SNString = std::to_string(serial.customer) + " " + std::to_string(serial.project) + " " +
               IntToStrPadded(nv.ProductionYear, 2, '0') + IntToStrPadded(nv.ProductionWeek, 2, '0') + " " +
               IntToStrPadded(serial.subSerial, 4, '0');
    Label_FWDisplay.Caption = FWString.empty() ? SNString : SNString + " / " + FWString;
    if (State.Current == 17) {
        EnableDeviceButtons(true, false);
        ShowStatus(5);
        StartReadStep(SpNonVolatileSN);
    }
}
