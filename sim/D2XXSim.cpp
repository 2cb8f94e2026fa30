// A D2XX-compatible library whose devices are simulated readers. VEXO_SIM_SCENARIO names the
// scenario file (default: the demo reader), VEXO_SIM_DEVICES how many readers are plugged in,
// VEXO_SIM_PACED=1 paces the answers as the wire and a USB bridge would (D2XXPacing.h).
#define VEXO_D2XX_DECLARE_FUNCTIONS
#include "D2XXTypes.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "D2XXPacing.h"
#include "LinkWaiter.h"
#include "SimDevice.h"
#include "ThreadName.h"

namespace {

constexpr FT_STATUS FT_INVALID_BAUD_RATE_ = 7;
constexpr FT_STATUS FT_EEPROM_NOT_PRESENT_ = 14;
constexpr std::uint32_t FT_OPEN_BY_SERIAL_NUMBER_ = 1;
constexpr std::uint32_t FT_OPEN_BY_DESCRIPTION_ = 2;
constexpr std::uint32_t FT_LIST_NUMBER_ONLY_ = 0x80000000u;
constexpr std::uint32_t FT_LIST_BY_INDEX_ = 0x40000000u;
constexpr std::uint32_t FT_LIST_ALL_ = 0x20000000u;
constexpr std::uint32_t FT_DEVICE_X_SERIES_ = 9;
constexpr std::uint32_t SimUsbId = 0x04036015u;

struct tSimUsbDevice {
    std::string Serial;
    std::string Description;
    std::uint32_t LocId = 0;
    TSimScenario Scenario;
    std::shared_ptr<TSimDevice> Reader; // made at the first open, kept while the library lives
    bool Open = false;
    // Unplugged, the device is off the list and its open handle is dead; plugged in again it
    // is a new device, which an old handle never reaches.
    bool Plugged = true;
    std::uint32_t Generation = 0;
    // Line state as the program set it.
    std::uint32_t Baud = 9600;
    std::uint8_t WordLength = 8, StopBits = 0, Parity = 0;
    bool DTR = false, RTS = false;
    std::uint32_t ReadTimeOut = 0, WriteTimeOut = 0;
    std::uint8_t BitMode = 0;
    std::uint8_t LatencyMs = TBridgePacing::DefaultLatencyMs;

    // The program's event (FT_SetEventNotification), set when bytes can be read.
    std::mutex EventLock;
    std::uint32_t EventMask = 0;
    void* EventArgument = nullptr;
    void SetEvent() {
        std::lock_guard<std::mutex> lock(EventLock);
        if (EventMask & FT_EVENT_RXCHAR) SetD2XXEvent(EventArgument);
    }
    void SetEventNotification(std::uint32_t mask, void* argument) {
        std::lock_guard<std::mutex> lock(EventLock);
        EventMask = argument ? mask : 0;
        EventArgument = argument;
    }

    // With VEXO_SIM_PACED=1: the wire and the bridge, and a thread that sets the program's event
    // as their packets arrive.
    std::unique_ptr<TBridgePacing> Pacing;
    std::thread Bridge;
    std::mutex BridgeLock;
    std::condition_variable BridgeChanged;
    bool BridgeStop = false, ReaderSpoke = false;

    TSimDevice& EnsureReader();
    void StopBridge() {
        if (Reader) Reader->SetOutputListener({});
        {
            std::lock_guard<std::mutex> lock(BridgeLock);
            BridgeStop = true;
        }
        BridgeChanged.notify_all();
        if (Bridge.joinable()) Bridge.join();
    }

