// A D2XX-compatible library for the link's tests: devices in memory whose bytes, line
// settings and failures the test controls. Built twice, once without FT_SetBaudRate and the
// optional latency-timer and event exports.
#define VEXO_D2XX_DECLARE_FUNCTIONS
#include "D2XXTypes.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "FakeFtdiControl.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

#define FAKE_EXPORT extern "C" VEXO_D2XX_EXPORT

namespace {

struct tDevice {
    std::uint32_t flags = 0, id = 0x04036015, locId = 0;
    std::string serial, description;
    std::deque<std::uint8_t> rx, tx;
    std::uint32_t writeLimit = UINT32_MAX;
    tFakeFtdiState state{};
    void* event = nullptr;
};

#ifndef _WIN32
// FT_SetEventNotification's argument on Linux: the library signals the condition under the
// mutex; the flag marks it for a waiter that is not waiting yet.
struct tEventHandle {
    pthread_cond_t condition;
    pthread_mutex_t mutex;
    int flag;
};
#endif

// On Windows the argument is an event object.
void SignalEvent(tDevice& d) {
    if (!d.event || !(d.state.eventMask & FT_EVENT_RXCHAR)) return;
#ifdef _WIN32
    ::SetEvent(static_cast<HANDLE>(d.event));
#else
    auto* e = static_cast<tEventHandle*>(d.event);
    pthread_mutex_lock(&e->mutex);
    e->flag = 1;
    pthread_cond_signal(&e->condition);
    pthread_mutex_unlock(&e->mutex);
#endif
}

std::mutex lock;
std::vector<tDevice> devices;
std::map<std::string, FT_STATUS> forced;
std::uint32_t listNotReady = 0;

void MakeDevices(std::uint32_t count) {
    devices.assign(count, tDevice{});
    for (std::uint32_t i = 0; i < count; ++i) {
        devices[i].locId = 0x1021 + i * 0x10;
        devices[i].serial = "FK0000" + std::to_string(i + 1);
        devices[i].description = "Fake Vexo Cable";
        devices[i].state.latencyTimer = 16;
    }
}

FT_HANDLE HandleOf(std::size_t index) {
    return reinterpret_cast<FT_HANDLE>(0x7000 + index);
}

tDevice* DeviceOf(FT_HANDLE handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value < 0x7000 || value >= 0x7000 + devices.size()) return nullptr;
    tDevice& d = devices[value - 0x7000];
    return d.state.open ? &d : nullptr;
}

FT_STATUS Forced(const char* function) {
    auto it = forced.find(function);
    return it == forced.end() ? FT_OK : it->second;
}

void CopyText(char* target, const std::string& text, std::size_t size) {
    std::memset(target, 0, size);
    std::memcpy(target, text.data(), std::min(text.size(), size - 1));
}

// Every call on an open device: forced status first, then the handle.
#define DEVICE_CALL(name)                                                                                    \
    std::lock_guard<std::mutex> guard(lock);                                                                 \
    if (FT_STATUS s = Forced(name)) return s;                                                                \
    tDevice* d = DeviceOf(handle);                                                                           \
    if (!d) return FT_INVALID_HANDLE;

} // namespace

FAKE_EXPORT void FakeFtdi_Reset(std::uint32_t deviceCount) {
    std::lock_guard<std::mutex> guard(lock);
    MakeDevices(deviceCount);
    forced.clear();
    listNotReady = 0;
}

FAKE_EXPORT void FakeFtdi_SetListNotReady(std::uint32_t times) {
    std::lock_guard<std::mutex> guard(lock);
    listNotReady = times;
}

FAKE_EXPORT void FakeFtdi_SetDeviceInfo(std::uint32_t index, std::uint32_t flags, std::uint32_t id) {
    std::lock_guard<std::mutex> guard(lock);
    if (index >= devices.size()) return;
    devices[index].flags = flags;
    devices[index].id = id;
}

