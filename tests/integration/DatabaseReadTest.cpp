// Reading the reader's database into the list on the simulated reader: every EEPROM
// version and memory layout with wrapping rings, the join question, the empty
// database, a time-out inside the result area, the format command, the busy check,
// the deferral around the clock poll, and the saves after new data.
#include <gtest/gtest.h>

#include <algorithm>

#include "Collation.h"
#include "ConnectionRig.h"
#include "TextEncoding.h"

namespace {

struct TLayout {
    std::uint8_t Version;
    bool Extended;
    // Pointer reads the window must make, in order ("read data <address> <size>").
    std::vector<std::string> PointerReads;
};

std::string ReadOf(std::uint32_t address, unsigned size) {
    char text[64];
    std::snprintf(text, sizeof text, "read data 0x%X %u", address, size);
    return text;
}

TSimScenario Reader(std::uint8_t version, bool extended) {
    TSimScenario s = ReaderOfVersion(version);
    // Line and image data are reported from the non-volatile bits of version 5 on.
    s.VexoCfgBits_0 |= SimBitStoresLineData | SimBitStoresImageData;
    s.VexoCfgBits = extended ? s.VexoCfgBits | SimBitExtendedMemory : s.VexoCfgBits & ~SimBitExtendedMemory;
    return s;
}

class DatabaseRead : public ::testing::Test {
protected:
    void SetUp() override { vexo::platform::SetUserLocale("en_US"); }
    void TearDown() override { vexo::platform::SetUserLocale(""); }

    std::unique_ptr<TConnectionRig> Rig;
    std::vector<std::string> Reads;

