// The status code, its text and reply time-out, and the buttons that start work on the reader.
#include "Main.h"
#include "StatusTable.h"

void TForm_Main::ShowStatus(std::uint8_t code) {
    TChangeScope scope(*this);
    StartTimeOut(0);
    StatusBar.FontSize = 9;
    if (code != 8 && EvaluationInfoCreated && fEnv.Dialogs) fEnv.Dialogs->HideEvaluationInfo();
    if (code != 2) ProgressBar.Visible = false;
    CB_CombineMeasurements.Enabled = code != 8;
    const TStatusInfo info = StatusInfo(code);
    StartTimeOut(StatusTimeOut(code, FTDIMode(), timeOutForGetTime));
    StatusBar.Panels[0].Text = Text(*info.Text);
    State.Current = code;
    State.ActiveCount = 0;
}

void TForm_Main::StartTimeOut(std::int32_t ms) {
    Timer_TimeOut.SetEnabled(false);
    if (ms > 0) {
        Timer_TimeOut.SetInterval(ms);
        Timer_TimeOut.SetEnabled(true);
    }
}

void TForm_Main::EnableDeviceButtons(bool enable, bool checkPermissions) {
    TChangeScope scope(*this);
    Button_ReadData.Enabled = enable;
    Menu_FormatDB.Enabled = enable;
    Button_InstantMeasure.Enabled = enable;
    Button_TimerMeasure.Enabled = enable;
    if (checkPermissions && EEPROMMap && NonVolatileCfgBitsApply(EEPROMMap->EEPROMVersion())) {
        const TVexoConfigBits_0& bits = EEPROMMap->NonVolatileData.VexoCfgBits_0;
        Button_InstantMeasure.Enabled = enable && bits.InstantMeasureAllowed();
        Button_TimerMeasure.Enabled = enable && bits.TimerMeasureAllowed();
    }
}

void TForm_Main::StatusBarDrawPanel(std::size_t panel, const TRect& rect, std::int32_t textWidth) {
    if (panel >= StatusBar.Panels.size()) return;
    if (panel == 1) {
        StatusBar.Panels[1].Width = 102;
        ProgressBar.Bounds = {rect.Left + 1, rect.Top + 1, rect.Width - 2, rect.Height - 2};
    } else {
        StatusBar.Panels[panel].Width = textWidth + 20;
    }
}

void TForm_Main::Timer_StateCntTimer() {
    ++State.ActiveCount;
}

void TForm_Main::SelectComboText(TComboBox& combo, const std::string& text) {
    for (std::int32_t i = 0; i < combo.Count(); ++i)
        if (combo.Items[static_cast<std::size_t>(i)].Text == text) {
            combo.Select(i);
            return;
        }
    combo.Items.push_back({text, 0});
    combo.Select(combo.Count() - 1);
}
