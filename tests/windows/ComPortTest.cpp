// COM ports for real on Windows (in CI: Wine's serial layer over a pseudo-terminal, served by the
// simulated reader built for Linux). VEXO_SIM_COM_PORT names the port; the reader answers at 38400
// baud. Wine's serial layer on a pseudo-terminal cannot set or read modem lines: EscapeCommFunction
// and GetCommModemStatus fail there, which the link tolerates.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "CliApp.h"
#include "FileSystem.h"
#include "RealTimeWindow.h"
#include "SerialPort.h"
#include "SimClient.h"
#include "TextEncoding.h"

#include "TestRegistry.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::string SimPort() {
    const char* port = std::getenv("VEXO_SIM_COM_PORT");
    return port ? port : "";
}

struct ComPortFixture : ::testing::Test {
    void SetUp() override {
        Port = SimPort();
        ASSERT_FALSE(Port.empty()) << "VEXO_SIM_COM_PORT names no port (run through sim-on-com)";
        Number = ComPortNumberFromName(Port);
    }
    std::string Port;
    std::int32_t Number = -1;
};

// The program's side of a conversation over an open port.
std::unique_ptr<tSimClient> ClientOn(ISerialPort& port) {
    return std::make_unique<tSimClient>(
        [&port](const tByteBuffer& b) { port.Write(b.data(), static_cast<std::uint32_t>(b.size())); },
        [&port]() {
            tByteBuffer b(4096);
            const std::int32_t n = port.Read(b.data(), static_cast<std::uint32_t>(b.size()));
            b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            return b;
        },
        [] { std::this_thread::sleep_for(1ms); });
}

std::vector<std::string> FileLines(const std::string& file) {
    std::vector<std::string> lines;
    std::string error;
    ReadTextFileLines(file, lines, error);
    return lines;
}

} // namespace

using Win32ComPort = ComPortFixture;

