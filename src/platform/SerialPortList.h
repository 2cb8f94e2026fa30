#pragma once
// The serial ports a user can pick in COM mode, by the names the COM port box shows; one file
// per OS. Windows: the present Bluetooth serial ports, from the registry. Linux: every usable
// serial port (USB serial, CDC-ACM, Bluetooth, built-in), by device name.
#include <string>
#include <vector>

#include "Registry.h"

// Replaces ComPorts with the ports, or leaves it as it was when the system lists no serial port
// at all. Linux reads the tty class under sysfsRoot and the nodes under devRoot (empty: the
// system's, SysfsTty.h); Windows reads its registry and ignores both.
void ListSerialPorts(std::vector<std::string>& ComPorts, const std::string& sysfsRoot = {},
                     const std::string& devRoot = {});

// Windows' walk over any registry: the Bluetooth serial ports (service BTHMODEM) that are
// present, in the registry's order.
void ListBluetoothComPorts(const IRegistry& registry, std::vector<std::string>& ComPorts);
