// Finding, connecting, identifying and disconnecting the simulated reader in both link modes.
#include <gtest/gtest.h>

#include "ConnectionRig.h"

namespace {

struct TIdentifyCase {
    eMode Mode;
    std::uint8_t Version;
    bool Clock;
    bool DisableButton;
};

std::string CaseName(const ::testing::TestParamInfo<TIdentifyCase>& info) {
    const TIdentifyCase& c = info.param;
    return std::string(ModeName(c.Mode)) + "_v" + std::to_string(c.Version) + (c.Clock ? "_clock" : "") +
           (c.DisableButton ? "_buttonLocked" : "");
}

class Identify : public ::testing::TestWithParam<TIdentifyCase> {};

TEST_P(Identify, ConnectShowsTheReaderAndReadsItsIdentification) {
    const TIdentifyCase c = GetParam();
    TConnectionRig rig(c.Mode, ReaderOfVersion(c.Version, c.Clock));
    if (c.DisableButton) rig.UserSettings({"[Setup]", "DisableVexoButtonOnConnect = true"});
    TForm_Main& form = rig.Start();
    ASSERT_TRUE(rig.ConnectByHand()) << "status " << int(form.State.Current);

    const std::string device = c.Mode == eMode::FTDI ? "Fake Vexo Cable (FK00001)" : "rfcomm3";
    EXPECT_EQ(form.CurrOpenedDevice, device);
    EXPECT_EQ(form.Caption, "Connected to  " + device + " @ 38400 baud - V1.5.063");
    EXPECT_EQ(form.Button_Open.Caption, "Disconnect");
    EXPECT_EQ(form.Button_Open.Hint, "Close the connection to the device.");
    for (const TControl* locked : std::initializer_list<const TControl*>{
             &form.ComboBox_FTDIDevice, &form.ComboBox_Com, &form.ComboBox_Baud, &form.Menu_FTDIDirect})
        EXPECT_FALSE(locked->Enabled);
    EXPECT_EQ(form.Label_FWDisplay.Caption, "12 3 1907 0042 / V1.2.007b");
    EXPECT_TRUE(form.Label_FW.Enabled);

    const TEEPROMMap& map = *form.EEPROMMap;
    EXPECT_EQ(map.EEPROMVersion(), c.Version);
    EXPECT_EQ(map.NonVolatileData.CustomerNumber, 12);
    EXPECT_EQ(map.NonVolatileData.SerialNumber, 42);
    EXPECT_EQ(map.VolatileData.VexoCfgBits.ClockAvailable(), c.Clock);
    // The non-volatile configuration bits exist from version 5 on.
    EXPECT_EQ(map.NonVolatileData.VexoCfgBits_0.TimerMeasureAllowed(), c.Version > 4);
    EXPECT_EQ(form.ReadVexoDataHelper->SavedDataReadSrc, 0x80000u); // the demo reader's extended memory

    EXPECT_TRUE(form.Button_ReadData.Enabled);
    EXPECT_TRUE(form.Button_TimerMeasure.Enabled);
    // Version 5 on: the measurement permissions count; before that every button works.
    EXPECT_EQ(form.Button_InstantMeasure.Enabled, c.Version < 5);
    EXPECT_EQ(rig.Sim().ButtonDisabled(), c.DisableButton && c.Version > 4);
    EXPECT_EQ(form.DTP_SetDate.Enabled, c.Clock);
    EXPECT_EQ(form.Timer_VexoClock.Enabled(), c.Clock);
    EXPECT_FALSE(form.ProgressBar.Visible);

    if (c.Mode == eMode::FTDI)
        EXPECT_EQ(form.ConfigFile->GetVal("COM", "LastFTDIDevice", ""), device);
    else
        EXPECT_EQ(form.ConfigFile->GetVal("COM", "Port", 0), 3);

    // Disconnect without a button to give back: closed at once, every control back.
    form.Button_OpenClick();
    if (c.DisableButton && c.Version > 4) {
        EXPECT_EQ(form.State.Current, 22);
        ASSERT_TRUE(rig.RunUntil([&] { return !form.LinkOpen(); }, 50));
        EXPECT_FALSE(rig.Sim().ButtonDisabled());
    }
    EXPECT_EQ(form.State.Current, 16);
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.Button_Open.Caption, "Connect");
    EXPECT_EQ(form.Caption, "Vexo Data Reader - V1.5.063");
    EXPECT_TRUE(form.ComboBox_Baud.Enabled);
    EXPECT_FALSE(form.Button_ReadData.Enabled);
    EXPECT_FALSE(form.DTP_SetDate.Enabled);
    EXPECT_FALSE(form.Timer_VexoClock.Enabled());
    EXPECT_EQ(form.Label_FWDisplay.Caption, "");
    EXPECT_EQ(form.EEPROMMap->EEPROMVersion(), 0);
    // The user disconnected: no automatic connect for the rest of the run.
    EXPECT_FALSE(form.autoConnect);
    EXPECT_FALSE(form.Menu_AutoConnect.Checked);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, Identify,
    ::testing::Values(TIdentifyCase{eMode::COM, 2, false, false}, TIdentifyCase{eMode::COM, 4, true, false},
                      TIdentifyCase{eMode::COM, 5, true, true}, TIdentifyCase{eMode::COM, 6, true, false},
                      TIdentifyCase{eMode::FTDI, 2, false, true}, TIdentifyCase{eMode::FTDI, 4, true, false},
                      TIdentifyCase{eMode::FTDI, 5, true, false}, TIdentifyCase{eMode::FTDI, 6, true, true}),
    CaseName);

