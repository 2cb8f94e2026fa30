// vexo-data-reader: the desktop program. The form holds the logic; the window shows it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QScreen>

#include "Desktop.h"
#include "Main.h"
#include "MainWindow.h"
#include "QtDialogs.h"
#include "QtSyncInvoker.h"
#include "QtTimerBackend.h"

namespace {

TScreenMetrics ScreenMetrics() {
    TScreenMetrics m;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m.ScreenWidth = screen->geometry().width();
        m.ScreenHeight = screen->geometry().height();
        m.DesktopWidth = screen->availableGeometry().width();
        m.DesktopHeight = screen->availableGeometry().height();
    }
    // Qt scales to the screen itself; the form works in its 96-per-inch pixels.
    m.PixelsPerInch = 96;
    return m;
}

void Usage() {
    std::printf("Usage: vexo-data-reader [--demo | -uninstall]\n"
                "\n"
                "The desktop program for the Vexo reader.\n"
                "\n"
                "  --demo      start on the simulated readers that ship with the program\n"
                "  -uninstall  remove the files the program made for this user, and end\n"
                "  --help      this text\n"
                "  --version   the program's version\n"
                "\n"
                "Qt's own options (-platform, -style, ...) are taken as well. VEXO_TRACE=1 prints\n"
                "every frame sent to and received from the reader on standard error.\n");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    bool demo = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            Usage();
            return 0;
        }
        if (a == "--version") {
            std::printf("vexo-data-reader %s\n", VersionText);
            return 0;
        }
        if (a == "--demo")
            demo = true;
        else
            arguments.push_back(a);
    }
    const bool uninstall = !arguments.empty() && arguments.front() == "-uninstall";
    std::string demoLibrary;
    if (demo && !uninstall) {
        std::string error;
        demoLibrary = DemoReaderLibraryPath(error);
        if (demoLibrary.empty()) {
            std::fprintf(stderr, "vexo-data-reader: %s\n", error.c_str());
            return 1;
        }
    }
    if (!vexo::platform::HasDisplay()) {
        if (!uninstall) {
            std::fprintf(stderr,
                         "vexo-data-reader: no display to open the window on (DISPLAY is not set).\n"
                         "Run it on a desktop, or try vexo-cli for the same work without a window.\n");
            return 1;
        }
        // Uninstalling shows no window and needs no display.
        vexo::platform::SetEnvironmentValue("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle);
    // Wayland shells find the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(VEXO_APP_ID);

    TQtTimerBackend timers;
    TQtDialogs dialogs;
    TQtFileNotifier notifier(dialogs);
    SetDefaultFileNotifier(&notifier);
    // Made before the form, so it outlives the link thread the form owns.
    TQtSyncInvoker invoker;
    TMainWindow* window = nullptr;

    TMainEnvironment env;
    env.Timers = &timers;
    env.Dialogs = &dialogs;
    env.FileNotifier = &notifier;
    env.Arguments = arguments;
    env.Screen = ScreenMetrics();
    env.Link.Invoker = &invoker;
    env.Link.LibraryName = demoLibrary;
    env.TextWidth = WindowTextWidth;
    env.Changed = [&window] {
        if (window) window->Render();
    };
    if (const char* trace = std::getenv("VEXO_TRACE"); trace && std::string(trace) == "1")
        env.Trace = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };

    int result = 0;
    {
        TForm_Main form(env);
        if (!form.preventStart) {
            TMainWindow mainWindow(form);
            window = &mainWindow;
            dialogs.SetOwner(&mainWindow);
            mainWindow.ApplyPlacement();
            mainWindow.show();
            result = app.exec();
            window = nullptr;
            dialogs.SetOwner(nullptr);
        }
    }
    SetDefaultFileNotifier(nullptr);
    return result;
}
