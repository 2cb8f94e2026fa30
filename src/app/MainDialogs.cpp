// Questions and messages through the dialog interface, with the timer rule of the
// program's modal dialogs.
#include "FileSystem.h"
#include "Main.h"

namespace {

// While a modal dialog is open the status counter and the clock poll rest; the clock
// poll gets back the state it had, the counter always starts again.
class TDialogTimerHold {
public:
    TDialogTimerHold(TTimer& stateCnt, TTimer& clock) : fStateCnt(stateCnt), fClock(clock) {
        fStateCnt.SetEnabled(false);
        fClockWasOn = fClock.Enabled();
        fClock.SetEnabled(false);
    }
    ~TDialogTimerHold() {
        fClock.SetEnabled(fClockWasOn);
        fStateCnt.SetEnabled(true);
    }
    TDialogTimerHold(const TDialogTimerHold&) = delete;
    TDialogTimerHold& operator=(const TDialogTimerHold&) = delete;

private:
    TTimer& fStateCnt;
    TTimer& fClock;
    bool fClockWasOn = false;
};

} // namespace

std::int32_t TForm_Main::ShowMessageBox(const std::string& message, const std::string& caption,
                                        std::int32_t style) {
    TChangeScope scope(*this);
    TDialogTimerHold hold(Timer_StateCnt, Timer_VexoClock);
    if (!fEnv.Dialogs) return mrNone;
    if (!IsKnownMessageStyle(style)) {
        fEnv.Dialogs->SystemMessage(UnhandledMessageStyleText, "");
        return mrNone;
    }
    const TMessageBoxTexts texts = MessageBoxTexts(style);
    TMessageBoxRequest request;
    request.Message = message;
    request.Caption = caption;
    request.Style = style;
    if (texts.OK) request.OKText = Text(*texts.OK);
    if (texts.Cancel) request.CancelText = Text(*texts.Cancel);
    if (texts.Aux) request.AuxText = Text(*texts.Aux);
    if (texts.CheckBox) request.CheckBoxText = Text(*texts.CheckBox);
    return fEnv.Dialogs->MessageBox(request);
}

void TForm_Main::ShowErrorMessage(const std::string& message, const std::string& caption,
                                  std::uint8_t statusAfter) {
    TChangeScope scope(*this);
    ShowStatus(18);
    Timer_StateCnt.SetEnabled(false);
    ShowMessageBox(message, caption, 0);
    ShowStatus(statusAfter);
    Timer_StateCnt.SetEnabled(true);
}

void TForm_Main::ShowEvaluationInfo(const std::string& text) {
    TChangeScope scope(*this);
    if (State.Current != 8 || !fEnv.Dialogs) return;
    EvaluationInfoCreated = true;
    EvaluationInfoText = text;
    fEnv.Dialogs->ShowEvaluationInfo(text);
}

TVersionInfo TForm_Main::VersionInfo() {
    TVersionInfo info;
    info.ProgName = appName;
    info.Customer = CustomerName;
    const std::string logo = CustomerLogo.empty() ? "logo.tif" : CustomerLogo;
    info.LogoFile = FindProgramFile(logo);
    info.Version = VERSION_STRING;
    info.CloseText = Text(LE::Close);
    return info;
}

void TForm_Main::SubMenu_VersionClick() {
    TChangeScope scope(*this);
    const std::uint8_t before = State.Current;
    ShowStatus(19);
    InfoWindowCreated = true;
    if (fEnv.Dialogs) {
        TDialogTimerHold hold(Timer_StateCnt, Timer_VexoClock);
        fEnv.Dialogs->ShowVersion(VersionInfo());
    }
    ShowStatus(before);
}

std::int32_t TForm_Main::QueryText(const std::string& caption, const std::string& prompt, bool allowEmpty,
                                   std::string& text) {
    TChangeScope scope(*this);
    TDialogTimerHold hold(Timer_StateCnt, Timer_VexoClock);
    if (!fEnv.Dialogs) return mrCancel;
    TQueryRequest request;
    request.Caption = caption;
    request.Message = prompt;
    request.InitialText = text;
    request.OKText = Text(LE::OK);
    request.CancelText = Text(LE::Cancel);
    for (;;) {
        std::string input = request.InitialText;
        if (fEnv.Dialogs->InputQuery(request, input) != mrOk) return mrCancel;
        if (allowEmpty || !input.empty()) {
            text = input;
            return mrOk;
        }
        // An empty answer where one is needed: the same question again.
    }
}

std::int32_t TForm_Main::SelectChoice(const TSelectRequest& request, std::int32_t& chosen) {
    TChangeScope scope(*this);
    TDialogTimerHold hold(Timer_StateCnt, Timer_VexoClock);
    if (!fEnv.Dialogs) return mrCancel;
    chosen = request.Preselected;
    const std::int32_t result = fEnv.Dialogs->Select(request, chosen);
    if (result == mrOk && (chosen < 0 || chosen >= static_cast<std::int32_t>(request.Choices.size())))
        return mrCancel; // no choice made is no answer
    return result;
}

std::int32_t TForm_Main::ChooseFromConfigList(const TConfigListRequest& request, std::int32_t& chosen) {
    TChangeScope scope(*this);
    TDialogTimerHold hold(Timer_StateCnt, Timer_VexoClock);
    if (!fEnv.Dialogs) return mrCancel;
    chosen = -1;
    const std::int32_t result = fEnv.Dialogs->ConfigList(request, chosen);
    if (result == mrOk && (chosen < 0 || chosen >= static_cast<std::int32_t>(request.Entries.size())))
        return mrCancel;
    return result;
}

bool TForm_Main::ChooseOpenFile(const TFileDialogState& dialog, std::string& fileName) {
    TChangeScope scope(*this);
    return fEnv.Dialogs && fEnv.Dialogs->OpenFile(dialog, fileName);
}

bool TForm_Main::ChooseSaveFile(const TFileDialogState& dialog, std::string& fileName) {
    TChangeScope scope(*this);
    return fEnv.Dialogs && fEnv.Dialogs->SaveFile(dialog, fileName);
}
