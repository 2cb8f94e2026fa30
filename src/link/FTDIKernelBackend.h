#pragma once
// The D2XX functions over the Linux kernel's own FTDI driver (ftdi_sio), for machines without
// the vendor's library: the device list from sysfs, each device opened as its tty. The wrapper
// gets them as its function table, so the link does not know which of the two it drives.
//
// What the kernel driver cannot do returns FT_NOT_SUPPORTED: the EEPROM calls and bit modes.
// A device reset purges both directions (what it does to the data on its way); the COM port
// number is -1 (Linux has none).
//
// Location ids are our own (the kernel gives none), from the USB path: see UsbLocationId. A
// device another program holds locked is listed with the "opened" flag, as are our own.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FTDI_directDriver.h"

class TFtdiKernelBackend {
public:
    TFtdiKernelBackend(std::string sysfsRoot, std::string devRoot);
    ~TFtdiKernelBackend();
    TFtdiKernelBackend(const TFtdiKernelBackend&) = delete;
    TFtdiKernelBackend& operator=(const TFtdiKernelBackend&) = delete;

    // The table, bound to this object, which must outlive it.
    tD2XXFunctions Functions();

    // An open device's descriptor, to wait on; -1 for a handle that is not open.
    int Descriptor(FT_HANDLE handle) const;
    // The bridge's USB latency timer: its sysfs file when this user may write it, else the
    // driver's low-latency flag (1 ms, no privilege needed).
    FT_STATUS SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms);
    // What the bridge holds now; FT_NOT_SUPPORTED where the file cannot be read.
    FT_STATUS GetLatencyTimer(FT_HANDLE handle, std::uint8_t& ms);

    // The D2XX device type of an FTDI chip by its USB release number.
    static std::uint32_t DeviceType(std::uint16_t bcdDevice);

private:
    struct TDevice;
    struct THandle;

    THandle* Find(FT_HANDLE handle) const;
    FT_STATUS CreateDeviceInfoList(std::uint32_t* numDevs);
    FT_STATUS GetDeviceInfoList(tFT_device_list_info_node* list, std::uint32_t* numDevs);
    FT_STATUS GetDeviceInfoDetail(std::uint32_t index, std::uint32_t* flags, std::uint32_t* type,
                                  std::uint32_t* id, std::uint32_t* locId, void* serial, void* description,
                                  FT_HANDLE* handle);
    FT_STATUS OpenEx(void* arg, std::uint32_t flags, FT_HANDLE* handle);
    FT_STATUS Close(FT_HANDLE handle);
    FT_STATUS Read(FT_HANDLE handle, void* buffer, std::uint32_t toRead, std::uint32_t* bytesRead);
    FT_STATUS Write(FT_HANDLE handle, void* buffer, std::uint32_t toWrite, std::uint32_t* bytesWritten);
    FT_STATUS QueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes, std::uint32_t* txBytes);
    // Rescans sysfs into fDevices; the caller holds fLock.
    void Scan();

    std::string fSysfsRoot, fDevRoot;
    mutable std::mutex fLock;
    std::vector<TDevice> fDevices;
    std::vector<std::unique_ptr<THandle>> fHandles;
};
