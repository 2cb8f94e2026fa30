// A tracking file of years of results: a list of 20 000 entries merged into a file of
// 20 000 lines of which half hold the same Test IDs, and the merged file loaded back.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Main.h"
#include "ManualClock.h"
#include "TextEncoding.h"

namespace {

namespace fs = std::filesystem;

constexpr int Entries = 20000;

std::unique_ptr<TMeasureSet> Entry(int n, const std::string& comment) {
    auto e = std::make_unique<TMeasureSet>();
    e->TestID = "1 2 3 4 2619 " + std::to_string(100000 + n);
    e->TestName = "CRP";
    e->LotNr = "L" + std::to_string(n % 97);
    e->Distr_Manu = "Maker";
    e->DateTime = TDateData{static_cast<std::uint8_t>(n % 60),
                            static_cast<std::uint8_t>(n / 60 % 60),
                            static_cast<std::uint8_t>(n / 3600 % 24),
                            12,
                            5,
                            24};
    e->UserComment = comment;
    e->Voltage = "3012";
    e->Temperature = "21.50";
    e->ResultList = {{"Valid", "CRP", std::to_string(n % 200), "mg/l", "Pos"},
                     {"Valid", "Ref", "1.00", "", ""}};
    e->MeasureResult.LineCount = 3;
    for (int l = 0; l < 3; ++l) e->MeasureResult.Results.Line[l] = {10.5f, 2, 30, 9, 11, 40, 12, 120, 8};
    std::vector<std::int32_t> image(120);
    for (int i = 0; i < 120; ++i) image[i] = (i * 37 + n) % 4096;
    e->SetImageValues(image);
    return e;
}

struct TBenchWindow {
    fs::path Dir;
    TManualClock Clock;
    TMainEnvironment Env;
    std::unique_ptr<TForm_Main> Form;
    std::vector<std::string> FileLines;

    TBenchWindow() {
        std::string pattern = (fs::temp_directory_path() / "vexo-bench-XXXXXX").string();
        Dir = mkdtemp(pattern.data());
        for (const char* d : {"app", "user", "all"}) fs::create_directories(Dir / d);
        // The program's read-only settings, so that their absence is not reported.
        std::string error;
        WriteTextFileLines((Dir / "app" / "DRConfigRO.ini").string(), {"[Setup]"}, error);
        Env.Timers = &Clock;
        Env.PathsSystem = tPathsSystem{(Dir / "app").string(), (Dir / "user").string(),
                                       (Dir / "all").string(), nullptr, nullptr};
        Env.Link.LibraryName = "libvexo-no-such-d2xx.so";
        Env.Link.CreateSuspended = true;
        Form = std::make_unique<TForm_Main>(Env);
        Form->TrackMeasurementFile = (Dir / "Measurements.tsv").string();
        // The file: entries 0 .. 19 999; the list: 10 000 .. 29 999, the shared half with a new comment.
        FileLines.push_back(BuildTSVHeader(Form->SaveTSVStyle, *Form->LanguageFile));
        for (int n = 0; n < Entries; ++n)
            FileLines.push_back(BuildTSVLine(*Entry(n, ""), Form->SaveTSVStyle));
    }
    ~TBenchWindow() {
        Form.reset();
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    void FillList() {
        Form->ClearMeasureList();
        for (int n = Entries / 2; n < Entries / 2 + Entries; ++n)
            Form->MeasureList.push_back(Entry(n, "seen"));
    }
    void WriteFile() {
        std::string error;
        WriteTextFileLines(Form->TrackMeasurementFile, FileLines, error);
    }
};

TBenchWindow& Window() {
    static TBenchWindow w;
    return w;
}

void BM_MergeIntoTrackingFile(benchmark::State& state) {
    TBenchWindow& w = Window();
    for (auto _ : state) {
        state.PauseTiming();
        w.WriteFile();
        w.FillList();
        state.ResumeTiming();
        w.Form->SaveMeasureFile(STTrackFile);
    }
    state.counters["file_lines"] = static_cast<double>(Entries);
    state.counters["list_entries"] = static_cast<double>(Entries);
}
BENCHMARK(BM_MergeIntoTrackingFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadMergedFile(benchmark::State& state) {
    TBenchWindow& w = Window();
    w.WriteFile();
    w.FillList();
    w.Form->SaveMeasureFile(STTrackFile);
    for (auto _ : state) {
        w.Form->LoadMeasureFile(w.Form->TrackMeasurementFile);
        if (w.Form->MeasureList.size() != static_cast<std::size_t>(Entries + Entries / 2))
            state.SkipWithError("the merged file did not load whole");
    }
    state.counters["entries_loaded"] = static_cast<double>(w.Form->MeasureList.size());
}
BENCHMARK(BM_LoadMergedFile)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