    // The host's side of the bridge: what the program reads, with or without pacing. The
    // library's lock is held.
    void TakeAnswer(TBridgePacing::clock::time_point from) {
        std::uint8_t buffer[4096];
        while (std::size_t n = Reader->Read(buffer, sizeof buffer)) Pacing->Answer(buffer, n, from);
    }
    std::size_t HostAvailable() {
        if (!Pacing) return Reader->Available();
        const auto now = TBridgePacing::clock::now();
        TakeAnswer(now);
        return Pacing->Available(now);
    }
    std::size_t HostRead(std::uint8_t* buffer, std::size_t count) {
        if (!Pacing) return Reader->Read(buffer, count);
        const auto now = TBridgePacing::clock::now();
        TakeAnswer(now);
        return Pacing->Read(buffer, count, now);
    }
    void HostWrite(const std::uint8_t* bytes, std::size_t count) {
        if (!Pacing) return Reader->Write(bytes, count);
        // The reader takes the command once it has crossed the wire; it answers from then on.
        const auto arrived = Pacing->Send(count, TBridgePacing::clock::now());
        Reader->Write(bytes, count);
        TakeAnswer(arrived);
    }
    void HostPurge() {
        Reader->PurgeOutput();
        if (Pacing) Pacing->Purge();
    }
    // The reader's cable came off on its cue (during a write).
    void FollowReader() {
        if (Plugged && Reader && Reader->Vanished()) Unplug();
    }
    void Unplug() {
        Plugged = false;
        Open = false;
        ++Generation;
        if (Reader) Reader->Vanish();
    }
    void PlugIn() {
        if (Plugged) return;
        Plugged = true;
        if (Reader) Reader->Reconnect();
        if (Pacing) Pacing->Purge();
    }
};

// What FT_OpenEx hands out: the device and the generation it was opened in.
struct tSimHandle {
    tSimUsbDevice* Device;
    std::uint32_t Generation;
};

struct tSimLibrary {
    std::mutex Lock;
    bool Loaded = false;
    std::deque<tSimUsbDevice> Devices; // grown only at the end: handles point into it
    std::vector<std::unique_ptr<tSimHandle>> Handles;

    void Load() {
        if (Loaded) return;
        Loaded = true;
        TSimScenario scenario = DefaultScenario();
        if (const char* file = std::getenv("VEXO_SIM_SCENARIO"); file && *file) {
            std::string error;
            if (!LoadScenarioFile(file, scenario, error)) {
                std::fprintf(stderr, "libftd2xx (simulated readers): %s; no reader is plugged in\n",
                             error.c_str());
                return;
            }
        }
        long count = 1;
        if (const char* n = std::getenv("VEXO_SIM_DEVICES"); n && *n) {
            char* end = nullptr;
            count = std::strtol(n, &end, 10);
            if (!end || *end || count < 0 || count > 16) {
                std::fprintf(stderr,
                             "libftd2xx (simulated readers): VEXO_SIM_DEVICES=\"%s\" is not 0 to 16; one "
                             "reader is plugged in\n",
                             n);
                count = 1;
            }
        }
        for (long i = 0; i < count; ++i) {
            tSimUsbDevice& d = Devices.emplace_back();
            d.Scenario = scenario;
            d.Serial = scenario.FtdiSerial;
            // Further readers: the same kind, each with its own serial.
            if (i > 0) {
                std::string suffix = std::to_string(i + 1);
                d.Serial = d.Serial.substr(0, 15 - std::min<std::size_t>(15, suffix.size())) + suffix;
                d.Scenario.SerialNumber = static_cast<std::uint16_t>(scenario.SerialNumber + i);
                d.Scenario.LunderixSerialNumber =
                    scenario.LunderixSerialNumber + static_cast<std::uint32_t>(i);
            }
            d.Description = scenario.FtdiDescription;
            d.LocId = 0x1011u + static_cast<std::uint32_t>(i) * 0x10u;
        }
    }
    // The devices in the list, as the USB bus has them now.
    std::vector<tSimUsbDevice*> Listed() {
        std::vector<tSimUsbDevice*> out;
        for (tSimUsbDevice& d : Devices)
            if (d.Plugged) out.push_back(&d);
        return out;
    }
    tSimHandle* Find(FT_HANDLE h) {
        for (auto& handle : Handles)
            if (handle.get() == h) return handle.get();
        return nullptr;
    }
    // The device behind a handle, or the status a call on it gets.
    tSimUsbDevice* FromHandle(FT_HANDLE h, FT_STATUS& status) {
        tSimHandle* handle = Find(h);
        if (!handle) {
            status = FT_INVALID_HANDLE;
            return nullptr;
        }
        tSimUsbDevice* d = handle->Device;
        if (!d->Plugged || d->Generation != handle->Generation) {
            status = FT_IO_ERROR;
            return nullptr;
        }
        return d;
    }
    void* HandleOf(tSimUsbDevice& d) {
        if (!d.Open) return nullptr;
        for (auto& handle : Handles)
            if (handle->Device == &d && handle->Generation == d.Generation) return handle.get();
        return nullptr;
    }
    ~tSimLibrary() {
        for (tSimUsbDevice& d : Devices) {
            d.StopBridge();
            if (d.Reader) d.Reader->Stop();
        }
    }
};

tSimLibrary& Library() {
    static tSimLibrary library;
    return library;
}

TSimDevice& tSimUsbDevice::EnsureReader() {
    if (Reader) return *Reader;
    Reader = std::make_shared<TSimDevice>(Scenario, NowDateTime());
    if (!TBridgePacing::Requested()) {
        Reader->SetOutputListener([this] { SetEvent(); });
    } else {
        Pacing = std::make_unique<TBridgePacing>();
        Pacing->SetBaud(Baud);
        Pacing->SetLatency(LatencyMs);
        Reader->SetOutputListener([this] {
            std::lock_guard<std::mutex> lock(BridgeLock);
            ReaderSpoke = true;
            BridgeChanged.notify_all();
        });
        // Made under the library's lock, which the thread takes for each look at the bridge.
        std::mutex& libraryLock = Library().Lock;
        Bridge = std::thread([this, &libraryLock] {
            SetCurrentThreadName("vexo-sim-bridge");
            auto next = TBridgePacing::clock::time_point::max();
            std::uint64_t handed = 0;
            for (;;) {
                {
                    std::unique_lock<std::mutex> lock(BridgeLock);
                    // A reader with nothing on its way is asked again now and then all the same.
                    next = std::min(next, TBridgePacing::clock::now() + std::chrono::seconds(1));
                    BridgeChanged.wait_until(lock, next, [this] { return BridgeStop || ReaderSpoke; });
                    if (BridgeStop) return;
                    ReaderSpoke = false;
                }
                bool arrived;
                {
                    std::lock_guard<std::mutex> lock(libraryLock);
                    HostAvailable();
                    arrived = Pacing->Delivered > handed;
                    handed = Pacing->Delivered;
                    next = Pacing->NextDelivery();
                }
                if (arrived) SetEvent();
            }
        });
    }
    Reader->StartRealTime();
    return *Reader;
}

void CopyText(void* to, const std::string& text, std::size_t size) {
    if (!to) return;
    char* out = static_cast<char*>(to);
    std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = 0;
}

#define SIM_DEVICE_OR_FAIL                                                                                   \
    std::lock_guard<std::mutex> lock(Library().Lock);                                                        \
    FT_STATUS failed = FT_OK;                                                                                \
    tSimUsbDevice* d = Library().FromHandle(handle, failed);                                                 \
    if (!d) return failed;

} // namespace

