#include "SeriellThread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>

#include "FTDIKernelBackend.h"
#include "ThreadName.h"
#include "Tools.h"

namespace {

constexpr std::uint32_t ErrorBit = 0x8000;
constexpr std::uint32_t ERR_FTDI_INVALID_STOP_BITS = 506;
constexpr std::uint32_t ERR_FTDI_INVALID_WORD_SIZE = 507;
constexpr std::uint32_t FtdiTimeOutMs = 1000;
// How long a closing port lets queued bytes (the reader's shutdown text) leave.
constexpr int CloseDrainMs = 200;

// Set on every link thread: what it leaves queued it takes on its own next cycle.
thread_local bool tOnLinkThread = false;

std::uint32_t Flagged(FT_STATUS status) {
    return status == FT_OK ? 0 : (status | ErrorBit);
}

} // namespace

TSeriellThread::TSeriellThread(bool CreateSuspended, std::int32_t BufferSize, tSerialPortFactory portFactory,
                               const std::string& ftdiLibrary)
    : ftdi(ftdiLibrary),
      fPortFactory(portFactory ? std::move(portFactory) : tSerialPortFactory(CreateSystemSerialPort)),
      RxPuffer(BufferSize, false), TxPuffer(BufferSize, false), rxTmpBuffer(MaxTransfer) {
    if (!CreateSuspended) Start();
}

TSeriellThread::~TSeriellThread() {
    Ende = true;
    fWaiter.Wake();
    // The UI thread may be the one destroying us: the link thread must not stay
    // waiting for it to run an event.
    if (ISyncInvoker* invoker = fInvoker) invoker->Abandon();
    if (fThread.joinable()) fThread.join();
    ClosePort();
}

void TSeriellThread::Start() {
    if (!fThread.joinable() && !Ende) fThread = std::thread([this] { Execute(); });
}

void TSeriellThread::Execute() {
    SetCurrentThreadName("vexo-link");
    tOnLinkThread = true;
    using clock = std::chrono::steady_clock;
    auto last = clock::now();
    std::int64_t carriedUs = 0;
    bool noInput = false;
    while (!Ende) {
        const eLinkWait woke = WaitForWork(noInput);
        // The bus hold counts the time that really passed, however long the wait was.
        const auto now = clock::now();
        carriedUs += std::chrono::duration_cast<std::chrono::microseconds>(now - last).count();
        last = now;
        const auto elapsedMs = static_cast<std::int32_t>(
            std::min<std::int64_t>(carriedUs / 1000, std::numeric_limits<std::int32_t>::max()));
        carriedUs %= 1000;
        if (fBusHoldBusyTime > elapsedMs) {
            fBusHoldBusyTime -= elapsedMs;
        } else {
            fBusHoldBusyTime = 0;
            fBusState = bsIDLE;
        }
        const std::uint64_t before = fBytesReceived;
        ReadSeriell();
        SendBuffer();
        noInput = woke == eLinkWait::Input && fBytesReceived == before;
    }
}

eLinkWait TSeriellThread::WaitForWork(bool noInput) {
    std::lock_guard<std::mutex> waiting(fWaitLock);
    if (fHoldWaits) return eLinkWait::Woken;
    std::shared_ptr<ISerialPort> port;
    bool d2xxEvent = false;
    int descriptor = -1;
    {
        std::lock_guard<std::mutex> rx(criticalRx);
        if (Open) {
            port = fComPort;
            d2xxEvent = fD2XXEvent;
            // The built-in backend's device is a tty: wait on it as on a COM port. ClosePort
            // waits for this wait to end before it closes the descriptor.
#ifdef __linux__
            if (fFtHandle && ftdi.builtInBackend()) descriptor = ftdi.builtInBackend()->Descriptor(fFtHandle);
#endif
            // A library may signal without a mark while nobody waits: what is already there
            // is not waited for.
            if (d2xxEvent && !noInput && ftdi.getRxAvailable(fFtHandle) > 0) return eLinkWait::Input;
        }
    }
    fTxWakePending = false;
    const bool waitable = d2xxEvent || descriptor >= 0 || (port && port->CanWaitForInput());
    if (noInput || (Open && !waitable)) return fWaiter.Sleep(CycleMs);
    // The bus hold and bytes the driver would not take yet run on the cycle's clock.
    const bool onTheClock = fBusState == bsACTIVE || TxPuffer.GetCount() > 0;
    const int bound = onTheClock ? CycleMs : std::max(idleWaitMs.load(), CycleMs);
    if (d2xxEvent) return fWaiter.WaitD2XXEvent(bound);
#ifdef __linux__
    if (descriptor >= 0) return fWaiter.WaitDescriptor(descriptor, bound);
#endif
    if (port) return port->WaitForInput(fWaiter, bound);
    // No port: only an open or the end comes to wake us.
    return fWaiter.Sleep(bound);
}

