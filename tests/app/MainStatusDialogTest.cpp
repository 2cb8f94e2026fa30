// Status display, busy buttons and the dialogs of the main window.
#include <gtest/gtest.h>

#include "FormSandbox.h"

namespace {

struct StatusFixture : ::testing::Test {
    TFormSandbox box;
    std::unique_ptr<TForm_Main> form;
    void Start() { form = box.Start(); }
    std::int32_t TimeOut() const {
        return form->Timer_TimeOut.Enabled() ? form->Timer_TimeOut.Interval() : 0;
    }
};

TEST_F(StatusFixture, EachStatusShowsItsTextAndArmsItsTimeOutInComMode) {
    Start();
    struct {
        std::uint8_t Code;
        const char* Text;
        std::int32_t TimeOut;
    } cases[] = {{0, "Ready", 0},
                 {1, "Sending data", 5000},
                 {2, "Receiving data", 5000},
                 {5, "Connecting", 8500},
                 {7, "Formatting", 8500},
                 {8, "Evaluating", 8500},
                 {9, "", 0},
                 {12, "Connecting", 1000},
                 {13, "Ready", 1000},
                 {14, "Connecting", 1000},
                 {15, "Ready", 1000},
                 {16, "disconnected", 0},
                 {17, "Connecting", 1000},
                 {18, "", 0},
                 {19, "", 0},
                 {20, "Vexo busy", 0},
                 {21, "disconnected", 100},
                 {22, "disconnected", 100},
                 {255, "", 0}};
    for (const auto& c : cases) {
        form->ShowStatus(12); // a running time-out that every code must stop or replace
        form->ShowStatus(c.Code);
        EXPECT_EQ(form->StatusBar.Panels[0].Text, c.Text) << int(c.Code);
        EXPECT_EQ(TimeOut(), c.TimeOut) << int(c.Code);
        EXPECT_EQ(form->State.Current, c.Code);
    }
}

TEST_F(StatusFixture, FtdiModeHasShortHandshakeTimeOuts) {
    box.Env.Link.LibraryName = VEXO_FTD2XX_PATH;
    Start();
    ASSERT_TRUE(form->FTDIMode());
    EXPECT_TRUE(form->ComboBox_FTDIDevice.Visible);
    EXPECT_FALSE(form->ComboBox_Com.Visible);
    EXPECT_FALSE(form->ComboBox_Baud.Visible);
    EXPECT_FALSE(form->Menu_FTDIDirect.Visible);
    for (auto [code, ms] : {std::pair{12, 50}, {13, 100}, {14, 100}, {17, 100}, {21, 100}, {2, 5000}}) {
        form->ShowStatus(static_cast<std::uint8_t>(code));
        EXPECT_EQ(TimeOut(), ms) << code;
    }
}

TEST_F(StatusFixture, DateTimeWaitTakesItsSettingAndZeroStartsNoTimer) {
    WriteTextFile(box.App + DIR_SEP "DRConfigRO.ini", {"[VexoCommunication]", "getTimeTimeOut = 0"});
    Start();
    form->ShowStatus(15);
    EXPECT_EQ(TimeOut(), 0);
    EXPECT_EQ(box.Clock.NextDue(), 150); // only the start completion and the status counter are pending
}

TEST_F(StatusFixture, TimeOutRunsOnTheClockAndASecondShowStatusRestartsIt) {
    Start();
    box.Clock.Advance(150);
    form->ShowStatus(2);
    box.Clock.Advance(4000);
    form->ShowStatus(2);
    box.Clock.Advance(4999);
    EXPECT_EQ(form->State.Current, 2);
    box.Clock.Advance(1);
    // Fired: the reader is asked whether it is still there, under the time-out of status 13.
    EXPECT_EQ(form->State.Current, 13);
}

TEST_F(StatusFixture, ActiveCountCountsSecondsOfTheCurrentStatus) {
    Start();
    box.Clock.Advance(3000);
    EXPECT_EQ(form->State.ActiveCount, 3);
    form->ShowStatus(0);
    EXPECT_EQ(form->State.ActiveCount, 0);
    box.Clock.Advance(1000);
    EXPECT_EQ(form->State.ActiveCount, 1);
}

TEST_F(StatusFixture, ProgressBarEvaluationWindowAndCombineBox) {
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini", {"[Setup]", "CombineMeasurements = true"});
    Start();
    form->ShowStatus(2);
    form->ProgressBar.Visible = true;
    form->ShowStatus(2);
    EXPECT_TRUE(form->ProgressBar.Visible);
    form->ShowStatus(0);
    EXPECT_FALSE(form->ProgressBar.Visible);

    form->ShowEvaluationInfo("Evaluation starts in 3 s");
    EXPECT_TRUE(box.Dialogs.Of("EvaluationInfo").empty()); // only while evaluating
    form->ShowStatus(8);
    EXPECT_FALSE(form->CB_CombineMeasurements.Enabled);
    form->ShowEvaluationInfo("Place over white card");
    ASSERT_EQ(box.Dialogs.Of("EvaluationInfo").size(), 1u);
    EXPECT_EQ(box.Dialogs.Of("EvaluationInfo")[0].Text, "Place over white card");
    form->ShowStatus(8);
    EXPECT_TRUE(box.Dialogs.Of("HideEvaluationInfo").empty());
    form->ShowStatus(0);
    EXPECT_EQ(box.Dialogs.Of("HideEvaluationInfo").size(), 1u);
    EXPECT_TRUE(form->CB_CombineMeasurements.Enabled);
}

TEST_F(StatusFixture, DeviceButtonsFollowTheReadersPermissions) {
    Start();
    TButton& instant = form->Button_InstantMeasure;
    TButton& timer = form->Button_TimerMeasure;
    struct {
        std::uint8_t Version;
        std::uint32_t Bits;
        bool Enable, Check;
        bool Instant, Timer;
    } cases[] = {
        {4, 0, true, true, true, true}, // permissions only from version 5 on
        {5, 0, true, true, false, false},
        {5, 1u << 18, true, true, true, false},
        {6, 1u << 19, true, true, false, true},
        {5, 0, true, false, true, true},
        {5, (1u << 18) | (1u << 19), false, true, false, false},
    };
    for (const auto& c : cases) {
        form->EEPROMMap->NonVolatileData.EEPROMVersion = c.Version;
        form->EEPROMMap->NonVolatileData.VexoCfgBits_0.Data = c.Bits;
        form->EnableDeviceButtons(c.Enable, c.Check);
        EXPECT_EQ(instant.Enabled, c.Instant) << int(c.Version) << " " << c.Bits;
        EXPECT_EQ(timer.Enabled, c.Timer) << int(c.Version) << " " << c.Bits;
        EXPECT_EQ(form->Button_ReadData.Enabled, c.Enable);
        EXPECT_EQ(form->Menu_FormatDB.Enabled, c.Enable);
    }
}

TEST_F(StatusFixture, StatusBarPanelsSizeThemselves) {
    Start();
    form->StatusBarDrawPanel(0, TRect{0, 2, 50, 18}, 61);
    EXPECT_EQ(form->StatusBar.Panels[0].Width, 81);
    form->StatusBarDrawPanel(1, TRect{81, 2, 102, 18}, 0);
    EXPECT_EQ(form->StatusBar.Panels[1].Width, 102);
    EXPECT_EQ(form->ProgressBar.Bounds, (TRect{82, 3, 100, 16}));
    form->StatusBarDrawPanel(2, TRect{183, 2, 50, 18}, 0);
    EXPECT_EQ(form->StatusBar.Panels[2].Width, 20);
    form->StatusBarDrawPanel(3, TRect{}, 5); // no such panel
}

TEST(MainStatus, SelectComboTextSelectsOrAppends) {
    TComboBox combo;
    combo.Items = {{"9600", 0}, {"38400", 0}};
    TForm_Main::SelectComboText(combo, "38400");
    EXPECT_EQ(combo.ItemIndex, 1);
    EXPECT_EQ(combo.Text, "38400");
    TForm_Main::SelectComboText(combo, "31250");
    EXPECT_EQ(combo.Count(), 3);
    EXPECT_EQ(combo.ItemIndex, 2);
    TForm_Main::SelectComboText(combo, "COM"); // letter case counts
    TForm_Main::SelectComboText(combo, "com");
    EXPECT_EQ(combo.Count(), 5);
}

TEST_F(StatusFixture, MessageBoxStylesTextsAndResults) {
    Start();
    struct {
        std::int32_t Style;
        std::int32_t Answer;
        const char *OK, *Cancel, *Aux, *CheckBox;
    } cases[] = {{0, mrOk, "OK", "", "", ""},
                 {1, mrCancel, "OK", "Cancel", "", ""},
                 {3, mrYes, "Yes", "No", "Cancel", ""},
                 {4, mrNo, "Yes", "No", "", ""},
                 {6, mrYesToAll, "Accept", "Decline", "", "Do not show again"}};
    for (const auto& c : cases) {
        box.Dialogs.Expect("MessageBox", c.Answer);
        EXPECT_EQ(form->ShowMessageBox("msg", "cap", c.Style), c.Answer);
        const TMessageBoxRequest& r = box.Dialogs.Calls.back().Box;
        EXPECT_EQ(r.Style, c.Style);
        EXPECT_EQ(r.Message, "msg");
        EXPECT_EQ(r.Caption, "cap");
        EXPECT_EQ(r.OKText, c.OK) << c.Style;
        EXPECT_EQ(r.CancelText, c.Cancel) << c.Style;
        EXPECT_EQ(r.AuxText, c.Aux) << c.Style;
        EXPECT_EQ(r.CheckBoxText, c.CheckBox) << c.Style;
    }
    for (std::int32_t style : {2, 5, 7, -1}) {
        box.Dialogs.Expect("SystemMessage", 0);
        EXPECT_EQ(form->ShowMessageBox("msg", "cap", style), 0);
        EXPECT_EQ(box.Dialogs.Calls.back().Text, "Message-Flag nicht behandelt. Bitte ergänzen!");
        EXPECT_EQ(box.Dialogs.Calls.back().Caption, "");
    }
    EXPECT_TRUE(box.Dialogs.ScriptDone());
}

TEST_F(StatusFixture, ModalDialogsRestTheStatusCounterAndTheClockPoll) {
    Start();
    std::vector<std::pair<bool, bool>> during; // status counter, clock poll
    box.Dialogs.WhileOpen = [&](const TDialogCall&) {
        during.emplace_back(form->Timer_StateCnt.Enabled(), form->Timer_VexoClock.Enabled());
    };
    for (bool clockOn : {true, false}) {
        form->Timer_VexoClock.SetEnabled(clockOn);
        box.Dialogs.Expect("MessageBox", mrOk);
        form->ShowMessageBox("m", "", 0);
        box.Dialogs.Expect("InputQuery", mrCancel);
        std::string text = "keep";
        form->QueryText("c", "p", true, text);
        box.Dialogs.Expect("Select", mrOk, 1);
        std::int32_t chosen = -1;
        form->SelectChoice(TSelectRequest{"c", "l", {"a", "b"}, 0, "OK", "Cancel"}, chosen);
        EXPECT_EQ(chosen, 1);
        EXPECT_EQ(form->Timer_VexoClock.Enabled(), clockOn);
        EXPECT_TRUE(form->Timer_StateCnt.Enabled());
    }
    ASSERT_EQ(during.size(), 6u);
    for (auto [stateCnt, clock] : during) {
        EXPECT_FALSE(stateCnt);
        EXPECT_FALSE(clock);
    }
    // The seconds a dialog stays open do not count.
    form->ShowStatus(0);
    box.Dialogs.WhileOpen = [&](const TDialogCall&) { box.Clock.Advance(5000); };
    box.Dialogs.Expect("MessageBox", mrOk);
    form->ShowMessageBox("m", "", 0);
    EXPECT_EQ(form->State.ActiveCount, 0);
}

TEST_F(StatusFixture, ErrorMessageShowsStatus18ThenTheStatusAfter) {
    Start();
    std::vector<std::uint8_t> statusWhileOpen;
    box.Dialogs.WhileOpen = [&](const TDialogCall&) { statusWhileOpen.push_back(form->State.Current); };
    box.Dialogs.Expect("MessageBox", mrOk);
    form->ShowErrorMessage("Port not opened", "", 0);
    EXPECT_EQ(statusWhileOpen, std::vector<std::uint8_t>{18});
    EXPECT_EQ(box.Dialogs.Calls.back().Style, 0);
    EXPECT_EQ(form->State.Current, 0);
    EXPECT_EQ(form->StatusBar.Panels[0].Text, "Ready");
    EXPECT_TRUE(form->Timer_StateCnt.Enabled());
}

TEST_F(StatusFixture, QueryTextAsksAgainForAnEmptyAnswerWhereOneIsNeeded) {
    Start();
    std::string text = "old";
    box.Dialogs.Expect("InputQuery", mrOk, 0, "");
    box.Dialogs.Expect("InputQuery", mrOk, 0, "new");
    EXPECT_EQ(form->QueryText("c", "p", false, text), mrOk);
    EXPECT_EQ(text, "new");
    box.Dialogs.Expect("InputQuery", mrOk, 0, "");
    EXPECT_EQ(form->QueryText("c", "p", true, text), mrOk);
    EXPECT_EQ(text, "");
    text = "kept";
    box.Dialogs.Expect("InputQuery", mrCancel, 0, "typed");
    EXPECT_EQ(form->QueryText("c", "p", true, text), mrCancel);
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(box.Dialogs.ScriptDone());
}

TEST_F(StatusFixture, VersionWindowShowsTheProgramAndReturnsToTheStatusBefore) {
    WriteTextFile(box.App + DIR_SEP "DRConfigRO.ini", {"[Application]", "name = \"\"", "[Customer]",
                                                       "name = \"Clinic\"", "logo = \"nowhere.png\""});
    Start();
    form->ShowStatus(0);
    std::uint8_t during = 0;
    box.Dialogs.WhileOpen = [&](const TDialogCall&) { during = form->State.Current; };
    form->SubMenu_VersionClick();
    EXPECT_EQ(during, 19);
    EXPECT_EQ(form->State.Current, 0);
    ASSERT_EQ(box.Dialogs.Of("Version").size(), 1u);
    const TVersionInfo info = box.Dialogs.Of("Version")[0].Version;
    EXPECT_EQ(info.ProgName, "Vexo Data Reader");
    EXPECT_EQ(info.Customer, "Clinic");
    EXPECT_EQ(info.LogoFile, ""); // missing: no picture
    EXPECT_EQ(info.Version, "V1.5.063");
    EXPECT_EQ(info.CloseText, "Close");
}

// An installed program is started from anywhere: its default logo ships in the program folder,
// and a copy of the user's own in the configuration folder takes its place.
TEST_F(StatusFixture, DefaultLogoIsFoundInTheProgramFolderThenInTheUsersFolder) {
    box.MakeAppReadOnly();
    WriteTextFile(box.App + DIR_SEP "logo.tif", {"shipped"});
    Start();
    EXPECT_EQ(form->VersionInfo().LogoFile, box.App + DIR_SEP "logo.tif");
    WriteTextFile(Paths.configPath + DIR_SEP "logo.tif", {"the lab's own"});
    EXPECT_EQ(form->VersionInfo().LogoFile, Paths.configPath + DIR_SEP "logo.tif");
    EXPECT_NE(Paths.configPath, box.App);
}

TEST_F(StatusFixture, EveryHandlerRaisesOneChangeNotification) {
    Start();
    box.Clock.Advance(150); // the start completion
    int before = box.Changes;
    form->ShowStatus(0);
    EXPECT_EQ(box.Changes, before + 1);
    before = box.Changes;
    form->Menu_ShutDownOnCloseClick(); // calls nothing that notifies by itself
    EXPECT_EQ(box.Changes, before + 1);
    before = box.Changes;
    box.Dialogs.Expect("MessageBox", mrOk);
    form->ShowErrorMessage("x", "", 0); // nested status changes and a dialog
    EXPECT_EQ(box.Changes, before + 1);
    before = box.Changes;
    box.Clock.Advance(1000); // one status counter tick (restarted by the dialog)
    EXPECT_EQ(box.Changes, before + 1);
}

} // namespace