TEST(DeviceList, AutoConnectHappensOnTheSecondRefresh) {
    TConnectionRig rig(eMode::FTDI);
    TForm_Main& form = rig.Start();
    // The first refresh lists and selects the reader without connecting.
    ASSERT_EQ(form.ComboBox_FTDIDevice.Count(), 1);
    EXPECT_EQ(form.ComboBox_FTDIDevice.ItemIndex, 0);
    EXPECT_EQ(form.ComboBox_FTDIDevice.Text, "1. Fake Vexo Cable (FK00001)");
    EXPECT_EQ(form.ComboBox_FTDIDevice.Hint, "1. Fake Vexo Cable (FK00001)");
    EXPECT_TRUE(form.Timer_FTDIUpdate.Enabled());
    EXPECT_FALSE(form.LinkOpen());
    rig.Run(1999);
    EXPECT_FALSE(form.LinkOpen());
    // The timer's refresh finds it again and connects.
    rig.Run(1);
    EXPECT_TRUE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 12);
    EXPECT_FALSE(form.manualConnect);
    EXPECT_TRUE(rig.RunUntil([&] { return form.State.Current == 0; }, 200));
    // While a port is open the refresh leaves the list alone.
    rig.Run(4000);
    EXPECT_EQ(form.ComboBox_FTDIDevice.Count(), 1);
}

TEST(DeviceList, AnInactiveApplicationIsNotRefreshedByTheTimer) {
    TConnectionRig rig(eMode::FTDI);
    TForm_Main& form = rig.Start();
    form.ApplicationActive = false;
    rig.Run(4000);
    EXPECT_FALSE(form.LinkOpen());
    // Activating the window refreshes, and that refresh finds the reader again.
    form.ApplicationActive = true;
    form.FormActivate();
    EXPECT_TRUE(form.LinkOpen());
}

