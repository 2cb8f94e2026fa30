#pragma once
// The test library's own controls, looked up next to the D2XX exports.
#include <cstdint>

struct tFakeFtdiState {
    std::uint32_t opens, closes, resets;
    std::uint32_t baud;
    std::uint8_t wordLength, stopBits, parity, bitMask, bitMode;
    std::uint32_t readTimeOut, writeTimeOut;
    std::uint32_t purgeMasks; // every mask purged with, or-ed together
    bool open, dtr, rts;
    std::uint32_t eeVersion;  // structure version of the last FT_EE_Read/Program
    std::uint32_t eepromSize; // size and device type of the last FT_EEPROM_Read/Program
    std::uint32_t eepromType;
    char programmedDescription[65];
    std::uint8_t latencyTimer;      // 16 until FT_SetLatencyTimer
    std::uint32_t eventMask;        // of FT_SetEventNotification (0: none armed)
    std::uint32_t queueStatusCalls; // FT_GetQueueStatus calls: how often the device was polled
};

// Fresh devices, no forced statuses, nothing queued.
using tFakeFtdi_Reset = void (*)(std::uint32_t deviceCount);
// FT_CreateDeviceInfoList answers "list not ready" this many times first.
using tFakeFtdi_SetListNotReady = void (*)(std::uint32_t times);
using tFakeFtdi_SetDeviceInfo = void (*)(std::uint32_t index, std::uint32_t flags, std::uint32_t id);
// Bytes the program will read; bytes the program wrote.
using tFakeFtdi_Inject = void (*)(std::uint32_t index, const std::uint8_t* data, std::uint32_t count);
using tFakeFtdi_Take = std::uint32_t (*)(std::uint32_t index, std::uint8_t* buffer, std::uint32_t max);
// FT_Write takes at most limit bytes per call.
using tFakeFtdi_SetWriteLimit = void (*)(std::uint32_t index, std::uint32_t limit);
// The named D2XX function answers status from now on (0 undoes it).
using tFakeFtdi_ForceStatus = void (*)(const char* function, std::uint32_t status);
using tFakeFtdi_GetState = void (*)(std::uint32_t index, tFakeFtdiState* state);
