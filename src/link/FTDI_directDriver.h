#pragma once
// FTDI USB-serial bridges driven through the D2XX library, loaded at run time.
// A missing library or function becomes one of the wrapper's own status codes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "D2XXTypes.h"
#include "DynamicLibrary.h"

// The wrapper's own statuses besides the library's.
constexpr FT_STATUS FT_ERR_INVALID_DEVICE = 508;    // index outside the list, or handle not in it
constexpr FT_STATUS FT_ERR_PERMISSION_DENIED = 509; // the built-in backend may not open the device
constexpr FT_STATUS FT_ERR_FUNCTION_MISSING = 510;  // the library lacks the function
constexpr FT_STATUS FT_ERR_LIBRARY_NOT_LOADED = 511;

enum eFT_deviceType : std::uint32_t {
    FT_DEVICE_232BM = 0,
    FT_DEVICE_232AM = 1,
    FT_DEVICE_100AX = 2,
    FT_DEVICE_UNKNOWN = 3,
    FT_DEVICE_2232C = 4,
    FT_DEVICE_232R = 5,
    FT_DEVICE_2232H = 6,
    FT_DEVICE_4232H = 7,
    FT_DEVICE_232H = 8,
    FT_DEVICE_X_SERIES = 9,
};

struct tDeviceInfoDetail {
    std::uint32_t flags = 0;
    std::uint32_t deviceType = 0;
    std::uint32_t locationID = 0;
    std::uint16_t USBVendor = 0;
    std::uint16_t USBPID = 0;
    std::string serial;
    std::string description;
    FT_HANDLE ftHandle = nullptr;
};

struct tEEPROMData {
    tFT_PROGRAM_DATA programData{};
    std::string manufacturer;   // up to 32 characters
    std::string manufacturerID; // 16
    std::string description;    // 64
    std::string serialNumber;   // 16
};

// The device-specific EEPROM record, beginning with the device type.
struct tEEPROMDataX {
    alignas(8) std::uint8_t config[176] = {};
    std::string manufacturer;
    std::string manufacturerID;
    std::string description;
    std::string serialNumber;

    std::uint32_t deviceType() const;
    void setDeviceType(std::uint32_t type);
};

// The D2XX functions as the wrapper calls them: from the vendor's library, or from the built-in
// backend over the kernel's driver. An empty entry is a function the source lacks.
struct tD2XXFunctions {
#define VEXO_D2XX_TABLE_ENTRY(name, params) std::function<FT_STATUS params> name;
    VEXO_D2XX_FUNCTIONS(VEXO_D2XX_TABLE_ENTRY)
#undef VEXO_D2XX_TABLE_ENTRY
};

class TFtdiKernelBackend;

class FTDIDirect {
public:
    // The D2XX library of that name. Without the system's own (the vendor's library, or one
    // that stands in for it on the library path), Linux has the built-in backend over the
    // kernel's ftdi_sio driver instead, on the programs' sysfs and device roots; a library of
    // any other name has no stand-in.
    explicit FTDIDirect(const std::string& libraryName = FTDILibraryName());
    // The built-in backend given by the caller (on a tree of its own).
    explicit FTDIDirect(std::shared_ptr<TFtdiKernelBackend> backend);
    ~FTDIDirect() = default;
    FTDIDirect(const FTDIDirect&) = delete;
    FTDIDirect& operator=(const FTDIDirect&) = delete;

    // A library loaded, or the built-in backend in its place.
    bool isValid() const { return fValid; }
    // The built-in backend when it serves (for what only it can do: its descriptors, the
    // latency timer); null with a library.
    TFtdiKernelBackend* builtInBackend() const { return fBuiltIn.get(); }
    std::int32_t deviceCount() const { return fDeviceCount; }

    FT_STATUS updateDeviceList(std::uint32_t timeOut);
    FT_STATUS openEx(std::int32_t index, FT_HANDLE& ftHandle, bool indexAsLocID);
    FT_STATUS close(FT_HANDLE ftHandle);
    FT_STATUS setBaudrate(FT_HANDLE ftHandle, std::uint32_t baudrate);
    FT_STATUS purge(FT_HANDLE ftHandle, std::uint32_t mask);
    FT_STATUS setDataCharacteristics(FT_HANDLE ftHandle, std::uint8_t wordLength, std::uint8_t stopBits,
                                     std::uint8_t parity);
    std::uint32_t getRxAvailable(FT_HANDLE ftHandle);
    // count: wanted on entry, read on return; reads only what the library already holds.
    FT_STATUS read(FT_HANDLE ftHandle, std::uint8_t* buffer, std::uint32_t& count);
    FT_STATUS write(FT_HANDLE ftHandle, const std::uint8_t* buffer, std::uint32_t& count);
    FT_STATUS setDTR(FT_HANDLE ftHandle, bool enable);
    FT_STATUS setRTS(FT_HANDLE ftHandle, bool enable);
    FT_STATUS reset(FT_HANDLE ftHandle);
    FT_STATUS setTimeOuts(FT_HANDLE ftHandle, std::uint32_t readTimeOut, std::uint32_t writeTimeOut);
    std::uint32_t getTxInQueue(FT_HANDLE ftHandle);
    std::int32_t getComPortNumber(FT_HANDLE ftHandle);
    FT_STATUS setCBusOutput(FT_HANDLE ftHandle, std::uint8_t dataDirection, std::uint8_t outputValue);
    FT_STATUS readEEPROM(FT_HANDLE ftHandle, tEEPROMData& data);
    FT_STATUS writeEEPROM(FT_HANDLE ftHandle, tEEPROMData& data);
    FT_STATUS readEEPROM(FT_HANDLE ftHandle, tEEPROMDataX& eepromData);
    FT_STATUS writeEEPROM(FT_HANDLE ftHandle, tEEPROMDataX& eepromData);
    FT_STATUS getDeviceInfoDetail(std::int32_t index, tDeviceInfoDetail& deviceInfoDetail);
    FT_STATUS listDevices(void* arg1, void* arg2, std::uint32_t flags);
    // Optional exports: how long the bridge holds a partial USB packet (ms), and an event the
    // library sets when bytes arrive (mask FT_EVENT_RXCHAR; the argument is the platform's
    // event, TLinkWaiter::D2XXEventArgument). 510 where the library lacks them.
    FT_STATUS setLatencyTimer(FT_HANDLE ftHandle, std::uint8_t ms);
    FT_STATUS setEventNotification(FT_HANDLE ftHandle, std::uint32_t mask, void* event);

    static std::string getDeviceTypeStr(std::uint32_t devType);
    static std::uint32_t getEEPROMSize(const tEEPROMDataX& eepromData);
    std::int32_t getDevIndexFromHandle(FT_HANDLE ftHandle) const;
    // Fixed character arrays to text (each byte one character) and back (low byte of each).
    static std::string convertToString(const char* chars, std::int32_t maxLength);
    static void convertToCharBuffer(char* chars, const std::string& str, std::int32_t maxLength);

    // Read in place by the main window and the link; replaced by updateDeviceList.
    std::vector<tFT_device_list_info_node> deviceInfoList;

private:
    void UseBackend(std::shared_ptr<TFtdiKernelBackend> backend);

    TDynamicLibrary handle;
    std::shared_ptr<TFtdiKernelBackend> fBuiltIn;
    bool fValid = false;
    std::int32_t fDeviceCount = 0;
    tD2XXFunctions fn;
};
