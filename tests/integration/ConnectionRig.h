#pragma once
// The harness with a way in for each link mode: COM mode lists one Bluetooth port from a
// tty class folder of the test's own, FTDI mode loads the D2XX-compatible test library and
// carries its device's bytes to and from the simulated reader every millisecond.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DynamicLibrary.h"
#include "Harness.h"
#include "VexoFrame.h"
#include "fakeftdi/FakeFtdiControl.h"

enum class eMode { COM, FTDI };

inline const char* ModeName(eMode mode) {
    return mode == eMode::COM ? "COM" : "FTDI";
}

// The demo reader as a reader of an older EEPROM version, with or without its clock.
inline TSimScenario ReaderOfVersion(std::uint8_t version, bool clock = true) {
    TSimScenario s = DefaultScenario();
    s.EEPROMVersion = version;
    s.VexoCfgBits = clock ? s.VexoCfgBits | SimBitClockAvailable : s.VexoCfgBits & ~SimBitClockAvailable;
    // Instant measurements refused, timer measurements allowed (read from version 5 on).
    s.VexoCfgBits_0 = (s.VexoCfgBits_0 & ~SimBitInstantMeasureAllowed) | SimBitTimerMeasureAllowed;
    s.CustomerNumber = 12;
    s.ProjectNumber = 3;
    s.ProductionYear = 19;
    s.ProductionWeek = 7;
    s.SerialNumber = 42;
    s.FwMain = 1;
    s.FwSub = 2;
    s.FwRevision = 7;
    s.FwVariant = 0;
    s.FwBranch = 0;
    s.FwSuffix = 'b';
    return s;
}

inline TSimBehaviour NoAnswerTo(std::uint8_t command, std::uint32_t nth = 0) {
    TSimBehaviour b;
    b.Command = command;
    b.Nth = nth;
    b.NoAnswer = true;
    return b;
}

// The test D2XX library's controls; the library stays loaded while the rig lives.
struct TFakeD2XX {
    TDynamicLibrary Lib;
    tFakeFtdi_Reset Reset = nullptr;
    tFakeFtdi_SetListNotReady SetListNotReady = nullptr;
    tFakeFtdi_SetDeviceInfo SetDeviceInfo = nullptr;
    tFakeFtdi_Inject Inject = nullptr;
    tFakeFtdi_Take Take = nullptr;
    tFakeFtdi_SetWriteLimit SetWriteLimit = nullptr;
    tFakeFtdi_ForceStatus ForceStatus = nullptr;
    // Every byte the program wrote to device 0, in order.
    tByteBuffer Written;

    bool Load() {
        if (!Lib.Load(VEXO_FAKE_D2XX)) return false;
        Reset = reinterpret_cast<tFakeFtdi_Reset>(Lib.Symbol("FakeFtdi_Reset"));
        SetListNotReady = reinterpret_cast<tFakeFtdi_SetListNotReady>(Lib.Symbol("FakeFtdi_SetListNotReady"));
        SetDeviceInfo = reinterpret_cast<tFakeFtdi_SetDeviceInfo>(Lib.Symbol("FakeFtdi_SetDeviceInfo"));
        Inject = reinterpret_cast<tFakeFtdi_Inject>(Lib.Symbol("FakeFtdi_Inject"));
        Take = reinterpret_cast<tFakeFtdi_Take>(Lib.Symbol("FakeFtdi_Take"));
        SetWriteLimit = reinterpret_cast<tFakeFtdi_SetWriteLimit>(Lib.Symbol("FakeFtdi_SetWriteLimit"));
        ForceStatus = reinterpret_cast<tFakeFtdi_ForceStatus>(Lib.Symbol("FakeFtdi_ForceStatus"));
        return Reset && SetListNotReady && SetDeviceInfo && Inject && Take && SetWriteLimit && ForceStatus;
    }
    // Device 0 is the reader: its bytes both ways.
    void Pump(TSimDevice& reader) {
        std::uint8_t buffer[4096];
        for (std::uint32_t n; (n = Take(0, buffer, sizeof buffer)) > 0;) {
            Written.insert(Written.end(), buffer, buffer + n);
            reader.Write(buffer, n);
        }
        for (std::size_t n; (n = reader.Read(buffer, sizeof buffer)) > 0;)
            Inject(0, buffer, static_cast<std::uint32_t>(n));
    }
};

struct TConnectionRig {
    THarness H;
    eMode Mode;
    TFakeD2XX Ftdi;
    std::string SysDir = H.Box.Dir / "sys", TtyDir = SysDir + "/class/tty", DevDir = H.Box.Dir / "dev";

    explicit TConnectionRig(eMode mode, const TSimScenario& scenario = DefaultScenario(),
                            TDateTime readerClock = EncodeDateTime(2026, 5, 20, 10, 0, 0))
        : H(scenario, readerClock), Mode(mode) {
        if (mode == eMode::FTDI) {
            EXPECT_TRUE(Ftdi.Load()) << Ftdi.Lib.LoadError();
            Ftdi.Reset(1);
            H.Box.Env.Link.LibraryName = VEXO_FAKE_D2XX;
        }
        std::filesystem::create_directories(TtyDir);
        std::filesystem::create_directories(DevDir);
        AddComPort(3);
    }
    // A Bluetooth serial port the COM port list shows.
    void AddComPort(int number) {
        const std::string name = "rfcomm" + std::to_string(number);
        std::filesystem::create_directories(TtyDir + "/" + name);
        std::ofstream(DevDir + "/" + name) << "";
    }
    // Settings files written before the start: the user's, the program's read-only one.
    void UserSettings(const std::vector<std::string>& lines) {
        WriteTextFile(H.Box.App + DIR_SEP "DRConfig.ini", lines);
    }
    void ProgramSettings(const std::vector<std::string>& lines) {
        WriteTextFile(H.Box.App + DIR_SEP "DRConfigRO.ini", lines);
    }

    // The window up to the end of its start (the first device-list refresh).
    TForm_Main& Start() {
        TForm_Main& form = H.Start();
        if (form.Bluetooth) {
            form.Bluetooth->SysfsRoot = SysDir;
            form.Bluetooth->DevDir = DevDir;
        }
        Run(150);
        return form;
    }
    TForm_Main& Form() { return *H.Form; }
    ReaderSimulator& Sim() { return H.Sim(); }

    void Run(std::int64_t ms) {
        for (std::int64_t i = 0; i < ms; ++i) {
            if (Mode == eMode::FTDI) Ftdi.Pump(*H.Reader);
            H.Run(1);
        }
    }
    template <typename Pred> bool RunUntil(Pred pred, std::int64_t limitMs) {
        for (std::int64_t i = 0; i < limitMs; ++i) {
            if (pred()) return true;
            Run(1);
        }
        return pred();
    }
    // Connect pressed, then the handshake and the identification read until "Ready".
    bool ConnectByHand(std::int64_t limitMs = 500) {
        Form().Button_OpenClick();
        return RunUntil([&] { return Form().LinkOpen() && Form().State.Current == 0; }, limitMs);
    }
    std::uint32_t Commands(std::uint8_t code) { return Sim().CommandCount(code); }
    std::vector<TDialogCall> Messages() const { return H.Box.Dialogs.Of("MessageBox"); }
};