extern "C" {

FT_STATUS FT_CreateDeviceInfoList(std::uint32_t* numDevs) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    if (!numDevs) return FT_INVALID_PARAMETER;
    *numDevs = static_cast<std::uint32_t>(Library().Listed().size());
    return FT_OK;
}

FT_STATUS FT_GetDeviceInfoList(tFT_device_list_info_node* list, std::uint32_t* numDevs) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    if (!list || !numDevs) return FT_INVALID_PARAMETER;
    const auto devices = Library().Listed();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        tFT_device_list_info_node& n = list[i];
        std::memset(&n, 0, sizeof n);
        n.flags = devices[i]->Open ? FT_FLAGS_OPENED : 0;
        n.dType = FT_DEVICE_X_SERIES_;
        n.id = SimUsbId;
        n.locId = devices[i]->LocId;
        CopyText(n.serial, devices[i]->Serial, sizeof n.serial);
        CopyText(n.description, devices[i]->Description, sizeof n.description);
        n.ftHandle = Library().HandleOf(*devices[i]);
    }
    *numDevs = static_cast<std::uint32_t>(devices.size());
    return FT_OK;
}

FT_STATUS FT_OpenEx(void* arg1, std::uint32_t flags, FT_HANDLE* handle) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    if (!handle) return FT_INVALID_PARAMETER;
    *handle = nullptr;
    tSimUsbDevice* found = nullptr;
    for (tSimUsbDevice* d : Library().Listed()) {
        if (flags == FT_OPEN_BY_LOCATION && reinterpret_cast<std::uintptr_t>(arg1) == d->LocId) found = d;
        if (flags == FT_OPEN_BY_SERIAL_NUMBER_ && arg1 && d->Serial == static_cast<const char*>(arg1))
            found = d;
        if (flags == FT_OPEN_BY_DESCRIPTION_ && arg1 && d->Description == static_cast<const char*>(arg1))
            found = d;
        if (found) break;
    }
    if (!found) return FT_DEVICE_NOT_FOUND;
    if (found->Open) return FT_DEVICE_NOT_OPENED;
    found->EnsureReader();
    found->Open = true;
    Library().Handles.push_back(std::make_unique<tSimHandle>(tSimHandle{found, found->Generation}));
    *handle = Library().Handles.back().get();
    return FT_OK;
}

