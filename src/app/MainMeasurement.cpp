// A measurement run on the reader.
#include "Main.h"

// Filled with the measurement work.
void TForm_Main::HandleRFIDStatus(eVexoError, std::uint8_t, std::int32_t, tByteBuffer&) {}

void TForm_Main::HandleImageTransferStart(std::uint16_t, std::uint16_t) {}

void TForm_Main::HandleImageData(eColorMode, std::int32_t, std::int32_t, tByteBuffer&) {}

void TForm_Main::HandleDeviceBusy(std::uint32_t) {}

void TForm_Main::HandleShowTimer(std::uint16_t) {}

void TForm_Main::HandlePlaceWhiteCard() {}

void TForm_Main::HandlePlaceTestCard() {}

void TForm_Main::HandleEvaluationRun() {}

void TForm_Main::Timer_WaitAfterClockTimer() {
    Timer_WaitAfterClock.SetEnabled(false);
    RunDelayedUserAction();
}

// The reader's state reports mean nothing to the window.
void TForm_Main::HandleStateUpdate(std::uint16_t) {}
