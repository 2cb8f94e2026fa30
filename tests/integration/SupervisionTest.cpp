// Missing replies and link errors: where every time-out of the connection ends.
#include <gtest/gtest.h>

#include "ConnectionRig.h"

namespace {

const std::string TimeOutText = "Waiting for device: time out.";
const std::string DisconnectedCaption = "Vexo has been disconnected!";

// The first acknowledge: 50 ms in FTDI mode, 1000 ms in COM mode; "Connection failed"
// only after the Connect button.
class FirstAcknowledge : public ::testing::TestWithParam<eMode> {};

TEST_P(FirstAcknowledge, MissingAnswerDisconnectsAndOnlyAManualConnectSaysSo) {
    const eMode mode = GetParam();
    const std::int64_t limit = mode == eMode::FTDI ? 50 : 1000;
    TSimScenario silent = DefaultScenario();
    silent.Behaviours.push_back(NoAnswerTo(cmdGetAcknowledge));
    TConnectionRig rig(mode, silent);
    TForm_Main& form = rig.Start();

    form.Button_OpenClick();
    ASSERT_EQ(form.State.Current, 12);
    rig.Run(limit - 1);
    EXPECT_TRUE(form.LinkOpen());
    rig.H.Box.Dialogs.Expect("MessageBox", mrOk);
    rig.Run(1);
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);
    ASSERT_EQ(rig.Messages().size(), 1u);
    EXPECT_EQ(rig.Messages()[0].Text, "Connection failed");
    EXPECT_EQ(rig.Messages()[0].Caption, "");
    EXPECT_FALSE(form.VexoAcknowledged);

