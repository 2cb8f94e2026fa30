#pragma once
// The byte transport to the reader: a worker thread that moves bytes between one port
// (a COM port, or an FTDI device through D2XX) and two ring buffers. Its cycle starts when
// the port has input, or 5 ms after the last one while anything runs on the cycle's clock;
// a port that cannot be waited on is polled every 5 ms.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ByteSink.h"
#include "ExtTypes.h"
#include "FTDI_directDriver.h"
#include "FastRingBufferByte.h"
#include "LinkWaiter.h"
#include "SerialPort.h"
#include "SyncInvoker.h"

enum tStopBits : std::uint8_t { FT_STOP_BITS_1 = 0, FT_STOP_BITS_1_5 = 1, FT_STOP_BITS_2 = 2 };
enum tParity : std::uint8_t {
    FT_PARITY_NONE = 0,
    FT_PARITY_ODD = 1,
    FT_PARITY_EVEN = 2,
    FT_PARITY_MARK = 3,
    FT_PARITY_SPACE = 4
};
enum TSeriellError : std::uint8_t { Err_NotAllSend = 0, Err_Unknown = 1, Err_PortNotOpen = 2 };
enum eBusState : std::uint8_t { bsACTIVE = 0, bsRELEASE = 1, bsIDLE = 2 };

// LastError of an FTDI operation asked for while no FTDI device is open.
constexpr std::uint32_t SERIELL_ERR_NO_FTDI_PORT = 0x8080;
// LastError of OpenPortPath in FTDI mode, where a device path means nothing.
constexpr std::uint32_t SERIELL_ERR_PATH_IN_FTDI_MODE = 1;

// A USB device as the device list shows it, its texts already made strings.
struct TUsbDevice {
    std::int32_t Index = -1; // in the library's list, what opening by index takes
    std::uint32_t Id = 0;    // vendor id in the high word, product id in the low
    std::uint32_t LocId = 0;
    bool Opened = false; // by this or another program
    std::string Serial;
    std::string Description;
};
TUsbDevice UsbDevice(const tFT_device_list_info_node& node, std::int32_t index = -1);

class TSeriellThread : public tByteSink {
public:
    using TReceiveEvent = std::function<void(TSeriellThread* Sender)>;
    using TReceiveBufferFull = std::function<void(TSeriellThread* Sender)>;
    using TErrorEvent = std::function<void(TSeriellThread* Sender, TSeriellError Error)>;

    static constexpr std::int32_t DefaultBufferSize = 0x80000;
    static constexpr std::uint32_t MaxTransfer = 16384;
    static constexpr int CycleMs = 5;
    // The lowest latency timer the D2XX guide gives for the USB bridge.
    static constexpr std::uint8_t DefaultLatencyTimer = 2;
    static constexpr int DefaultIdleWaitMs = 100;

    // portFactory makes the COM ports (default: the system's); ftdiLibrary is the D2XX
    // library loaded by name.
    explicit TSeriellThread(bool CreateSuspended, std::int32_t BufferSize = DefaultBufferSize,
                            tSerialPortFactory portFactory = {},
                            const std::string& ftdiLibrary = FTDILibraryName());
    ~TSeriellThread() override;
    TSeriellThread(const TSeriellThread&) = delete;
    TSeriellThread& operator=(const TSeriellThread&) = delete;

    // Starts the cycle of a thread created suspended.
    void Start();

    bool OpenPort(std::int32_t portID, std::int32_t Baud, bool portIDAsLocID = false);
    // A serial device by its path (COM mode only).
    bool OpenPortPath(const std::string& device, std::int32_t Baud);
    bool ClosePort();
    void clear();

    bool GetByte(std::uint8_t& B);
    bool ReadByte(std::uint8_t& B);
    bool read(tByteBuffer& rdBuffer, std::int32_t maxRead);
    // Received bytes waiting, as a 16-bit count (65535 stands for that many or more).
    std::uint16_t RxCount() const;
    std::int32_t txCount() const;

    bool SendByte(std::uint8_t B) override;
    bool Send(const tByteBuffer& buffer);
    bool Send(const std::string& Str);
    bool SendBuffer() override;
    bool ReadSeriell();

    void Set_DTR(bool OnOff);
    void SET_RTS(bool OnOff);
    void GetStatus();

    std::uint32_t GetErrorCode() const { return LastError; }
    std::string GetErrorMessage() const;
    std::string GetErrorMessage(std::uint32_t ErrorCode) const;
    // The text that belongs to an error code.
    static std::string ErrorText(std::uint32_t code);
    // The error of a port the user may not open (COM or FTDI mode).
    static bool IsPermissionError(std::uint32_t code);
    std::string getParityString() const;
    std::string getStopBitsString() const;

    std::uint32_t readFTDIEEPROM(tEEPROMData& eepromData);
    std::uint32_t writeFTDIEEPROM(tEEPROMData& eepromData);
    std::uint32_t readFTDIEEPROM(tEEPROMDataX& eepromData);
    std::uint32_t writeFTDIEEPROM(tEEPROMDataX& eepromData);
    std::uint32_t setCBusOutput(std::uint8_t dataDirection, std::uint8_t outputValue);
    std::int32_t getComPortNumber();