FT_STATUS FT_Close(FT_HANDLE handle) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    tSimHandle* h = Library().Find(handle);
    if (!h) return FT_INVALID_HANDLE;
    // A handle whose device was unplugged still closes: it only frees the handle.
    if (h->Device->Plugged && h->Device->Generation == h->Generation) h->Device->Open = false;
    h->Device->SetEventNotification(0, nullptr);
    auto& handles = Library().Handles;
    handles.erase(std::find_if(handles.begin(), handles.end(), [&](const auto& p) { return p.get() == h; }));
    return FT_OK;
}

FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate) {
    SIM_DEVICE_OR_FAIL
    if (baudRate < 183 || baudRate > 3'000'000) return FT_INVALID_BAUD_RATE_;
    d->Baud = baudRate;
    if (d->Pacing) d->Pacing->SetBaud(baudRate);
    return FT_OK;
}

FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) {
    SIM_DEVICE_OR_FAIL
    if (mask & FT_PURGE_RX) d->HostPurge();
    return FT_OK;
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) {
    SIM_DEVICE_OR_FAIL
    if ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) || parity > 4)
        return FT_INVALID_PARAMETER;
    d->WordLength = wordLength;
    d->StopBits = stopBits;
    d->Parity = parity;
    return FT_OK;
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes) {
    SIM_DEVICE_OR_FAIL
    if (!rxBytes) return FT_INVALID_PARAMETER;
    *rxBytes = static_cast<std::uint32_t>(d->HostAvailable());
    return FT_OK;
}

FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t toRead, std::uint32_t* bytesRead) {
    SIM_DEVICE_OR_FAIL
    if (!bytesRead || (!buffer && toRead)) return FT_INVALID_PARAMETER;
    // Only what has arrived: the program asks for no more than the queue holds.
    *bytesRead = static_cast<std::uint32_t>(d->HostRead(static_cast<std::uint8_t*>(buffer), toRead));
    return FT_OK;
}

FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, std::uint32_t toWrite, std::uint32_t* bytesWritten) {
    SIM_DEVICE_OR_FAIL
    if (!bytesWritten || (!buffer && toWrite)) return FT_INVALID_PARAMETER;
    d->HostWrite(static_cast<const std::uint8_t*>(buffer), toWrite);
    *bytesWritten = toWrite;
    // The cable may come off at this very command; the bytes went out, the answer never comes.
    d->FollowReader();
    return FT_OK;
}

FT_STATUS FT_SetDtr(FT_HANDLE handle) {
    SIM_DEVICE_OR_FAIL
    d->DTR = true;
    return FT_OK;
}
FT_STATUS FT_ClrDtr(FT_HANDLE handle) {
    SIM_DEVICE_OR_FAIL
    d->DTR = false;
    return FT_OK;
}
FT_STATUS FT_SetRts(FT_HANDLE handle) {
    SIM_DEVICE_OR_FAIL
    d->RTS = true;
    return FT_OK;
}
FT_STATUS FT_ClrRts(FT_HANDLE handle) {
    SIM_DEVICE_OR_FAIL
    d->RTS = false;
    return FT_OK;
}

FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    SIM_DEVICE_OR_FAIL
    // A reset of the USB bridge: its queues are emptied, the reader behind it is untouched.
    d->HostPurge();
    return FT_OK;
}

FT_STATUS FT_GetStatus(FT_HANDLE handle, std::uint32_t* rxBytes, std::uint32_t* txBytes,
                       std::uint32_t* event) {
    SIM_DEVICE_OR_FAIL
    if (!rxBytes || !txBytes || !event) return FT_INVALID_PARAMETER;
    *rxBytes = static_cast<std::uint32_t>(d->HostAvailable());
    *txBytes = 0; // writes reach the reader at once
    *event = 0;
    return FT_OK;
}

