#include "RecordEncoder.h"
#include "TestResults.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fixture::EncodeCfgRecord;
using fixture::EncodeResultRecord;
using fixture::Rec;
using fixture::ResultRecord;

struct Area {
    std::uint16_t start;
    std::uint16_t size;
    std::uint16_t readOffset;
};

TEEPROMMap MakeMap(std::uint8_t v, std::uint32_t bits0, Area cfg, Area res) {
    TEEPROMMap map;
    map.NonVolatileData.EEPROMVersion = v;
    map.NonVolatileData.ProductionYear = 19;
    map.NonVolatileData.ProductionWeek = 32;
    map.NonVolatileData.SerialNumber = 42;
    map.NonVolatileData.VexoCfgBits_0.Data = bits0;
    TEEPROMVolatile& vol = map.VolatileData;
    vol.StoredTestResultCfgStart = cfg.start;
    vol.StoredTestResultCfgStop = static_cast<std::uint16_t>(cfg.start + cfg.size - 1);
    vol.StoredTestResultCfgReadPtr = static_cast<std::uint16_t>(cfg.start + cfg.readOffset);
    vol.StoredTestResultStart = res.start;
    vol.StoredTestResultStop = static_cast<std::uint16_t>(res.start + res.size - 1);
    vol.StoredTestResultReadPtr = static_cast<std::uint16_t>(res.start + res.readOffset);
    return map;
}

TDateData Date(std::uint8_t day, std::uint8_t hour, std::uint8_t minute, std::uint8_t second) {
    TDateData d;
    EncodeDateData(d, 19, 8, day, hour, minute, second);
    return d;
}

// A stored configuration: names from position 6 on, results with the given names.
TTestConfig StoredConfig(UUniqueTestID id, const std::string& name, std::vector<std::string> results) {
    TTestConfig cfg;
    cfg.TestID = id;
    std::uint16_t pos = 6;
    auto add = [&](const std::string& s) {
        std::uint16_t at = pos;
        pos = cfg.AddStrPtrToCfg(s, pos) + 1;
        return at;
    };
    cfg.OemSection.PtrTestName = add(name);
    cfg.OemSection.PtrLotNr = add("LOT 7");
    cfg.OemSection.PtrDistributorManufacturer = add("ACME");
    cfg.CaptureSection.ResultClassCnt.SetResultCount(static_cast<std::uint8_t>(results.size()));
    for (std::size_t i = 0; i < results.size() && i < MaxTestResults; ++i) {
        cfg.ResultSection[i].PtrResultName = add(results[i]);
        cfg.ResultSection[i].PtrUnitName = add("mg/l");
    }
    return cfg;
}

// The measurement list as the main window keeps it.
struct List {
    std::vector<std::unique_ptr<TMeasureSet>> entries;
    EJoinDecision decision = jdAdd;
    int clears = 0, asks = 0;
    TMeasureListAccess Access() {
        TMeasureListAccess a;
        a.JoinDecision = [this] {
            ++asks;
            return decision;
        };
        a.Clear = [this] {
            ++clears;
            entries.clear();
        };
        a.IsPresent = [this](const std::string& id) {
            for (const auto& e : entries)
                if (e->TestID == id) return true;
            return false;
        };
        a.Add = [this](std::unique_ptr<TMeasureSet> e) { entries.push_back(std::move(e)); };
        return a;
    }
};

struct Database {
    TEEPROMMap map;
    tByteBuffer cfgArea, resArea;
    std::vector<TVexoResultData> resultList;
    TDecodeDatabaseResult Decode(List& list) {
        TDefaultTextSource texts;
        tByteBuffer cfg = cfgArea, res = resArea;
        return DecodeDatabase(cfg, res, map, resultList, list.Access(), texts);
    }
};

