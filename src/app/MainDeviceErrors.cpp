// Errors the reader reports in its replies: one message with the code and its text,
// and the status back to "Ready".
#include <cstdio>

#include "DeviceErrors.h"
#include "Main.h"

namespace {

std::string Hex2(std::uint8_t code) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", code);
    return text;
}

} // namespace

const TLangEntry* CommErrorText(std::uint8_t code) {
    switch (code) {
    case 0x01: return &LE::CRCMismatch;
    case 0x02: return &LE::UnknownCommand;
    case 0x04: return &LE::BufferOverflow;
    case 0x05: return &LE::NotEnoughMemory;
    case 0x06: return &LE::CommandError;
    case 0x30: return &LE::NoImageData;
    case 0x31: return &LE::InvalidFlags;
    case 0x40: return &LE::WriteBufferOverflow;
    case 0x41: return &LE::WriteInvalidAddress;
    case 0x42: return &LE::ReadInvalidLocation;
    case 0x43: return &LE::ReadNoData;
    case 0x44: return &LE::WriteMemoryOverflow;
    case 0x45: return &LE::WriteFlashFailed;
    default: return nullptr;
    }
}

bool IsRFIDErrorGroup(std::uint8_t code) {
    // 59 (tag too small) and 60 (authentication) are the user's to fix: never retried.
    return (code >= 0x30 && code <= 0x3A) || (code >= 0x3D && code <= 0x3F);
}

const TLangEntry* VexoErrorText(std::uint8_t code) {
    switch (code) {
    case 0x10: return &LE::ExpiryDateExceeded;
    case 0x11: return &LE::LowBattery;
    case 0x12:
    case 0x13:
    case 0x14:
    case 0x15: return &LE::CaptureError;
    case 0x16: return &LE::NominalPositionOutOfRange;
    case 0x17: return &LE::SearchWidthTooSmall;
    case 0x1A: return &LE::ConfigurationIsInvalid;
    case 0x1C: return &LE::ConfigWrongVersion;
    case 0x1D: return &LE::AbortedByUser;
    case 0x20: return &LE::RaIllegalIndex;
    case 0x21: return &LE::RaIllegalChar;
    case 0x22: return &LE::RaIllegalJump;
    case 0x23: return &LE::RaIllegalNumber;
    case 0x2A: return &LE::RaMissingOperand;
    case 0x2B: return &LE::RaIllegalJumpAddress;
    case 0x2C: return &LE::RaIllegalAssignment;
    case 0x2D: return &LE::RaOperandNaN;
    case 0x2E: return &LE::RaInfiniteLoop;
    case 0x30: return &LE::RFIDTimeOut;
    case 0x31: return &LE::RFIDStatusError;
    case 0x33: return &LE::RFIDCollision;
    case 0x38: return &LE::RFIDNothingReceived;
    case 0x3B: return &LE::TagTooSmall;
    case 0x3C: return &LE::RFIDAuthenticationFailed;
    case 0x40:
    case 0x41: return &LE::ReadError;
    case 0x50:
    case 0x51:
    case 0x52: return &LE::LoadResultError;
    case 0x60:
    case 0x61:
    case 0x62:
    case 0x63: return &LE::InternalFlashWriteError;
    case 0x70: return &LE::RFIDWriteFail;
    case 0x71: return &LE::RFIDUnencryptedNotAllowed;
    case 0x72: return &LE::MeasureCountLimit;
    case 0x90: return &LE::ConfigWrongVersion;
    case 0x91: return &LE::CustomerInvalid;
    default: return IsRFIDErrorGroup(code) ? &LE::RFIDError : nullptr;
    }
}

void TForm_Main::HandleCommunicationError(eComError errorCode) {
    TChangeScope scope(*this);
    const std::uint8_t status = State.Current;
    if (status == 0 || status == 16) return;
    const std::uint8_t code = static_cast<std::uint8_t>(errorCode);
    if (code == 0x50 && status == 22) {
        // The reader refuses the button command it is switched away from: the
        // disconnection goes on regardless.
        if (!ClosingForm) CloseConnection();
        return;
    }
    if (code == 0x50 && status == 21) {
        if (DisableButtonOnConnect && EEPROMMap && EEPROMMap->EEPROMVersion() > 4 && ClosingForm)
            RequestClose();
        return;
    }
    ShowStatus(0);
    if (code == 0) return;
    std::string message = Text(LE::CommErrorCode) + " " + Hex2(code) + "\r\n";
    if (const TLangEntry* text = CommErrorText(code)) message += Text(*text);
    ShowErrorMessage(message, "", 0);
}

void TForm_Main::HandleVexoError(eVexoError errorCode, std::uint8_t) {
    TChangeScope scope(*this);
    const std::uint8_t status = State.Current;
    if (status == 0 || status == 16) return;
    const std::uint8_t code = static_cast<std::uint8_t>(errorCode);
    if (code == 0) return;
    if (IsRFIDErrorGroup(code) && TryRFIDAgain) {
        // A tag is often not in range at once: try again quietly for the first seconds.
        if (status == 8) Vexo->evaluate(true, IsTimerMeasure);
        TryRFIDAgain = State.ActiveCount < 5;
        return;
    }
    std::string message = Text(LE::VexoErrorCode) + " 0x" + Hex2(code) + "\r\n";
    if (const TLangEntry* text = VexoErrorText(code)) message += Text(*text);
    if (status != 0) ShowStatus(0);
    ShowErrorMessage(message, "", 0);
}

void TForm_Main::HandleUnknownCommand(std::uint8_t) {
    TChangeScope scope(*this);
    if (State.Current == 0) return;
    ShowErrorMessage(Text(LE::UnknownCommand), "", 0);
}
