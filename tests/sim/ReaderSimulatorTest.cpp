// The simulated reader as the program sees it: protocol object, EEPROM map, read steps and the
// database walk talk to it through its in-process serial port.
#include <gtest/gtest.h>

#include "SimInProcess.h"
#include "TestConfiguration.h"

namespace {

TSimScenario Demo() {
    return DefaultScenario();
}

// Entries come grouped by configuration; this finds one by its test and day.
const TMeasureSet& Entry(const std::vector<std::unique_ptr<TMeasureSet>>& entries, const std::string& test,
                         int month, int day) {
    for (const auto& e : entries)
        if (e->TestName == test && e->DateTime.Month == month && e->DateTime.MonthDay == day) return *e;
    ADD_FAILURE() << "no entry " << test << " " << month << "-" << day;
    return *entries.front();
}

std::vector<std::unique_ptr<TMeasureSet>> ReadAll(tInProcessReader& r, std::size_t* stored = nullptr) {
    std::vector<std::unique_ptr<TMeasureSet>> entries;
    std::size_t n = 0;
    EXPECT_TRUE(r.Client.Identify());
    EXPECT_TRUE(r.Client.ReadDatabase(entries, n));
    if (stored) *stored = n;
    return entries;
}

} // namespace

TEST(SimIdentify, DemoReaderAnswersWithItsIdentity) {
    tInProcessReader r(Demo());
    ASSERT_TRUE(r.Client.Identify());
    EXPECT_EQ(r.Client.Firmware.main, 3);
    EXPECT_EQ(r.Client.Firmware.sub, 2);
    EXPECT_EQ(r.Client.Firmware.revision, 418);
    EXPECT_EQ(r.Client.Firmware.variant, u'C');
    EXPECT_EQ(r.Client.Serial.zr4Serial, 20240815u);
    EXPECT_EQ(r.Client.Serial.customer, 17);
    EXPECT_EQ(r.Client.Serial.productionDate.ProductionYear(), 24);
    EXPECT_EQ(r.Client.Serial.productionDate.ProductionWeek(), 36);
    EXPECT_EQ(r.Client.Serial.subSerial, 1207);
    const TEEPROMMap& m = r.Client.Map;
    EXPECT_EQ(m.EEPROMVersion(), 6);
    EXPECT_EQ(m.NonVolatileData.LunderixSerialNumber, 20240815u);
    EXPECT_EQ(m.NonVolatileData.SerialNumber, 1207);
    EXPECT_TRUE(m.VolatileData.VexoCfgBits.ClockAvailable());
    EXPECT_TRUE(m.NonVolatileData.VexoCfgBits_0.StoresLineData());
    EXPECT_TRUE(m.NonVolatileData.VexoCfgBits_0.StoresImageData());
    EXPECT_TRUE(m.NonVolatileData.VexoCfgBits_0.TimerMeasureAllowed());
}