TEST(RotateArea, OldestRecordComesFirst) {
    struct Case {
        tByteBuffer before;
        std::uint32_t offset;
        tByteBuffer after;
    };
    const Case cases[] = {
        {{1, 2, 3, 4, 5}, 0, {1, 2, 3, 4, 5}},
        {{1, 2, 3, 4, 5}, 2, {3, 4, 5, 1, 2}},
        {{1, 2, 3, 4, 5}, 4, {5, 1, 2, 3, 4}},
        {{1, 2, 3, 4, 5}, 7, {3, 4, 5, 1, 2}},          // an offset past the end counts modulo the length
        {{1, 2, 3, 4, 5}, 0xFFFFFFFF, {1, 2, 3, 4, 5}}, // 2^32 - 1 = 0 modulo 5
        {{}, 3, {}},
    };
    for (Case c : cases) {
        RotateArea(c.before, c.offset);
        EXPECT_EQ(c.before, c.after) << c.offset;
    }
}

class DecodeByVersion : public testing::TestWithParam<std::uint8_t> {};

TEST_P(DecodeByVersion, WrappedRingsBecomeEntries) {
    const std::uint8_t v = GetParam();
    Database db;
    db.map = MakeMap(v, 0, {0x0100, 300, 250}, {0x0400, 128, 100});

    TTestConfig a = StoredConfig({12, 3, 1, 7}, "Troponin I high sensitivity", {"CRP", "IL6"});
    a.ResultSection[1].SetClassRange(0, 2);
    a.CaptureSection.ResultClassCnt.SetClassCount(2);
    a.ClassSection[0] = {1.0f, a.OemSection.PtrLotNr};
    a.ClassSection[1] = {5.0f, a.OemSection.PtrDistributorManufacturer};
    a.ResultSection[1].Flags = 2; // classes, no number
    TTestConfig b = StoredConfig({5, 0, 0, 1}, "Flu", {"A"});

    db.cfgArea.assign(300, 0xFF);
    // Configuration A straddles the area's end.
    fixture::PlaceAll(db.cfgArea, 250, {EncodeCfgRecord(v, 1, a, 0xCAFE), EncodeCfgRecord(v, 2, b)});

    db.resArea.assign(128, 0xFF);
    ResultRecord r1 = Rec(1, Date(15, 10, 20, 30), 0x00, 3100, 21.456f, 7, {5.47f, 3.2f});
    ResultRecord r2 = Rec(2, Date(15, 11, 0, 0), 0x40, 3000, -2.5f, 8, {12.3f});
    ResultRecord r3 = Rec(1, Date(16, 9, 0, 1), 0x80, 2900, 20.0f, 9, {0.29f, 0.5f});
    fixture::PlaceAll(db.resArea, 100,
                      {EncodeResultRecord(v, r1), EncodeResultRecord(v, r2), EncodeResultRecord(v, r3)});

    List list;
    TDecodeDatabaseResult out = db.Decode(list);
    EXPECT_FALSE(out.Cancelled);
    EXPECT_EQ(out.StoredResults, 3u);
    EXPECT_EQ(out.Added, 3u);
    ASSERT_EQ(db.resultList.size(), 2u);
    EXPECT_EQ(db.resultList[0].ResultCfg.CRC, v >= 6 ? 0xCAFEu : 0u);
    ASSERT_EQ(db.resultList[0].Results.size(), 2u);
    EXPECT_EQ(db.resultList[0].Results[1].VexoResultList.MeasureID, v >= 6 ? 9 : 0);

    // Entries follow the configurations, each with its results in ring order.
    ASSERT_EQ(list.entries.size(), 3u);
    const TMeasureSet& e1 = *list.entries[0];
    EXPECT_EQ(e1.TestID, "12 3 1 7 1932 0042 252318750");
    EXPECT_EQ(e1.TestName, "Troponin I high sensitivity");
    EXPECT_EQ(e1.LotNr, "LOT 7");
    EXPECT_EQ(e1.Distr_Manu, "ACME");
    EXPECT_EQ(e1.DateTime, r1.date);
    EXPECT_EQ(e1.Voltage, "3100");
    EXPECT_EQ(e1.Temperature, "21.46");
    ASSERT_EQ(e1.ResultList.size(), 2u);
    EXPECT_EQ(e1.ResultList[0], (TResultSet{"Valid", "CRP", "5.4", "mg/l", ""}));
    EXPECT_EQ(e1.ResultList[1], (TResultSet{"Valid", "IL6", "", "mg/l", "ACME"}));

    const TMeasureSet& e3 = *list.entries[1];
    EXPECT_EQ(e3.DateTime, r3.date);
    EXPECT_EQ(e3.ResultList[0], (TResultSet{"Invalid", "CRP", "FAIL", "mg/l", ""}));

    const TMeasureSet& e2 = *list.entries[2];
    EXPECT_EQ(e2.TestID.substr(0, 9), "5 0 0 1 1");
    EXPECT_EQ(e2.Temperature, "-2.50");
    ASSERT_EQ(e2.ResultList.size(), 1u);
    EXPECT_EQ(e2.ResultList[0], (TResultSet{"Vexo expired", "A", "12", "mg/l", ""}));
    EXPECT_EQ(e2.MeasureResult.LineCount, 0);
    EXPECT_TRUE(e2.ImageData.empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, DecodeByVersion, testing::Values(2, 5, 6));

TEST(DecodeDatabase, ConfigurationRingExample) {
    // Four records of 20 bytes at 40, 60, 80 and 0 of a 100-byte ring; free bytes from 20 on.
    Database db;
    db.map = MakeMap(5, 0, {0, 100, 40}, {0, 16, 0});
    db.cfgArea.assign(100, 0xFF);
    for (int i = 0; i < 4; ++i) {
        TTestConfig cfg;
        cfg.TestID.TestNu = static_cast<std::uint16_t>(i + 1);
        cfg.CaptureSection.StringSize = 1; // 19 header bytes + 1 string byte
        fixture::Place(db.cfgArea, (40 + 20 * i) % 100,
                       EncodeCfgRecord(5, static_cast<std::uint8_t>(i + 1), cfg));
    }
    tByteBuffer cfg = db.cfgArea;
    RotateArea(cfg, 40);
    std::vector<TVexoResultData> list = ReadResultConfigurations(cfg, db.map);
    ASSERT_EQ(list.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i].ResultCfg.ID, i + 1);
        EXPECT_EQ(list[i].TestCfg.TestID.TestNu, i + 1);
        EXPECT_EQ(list[i].ResultCfg.Size, 20);
    }
    // Read pointer at Start: no reordering, the walk starts at 0 and finds record 4 first.
    db.map.VolatileData.StoredTestResultCfgReadPtr = 0;
    db.resArea.assign(16, 0xFF);
    List entries;
    db.Decode(entries);
    ASSERT_EQ(db.resultList.size(), 1u);
    EXPECT_EQ(db.resultList[0].ResultCfg.ID, 4);
}

