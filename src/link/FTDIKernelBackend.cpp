#ifdef __linux__
#include "FTDIKernelBackend.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "SerialPort.h"
#include "SysfsTty.h"
#include "TtyDevice.h"

struct TFtdiKernelBackend::TDevice {
    tFtdiTty Tty;
    bool Locked = false; // another program holds its node
};

struct TFtdiKernelBackend::THandle {
    TTtyDevice Tty;
    std::string Name;
    std::string PortFolder;
    std::uint32_t ReadTimeOutMs = 0;
    std::uint32_t WriteTimeOutMs = 0;
    // Pseudo-terminals have none: setting DTR or RTS is then nothing to do, not a failure.
    bool ModemLines = false;
};

namespace {

constexpr std::uint8_t FT_BITS_7 = 7, FT_BITS_8 = 8;
constexpr std::uint8_t FT_STOP_BITS_1_ = 0, FT_STOP_BITS_2_ = 2;
// Until the program sets them, reads and writes wait as the vendor's library does by default.
constexpr std::uint32_t DefaultTimeOutMs = 300;

// The text into a fixed field, cut so that it still ends in 0.
void CopyText(char* field, std::size_t size, const std::string& text) {
    std::memset(field, 0, size);
    FTDIDirect::convertToCharBuffer(field, text, static_cast<std::int32_t>(size - 1));
}

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

} // namespace

TFtdiKernelBackend::TFtdiKernelBackend(std::string sysfsRoot, std::string devRoot)
    : fSysfsRoot(std::move(sysfsRoot)), fDevRoot(std::move(devRoot)) {}

TFtdiKernelBackend::~TFtdiKernelBackend() = default;

std::uint32_t TFtdiKernelBackend::DeviceType(std::uint16_t bcdDevice) {
    switch (bcdDevice & 0xFF00) {
    case 0x0200: return FT_DEVICE_232AM;
    case 0x0400: return FT_DEVICE_232BM;
    case 0x0500: return FT_DEVICE_2232C;
    case 0x0600: return FT_DEVICE_232R;
    case 0x0700: return FT_DEVICE_2232H;
    case 0x0800: return FT_DEVICE_4232H;
    case 0x0900: return FT_DEVICE_232H;
    case 0x1000: return FT_DEVICE_X_SERIES;
    default: return FT_DEVICE_UNKNOWN;
    }
}