TEST(SimDatabase, DemoDatabaseDecodesIntoTheEntriesItDescribes) {
    tInProcessReader r(Demo());
    std::size_t stored = 0;
    auto entries = ReadAll(r, &stored);
    ASSERT_EQ(stored, 12u);
    ASSERT_EQ(entries.size(), 12u);
    // The rings were laid to wrap round their ends.
    const TEEPROMVolatile& v = r.Client.Map.VolatileData;
    EXPECT_LT(v.StoredTestResultWritePtr, v.StoredTestResultReadPtr);
    EXPECT_LT(v.StoredTestResultCfgWritePtr, v.StoredTestResultCfgReadPtr);

    // The oldest stored result comes first.
    const TMeasureSet& first = *entries[0];
    EXPECT_EQ(first.TestName, "CRP Quant");
    EXPECT_EQ(first.LotNr, "L24-0871");
    EXPECT_EQ(first.Distr_Manu, "Medilab Diagnostics");
    EXPECT_EQ(first.DateTime.MonthDay, 2);
    ASSERT_EQ(first.ResultList.size(), 1u);
    EXPECT_EQ(first.ResultList[0], (TResultSet{"Valid", "CRP", "<5", "mg/l", "normal"}));
    EXPECT_EQ(Entry(entries, "CRP Quant", 3, 3).ResultList[0],
              (TResultSet{"Valid", "CRP", "37.5", "mg/l", "elevated"}));

    const TMeasureSet& flu = Entry(entries, "Influenza A/B", 3, 3);
    ASSERT_EQ(flu.ResultList.size(), 2u);
    EXPECT_EQ(flu.ResultList[0], (TResultSet{"Valid", "Influenza A", "", "", "positive"}));
    EXPECT_EQ(flu.ResultList[1], (TResultSet{"Valid", "Influenza B", "", "", "negative"}));

    EXPECT_EQ(Entry(entries, "CRP Quant", 3, 4).ResultList[0],
              (TResultSet{"Invalid", "CRP", "FAIL", "mg/l", ""}));
    EXPECT_EQ(Entry(entries, "Influenza A/B", 4, 12).ResultList[0].Validity, "Vexo expired");
    EXPECT_EQ(Entry(entries, "Troponin I hs", 4, 16).ResultList[0],
              (TResultSet{"Valid", "cTnI", "31", "ng/l", "elevated"}));
    EXPECT_EQ(entries.back()->TestName, "Troponin I hs");

    // Line data and a line profile with its peaks where the lines are (62 and 62 + 70).
    EXPECT_EQ(first.MeasureResult.LineCount, 2);
    EXPECT_NEAR(first.MeasureResult.Results.Line[0].CenterPositionAbsolut, 62, 1);
    EXPECT_GT(first.OrigImage[62], first.OrigImage[20] + 1000);
    EXPECT_GT(first.OrigImage[132], first.OrigImage[100]);
    EXPECT_FALSE(first.ImgMax.empty());
}

// Every EEPROM version and memory window lays the same database where the program looks for it.
class SimDatabaseLayout : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(SimDatabaseLayout, SameEntriesForEveryVersionAndWindow) {
    tInProcessReader reference(Demo());
    auto expected = ReadAll(reference);

    TSimScenario s = Demo();
    s.EEPROMVersion = static_cast<std::uint8_t>(std::get<0>(GetParam()));
    if (std::get<1>(GetParam())) {
        s.VexoCfgBits |= SimBitExtendedMemory;
    } else {
        s.VexoCfgBits &= ~SimBitExtendedMemory;
    }
    tInProcessReader r(s);
    std::size_t stored = 0;
    auto entries = ReadAll(r, &stored);
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i]->TestName, expected[i]->TestName) << i;
        EXPECT_EQ(entries[i]->ResultList, expected[i]->ResultList) << i;
        EXPECT_EQ(entries[i]->MeasureResult.LineCount, expected[i]->MeasureResult.LineCount) << i;
        EXPECT_EQ(entries[i]->OrigImage, expected[i]->OrigImage) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, SimDatabaseLayout,
                         ::testing::Combine(::testing::Range(1, 7), ::testing::Bool()));

TEST(SimDatabase, AFullRingKeepsTheNewestResults) {
    TSimScenario s = Demo();
    s.ResultStop = static_cast<std::uint16_t>(s.ResultStart + 0x0900); // room for about five
    s.ResultReadOffset = 0x0800;
    tInProcessReader r(s);
    std::size_t stored = 0;
    auto entries = ReadAll(r, &stored);
    ASSERT_GT(stored, 0u);
    ASSERT_LT(stored, 12u);
    Entry(entries, "Troponin I hs", 4, 16);
}

struct tMemoryCase {
    const char* Name;
    bool Write;
    std::uint32_t Address;
    std::uint32_t Count;
    int Error;
};
void PrintTo(const tMemoryCase& c, std::ostream* os) {
    *os << c.Name;
}

class SimMemory : public ::testing::TestWithParam<tMemoryCase> {};

TEST_P(SimMemory, AnswersWithTheMemoryError) {
    const tMemoryCase& c = GetParam();
    TSimScenario s = Demo();
    s.RFIDPresent = false;
    tInProcessReader r(s);
    if (c.Write) {
        r.Client.Vexo.writeData(c.Address, tByteBuffer(c.Count, 0x11), true, false, 0, -1, false);
    } else {
        r.Client.Vexo.readData(c.Address, static_cast<std::int32_t>(c.Count));
    }
    ASSERT_TRUE(r.Client.RunUntil([&] { return !r.Client.Log.empty(); }, 1000));
    EXPECT_EQ(r.Client.LastComError, c.Error) << r.Client.Log[0];
}