TEST(DeviceList, OnlyFreeReadersAreListedAndTheChosenOneIsKept) {
    TConnectionRig rig(eMode::FTDI);
    rig.Ftdi.Reset(5);
    rig.Ftdi.SetDeviceInfo(1, 1, 0x04036015); // open in another program
    rig.Ftdi.SetDeviceInfo(2, 0, 0x04036001); // another product
    rig.Ftdi.SetDeviceInfo(3, 0, 0x04046015); // another vendor
    rig.UserSettings({"[VexoCommunication]", "autoConnect = false"});
    TForm_Main& form = rig.Start();
    ASSERT_EQ(form.ComboBox_FTDIDevice.Count(), 2);
    EXPECT_EQ(form.ComboBox_FTDIDevice.Items[0], (TComboItem{"1. Fake Vexo Cable (FK00001)", 0}));
    EXPECT_EQ(form.ComboBox_FTDIDevice.Items[1], (TComboItem{"2. Fake Vexo Cable (FK00005)", 4}));
    form.ComboBox_FTDIDevice.Select(1);
    form.aktualisieren1Click();
    EXPECT_EQ(form.ComboBox_FTDIDevice.ItemIndex, 1);
    EXPECT_FALSE(form.LinkOpen()); // auto-connect is off

    // Nothing listed although the library knows devices: empty and nothing selected.
    rig.Ftdi.SetDeviceInfo(0, 1, 0x04036015);
    rig.Ftdi.SetDeviceInfo(4, 0, 0);
    form.aktualisieren1Click();
    EXPECT_EQ(form.ComboBox_FTDIDevice.Count(), 0);
    EXPECT_EQ(form.ComboBox_FTDIDevice.ItemIndex, -1);
    EXPECT_EQ(form.ComboBox_FTDIDevice.Text, "");
    EXPECT_EQ(form.ComboBox_FTDIDevice.Hint, "");

    rig.Ftdi.Reset(0);
    form.aktualisieren1Click();
    EXPECT_EQ(form.ComboBox_FTDIDevice.Text, "-- no device --");

    rig.Ftdi.ForceStatus("FT_CreateDeviceInfoList", FT_IO_ERROR);
    form.aktualisieren1Click();
    EXPECT_EQ(form.ComboBox_FTDIDevice.Text, "FTDI error 4");
    EXPECT_EQ(form.ComboBox_FTDIDevice.Count(), 0);
}

TEST(DeviceList, CableIdOnlyShowsTheSerial) {
    TConnectionRig rig(eMode::FTDI);
    rig.ProgramSettings({"[Setup]", "ShowCableIDOnly = true"});
    TForm_Main& form = rig.Start();
    ASSERT_EQ(form.ComboBox_FTDIDevice.Count(), 1);
    EXPECT_EQ(form.ComboBox_FTDIDevice.Items[0].Text, "1. FK00001");
    ASSERT_TRUE(rig.ConnectByHand());
    EXPECT_EQ(form.Caption, "Connected to  FK00001 @ 38400 baud - V1.5.063");
}

TEST(DeviceList, ComModeSelectsTheStoredPortAndNeverConnectsByItself) {
    TConnectionRig rig(eMode::COM);
    rig.AddComPort(7);
    rig.AddComPort(12);
    rig.UserSettings({"[COM]", "Port = 7"});
    TForm_Main& form = rig.Start();
    ASSERT_EQ(form.ComboBox_Com.Count(), 3);
    EXPECT_EQ(form.ComboBox_Com.Items[2].Text, "rfcomm12");
    EXPECT_EQ(form.ComboBox_Com.Text, "rfcomm7");
    form.ComboBox_Com.Select(2);
    form.FormActivate();
    EXPECT_EQ(form.ComboBox_Com.Text, "rfcomm12");
    EXPECT_FALSE(form.Timer_FTDIUpdate.Enabled()); // no D2XX library
    EXPECT_FALSE(form.LinkOpen());

    // Escape in the box selects the entry again and leaves the box.
    form.ComboBox_Com.Text = "rfcomm1";
    form.ActiveControl = &form.ComboBox_Com;
    char key = 27;
    form.ComboBox_ComKeyPress(key);
    EXPECT_EQ(form.ComboBox_Com.Text, "rfcomm12");
    EXPECT_EQ(form.ActiveControl, nullptr);
}

TEST(Connect, ComPortNumberIsHeldInEightBitsAndTheBaudMustBeANumber) {
    TConnectionRig rig(eMode::COM);
    // Only the port the window should open is the reader: on Windows COM and the number held in
    // eight bits, elsewhere the device of that name.
    rig.H.Box.Env.Link.PortFactory = SimSerialPortFactory(
        rig.H.Reader, ComPortsByNumber ? ComPortDevicePath(44) : ComPortDevicePath("rfcomm300"));
    TForm_Main& form = rig.Start();
    form.ComboBox_Com.Items = {{"rfcomm300", 0}};
    form.ComboBox_Com.Select(0);

    form.ComboBox_Baud.Text = "abc";
    form.Button_OpenClick();
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);

    form.ComboBox_Baud.Text = "57600";
    ASSERT_TRUE(rig.ConnectByHand());
    EXPECT_EQ(form.Schnittstelle->RealBaud, 57600);
    EXPECT_EQ(form.ConfigFile->GetVal("COM", "Port", 0), 44);
    EXPECT_EQ(form.CurrOpenedDevice, ComPortsByNumber ? "COM44" : "rfcomm300");
}

