#include "FTDI_directDriver.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "FTDIKernelBackend.h"
#include "SysfsTty.h"
#include "Tools.h"

std::uint32_t tEEPROMDataX::deviceType() const {
    std::uint32_t type;
    std::memcpy(&type, config, sizeof type);
    return type;
}

void tEEPROMDataX::setDeviceType(std::uint32_t type) {
    std::memcpy(config, &type, sizeof type);
}

FTDIDirect::FTDIDirect(const std::string& libraryName) {
    if (handle.Load(libraryName)) {
#define VEXO_D2XX_RESOLVE(name, params)                                                                      \
    if (void* symbol = handle.Symbol(#name)) fn.name = reinterpret_cast<t##name>(symbol);
        VEXO_D2XX_FUNCTIONS(VEXO_D2XX_RESOLVE)
#undef VEXO_D2XX_RESOLVE
        fValid = true;
        return;
    }
#ifdef __linux__
    if (libraryName == FTDILibraryName())
        UseBackend(std::make_shared<TFtdiKernelBackend>(SysfsRoot(), DevRoot()));
#endif
}

FTDIDirect::FTDIDirect(std::shared_ptr<TFtdiKernelBackend> backend) {
    UseBackend(std::move(backend));
}

void FTDIDirect::UseBackend(std::shared_ptr<TFtdiKernelBackend> backend) {
#ifdef __linux__
    if (!backend) return;
    fBuiltIn = std::move(backend);
    fn = fBuiltIn->Functions();
    fValid = true;
#else
    (void)backend;
#endif
}

FT_STATUS FTDIDirect::updateDeviceList(std::uint32_t timeOut) {
    if (!isValid()) return fDeviceCount = 0, FT_ERR_LIBRARY_NOT_LOADED;
    if (!fn.FT_CreateDeviceInfoList) return fDeviceCount = 0, FT_ERR_FUNCTION_MISSING;

    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    std::uint32_t count = 0;
    FT_STATUS status;
    for (;;) {
        count = 0;
        status = fn.FT_CreateDeviceInfoList(&count);
        if (status != FT_DEVICE_LIST_NOT_READY) break;
        if (clock::now() - start >= std::chrono::milliseconds(timeOut)) break;
        // The library is still enumerating; no need to spin a core while it does.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    std::int32_t devices = 0;
    if (status == FT_OK && count > 0) {
        if (!fn.FT_GetDeviceInfoList) {
            status = FT_ERR_FUNCTION_MISSING;
        } else {
            std::vector<tFT_device_list_info_node> list(count, tFT_device_list_info_node{});
            std::uint32_t filled = count;
            status = fn.FT_GetDeviceInfoList(list.data(), &filled);
            // A count that grew since the list was made cannot be more than we hold.
            list.resize(std::min(filled, count));
            if (status == FT_OK) {
                deviceInfoList = std::move(list);
                devices = static_cast<std::int32_t>(deviceInfoList.size());
            }
        }
    }
    if (status != FT_OK || devices == 0) deviceInfoList.clear();
    fDeviceCount = status == FT_OK ? devices : 0;
    return status;
}

FT_STATUS FTDIDirect::openEx(std::int32_t index, FT_HANDLE& ftHandle, bool indexAsLocID) {
    ftHandle = nullptr;
    std::uint32_t locId = static_cast<std::uint32_t>(index);
    if (!indexAsLocID) {
        if (index < 0 || index >= fDeviceCount || static_cast<std::size_t>(index) >= deviceInfoList.size())
            return FT_ERR_INVALID_DEVICE;
        locId = deviceInfoList[static_cast<std::size_t>(index)].locId;
    }
    if (!fn.FT_OpenEx) return FT_ERR_FUNCTION_MISSING;
    const FT_STATUS status = fn.FT_OpenEx(reinterpret_cast<void*>(static_cast<std::uintptr_t>(locId)),
                                          FT_OPEN_BY_LOCATION, &ftHandle);
    if (status != FT_OK) ftHandle = nullptr;
    for (auto& node : deviceInfoList)
        if (node.locId == locId) {
            node.ftHandle = ftHandle;
            break;
        }
    return status;
}

FT_STATUS FTDIDirect::close(FT_HANDLE ftHandle) {
    return fn.FT_Close ? fn.FT_Close(ftHandle) : FT_ERR_FUNCTION_MISSING;
}

FT_STATUS FTDIDirect::setBaudrate(FT_HANDLE ftHandle, std::uint32_t baudrate) {
    return fn.FT_SetBaudRate ? fn.FT_SetBaudRate(ftHandle, baudrate) : FT_ERR_FUNCTION_MISSING;
}

FT_STATUS FTDIDirect::purge(FT_HANDLE ftHandle, std::uint32_t mask) {
    return fn.FT_Purge ? fn.FT_Purge(ftHandle, mask & 0x7F) : FT_ERR_FUNCTION_MISSING;
}

FT_STATUS FTDIDirect::setDataCharacteristics(FT_HANDLE ftHandle, std::uint8_t wordLength,
                                             std::uint8_t stopBits, std::uint8_t parity) {
    return fn.FT_SetDataCharacteristics ? fn.FT_SetDataCharacteristics(ftHandle, wordLength, stopBits, parity)
                                        : FT_ERR_FUNCTION_MISSING;
}

std::uint32_t FTDIDirect::getRxAvailable(FT_HANDLE ftHandle) {
    std::uint32_t rx = 0;
    if (!fn.FT_GetQueueStatus || fn.FT_GetQueueStatus(ftHandle, &rx) != FT_OK) return 0;
    return rx;
}

FT_STATUS FTDIDirect::read(FT_HANDLE ftHandle, std::uint8_t* buffer, std::uint32_t& count) {
    if (!fn.FT_GetQueueStatus || !fn.FT_Read) {
        count = 0;
        return FT_ERR_FUNCTION_MISSING;
    }
    const std::uint32_t wanted = count;
    std::uint32_t available = 0;
    // A failing queue query is the library's news (a device unplugged), not "nothing arrived".
    const FT_STATUS queued = fn.FT_GetQueueStatus(ftHandle, &available);
    count = queued == FT_OK ? std::min(wanted, available) : 0;
    if (queued != FT_OK || count == 0) return queued;
    std::uint32_t got = 0;
    const FT_STATUS status = fn.FT_Read(ftHandle, buffer, count, &got);
    count = std::min(got, count);
    return status;
}

FT_STATUS FTDIDirect::write(FT_HANDLE ftHandle, const std::uint8_t* buffer, std::uint32_t& count) {
    if (!fn.FT_Write) {
        count = 0;
        return FT_ERR_FUNCTION_MISSING;
    }
    const std::uint32_t wanted = count;
    std::uint32_t put = 0;
    // The library's prototype takes a plain pointer; it does not write through it.
    const FT_STATUS status = fn.FT_Write(ftHandle, const_cast<std::uint8_t*>(buffer), wanted, &put);
    count = std::min(put, wanted);
    return status;
}

FT_STATUS FTDIDirect::setDTR(FT_HANDLE ftHandle, bool enable) {
    const auto& line = enable ? fn.FT_SetDtr : fn.FT_ClrDtr;
    return line ? line(ftHandle) : FT_ERR_FUNCTION_MISSING;
}

FT_STATUS FTDIDirect::setRTS(FT_HANDLE ftHandle, bool enable) {
    const auto& line = enable ? fn.FT_SetRts : fn.FT_ClrRts;
    return line ? line(ftHandle) : FT_ERR_FUNCTION_MISSING;
}

FT_STATUS FTDIDirect::reset(FT_HANDLE ftHandle) {
    return fn.FT_ResetDevice ? fn.FT_ResetDevice(ftHandle) : FT_ERR_FUNCTION_MISSING;
}

FT_STATUS FTDIDirect::setTimeOuts(FT_HANDLE ftHandle, std::uint32_t readTimeOut, std::uint32_t writeTimeOut) {
    return fn.FT_SetTimeouts ? fn.FT_SetTimeouts(ftHandle, readTimeOut, writeTimeOut)
                             : FT_ERR_FUNCTION_MISSING;
}

FT_STATUS FTDIDirect::setLatencyTimer(FT_HANDLE ftHandle, std::uint8_t ms) {
    return fn.FT_SetLatencyTimer ? fn.FT_SetLatencyTimer(ftHandle, ms) : FT_ERR_FUNCTION_MISSING;
}

FT_STATUS FTDIDirect::setEventNotification(FT_HANDLE ftHandle, std::uint32_t mask, void* event) {
    return fn.FT_SetEventNotification ? fn.FT_SetEventNotification(ftHandle, mask, event)
                                      : FT_ERR_FUNCTION_MISSING;
}

std::uint32_t FTDIDirect::getTxInQueue(FT_HANDLE ftHandle) {
    std::uint32_t rx = 0, tx = 0, event = 0;
    if (!fn.FT_GetStatus || fn.FT_GetStatus(ftHandle, &rx, &tx, &event) != FT_OK) return 0;
    return tx;
}

std::int32_t FTDIDirect::getComPortNumber(FT_HANDLE ftHandle) {
    std::int32_t port = -1;
    if (!fn.FT_GetComPortNumber || fn.FT_GetComPortNumber(ftHandle, &port) != FT_OK) return -1;
    return port;
}

FT_STATUS FTDIDirect::setCBusOutput(FT_HANDLE ftHandle, std::uint8_t dataDirection,
                                    std::uint8_t outputValue) {
    if (!fn.FT_SetBitMode) return FT_ERR_FUNCTION_MISSING;
    const auto mask = static_cast<std::uint8_t>((dataDirection << 4) | (outputValue & 0x0F));
    return fn.FT_SetBitMode(ftHandle, mask, FT_BITMODE_CBUS_BITBANG);
}

namespace {

// The record's head as both EEPROM calls expect it, its texts in the caller's buffers.
void PrepareProgramData(tFT_PROGRAM_DATA& record, std::uint32_t version, char* manufacturer,
                        char* manufacturerId, char* description, char* serialNumber) {
    record.Signature1 = 0;
    record.Signature2 = 0xFFFFFFFF;
    record.Version = version;
    record.Manufacturer = manufacturer;
    record.ManufacturerId = manufacturerId;
    record.Description = description;
    record.SerialNumber = serialNumber;
}

void ForgetTextBuffers(tFT_PROGRAM_DATA& record) {
    record.Manufacturer = record.ManufacturerId = record.Description = record.SerialNumber = nullptr;
}

} // namespace

FT_STATUS FTDIDirect::readEEPROM(FT_HANDLE ftHandle, tEEPROMData& data) {
    if (!fn.FT_EE_Read) return FT_ERR_FUNCTION_MISSING;
    char manufacturer[32] = {}, manufacturerId[16] = {}, description[64] = {}, serialNumber[16] = {};
    data.programData = tFT_PROGRAM_DATA{};
    PrepareProgramData(data.programData, 5, manufacturer, manufacturerId, description, serialNumber);
    const FT_STATUS status = fn.FT_EE_Read(ftHandle, &data.programData);
    ForgetTextBuffers(data.programData);
    if (status == FT_OK) {
        data.manufacturer = convertToString(manufacturer, sizeof manufacturer);
        data.manufacturerID = convertToString(manufacturerId, sizeof manufacturerId);
        data.description = convertToString(description, sizeof description);
        data.serialNumber = convertToString(serialNumber, sizeof serialNumber);
    }
    return status;
}

FT_STATUS FTDIDirect::writeEEPROM(FT_HANDLE ftHandle, tEEPROMData& data) {
    if (!fn.FT_EE_Program) return FT_ERR_FUNCTION_MISSING;
    char manufacturer[32], manufacturerId[16], description[64], serialNumber[16];
    convertToCharBuffer(manufacturer, data.manufacturer, sizeof manufacturer);
    convertToCharBuffer(manufacturerId, data.manufacturerID, sizeof manufacturerId);
    convertToCharBuffer(description, data.description, sizeof description);
    convertToCharBuffer(serialNumber, data.serialNumber, sizeof serialNumber);
    PrepareProgramData(data.programData, 4, manufacturer, manufacturerId, description, serialNumber);
    const FT_STATUS status = fn.FT_EE_Program(ftHandle, &data.programData);
    ForgetTextBuffers(data.programData);
    return status;
}

FT_STATUS FTDIDirect::readEEPROM(FT_HANDLE ftHandle, tEEPROMDataX& eepromData) {
    if (!fn.FT_EEPROM_Read) return FT_ERR_FUNCTION_MISSING;
    const std::int32_t index = getDevIndexFromHandle(ftHandle);
    if (index < 0) return FT_ERR_INVALID_DEVICE;
    eepromData.setDeviceType(deviceInfoList[static_cast<std::size_t>(index)].dType);
    // 64-character buffers, one more byte each so a full one still ends in 0.
    char manufacturer[65] = {}, manufacturerId[65] = {}, description[65] = {}, serialNumber[65] = {};
    const FT_STATUS status = fn.FT_EEPROM_Read(ftHandle, eepromData.config, getEEPROMSize(eepromData),
                                               manufacturer, manufacturerId, description, serialNumber);
    if (status == FT_OK) {
        eepromData.manufacturer = convertToString(manufacturer, 64);
        eepromData.manufacturerID = convertToString(manufacturerId, 64);
        eepromData.description = convertToString(description, 64);
        eepromData.serialNumber = convertToString(serialNumber, 64);
    }
    return status;
}

FT_STATUS FTDIDirect::writeEEPROM(FT_HANDLE ftHandle, tEEPROMDataX& eepromData) {
    if (!fn.FT_EEPROM_Program) return FT_ERR_FUNCTION_MISSING;
    const std::int32_t index = getDevIndexFromHandle(ftHandle);
    if (index < 0) return FT_ERR_INVALID_DEVICE;
    eepromData.setDeviceType(deviceInfoList[static_cast<std::size_t>(index)].dType);
    char manufacturer[65] = {}, manufacturerId[65] = {}, description[65] = {}, serialNumber[65] = {};
    convertToCharBuffer(manufacturer, eepromData.manufacturer, 64);
    convertToCharBuffer(manufacturerId, eepromData.manufacturerID, 64);
    convertToCharBuffer(description, eepromData.description, 64);
    convertToCharBuffer(serialNumber, eepromData.serialNumber, 64);
    return fn.FT_EEPROM_Program(ftHandle, eepromData.config, getEEPROMSize(eepromData), manufacturer,
                                manufacturerId, description, serialNumber);
}

FT_STATUS FTDIDirect::getDeviceInfoDetail(std::int32_t index, tDeviceInfoDetail& deviceInfoDetail) {
    if (!fn.FT_GetDeviceInfoDetail) return FT_ERR_FUNCTION_MISSING;
    std::uint32_t id = 0;
    char serial[65] = {}, description[65] = {};
    deviceInfoDetail = tDeviceInfoDetail{};
    const FT_STATUS status = fn.FT_GetDeviceInfoDetail(
        static_cast<std::uint32_t>(index), &deviceInfoDetail.flags, &deviceInfoDetail.deviceType, &id,
        &deviceInfoDetail.locationID, serial, description, &deviceInfoDetail.ftHandle);
    if (status == FT_OK) {
        deviceInfoDetail.USBVendor = static_cast<std::uint16_t>(id >> 16);
        deviceInfoDetail.USBPID = static_cast<std::uint16_t>(id & 0xFFFF);
        deviceInfoDetail.serial = convertToString(serial, 64);
        deviceInfoDetail.description = convertToString(description, 64);
    }
    return status;
}

FT_STATUS FTDIDirect::listDevices(void* arg1, void* arg2, std::uint32_t flags) {
    if (!fn.FT_ListDevices) return FT_ERR_FUNCTION_MISSING;
    fn.FT_ListDevices(arg1, arg2, flags);
    return FT_OK;
}

std::string FTDIDirect::getDeviceTypeStr(std::uint32_t devType) {
    static const char* const names[] = {"FT232BM", "FT232AM", "FT100AX", "unknown", "FT2232C",
                                        "FT232R",  "FT2232H", "FT4232H", "FT232H",  "FT X-Series"};
    return devType < 10 ? names[devType] : "";
}

std::uint32_t FTDIDirect::getEEPROMSize(const tEEPROMDataX& eepromData) {
    switch (eepromData.deviceType()) {
    case FT_DEVICE_UNKNOWN: return 159;
    case FT_DEVICE_232R: return 32;
    case FT_DEVICE_X_SERIES: return 56;
    default: return 0;
    }
}

std::int32_t FTDIDirect::getDevIndexFromHandle(FT_HANDLE ftHandle) const {
    for (std::size_t i = 0; i < deviceInfoList.size(); ++i)
        if (deviceInfoList[i].ftHandle == ftHandle) return static_cast<std::int32_t>(i);
    return -1;
}

std::string FTDIDirect::convertToString(const char* chars, std::int32_t maxLength) {
    std::size_t n = 0;
    while (static_cast<std::int32_t>(n) < maxLength && chars[n] != 0) ++n;
    return Latin1ToUtf8(reinterpret_cast<const std::uint8_t*>(chars), n);
}

void FTDIDirect::convertToCharBuffer(char* chars, const std::string& str, std::int32_t maxLength) {
    if (maxLength <= 0) return;
    const std::vector<std::uint8_t> bytes = Utf16LowBytes(str);
    const std::size_t n = std::min(bytes.size(), static_cast<std::size_t>(maxLength));
    std::memset(chars, 0, static_cast<std::size_t>(maxLength));
    if (n > 0) std::memcpy(chars, bytes.data(), n);
}