INSTANTIATE_TEST_SUITE_P(Cases, SimMemory,
                         ::testing::Values(tMemoryCase{"nothing there", false, 0x60000, 4, 0x42},
                                           tMemoryCase{"past the EEPROM", false, 0x500F0, 32, 0x42},
                                           tMemoryCase{"past the result block", false, 0x20000 + 316, 1,
                                                       0x42},
                                           tMemoryCase{"no tag", false, 0x40000, 16, 0x42},
                                           tMemoryCase{"no bytes", false, 0x50000, 0, 0x43},
                                           tMemoryCase{"more than a frame", false, 0x30000, 16375, 0x04},
                                           tMemoryCase{"EEPROM", true, 0x50000, 4, 0x41},
                                           tMemoryCase{"storage", true, 0x30000, 4, 0x41},
                                           tMemoryCase{"last result", true, 0x20000, 4, 0x41},
                                           tMemoryCase{"past the configuration", true, 4090, 10, 0x44}),
                         [](const auto& info) {
                             std::string n = info.param.Name;
                             for (char& ch : n)
                                 if (ch == ' ') ch = '_';
                             return n;
                         });

TEST(SimMemory, WithoutExtendedMemoryTheResultWindowIsMissing) {
    TSimScenario s = Demo();
    s.VexoCfgBits &= ~SimBitExtendedMemory;
    tInProcessReader r(s);
    tByteBuffer b;
    EXPECT_FALSE(r.Client.ReadArea(0x80000, 16, b));
    EXPECT_EQ(r.Client.LastComError, 0x42);
}

TEST(SimMemory, LargeBlocksUpToTheFrameLimit) {
    tInProcessReader r(Demo());
    tByteBuffer whole, block;
    r.Client.Vexo.readData(0x30000, 16374);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("data") == 1; }, 1000));
    ASSERT_TRUE(r.Client.ReadArea(0x30000, 2000, block));
    EXPECT_EQ(r.Sim().Storage()[0], block[0]);
    EXPECT_EQ(block.size(), 2000u);
}

namespace {

// Writes a configuration into the reader's current one in packages of 768, as the program does.
void WriteConfiguration(tInProcessReader& r, const tByteBuffer& cfg) {
    std::uint32_t offset = 0;
    while (offset < cfg.size()) {
        std::uint32_t n = std::min<std::uint32_t>(static_cast<std::uint32_t>(cfg.size()) - offset, 768);
        std::size_t before = r.Client.Count("written");
        r.Client.Vexo.writeData(offset, cfg, offset + n == cfg.size(), false, offset,
                                static_cast<std::int32_t>(n), false);
        ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("written") > before; }, 1000));
        offset += n;
    }
}

} // namespace