    TForm_Main& Connect(const TSimScenario& scenario, const std::vector<std::string>& settings = {},
                        bool clockPoll = false) {
        Rig = std::make_unique<TConnectionRig>(eMode::COM, scenario);
        std::vector<std::string> user{"[Setup]"};
        user.insert(user.end(), settings.begin(), settings.end());
        Rig->UserSettings(user);
        Rig->Sim().SetTrace([this](const std::string& line) {
            const auto at = line.find("read data ");
            if (at != std::string::npos) Reads.push_back(line.substr(at));
        });
        TForm_Main& form = Rig->Start();
        EXPECT_TRUE(Rig->ConnectByHand());
        // Without the poll no click is held back, so each read starts when clicked.
        form.VexoGetDateTimeEnable = clockPoll;
        Reads.clear();
        return form;
    }
    // Read clicked, then until the window is ready again.
    bool ReadDatabase(std::int64_t limitMs = 20000) {
        TForm_Main& form = Rig->Form();
        form.Button_ReadDataClick();
        EXPECT_EQ(form.State.Current, 2);
        return Rig->RunUntil(
            [&] { return form.State.Current == 0 && form.ReadVexoDataHelper->ReadStep == SpResultData; },
            limitMs);
    }
    TScriptedDialogs& Dialogs() { return Rig->H.Box.Dialogs; }
    std::string Path(const std::string& name) const { return Rig->H.Box.Dir / name; }
};

TEST_F(DatabaseRead, EveryVersionAndLayoutWithWrappingRings) {
    const TLayout layouts[] = {
        {1, false, {ReadOf(0x500A2, 24)}},
        {2, false, {ReadOf(0x500A2, 24)}},
        {3, false, {ReadOf(0x5009C, 12), ReadOf(0x500AE, 14)}},
        {4, true, {ReadOf(0x5009C, 12), ReadOf(0x500AE, 14)}},
        {5, false, {ReadOf(0x500A0, 12), ReadOf(0x500B2, 14)}},
        {5, true, {ReadOf(0x500A0, 12), ReadOf(0x500B2, 14)}},
        {6, true, {ReadOf(0x500A0, 12), ReadOf(0x500B2, 14)}},
    };
    for (const TLayout& l : layouts) {
        SCOPED_TRACE("version " + std::to_string(l.Version) + (l.Extended ? " extended" : ""));
        const TSimScenario scenario = Reader(l.Version, l.Extended);
        TForm_Main& form = Connect(scenario);
        ASSERT_TRUE(ReadDatabase());
        ASSERT_GE(Reads.size(), l.PointerReads.size());
        EXPECT_EQ(std::vector<std::string>(Reads.begin(), Reads.begin() + l.PointerReads.size()),
                  l.PointerReads);
        // Blocks of at most 768 bytes; the areas come from the storage window of the layout.
        const std::uint32_t base = l.Extended ? 0x80000 : 0x30000;
        const std::uint32_t cfgStart = l.Extended && l.Version >= 3
                                           ? base + scenario.ResultCfgStart - scenario.ResultStart
                                           : base + scenario.ResultCfgStart - scenario.ConfigurationStart;
        EXPECT_EQ(Reads[l.PointerReads.size()], ReadOf(cfgStart, 768));
        const unsigned resultSize = scenario.ResultStop - scenario.ResultStart + 1;
        EXPECT_EQ(Reads.size(), l.PointerReads.size() +
                                    (scenario.ResultCfgStop - scenario.ResultCfgStart + 768) / 768 +
                                    (resultSize + 767) / 768);

        // Every stored result became an entry, grouped by configuration, each group oldest first.
        ASSERT_EQ(form.MeasureList.size(), scenario.Database.size());
        std::vector<std::pair<std::string, unsigned long long>> got, want;
        auto key = [](const TDateData& d) {
            return ((((d.Year * 13ull + d.Month) * 32 + d.MonthDay) * 24 + d.Hour) * 60 + d.Minutes) * 60 +
                   d.Seconds;
        };
        for (const auto& e : form.MeasureList) got.emplace_back(e->TestName, key(e->DateTime));
        for (const auto& r : scenario.Database)
            want.emplace_back(scenario.Configurations.at(r.Configuration).TestName, key(r.Date));
        for (std::size_t i = 1; i < got.size(); ++i)
            if (got[i].first == got[i - 1].first) {
                EXPECT_LT(got[i - 1].second, got[i].second) << i;
            }
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
        EXPECT_EQ(form.ListView_Measurements.ItemCount, static_cast<std::int32_t>(scenario.Database.size()));
        EXPECT_TRUE(form.Menu_SaveFile.Enabled);
        EXPECT_TRUE(form.Button_Save.Enabled);
        EXPECT_FALSE(form.ProgressBar.Visible);
        Rig.reset();
    }
}

TEST_F(DatabaseRead, AddOverwriteAndCancel) {
    TForm_Main& form = Connect(DefaultScenario());
    const std::size_t stored = DefaultScenario().Database.size();
    ASSERT_TRUE(ReadDatabase()); // an empty list asks nothing
    ASSERT_EQ(form.MeasureList.size(), stored);
    form.MeasureList[0]->UserComment = "kept";

    // Add: every entry is already there.
    Dialogs().Expect("MessageBox", mrYes);
    ASSERT_TRUE(ReadDatabase());
    EXPECT_EQ(Dialogs().Calls.back().Text, std::string(LE::AddToCurrentList.Def));
    EXPECT_EQ(Dialogs().Calls.back().Style, 3);
    EXPECT_EQ(form.MeasureList.size(), stored);
    EXPECT_EQ(form.MeasureList[0]->UserComment, "kept");

    // Cancel: nothing changes.
    form.MeasureList.push_back(std::make_unique<TMeasureSet>());
    form.MeasureList.back()->TestID = "from a file";
    Dialogs().Expect("MessageBox", mrCancel);
    ASSERT_TRUE(ReadDatabase());
    EXPECT_EQ(form.MeasureList.size(), stored + 1);

    // Overwrite: the list is the database alone.
    form.SelectMeasurement(static_cast<std::int32_t>(stored));
    Dialogs().Expect("MessageBox", mrNo);
    ASSERT_TRUE(ReadDatabase());
    EXPECT_EQ(form.MeasureList.size(), stored);
    EXPECT_EQ(form.MeasureList[0]->UserComment, "");
    EXPECT_EQ(form.ListView_Measurements.ItemIndex, -1);
    EXPECT_TRUE(form.SelResultList.empty());
}

TEST_F(DatabaseRead, TheSettingAnswersTheQuestionAndTheCurrentSortApplies) {
    TForm_Main& form = Connect(DefaultScenario(), {"AddDataBehaviour = \"Overwrite\""});
    form.MeasureList.push_back(std::make_unique<TMeasureSet>());
    form.ListView_MeasurementsColumnClick(4);
    form.ListView_MeasurementsColumnClick(4); // newest first
    ASSERT_TRUE(ReadDatabase());
    ASSERT_EQ(form.MeasureList.size(), DefaultScenario().Database.size());
    EXPECT_EQ(form.MeasureList.front()->DateTime, DefaultScenario().Database.back().Date);
}

TEST_F(DatabaseRead, AnEmptyDatabaseSaysSoAndSavesNothing) {
    TSimScenario s = DefaultScenario();
    s.Database.clear();
    TForm_Main& form = Connect(s, {"AutoSaveToLastFile = true", "AutoSaveMeasurements = true"});
    form.TrackMeasurementFile = Path("track.tsv");
    form.SaveDialog_Results.InitialDir = Rig->H.Box.Dir.Path.string();
    Dialogs().Expect("MessageBox", mrOk);
    ASSERT_TRUE(ReadDatabase());
    EXPECT_EQ(Dialogs().Calls.back().Text, "The vexo database is empty.");
    EXPECT_TRUE(form.MeasureList.empty());
    EXPECT_FALSE(form.Menu_SaveFile.Enabled);
    EXPECT_FALSE(std::filesystem::exists(Path("track.tsv")));
    EXPECT_FALSE(std::filesystem::exists(Path("Results.tsv")));
}

TEST_F(DatabaseRead, ATimeOutInsideTheResultAreaAddsNothing) {
    TSimScenario s = DefaultScenario();
    // The identification's 3 reads, the pointers (2), the result configurations (3 blocks),
    // then the fourth block of results.
    s.Behaviours.push_back(NoAnswerTo(cmdReadData, 12));
    TForm_Main& form = Connect(s, {"AutoSaveMeasurements = true"});
    form.TrackMeasurementFile = Path("track.tsv");
    // Every other block comes 3 s late: far beyond 5 s in all, never 5 s for one block.
    TSimBehaviour late;
    late.Command = cmdReadData;
    late.LateMs = 3000;
    Rig->Sim().AddBehaviour(late);
    form.Button_ReadDataClick();
    EXPECT_EQ(form.State.Current, 2);
    // Each block restarts the 5000 ms time-out: the read runs far longer than that in all.
    ASSERT_TRUE(Rig->RunUntil([&] { return Reads.size() == 8; }, 40000));
    const std::int32_t position = form.ProgressBar.Position;
    ASSERT_TRUE(Rig->RunUntil([&] { return Reads.size() == 9; }, 4000));
    EXPECT_EQ(form.State.Current, 2);
    EXPECT_TRUE(form.ProgressBar.Visible);
    EXPECT_EQ(form.ProgressBar.Position, position + 768);
    Rig->Run(4900);
    EXPECT_EQ(form.State.Current, 2);
    Dialogs().Expect("MessageBox", mrOk);
    ASSERT_TRUE(Rig->RunUntil([&] { return !Dialogs().Of("MessageBox").empty(); }, 2000));
    EXPECT_NE(Dialogs().Calls.back().Text.find(LE::WaitingTimeOut.Def), std::string::npos);
    Rig->Run(200);
    EXPECT_TRUE(form.MeasureList.empty());
    EXPECT_FALSE(std::filesystem::exists(Path("track.tsv")));
}

TEST_F(DatabaseRead, SavesAfterNewDataAlsoWhenEveryEntryWasThere) {
    TForm_Main& form = Connect(DefaultScenario(), {"AutoSaveToLastFile = true", "AutoSaveMeasurements = true",
                                                   "AddDataBehaviour = \"Add\""});
    form.TrackMeasurementFile = Path("track.tsv");
    form.SaveDialog_Results.InitialDir = Rig->H.Box.Dir.Path.string();
    form.SaveDialog_Results.FileName = "last.tsv";
    ASSERT_TRUE(ReadDatabase());
    std::vector<std::string> lines, again;
    std::string error;
    ASSERT_TRUE(ReadTextFileLines(Path("last.tsv"), lines, error));
    EXPECT_EQ(lines.size(), DefaultScenario().Database.size() + 1);
    ASSERT_TRUE(ReadTextFileLines(Path("track.tsv"), lines, error));
    EXPECT_EQ(lines.size(), DefaultScenario().Database.size() + 1);

    // The second read adds nothing, and saves again: a changed comment reaches both files.
    form.MeasureList[3]->UserComment = "checked";
    ASSERT_TRUE(ReadDatabase());
    ASSERT_TRUE(ReadTextFileLines(Path("track.tsv"), again, error));
    ASSERT_EQ(again.size(), lines.size());
    EXPECT_EQ(again[4], BuildTSVLine(*form.MeasureList[3], form.SaveTSVStyle));

    // With the prompt instead, the save dialog comes.
    form.AutoSave = false;
    form.PromptSave = true;
    form.TrackMeasurements = false;
    Dialogs().Expect("SaveFile", mrCancel);
    ASSERT_TRUE(ReadDatabase());
}

TEST_F(DatabaseRead, BusyCheckAndFormat) {
    TForm_Main& form = Connect(DefaultScenario());
    form.Button_ReadDataClick();
    ASSERT_EQ(form.State.Current, 2);
    // Busy: the message and nothing else.
    Dialogs().Expect("MessageBox", mrOk);
    form.Menu_FormatDBClick();
    EXPECT_EQ(Dialogs().Calls.back().Text, "The vexo is busy. Please wait until it is in Ready-state.");
    EXPECT_EQ(form.State.Current, 2);
    ASSERT_TRUE(Rig->RunUntil([&] { return form.State.Current == 0 && !form.MeasureList.empty(); }, 20000));

    Dialogs().Expect("MessageBox", mrNo);
    form.Menu_FormatDBClick();
    EXPECT_EQ(Dialogs().Calls.back().Text, "Do you really want to format the database?");
    Rig->Run(100);
    EXPECT_EQ(Rig->Sim().StoredResultCount(), DefaultScenario().Database.size());

    Dialogs().Expect("MessageBox", mrYes);
    form.Menu_FormatDBClick();
    EXPECT_EQ(form.State.Current, 7);
    Dialogs().Expect("MessageBox", mrOk);
    ASSERT_TRUE(Rig->RunUntil([&] { return form.State.Current == 0; }, 9000));
    EXPECT_EQ(Dialogs().Calls.back().Text, "Database has been successfully formatted.");
    EXPECT_EQ(Rig->Sim().StoredResultCount(), 0u);
    // The list on the PC stays.
    EXPECT_FALSE(form.MeasureList.empty());
}

TEST_F(DatabaseRead, ClicksDuringTheClockPollWaitAndTheLastOneWins) {
    TForm_Main& form = Connect(DefaultScenario(), {}, true);
    ASSERT_TRUE(Rig->RunUntil([&] { return form.Timer_WaitAfterClock.Enabled(); }, 3000));
    form.Menu_FormatDBClick();
    form.Button_ReadDataClick();
    EXPECT_EQ(form.DelayedUserAction, actReadData);
    EXPECT_NE(form.State.Current, 2);
    EXPECT_TRUE(Dialogs().Calls.empty());
    // When the poll's window ends, only the read runs: no format question.
    ASSERT_TRUE(Rig->RunUntil([&] { return !form.Timer_WaitAfterClock.Enabled(); }, 400));
    EXPECT_EQ(form.DelayedUserAction, actNone);
    EXPECT_EQ(form.State.Current, 2);
    ASSERT_TRUE(Rig->RunUntil([&] { return form.State.Current == 0 && !form.MeasureList.empty(); }, 20000));
}

} // namespace