tD2XXFunctions TFtdiKernelBackend::Functions() {
    tD2XXFunctions f;
    f.FT_CreateDeviceInfoList = [this](std::uint32_t* n) { return CreateDeviceInfoList(n); };
    f.FT_GetDeviceInfoList = [this](tFT_device_list_info_node* list, std::uint32_t* n) {
        return GetDeviceInfoList(list, n);
    };
    f.FT_GetDeviceInfoDetail = [this](std::uint32_t index, std::uint32_t* flags, std::uint32_t* type,
                                      std::uint32_t* id, std::uint32_t* locId, void* serial,
                                      void* description, FT_HANDLE* handle) {
        return GetDeviceInfoDetail(index, flags, type, id, locId, serial, description, handle);
    };
    f.FT_ListDevices = [this](void* arg1, void*, std::uint32_t flags) {
        if (flags != FT_LIST_NUMBER_ONLY || !arg1) return FT_NOT_SUPPORTED;
        return CreateDeviceInfoList(static_cast<std::uint32_t*>(arg1));
    };
    f.FT_OpenEx = [this](void* arg, std::uint32_t flags, FT_HANDLE* handle) {
        return OpenEx(arg, flags, handle);
    };
    f.FT_Close = [this](FT_HANDLE handle) { return Close(handle); };
    f.FT_SetLatencyTimer = [this](FT_HANDLE h, std::uint8_t ms) { return SetLatencyTimer(h, ms); };
    f.FT_GetLatencyTimer = [this](FT_HANDLE h, std::uint8_t* ms) {
        return ms ? GetLatencyTimer(h, *ms) : FT_INVALID_PARAMETER;
    };
    f.FT_Read = [this](FT_HANDLE h, void* b, std::uint32_t n, std::uint32_t* got) {
        return Read(h, b, n, got);
    };
    f.FT_Write = [this](FT_HANDLE h, void* b, std::uint32_t n, std::uint32_t* put) {
        return Write(h, b, n, put);
    };
    f.FT_GetQueueStatus = [this](FT_HANDLE h, std::uint32_t* rx) { return QueueStatus(h, rx, nullptr); };
    f.FT_GetStatus = [this](FT_HANDLE h, std::uint32_t* rx, std::uint32_t* tx, std::uint32_t* event) {
        if (event) *event = 0;
        return QueueStatus(h, rx, tx);
    };
    f.FT_SetBaudRate = [this](FT_HANDLE h, std::uint32_t baud) {
        THandle* d = Find(h);
        if (!d) return FT_INVALID_HANDLE;
        return d->Tty.SetBaudRate(baud) ? FT_OK : FT_INVALID_BAUD_RATE;
    };
    f.FT_SetDataCharacteristics = [this](FT_HANDLE h, std::uint8_t wordLength, std::uint8_t stopBits,
                                         std::uint8_t parity) {
        THandle* d = Find(h);
        if (!d) return FT_INVALID_HANDLE;
        if ((wordLength != FT_BITS_7 && wordLength != FT_BITS_8) ||
            (stopBits != FT_STOP_BITS_1_ && stopBits != FT_STOP_BITS_2_) || parity > 4)
            return FT_INVALID_PARAMETER;
        return d->Tty.SetFraming(wordLength, parity, stopBits == FT_STOP_BITS_2_ ? 2 : 1) ? FT_OK
                                                                                          : FT_IO_ERROR;
    };
    f.FT_Purge = [this](FT_HANDLE h, std::uint32_t mask) {
        THandle* d = Find(h);
        if (!d) return FT_INVALID_HANDLE;
        return d->Tty.Purge(mask & FT_PURGE_RX, mask & FT_PURGE_TX) ? FT_OK : FT_IO_ERROR;
    };
    // The chip's reset throws away what is on its way both ways; the line settings stay.
    f.FT_ResetDevice = [this](FT_HANDLE h) {
        THandle* d = Find(h);
        if (!d) return FT_INVALID_HANDLE;
        return d->Tty.Purge(true, true) ? FT_OK : FT_IO_ERROR;
    };
    f.FT_SetTimeouts = [this](FT_HANDLE h, std::uint32_t readMs, std::uint32_t writeMs) {
        THandle* d = Find(h);
        if (!d) return FT_INVALID_HANDLE;
        d->ReadTimeOutMs = readMs;
        d->WriteTimeOutMs = writeMs;
        return FT_OK;
    };
    auto line = [this](bool dtr, bool on) {
        return [this, dtr, on](FT_HANDLE h) {
            THandle* d = Find(h);
            if (!d) return FT_INVALID_HANDLE;
            if (!d->ModemLines) return FT_OK;
            return (dtr ? d->Tty.SetDTR(on) : d->Tty.SetRTS(on)) ? FT_OK : FT_IO_ERROR;
        };
    };
    f.FT_SetDtr = line(true, true);
    f.FT_ClrDtr = line(true, false);
    f.FT_SetRts = line(false, true);
    f.FT_ClrRts = line(false, false);
    f.FT_GetComPortNumber = [this](FT_HANDLE h, std::int32_t* port) {
        if (port) *port = -1;
        return Find(h) ? FT_OK : FT_INVALID_HANDLE;
    };
    // The kernel's driver has no way to these.
    f.FT_SetBitMode = [](FT_HANDLE, std::uint8_t, std::uint8_t) { return FT_NOT_SUPPORTED; };
    f.FT_GetBitMode = [](FT_HANDLE, std::uint8_t*) { return FT_NOT_SUPPORTED; };
    f.FT_EE_Read = [](FT_HANDLE, tFT_PROGRAM_DATA*) { return FT_NOT_SUPPORTED; };
    f.FT_EE_Program = [](FT_HANDLE, tFT_PROGRAM_DATA*) { return FT_NOT_SUPPORTED; };
    f.FT_EraseEE = [](FT_HANDLE) { return FT_NOT_SUPPORTED; };
    f.FT_EEPROM_Read = [](FT_HANDLE, void*, std::uint32_t, char*, char*, char*, char*) {
        return FT_NOT_SUPPORTED;
    };
    f.FT_EEPROM_Program = [](FT_HANDLE, void*, std::uint32_t, char*, char*, char*, char*) {
        return FT_NOT_SUPPORTED;
    };
    return f;
}

TFtdiKernelBackend::THandle* TFtdiKernelBackend::Find(FT_HANDLE handle) const {
    std::lock_guard<std::mutex> lock(fLock);
    for (const auto& h : fHandles)
        if (h.get() == handle) return h.get();
    return nullptr;
}

void TFtdiKernelBackend::Scan() {
    bool classFound = false;
    fDevices.clear();
    for (const auto& text : ReadSysfsTtys(fSysfsRoot, fDevRoot, false, classFound)) {
        TDevice device;
        if (!ParseFtdiTty(text, device.Tty)) continue;
        device.Locked = DeviceNodeLocked(fDevRoot + "/" + device.Tty.Name);
        fDevices.push_back(std::move(device));
    }
    std::sort(fDevices.begin(), fDevices.end(),
              [](const TDevice& a, const TDevice& b) { return SerialPortListOrder(a.Tty.Name, b.Tty.Name); });
}

