#include "BluetoothThread.h"

#include "SerialPortList.h"

TBluetoothThread::TBluetoothThread(bool, TSeriellThread* Schnittstelle, std::int32_t Port, std::int32_t Baud)
    : SerialThread(Schnittstelle), Baudrate(Baud), PreferredPort(Port) {}

void TBluetoothThread::GetComPorts(std::vector<std::string>& ComPorts) const {
    if (Registry)
        ListBluetoothComPorts(*Registry, ComPorts);
    else
        ListSerialPorts(ComPorts, SysfsRoot, DevDir);
}