FT_STATUS FT_EE_Read(FT_HANDLE handle, tFT_PROGRAM_DATA* data) {
    SIM_DEVICE_OR_FAIL
    if (!data) return FT_INVALID_PARAMETER;
    data->VendorId = static_cast<std::uint16_t>(SimUsbId >> 16);
    data->ProductId = static_cast<std::uint16_t>(SimUsbId);
    CopyText(data->Manufacturer, "FTDI", 32);
    CopyText(data->ManufacturerId, "FT", 16);
    CopyText(data->Description, d->Description, 64);
    CopyText(data->SerialNumber, d->Serial, 16);
    return FT_OK;
}

FT_STATUS FT_EE_Program(FT_HANDLE handle, tFT_PROGRAM_DATA* data) {
    SIM_DEVICE_OR_FAIL
    if (!data) return FT_INVALID_PARAMETER;
    if (data->Description) d->Description = std::string(data->Description).substr(0, 63);
    if (data->SerialNumber) d->Serial = std::string(data->SerialNumber).substr(0, 15);
    return FT_OK;
}

FT_STATUS FT_EraseEE(FT_HANDLE handle) {
    SIM_DEVICE_OR_FAIL
    return FT_OK;
}

FT_STATUS FT_GetComPortNumber(FT_HANDLE handle, std::int32_t* portNumber) {
    SIM_DEVICE_OR_FAIL
    if (!portNumber) return FT_INVALID_PARAMETER;
    *portNumber = -1; // no virtual COM port behind this bridge
    return FT_OK;
}

FT_STATUS FT_SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) {
    SIM_DEVICE_OR_FAIL(void) mask;
    d->BitMode = mode;
    return FT_OK;
}

FT_STATUS FT_GetBitMode(FT_HANDLE handle, std::uint8_t* mode) {
    SIM_DEVICE_OR_FAIL
    if (!mode) return FT_INVALID_PARAMETER;
    *mode = d->BitMode;
    return FT_OK;
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeOut, std::uint32_t writeTimeOut) {
    SIM_DEVICE_OR_FAIL
    d->ReadTimeOut = readTimeOut;
    d->WriteTimeOut = writeTimeOut;
    return FT_OK;
}

FT_STATUS FT_EEPROM_Read(FT_HANDLE handle, void* eepromData, std::uint32_t size, char* manufacturer,
                         char* manufacturerId, char* description, char* serialNumber) {
    SIM_DEVICE_OR_FAIL
    if (!eepromData || size == 0) return FT_INVALID_PARAMETER;
    std::memset(eepromData, 0, size);
    if (size >= 4) {
        std::uint32_t type = FT_DEVICE_X_SERIES_;
        std::memcpy(eepromData, &type, 4);
    }
    CopyText(manufacturer, "FTDI", 64);
    CopyText(manufacturerId, "FT", 64);
    CopyText(description, d->Description, 64);
    CopyText(serialNumber, d->Serial, 64);
    return FT_OK;
}

FT_STATUS FT_EEPROM_Program(FT_HANDLE handle, void* eepromData, std::uint32_t size, char* manufacturer,
                            char* manufacturerId, char* description, char* serialNumber) {
    SIM_DEVICE_OR_FAIL(void) manufacturer;
    (void)manufacturerId;
    if (!eepromData || size == 0) return FT_EEPROM_NOT_PRESENT_;
    if (description) d->Description = std::string(description).substr(0, 63);
    if (serialNumber) d->Serial = std::string(serialNumber).substr(0, 15);
    return FT_OK;
}

FT_STATUS FT_GetDeviceInfoDetail(std::uint32_t index, std::uint32_t* flags, std::uint32_t* type,
                                 std::uint32_t* id, std::uint32_t* locId, void* serial, void* description,
                                 FT_HANDLE* handle) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    const auto devices = Library().Listed();
    if (index >= devices.size()) return FT_DEVICE_NOT_FOUND;
    tSimUsbDevice& d = *devices[index];
    if (flags) *flags = d.Open ? FT_FLAGS_OPENED : 0;
    if (type) *type = FT_DEVICE_X_SERIES_;
    if (id) *id = SimUsbId;
    if (locId) *locId = d.LocId;
    CopyText(serial, d.Serial, 16);
    CopyText(description, d.Description, 64);
    if (handle) *handle = Library().HandleOf(d);
    return FT_OK;
}

