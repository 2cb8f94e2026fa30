// vexo-sim as a separate process on a pseudo-terminal, opened with the program's own serial port.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "SerialPort.h"
#include "SimClient.h"

namespace {

struct tPtyReader {
    explicit tPtyReader(const std::string& arguments) {
        TracePath = ::testing::TempDir() + "vexo-sim-trace-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
        std::string command = std::string(VEXO_SIM_EXE) + " " + arguments + " 2>" + TracePath;
        Process = ::popen(command.c_str(), "r");
        char line[512] = {};
        if (Process && std::fgets(line, sizeof line, Process)) {
            Device = line;
            while (!Device.empty() && (Device.back() == '\n' || Device.back() == '\r')) Device.pop_back();
        }
        Port = CreateSystemSerialPort();
        Client = std::make_unique<tSimClient>(
            [this](const tByteBuffer& b) { Port->Write(b.data(), static_cast<std::uint32_t>(b.size())); },
            [this]() {
                tByteBuffer b(4096);
                std::int32_t n = Port->Read(b.data(), static_cast<std::uint32_t>(b.size()));
                b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
                return b;
            },
            []() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    }
    ~tPtyReader() {
        if (Port->IsOpen()) {
            Client->Vexo.sendString("shutdown\r");
            Port->Close();
        }
        if (Process) ::pclose(Process);
    }
    // Ends the process by the reader's own shutdown; its exit status.
    int Shutdown() {
        Client->Vexo.sendString("shutdown\r");
        int status = ::pclose(Process);
        Process = nullptr;
        Port->Close();
        return status;
    }
    std::string Trace() const {
        std::ifstream in(TracePath);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    FILE* Process = nullptr;
    std::string Device;
    std::string TracePath;
    std::unique_ptr<ISerialPort> Port;
    std::unique_ptr<tSimClient> Client;
};

std::string Scenario(const char* name) {
    return std::string(VEXO_SIM_SCENARIO_DIR) + "/" + name;
}

} // namespace

TEST(SimPty, OldReaderFromAScenarioFileIsIdentifiedAndRead) {
    tPtyReader r("--trace --scenario " + Scenario("old-reader-v2.json"));
    ASSERT_FALSE(r.Device.empty());
    ASSERT_EQ(r.Port->Open(r.Device), 0u) << r.Device;
    ASSERT_EQ(r.Port->ApplySettings({38400, 8, 0, 0}), 0u);
    ASSERT_TRUE(r.Client->Identify());
    EXPECT_EQ(r.Client->Map.EEPROMVersion(), 2);
    EXPECT_FALSE(r.Client->Map.VolatileData.VexoCfgBits.ClockAvailable());
    std::vector<std::unique_ptr<TMeasureSet>> entries;
    std::size_t stored = 0;
    ASSERT_TRUE(r.Client->ReadDatabase(entries, stored));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0]->TestName, "HbA1c");
    EXPECT_EQ(entries[1]->ResultList[0].ResultValue, "7.9");
    EXPECT_EQ(entries[1]->ResultList[0].ClassName, "diabetic");
    EXPECT_EQ(entries[2]->ResultList[0].Validity, "Invalid");

    EXPECT_EQ(r.Shutdown(), 0);
    std::string trace = r.Trace();
    EXPECT_NE(trace.find("get acknowledge"), std::string::npos) << trace;
    EXPECT_NE(trace.find("read data 0x500A2 24"), std::string::npos) << trace;
    EXPECT_NE(trace.find("shut down"), std::string::npos) << trace;
}

TEST(SimPty, AFlakyLinkStillDeliversAtItsBaudRate) {
    tPtyReader r("--scenario " + Scenario("flaky-link.json") + " --baud 38400");
    ASSERT_EQ(r.Port->Open(r.Device), 0u) << r.Device;
    ASSERT_EQ(r.Port->ApplySettings({38400, 8, 0, 0}), 0u);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(r.Client->Identify());
    EXPECT_EQ(r.Client->Count("busy"), 1u);
    std::vector<std::unique_ptr<TMeasureSet>> entries;
    std::size_t stored = 0;
    ASSERT_TRUE(r.Client->ReadDatabase(entries, stored));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->ResultList[0].ResultValue, "22.5");
    // The busy report and the late answer alone hold the exchange back 1.6 s.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1600));
    EXPECT_EQ(r.Shutdown(), 0);
    EXPECT_TRUE(r.Trace().find("RX") == std::string::npos); // no trace unless asked
}

TEST(SimPty, BadArgumentsAndFilesAreRefused) {
    struct {
        const char* Arguments;
        const char* Message;
        int Status;
    } cases[] = {
        {"--baud fast", "is no baud rate", 2},
        {"--colour", "unknown argument", 2},
        {"--scenario /nonexistent.json", "cannot read the scenario file", 1},
    };
    for (const auto& c : cases) {
        std::string out = ::testing::TempDir() + "vexo-sim-bad.txt";
        std::string command = std::string(VEXO_SIM_EXE) + " " + c.Arguments + " >/dev/null 2>" + out;
        int status = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(status), c.Status) << c.Arguments;
        std::ifstream in(out);
        std::stringstream s;
        s << in.rdbuf();
        EXPECT_NE(s.str().find(c.Message), std::string::npos) << s.str();
    }
}
