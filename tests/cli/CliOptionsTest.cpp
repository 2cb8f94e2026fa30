#include "CliOptions.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

TEST(CliOptions, AcceptedCommandLines) {
    TCliOptions o;
    std::string err;
    ASSERT_TRUE(ParseCliOptions(Split("read --trace --out r.tsv --port /dev/pts/3 --baud 9600 --style short"),
                                o, err))
        << err;
    EXPECT_EQ(o.Command, eCliCommand::Read);
    EXPECT_EQ(o.Out, "r.tsv");
    EXPECT_EQ(o.Port, "/dev/pts/3");
    EXPECT_EQ(o.Baud, 9600);
    EXPECT_EQ(o.Style, "short");
    EXPECT_TRUE(o.Trace);

    ASSERT_TRUE(ParseCliOptions(Split("measure --stored 2 --timer --combine --out m.tsv --ftdi 0"), o, err))
        << err;
    EXPECT_EQ(o.Stored, 2);
    EXPECT_EQ(o.Ftdi, 0);
    EXPECT_TRUE(o.Timer && o.Combine);

    ASSERT_TRUE(ParseCliOptions({"clock", "--set", "2026-02-28 23:59:59"}, o, err)) << err;
    EXPECT_EQ(o.SetClock, "2026-02-28 23:59:59");
    ASSERT_TRUE(ParseCliOptions({"--version"}, o, err));
    EXPECT_TRUE(o.Version);
    ASSERT_TRUE(ParseCliOptions({"format"}, o, err)); // refused later, with the reason
    EXPECT_FALSE(o.Yes);

    // The options for every command go before the command or after it.
    ASSERT_TRUE(ParseCliOptions(Split("--demo --trace info --json"), o, err)) << err;
    EXPECT_TRUE(o.Demo && o.Trace && o.Json);
    EXPECT_EQ(o.Command, eCliCommand::Info);
    ASSERT_TRUE(ParseCliOptions(Split("clock --json --demo"), o, err)) << err;
    EXPECT_TRUE(o.Demo && o.Json);

    // Help of the program, and of a command: the command's own options.
    ASSERT_TRUE(ParseCliOptions({"--help"}, o, err));
    EXPECT_TRUE(o.Help);
    EXPECT_NE(o.HelpText.find("measure"), std::string::npos) << o.HelpText;
    ASSERT_TRUE(ParseCliOptions(Split("measure --help"), o, err));
    EXPECT_NE(o.HelpText.find("--stored"), std::string::npos) << o.HelpText;
    EXPECT_EQ(o.HelpText.find("--json"), std::string::npos) << o.HelpText;
}

TEST(CliOptions, UsageErrorsSayWhatIsWrong) {
    struct {
        const char* line;
        const char* says;
    } cases[] = {
        {"", "no command"},
        {"dump", "not expected: dump"},
        {"info --frobnicate", "not expected: --frobnicate"},
        {"read", "--out is required"},
        {"read --out", "--out: 1 required FILE missing"},
        {"info --baud fast", "--baud: takes a whole number from 1, not 'fast'"},
        {"info --baud 0", "--baud: takes a whole number from 1"},
        {"info --ftdi -1", "--ftdi: takes a whole number from 0"},
        {"info --ftdi 99999999999", "--ftdi: takes a whole number from 0"},
        {"info --port /dev/x --ftdi 0", "--port excludes --ftdi"},
        {"--demo info --port /dev/x", "excludes"},
        {"measure --out m.tsv", "exactly one of"},
        {"measure --out m.tsv --rfid --stored 1", "exactly one of"},
        {"read --out r.tsv --timer", "not expected: --timer"},
        {"read --out r.tsv --json", "not expected: --json"},
        {"info --set now", "not expected"},
        {"clock --set 2026-02-30", "--set takes now"},
        {"clock --set yesterday", "--set takes now"},
        {"read --out r.tsv --style wide", "--style: wide not in {long,short,halvorn}"},
    };
    for (const auto& tc : cases) {
        TCliOptions o;
        std::string err;
        EXPECT_FALSE(ParseCliOptions(Split(tc.line), o, err)) << tc.line;
        EXPECT_NE(err.find(tc.says), std::string::npos) << tc.line << " -> " << err;
    }
}

TEST(CliOptions, ClockSettingsTheReaderCanKeep) {
    struct {
        const char* text;
        const char* says; // empty: accepted
    } const cases[] = {
        {"now", ""},
        {"2000-01-01 00:00:00", ""},
        {"2099-12-31 23:59:59", ""},
        {"1999-12-31 23:59:00", "from 2000-01-01 to 2099-12-31"},
        {"2100-01-01 00:00:00", "from 2000-01-01 to 2099-12-31"},
        {"0000-01-01 00:00:00", "from 2000-01-01 to 2099-12-31"},
        {"2026-02-30 10:00:00", "--set takes now or"},
        {"tomorrow", "--set takes now or"},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(CheckClockSetting(c.text, err), *c.says == '\0') << c.text;
        EXPECT_NE(err.find(c.says), std::string::npos) << c.text << " -> " << err;
        // The parser refuses the same values as a usage error.
        TCliOptions o;
        std::string parseErr;
        EXPECT_EQ(ParseCliOptions({"clock", "--set", c.text}, o, parseErr), *c.says == '\0') << c.text;
        EXPECT_EQ(parseErr, err);
    }
}

TEST(CliOptions, ClockText) {
    int y, mo, d, h, mi, s;
    EXPECT_TRUE(ParseClockText("2024-02-29 00:00:00", y, mo, d, h, mi, s));
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s}), (std::vector<int>{2024, 2, 29, 0, 0, 0}));
    for (const char* bad : {"2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-01-01 24:00:00",
                            "2024-01-01T00:00:00", "2024-1-01 00:00:00", ""})
        EXPECT_FALSE(ParseClockText(bad, y, mo, d, h, mi, s)) << bad;
}

} // namespace
