// Loading and saving the measurement list: every failure of the load, the merge on
// save, the in-use retries, and the saves after new data.
#include <gtest/gtest.h>

#include "Collation.h"
#include "FormSandbox.h"
#include "MeasureEntries.h"
#include "TestSystem.h"
#include "TextEncoding.h"

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(ReadTextFileLines(path, lines, error)) << error;
    return lines;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string error;
    ASSERT_TRUE(WriteTextFileLines(path, lines, error)) << error;
}

class MeasureFiles : public ::testing::Test {
protected:
    void SetUp() override {
        vexo::platform::SetUserLocale("en_US");
        // Short lines keep the files readable.
        WriteTextFile(box.App + DIR_SEP "DRConfigRO.ini", {"[Setup]", "SaveTSVStyle = Short"});
    }
    void TearDown() override {
        form.reset();
        EXPECT_TRUE(box.Dialogs.ScriptDone());
        vexo::platform::SetUserLocale("");
    }
    TForm_Main& Start() {
        form = box.Start();
        return *form;
    }
    void Add(std::unique_ptr<TMeasureSet> e) { form->MeasureList.push_back(std::move(e)); }
    std::string Line(const std::string& id, const std::string& comment = "") {
        auto e =
            MakeEntry(id, "CRP", MakeDate(2026, 5, 20, 10, 0, 0), {{"Valid", "CRP", "12", "mg/l", "Pos"}});
        e->UserComment = comment;
        return BuildTSVLine(*e, TSVVShort);
    }
    std::string Header() { return BuildTSVHeader(TSVVShort, *form->LanguageFile); }
    std::string Ids() const {
        std::string s;
        for (const auto& e : form->MeasureList) s += e->TestID;
        return s;
    }
    std::string path(const std::string& name) const { return box.Dir / name; }

    TFormSandbox box;
    std::unique_ptr<TForm_Main> form;
};

TEST_F(MeasureFiles, LoadFailures) {
    TForm_Main& f = Start();
    WriteLines(path("short.tsv"), {Header(), Line("1"), Line("2"), Line("1"), "garbage\tline", Line("3")});
    WriteLines(path("long.tsv"), {BuildTSVHeader(TSVVLong, *f.LanguageFile)});
    WriteLines(path("empty.tsv"), {""});
    WriteLines(path("held.tsv"), {Header(), Line("9")});

    // Missing: the path is named, the list stays.
    Add(MakeEntry("keep"));
    box.Dialogs.Expect("MessageBox", mrOk);
    f.LoadMeasureFile(path("none.tsv"));
    EXPECT_EQ(box.Dialogs.Calls.back().Text, "The file could not be found: " + path("none.tsv"));
    EXPECT_EQ(Ids(), "keep");

    // Held by another program: nothing changes.
    {
        THeldFile lock(path("held.tsv"));
        ASSERT_TRUE(lock.Held());
        box.Dialogs.Expect("MessageBox", mrOk);
        f.LoadMeasureFile(path("held.tsv"));
        EXPECT_EQ(box.Dialogs.Calls.back().Text, std::string(LE::FileInUse.Def));
        EXPECT_EQ(Ids(), "keep");
    }

    // Another style, or an empty first line: the error box, and the list is empty.
    for (const char* name : {"long.tsv", "empty.tsv"}) {
        Add(MakeEntry("keep"));
        box.Dialogs.Expect("MessageBox", mrOk);
        f.LoadMeasureFile(path(name));
        EXPECT_EQ(box.Dialogs.Calls.back().Text, std::string(LE::FileReadError.Def));
        EXPECT_EQ(box.Dialogs.Calls.back().Caption, "Incompatible file");
        EXPECT_TRUE(f.MeasureList.empty());
    }

    // A rejected line stops the load; the entries before it stay, a repeated Test ID once.
    int statusWhileOpen = -1;
    box.Dialogs.WhileOpen = [&](const TDialogCall&) { statusWhileOpen = f.State.Current; };
    box.Dialogs.Expect("MessageBox", mrOk);
    f.LoadMeasureFile(path("short.tsv"));
    EXPECT_EQ(statusWhileOpen, 18);
    EXPECT_EQ(Ids(), "12");
    EXPECT_EQ(f.ListView_Measurements.ItemCount, 2);
    EXPECT_TRUE(f.Menu_SaveFile.Enabled);
    EXPECT_TRUE(f.Button_Save.Enabled);
    // Loaded without a reader, the window still says it has none.
    EXPECT_EQ(f.State.Current, 16);
    EXPECT_EQ(f.OpenDialog_Results.InitialDir, box.Dir.Path.string());
    EXPECT_EQ(f.SaveDialog_Results.FileName, "short.tsv");
    EXPECT_EQ(f.ConfigFile->GetVal("Setup", "LastUsedFile", ""), "short.tsv");
    EXPECT_EQ(f.ConfigFile->GetVal("Setup", "DefaultDir", ""), box.Dir.Path.string());
}