FAKE_EXPORT void FakeFtdi_Inject(std::uint32_t index, const std::uint8_t* data, std::uint32_t count) {
    std::lock_guard<std::mutex> guard(lock);
    if (index >= devices.size()) return;
    devices[index].rx.insert(devices[index].rx.end(), data, data + count);
    SignalEvent(devices[index]);
}

FAKE_EXPORT std::uint32_t FakeFtdi_Take(std::uint32_t index, std::uint8_t* buffer, std::uint32_t max) {
    std::lock_guard<std::mutex> guard(lock);
    if (index >= devices.size()) return 0;
    auto& tx = devices[index].tx;
    const std::uint32_t n = std::min<std::uint32_t>(max, static_cast<std::uint32_t>(tx.size()));
    std::copy_n(tx.begin(), n, buffer);
    tx.erase(tx.begin(), tx.begin() + n);
    return n;
}

FAKE_EXPORT void FakeFtdi_SetWriteLimit(std::uint32_t index, std::uint32_t limit) {
    std::lock_guard<std::mutex> guard(lock);
    if (index < devices.size()) devices[index].writeLimit = limit;
}

FAKE_EXPORT void FakeFtdi_ForceStatus(const char* function, std::uint32_t status) {
    std::lock_guard<std::mutex> guard(lock);
    if (status == 0)
        forced.erase(function);
    else
        forced[function] = status;
}

FAKE_EXPORT void FakeFtdi_GetState(std::uint32_t index, tFakeFtdiState* state) {
    std::lock_guard<std::mutex> guard(lock);
    *state = index < devices.size() ? devices[index].state : tFakeFtdiState{};
}

FT_STATUS FT_CreateDeviceInfoList(std::uint32_t* numDevs) {
    std::lock_guard<std::mutex> guard(lock);
    if (listNotReady > 0) {
        --listNotReady;
        return FT_DEVICE_LIST_NOT_READY;
    }
    if (FT_STATUS s = Forced("FT_CreateDeviceInfoList")) return s;
    *numDevs = static_cast<std::uint32_t>(devices.size());
    return FT_OK;
}

FT_STATUS FT_GetDeviceInfoList(tFT_device_list_info_node* list, std::uint32_t* numDevs) {
    std::lock_guard<std::mutex> guard(lock);
    if (FT_STATUS s = Forced("FT_GetDeviceInfoList")) return s;
    const std::uint32_t n = std::min<std::uint32_t>(*numDevs, static_cast<std::uint32_t>(devices.size()));
    for (std::uint32_t i = 0; i < n; ++i) {
        const tDevice& d = devices[i];
        list[i].flags = d.flags | (d.state.open ? FT_FLAGS_OPENED : 0);
        list[i].dType = 9;
        list[i].id = d.id;
        list[i].locId = d.locId;
        CopyText(list[i].serial, d.serial, sizeof list[i].serial);
        CopyText(list[i].description, d.description, sizeof list[i].description);
        list[i].ftHandle = d.state.open ? HandleOf(i) : nullptr;
    }
    *numDevs = n;
    return FT_OK;
}

FT_STATUS FT_OpenEx(void* arg1, std::uint32_t flags, FT_HANDLE* handle) {
    std::lock_guard<std::mutex> guard(lock);
    *handle = nullptr;
    if (FT_STATUS s = Forced("FT_OpenEx")) return s;
    if (flags != FT_OPEN_BY_LOCATION) return FT_INVALID_PARAMETER;
    const auto locId = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arg1));
    for (std::size_t i = 0; i < devices.size(); ++i) {
        tDevice& d = devices[i];
        if (d.locId != locId) continue;
        if (d.state.open) return FT_DEVICE_NOT_OPENED;
        d.state.open = true;
        ++d.state.opens;
        *handle = HandleOf(i);
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS FT_Close(FT_HANDLE handle) {
    DEVICE_CALL("FT_Close");
    d->state.open = false;
    ++d->state.closes;
    // A closed handle's event is never set again.
    d->event = nullptr;
    return FT_OK;
}

#ifndef FAKEFTDI_WITHOUT_SETBAUDRATE
FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate) {
    DEVICE_CALL("FT_SetBaudRate");
    d->state.baud = baudRate;
    return FT_OK;
}
#endif

FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) {
    DEVICE_CALL("FT_Purge");
    d->state.purgeMasks |= mask;
    if (mask & FT_PURGE_RX) d->rx.clear();
    return FT_OK;
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) {
    DEVICE_CALL("FT_SetDataCharacteristics");
    d->state.wordLength = wordLength;
    d->state.stopBits = stopBits;
    d->state.parity = parity;
    return FT_OK;
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes) {
    DEVICE_CALL("FT_GetQueueStatus");
    ++d->state.queueStatusCalls;
    *rxBytes = static_cast<std::uint32_t>(d->rx.size());
    return FT_OK;
}

FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t toRead, std::uint32_t* bytesRead) {
    *bytesRead = 0;
    DEVICE_CALL("FT_Read");
    const std::uint32_t n = std::min<std::uint32_t>(toRead, static_cast<std::uint32_t>(d->rx.size()));
    std::copy_n(d->rx.begin(), n, static_cast<std::uint8_t*>(buffer));
    d->rx.erase(d->rx.begin(), d->rx.begin() + n);
    *bytesRead = n;
    return FT_OK;
}

FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, std::uint32_t toWrite, std::uint32_t* bytesWritten) {
    *bytesWritten = 0;
    DEVICE_CALL("FT_Write");
    const std::uint32_t n = std::min(toWrite, d->writeLimit);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    d->tx.insert(d->tx.end(), bytes, bytes + n);
    *bytesWritten = n;
    return FT_OK;
}

FT_STATUS FT_SetDtr(FT_HANDLE handle) {
    DEVICE_CALL("FT_SetDtr");
    d->state.dtr = true;
    return FT_OK;
}

FT_STATUS FT_ClrDtr(FT_HANDLE handle) {
    DEVICE_CALL("FT_ClrDtr");
    d->state.dtr = false;
    return FT_OK;
}

FT_STATUS FT_SetRts(FT_HANDLE handle) {
    DEVICE_CALL("FT_SetRts");
    d->state.rts = true;
    return FT_OK;
}

FT_STATUS FT_ClrRts(FT_HANDLE handle) {
    DEVICE_CALL("FT_ClrRts");
    d->state.rts = false;
    return FT_OK;
}

FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    DEVICE_CALL("FT_ResetDevice");
    ++d->state.resets;
    return FT_OK;
}

FT_STATUS FT_GetStatus(FT_HANDLE handle, std::uint32_t* rxBytes, std::uint32_t* txBytes,
                       std::uint32_t* event) {
    DEVICE_CALL("FT_GetStatus");
    *rxBytes = static_cast<std::uint32_t>(d->rx.size());
    *txBytes = static_cast<std::uint32_t>(d->tx.size());
    *event = 0;
    return FT_OK;
}

FT_STATUS FT_EE_Read(FT_HANDLE handle, tFT_PROGRAM_DATA* data) {
    DEVICE_CALL("FT_EE_Read");
    d->state.eeVersion = data->Version;
    if (data->Signature1 != 0 || data->Signature2 != 0xFFFFFFFF) return FT_INVALID_PARAMETER;
    data->VendorId = static_cast<std::uint16_t>(d->id >> 16);
    data->ProductId = static_cast<std::uint16_t>(d->id);
    CopyText(data->Manufacturer, "Fake Chips", 32);
    CopyText(data->ManufacturerId, "FK", 16);
    CopyText(data->Description, d->description, 64);
    CopyText(data->SerialNumber, d->serial, 16);
    return FT_OK;
}

FT_STATUS FT_EE_Program(FT_HANDLE handle, tFT_PROGRAM_DATA* data) {
    DEVICE_CALL("FT_EE_Program");
    d->state.eeVersion = data->Version;
    d->description.assign(data->Description, strnlen(data->Description, 64));
    d->serial.assign(data->SerialNumber, strnlen(data->SerialNumber, 16));
    CopyText(d->state.programmedDescription, d->description, 65);
    return FT_OK;
}

FT_STATUS FT_EraseEE(FT_HANDLE handle) {
    DEVICE_CALL("FT_EraseEE");
    return FT_OK;
}

