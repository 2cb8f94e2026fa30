// Errors the reader reports in its replies.
#include "Main.h"

// Filled with the device error work.
void TForm_Main::HandleCommunicationError(eComError) {}

void TForm_Main::HandleVexoError(eVexoError, std::uint8_t) {}

void TForm_Main::HandleUnknownCommand(std::uint8_t) {}
