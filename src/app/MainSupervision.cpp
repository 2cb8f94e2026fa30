// Supervision of the link: transmit errors and the reply time-out.
#include "Main.h"

void TForm_Main::HandleLinkError(TSeriellError Error) {
    TChangeScope scope(*this);
    const TLangEntry* message = &LE::UnknownError;
    switch (Error) {
    case Err_NotAllSend:
        Disconnect(nullptr, false);
        message = &LE::ConnectionClosed;
        break;
    case Err_PortNotOpen: message = &LE::PortNotOpened; break;
    case Err_Unknown:
    default: Disconnect(nullptr, false); break;
    }
    ShowErrorMessage(Text(*message), "", State.Current);
}

void TForm_Main::DeferErrorMessage(const std::string& message, const std::string& caption) {
    TChangeScope scope(*this);
    VexoAcknowledged = false;
    errorMsg = message;
    errorCaption = caption;
    ShowStatus(13);
    Vexo->getAcknowledge();
}

void TForm_Main::Timer_TimeOutTimer() {
    TChangeScope scope(*this);
    Timer_TimeOut.SetEnabled(false);
    VexoAcknowledged = false;
    switch (State.Current) {
    case 12:
        Disconnect(nullptr, false);
        // Automatic attempts fail silently; the next device-list refresh tries again.
        if (manualConnect) ShowErrorMessage(Text(LE::ConnectionFailed), "", State.Current);
        break;
    case 13:
        ShowErrorMessage(errorMsg + "\r\n" + Text(LE::ConnectionHasBeenClosed), errorCaption, 0);
        Disconnect(nullptr, false);
        break;
    case 15:
        if (!autoDisconnectOnTimeError) break;
        if (autoConnect)
            Disconnect(nullptr, false);
        else
            DeferErrorMessage("", Text(LE::VexoDisconnected));
        break;
    case 17:
        // No serial number: the reader stays usable, without its identification read.
        ShowStatus(0);
        EnableDeviceButtons(true, false);
        SerialTimedOut = true;
        EnableVexoClock();
        break;
    case 20:
        ShowStatus(0);
        VexoAcknowledged = true;
        break;
    case 21:
        Disconnect(nullptr, false);
        // The user asked to close the window: without the reader's answer it closes now.
        RequestClose();
        break;
    case 22: Disconnect(nullptr, false); break;
    default: DeferErrorMessage(Text(LE::WaitingTimeOut), Text(LE::VexoDisconnected)); break;
    }
}