FT_STATUS TFtdiKernelBackend::CreateDeviceInfoList(std::uint32_t* numDevs) {
    if (!numDevs) return FT_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(fLock);
    Scan();
    *numDevs = static_cast<std::uint32_t>(fDevices.size());
    return FT_OK;
}

FT_STATUS TFtdiKernelBackend::GetDeviceInfoList(tFT_device_list_info_node* list, std::uint32_t* numDevs) {
    if (!list || !numDevs) return FT_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(fLock);
    const std::size_t n = std::min<std::size_t>(*numDevs, fDevices.size());
    for (std::size_t i = 0; i < n; ++i) {
        const TDevice& d = fDevices[i];
        tFT_device_list_info_node& node = list[i];
        node = tFT_device_list_info_node{};
        FT_HANDLE ours = nullptr;
        for (const auto& h : fHandles)
            if (h->Name == d.Tty.Name) ours = h.get();
        node.flags = d.Locked || ours ? FT_FLAGS_OPENED : 0;
        node.dType = DeviceType(d.Tty.Bcd);
        node.id = static_cast<std::uint32_t>(d.Tty.Vendor) << 16 | d.Tty.Product;
        node.locId = d.Tty.LocationId;
        CopyText(node.serial, sizeof node.serial, d.Tty.Serial);
        CopyText(node.description, sizeof node.description, d.Tty.Description);
        node.ftHandle = ours;
    }
    *numDevs = static_cast<std::uint32_t>(n);
    return FT_OK;
}

FT_STATUS TFtdiKernelBackend::GetDeviceInfoDetail(std::uint32_t index, std::uint32_t* flags,
                                                  std::uint32_t* type, std::uint32_t* id,
                                                  std::uint32_t* locId, void* serial, void* description,
                                                  FT_HANDLE* handle) {
    tFT_device_list_info_node node{};
    {
        std::lock_guard<std::mutex> lock(fLock);
        if (index >= fDevices.size()) return FT_DEVICE_NOT_FOUND;
    }
    std::uint32_t count = index + 1;
    std::vector<tFT_device_list_info_node> nodes(count);
    GetDeviceInfoList(nodes.data(), &count);
    if (count <= index) return FT_DEVICE_NOT_FOUND;
    node = nodes[index];
    if (flags) *flags = node.flags;
    if (type) *type = node.dType;
    if (id) *id = node.id;
    if (locId) *locId = node.locId;
    // The library's buffers: 16 characters for the serial, 64 for the description.
    if (serial) std::memcpy(serial, node.serial, sizeof node.serial);
    if (description) std::memcpy(description, node.description, sizeof node.description);
    if (handle) *handle = node.ftHandle;
    return FT_OK;
}

FT_STATUS TFtdiKernelBackend::OpenEx(void* arg, std::uint32_t flags, FT_HANDLE* handle) {
    if (!handle) return FT_INVALID_PARAMETER;
    *handle = nullptr;
    if (flags != FT_OPEN_BY_LOCATION && flags != FT_OPEN_BY_SERIAL_NUMBER && flags != FT_OPEN_BY_DESCRIPTION)
        return FT_INVALID_PARAMETER;
    std::unique_lock<std::mutex> lock(fLock);
    // A device plugged in since the last list is found too.
    const TDevice* found = nullptr;
    for (int pass = 0; pass < 2 && !found; ++pass) {
        if (pass == 1) Scan();
        for (const TDevice& d : fDevices) {
            const bool match =
                flags == FT_OPEN_BY_LOCATION
                    ? d.Tty.LocationId == static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arg))
                : flags == FT_OPEN_BY_SERIAL_NUMBER ? arg && d.Tty.Serial == static_cast<const char*>(arg)
                : flags == FT_OPEN_BY_DESCRIPTION ? arg && d.Tty.Description == static_cast<const char*>(arg)
                                                  : false;
            if (match) {
                found = &d;
                break;
            }
        }
    }
    if (!found) return FT_DEVICE_NOT_FOUND;

    auto h = std::make_unique<THandle>();
    h->Name = found->Tty.Name;
    h->PortFolder = found->Tty.PortFolder;
    h->ReadTimeOutMs = h->WriteTimeOutMs = DefaultTimeOutMs;
    lock.unlock();
    switch (h->Tty.Open(fDevRoot + "/" + h->Name)) {
    case 0: break;
    case SERIAL_ERROR_NO_SUCH_DEVICE: return FT_DEVICE_NOT_FOUND;
    case SERIAL_ERROR_NO_PERMISSION: return FT_ERR_PERMISSION_DENIED;
    default: return FT_DEVICE_NOT_OPENED;
    }
    // The vendor library's state after an open: raw bytes, 9600 baud, 8 data bits, no parity.
    h->Tty.MakeRaw();
    h->Tty.SetBaudRate(9600);
    h->Tty.SetFraming(8, 0, 1);
    TTtyDevice::TModemLines lines;
    h->ModemLines = h->Tty.GetModemLines(lines);
    // A short USB latency: replies reach us in a millisecond, not the bridge's 16 at plug-in.
    // The file is root's unless the udev rule set it; the driver's flag needs no privilege.
    int latency = 0;
    if (!WriteLatencyTimer(h->PortFolder, 1) || !ReadLatencyTimer(h->PortFolder, latency) || latency != 1)
        h->Tty.SetLowLatency(true);
    lock.lock();
    *handle = h.get();
    fHandles.push_back(std::move(h));
    return FT_OK;
}

