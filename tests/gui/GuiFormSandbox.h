#pragma once
// A form with folders of its own, the real Qt dialogs and a manual clock, shown
// in the main window.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <QTemporaryDir>
#include <QTest>

#include "Main.h"
#include "MainWindow.h"
#include "ManualClock.h"
#include "QtDialogs.h"

struct TGuiFormSandbox {
    QTemporaryDir Dir;
    std::string App = (Dir.path() + "/app").toStdString();
    std::string User = (Dir.path() + "/user").toStdString();
    std::string All = (Dir.path() + "/all").toStdString();
    std::string UserConfig = User + "/zr4/Vexo Data Reader";
    TManualClock Clock;
    TQtDialogs Dialogs;
    TQtFileNotifier Notifier{Dialogs};
    TMainEnvironment Env;
    TMainWindow* Window = nullptr;
    int Changes = 0;

    TGuiFormSandbox() {
        for (const auto& d : {App, User, All}) std::filesystem::create_directories(d);
        // Without the program's own settings the start would stop at a message box.
        std::ofstream(App + "/DRConfigRO.ini", std::ios::binary)
            << std::string("\xFF\xFE[\0S\0]\0\r\0\n\0", 12);
        Env.Timers = &Clock;
        Env.Dialogs = &Dialogs;
        Env.FileNotifier = &Notifier;
        Env.PathsSystem = tPathsSystem{App, User, All, nullptr, nullptr};
        Env.Screen = TScreenMetrics{1920, 1080, 1920, 1040, 96};
        // No D2XX library: COM mode.
        Env.Link.LibraryName = "libvexo-no-such-d2xx.so";
        Env.Link.CreateSuspended = true;
        Env.TextWidth = WindowTextWidth;
        Env.Now = [] { return EncodeDateTime(2026, 5, 20, 10, 0, 0); };
        Env.Changed = [this] {
            ++Changes;
            if (Window) Window->Render();
        };
    }
    std::unique_ptr<TForm_Main> Form;
    std::unique_ptr<TMainWindow> MainWindow;

    TMainWindow& Start() {
        Form = std::make_unique<TForm_Main>(Env);
        MainWindow = std::make_unique<TMainWindow>(*Form);
        Window = MainWindow.get();
        Dialogs.SetOwner(Window);
        Window->ApplyPlacement();
        Window->show();
        Window->activateWindow();
        if (!QTest::qWaitForWindowActive(Window)) QTest::qWait(20);
        return *Window;
    }
    ~TGuiFormSandbox() {
        Window = nullptr;
        Dialogs.SetOwner(nullptr);
        MainWindow.reset();
        Form.reset();
    }
};
