// Misbehaviour on request, as the program meets it: from C++ and from a scenario file.
#include <gtest/gtest.h>

#include "SimInProcess.h"

namespace {

struct tBehaviourCase {
    const char* Name;
    TSimBehaviour Rule;
    // After sending three acknowledge requests 100 ms apart and waiting: what the program saw.
    std::vector<std::string> Log;
};
void PrintTo(const tBehaviourCase& c, std::ostream* os) {
    *os << c.Name;
}

TSimBehaviour Rule(int command, std::uint32_t nth, auto set) {
    TSimBehaviour b;
    b.Command = command;
    b.Nth = nth;
    set(b);
    return b;
}

} // namespace

class SimBehaviour : public ::testing::TestWithParam<tBehaviourCase> {};

TEST_P(SimBehaviour, TheProgramSeesIt) {
    tInProcessReader r(DefaultScenario());
    r.Sim().AddBehaviour(GetParam().Rule);
    for (int i = 0; i < 3; ++i) {
        r.Client.Vexo.getAcknowledge();
        r.Client.RunFor(100);
    }
    r.Client.RunFor(3000);
    EXPECT_EQ(r.Client.Log, GetParam().Log);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SimBehaviour,
    ::testing::Values(
        tBehaviourCase{"none", Rule(-1, 0, [](auto&) {}), {"ack", "ack", "ack"}},
        tBehaviourCase{"no_answer", Rule(0xAA, 0, [](auto& b) { b.NoAnswer = true; }), {}},
        tBehaviourCase{
            "second_not_answered", Rule(0xAA, 2, [](auto& b) { b.NoAnswer = true; }), {"ack", "ack"}},
        tBehaviourCase{
            "busy_first", Rule(0xAA, 1, [](auto& b) { b.BusyMs = 50; }), {"busy", "ack", "ack", "ack"}},
        tBehaviourCase{"communication_error",
                       Rule(0xAA, 3, [](auto& b) { b.ComError = 0x06; }),
                       {"ack", "ack", "comerr 6"}},
        tBehaviourCase{
            "reader_error", Rule(-1, 2, [](auto& b) { b.VexoError = 0x11; }), {"ack", "vexoerr 17", "ack"}},
        tBehaviourCase{
            "noise_between_frames", Rule(0xAA, 0, [](auto& b) { b.NoiseBytes = 40; }), {"ack", "ack", "ack"}},
        tBehaviourCase{"wrong_checksum_first",
                       Rule(0xAA, 0, [](auto& b) { b.BadChecksumFirst = true; }),
                       {"ack", "ack", "ack"}},
        tBehaviourCase{
            "other_command_only", Rule(0x52, 0, [](auto& b) { b.NoAnswer = true; }), {"ack", "ack", "ack"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SimBehaviourTiming, LateAndBusyAnswersComeWhenTheirTimeHasCome) {
    tInProcessReader r(DefaultScenario());
    TSimBehaviour late;
    late.Command = 0xAA;
    late.LateMs = 300;
    r.Sim().AddBehaviour(late);
    r.Client.Vexo.getAcknowledge();
    r.Client.RunFor(290);
    EXPECT_TRUE(r.Client.Log.empty());
    r.Client.RunFor(20);
    EXPECT_EQ(r.Client.Log, (std::vector<std::string>{"ack"}));

    tInProcessReader busy(DefaultScenario());
    TSimBehaviour b;
    b.BusyMs = 2000;
    busy.Sim().AddBehaviour(b);
    busy.Client.Vexo.getSerial();
    busy.Client.RunFor(1900);
    EXPECT_EQ(busy.Client.Log, (std::vector<std::string>{"busy"}));
    busy.Client.RunFor(200);
    EXPECT_EQ(busy.Client.Log, (std::vector<std::string>{"busy", "serial"}));
}

TEST(SimBehaviourTiming, AnswersArePacedAtTheBaudRate) {
    TSimScenario s = DefaultScenario();
    s.Baud = 9600; // 960 bytes a second
    tInProcessReader r(s);
    r.Client.Vexo.readData(0x30000, 768);
    // 778 frame bytes and a few doubled FE: a little over 810 ms.
    r.Client.RunFor(780);
    EXPECT_EQ(r.Client.Count("data"), 0u);
    tSerialQueueStatus q;
    r.Port.GetQueueStatus(q);
    EXPECT_GT(q.InQueue, 0u); // bytes trickle in
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("data") == 1; }, 400));
}

TEST(SimBehaviourTiming, RulesComeFromScenarioFilesToo) {
    std::string json = R"({
      "eepromVersion": 6,
      "features": {"clockAvailable": true},
      "behaviour": {
        "baud": 0,
        "rfidErrors": {"count": 1, "code": "0x31"},
        "rules": [ {"command": "readData", "nth": 1, "comError": "0x42"},
                   {"command": "acknowledge", "lateMs": 200} ]
      }
    })";
    TSimScenario s;
    std::string error;
    ASSERT_TRUE(ScenarioFromJson(json, s, error)) << error;
    tInProcessReader r(s);
    r.Client.Vexo.readData(0x50000, 4);
    r.Client.Vexo.readData(0x50000, 4);
    r.Client.Vexo.getAcknowledge();
    r.Client.Vexo.evaluate(true, false);
    r.Client.RunFor(100);
    EXPECT_EQ(r.Client.Log, (std::vector<std::string>{"comerr 66", "data"}));
    r.Client.RunFor(300);
    EXPECT_EQ(r.Client.Log, (std::vector<std::string>{"comerr 66", "data", "ack", "rfid 49"}));
}