TEST(SimMeasurement, ARunPromptsStoresAndAcknowledges) {
    TSimScenario s = Demo();
    s.ButtonDelayMs = 800;
    tInProcessReader r(s);
    tByteBuffer cfg = BuildSimConfig(s.Configurations["TnI"]);
    WriteConfiguration(r, cfg);
    tByteBuffer back;
    ASSERT_TRUE(r.Client.ReadArea(0, static_cast<std::uint32_t>(cfg.size()), back));
    EXPECT_EQ(back, cfg);

    r.Sim().SetNextValues({55.0f});
    r.Client.Log.clear();
    r.Client.Vexo.evaluate(false, false);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("ack") == 1; }, 20000));
    EXPECT_EQ(r.Client.Log, (std::vector<std::string>{"white", "test", "running", "ack"}));

    tByteBuffer block;
    ASSERT_TRUE(r.Client.ReadArea(0x20000, 316, block));
    TResult result;
    result.FromByteBuffer(block, 6);
    EXPECT_EQ(result.ResultValue[0], 55.0f);
    EXPECT_EQ(result.TestInvalid.Data, 0);
    EXPECT_EQ(result.MeasurementDate.Month, 5);
    EXPECT_EQ(result.MeasurementDate.MonthDay, 20);
    EXPECT_EQ(result.MeasurementDate.Hour, 10);
    EXPECT_NEAR(result.Line[0].CenterPositionAbsolut, 80, 1);

    // The line image: one 16-bit line of the width announced, peaks at 80 and 170.
    r.Client.Vexo.getImage(1, true, true);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("image start") == 1; }, 1000));
    EXPECT_EQ(r.Client.ImageWidth, 240);
    r.Client.Vexo.getImageNext(0, 0, false);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("image data") == 1; }, 1000));
    EXPECT_EQ(r.Client.ImageColorMode, icmGRAY_16);
    ASSERT_EQ(r.Client.ImageData.size(), 480u);
    auto at = [&](int x) { return r.Client.ImageData[2 * x] | (r.Client.ImageData[2 * x + 1] << 8); };
    // 12-bit values, as the program's image rule takes them.
    EXPECT_GT(at(80), at(40) + 1000);
    EXPECT_GT(at(170), at(130));
    for (int x = 0; x < 240; ++x) EXPECT_LE(at(x), 4095) << x;
    r.Client.Vexo.getImageNext(0, 0, true);
    r.Client.RunFor(200);
    EXPECT_EQ(r.Client.Count("image data"), 1u);

    // The next database read holds the new measurement.
    std::size_t stored = 0;
    auto entries = ReadAll(r, &stored);
    ASSERT_EQ(entries.size(), 13u);
    const TMeasureSet& added = Entry(entries, "Troponin I hs", 5, 20);
    EXPECT_EQ(added.ResultList[0].ResultValue, "55");
}

TEST(SimMeasurement, TimerRunCountsDownAndAnExpiredLotIsMarked) {
    TSimScenario s = Demo();
    s.Current = "FluAB"; // its lot expired before the reader's clock
    s.TimerSecondsOverride = 3;
    tInProcessReader r(s);
    r.Client.Vexo.evaluate(false, true);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("ack") == 1; }, 30000));
    EXPECT_EQ(r.Client.ShowTimer, (std::vector<std::uint16_t>{3, 2, 1}));
    EXPECT_EQ(r.Client.Log,
              (std::vector<std::string>{"white", "test", "timer", "timer", "timer", "running", "ack"}));
    tByteBuffer block;
    ASSERT_TRUE(r.Client.ReadArea(0x20000, 316, block));
    TResult result;
    result.FromByteBuffer(block, 6);
    EXPECT_TRUE(result.TestInvalid.Expired());
}

TEST(SimMeasurement, RefusedWithoutUsableConfigurationAndAbortable) {
    TSimScenario s = Demo();
    s.Current.clear();
    tInProcessReader empty(s);
    empty.Client.Vexo.evaluate(false, false);
    ASSERT_TRUE(empty.Client.RunUntil([&] { return empty.Client.LastVexoError >= 0; }, 1000));
    EXPECT_EQ(empty.Client.LastVexoError, 0x1A);

    tInProcessReader r(Demo());
    r.Client.Vexo.evaluate(false, false);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("white") == 1; }, 1000));
    r.Client.Vexo.abortEvaluation();
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.LastVexoError >= 0; }, 1000));
    EXPECT_EQ(r.Client.LastVexoError, 0x1D);
    r.Client.RunFor(10000);
    EXPECT_EQ(r.Client.Count("ack"), 0u);
    EXPECT_EQ(r.Sim().StoredResultCount(), 12u);
}

TEST(SimMeasurement, RFIDTagAfterTheFirstFailedTries) {
    tInProcessReader r(Demo());
    r.Sim().SetRFIDErrors(2, 0x30);
    for (int i = 0; i < 3; ++i) {
        std::size_t before = r.Client.Log.size();
        r.Client.Vexo.evaluate(true, false);
        ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Log.size() > before; }, 1000));
    }
    EXPECT_EQ(r.Client.Log, (std::vector<std::string>{"rfid 48", "rfid 48", "rfid 0"}));
    tByteBuffer tag;
    ASSERT_TRUE(r.Client.ReadArea(0x40000, static_cast<std::uint32_t>(r.Client.RFIDSize), tag));
    TTestConfig cfg;
    ASSERT_EQ(ParseTestConfig(cfg, tag, false), CfgParseOk);
    EXPECT_EQ(cfg.ReadStringData(cfg.OemSection.PtrTestName), "Troponin I hs");
    EXPECT_EQ(r.Client.RFIDData,
              tByteBuffer(tag.begin(), tag.begin() + std::min<std::size_t>(tag.size(), 255)));

    TSimScenario s = Demo();
    s.RFIDPresent = false;
    tInProcessReader none(s);
    none.Client.Vexo.evaluate(true, false);
    ASSERT_TRUE(none.Client.RunUntil([&] { return none.Client.RFIDError >= 0; }, 1000));
    EXPECT_EQ(none.Client.RFIDError, 0x38);
}