TEST_F(MeasureFiles, LoadSortsWithTheCurrentModeAndAsksToSaveFirst) {
    TForm_Main& f = Start();
    WriteLines(path("a.tsv"), {Header(), Line("2"), Line("3"), Line("1")});
    f.MeasureSortMode = TestIDUp;
    Add(MakeEntry("x"));
    box.Dialogs.Expect("MessageBox", mrCancel);
    f.Menu_LoadFileClick();
    EXPECT_EQ(Ids(), "x");
    box.Dialogs.Expect("MessageBox", mrNo);
    box.Dialogs.Expect("OpenFile", mrOk, 0, path("a.tsv"));
    f.Menu_LoadFileClick();
    EXPECT_EQ(box.Dialogs.Of("MessageBox").back().Text,
              "Opening a file will overwrite the current list. Save it before?");
    EXPECT_EQ(Ids(), "123");
    // With an empty list there is no question.
    f.ClearMeasureList();
    box.Dialogs.Expect("OpenFile", mrCancel);
    f.Menu_LoadFileClick();
}

TEST_F(MeasureFiles, LoadAtStartFromTheLastUsedFile) {
    Start();
    WriteLines(path("Results.tsv"), {Header(), Line("7")});
    form.reset();
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini",
                  {"[Setup]", "LoadLastSavedOnStart = true",
                   "DefaultDir = \"" + TGenFile::MakeSaveString(box.Dir.Path.string()) + "\""});
    Start();
    box.Clock.Advance(150);
    EXPECT_EQ(Ids(), "7");
}

TEST_F(MeasureFiles, SaveAskedNewOverwriteAndMerge) {
    TForm_Main& f = Start();
    Add(MakeEntry("1"));
    Add(MakeEntry("2"));
    // A new file: header and one line per entry.
    box.Dialogs.Expect("SaveFile", mrOk, 0, path("out.tsv"));
    f.Button_SaveClick();
    auto lines = ReadLines(path("out.tsv"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], Header());
    EXPECT_EQ(f.ConfigFile->GetVal("Setup", "LastUsedFile", ""), "out.tsv");
    const std::string bytes = ReadFileBytes(path("out.tsv"));
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");

    // The same list merged again leaves the file as it is.
    box.Dialogs.Expect("SaveFile", mrOk, 0, path("out.tsv"));
    box.Dialogs.Expect("MessageBox", mrYes);
    f.Menu_SaveFileClick();
    EXPECT_EQ(ReadFileBytes(path("out.tsv")), bytes);
    EXPECT_EQ(box.Dialogs.Of("MessageBox").back().Text, std::string(LE::AddToSelectedFile.Def));

    // Cancel leaves it; No writes the list alone.
    WriteLines(path("out.tsv"), {Header(), Line("9")});
    box.Dialogs.Expect("SaveFile", mrOk, 0, path("out.tsv"));
    box.Dialogs.Expect("MessageBox", mrCancel);
    f.Menu_SaveFileClick();
    EXPECT_EQ(ReadLines(path("out.tsv")).size(), 2u);
    box.Dialogs.Expect("SaveFile", mrOk, 0, path("out.tsv"));
    box.Dialogs.Expect("MessageBox", mrNo);
    f.Menu_SaveFileClick();
    lines = ReadLines(path("out.tsv"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 2), "1\t");
}

TEST_F(MeasureFiles, MergeReplacesChangedLinesKeepsForeignOnesAppendsNewOnes) {
    TForm_Main& f = Start();
    WriteLines(path("m.tsv"),
               {"old header", Line("9", "foreign"), Line("1", "before"), "not a line", Line("2")});
    WriteLines(path("m.tsv"), {Header(), Line("9", "foreign"), Line("1", "before"), "not a line", Line("2")});
    for (const char* id : {"1", "2", "3"}) {
        Add(MakeEntry(id, "CRP", MakeDate(2026, 5, 20, 10, 0, 0), {{"Valid", "CRP", "12", "mg/l", "Pos"}}));
    }
    f.MeasureList[0]->UserComment = "after";
    f.AutoSave = true;
    f.SaveDialog_Results.InitialDir = box.Dir.Path.string();
    f.SaveDialog_Results.FileName = "m.tsv";
    f.SaveMeasureFile(STLastFile);
    EXPECT_EQ(ReadLines(path("m.tsv")),
              (std::vector<std::string>{Header(), Line("9", "foreign"), Line("1", "after"), "not a line",
                                        Line("2"), Line("3")}));
}

