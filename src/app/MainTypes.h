#pragma once
// Enumerations and small records of the main window, set from the settings.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ExtTypes.h"
#include "SerialPort.h"
#include "SyncInvoker.h"
#include "Timers.h"
#include "paths.h"

class IDialogs;
class tFileNotifier;

enum EImagePos : std::uint8_t { SLeft = 0, SRight = 1, SFull = 2, SNone = 3 };
enum ETestSource : std::uint8_t { TSVexo = 0, TSLocal = 1, TSSelect = 2 };
enum EAddDataBehaviour : std::uint8_t { AlwaysAsk = 0, AlwaysAdd = 1, AlwaysOverwrite = 2 };
enum ECombineMeasurements : std::uint8_t { SingleOnly = 0, Combine = 1, SecondMeasure = 2, HandleSingle = 3 };
enum eUserAction : std::uint8_t {
    actNone = 0,
    actReadData = 1,
    actInstantMeasure = 2,
    actTimerMeasure = 3,
    actFormatDB = 4
};
enum ESaveTarget : std::uint8_t { STAsk, STLastFile, STTrackFile };
enum TWindowState : std::uint8_t { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// The status code and how many status-counter ticks it has lasted.
struct TState {
    std::uint8_t Current = 0;
    std::int32_t ActiveCount = 0;
};

struct TScreenMetrics {
    std::int32_t ScreenWidth = 1920;
    std::int32_t ScreenHeight = 1080;
    // The work area: the screen without task bars.
    std::int32_t DesktopWidth = 1920;
    std::int32_t DesktopHeight = 1040;
    std::int32_t PixelsPerInch = 96;
};

// How the main window makes its serial link.
struct TLinkCreation {
    // The owner (the integration harness) runs the link's receive and send cycles itself.
    bool CreateSuspended = false;
    // Name of the D2XX library to load; empty: the system's own name.
    std::string LibraryName;
    // Makes the COM backend's ports (the in-process simulator); empty: the OS's ports.
    tSerialPortFactory PortFactory;
    // Hands the link thread's events to the UI thread; null: they run on the link's thread.
    ISyncInvoker* Invoker = nullptr;
};

// Everything the main window takes from its surroundings.
struct TMainEnvironment {
    ITimerBackend* Timers = nullptr;
    IDialogs* Dialogs = nullptr;
    // Messages of the text files; null: the default notifier.
    tFileNotifier* FileNotifier = nullptr;
    // Folders for the program's files; empty ExecutableFolder: the running program's folders.
    tPathsSystem PathsSystem;
    // The command line without the program's own name.
    std::vector<std::string> Arguments;
    TScreenMetrics Screen;
    TLinkCreation Link;
    // The PC's clock; empty: the system clock.
    std::function<TDateTime()> Now;
    // Raised once after every handler, timer tick and receive pump.
    std::function<void()> Changed;
    // Settings and language files are read and never written (vexo-cli).
    bool ReadOnlySettings = false;
    // Width of a label's text in the window's font; empty: an estimate of 6 pixels a character.
    std::function<std::int32_t(const std::string& text)> TextWidth;
    // One line per frame sent and received (the front end's trace switch); empty: no trace.
    std::function<void(const std::string& line)> Trace;
};
