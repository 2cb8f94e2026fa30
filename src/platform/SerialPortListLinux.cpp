#ifdef __linux__
#include <algorithm>

#include "SerialPortList.h"
#include "SysfsTty.h"

void ListSerialPorts(std::vector<std::string>& ComPorts, const std::string& sysfsRoot,
                     const std::string& devRoot) {
    bool classFound = false;
    const std::string dev = devRoot.empty() ? DevRoot() : devRoot;
    const std::vector<tSysfsTtyText> entries =
        ReadSysfsTtys(sysfsRoot.empty() ? SysfsRoot() : sysfsRoot, dev, true, classFound);
    if (!classFound) return;
    std::vector<std::string> ports;
    for (const auto& entry : entries)
        if (IsUsableSerialPort(entry)) ports.push_back(entry.Name);
    std::sort(ports.begin(), ports.end(), SerialPortListOrder);
    ComPorts = std::move(ports);
}

#endif