FT_STATUS FT_GetComPortNumber(FT_HANDLE handle, std::int32_t* portNumber) {
    DEVICE_CALL("FT_GetComPortNumber");
    *portNumber = 7;
    return FT_OK;
}

FT_STATUS FT_SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) {
    DEVICE_CALL("FT_SetBitMode");
    d->state.bitMask = mask;
    d->state.bitMode = mode;
    return FT_OK;
}

FT_STATUS FT_GetBitMode(FT_HANDLE handle, std::uint8_t* mode) {
    DEVICE_CALL("FT_GetBitMode");
    *mode = d->state.bitMask;
    return FT_OK;
}

#ifndef FAKEFTDI_WITHOUT_SETBAUDRATE
// Optional exports: the partial library goes without them too.
FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, std::uint8_t timer) {
    DEVICE_CALL("FT_SetLatencyTimer");
    d->state.latencyTimer = timer;
    return FT_OK;
}

FT_STATUS FT_SetEventNotification(FT_HANDLE handle, std::uint32_t mask, void* arg) {
    DEVICE_CALL("FT_SetEventNotification");
    d->state.eventMask = arg ? mask : 0;
    d->event = arg;
    return FT_OK;
}
#endif

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeOut, std::uint32_t writeTimeOut) {
    DEVICE_CALL("FT_SetTimeouts");
    d->state.readTimeOut = readTimeOut;
    d->state.writeTimeOut = writeTimeOut;
    return FT_OK;
}

FT_STATUS FT_EEPROM_Read(FT_HANDLE handle, void* eepromData, std::uint32_t size, char* manufacturer,
                         char* manufacturerId, char* description, char* serialNumber) {
    DEVICE_CALL("FT_EEPROM_Read");
    std::memcpy(&d->state.eepromType, eepromData, 4);
    d->state.eepromSize = size;
    if (size < 4) return FT_INVALID_PARAMETER;
    CopyText(manufacturer, "Fake Chips", 64);
    CopyText(manufacturerId, "FK", 64);
    CopyText(description, d->description, 64);
    CopyText(serialNumber, d->serial, 64);
    return FT_OK;
}

FT_STATUS FT_EEPROM_Program(FT_HANDLE handle, void* eepromData, std::uint32_t size, char* manufacturer,
                            char* manufacturerId, char* description, char* serialNumber) {
    DEVICE_CALL("FT_EEPROM_Program");
    (void)manufacturer;
    (void)manufacturerId;
    std::memcpy(&d->state.eepromType, eepromData, 4);
    d->state.eepromSize = size;
    d->description.assign(description, strnlen(description, 64));
    d->serial.assign(serialNumber, strnlen(serialNumber, 64));
    CopyText(d->state.programmedDescription, d->description, 65);
    return FT_OK;
}

FT_STATUS FT_GetDeviceInfoDetail(std::uint32_t index, std::uint32_t* flags, std::uint32_t* type,
                                 std::uint32_t* id, std::uint32_t* locId, void* serial, void* description,
                                 FT_HANDLE* handle) {
    std::lock_guard<std::mutex> guard(lock);
    if (FT_STATUS s = Forced("FT_GetDeviceInfoDetail")) return s;
    if (index >= devices.size()) return FT_DEVICE_NOT_FOUND;
    const tDevice& d = devices[index];
    *flags = d.flags | (d.state.open ? FT_FLAGS_OPENED : 0);
    *type = 9;
    *id = d.id;
    *locId = d.locId;
    CopyText(static_cast<char*>(serial), d.serial, 16);
    CopyText(static_cast<char*>(description), d.description, 64);
    *handle = d.state.open ? HandleOf(index) : nullptr;
    return FT_OK;
}

FT_STATUS FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) {
    std::lock_guard<std::mutex> guard(lock);
    (void)arg2;
    (void)flags;
    if (arg1) *static_cast<std::uint32_t*>(arg1) = static_cast<std::uint32_t>(devices.size());
    return Forced("FT_ListDevices");
}
