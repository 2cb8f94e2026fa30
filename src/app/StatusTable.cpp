#include "StatusTable.h"

TStatusInfo StatusInfo(std::uint8_t code) {
    switch (code) {
    case 0: return {&LE::Ready, 0, 0, false};
    case 1: return {&LE::SendingData, 5000, 5000, false};
    case 2: return {&LE::ReceivingData, 5000, 5000, false};
    case 5: return {&LE::Connecting, 8500, 8500, false};
    case 7: return {&LE::Formatting, 8500, 8500, false};
    case 8: return {&LE::Evaluating, 8500, 8500, false};
    case 12: return {&LE::Connecting, 50, 1000, false};
    case 13: return {&LE::Ready, 100, 1000, false};
    case 14: return {&LE::Connecting, 100, 1000, false};
    case 15: return {&LE::Ready, 0, 0, true};
    case 16: return {&LE::DisconnectedStatus, 0, 0, false};
    case 17: return {&LE::Connecting, 100, 1000, false};
    case 20: return {&LE::VexoBusy, 0, 0, false};
    case 21:
    case 22: return {&LE::DisconnectedStatus, 100, 100, false};
    default: return {&LE::NoText, 0, 0, false}; // 18, 19 and every other code
    }
}

std::int32_t StatusTimeOut(std::uint8_t code, bool ftdiMode, std::int32_t getTimeTimeOut) {
    TStatusInfo info = StatusInfo(code);
    if (info.UsesGetTimeTimeOut) return getTimeTimeOut;
    return ftdiMode ? info.TimeOutFTDI : info.TimeOutCOM;
}