TEST(DecodeDatabase, HeaderRunningPastTheAreaEndContinuesAtItsStart) {
    // A 40-byte area: record 1 at 0 (30 bytes), record 2's header at 30 runs on at 0.
    TEEPROMMap map = MakeMap(5, 0, {0x0200, 40, 0}, {0, 16, 0});
    TTestConfig first;
    first.CaptureSection.StringSize = 11;
    tByteBuffer area(40, 0);
    fixture::Place(area, 0, EncodeCfgRecord(5, 7, first));
    TTestConfig second;
    second.TestID = {0x1111, 0x2222, 0x3333, 0x4444};
    second.CaptureSection.StringSize = 0;
    tByteBuffer rec = EncodeCfgRecord(5, 9, second);
    for (std::size_t k = 0; k < 10; ++k) area[30 + k] = rec[k];
    std::vector<TVexoResultData> list = ReadResultConfigurations(area, map);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].ResultCfg.ID, 9);
    EXPECT_EQ(list[1].ResultCfg.TestID.TestType, 0x3333);
    // The high byte of TestNu and what follows come from offset 0 on: record 1's ID and Size.
    EXPECT_EQ(list[1].ResultCfg.TestID.TestNu, 0x0744);
    EXPECT_EQ(list[1].ResultCfg.PtrTestName, 30);
}