void TSeriellThread::TxQueued() {
    if (!fTxWakePending.exchange(true)) fWaiter.Wake();
}

void TSeriellThread::holdBus(std::int32_t ms) {
    fBusState = bsACTIVE;
    std::int32_t current = fBusHoldBusyTime;
    while (current < ms && !fBusHoldBusyTime.compare_exchange_weak(current, ms)) {
    }
}

void TSeriellThread::RaiseSynchronized(const std::function<void()>& event) {
    if (Ende) return;
    ISyncInvoker* invoker = fInvoker;
    if (syncEvents && invoker)
        invoker->Invoke(event);
    else
        event();
}

bool TSeriellThread::OpenPort(std::int32_t portID, std::int32_t Baud, bool portIDAsLocID) {
    ClosePort();
    clear();
    BaudRate = Baud;
    RealPort = portID;
    if (!fFTDIMode) {
        if (!OpenCom(ComPortDevicePath(portID))) return false;
        fFTDICurrentIdx = portID;
        return true;
    }

    FT_HANDLE handle = nullptr;
    LastError = Flagged(ftdi.openEx(portID, handle, portIDAsLocID));
    if (LastError == 0 && handle) ftdi.setTimeOuts(handle, FtdiTimeOutMs, FtdiTimeOutMs);
    if (!handle) return false;
    fFtHandle = handle;
    Open = true;
    if (!ApplySettingsOrClose()) return false;
    // Where the library can: the bridge hands a reply's last partial packet over after this
    // many ms instead of its default 16, and tells us when bytes arrive. Without either the
    // link still works, only slower; neither result is an open error.
    ftdi.setLatencyTimer(handle, latencyTimer);
    fD2XXEvent = ftdi.setEventNotification(handle, FT_EVENT_RXCHAR, fWaiter.D2XXEventArgument()) == FT_OK;
    fFTDICurrentIdx = portID;
    fFTDIOpendByLocID = portIDAsLocID;
    purgeTransmit();
    purgeReceive();
    fWaiter.Wake();
    return true;
}

bool TSeriellThread::ApplySettingsOrClose() {
    applySettings();
    if (LastError == 0) return true;
    const std::uint32_t error = LastError;
    ClosePort();
    LastError = error;
    return false;
}

bool TSeriellThread::OpenPortPath(const std::string& device, std::int32_t Baud) {
    ClosePort();
    clear();
    BaudRate = Baud;
    RealPort = -1;
    if (fFTDIMode) {
        LastError = SERIELL_ERR_PATH_IN_FTDI_MODE;
        return false;
    }
    if (!OpenCom(device)) return false;
    fFTDICurrentIdx = -1;
    return true;
}

bool TSeriellThread::OpenCom(const std::string& device) {
    std::unique_ptr<ISerialPort> port = fPortFactory();
    LastError = port ? port->Open(device) : SERIAL_ERROR_NO_SUCH_DEVICE;
    if (LastError != 0) return false;
    fComPort = std::move(port);
    Open = true;
    if (!ApplySettingsOrClose()) return false;
    fFTDIOpendByLocID = false;
    purgeTransmit();
    purgeReceive();
    fWaiter.Wake();
    return true;
}

