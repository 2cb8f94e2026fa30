// The udev rule shipped for the readers: well-formed rules (udev skips a malformed line without
// a word), sorted before the seat rules that act on "uaccess", and saying what the program needs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

// One rule: its keys (with their attribute) and operator plus value.
using tRule = std::map<std::string, std::string>;

bool ParseRule(const std::string& line, tRule& rule) {
    static const std::regex item(
        R"re(\s*([A-Z]+(\{[A-Za-z_]+\})?)\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*(,|$))re");
    std::size_t at = 0;
    while (at < line.size()) {
        std::smatch m;
        const std::string rest = line.substr(at);
        if (!std::regex_search(rest, m, item, std::regex_constants::match_continuous)) return false;
        rule[m[1]] = m[3].str() + m[4].str();
        at += static_cast<std::size_t>(m.length(0));
    }
    return !rule.empty();
}

} // namespace

TEST(UdevRule, WellFormedEarlyEnoughAndForTheReader) {
    const std::filesystem::path file = VEXO_UDEV_RULE;
    EXPECT_LT(std::stoi(file.filename().string()), 73);
    std::ifstream in(file);
    ASSERT_TRUE(in);
    std::vector<tRule> rules;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        tRule rule;
        ASSERT_TRUE(ParseRule(line, rule)) << line;
        rules.push_back(rule);
    }
    ASSERT_EQ(rules.size(), 2u);
    const tRule tty = {{"SUBSYSTEM", "==tty"},
                       {"ATTRS{idVendor}", "==0403"},
                       {"ATTRS{idProduct}", "==6015"},
                       {"TAG", "+=uaccess"}};
    const tRule latency = {{"SUBSYSTEM", "==usb-serial"},
                           {"DRIVER", "==ftdi_sio"},
                           {"ATTRS{idVendor}", "==0403"},
                           {"ATTRS{idProduct}", "==6015"},
                           {"ATTR{latency_timer}", "=1"}};
    EXPECT_EQ(rules[0], tty);
    EXPECT_EQ(rules[1], latency);
}