TEST(SimDatabase, FormatEmptiesTheRingsAndResetsThePointers) {
    tInProcessReader r(Demo());
    r.Client.Vexo.FormatDB(false);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("ack") == 1; }, 1000));
    std::size_t stored = 99;
    auto entries = ReadAll(r, &stored);
    EXPECT_EQ(stored, 0u);
    const TEEPROMVolatile& v = r.Client.Map.VolatileData;
    EXPECT_EQ(v.StoredTestResultReadPtr, v.StoredTestResultStart);
    EXPECT_EQ(v.StoredTestResultWritePtr, v.StoredTestResultStart);
    EXPECT_EQ(v.StoredTestResultCfgReadPtr, v.StoredTestResultCfgStart);
    tByteBuffer configs;
    ASSERT_TRUE(r.Client.ReadArea(0x30000, 1, configs));
    EXPECT_EQ(configs[0], 5); // stored configurations stay

    std::size_t acks = r.Client.Count("ack");
    r.Client.Vexo.FormatDB(true);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("ack") == acks + 1; }, 1000));
    ASSERT_TRUE(r.Client.ReadArea(0x30000, 1, configs));
    EXPECT_EQ(configs[0], 0xFF);
}

TEST(SimClock, RunsOnTheCallersTimeAndCanBeSet) {
    TSimScenario s = Demo();
    s.ClockOffsetSeconds = 3600;
    tInProcessReader r(s, EncodeDateTime(2026, 5, 20, 10, 0, 0));
    r.Client.RunFor(2500);
    r.Client.Vexo.getDateTime();
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("datetime") == 1; }, 1000));
    EXPECT_TRUE(r.Client.DateValid);
    EXPECT_EQ(DecodeDateTime(r.Client.DateTime), (TDateTimeFields{2026, 5, 20, 11, 0, 2, 0}));

    r.Client.Vexo.setDateTime(EncodeDateTime(2019, 3, 7, 14, 5, 9));
    r.Client.RunFor(1000);
    r.Client.Vexo.getDateTime();
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("datetime") == 2; }, 1000));
    EXPECT_EQ(DecodeDateTime(r.Client.DateTime), (TDateTimeFields{2019, 3, 7, 14, 5, 10, 0}));

    r.Sim().SetClockInvalid(true);
    r.Client.Vexo.getDateTime();
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("datetime") == 3; }, 1000));
    EXPECT_FALSE(r.Client.DateValid);
}

TEST(SimCommands, PlainCommandsAreAcknowledgedAndRemembered) {
    tInProcessReader r(Demo());
    ReaderSimulator& sim = r.Sim();
    r.Client.Vexo.setButtonControl(true);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("ack") == 1; }, 1000));
    EXPECT_TRUE(sim.ButtonDisabled());
    r.Client.Vexo.sendToLCD("Hello Vexo");
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("written") == 1; }, 1000));
    EXPECT_EQ(sim.LCDText(), "Hello Vexo");
    r.Client.Vexo.runBootloader();
    r.Client.Vexo.resetVexo();
    r.Client.Vexo.getRFIDState();
    r.Client.Vexo.capture(100, 2, true, false, true, true, false);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("ack") == 4; }, 1000));
    EXPECT_EQ(r.Client.RFIDError, 0);
    EXPECT_GT(r.Client.RFIDSize, 0);
    EXPECT_FALSE(sim.InBootloader()); // the reset brought it back
    // A command the reader does not know.
    const std::uint8_t unknown[] = {0xFE, 0x20, 0x99, 0x20 ^ 0x99};
    r.Port.Write(unknown, sizeof unknown);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.LastComError >= 0; }, 1000));
    EXPECT_EQ(r.Client.LastComError, 0x02);
}