TEST_F(MeasureFiles, MergeIntoAFileOfAnotherStyle) {
    TForm_Main& f = Start();
    Add(MakeEntry("1"));
    const std::vector<std::string> other{BuildTSVHeader(TSVVLong, *f.LanguageFile)};
    WriteLines(path("long.tsv"), other);
    // Asked: the message, then the dialog again.
    box.Dialogs.Expect("SaveFile", mrOk, 0, path("long.tsv"));
    box.Dialogs.Expect("MessageBox", mrYes);
    box.Dialogs.Expect("MessageBox", mrOk);
    box.Dialogs.Expect("SaveFile", mrCancel);
    f.Menu_SaveFileClick();
    EXPECT_EQ(box.Dialogs.Of("MessageBox").back().Caption, "Incompatible file");
    // The tracking file: the message, and no save.
    f.TrackMeasurementFile = path("long.tsv");
    box.Dialogs.Expect("MessageBox", mrOk);
    f.SaveMeasureFile(STTrackFile);
    EXPECT_EQ(ReadLines(path("long.tsv")), other);
    // An empty first line counts as a file of the right style.
    WriteLines(path("blank.tsv"), {"", Line("5")});
    f.TrackMeasurementFile = path("blank.tsv");
    f.SaveMeasureFile(STTrackFile);
    EXPECT_EQ(ReadLines(path("blank.tsv")),
              (std::vector<std::string>{Header(), Line("5"), BuildTSVLine(*f.MeasureList[0], TSVVShort)}));
}

TEST_F(MeasureFiles, AFileInUseIsRetriedAndAnAutomaticTargetCanBeGivenUp) {
    TForm_Main& f = Start();
    Add(MakeEntry("1"));
    WriteLines(path("t.tsv"), {Header()});
    f.TrackMeasurementFile = path("t.tsv");
    THeldFile lock(path("t.tsv"));
    ASSERT_TRUE(lock.Held());
    // Asked: the message, then the dialog again.
    box.Dialogs.Expect("SaveFile", mrOk, 0, path("t.tsv"));
    box.Dialogs.Expect("MessageBox", mrOk);
    box.Dialogs.Expect("SaveFile", mrCancel);
    f.Menu_SaveFileClick();
    EXPECT_EQ(box.Dialogs.Of("MessageBox").back().Style, 0);

    // Automatic: OK tries again, Cancel gives up.
    box.Dialogs.Expect("MessageBox", mrOk);
    box.Dialogs.Expect("MessageBox", mrCancel);
    f.SaveMeasureFile(STTrackFile);
    EXPECT_EQ(box.Dialogs.Of("MessageBox").back().Style, 1);
    EXPECT_EQ(ReadLines(path("t.tsv")).size(), 1u);

    // Freed while the message is open: the next try saves.
    box.Dialogs.WhileOpen = [&](const TDialogCall&) { lock.Release(); };
    box.Dialogs.Expect("MessageBox", mrOk);
    f.SaveMeasureFile(STTrackFile);
    EXPECT_EQ(ReadLines(path("t.tsv")).size(), 2u);
}

TEST_F(MeasureFiles, NewMeasurementIsAddedSelectedAndSavedAsConfigured) {
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini",
                  {"[Setup]", "AutoSaveToLastFile = true", "PromptSave = true", "AutoSaveMeasurements = true",
                   "AutoSaveMeasurementsFile = \"" + TGenFile::MakeSaveString(path("track.tsv")) + "\"",
                   "DefaultDir = \"" + TGenFile::MakeSaveString(box.Dir.Path.string()) + "\"",
                   "LastUsedFile = \"last.tsv\""});
    TForm_Main& f = Start();
    Add(MakeEntry("b"));
    f.MeasureSortMode = TestIDUp;
    f.NewMeasureSet = MakeEntry("a", "CRP", MakeDate(2026, 5, 20), {{"V", "n", "1", "u", "c"}});
    f.TestConfig = std::make_unique<TTestConfig>();
    f.AddNewMeasurement();
    EXPECT_EQ(Ids(), "ab");
    EXPECT_EQ(f.ListView_Measurements.ItemIndex, 0);
    EXPECT_EQ(f.ListView_Results.ItemCount, 1);
    EXPECT_TRUE(f.Menu_SaveFile.Enabled);
    EXPECT_FALSE(f.TestConfig);
    EXPECT_FALSE(f.NewMeasureSet);
    // AutoSave wins over the prompt; the tracking file in addition.
    EXPECT_EQ(ReadLines(path("last.tsv")).size(), 3u);
    EXPECT_EQ(ReadLines(path("track.tsv")).size(), 3u);

    // With the prompt only, the save dialog comes.
    f.AutoSave = false;
    f.TrackMeasurements = false;
    f.NewMeasureSet = MakeEntry("c");
    box.Dialogs.Expect("SaveFile", mrCancel);
    f.AddNewMeasurement();
    EXPECT_EQ(Ids(), "abc");
}

TEST_F(MeasureFiles, CtrlSOnlyWithEntriesAndSaveOnExit) {
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini", {"[Setup]", "SaveOnExit = true"});
    TForm_Main& f = Start();
    EXPECT_TRUE(f.FormShortCut('s', true)); // empty list: no dialog
    Add(MakeEntry("1"));
    box.Dialogs.Expect("SaveFile", mrCancel);
    EXPECT_TRUE(f.FormShortCut('S', true));
    box.Dialogs.Expect("MessageBox", mrYes);
    box.Dialogs.Expect("SaveFile", mrOk, 0, path("exit.tsv"));
    EXPECT_TRUE(f.RequestClose());
    EXPECT_EQ(ReadLines(path("exit.tsv")).size(), 2u);
}

} // namespace