    bool ftdiMode() const { return fFTDIMode; }
    void setFtdiMode(bool value);
    tFT_device_list_info_node ftdiCurrentDevice() const;
    // The USB devices, through the D2XX library or the built-in backend: owners see them
    // only through these, never through the wrapper's own list.
    bool usbDevicesAvailable() const { return ftdi.isValid(); }
    bool usbBuiltInBackend() const { return ftdi.builtInBackend() != nullptr; }
    // Reads the list again, waiting up to readyMs for devices still settling; FT_OK or
    // the library's status, the list then left empty.
    FT_STATUS refreshUsbDevices(std::uint32_t readyMs, std::vector<TUsbDevice>& devices);
    bool isOpen() const { return Open; }
    eBusState busState() const { return fBusState; }
    bool RTS() const { return fRTS; }
    bool DTR() const { return fDTR; }
    TSeriellError lastSeriellError() const { return serError; }

    // Synchronised events go through it; unset, they run on the calling thread. It must
    // outlive this object, whose destruction abandons it so the link thread never waits
    // on a UI thread that is busy destroying the link.
    void SetSyncInvoker(ISyncInvoker* invoker) { fInvoker = invoker; }

    // Line settings for the next open.
    std::int32_t countOfBits = 8;
    tStopBits stopBits = FT_STOP_BITS_1;
    tParity parity = FT_PARITY_NONE;
    // FTDI mode: the bridge's latency timer in ms, set at each open where the library can.
    std::uint8_t latencyTimer = DefaultLatencyTimer;
    bool syncEvents = true;
    // The longest wait for input while nothing runs on the cycle's clock (ports that tell
    // when input arrives only).
    std::atomic<int> idleWaitMs{DefaultIdleWaitMs};

    TReceiveEvent OnReceive;
    TReceiveBufferFull OnRxBufferFull;
    TErrorEvent OnError;

    bool CTS = false, DSR = false, RI = false, RLSD = false;
    std::int32_t RealBaud = 0;
    std::int32_t RealPort = 0;

    FTDIDirect ftdi;

private:
    void Execute();
    // Until the next cycle is due; noInput: the last wake-up for input brought nothing
    // (a hung-up descriptor stays readable), so sleep one cycle instead.
    eLinkWait WaitForWork(bool noInput);
    // Bytes were queued for sending: a waiting link thread takes them on its next cycle.
    void TxQueued();
    bool OpenCom(const std::string& device);
    void applySettings();
    // applySettings on a port just opened; on an error the port is closed again, the error kept.
    bool ApplySettingsOrClose();
    // Writes what is still queued and waits, bounded, until the port has sent it; false when
    // something could not leave.
    bool DrainTransmit();
    void purgeTransmit();
    void purgeReceive();
    void holdBus(std::int32_t ms);
    void RaiseSynchronized(const std::function<void()>& event);
    bool HasPort() const { return fFtHandle != nullptr || fComPort != nullptr; }

    // The open port: an FTDI handle or a COM port object. Removed only while both
    // criticalRx and criticalTx are held, so no transfer is using it then.
    FT_HANDLE fFtHandle = nullptr;
    // Shared with the link thread's wait, which runs outside the locks.
    std::shared_ptr<ISerialPort> fComPort;
    tSerialPortFactory fPortFactory;

    TFastRingBufferByte RxPuffer;
    TFastRingBufferByte TxPuffer;
    std::atomic<bool> Ende{false};
    std::atomic<bool> Open{false};
    std::int32_t BaudRate = 0;
    std::atomic<std::uint32_t> LastError{0};
    tByteBuffer txTmpBuffer;
    tByteBuffer rxTmpBuffer;
    bool fFTDIMode = false;
    std::int32_t fFTDICurrentIdx = 0;
    bool fFTDIOpendByLocID = false;
    std::mutex criticalTx;
    std::mutex criticalRx;
    std::atomic<TSeriellError> serError{Err_NotAllSend};
    std::atomic<eBusState> fBusState{bsIDLE};
    std::atomic<std::int32_t> fBusHoldBusyTime{0};
    bool fRTS = false, fDTR = false;

    TLinkWaiter fWaiter;
    // Held by the link thread while it waits on its port. A wait on a descriptor keeps the
    // device open (and its exclusive lock held) past close(), so ClosePort takes it first,
    // and fHoldWaits keeps the thread from starting another wait meanwhile.
    std::mutex fWaitLock;
    std::atomic<bool> fHoldWaits{false};
    // The D2XX library sets fWaiter's event when bytes arrive.
    std::atomic<bool> fD2XXEvent{false};
    std::atomic<bool> fTxWakePending{false};
    std::atomic<std::uint64_t> fBytesReceived{0};

    std::atomic<ISyncInvoker*> fInvoker{nullptr};
    std::thread fThread;
};