void TSeriellThread::applySettings() {
    if (fFTDIMode) {
        FT_STATUS status = ftdi.reset(fFtHandle);
        if (status == FT_OK) status = ftdi.setBaudrate(fFtHandle, static_cast<std::uint32_t>(BaudRate));
        if (status == FT_OK) {
            if (countOfBits != 7 && countOfBits != 8) status = ERR_FTDI_INVALID_WORD_SIZE;
            if (stopBits == FT_STOP_BITS_1_5) status = ERR_FTDI_INVALID_STOP_BITS;
        }
        if (status == FT_OK)
            status = ftdi.setDataCharacteristics(fFtHandle, static_cast<std::uint8_t>(countOfBits), stopBits,
                                                 parity);
        RealBaud = status == FT_OK ? BaudRate : 0;
        LastError = Flagged(status);
    } else {
        tSerialLineSettings settings;
        settings.BaudRate = BaudRate;
        settings.ByteSize = countOfBits;
        settings.Parity = parity;
        settings.StopBits = stopBits;
        // A refused rate is an open error; any other setting the driver cannot take is not.
        if (fComPort->ApplySettings(settings) == SERIAL_ERROR_BAUD_RATE) LastError = SERIAL_ERROR_BAUD_RATE;
        RealBaud = LastError == 0 ? BaudRate : 0;
    }
    // A set-up error must survive the line-state calls, or the open would succeed with it.
    const std::uint32_t setupError = LastError;
    Set_DTR(fDTR);
    SET_RTS(fRTS);
    if (setupError != 0) LastError = setupError;
}

void TSeriellThread::purgeTransmit() {
    if (fFTDIMode) {
        if (fFtHandle) ftdi.purge(fFtHandle, FT_PURGE_TX);
    } else if (fComPort) {
        fComPort->Purge(SERIAL_PURGE_TXABORT | SERIAL_PURGE_TXCLEAR);
    }
}

void TSeriellThread::purgeReceive() {
    if (fFTDIMode) {
        if (fFtHandle) ftdi.purge(fFtHandle, FT_PURGE_RX);
    } else if (fComPort) {
        fComPort->Purge(SERIAL_PURGE_RXABORT | SERIAL_PURGE_RXCLEAR);
    }
}