namespace {

// Names of the configurations stored in the reader, walked as the program walks them.
std::vector<std::string> StoredNames(tInProcessReader& r) {
    const TEEPROMVolatile& v = r.Client.Map.VolatileData;
    tByteBuffer area;
    EXPECT_TRUE(r.Client.ReadArea(0x30000, v.StoredConfigurationStop - v.StoredConfigurationStart, area));
    std::vector<std::string> names;
    std::uint32_t at = 0;
    while (at + 3 < area.size() && area[at] > 1 && area[at] < 255) {
        std::uint32_t c = at + 1;
        std::uint16_t size = BufReadWord(area, c);
        TTestConfig cfg;
        tByteBuffer form(area.begin() + at, area.begin() + std::min<std::size_t>(at + size, area.size()));
        if (size < 3 || ParseTestConfig(cfg, form, false) != CfgParseOk) break;
        names.push_back(cfg.ReadStringData(cfg.OemSection.PtrTestName));
        at += size;
    }
    return names;
}

} // namespace

TEST(SimCommands, StoredConfigurationsAndOneKeptPermanently) {
    tInProcessReader r(Demo());
    std::vector<std::unique_ptr<TMeasureSet>> entries;
    std::size_t stored = 0;
    ASSERT_TRUE(r.Client.Identify());
    ASSERT_TRUE(r.Client.ReadDatabase(entries, stored));
    EXPECT_EQ(StoredNames(r), (std::vector<std::string>{"CRP Quant", "Influenza A/B", "Troponin I hs"}));

    TSimConfig extra = r.Sim().Scenario().Configurations.at("CRP");
    extra.TestName = "CRP Quant II";
    tByteBuffer form = BuildSimConfig(extra);
    r.Client.Vexo.writeData(0, form, true, false, 0, -1, true);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("written") == 1; }, 1000));
    EXPECT_EQ(StoredNames(r).back(), "CRP Quant II");
}

TEST(SimCommands, ShutdownSwitchesTheReaderOff) {
    tInProcessReader r(Demo());
    // The same text inside a frame is only text.
    r.Client.Vexo.sendToLCD("shutdown\r");
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.Count("written") == 1; }, 1000));
    EXPECT_TRUE(r.Sim().SwitchedOn());
    r.Client.Vexo.sendString("shutdown\r");
    r.Client.Vexo.getAcknowledge();
    r.Client.RunFor(1000);
    EXPECT_FALSE(r.Sim().SwitchedOn());
    EXPECT_EQ(r.Client.Count("ack"), 0u);
    tSerialQueueStatus q;
    ASSERT_TRUE(r.Port.GetQueueStatus(q));
    EXPECT_TRUE(q.Errors & SERIAL_ERR_HANGUP);
}

TEST(SimPort, OneProgramAtATimeAndOnlyItsName) {
    auto device = std::make_shared<TSimDevice>(Demo());
    TSimSerialPort a(device, "sim"), b(device, "sim");
    EXPECT_EQ(a.Open("other"), SERIAL_ERROR_NO_SUCH_DEVICE);
    EXPECT_EQ(a.Open("sim"), 0u);
    EXPECT_EQ(b.Open("sim"), SERIAL_ERROR_IN_USE);
    a.Close();
    EXPECT_EQ(b.Open("sim"), 0u);
    auto factory = SimSerialPortFactory(device, "sim");
    EXPECT_EQ(factory()->Open("sim"), SERIAL_ERROR_IN_USE);
}

TEST(SimCommands, NoImageBeforeTheFirstMeasurement) {
    TSimScenario s = Demo();
    s.Database.clear();
    tInProcessReader r(s);
    r.Client.Vexo.getImage(1, true, true);
    ASSERT_TRUE(r.Client.RunUntil([&] { return r.Client.LastComError >= 0; }, 1000));
    EXPECT_EQ(r.Client.LastComError, 0x30);
    tByteBuffer block;
    ASSERT_TRUE(r.Client.ReadArea(0x20000, 316, block));
    EXPECT_EQ(block, tByteBuffer(316, 0));
}
