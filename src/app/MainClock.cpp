// The reader's clock display and its poll.
#include "Main.h"

// Filled with the clock work.
void TForm_Main::HandleDateTime(TDateTime, bool) {}

void TForm_Main::Timer_VexoClockTimer() {}
