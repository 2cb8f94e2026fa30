// The device list, connecting and the identification handshake.
#include "Main.h"

// Filled with the connection work.
void TForm_Main::RefreshDeviceList() {}

void TForm_Main::StartDeviceListTimer() {}

void TForm_Main::Connect(const void*) {}

void TForm_Main::Timer_FTDIUpdateTimer() {}

void TForm_Main::HandleAcknowledge() {
    VexoAcknowledged = true;
    // The reader has its button back: the waiting close goes ahead now.
    if (State.Current == 21) RequestClose();
}

void TForm_Main::HandleFirmwareVersion(const tFirmwareVersion&) {}

void TForm_Main::HandleSerialNumber(const tSerial&) {}