TEST(Connect, NothingHappensBeforeTheStartHasFinished) {
    TConnectionRig rig(eMode::FTDI);
    TForm_Main& form = rig.H.Start();
    form.Button_OpenClick();
    EXPECT_FALSE(form.LinkOpen());
    rig.Run(150);
    EXPECT_TRUE(rig.ConnectByHand());
}

TEST(Connect, APortThatCannotBeOpenedChangesNothing) {
    TConnectionRig rig(eMode::COM);
    rig.H.Box.Env.Link.PortFactory = SimSerialPortFactory(rig.H.Reader, "/dev/elsewhere");
    TForm_Main& form = rig.Start();
    form.Button_OpenClick();
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);
    EXPECT_EQ(form.Button_Open.Caption, "Connect");
    rig.Run(2000);
    EXPECT_TRUE(rig.Messages().empty());
}

// A port the user may not open: what to do is shown when the user pressed Connect, and the
// trace says why the open failed; nothing else changes.
TEST(Connect, APortTheUserMayNotOpenSaysWhatToDo) {
    struct TRefusedPort : ISerialPort {
        std::uint32_t Open(const std::string&) override { return SERIAL_ERROR_NO_PERMISSION; }
        bool Close() override { return false; }
        bool IsOpen() const override { return false; }
        std::uint32_t ApplySettings(const tSerialLineSettings&) override { return SERIAL_ERROR_SETTINGS; }
        bool GetQueueStatus(tSerialQueueStatus&) override { return false; }
        std::int32_t Read(std::uint8_t*, std::uint32_t) override { return -1; }
        std::int32_t Write(const std::uint8_t*, std::uint32_t) override { return -1; }
        bool Purge(std::uint32_t) override { return false; }
        bool SetDTR(bool) override { return false; }
        bool SetRTS(bool) override { return false; }
        bool GetModemStatus(std::uint32_t&) override { return false; }
    };
    TConnectionRig rig(eMode::COM);
    rig.H.Box.Env.Link.PortFactory = [] { return std::make_unique<TRefusedPort>(); };
    std::vector<std::string> trace;
    rig.H.Box.Env.Trace = [&](const std::string& line) { trace.push_back(line); };
    TForm_Main& form = rig.Start();
    rig.H.Box.Dialogs.Expect("MessageBox", mrOk);
    form.Button_OpenClick();
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);
    ASSERT_EQ(rig.Messages().size(), 1u);
    EXPECT_EQ(rig.Messages()[0].Caption, "Connection failed");
    EXPECT_NE(rig.Messages()[0].Text.find("\"dialout\""), std::string::npos);
    EXPECT_NE(rig.Messages()[0].Text.find("udev rule"), std::string::npos);
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0].rfind("link: open failed: Keine Berechtigung", 0), 0u) << trace[0];
    EXPECT_NE(trace[0].find("(0x0522)"), std::string::npos);
}

TEST(Identification, FirmwareAndSerialTexts) {
    struct {
        tFirmwareVersion Firmware;
        std::string Text;
    } firmware[] = {
        {{1, 2, 7, 0, 0, 0, u'b'}, "V1.2.007b"},
        {{1, 2, 7, 0, 3, 12, 0}, "V1.2.007.312"},
        {{10, 0, 1234, u'X', 0, 0, 0}, "V10.0.1234X"},
        {{2, 1, 0, u'\u00e9', 0, 0, 0}, "V2.1.000\u00e9"},
    };
    TFormSandbox box;
    auto form = box.Start();
    for (const auto& f : firmware) {
        form->HandleFirmwareVersion(f.Firmware);
        EXPECT_EQ(form->FWString, f.Text);
        EXPECT_EQ(form->Label_FWDisplay.Caption, f.Text); // no serial number yet
    }
    tSerial serial;
    serial.customer = 12;
    serial.project = 3;
    serial.productionDate.ProductionDate = 7 << 8 | 19;
    serial.subSerial = 42;
    serial.zr4Serial = 0x12345678;
    form->HandleSerialNumber(serial);
    EXPECT_EQ(form->SNString, "12 3 1907 0042");
    EXPECT_EQ(form->Label_FWDisplay.Caption, "12 3 1907 0042 / V2.1.000\u00e9");
    EXPECT_EQ(form->EEPROMMap->NonVolatileData.LunderixSerialNumber, 0x12345678u);
    EXPECT_EQ(form->EEPROMMap->NonVolatileData.ProductionWeek, 7);
    // Outside the handshake the replies continue nothing.
    EXPECT_EQ(form->State.Current, 16);
}