bool TSeriellThread::DrainTransmit() {
    std::lock_guard<std::mutex> tx(criticalTx);
    if (!Open || !HasPort()) return false;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(CloseDrainMs);
    auto left = [&] {
        return static_cast<int>(std::max<std::int64_t>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count()));
    };
    // Written here without events: the owner is closing, a failure only means a purge.
    while (TxPuffer.Read(txTmpBuffer, static_cast<std::int32_t>(MaxTransfer))) {
        std::uint32_t count = static_cast<std::uint32_t>(txTmpBuffer.size());
        if (fFTDIMode) {
            if (ftdi.write(fFtHandle, txTmpBuffer.data(), count) != FT_OK || count < txTmpBuffer.size())
                return false;
        } else if (fComPort->Write(txTmpBuffer.data(), count) < static_cast<std::int32_t>(count)) {
            return false;
        }
        if (left() == 0) return false;
    }
    if (!fFTDIMode) return fComPort->WaitUntilSent(left());
    while (ftdi.getTxInQueue(fFtHandle) > 0) {
        if (left() == 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool TSeriellThread::ClosePort() {
    if (!Open && !HasPort()) return false;
    // The link thread leaves its wait on the port before the port goes.
    fHoldWaits = true;
    fWaiter.Wake();
    std::lock_guard<std::mutex> waiting(fWaitLock);
    fHoldWaits = false;
    bool result;
    // What was sent last (the reader's shutdown text) leaves before the port closes; only
    // what could not leave in time is thrown away.
    const bool drained = DrainTransmit();
    std::lock_guard<std::mutex> rx(criticalRx);
    if (!drained) purgeTransmit();
    purgeReceive();
    {
        // Taken after criticalRx, never the other way round: a write in progress on the
        // link thread finishes before its port goes away.
        std::lock_guard<std::mutex> tx(criticalTx);
        Open = false;
        if (fFtHandle) {
            const FT_STATUS status = ftdi.close(fFtHandle);
            LastError = Flagged(status);
            result = status == FT_OK;
        } else {
            result = fComPort && fComPort->Close();
            LastError = 0;
        }
        fFtHandle = nullptr;
        fComPort.reset();
        fD2XXEvent = false;
    }
    return result;
}

void TSeriellThread::clear() {
    RxPuffer.Clear();
    TxPuffer.Clear();
}

bool TSeriellThread::GetByte(std::uint8_t& B) {
    return Open && RxPuffer.Get(B);
}

bool TSeriellThread::ReadByte(std::uint8_t& B) {
    return Open && RxPuffer.Read(B);
}

bool TSeriellThread::read(tByteBuffer& rdBuffer, std::int32_t maxRead) {
    if (!Open) {
        rdBuffer.clear();
        return false;
    }
    return RxPuffer.Read(rdBuffer, maxRead);
}

std::uint16_t TSeriellThread::RxCount() const {
    return static_cast<std::uint16_t>(std::min<std::int32_t>(RxPuffer.GetCount(), 0xFFFF));
}

std::int32_t TSeriellThread::txCount() const {
    return TxPuffer.GetCount();
}

bool TSeriellThread::SendByte(std::uint8_t B) {
    if (!Open) return false;
    // No wake-up here: a frame is queued byte by byte and flushed by its sender; waking the
    // link thread at its first byte would send it in pieces.
    if (TxPuffer.Add(B)) return true;
    if (OnRxBufferFull) OnRxBufferFull(this);
    return false;
}

bool TSeriellThread::Send(const tByteBuffer& buffer) {
    if (!Open) return false;
    if (TxPuffer.Add(buffer)) {
        TxQueued();
        return true;
    }
    if (OnRxBufferFull) OnRxBufferFull(this);
    return false;
}

bool TSeriellThread::Send(const std::string& Str) {
    if (!Open) return false;
    bool queued = true;
    for (std::uint8_t b : Utf16LowBytes(Str))
        if (!TxPuffer.Add(b)) {
            if (OnRxBufferFull) OnRxBufferFull(this);
            queued = false;
            break;
        }
    TxQueued();
    return queued;
}

bool TSeriellThread::ReadSeriell() {
    bool error = false, overflow = false;
    std::uint32_t got = 0;
    {
        std::lock_guard<std::mutex> rx(criticalRx);
        if (!Open) return false;
        if (fFTDIMode) {
            std::uint32_t count = MaxTransfer;
            const FT_STATUS status = ftdi.read(fFtHandle, rxTmpBuffer.data(), count);
            LastError = status;
            if (status != FT_OK) {
                error = true;
            } else if (count > 0) {
                got = count;
                holdBus(5);
                overflow = !RxPuffer.Add(rxTmpBuffer.data(), static_cast<std::int32_t>(count));
            }
        } else {
            tSerialQueueStatus queue;
            if (!fComPort->GetQueueStatus(queue) || queue.Errors != 0) {
                error = true;
            } else {
                const std::uint32_t n = std::min(queue.InQueue, MaxTransfer);
                const std::int32_t read = n > 0 ? fComPort->Read(rxTmpBuffer.data(), n) : 0;
                // A failed read is the driver's news (a device gone), not "nothing arrived".
                if (read < 0) error = true;
                if (read > 0) {
                    got = static_cast<std::uint32_t>(read);
                    holdBus(5);
                    for (std::uint32_t i = 0; i < got; ++i)
                        if (!RxPuffer.Add(rxTmpBuffer[i])) {
                            overflow = true;
                            break;
                        }
                }
            }
        }
    }
    if (error) {
        LastError |= ErrorBit;
        return false;
    }
    if (got == 0) return true;
    fBytesReceived += got;
    if (overflow && OnRxBufferFull) RaiseSynchronized([this] { OnRxBufferFull(this); });
    if (OnReceive) RaiseSynchronized([this] { OnReceive(this); });
    return true;
}

bool TSeriellThread::SendBuffer() {
    bool result = false, notAllSent = false;
    {
        std::lock_guard<std::mutex> tx(criticalTx);
        if (!Open) return false;
        if (fFTDIMode) {
            if (!TxPuffer.Read(txTmpBuffer, static_cast<std::int32_t>(MaxTransfer))) return false;
            holdBus(20);
            std::uint32_t count = static_cast<std::uint32_t>(txTmpBuffer.size());
            const FT_STATUS status = ftdi.write(fFtHandle, txTmpBuffer.data(), count);
            LastError = status;
            if (status != FT_OK || count < txTmpBuffer.size()) {
                LastError = Flagged(status);
                notAllSent = true;
            } else {
                result = true;
            }
        } else {
            tSerialQueueStatus queue;
            // Bytes still in the driver's queue go first; ours wait for a later cycle.
            if (!fComPort->GetQueueStatus(queue) || queue.Errors != 0 || queue.OutQueue != 0) return false;
            if (!TxPuffer.Read(txTmpBuffer, static_cast<std::int32_t>(MaxTransfer))) return false;
            holdBus(20);
            const std::int32_t written =
                fComPort->Write(txTmpBuffer.data(), static_cast<std::uint32_t>(txTmpBuffer.size()));
            if (written < static_cast<std::int32_t>(txTmpBuffer.size()))
                notAllSent = true;
            else
                result = true;
        }
        if (notAllSent) serError = Err_NotAllSend;
    }
    // Bytes the driver would not take yet go out on the link thread's cycle; one waiting for
    // input is told so.
    if (!tOnLinkThread && TxPuffer.GetCount() > 0) TxQueued();
    if (notAllSent && OnError) RaiseSynchronized([this] { OnError(this, Err_NotAllSend); });
    return result;
}

void TSeriellThread::Set_DTR(bool OnOff) {
    if (Open) {
        if (fFTDIMode)
            LastError = Flagged(ftdi.setDTR(fFtHandle, OnOff));
        else
            fComPort->SetDTR(OnOff);
    }
    fDTR = OnOff;
}

void TSeriellThread::SET_RTS(bool OnOff) {
    if (Open) {
        if (fFTDIMode)
            LastError = Flagged(ftdi.setRTS(fFtHandle, OnOff));
        else
            fComPort->SetRTS(OnOff);
    }
    fRTS = OnOff;
}

void TSeriellThread::GetStatus() {
    if (!Open || fFTDIMode || !fComPort) return;
    std::uint32_t status = 0;
    fComPort->GetModemStatus(status);
    CTS = status & SERIAL_MS_CTS_ON;
    DSR = status & SERIAL_MS_DSR_ON;
    RI = status & SERIAL_MS_RING_ON;
    RLSD = status & SERIAL_MS_RLSD_ON;
}

std::string TSeriellThread::ErrorText(std::uint32_t code) {
    switch (code) {
    case 2: return "Port existiert nicht";
    case 5: return "Port wird schon verwendet";
    case SERIAL_ERROR_BAUD_RATE: return "Baudrate wird vom Treiber nicht unterstützt";
    case SERIAL_ERROR_NO_PERMISSION:
    case ErrorBit | FT_ERR_PERMISSION_DENIED:
        return "Keine Berechtigung für den Port: Benutzer in die Gruppe des Geräts aufnehmen (meist dialout) "
               "oder die udev-Regel des Programms installieren";
    case 0x8001: return "FTDI: Ungültiges Handle";
    case 0x8002: return "FTDI: Gerät nicht verfügbar";
    case 0x81FA: return "FTDI: Invalid Stop Bits";
    case 0x81FB: return "FTDI: Invalid Word Size";
    case 0x81FC: return "FTDI: Kein gültiges Gerät ausgewählt";
    case 0x81FE: return "FTDI: DLL Funktion not supported";
    case 0x81FF: return "FTDI: DLL Error";
    default: return "Unbekannter Fehler";
    }
}

bool TSeriellThread::IsPermissionError(std::uint32_t code) {
    return code == SERIAL_ERROR_NO_PERMISSION || code == (ErrorBit | FT_ERR_PERMISSION_DENIED);
}

std::string TSeriellThread::GetErrorMessage() const {
    return GetErrorMessage(LastError);
}

std::string TSeriellThread::GetErrorMessage(std::uint32_t ErrorCode) const {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%04X", ErrorCode);
    return ErrorText(LastError) + " (0x" + hex + ")";
}

std::string TSeriellThread::getParityString() const {
    switch (parity) {
    case FT_PARITY_NONE: return "none";
    case FT_PARITY_ODD: return "odd";
    case FT_PARITY_EVEN: return "even";
    case FT_PARITY_MARK: return "mark";
    case FT_PARITY_SPACE: return "space";
    }
    return "";
}

std::string TSeriellThread::getStopBitsString() const {
    switch (stopBits) {
    case FT_STOP_BITS_1: return "1";
    case FT_STOP_BITS_1_5: return "1.5";
    case FT_STOP_BITS_2: return "2";
    }
    return "";
}

namespace {

template <typename Fn>
std::uint32_t FtdiPassThrough(bool ready, std::atomic<std::uint32_t>& lastError, Fn fn) {
    if (!ready) return lastError = SERIELL_ERR_NO_FTDI_PORT;
    const std::uint32_t status = Flagged(fn());
    if (status != 0) lastError = status;
    return status;
}

} // namespace

std::uint32_t TSeriellThread::readFTDIEEPROM(tEEPROMData& eepromData) {
    return FtdiPassThrough(Open && fFTDIMode, LastError,
                           [&] { return ftdi.readEEPROM(fFtHandle, eepromData); });
}

std::uint32_t TSeriellThread::writeFTDIEEPROM(tEEPROMData& eepromData) {
    return FtdiPassThrough(Open && fFTDIMode, LastError,
                           [&] { return ftdi.writeEEPROM(fFtHandle, eepromData); });
}

std::uint32_t TSeriellThread::readFTDIEEPROM(tEEPROMDataX& eepromData) {
    return FtdiPassThrough(Open && fFTDIMode, LastError,
                           [&] { return ftdi.readEEPROM(fFtHandle, eepromData); });
}

std::uint32_t TSeriellThread::writeFTDIEEPROM(tEEPROMDataX& eepromData) {
    return FtdiPassThrough(Open && fFTDIMode, LastError,
                           [&] { return ftdi.writeEEPROM(fFtHandle, eepromData); });
}

std::uint32_t TSeriellThread::setCBusOutput(std::uint8_t dataDirection, std::uint8_t outputValue) {
    return FtdiPassThrough(Open && fFTDIMode, LastError,
                           [&] { return ftdi.setCBusOutput(fFtHandle, dataDirection, outputValue); });
}

std::int32_t TSeriellThread::getComPortNumber() {
    if (!Open || !fFTDIMode) {
        LastError = SERIELL_ERR_NO_FTDI_PORT;
        return -1;
    }
    return ftdi.getComPortNumber(fFtHandle);
}

void TSeriellThread::setFtdiMode(bool value) {
    if (value == fFTDIMode) return;
    ClosePort();
    fFTDIMode = value && ftdi.isValid();
}

TUsbDevice UsbDevice(const tFT_device_list_info_node& node, std::int32_t index) {
    TUsbDevice device;
    device.Index = index;
    device.Id = node.id;
    device.LocId = node.locId;
    device.Opened = node.flags == FT_FLAGS_OPENED;
    device.Serial = FTDIDirect::convertToString(node.serial, sizeof node.serial);
    device.Description = FTDIDirect::convertToString(node.description, sizeof node.description);
    return device;
}

FT_STATUS TSeriellThread::refreshUsbDevices(std::uint32_t readyMs, std::vector<TUsbDevice>& devices) {
    devices.clear();
    const FT_STATUS status = ftdi.updateDeviceList(readyMs);
    if (status != FT_OK) return status;
    for (std::size_t i = 0; i < ftdi.deviceInfoList.size(); ++i)
        devices.push_back(UsbDevice(ftdi.deviceInfoList[i], static_cast<std::int32_t>(i)));
    return FT_OK;
}

tFT_device_list_info_node TSeriellThread::ftdiCurrentDevice() const {
    if (Open && fFTDIMode) {
        const auto& list = ftdi.deviceInfoList;
        if (!fFTDIOpendByLocID) {
            if (fFTDICurrentIdx >= 0 && fFTDICurrentIdx < ftdi.deviceCount() &&
                static_cast<std::size_t>(fFTDICurrentIdx) < list.size())
                return list[static_cast<std::size_t>(fFTDICurrentIdx)];
        } else {
            for (const auto& node : list)
                if (node.locId == static_cast<std::uint32_t>(fFTDICurrentIdx)) return node;
        }
    }
    tFT_device_list_info_node invalid{};
    FTDIDirect::convertToCharBuffer(invalid.description, "invalid", sizeof invalid.description);
    return invalid;
}
