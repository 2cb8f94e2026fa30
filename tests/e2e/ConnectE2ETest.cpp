// The window with its real link thread, in real time: the simulated reader as its own
// process on a pseudo-terminal (COM mode), and behind the D2XX-compatible library (FTDI mode).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#ifndef _WIN32
#include <poll.h>
#include <sys/wait.h>
#endif
#include <thread>

#include "RealTimeWindow.h"

namespace {

using namespace std::chrono_literals;

#ifndef _WIN32 // pseudo-terminals; Windows COM ports are tested over Wine's (tests/windows)
TEST(EndToEnd, ComModeOverAPseudoTerminal) {
    FILE* sim = ::popen(VEXO_SIM_EXE " --baud 38400", "r");
    ASSERT_NE(sim, nullptr);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, sim), nullptr);
    std::string device = line;
    while (!device.empty() && (device.back() == '\n' || device.back() == '\r')) device.pop_back();

    TRealTimeWindow w;
    w.Box.Env.Link.PortFactory = [device] { return std::make_unique<TRedirectedPort>(device); };
    const std::string sys = w.Box.Dir / "sys", tty = sys + "/class/tty", dev = w.Box.Dir / "dev";
    std::filesystem::create_directories(tty + "/rfcomm5");
    std::filesystem::create_directories(dev);
    std::ofstream(dev + "/rfcomm5") << "";
    w.Form = w.Box.Start();
    TForm_Main& form = *w.Form;
    form.Bluetooth->SysfsRoot = sys;
    form.Bluetooth->DevDir = dev;
    ASSERT_TRUE(w.RunUntil([&] { return form.initialized; }, 2s));
    ASSERT_EQ(form.ComboBox_Com.Text, "rfcomm5");

    form.Button_OpenClick();
    ASSERT_TRUE(w.RunUntil([&] { return w.Ready(); }, 5s)) << "status " << int(form.State.Current);
    EXPECT_EQ(TRedirectedPort::Opened, ComPortDevicePath(5));
    EXPECT_EQ(form.EEPROMMap->EEPROMVersion(), 6);
    EXPECT_FALSE(form.Label_FWDisplay.Caption.empty());
    EXPECT_TRUE(form.Button_ReadData.Enabled);
    ASSERT_TRUE(w.RunUntil([&] { return w.ClockShown(); }, 3s));
    EXPECT_EQ(form.Panel_Date.Color, 0x008000u);

    // "Shutdown vexo on disconnect": the text leaves before the port closes, and the reader
    // (vexo-sim) switches itself off, which ends its process.
    form.Menu_ShutDownOnCloseClick();
    ASSERT_TRUE(form.ShutDownOnClose);
    form.Button_OpenClick();
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_EQ(form.State.Current, 16);
    pollfd ended{::fileno(sim), POLLIN, 0};
    const bool switchedOff = ::poll(&ended, 1, 10000) > 0;
    EXPECT_TRUE(switchedOff) << "the reader did not get the shutdown text";
    if (!switchedOff) {
        std::unique_ptr<ISerialPort> port = CreateSystemSerialPort();
        ASSERT_EQ(port->Open(device), 0u);
        const std::string shutdown = "shutdown\r";
        port->Write(reinterpret_cast<const std::uint8_t*>(shutdown.data()),
                    static_cast<std::uint32_t>(shutdown.size()));
        std::this_thread::sleep_for(200ms);
        port->Close();
    }
    const int status = ::pclose(sim);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(w.Box.Dialogs.Of("MessageBox").empty());
}

#endif

TEST(EndToEnd, FtdiModeThroughTheD2XXLibraryConnectsByItself) {
    TRealTimeWindow w;
    w.Box.Env.Link.LibraryName.clear(); // the system's name, found on the library path
    w.Form = w.Box.Start();
    TForm_Main& form = *w.Form;
    ASSERT_TRUE(form.FTDIMode());
    ASSERT_TRUE(w.RunUntil([&] { return form.initialized; }, 2s));
    ASSERT_EQ(form.ComboBox_FTDIDevice.Count(), 1);
    EXPECT_FALSE(form.LinkOpen());
    // The device-list timer finds the reader again and connects.
    ASSERT_TRUE(w.RunUntil([&] { return w.Ready(); }, 5s)) << "status " << int(form.State.Current);
    EXPECT_FALSE(form.manualConnect);
    EXPECT_EQ("1. " + form.CurrOpenedDevice, form.ComboBox_FTDIDevice.Items[0].Text);
    EXPECT_EQ(form.CurrOpenedDevice.rfind("Vexo Reader (", 0), 0u);
    EXPECT_EQ(form.EEPROMMap->EEPROMVersion(), 6);
    ASSERT_TRUE(w.RunUntil([&] { return w.ClockShown(); }, 3s));
    EXPECT_EQ(form.Panel_Time.Color, 0x008000u);

    EXPECT_TRUE(form.RequestClose());
    EXPECT_TRUE(w.Box.Dialogs.Of("MessageBox").empty());
}

} // namespace