TEST_F(Win32ComPort, PlainNameAboveNineOpensAndTheReaderAnswers) {
    ASSERT_GE(Number, 10) << "the port must be numbered above 9 to show the device namespace";
    auto port = CreateSystemSerialPort();
    ASSERT_EQ(port->Open(Port), 0u) << Port;
    EXPECT_EQ(port->ApplySettings({38400, 8, 0, 0}), 0u);
    EXPECT_TRUE(port->Purge(SERIAL_PURGE_RXABORT | SERIAL_PURGE_RXCLEAR | SERIAL_PURGE_TXABORT |
                            SERIAL_PURGE_TXCLEAR));

    // Held: Windows refuses a second open as in use (Wine does not keep a COM port to one
    // handle); a port that does not exist is missing.
    if (!UnderWine()) {
        EXPECT_EQ(CreateSystemSerialPort()->Open(Port), SERIAL_ERROR_IN_USE);
    }
    EXPECT_EQ(CreateSystemSerialPort()->Open("COM250"), SERIAL_ERROR_NO_SUCH_DEVICE);

    // Nothing queued: a read returns at once, whatever it asks for.
    std::uint8_t buffer[4096];
    EXPECT_EQ(port->Read(buffer, sizeof buffer), 0);

    auto client = ClientOn(*port);
    ASSERT_TRUE(client->Identify());
    EXPECT_EQ(client->Map.EEPROMVersion(), 6);
    EXPECT_EQ(client->Serial.customer, 17);

    // The queue count is what a read then takes.
    client->Vexo.getDateTime();
    tSerialQueueStatus status;
    for (int i = 0; i < 2000 && (!port->GetQueueStatus(status) || status.InQueue == 0); ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_GT(status.InQueue, 0u);
    EXPECT_EQ(status.Errors, 0u);
    EXPECT_EQ(port->Read(buffer, status.InQueue), static_cast<std::int32_t>(status.InQueue));
    EXPECT_TRUE(port->Close());
}

using Win32ComWindow = ComPortFixture;

// The window in COM mode: the Bluetooth port comes from the machine's registry, the link opens
// it through the device namespace, identifies the reader and shows its clock.
TEST_F(Win32ComWindow, BluetoothPortFromTheRegistryConnects) {
    TTestRegistry reg;
    const std::string instance = "VEXOBTH\\WINDOW_C00000000\\" + std::to_string(Number);
    reg.SetString("\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-"
                  "08003e301f73}\\##?#VEXOBTH#WINDOW_C00000000#1",
                  "DeviceInstance", instance);
    reg.SetString("\\SYSTEM\\CurrentControlSet\\Enum\\" + instance, "Service", "BTHMODEM");
    reg.SetString("\\SYSTEM\\CurrentControlSet\\Enum\\" + instance + "\\Device Parameters", "PortName", Port);
    reg.SetString("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\VexoBthModemWindow", Port);

    TRealTimeWindow w;
    w.Form = w.Box.Start(); // no D2XX library: COM mode
    TForm_Main& form = *w.Form;
    ASSERT_FALSE(form.FTDIMode());
    ASSERT_TRUE(w.RunUntil([&] { return form.initialized; }, 2s));
    ASSERT_EQ(form.ComboBox_Com.Text, Port);

    form.Button_OpenClick();
    ASSERT_TRUE(w.RunUntil([&] { return w.Ready(); }, 10s)) << "status " << int(form.State.Current);
    EXPECT_EQ(form.EEPROMMap->EEPROMVersion(), 6);
    EXPECT_FALSE(form.Label_FWDisplay.Caption.empty());
    ASSERT_TRUE(w.RunUntil([&] { return w.ClockShown(); }, 5s));
    EXPECT_EQ(form.Panel_Date.Color, 0x008000u);

    form.Button_OpenClick();
    EXPECT_FALSE(form.LinkOpen());
    EXPECT_TRUE(w.Box.Dialogs.Of("MessageBox").empty());
}

using Win32ComCli = ComPortFixture;

TEST_F(Win32ComCli, InfoAndReadOnTheComPort) {
    const fs::path dir = MakeTempFolder("vexo-com-cli-");
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"info", "--port", Port}, out, err), exDone) << err.str();
    EXPECT_NE(out.str().find("EEPROM version: 6\n"), std::string::npos) << out.str();

    const std::string file = NativePath(dir, "results.tsv");
    std::ostringstream out2, err2;
    ASSERT_EQ(RunCli({"read", "--port", Port, "--out", file}, out2, err2), exDone) << err2.str();
    EXPECT_EQ(out2.str(), "Entries read: 12\nNew entries: 12\n");
    EXPECT_EQ(FileLines(file).size(), 13u);
    fs::remove_all(dir);
}

// vexo-cli.exe itself, started as a user starts it: its arguments reach it whole, a file name
// beyond the ANSI code page included.
TEST_F(Win32ComCli, TheProgramReadsIntoAFileNamedBeyondTheCodePage) {
    const fs::path dir = MakeTempFolder("vexo-com-exe-");
    const std::string file = NativePath(dir, "\xCE\xB1\xCE\xB2 M\xC3\xBCller.tsv"); // Greek and German
    // cmd.exe takes off the outermost quotes.
    const std::wstring command = L"\"\"" + fs::absolute(VEXO_CLI_EXE).make_preferred().wstring() +
                                 L"\" read --port " + vexo::platform::PathFromText(Port).wstring() +
                                 L" --out \"" + vexo::platform::PathFromText(file).wstring() + L"\" 2>&1\"";
    FILE* pipe = ::_wpopen(command.c_str(), L"r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe)) text += chunk;
    EXPECT_EQ(::_pclose(pipe), exDone) << text;
    EXPECT_NE(text.find("Entries read: 12"), std::string::npos) << text;
    EXPECT_TRUE(vexo::platform::FileExists(file)) << text;
    EXPECT_EQ(FileLines(file).size(), 13u);
    fs::remove_all(dir);
}
