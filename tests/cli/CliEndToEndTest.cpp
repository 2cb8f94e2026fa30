// vexo-cli end to end, in real time: the real link thread against the simulated
// reader, through the D2XX-compatible library and over a pseudo-terminal.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "CliApp.h"
#ifndef _WIN32
#include "DropPrivileges.h"
#include "FakeSysfs.h"
#include "SimProcess.h"
#endif
#include "MeasureFileFormat.h"
#include "TestSystem.h"
#include "TextEncoding.h"

namespace {

namespace fs = std::filesystem;

struct TRun {
    int Status = -1;
    std::string Out, Err;
};

// A fresh folder per test; the user's own settings never take part.
struct TCliSandbox {
    fs::path Dir;
    TCliSandbox() {
        Dir = fs::path(::testing::TempDir()) /
              ("vexo-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(Dir);
        fs::create_directories(Dir / "config");
        SetEnvironment("XDG_CONFIG_HOME", (Dir / "config").string());
    }
    ~TCliSandbox() {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    TRun Cli(const std::vector<std::string>& args, bool progress = false) {
        std::ostringstream out, err;
        TRun r;
        r.Status = RunCli(args, out, err, progress);
        r.Out = out.str();
        r.Err = err.str();
        return r;
    }
    // The demo reader with behaviour rules added.
    std::string Scenario(const std::string& name, const nlohmann::json& rules) {
        std::ifstream in(std::string(VEXO_SIM_SCENARIO_DIR) + "/demo.json");
        nlohmann::json s = nlohmann::json::parse(in);
        s["behaviour"]["rules"] = rules;
        const std::string file = (Dir / (name + ".json")).string();
        std::ofstream(file) << s.dump(2);
        return file;
    }
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> FileLines(const fs::path& file) {
    std::vector<std::string> lines;
    std::string error;
    ReadTextFileLines(file.string(), lines, error);
    return lines;
}

TEST(CliD2XX, InfoIdentifiesThePluggedInReader) {
    TCliSandbox box;
    TRun r = box.Cli({"info"});
    EXPECT_EQ(r.Status, exDone) << r.Err;
    EXPECT_TRUE(std::regex_search(r.Out, std::regex("^Serial: 17 3 2436 1207\nFirmware: V[0-9.A-Z]+\n"
                                                    "EEPROM version: 6\nClock: [0-9]{4}-[0-9]{2}-[0-9]{2} "
                                                    "[0-9]{2}:[0-9]{2}:[0-9]{2}\n$")))
        << r.Out;
}

TEST(CliD2XX, ReadSavesAndMergesIntoTheFile) {
    TCliSandbox box;
    const fs::path out = box.Dir / "results.tsv";
    TRun first = box.Cli({"read", "--out", out.string()});
    ASSERT_EQ(first.Status, exDone) << first.Err;
    EXPECT_EQ(first.Out, "Entries read: 12\nNew entries: 12\n");
    const auto lines = FileLines(out);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(DetectTSVStyle(lines[0]), TSVVLong);

    TRun again = box.Cli({"read", "--out", out.string(), "--trace"});
    ASSERT_EQ(again.Status, exDone) << again.Err;
    EXPECT_EQ(again.Out, "Entries read: 12\nNew entries: 0\n");
    EXPECT_EQ(FileLines(out), lines);
    // The trace shows the frames both ways with their meaning.
    EXPECT_TRUE(Has(again.Err, "FE 20")) << again.Err.substr(0, 400);
    EXPECT_TRUE(Has(again.Err, "read data")) << again.Err.substr(0, 400);
}

TEST(CliD2XX, AFileNamedBeyondAsciiIsWrittenUnderThatName) {
    TCliSandbox box;
    const std::string name = "Ergebnisse M\xC3\xBCller \xE2\x82\xAC.tsv";
    const std::u8string wide(name.begin(), name.end());
    const std::string out = (box.Dir / "").string() + name;
    TRun r = box.Cli({"read", "--out", out});
    ASSERT_EQ(r.Status, exDone) << r.Err;
    EXPECT_TRUE(fs::exists(box.Dir / fs::path(wide)));
    EXPECT_EQ(FileLines(box.Dir / fs::path(wide)).size(), 13u);
    // Read again: the entries already in the file are known.
    TRun again = box.Cli({"read", "--out", out});
    EXPECT_EQ(again.Out, "Entries read: 12\nNew entries: 0\n") << again.Err;
}

TEST(CliD2XX, FormatOnlyWithYes) {
    TCliSandbox box;
    TRun refused = box.Cli({"format"});
    EXPECT_EQ(refused.Status, exUsage);
    EXPECT_TRUE(Has(refused.Err, "--yes"));
    TRun done = box.Cli({"format", "--yes"});
    EXPECT_EQ(done.Status, exDone) << done.Err;
    EXPECT_TRUE(Has(done.Err, "Database has been successfully formatted.")) << done.Err;
}

TEST(CliD2XX, ClockIsShownAndSet) {
    TCliSandbox box;
    TRun r = box.Cli({"clock", "--set", "2031-07-08 09:10:11"});
    ASSERT_EQ(r.Status, exDone) << r.Err;
    EXPECT_TRUE(std::regex_search(r.Out, std::regex("^Clock: .+\nClock: 2031-07-08 09:10:1[1-3]\n$")))
        << r.Out;
}

TEST(CliD2XX, WrongUsageAndMissingReaders) {
    TCliSandbox box;
    struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"info", "--ftdi", "5"}, exReaderFailed, "no reader with index 5"},
        {{"info", "--bogus"}, exUsage, "not expected: --bogus"},
        {{"read"}, exUsage, "--out is required"},
        // A year the reader cannot keep is refused before anything is sent.
        {{"clock", "--set", "1999-12-31 23:59:00"}, exUsage, "from 2000-01-01 to 2099-12-31"},
        {{"info", "--language", "Klingon"}, exUsage, "no language 'Klingon'"},
    };
    for (const auto& tc : cases) {
        TRun r = box.Cli(tc.args);
        EXPECT_EQ(r.Status, tc.status) << tc.args[0] << " " << r.Err;
        EXPECT_TRUE(Has(r.Err, tc.says)) << r.Err;
    }
    TRun list = box.Cli({"list"});
    EXPECT_EQ(list.Status, exDone);
    EXPECT_TRUE(Has(list.Out, "FTDI readers (index, serial, description, location):\n0\t")) << list.Out;
}

#ifndef _WIN32 // the built-in backend is the Linux kernel driver's
// The vendor's library (here the simulated readers') wins over the built-in backend: a reader in
// the programs' sysfs tree is not looked at while the library loads.
TEST(CliD2XX, TheLibraryWinsOverTheKernelDriver) {
    TCliSandbox box;
    TFakeSysfs tree(box.Dir / "tree");
    TFakeSysfs::TUsb reader;
    reader.Serial = "TREE0001";
    tree.AddUsb(reader);
    setenv("VEXO_SYSFS_ROOT", tree.Sys.c_str(), 1);
    setenv("VEXO_DEV_ROOT", tree.Dev.c_str(), 1);
    TRun list = box.Cli({"list"});
    unsetenv("VEXO_SYSFS_ROOT");
    unsetenv("VEXO_DEV_ROOT");
    EXPECT_EQ(list.Status, exDone);
    EXPECT_TRUE(Has(list.Out, "FTDI readers (index, serial, description, location):\n0\t")) << list.Out;
    EXPECT_FALSE(Has(list.Out, "TREE0001")) << list.Out;
    EXPECT_TRUE(Has(list.Out, "Serial ports:\n" + (tree.Dev / "ttyUSB0").string() + "\n")) << list.Out;
}
#endif

// --json: one object on standard output, its fields named and ordered as the text lines; a
// failure prints none.
TEST(CliD2XX, JsonOutputForScripts) {
    TCliSandbox box;
    using Fields = std::vector<std::string>;
    struct {
        std::vector<std::string> args;
        int status;
        Fields fields;
    } cases[] = {
        {{"info", "--json"}, exDone, {"Serial", "Firmware", "EEPROM version", "Clock"}},
        {{"--json", "info"}, exUsage, {}}, // --json belongs to the command
        {{"list", "--json"}, exDone, {"FTDI readers", "Serial ports"}},
        {{"clock", "--json"}, exDone, {"Clock"}},
        {{"clock", "--json", "--set", "2031-07-08 09:10:11"}, exDone, {"Clock", "Clock set"}},
        {{"info", "--json", "--ftdi", "5"}, exReaderFailed, {}},
    };
    for (const auto& tc : cases) {
        TRun r = box.Cli(tc.args);
        EXPECT_EQ(r.Status, tc.status) << tc.args[0] << " " << r.Err;
        if (tc.fields.empty()) {
            EXPECT_EQ(r.Out, "") << tc.args[0];
            continue;
        }
        const auto json = nlohmann::ordered_json::parse(r.Out, nullptr, false);
        ASSERT_TRUE(json.is_object()) << r.Out;
        Fields keys;
        for (const auto& item : json.items()) keys.push_back(item.key());
        EXPECT_EQ(keys, tc.fields) << r.Out;
        if (tc.args[0] == "info") {
            EXPECT_EQ(json["Serial"], "17 3 2436 1207");
            EXPECT_EQ(json["EEPROM version"], 6);
        }
        if (tc.args[0] == "list") {
            ASSERT_EQ(json["FTDI readers"].size(), 1u) << r.Out;
            EXPECT_EQ(json["FTDI readers"][0]["Index"], 0);
            EXPECT_TRUE(Has(json["FTDI readers"][0]["Description"].get<std::string>(), "Vexo Reader"));
        }
        if (tc.args.size() > 2) {
            EXPECT_TRUE(Has(json["Clock set"].get<std::string>(), "2031-07-08 09:10:1")) << r.Out;
        }
    }
}

// The read's progress is for a person at a terminal: redrawn in place, and cleared at the end.
TEST(CliD2XX, ReadShowsItsProgressOnlyOnATerminal) {
    TCliSandbox box;
    TRun shown = box.Cli({"read", "--out", (box.Dir / "a.tsv").string()}, true);
    ASSERT_EQ(shown.Status, exDone) << shown.Err;
    const std::size_t first = shown.Err.find("\rReading: ");
    ASSERT_NE(first, std::string::npos) << shown.Err;
    const std::string progress = shown.Err.substr(first);
    EXPECT_TRUE(
        std::regex_search(progress, std::regex("\rReading: [0-9]+ of [0-9]+ bytes \\([1-9][0-9]%\\)")))
        << progress;
    // Drawn over and over on one line, which is cleared at the end.
    EXPECT_EQ(progress.find('\n'), std::string::npos) << progress;
    EXPECT_EQ(progress.back(), '\r');
    EXPECT_TRUE(Has(shown.Out, "Entries read: ")) << shown.Out;
    TRun quiet = box.Cli({"read", "--out", (box.Dir / "b.tsv").string()});
    ASSERT_EQ(quiet.Status, exDone) << quiet.Err;
    EXPECT_FALSE(Has(quiet.Err, "Reading")) << quiet.Err;
}

TEST(CliD2XX, MeasureAddsTheEntryToTheFile) {
    TCliSandbox box;
    const fs::path out = box.Dir / "m.tsv";
    std::ofstream(box.Dir / "bad.bin") << "not a configuration";
    struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"measure", "--stored", "1"}, exDone, "Test evaluation is running..."},
        {{"measure", "--stored", "9"}, exReaderFailed, "stored configuration 9 was not offered"},
        {{"measure", "--rfid"}, exUsage, "use --stored N"},
        {{"measure", "--config", (box.Dir / "bad.bin").string()}, exReaderFailed, "can not be loaded"},
    };
    for (const auto& tc : cases) {
        std::vector<std::string> args = tc.args;
        args.insert(args.end(), {"--out", out.string()});
        TRun r = box.Cli(args);
        EXPECT_EQ(r.Status, tc.status) << tc.args[1] << "\n" << r.Err;
        EXPECT_TRUE(Has(r.Err, tc.says)) << tc.args[1] << "\n" << r.Err;
    }
    // Only the successful run wrote the file: the header and its one entry.
    EXPECT_EQ(FileLines(out).size(), 2u);
}

