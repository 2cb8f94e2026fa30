#pragma once
// Finds the COM ports that qualify for the reader (the platform's port list: present Bluetooth
// serial ports on Windows, every usable serial port on Linux). Its one working operation runs
// on the caller's thread; nothing here ever runs on its own.
#include <string>
#include <vector>

#include "Registry.h"

class TBluetoothThread {
public:
    // Replaces ComPorts with the qualifying ports' names, or leaves it as it was when the
    // system lists no serial port at all.
    void GetComPorts(std::vector<std::string>& ComPorts) const;

    // Where the ports are looked for instead of the system's: a registry (any OS), or a sysfs
    // tree and device folder (Linux).
    const IRegistry* Registry = nullptr;
    std::string SysfsRoot;
    std::string DevDir;
};
