// Scenario files: what is saved loads back the same, every shipped file loads, and a bad file
// is refused with a message that names the problem.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ReaderSimulator.h"
#include "SimScenario.h"

TEST(SimScenario, DemoRoundTripsThroughJson) {
    TSimScenario demo = DefaultScenario();
    demo.Behaviours.push_back({0x52, 3, false, 100, 0, -1, 0x12, 1, 5, true});
    demo.Database[0].Seed = 99;
    std::string text = ScenarioToJson(demo);
    TSimScenario back;
    std::string error;
    ASSERT_TRUE(ScenarioFromJson(text, back, error)) << error;
    EXPECT_EQ(back, demo);
    EXPECT_EQ(ScenarioToJson(back), text);
}

TEST(SimScenario, DemoFileIsTheBuiltInDemo) {
    TSimScenario s;
    std::string error;
    ASSERT_TRUE(LoadScenarioFile(std::string(VEXO_SIM_SCENARIO_DIR) + "/demo.json", s, error)) << error;
    EXPECT_EQ(s, DefaultScenario());
}

TEST(SimScenario, ShippedFilesLoad) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VEXO_SIM_SCENARIO_DIR)) {
        if (entry.path().extension() != ".json") continue;
        TSimScenario s;
        std::string error;
        EXPECT_TRUE(LoadScenarioFile(entry.path().string(), s, error)) << error;
        ++files;
    }
    EXPECT_GE(files, 3u);
}

struct tBadScenario {
    const char* Name;
    const char* Json;
    const char* Message;
};
void PrintTo(const tBadScenario& c, std::ostream* os) {
    *os << c.Name;
}

class SimBadScenario : public ::testing::TestWithParam<tBadScenario> {};

TEST_P(SimBadScenario, IsRefusedWithAClearMessage) {
    TSimScenario s = DefaultScenario();
    TSimScenario before = s;
    std::string error;
    EXPECT_FALSE(ScenarioFromJson(GetParam().Json, s, error));
    EXPECT_NE(error.find(GetParam().Message), std::string::npos) << error;
    EXPECT_EQ(s, before); // nothing changed
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimBadScenario,
    ::testing::Values(
        tBadScenario{"not_json", "{eepromVersion: 6", "not a JSON text"},
        tBadScenario{"version", R"({"eepromVersion": 7})", "eepromVersion: 7 is outside 1..6"},
        tBadScenario{"typo", R"({"eepromversion": 6})", "unknown key \"eepromversion\""},
        tBadScenario{"feature", R"({"features": {"clock": true}})", "features: unknown key \"clock\""},
        tBadScenario{"missing_configuration", R"({"current": "CRP"})", "no configuration is named \"CRP\""},
        tBadScenario{"date", R"({"configurations": {"a": {"expiry": "2026-02-30"}}})", "is no real date"},
        tBadScenario{"hex", R"({"configurations": {"a": {"hex": "0g"}}})", "no hexadecimal digit"},
        tBadScenario{"overlap", R"({"storage": {"resultCfgStart": 100}})", "areas overlap"},
        tBadScenario{"read_offset", R"({"storage": {"resultReadOffset": 65000}})",
                     "read offset lies outside"},
        tBadScenario{"rule", R"({"behaviour": {"rules": [{"command": "dance"}]}})", "command code"},
        tBadScenario{"too_many_lines",
                     R"({"configurations": {"a": {"lines": [{},{},{},{},{},{},{},{},{},{},{}]}}})",
                     "at most 10 lines"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SimScenario, MissingFileIsNamed) {
    TSimScenario s;
    std::string error;
    EXPECT_FALSE(LoadScenarioFile("/nonexistent/reader.json", s, error));
    EXPECT_NE(error.find("/nonexistent/reader.json"), std::string::npos);
}

TEST(SimScenario, TheReaderRefusesAnInconsistentScenario) {
    TSimScenario s = DefaultScenario();
    s.ResultStop = static_cast<std::uint16_t>(s.ResultStart - 1);
    EXPECT_THROW(ReaderSimulator(s, EncodeDateTime(2026, 1, 1)), std::invalid_argument);
}
