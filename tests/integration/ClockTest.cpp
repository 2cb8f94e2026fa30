// The reader's clock: the poll, the frame colours, and setting it from the pickers.
#include <gtest/gtest.h>

#include "ClockFrames.h"
#include "ConnectionRig.h"

namespace {

using std::chrono::milliseconds;

TDateTime At(int hour, int minute, int second, int day = 20) {
    return EncodeDateTime(2026, 5, day, hour, minute, second);
}

TEST(ClockFrames, ColoursByWholeMinutesAndCalendarDays) {
    struct {
        TDateTime Pc, Reader;
        bool Valid;
        std::uint32_t Date, Time;
    } cases[] = {
        {At(10, 0, 40), At(10, 1, 20), true, clClockGreen, clClockGreen},
        {At(10, 0, 0), At(10, 0, 59) + milliseconds(999), true, clClockGreen, clClockGreen},
        {At(10, 0, 0), At(10, 1, 0), true, clClockGreen, clClockOlive},
        {At(10, 0, 0), At(10, 2, 59), true, clClockGreen, clClockOlive},
        {At(10, 0, 0), At(10, 3, 30), true, clClockGreen, clClockRed},
        {At(10, 3, 30), At(10, 0, 0), true, clClockGreen, clClockRed},
        // Times of day only: a day apart with the same time is a green time.
        {At(10, 0, 0), At(10, 0, 0, 21), true, clClockRed, clClockGreen},
        {At(23, 59, 30), At(0, 0, 10, 21), true, clClockRed, clClockRed},
        {At(10, 0, 0), At(10, 0, 0), false, clClockRed, clClockRed},
    };
    for (const auto& c : cases) {
        const TClockFrames f = ClockFrames(c.Pc, c.Reader, c.Valid);
        EXPECT_EQ(f.DateColor, c.Date);
        EXPECT_EQ(f.TimeColor, c.Time);
        EXPECT_EQ(f.Shown, c.Valid ? c.Reader : c.Pc);
    }
    EXPECT_EQ(TimeOfDayMinutesApart(At(23, 59, 30), At(0, 0, 10)), 1439);
}

// A connected reader whose clock runs offset from the PC's; both follow simulated time.
struct TClockRig {
    TDateTime Pc;
    TConnectionRig Rig;
    TForm_Main* Form = nullptr;

