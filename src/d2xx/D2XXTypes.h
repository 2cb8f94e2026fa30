#pragma once
// The C interface of the FTDI D2XX library as this program calls it: status codes,
// records, and one function type per export with the export's name. It depends on
// nothing else of the program, so a D2XX-compatible library can implement exactly
// these functions from it.
//
// A library that implements them defines VEXO_D2XX_DECLARE_FUNCTIONS before including
// this header to get the prototypes, exported (VEXO_D2XX_EXPORT) under their plain names.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VEXO_D2XX_CALL __stdcall
#else
#define VEXO_D2XX_CALL
#endif

using FT_STATUS = std::uint32_t;
using FT_HANDLE = void*;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_INSUFFICIENT_RESOURCES = 5;
constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
constexpr FT_STATUS FT_INVALID_BAUD_RATE = 7;
constexpr FT_STATUS FT_NOT_SUPPORTED = 17;
constexpr FT_STATUS FT_DEVICE_LIST_NOT_READY = 19;

constexpr std::uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr std::uint32_t FT_OPEN_BY_DESCRIPTION = 2;
constexpr std::uint32_t FT_OPEN_BY_LOCATION = 4;
constexpr std::uint32_t FT_LIST_NUMBER_ONLY = 0x80000000u;
constexpr std::uint32_t FT_PURGE_RX = 1;
constexpr std::uint32_t FT_PURGE_TX = 2;
constexpr std::uint8_t FT_BITMODE_CBUS_BITBANG = 0x20;
// Device-list flag of a device that another program has open.
constexpr std::uint32_t FT_FLAGS_OPENED = 1;
// FT_SetEventNotification: the event is set when bytes have arrived.
constexpr std::uint32_t FT_EVENT_RXCHAR = 1;

// One entry of the library's device list.
struct tFT_device_list_info_node {
    std::uint32_t flags;
    std::uint32_t dType;
    std::uint32_t id; // USB vendor ID in the high 16 bits, product ID in the low 16
    std::uint32_t locId;
    char serial[16];
    char description[64];
    FT_HANDLE ftHandle;
};
static_assert(sizeof(tFT_device_list_info_node) == (sizeof(void*) == 8 ? 104 : 100));

// The program-data record of FT_EE_Read / FT_EE_Program. Only its head is used here;
// the library's further fields travel in Reserved, zeroed.
struct tFT_PROGRAM_DATA {
    std::uint32_t Signature1;
    std::uint32_t Signature2;
    std::uint32_t Version;
    std::uint16_t VendorId;
    std::uint16_t ProductId;
    char* Manufacturer;
    char* ManufacturerId;
    char* Description;
    char* SerialNumber;
    std::uint8_t Reserved[512];
};

// X(name, parameter list): every library function returns FT_STATUS. The last three make
// transfers faster where a library has them (the bridge's latency timer, and an event set when
// bytes arrive); the program does without them.
#define VEXO_D2XX_FUNCTIONS(X)                                                                               \
    X(FT_CreateDeviceInfoList, (std::uint32_t * numDevs))                                                    \
    X(FT_GetDeviceInfoList, (tFT_device_list_info_node * list, std::uint32_t * numDevs))                     \
    X(FT_OpenEx, (void* arg1, std::uint32_t flags, FT_HANDLE* handle))                                       \
    X(FT_Close, (FT_HANDLE handle))                                                                          \
    X(FT_SetBaudRate, (FT_HANDLE handle, std::uint32_t baudRate))                                            \
    X(FT_Purge, (FT_HANDLE handle, std::uint32_t mask))                                                      \
    X(FT_SetDataCharacteristics,                                                                             \
      (FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity))               \
    X(FT_GetQueueStatus, (FT_HANDLE handle, std::uint32_t * rxBytes))                                        \
    X(FT_Read, (FT_HANDLE handle, void* buffer, std::uint32_t toRead, std::uint32_t* bytesRead))             \
    X(FT_Write, (FT_HANDLE handle, void* buffer, std::uint32_t toWrite, std::uint32_t* bytesWritten))        \
    X(FT_SetDtr, (FT_HANDLE handle))                                                                         \
    X(FT_ClrDtr, (FT_HANDLE handle))                                                                         \
    X(FT_SetRts, (FT_HANDLE handle))                                                                         \
    X(FT_ClrRts, (FT_HANDLE handle))                                                                         \
    X(FT_ResetDevice, (FT_HANDLE handle))                                                                    \
    X(FT_GetStatus,                                                                                          \
      (FT_HANDLE handle, std::uint32_t * rxBytes, std::uint32_t * txBytes, std::uint32_t * event))           \
    X(FT_EE_Read, (FT_HANDLE handle, tFT_PROGRAM_DATA * data))                                               \
    X(FT_EE_Program, (FT_HANDLE handle, tFT_PROGRAM_DATA * data))                                            \
    X(FT_EraseEE, (FT_HANDLE handle))                                                                        \
    X(FT_GetComPortNumber, (FT_HANDLE handle, std::int32_t * portNumber))                                    \
    X(FT_SetBitMode, (FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode))                               \
    X(FT_GetBitMode, (FT_HANDLE handle, std::uint8_t * mode))                                                \
    X(FT_SetTimeouts, (FT_HANDLE handle, std::uint32_t readTimeOut, std::uint32_t writeTimeOut))             \
    X(FT_EEPROM_Read, (FT_HANDLE handle, void* eepromData, std::uint32_t size, char* manufacturer,           \
                       char* manufacturerId, char* description, char* serialNumber))                         \
    X(FT_EEPROM_Program, (FT_HANDLE handle, void* eepromData, std::uint32_t size, char* manufacturer,        \
                          char* manufacturerId, char* description, char* serialNumber))                      \
    X(FT_GetDeviceInfoDetail,                                                                                \
      (std::uint32_t index, std::uint32_t * flags, std::uint32_t * type, std::uint32_t * id,                 \
       std::uint32_t * locId, void* serial, void* description, FT_HANDLE* handle))                           \
    X(FT_ListDevices, (void* arg1, void* arg2, std::uint32_t flags))                                         \
    X(FT_SetLatencyTimer, (FT_HANDLE handle, std::uint8_t timer))                                            \
    X(FT_GetLatencyTimer, (FT_HANDLE handle, std::uint8_t * timer))                                          \
    X(FT_SetEventNotification, (FT_HANDLE handle, std::uint32_t mask, void* arg))

// tFT_CreateDeviceInfoList, ...: pointer types of the exports.
#define VEXO_D2XX_POINTER_TYPE(name, params) using t##name = FT_STATUS(VEXO_D2XX_CALL*) params;
VEXO_D2XX_FUNCTIONS(VEXO_D2XX_POINTER_TYPE)
#undef VEXO_D2XX_POINTER_TYPE

#ifdef VEXO_D2XX_DECLARE_FUNCTIONS
#ifdef _WIN32
#define VEXO_D2XX_EXPORT __declspec(dllexport)
#else
#define VEXO_D2XX_EXPORT __attribute__((visibility("default")))
#endif
#define VEXO_D2XX_PROTOTYPE(name, params) extern "C" VEXO_D2XX_EXPORT FT_STATUS VEXO_D2XX_CALL name params;
VEXO_D2XX_FUNCTIONS(VEXO_D2XX_PROTOTYPE)
#undef VEXO_D2XX_PROTOTYPE
#endif