FT_STATUS TFtdiKernelBackend::Close(FT_HANDLE handle) {
    std::unique_ptr<THandle> closing;
    {
        std::lock_guard<std::mutex> lock(fLock);
        auto it = std::find_if(fHandles.begin(), fHandles.end(), [&](auto& h) { return h.get() == handle; });
        if (it == fHandles.end()) return FT_INVALID_HANDLE;
        closing = std::move(*it);
        fHandles.erase(it);
    }
    return closing->Tty.Close() ? FT_OK : FT_IO_ERROR;
}

FT_STATUS TFtdiKernelBackend::Read(FT_HANDLE handle, void* buffer, std::uint32_t toRead,
                                   std::uint32_t* bytesRead) {
    THandle* d = Find(handle);
    if (!d) return FT_INVALID_HANDLE;
    if (!buffer || !bytesRead) return FT_INVALID_PARAMETER;
    *bytesRead = 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(d->ReadTimeOutMs);
    // As the library does: until all bytes are there or the read time-out has passed.
    while (*bytesRead < toRead) {
        const std::int32_t got = d->Tty.Read(bytes + *bytesRead, toRead - *bytesRead);
        if (got < 0) return FT_IO_ERROR;
        if (got > 0) {
            *bytesRead += static_cast<std::uint32_t>(got);
            continue;
        }
        const int left = MillisecondsLeft(deadline);
        if (left == 0 || !d->Tty.WaitReadable(left)) break;
        // Readable, yet nothing to read: the other side has hung up.
        std::uint32_t queued = 0;
        bool hungUp = false;
        if (!d->Tty.InQueue(queued, hungUp) || (hungUp && queued == 0)) return FT_IO_ERROR;
    }
    return FT_OK;
}

FT_STATUS TFtdiKernelBackend::Write(FT_HANDLE handle, void* buffer, std::uint32_t toWrite,
                                    std::uint32_t* bytesWritten) {
    THandle* d = Find(handle);
    if (!d) return FT_INVALID_HANDLE;
    if (!buffer || !bytesWritten) return FT_INVALID_PARAMETER;
    *bytesWritten = 0;
    const std::int32_t put =
        d->Tty.Write(static_cast<const std::uint8_t*>(buffer), toWrite, static_cast<int>(d->WriteTimeOutMs));
    if (put < 0) return FT_IO_ERROR;
    *bytesWritten = static_cast<std::uint32_t>(put);
    return FT_OK;
}

FT_STATUS TFtdiKernelBackend::QueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes, std::uint32_t* txBytes) {
    THandle* d = Find(handle);
    if (!d) return FT_INVALID_HANDLE;
    std::uint32_t queued = 0;
    bool hungUp = false;
    // A device gone (unplugged, its other end closed) is the news, once what it sent is read.
    if (!d->Tty.InQueue(queued, hungUp) || (hungUp && queued == 0)) return FT_IO_ERROR;
    if (rxBytes) *rxBytes = queued;
    if (txBytes) *txBytes = d->Tty.OutQueue();
    return FT_OK;
}

int TFtdiKernelBackend::Descriptor(FT_HANDLE handle) const {
    const THandle* d = Find(handle);
    return d ? d->Tty.Fd() : -1;
}

FT_STATUS TFtdiKernelBackend::SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) {
    THandle* d = Find(handle);
    if (!d) return FT_INVALID_HANDLE;
    if (ms == 0) return FT_INVALID_PARAMETER;
    if (WriteLatencyTimer(d->PortFolder, ms)) return FT_OK;
    // Without the file the driver's flag knows two values, 1 ms or its own default (16): the
    // nearer one.
    return d->Tty.SetLowLatency(ms < 16) ? FT_OK : FT_NOT_SUPPORTED;
}

FT_STATUS TFtdiKernelBackend::GetLatencyTimer(FT_HANDLE handle, std::uint8_t& ms) {
    THandle* d = Find(handle);
    if (!d) return FT_INVALID_HANDLE;
    int value = 0;
    if (!ReadLatencyTimer(d->PortFolder, value)) return FT_NOT_SUPPORTED;
    ms = static_cast<std::uint8_t>(value);
    return FT_OK;
}

#endif
