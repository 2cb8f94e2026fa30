// Supervision of the link: transmit errors and the reply time-out.
#include "Main.h"

// Filled with the connection work; until then an error or a time-out changes nothing.
void TForm_Main::HandleLinkError(TSeriellError) {}

void TForm_Main::Timer_TimeOutTimer() {
    Timer_TimeOut.SetEnabled(false);
}