    if (mode == eMode::FTDI) {
        // The device list's own attempts fail silently and are tried again.
        ASSERT_TRUE(rig.RunUntil([&] { return form.State.Current == 12; }, 2000));
        EXPECT_FALSE(form.manualConnect);
        rig.Run(50);
        EXPECT_EQ(form.State.Current, 16);
        EXPECT_EQ(rig.Messages().size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, FirstAcknowledge, ::testing::Values(eMode::COM, eMode::FTDI),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

TEST(TimeOut, MissingFirmwareAsksForAnAcknowledgeAndTheConnectionStays) {
    TSimScenario s = DefaultScenario();
    s.Behaviours.push_back(NoAnswerTo(cmdGetFirmwareVersion));
    TConnectionRig rig(eMode::FTDI, s);
    TForm_Main& form = rig.Start();
    form.Button_OpenClick();
    ASSERT_TRUE(rig.RunUntil([&] { return form.State.Current == 14; }, 50));
    rig.Run(99);
    EXPECT_EQ(form.State.Current, 14);
    rig.H.Box.Dialogs.Expect("MessageBox", mrOk);
    rig.Run(1);
    EXPECT_EQ(form.State.Current, 13);
    EXPECT_FALSE(form.VexoAcknowledged);
    ASSERT_TRUE(rig.RunUntil([&] { return form.State.Current == 0; }, 50));
    ASSERT_EQ(rig.Messages().size(), 1u);
    EXPECT_EQ(rig.Messages()[0].Text, TimeOutText);
    EXPECT_EQ(rig.Messages()[0].Caption, DisconnectedCaption);
    EXPECT_TRUE(form.LinkOpen());
    EXPECT_TRUE(form.VexoAcknowledged);
    // Without identification the device buttons stay off.
    EXPECT_FALSE(form.Button_ReadData.Enabled);
}

TEST(TimeOut, NoAnswerToTheCheckClosesTheConnectionWithTheMessage) {
    TSimScenario s = DefaultScenario();
    s.Behaviours.push_back(NoAnswerTo(cmdGetFirmwareVersion));
    s.Behaviours.push_back(NoAnswerTo(cmdGetAcknowledge, 2));
    TConnectionRig rig(eMode::COM, s);
    TForm_Main& form = rig.Start();
    form.Button_OpenClick();
    ASSERT_TRUE(rig.RunUntil([&] { return form.State.Current == 14; }, 50));
    rig.Run(1000);
    ASSERT_EQ(form.State.Current, 13);
    rig.Run(999);
    EXPECT_TRUE(form.LinkOpen());
    rig.H.Box.Dialogs.Expect("MessageBox", mrOk);
    rig.Run(1);
    ASSERT_EQ(rig.Messages().size(), 1u);
    EXPECT_EQ(rig.Messages()[0].Text, TimeOutText + "\r\nThe connection has been closed.");
    EXPECT_EQ(rig.Messages()[0].Caption, DisconnectedCaption);
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);
}

TEST(TimeOut, MissingSerialKeepsTheReaderUsableWithoutItsButtonRelease) {
    TSimScenario s = ReaderOfVersion(6);
    s.Behaviours.push_back(NoAnswerTo(cmdGetSerial));
    TConnectionRig rig(eMode::FTDI, s);
    rig.UserSettings({"[Setup]", "DisableVexoButtonOnConnect = true"});
    TForm_Main& form = rig.Start();
    form.Button_OpenClick();
    ASSERT_TRUE(rig.RunUntil([&] { return form.State.Current == 17; }, 50));
    rig.Run(100);
    EXPECT_EQ(form.State.Current, 0);
    EXPECT_TRUE(form.LinkOpen());
    EXPECT_TRUE(form.Button_ReadData.Enabled);
    EXPECT_TRUE(form.Button_InstantMeasure.Enabled); // permissions were never read
    EXPECT_TRUE(form.DTP_SetDate.Enabled);
    EXPECT_TRUE(form.Timer_VexoClock.Enabled());
    EXPECT_TRUE(form.VexoAcknowledged);
    EXPECT_EQ(rig.Commands(cmdReadData), 0u); // no identification read
    EXPECT_TRUE(rig.Messages().empty());

    // The button was never locked: a later disconnect closes at once, whatever the map says.
    form.EEPROMMap->NonVolatileData.EEPROMVersion = 6;
    form.Button_OpenClick();
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(rig.Commands(cmdButtonControl), 0u);
    // The next connect clears the record.
    rig.Sim().ClearBehaviours();
    EXPECT_TRUE(rig.ConnectByHand());
    EXPECT_FALSE(form.SerialTimedOut);
}

TEST(TimeOut, MissingIdentificationReadAsksForAnAcknowledge) {
    TSimScenario s = DefaultScenario();
    s.Behaviours.push_back(NoAnswerTo(cmdReadData));
    TConnectionRig rig(eMode::FTDI, s);
    TForm_Main& form = rig.Start();
    form.Button_OpenClick();
    ASSERT_TRUE(rig.RunUntil([&] { return form.State.Current == 5; }, 50));
    rig.Run(8499);
    EXPECT_EQ(form.State.Current, 5);
    rig.H.Box.Dialogs.Expect("MessageBox", mrOk);
    ASSERT_TRUE(rig.RunUntil([&] { return form.State.Current == 0; }, 50));
    EXPECT_EQ(rig.Messages().at(0).Text, TimeOutText);
    EXPECT_TRUE(form.LinkOpen());
}

struct TClockTimeOutCase {
    const char* Name;
    bool DisconnectOnTimeError;
    bool AutoConnect;
    bool Open;            // the connection afterwards
    std::uint8_t Status;  // and the status
    std::uint32_t Checks; // acknowledge requests after the handshake's
};

class ClockTimeOut : public ::testing::TestWithParam<TClockTimeOutCase> {};

TEST_P(ClockTimeOut, EndsAsTheSettingsSay) {
    const TClockTimeOutCase c = GetParam();
    TSimScenario s = DefaultScenario();
    s.Behaviours.push_back(NoAnswerTo(cmdGetDateTime));
    TConnectionRig rig(eMode::COM, s);
    rig.ProgramSettings(
        {"[VexoCommunication]",
         std::string("disconnectOnTimeError = ") + (c.DisconnectOnTimeError ? "true" : "false"),
         "getTimeTimeOut = 400"});
    rig.UserSettings(
        {"[VexoCommunication]", std::string("autoConnect = ") + (c.AutoConnect ? "true" : "false")});
    TForm_Main& form = rig.Start();
    ASSERT_TRUE(rig.ConnectByHand());
    ASSERT_TRUE(rig.RunUntil([&] { return form.State.Current == 15; }, 1100));
    EXPECT_EQ(form.StatusBar.Panels[0].Text, "Ready");
    rig.Run(399);
    EXPECT_EQ(form.State.Current, 15);
    rig.Run(51);
    // Only the check's acknowledge sets it again after the time-out.
    EXPECT_EQ(form.VexoAcknowledged, c.Checks > 0);
    EXPECT_EQ(form.LinkOpen(), c.Open);
    EXPECT_EQ(form.State.Current, c.Status);
    EXPECT_EQ(rig.Commands(cmdGetAcknowledge), 1u + c.Checks);
    EXPECT_TRUE(rig.Messages().empty());
    if (c.Open) {
        // Without an acknowledge since the time-out the clock is not asked again.
        const std::uint32_t polls = rig.Commands(cmdGetDateTime);
        rig.Run(3000);
        EXPECT_EQ(rig.Commands(cmdGetDateTime), polls + (c.Checks ? 3u : 0u));
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, ClockTimeOut,
                         ::testing::Values(TClockTimeOutCase{"Kept", false, true, true, 15, 0},
                                           TClockTimeOutCase{"SilentDisconnect", true, true, false, 16, 0},
                                           TClockTimeOutCase{"CheckedQuietly", true, false, true, 0, 1}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(TimeOut, BusyReaderEndsInReady) {
    TConnectionRig rig(eMode::FTDI);
    TForm_Main& form = rig.Start();
    ASSERT_TRUE(rig.ConnectByHand());
    form.ShowStatus(20);
    form.StartTimeOut(600);
    form.VexoAcknowledged = false;
    rig.Run(600);
    EXPECT_EQ(form.State.Current, 0);
    EXPECT_TRUE(form.VexoAcknowledged);
    EXPECT_TRUE(form.LinkOpen());
    EXPECT_TRUE(rig.Messages().empty());
}

TEST(TimeOut, ButtonReleaseNotAnsweredClosesAnyway) {
    // Each connect locks the button (answered), each release goes unanswered.
    TSimScenario s = ReaderOfVersion(5);
    s.Behaviours = {NoAnswerTo(cmdButtonControl, 2), NoAnswerTo(cmdButtonControl, 4)};
    TConnectionRig rig(eMode::COM, s);
    rig.UserSettings({"[Setup]", "DisableVexoButtonOnConnect = true"});
    TForm_Main& form = rig.Start();
    ASSERT_TRUE(rig.ConnectByHand());

    // Disconnecting: status 22 for 100 ms, then closed without a message.
    form.Button_OpenClick();
    rig.Run(99);
    EXPECT_EQ(form.State.Current, 22);
    rig.Run(1);
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);

    // Closing the window: status 21 for 100 ms, then the connection closes and the
    // window with it, as the user asked.
    ASSERT_TRUE(rig.ConnectByHand());
    EXPECT_FALSE(form.RequestClose());
    EXPECT_EQ(form.State.Current, 21);
    rig.Run(99);
    EXPECT_FALSE(form.Closed());
    rig.Run(1);
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_TRUE(form.Closed());
    EXPECT_TRUE(rig.Messages().empty());
}

TEST(LinkError, ShortWriteClosesTheConnectionWithItsMessage) {
    TConnectionRig rig(eMode::FTDI);
    TForm_Main& form = rig.Start();
    ASSERT_TRUE(rig.ConnectByHand());
    rig.Ftdi.SetWriteLimit(0, 3);
    rig.H.Box.Dialogs.Expect("MessageBox", mrOk);
    form.Vexo->getAcknowledge();
    rig.Run(10);
    ASSERT_EQ(rig.Messages().size(), 1u);
    EXPECT_EQ(rig.Messages()[0].Text, "Connection closed (possible data loss)");
    EXPECT_EQ(rig.Messages()[0].Caption, "");
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);
}

TEST(LinkError, EveryErrorHasItsMessage) {
    struct {
        TSeriellError Error;
        const char* Text;
        bool Closes;
    } cases[] = {{Err_Unknown, "Unknown error", true},
                 {Err_PortNotOpen, "Port not opened", false},
                 {static_cast<TSeriellError>(9), "Unknown error", true}};
    TConnectionRig rig(eMode::COM);
    TForm_Main& form = rig.Start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        ASSERT_TRUE(rig.ConnectByHand());
        rig.H.Box.Dialogs.Expect("MessageBox", mrOk);
        form.HandleLinkError(c.Error);
        EXPECT_EQ(rig.Messages().back().Text, c.Text);
        EXPECT_EQ(form.LinkOpen(), !c.Closes);
        // The status after the action is set again once the message is closed.
        EXPECT_EQ(form.State.Current, c.Closes ? 16 : 0);
        if (form.LinkOpen()) form.Button_OpenClick();
    }
}

} // namespace
