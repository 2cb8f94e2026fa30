// The reader's clock display, its poll and setting it.
#include "ClockFrames.h"
#include "Main.h"

void TForm_Main::EnableVexoClock() {
    TChangeScope scope(*this);
    Label_VexoTime.Enabled = true;
    DTP_SetDate.Enabled = true;
    DTP_SetTime.Enabled = true;
    Timer_VexoClock.SetEnabled(true);
    VexoAcknowledged = true;
}

void TForm_Main::Timer_VexoClockTimer() {
    // The user's editing in a picker is not overwritten, and a busy link is not disturbed.
    if (!VexoAcknowledged || !VexoGetDateTimeEnable) return;
    if (ActiveControl == &DTP_SetDate || ActiveControl == &DTP_SetTime) return;
    if (State.Current != 0) return;
    TChangeScope scope(*this);
    ShowStatus(15);
    Timer_WaitAfterClock.SetEnabled(false);
    Timer_WaitAfterClock.SetEnabled(true);
    Vexo->getDateTime();
}

void TForm_Main::HandleDateTime(TDateTime dateTime, bool valid) {
    TChangeScope scope(*this);
    // A command held back by the poll may have started meanwhile: its status stays.
    if (State.Current == 15) ShowStatus(0);
    const TClockFrames frames = ClockFrames(Now(), dateTime, valid);
    Panel_Date.Color = frames.DateColor;
    Panel_Time.Color = frames.TimeColor;
    DTP_SetDate.Value = frames.Shown;
    DTP_SetTime.Value = frames.Shown;
}

void TForm_Main::DTP_SetDateTimeChange() {
    if (!VexoAcknowledged || State.Current != 0) return;
    TChangeScope scope(*this);
    const TDateTime date = std::chrono::floor<std::chrono::days>(DTP_SetDate.Value);
    const TDateTime time = DTP_SetTime.Value;
    Vexo->setDateTime(date + (time - std::chrono::floor<std::chrono::days>(time)));
}

void TForm_Main::DTP_SetDateTimeEnter() {}

void TForm_Main::DTP_SetDateKeyDown(std::uint16_t& Key) {
    if (Key != VK_RETURN && Key != VK_ESCAPE) return;
    TChangeScope scope(*this);
    if (Key == VK_RETURN) DTP_SetDateTimeChange();
    Key = 0;
    ActiveControl = nullptr;
}

void TForm_Main::PopUpItem_SetSystemTimeClick() {
    TChangeScope scope(*this);
    const TDateTime now = Now();
    DTP_SetDate.Value = now;
    DTP_SetTime.Value = now;
    DTP_SetDateTimeChange();
    if (ActiveControl == &DTP_SetDate || ActiveControl == &DTP_SetTime) ActiveControl = nullptr;
}
