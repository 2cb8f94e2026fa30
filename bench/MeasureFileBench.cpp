// A tracking file of years of results: a list of 20 000 entries merged into a file of
// 20 000 lines of which half hold the same Test IDs, and the merged file loaded back.
// Then a clinic's file of 100 000 entries in the long style with line images, loaded at
// start until the window is ready, with the memory it takes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
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

constexpr int LargeEntries = 100000;

// A figure of /proc/self/status, in KiB.
long StatusKiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// The peak of the resident set starts again from what is resident now.
void ResetPeakMemory() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct TLargeFile {
    fs::path Dir;
    fs::path File;
    TLargeFile() {
        std::string pattern = (fs::temp_directory_path() / "vexo-bench-large-XXXXXX").string();
        Dir = mkdtemp(pattern.data());
        for (const char* d : {"app", "user", "all"}) fs::create_directories(Dir / d);
        std::string error;
        WriteTextFileLines((Dir / "app" / "DRConfigRO.ini").string(), {"[Setup]"}, error);
        File = Dir / "Clinic.tsv";
        // Written line by line: the file's making must not set the memory mark.
        std::ofstream out(File, std::ios::binary);
        auto put = [&](const std::string& line) {
            std::vector<std::uint8_t> bytes = EncodeTextLines({line});
            out.write(reinterpret_cast<const char*>(bytes.data()) + 2,
                      static_cast<std::streamsize>(bytes.size() - 2));
        };
        out.write("\xFF\xFE", 2);
        TLanguageFile texts("", true);
        put(BuildTSVHeader(TSVVLong, texts));
        for (int n = 0; n < LargeEntries; ++n) put(BuildTSVLine(*Entry(n, n % 5 ? "" : "checked"), TSVVLong));
    }
    ~TLargeFile() {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
};

TLargeFile& LargeFile() {
    static TLargeFile f;
    return f;
}

// The window started with "load the last file on start": from its start timer to the first
// screen of rows drawn.
void BM_LoadLargeFileAtStart(benchmark::State& state) {
    TLargeFile& file = LargeFile();
    double peakKiB = 0, retainedKiB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TManualClock clock;
        TMainEnvironment env;
        env.Timers = &clock;
        env.PathsSystem = tPathsSystem{(file.Dir / "app").string(), (file.Dir / "user").string(),
                                       (file.Dir / "all").string(), nullptr, nullptr};
        env.Link.LibraryName = "libvexo-no-such-d2xx.so";
        env.Link.CreateSuspended = true;
        auto form = std::make_unique<TForm_Main>(env);
        form->Menu_LoadLastSavedOnStart.Checked = true;
        form->OpenDialog_Results.InitialDir = file.Dir.string();
        form->OpenDialog_Results.FileName = file.File.filename().string();
        ResetPeakMemory();
        const long before = StatusKiB("VmRSS");
        const std::size_t heapBefore = mallinfo2().uordblks;
        state.ResumeTiming();

        clock.Advance(150);
        for (std::int32_t row = 0; row < std::min<std::int32_t>(40, form->ListView_Measurements.ItemCount);
             ++row)
            benchmark::DoNotOptimize(form->ListView_MeasurementsData(row));

        state.PauseTiming();
        if (form->MeasureList.size() != static_cast<std::size_t>(LargeEntries) || !form->initialized)
            state.SkipWithError("the file did not load whole");
        peakKiB = static_cast<double>(StatusKiB("VmHWM") - before);
        retainedKiB = static_cast<double>(mallinfo2().uordblks - heapBefore) / 1024.0;
        form.reset();
        state.ResumeTiming();
    }
    std::error_code ec;
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file.File, ec)) / 1e6;
    state.counters["peak_KiB_per_entry"] = peakKiB / LargeEntries;
    state.counters["kept_KiB_per_entry"] = retainedKiB / LargeEntries;
}
BENCHMARK(BM_LoadLargeFileAtStart)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The loaded list sorted by its date column.
void BM_SortLargeListByDate(benchmark::State& state) {
    TLargeFile& file = LargeFile();
    TManualClock clock;
    TMainEnvironment env;
    env.Timers = &clock;
    env.PathsSystem = tPathsSystem{(file.Dir / "app").string(), (file.Dir / "user").string(),
                                   (file.Dir / "all").string(), nullptr, nullptr};
    env.Link.LibraryName = "libvexo-no-such-d2xx.so";
    env.Link.CreateSuspended = true;
    TForm_Main form(env);
    form.LoadMeasureFile(file.File.string());
    constexpr std::int32_t DateColumn = 4;
    for (auto _ : state) form.ListView_MeasurementsColumnClick(DateColumn);
    state.counters["entries"] = static_cast<double>(form.MeasureList.size());
}
BENCHMARK(BM_SortLargeListByDate)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
