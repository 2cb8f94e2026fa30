// Decoding a full results database: a 64 KiB result ring of records with line and
// image data, against a handful of result configurations.
#include "RecordEncoder.h"
#include "TestResults.h"

#include <benchmark/benchmark.h>

namespace {

struct FullDatabase {
    TEEPROMMap map;
    tByteBuffer cfgArea, resArea;
    std::size_t records = 0;

    explicit FullDatabase(std::uint8_t v) {
        map.NonVolatileData.EEPROMVersion = v;
        map.NonVolatileData.VexoCfgBits_0.Data = (1u << 23) | (1u << 24);
        TEEPROMVolatile& vol = map.VolatileData;
        vol.StoredTestResultCfgStart = 0x0000;
        vol.StoredTestResultCfgStop = 0x0FFF;
        vol.StoredTestResultStart = 0x1000;
        vol.StoredTestResultStop = 0xFFFF;
        vol.StoredTestResultReadPtr = 0x8000; // the ring has wrapped
        cfgArea.assign(0x1000, 0xFF);
        std::size_t at = 0;
        for (std::uint8_t id = 1; id <= 8; ++id) {
            TTestConfig cfg;
            cfg.TestID = {id, 1, 1, 1};
            cfg.OemSection.PtrTestName = 6;
            cfg.AddStrPtrToCfg("Benchmark test", 6);
            cfg.CaptureSection.ResultClassCnt.SetResultCount(3);
            tByteBuffer rec = fixture::EncodeCfgRecord(v, id, cfg);
            fixture::Place(cfgArea, at, rec);
            at += rec.size();
        }
        resArea.assign(0xF000, 0xFF);
        at = 0x8000 - 0x1000;
        std::size_t used = 0;
        for (std::uint32_t i = 0;; ++i) {
            fixture::ResultRecord r = fixture::Rec(static_cast<std::uint8_t>(1 + i % 8), {}, 0, 3000, 20.0f,
                                                   0, {1.5f, 2.5f, float(i)});
            r.date.Seconds = static_cast<std::uint8_t>(i % 60);
            r.date.Minutes = static_cast<std::uint8_t>(i / 60 % 60);
            r.date.Hour = static_cast<std::uint8_t>(i / 3600);
            r.withLines = true;
            r.lines.assign(3, TLineResult{1, 2, 3, 4, 5, 6, 7, 8, 9});
            r.withImage = true;
            r.image.assign(255, 0x800);
            tByteBuffer rec = fixture::EncodeResultRecord(v, r);
            if (used + rec.size() >= resArea.size()) break;
            fixture::Place(resArea, at, rec);
            at = (at + rec.size()) % resArea.size();
            used += rec.size();
            ++records;
        }
    }
};

void BM_DecodeDatabase(benchmark::State& state) {
    FullDatabase db(static_cast<std::uint8_t>(state.range(0)));
    TDefaultTextSource texts;
    std::size_t entries = 0;
    for (auto _ : state) {
        tByteBuffer cfg = db.cfgArea, res = db.resArea;
        std::vector<TVexoResultData> resultList;
        std::vector<std::unique_ptr<TMeasureSet>> list;
        TMeasureListAccess access;
        access.JoinDecision = [] { return jdAdd; };
        access.IsPresent = [](const std::string&) { return false; };
        access.Add = [&](std::unique_ptr<TMeasureSet> e) { list.push_back(std::move(e)); };
        DecodeDatabase(cfg, res, db.map, resultList, access, texts);
        entries = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["records"] = static_cast<double>(db.records);
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["entries/s"] =
        benchmark::Counter(static_cast<double>(entries), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bytes/entry"] = static_cast<double>(sizeof(TMeasureSet));
}
BENCHMARK(BM_DecodeDatabase)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

} // namespace