TEST(DecodeDatabase, DuplicatesAndRereading) {
    Database db;
    db.map = MakeMap(5, 0, {0, 200, 0}, {0x1000, 200, 0});
    db.cfgArea.assign(200, 0xFF);
    fixture::Place(db.cfgArea, 0, EncodeCfgRecord(5, 1, StoredConfig({1, 2, 3, 4}, "T", {"R"})));
    db.resArea.assign(200, 0xFF);
    ResultRecord r = Rec(1, Date(1, 2, 3, 4), 0, 3000, 20.0f, 0, {1.0f});
    ResultRecord later = r;
    later.date.Seconds = 5;
    fixture::PlaceAll(db.resArea, 0,
                      {EncodeResultRecord(5, r), EncodeResultRecord(5, r), EncodeResultRecord(5, later)});

    List list;
    TDecodeDatabaseResult out = db.Decode(list);
    EXPECT_EQ(out.StoredResults, 3u);
    EXPECT_EQ(out.Added, 2u) << "the same test at the same second is one entry";
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0]->DateTime, r.date);

    out = db.Decode(list);
    EXPECT_EQ(out.StoredResults, 3u);
    EXPECT_EQ(out.Added, 0u);
    EXPECT_EQ(list.entries.size(), 2u);
}

TEST(DecodeDatabase, RecordsThatAreSkippedDroppedOrEndTheWalk) {
    TTestConfig cfg = StoredConfig({1, 1, 1, 1}, "T", {"R"});
    struct Case {
        const char* name;
        std::vector<ResultRecord> records;
        std::vector<float> values; // of the entries made
    };
    auto rec = [](std::uint8_t id, float value, int size = -1) {
        ResultRecord r = Rec(id, Date(1, 1, 1, static_cast<std::uint8_t>(value)), 0, 3000, 20.0f, 0, {value});
        r.sizeOverride = size;
        return r;
    };
    const Case cases[] = {
        {"ID 0 is skipped", {rec(0, 1, 30), rec(1, 2)}, {2}},
        {"an unknown ID is dropped", {rec(9, 1), rec(1, 2)}, {2}},
        {"Size 0 ends the walk", {rec(1, 1), rec(1, 2, 0), rec(1, 3)}, {1}},
        {"Size below the header ends the walk", {rec(1, 1), rec(0, 2, 15), rec(1, 3)}, {1}},
        {"0xFF ends the walk", {rec(1, 1), rec(0xFF, 2), rec(1, 3)}, {1}},
        {"no results", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Database db;
        db.map = MakeMap(5, 0, {0, 200, 0}, {0, 200, 0});
        db.cfgArea.assign(200, 0xFF);
        fixture::Place(db.cfgArea, 0, EncodeCfgRecord(5, 1, cfg));
        db.resArea.assign(200, 0xFF);
        std::vector<tByteBuffer> encoded;
        for (const ResultRecord& r : c.records) {
            tByteBuffer e = EncodeResultRecord(5, r);
            // Records that say they are longer keep their true bytes and are padded.
            if (r.sizeOverride > static_cast<int>(e.size()))
                e.resize(static_cast<std::size_t>(r.sizeOverride), 0);
            encoded.push_back(e);
        }
        fixture::PlaceAll(db.resArea, 0, encoded);
        List list;
        TDecodeDatabaseResult out = db.Decode(list);
        ASSERT_EQ(list.entries.size(), c.values.size());
        EXPECT_EQ(out.StoredResults, c.values.size());
        for (std::size_t i = 0; i < c.values.size(); ++i)
            EXPECT_EQ(list.entries[i]->ResultList[0].ResultValue, std::to_string(int(c.values[i])));
    }
}

TEST(DecodeDatabase, LineAndImageData) {
    const std::uint32_t both = (1u << 23) | (1u << 24);
    struct Case {
        std::uint8_t v;
        std::uint32_t bits;
        std::size_t storedLines;
        std::uint8_t expectedLines;
        bool image;
    };
    const Case cases[] = {
        {5, both, 2, 2, true},     {6, both, 3, 3, true},   {6, 1u << 23, 1, 1, false},
        {6, 1u << 24, 0, 0, true}, {5, both, 12, 10, true}, // lines past 10 are stepped over
        {6, both, 12, 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << int(c.v) << " lines " << c.storedLines);
        Database db;
        db.map = MakeMap(c.v, c.bits, {0, 200, 0}, {0, 2000, 0});
        db.cfgArea.assign(200, 0xFF);
        fixture::Place(db.cfgArea, 0, EncodeCfgRecord(c.v, 1, StoredConfig({1, 1, 1, 1}, "T", {"R"})));
        ResultRecord r = Rec(1, Date(1, 1, 1, 1), 0, 3000, 20.0f, 0, {1.0f});
        r.withLines = c.bits & (1u << 23);
        for (std::size_t m = 0; m < c.storedLines; ++m)
            r.lines.push_back({float(m), 2, 3, 4, 5, 17, 9, static_cast<std::int16_t>(100 + m), 6});
        r.withImage = c.image;
        if (c.image) r.image = {100, 300, 200, 200};
        ResultRecord next = r;
        next.date.Seconds = 2;
        next.values = {2.0f};
        db.resArea.assign(2000, 0xFF);
        fixture::PlaceAll(db.resArea, 0, {EncodeResultRecord(c.v, r), EncodeResultRecord(c.v, next)});

        List list;
        db.Decode(list);
        ASSERT_EQ(list.entries.size(), 2u);
        const TMeasureSet& e = *list.entries[0];
        EXPECT_EQ(e.MeasureResult.LineCount, c.expectedLines);
        for (std::size_t m = 0; m < c.expectedLines; ++m) {
            EXPECT_EQ(e.MeasureResult.Results.Line[m].MeanValue, float(m));
            EXPECT_EQ(e.MeasureResult.Results.Line[m].MaxPosAbs, 17.0f);
            EXPECT_EQ(e.MeasureResult.Results.Line[m].CenterPositionAbsolut, 100 + int(m));
        }
        if (c.image) {
            EXPECT_EQ(e.ImageData, (tByteBuffer{0, 254, 127, 127}));
            EXPECT_EQ(e.ImgMin, "100");
            EXPECT_EQ(e.ImgMax, "300");
            EXPECT_EQ(e.OrigImage[4], -1);
        } else {
            EXPECT_TRUE(e.ImageData.empty());
        }
        EXPECT_EQ(list.entries[1]->ResultList[0].ResultValue, "2") << "the next record is found";
    }
}

TEST(DecodeDatabase, JoinDecision) {
    Database db;
    db.map = MakeMap(5, 0, {0, 200, 0}, {0, 200, 0});
    db.cfgArea.assign(200, 0xFF);
    fixture::Place(db.cfgArea, 0, EncodeCfgRecord(5, 1, StoredConfig({1, 1, 1, 1}, "T", {"R"})));
    db.resArea.assign(200, 0xFF);
    fixture::Place(db.resArea, 0, EncodeResultRecord(5, Rec(1, Date(1, 1, 1, 1), 0, 3000, 20.0f, 0, {1.0f})));

    auto old = [] {
        auto e = std::make_unique<TMeasureSet>();
        e->TestID = "old";
        return e;
    };
    struct Case {
        EJoinDecision decision;
        bool cancelled;
        int clears;
        std::size_t entries;
    };
    for (const Case& c :
         {Case{jdAdd, false, 0, 2}, Case{jdOverwrite, false, 1, 1}, Case{jdCancel, true, 0, 1}}) {
        List list;
        list.entries.push_back(old());
        list.decision = c.decision;
        TDecodeDatabaseResult out = db.Decode(list);
        EXPECT_EQ(list.asks, 1);
        EXPECT_EQ(out.Cancelled, c.cancelled);
        EXPECT_EQ(list.clears, c.clears);
        EXPECT_EQ(list.entries.size(), c.entries);
        EXPECT_EQ(out.Added, c.cancelled ? 0u : 1u);
    }
}

TEST(DecodeDatabase, OversizedStoredConfiguration) {
    // 4100 string bytes are cut to 4000; 12 results are cut to 10 rows and the walk stays in step.
    const std::uint8_t v = 6;
    TTestConfig big = StoredConfig({1, 1, 1, 1}, std::string(30, 'N'),
                                   {"R0", "R1", "R2", "R3", "R4", "R5", "R6", "R7", "R8", "R9"});
    big.CaptureSection.ResultClassCnt.SetResultCount(12);
    tByteBuffer rec = EncodeCfgRecord(v, 1, big);
    const std::size_t strings = rec.size() - 23 - 12 * 15;
    rec.resize(rec.size() + 4100 - strings, 'x');
    std::uint32_t c = 1;
    BufWriteWord(rec, c, static_cast<std::uint16_t>(rec.size()));
    TTestConfig small = StoredConfig({2, 2, 2, 2}, "Small", {"S"});

    Database db;
    db.map = MakeMap(v, 0, {0, 9000, 0}, {0, 400, 0});
    db.cfgArea.assign(9000, 0xFF);
    fixture::PlaceAll(db.cfgArea, 0, {rec, EncodeCfgRecord(v, 2, small)});
    std::vector<float> values(12);
    for (int i = 0; i < 12; ++i) values[i] = float(i);
    db.resArea.assign(400, 0xFF);
    fixture::PlaceAll(db.resArea, 0,
                      {EncodeResultRecord(v, Rec(1, Date(1, 1, 1, 1), 0, 3000, 20.0f, 0, values)),
                       EncodeResultRecord(v, Rec(2, Date(1, 1, 1, 2), 0, 3000, 20.0f, 0, {7.0f}))});
    List list;
    db.Decode(list);
    ASSERT_EQ(db.resultList.size(), 2u);
    EXPECT_EQ(db.resultList[0].TestCfg.CaptureSection.StringSize, 4000);
    EXPECT_EQ(db.resultList[0].TestCfg.ResultCount(), 10);
    EXPECT_EQ(db.resultList[1].TestCfg.ReadStringData(db.resultList[1].TestCfg.OemSection.PtrTestName),
              "Small");
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0]->TestName, std::string(30, 'N'));
    ASSERT_EQ(list.entries[0]->ResultList.size(), 10u);
    EXPECT_EQ(list.entries[0]->ResultList[9], (TResultSet{"Valid", "R9", "9", "mg/l", ""}));
    EXPECT_EQ(list.entries[1]->ResultList[0].ResultValue, "7");
}

TEST(DecodeDatabase, ShortOrEmptyAreas) {
    // Areas read shorter than the map says read zeros past their end: a zero header ends each walk.
    Database db;
    db.map = MakeMap(5, (1u << 23) | (1u << 24), {0, 500, 100}, {0, 500, 100});
    db.cfgArea = EncodeCfgRecord(5, 1, StoredConfig({1, 1, 1, 1}, "T", {"R"}));
    db.resArea = EncodeResultRecord(5, Rec(1, Date(1, 1, 1, 1), 0, 3000, 20.0f, 0, {1.0f}));
    db.resArea.resize(db.resArea.size() - 1); // cut inside the image size byte
    List list;
    TDecodeDatabaseResult out = db.Decode(list);
    EXPECT_LE(out.StoredResults, 1u);

    Database empty;
    empty.map = MakeMap(5, 0, {0, 100, 0}, {0, 100, 0});
    out = empty.Decode(list);
    EXPECT_EQ(out.StoredResults, 0u);
    EXPECT_TRUE(empty.resultList.empty());
}

} // namespace