TEST(Disconnect, ShutdownTextGoesFirstThenTheButtonIsReleasedOnTheAcknowledge) {
    TConnectionRig rig(eMode::FTDI, ReaderOfVersion(5));
    rig.UserSettings({"[Setup]", "DisableVexoButtonOnConnect = true"});
    TForm_Main& form = rig.Start();
    ASSERT_TRUE(rig.ConnectByHand());
    ASSERT_TRUE(rig.Sim().ButtonDisabled());
    rig.Run(1); // the last bytes of the handshake reach the log

    // Without the shutdown: set-button-control with 0x00, closed on the acknowledge.
    rig.Ftdi.Written.clear();
    form.Button_OpenClick();
    EXPECT_EQ(form.State.Current, 22);
    EXPECT_TRUE(form.LinkOpen());
    rig.Run(10);
    ASSERT_GE(rig.Ftdi.Written.size(), 3u);
    EXPECT_EQ(rig.Ftdi.Written[0], cFrameStart);
    EXPECT_EQ(rig.Ftdi.Written[2], cmdButtonControl);
    EXPECT_EQ(rig.Ftdi.Written[3], 0x00);
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_FALSE(rig.Sim().ButtonDisabled());

    // With the shutdown: the plain text comes before any frame; the reader is off, so
    // nothing acknowledges and the 100 ms time-out closes.
    form.Menu_ShutDownOnCloseClick();
    ASSERT_TRUE(rig.ConnectByHand());
    rig.Run(1);
    rig.Ftdi.Written.clear();
    form.Button_OpenClick();
    rig.Run(99);
    EXPECT_TRUE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 22);
    rig.Run(1);
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);
    const std::string text(rig.Ftdi.Written.begin(), rig.Ftdi.Written.begin() + 9);
    EXPECT_EQ(text, "shutdown\r");
    EXPECT_EQ(rig.Ftdi.Written.at(9), cFrameStart);
    EXPECT_FALSE(rig.H.Reader->SwitchedOn());
    EXPECT_TRUE(rig.Messages().empty());
}

TEST(Disconnect, MenuSwitchesTheLinkModeAndAutoConnectRefreshesAtOnce) {
    TConnectionRig rig(eMode::FTDI);
    rig.UserSettings({"[VexoCommunication]", "autoConnect = false"});
    TForm_Main& form = rig.Start();
    form.Menu_DirectFTDIClick();
    EXPECT_FALSE(form.FTDIMode());
    EXPECT_FALSE(form.Menu_FTDIDirect.Checked);
    EXPECT_TRUE(form.ComboBox_Com.Visible);
    EXPECT_FALSE(form.ComboBox_FTDIDevice.Visible);
    EXPECT_FALSE(form.ConfigFile->GetVal("COM", "DirectFTDI", true));
    form.Menu_DirectFTDIClick();
    EXPECT_TRUE(form.FTDIMode());
    EXPECT_TRUE(form.ComboBox_FTDIDevice.Visible);
    EXPECT_TRUE(form.ConfigFile->GetVal("COM", "DirectFTDI", false));

    // Auto-connect switched on refreshes at once; the entry selected before is connected.
    form.aktualisieren1Click();
    form.Menu_AutoConnectClick();
    EXPECT_TRUE(form.autoConnect);
    EXPECT_TRUE(form.ConfigFile->GetVal("VexoCommunication", "autoConnect", false));
    EXPECT_TRUE(form.LinkOpen());
}

} // namespace