FT_STATUS FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    const auto devices = Library().Listed();
    auto field = [&](const tSimUsbDevice& d, void* to) {
        if ((flags & 0xFF) == FT_OPEN_BY_LOCATION) {
            std::memcpy(to, &d.LocId, 4);
        } else {
            CopyText(to, (flags & 0xFF) == FT_OPEN_BY_DESCRIPTION_ ? d.Description : d.Serial, 64);
        }
    };
    if (flags & FT_LIST_NUMBER_ONLY_) {
        if (!arg1) return FT_INVALID_PARAMETER;
        *static_cast<std::uint32_t*>(arg1) = static_cast<std::uint32_t>(devices.size());
        return FT_OK;
    }
    if (flags & FT_LIST_BY_INDEX_) {
        std::uintptr_t index = reinterpret_cast<std::uintptr_t>(arg1);
        if (!arg2) return FT_INVALID_PARAMETER;
        if (index >= devices.size()) return FT_DEVICE_NOT_FOUND;
        field(*devices[index], arg2);
        return FT_OK;
    }
    if (flags & FT_LIST_ALL_) {
        if (!arg1 || !arg2) return FT_INVALID_PARAMETER;
        void** out = static_cast<void**>(arg1);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if ((flags & 0xFF) == FT_OPEN_BY_LOCATION) {
                // Locations come as an array of words, not of pointers.
                static_cast<std::uint32_t*>(arg1)[i] = devices[i]->LocId;
            } else if (out[i]) {
                field(*devices[i], out[i]);
            }
        }
        *static_cast<std::uint32_t*>(arg2) = static_cast<std::uint32_t>(devices.size());
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, std::uint8_t timer) {
    SIM_DEVICE_OR_FAIL
    // The bridge takes 2 to 255 ms.
    if (timer < 2) return FT_INVALID_PARAMETER;
    d->LatencyMs = timer;
    if (d->Pacing) d->Pacing->SetLatency(timer);
    return FT_OK;
}

FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, std::uint8_t* timer) {
    SIM_DEVICE_OR_FAIL
    if (!timer) return FT_INVALID_PARAMETER;
    *timer = d->LatencyMs;
    return FT_OK;
}

FT_STATUS FT_SetEventNotification(FT_HANDLE handle, std::uint32_t mask, void* arg) {
    SIM_DEVICE_OR_FAIL
    d->SetEventNotification(mask, arg);
    // What already waits is news too.
    if (d->HostAvailable() > 0) d->SetEvent();
    return FT_OK;
}

} // extern "C"

// The test control of the simulated USB bus (D2XXSimControl.h).
extern "C" {

VEXO_D2XX_EXPORT int VexoSimSetPlugged(unsigned index, int plugged) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    if (index >= Library().Devices.size()) return -1;
    tSimUsbDevice& d = Library().Devices[index];
    if (plugged)
        d.PlugIn();
    else if (d.Plugged)
        d.Unplug();
    return 0;
}

VEXO_D2XX_EXPORT int VexoSimIsPlugged(unsigned index) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    if (index >= Library().Devices.size()) return -1;
    return Library().Devices[index].Plugged ? 1 : 0;
}

VEXO_D2XX_EXPORT int VexoSimUnplugOnCommand(unsigned index, int code, unsigned nth, long address) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    if (index >= Library().Devices.size()) return -1;
    Library().Devices[index].EnsureReader().VanishOn(code, nth, address);
    return 0;
}

VEXO_D2XX_EXPORT int VexoSimWireBytes(unsigned index, unsigned long long* toReader,
                                      unsigned long long* fromReader) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    if (index >= Library().Devices.size() || !toReader || !fromReader) return -1;
    const tSimUsbDevice& d = Library().Devices[index];
    if (!d.Pacing) return -1;
    *toReader = d.Pacing->SentBytes;
    *fromReader = d.Pacing->AnsweredBytes;
    return 0;
}

VEXO_D2XX_EXPORT long VexoSimCommandCount(unsigned index, int code) {
    std::lock_guard<std::mutex> lock(Library().Lock);
    Library().Load();
    if (index >= Library().Devices.size()) return -1;
    return static_cast<long>(Library().Devices[index].EnsureReader().CommandCount(code));
}

} // extern "C"