    TClockRig(TDateTime pc, TDateTime reader, TSimScenario scenario = DefaultScenario())
        : Pc(pc), Rig(eMode::COM, scenario, reader) {
        Rig.H.Box.Env.Now = [this] { return Pc + milliseconds(Rig.H.Box.Clock.Now()); };
        Form = &Rig.Start();
        EXPECT_TRUE(Rig.ConnectByHand());
    }
    // Until the next clock answer has been shown.
    bool NextAnswer() {
        const std::uint32_t polls = Rig.Commands(cmdGetDateTime);
        return Rig.RunUntil([&] { return Rig.Commands(cmdGetDateTime) > polls; }, 1100) &&
               Rig.RunUntil([&] { return Form->State.Current == 0; }, 100);
    }
};

TEST(Clock, PollShowsTheReadersClockInColouredFrames) {
    // The answer a little late, so that the wait for it can be seen.
    TSimScenario s = DefaultScenario();
    TSimBehaviour late;
    late.Command = cmdGetDateTime;
    late.LateMs = 20;
    s.Behaviours.push_back(late);
    TClockRig c(At(10, 0, 0), At(10, 2, 59), s);
    TForm_Main& form = *c.Form;
    EXPECT_TRUE(form.Label_VexoTime.Enabled);
    EXPECT_TRUE(form.DTP_SetTime.Enabled);
    // The poll: status 15 shown as "Ready", commands held back for 300 ms.
    ASSERT_TRUE(c.Rig.RunUntil([&] { return form.State.Current == 15; }, 1100));
    EXPECT_EQ(form.StatusBar.Panels[0].Text, "Ready");
    EXPECT_TRUE(form.Timer_WaitAfterClock.Enabled());
    EXPECT_EQ(form.Timer_TimeOut.Interval(), 1000);
    ASSERT_TRUE(c.Rig.RunUntil([&] { return form.State.Current == 0; }, 50));
    EXPECT_EQ(form.Panel_Date.Color, clClockGreen);
    EXPECT_EQ(form.Panel_Time.Color, clClockOlive);
    const TDateTimeFields shown = DecodeDateTime(form.DTP_SetTime.Value);
    EXPECT_EQ(shown.Hour, 10);
    EXPECT_EQ(shown.Minute, 3);

    // A reader that cannot tell the date: red frames, the PC's clock in the pickers.
    c.Rig.Sim().SetClockInvalid(true);
    ASSERT_TRUE(c.NextAnswer());
    EXPECT_EQ(form.Panel_Date.Color, clClockRed);
    EXPECT_EQ(form.Panel_Time.Color, clClockRed);
    EXPECT_EQ(form.DTP_SetDate.Value, c.Pc + milliseconds(c.Rig.H.Box.Clock.Now()));

    // Disconnected: frames back to the button face, pickers off, no more polls.
    form.Button_OpenClick();
    EXPECT_EQ(form.Panel_Date.Color, clBtnFace);
    EXPECT_EQ(form.Panel_Time.Color, clBtnFace);
    EXPECT_FALSE(form.DTP_SetDate.Enabled);
}

TEST(Clock, AnotherDayIsARedDate) {
    TClockRig c(At(10, 0, 40), At(10, 1, 20, 19));
    ASSERT_TRUE(c.NextAnswer());
    EXPECT_EQ(c.Form->Panel_Date.Color, clClockRed);
    EXPECT_EQ(c.Form->Panel_Time.Color, clClockGreen);
}

TEST(Clock, ALateAnswerLeavesTheStatusOfTheCommandThatStartedMeanwhile) {
    TSimScenario s = DefaultScenario();
    TSimBehaviour late;
    late.Command = cmdGetDateTime;
    late.LateMs = 200;
    s.Behaviours.push_back(late);
    TClockRig c(At(10, 0, 0), At(9, 0, 0), s);
    TForm_Main& form = *c.Form;
    ASSERT_TRUE(c.Rig.RunUntil([&] { return form.State.Current == 15; }, 1100));
    form.ShowStatus(8); // a measurement held back by the poll has started
    c.Rig.Run(250);
    EXPECT_EQ(form.State.Current, 8);
    EXPECT_EQ(form.Panel_Time.Color, clClockRed);
    EXPECT_EQ(DecodeDateTime(form.DTP_SetTime.Value).Hour, 9);
}

TEST(Clock, AReaderWithoutAClockIsNeverAsked) {
    TClockRig c(At(10, 0, 0), At(10, 0, 0), ReaderOfVersion(2, false));
    c.Rig.Run(5000);
    EXPECT_EQ(c.Rig.Commands(cmdGetDateTime), 0u);
    EXPECT_FALSE(c.Form->DTP_SetDate.Enabled);
    EXPECT_FALSE(c.Form->Timer_VexoClock.Enabled());
}

TEST(Clock, EditingInAPickerIsNotOverwrittenAndEnterSendsIt) {
    TClockRig c(At(10, 0, 0), At(10, 0, 0));
    TForm_Main& form = *c.Form;
    ASSERT_TRUE(c.NextAnswer());
    form.ActiveControl = &form.DTP_SetTime;
    const std::uint32_t polls = c.Rig.Commands(cmdGetDateTime);
    c.Rig.Run(3000);
    EXPECT_EQ(c.Rig.Commands(cmdGetDateTime), polls);

    // Escape: the focus goes, nothing is sent, the polls come back.
    std::uint16_t key = TForm_Main::VK_ESCAPE;
    form.DTP_SetDateKeyDown(key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(form.ActiveControl, nullptr);
    EXPECT_EQ(c.Rig.Commands(cmdSetDateTime), 0u);
    ASSERT_TRUE(c.NextAnswer());

    // Enter while a measurement runs sends nothing.
    form.ActiveControl = &form.DTP_SetDate;
    form.DTP_SetDate.Value = EncodeDateTime(2027, 1, 2, 23, 59, 0);
    form.DTP_SetTime.Value = EncodeDateTime(2026, 5, 20, 8, 9, 10);
    form.ShowStatus(8);
    key = TForm_Main::VK_RETURN;
    form.DTP_SetDateKeyDown(key);
    c.Rig.Run(10);
    EXPECT_EQ(c.Rig.Commands(cmdSetDateTime), 0u);

    // In "Ready": the picker's date with the other picker's time of day.
    form.ShowStatus(0);
    form.ActiveControl = &form.DTP_SetDate;
    key = TForm_Main::VK_RETURN;
    form.DTP_SetDateKeyDown(key);
    EXPECT_EQ(form.ActiveControl, nullptr);
    c.Rig.Run(10);
    EXPECT_EQ(c.Rig.Commands(cmdSetDateTime), 1u);
    const TDateTimeFields set = DecodeDateTime(c.Rig.Sim().ReaderClock());
    EXPECT_EQ((TDateTimeFields{2027, 1, 2, 8, 9, 10, 0}),
              (TDateTimeFields{set.Year, set.Month, set.Day, set.Hour, set.Minute, set.Second, 0}));
    // Other keys are the picker's own.
    key = 'A';
    form.ActiveControl = &form.DTP_SetDate;
    form.DTP_SetDateKeyDown(key);
    EXPECT_EQ(key, 'A');
    EXPECT_EQ(form.ActiveControl, &form.DTP_SetDate);
}

TEST(Clock, SystemTimeFromTheContextMenu) {
    TClockRig c(At(10, 0, 0), EncodeDateTime(2024, 2, 29, 17, 30, 0));
    TForm_Main& form = *c.Form;
    ASSERT_TRUE(c.NextAnswer());
    ASSERT_EQ(form.Panel_Date.Color, clClockRed);
    form.ActiveControl = &form.DTP_SetTime;
    form.PopUpItem_SetSystemTimeClick();
    EXPECT_EQ(form.ActiveControl, nullptr);
    ASSERT_TRUE(c.NextAnswer());
    EXPECT_EQ(form.Panel_Date.Color, clClockGreen);
    EXPECT_EQ(form.Panel_Time.Color, clClockGreen);
}

} // namespace