#ifndef _WIN32
TEST(CliPty, InfoAndReadOverASerialDevice) {
    TCliSandbox box;
    TSimProcess sim;
    ASSERT_FALSE(sim.Device.empty());
    TRun info = box.Cli({"info", "--port", sim.Device});
    EXPECT_EQ(info.Status, exDone) << info.Err;
    EXPECT_TRUE(Has(info.Out, "EEPROM version: 6\n")) << info.Out;

    const fs::path out = box.Dir / "short.tsv";
    TRun read = box.Cli({"read", "--port", sim.Device, "--style", "halvorn", "--out", out.string()});
    ASSERT_EQ(read.Status, exDone) << read.Err;
    const auto lines = FileLines(out);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(DetectTSVStyle(lines[0]), TSVVHalvorn);
}

TEST(CliPty, ReadersThatFail) {
    TCliSandbox box;
    struct {
        const char* name;
        nlohmann::json rules;
        std::vector<std::string> command;
        int status;
        const char* says;
    } cases[] = {
        {"silent",
         nlohmann::json::parse(R"([{"command": "firmwareVersion", "noAnswer": true}])"),
         {"info"},
         exReaderFailed,
         "Waiting for device: time out."},
        {"mute",
         nlohmann::json::parse(R"([{"noAnswer": true}])"),
         {"info"},
         exReaderFailed,
         "Connection failed"},
        {"erring",
         nlohmann::json::parse(R"([{"command": "readData", "nth": 4, "comError": 66}])"),
         {"read", "--out", "x.tsv"},
         exReaderFailed,
         "Error"},
        {"noisy",
         nlohmann::json::parse(R"([{"noiseBytes": 9}, {"command": "serial", "badChecksumFirst": true}])"),
         {"info"},
         exDone,
         ""},
    };
    for (const auto& tc : cases) {
        TSimProcess sim({"--scenario", box.Scenario(tc.name, tc.rules)});
        ASSERT_FALSE(sim.Device.empty()) << tc.name;
        std::vector<std::string> args = tc.command;
        for (auto& a : args)
            if (a == "x.tsv") a = (box.Dir / "x.tsv").string();
        args.insert(args.end(), {"--port", sim.Device});
        TRun r = box.Cli(args);
        EXPECT_EQ(r.Status, tc.status) << tc.name << "\n" << r.Err;
        EXPECT_TRUE(Has(r.Err, tc.says)) << tc.name << "\n" << r.Err;
    }
}

#endif

TEST(CliPty, AMissingDeviceSaysConnectionFailed) {
    TCliSandbox box;
    TRun r = box.Cli({"info", "--port", (box.Dir / "no-such-tty").string()});
    EXPECT_EQ(r.Status, exReaderFailed);
    EXPECT_TRUE(Has(r.Err, "Connection failed\nPort existiert nicht (0x0002)")) << r.Err;
}

#ifndef _WIN32 // POSIX rights
TEST(CliPty, ADeviceTheUserMayNotOpenSaysWhatToDo) {
    TCliSandbox box;
    const fs::path device = box.Dir / "ttyUSB0";
    std::ofstream(device) << "";
    fs::permissions(device, fs::perms::none);
    fs::permissions(box.Dir, fs::perms::all);
    EXPECT_EXIT(
        {
            DropPrivileges();
            TRun r = box.Cli({"info", "--port", device.string()});
            std::fprintf(stderr, "%s", r.Err.c_str());
            std::exit(r.Status);
        },
        ::testing::ExitedWithCode(exReaderFailed),
        "You may not use this port.\n.*\"dialout\".*udev rule.*\nConnection failed\nKeine Berechtigung "
        ".*\\(0x0522\\)");
}
#endif

} // namespace
