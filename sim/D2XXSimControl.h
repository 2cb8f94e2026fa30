#pragma once
// The switches of the simulated USB bus behind the D2XX-compatible library, for tests that
// pull a reader's cable. The program never calls them; a test finds them with dlsym in the
// library the program loaded. A reader's index is its place among all simulated readers,
// plugged in or not.

extern "C" {
// Unplugs reader `index` (plugged 0) as a USB unplug does: it leaves the device list and every
// call on its open handle fails with FT_IO_ERROR but FT_Close. Plugged in again (plugged 1) it
// is a new device on the list; the reader behind it keeps its memory and clock.
// 0, or -1 for no such reader.
int VexoSimSetPlugged(unsigned index, int plugged);
// 1 plugged in, 0 unplugged, -1 no such reader.
int VexoSimIsPlugged(unsigned index);
// Unplugs reader `index` the moment it has taken its nth command with this code, counted from
// now (code -1: any command; address >= 0: only reads and writes of that address): the command
// arrives, its answer never leaves.
int VexoSimUnplugOnCommand(unsigned index, int code, unsigned nth, long address);
// Commands with this code reader `index` has taken so far (-1: all), or -1 for no such reader.
long VexoSimCommandCount(unsigned index, int code);
// With VEXO_SIM_PACED=1: the bytes that crossed the wire to reader `index` and from it so far.
// 0, or -1 for no such reader or no pacing.
int VexoSimWireBytes(unsigned index, unsigned long long* toReader, unsigned long long* fromReader);
}

using tVexoSimSetPlugged = int (*)(unsigned, int);
using tVexoSimIsPlugged = int (*)(unsigned);
using tVexoSimUnplugOnCommand = int (*)(unsigned, int, unsigned, long);
using tVexoSimCommandCount = long (*)(unsigned, int);
using tVexoSimWireBytes = int (*)(unsigned, unsigned long long*, unsigned long long*);
