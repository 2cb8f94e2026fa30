#include "BluetoothThread.h"

#include "SerialPortList.h"

void TBluetoothThread::GetComPorts(std::vector<std::string>& ComPorts) const {
    if (Registry)
        ListBluetoothComPorts(*Registry, ComPorts);
    else
        ListSerialPorts(ComPorts, SysfsRoot, DevDir);
}
