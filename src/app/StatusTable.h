#pragma once
// The one table of status codes: text and reply time-out of each.
#include <cstdint>

#include "LanguageEntries.h"

struct TStatusInfo {
    const TLangEntry* Text;   // LE::NoText for the codes that show nothing
    std::int32_t TimeOutFTDI; // milliseconds; 0: the timer stays off
    std::int32_t TimeOutCOM;
    bool UsesGetTimeTimeOut; // status 15 takes the getTimeTimeOut setting
};

// Every code outside the table shows the empty text and leaves the timer off.
TStatusInfo StatusInfo(std::uint8_t code);
// The time-out of a code in the given link mode.
std::int32_t StatusTimeOut(std::uint8_t code, bool ftdiMode, std::int32_t getTimeTimeOut);
