// Start-up, settings, window placement, language menu, close and uninstall of the main window.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "FileSystem.h"
#include "FormSandbox.h"
#include "TestSystem.h"
#include "Tools.h"

namespace {

namespace fs = std::filesystem;

struct TKey {
    const char* Section;
    const char* Key;
    const char* Value;
};

// Every user setting after a first run on a 1920 x 1080 screen, with its default.
const TKey UserKeyDefaults[] = {
    {"Setup", "Language", "English"},
    {"Language", "filename", "language.ini"},
    {"Setup", "ImagePosition", "Right"},
    {"Setup", "Left", "523"},
    {"Setup", "Top", "228"},
    {"Setup", "Width", "874"},
    {"Setup", "Height", "624"},
    {"Setup", "WindowState", "0"},
    {"Setup", "DefaultDir", nullptr}, // the configuration folder
    {"Setup", "LastUsedFile", "Results.tsv"},
    {"Setup", "PromptSave", "false"},
    {"Setup", "AutoSaveToLastFile", "false"},
    {"Setup", "SaveOnExit", "false"},
    {"Setup", "AutoSaveMeasurements", "false"},
    {"Setup", "AutoSaveMeasurementsFile", "Measurements.tsv"},
    {"Setup", "CombineMeasurements", "false"},
    {"Setup", "TestSource", "Select"},
    {"Setup", "AddDataBehaviour", "Ask"},
    {"Setup", "LoadLastSavedOnStart", "false"},
    {"Setup", "DisableVexoButtonOnConnect", "false"},
    {"COM", "Port", "1"},
    {"COM", "LatencyTimer", "2"},
    {"VexoCommunication", "autoConnect", "true"},
    {"VexoCommunication", "ShutDownOnClose", "false"},
};

std::string Setting(const std::string& file, const std::string& section, const std::string& key) {
    TConfigFile f(file, false, true);
    return f.GetVal(section, key);
}

TEST(MainStart, FirstStartWithoutAnyFileWritesEveryUserSettingWithItsDefault) {
    TFormSandbox box;
    box.MakeAppReadOnly();
    auto form = box.Start();
    const std::string userFile = box.UserConfig + DIR_SEP "DRConfig.ini";

    ASSERT_EQ(box.Notes.Messages.size(), 1u);
    EXPECT_EQ(box.Notes.Messages[0].first, "Could not open file " + box.App + DIR_SEP "DRConfigRO.ini");
    EXPECT_EQ(box.Notes.Messages[0].second, "File Error");
    EXPECT_EQ(form->Caption, "Vexo Data Reader - V1.5.063");
    EXPECT_EQ(form->State.Current, 16);
    EXPECT_EQ(form->StatusBar.Panels[0].Text, "disconnected");
    EXPECT_TRUE(form->Constructed);
    EXPECT_FALSE(form->initialized);
    EXPECT_FALSE(form->FTDIMode());
    EXPECT_TRUE(form->ComboBox_Com.Visible);
    EXPECT_FALSE(form->ComboBox_FTDIDevice.Visible);
    EXPECT_EQ(form->ComboBox_Baud.Text, "38400");
    EXPECT_EQ(form->Schnittstelle->parity, FT_PARITY_NONE);
    EXPECT_EQ(form->Schnittstelle->stopBits, FT_STOP_BITS_1);
    EXPECT_EQ(form->Schnittstelle->countOfBits, 8);
    EXPECT_EQ(form->ListView_Results.Columns.size(), 5u);
    EXPECT_EQ(form->ListView_Measurements.Columns[0].Caption, "Test ID");
    EXPECT_FALSE(form->Button_ReadData.Enabled);
    EXPECT_FALSE(form->Menu_SaveFile.Enabled);
    EXPECT_FALSE(form->Button_Save.Enabled);
    EXPECT_TRUE(form->Menu_AutoConnect.Checked);
    EXPECT_TRUE(form->Menu_SrcSelect.Checked);
    EXPECT_TRUE(form->Menu_ImgPosRight.Checked);
    EXPECT_FALSE(form->CB_CombineMeasurements.Visible);

    // The start completes 150 ms after the window was built, once.
    const int changes = box.Changes;
    box.Clock.Advance(149);
    EXPECT_FALSE(form->initialized);
    box.Clock.Advance(1);
    EXPECT_TRUE(form->initialized);
    EXPECT_FALSE(form->Timer_init.Enabled());
    EXPECT_FALSE(form->BorderIconMaximize);
    EXPECT_GT(box.Changes, changes);

    form.reset();
    ASSERT_TRUE(fs::exists(userFile));
    for (const TKey& k : UserKeyDefaults) {
        SCOPED_TRACE(std::string(k.Section) + "/" + k.Key);
        EXPECT_EQ(Setting(userFile, k.Section, k.Key), k.Value ? k.Value : box.UserConfig);
    }
    // Program settings and keys that are only written by their own commands stay out.
    for (const char* key : {"SaveTSVStyle", "ShowCableIDOnly"})
        EXPECT_EQ(Setting(userFile, "Setup", key), "");
    EXPECT_EQ(Setting(userFile, "COM", "DirectFTDI"), "");
    EXPECT_EQ(Setting(userFile, "COM", "Baud"), "");
    // The language file went to the configuration folder and holds the texts shown.
    EXPECT_NE(ReadFileBytes(box.UserConfig + DIR_SEP "language.ini").find(std::string("d\0i\0s\0c\0", 8)),
              std::string::npos);
    // Nothing was written beside the program.
    EXPECT_FALSE(fs::exists(box.App + DIR_SEP "DRConfig.ini"));
    EXPECT_FALSE(fs::exists(box.App + DIR_SEP "language.ini"));
}

TEST(MainStart, ProgramAndUserSettingsAreTakenAsWritten) {
    TFormSandbox box;
    const std::vector<std::string> program = {
        "[COM]",
        "bits = 7",
        "parity = \"EVEN\"",
        "stopBits = \"1,5\"",
        "Baud = 9600",
        "[Setup]",
        "SaveTSVStyle = \"halvorn\"",
        "ShowCableIDOnly = true",
        "[VexoCommunication]",
        "getTimeTimeOut = 2500",
        "disconnectOnTimeError = false",
        "[Application]",
        "name = \"Lab Reader\"",
        "icon = \"" + TGenFile::MakeSaveString(box.App + DIR_SEP "lab.ico") + "\"",
        "[Customer]",
        "name = \"Clinic\""};
    std::ofstream(box.App + DIR_SEP "lab.ico") << "icon";
    WriteTextFile(box.App + DIR_SEP "DRConfigRO.ini", program);
    const std::string programBytes = ReadFileBytes(box.App + DIR_SEP "DRConfigRO.ini");
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini",
                  {"[Setup]", "TestSource = \"vExO\"", "AddDataBehaviour = \"overwrite\"",
                   "ImagePosition = \"full\"", "CombineMeasurements = true", "SaveOnExit = true",
                   "DefaultDir = \"" + TGenFile::MakeSaveString(box.Dir / "gone") + "\"",
                   "[VexoCommunication]", "autoConnect = false", "ShutDownOnClose = true"});
    auto form = box.Start();
    EXPECT_TRUE(box.Notes.Messages.empty());
    EXPECT_EQ(form->Schnittstelle->countOfBits, 7);
    EXPECT_EQ(form->Schnittstelle->parity, FT_PARITY_EVEN);
    EXPECT_EQ(form->Schnittstelle->stopBits, FT_STOP_BITS_1_5);
    EXPECT_EQ(form->VexoBaudRate, 9600);
    EXPECT_EQ(form->ComboBox_Baud.ItemIndex, 5); // the listed 9600, no new entry
    EXPECT_EQ(form->ComboBox_Baud.Count(), 14);
    EXPECT_EQ(form->SaveTSVStyle, TSVVHalvorn);
    EXPECT_EQ(form->ListView_Results.Columns.size(), 4u);
    EXPECT_EQ(form->ListView_Results.Columns[3].Caption, "Class");
    EXPECT_TRUE(form->ShowCableIDOnly);
    EXPECT_EQ(form->timeOutForGetTime, 2500);
    EXPECT_FALSE(form->autoDisconnectOnTimeError);
    EXPECT_EQ(form->Caption, "Lab Reader - V1.5.063");
    EXPECT_EQ(form->IconFile, box.App + DIR_SEP "lab.ico");
    EXPECT_EQ(form->VersionInfo().Customer, "Clinic");
    EXPECT_EQ(form->CurrentTestSource, TSVexo);
    EXPECT_TRUE(form->Menu_SrcVexo.Checked);
    EXPECT_FALSE(form->Menu_SrcSelect.Checked);
    EXPECT_EQ(form->AddDataBehaviour, AlwaysOverwrite);
    EXPECT_TRUE(form->Menu_OverWriteExisting.Checked);
    EXPECT_EQ(form->ImagePosition, SFull);
    EXPECT_TRUE(form->Menu_ImgPosFull.Checked);
    EXPECT_EQ(form->CombineMeasurements, Combine);
    EXPECT_TRUE(form->CB_CombineMeasurements.Visible);
    EXPECT_TRUE(form->CB_CombineMeasurements.Checked);
    EXPECT_EQ(form->CB_CombineMeasurements.Caption, "Combine measurements");
    const TRect& open = form->Button_Open.Bounds;
    const TRect& cb = form->CB_CombineMeasurements.Bounds;
    EXPECT_EQ(cb.Left, open.Right() + 6);
    EXPECT_EQ(cb.Top + cb.Height / 2, open.Top + open.Height / 2);
    EXPECT_TRUE(form->SaveOnExit);
    EXPECT_FALSE(form->autoConnect);
    EXPECT_FALSE(form->Menu_AutoConnect.Checked);
    EXPECT_TRUE(form->Menu_ShutDownOnClose.Checked);
    // A start folder that has gone is not offered, but the setting keeps it.
    EXPECT_EQ(form->OpenDialog_Results.InitialDir, box.App);
    EXPECT_EQ(form->OpenDialog_Cfg.InitialDir, box.App);
    form.reset();
    EXPECT_EQ(ReadFileBytes(box.App + DIR_SEP "DRConfigRO.ini"), programBytes);
    EXPECT_EQ(Setting(box.App + DIR_SEP "DRConfig.ini", "Setup", "DefaultDir"), box.Dir / "gone");
    EXPECT_EQ(Setting(box.App + DIR_SEP "DRConfig.ini", "Setup", "ImagePosition"), "Full");
}

TEST(MainStart, LineSettingTexts) {
    struct {
        const char* Text;
        tParity Code;
        const char* Kept;
    } parities[] = {{"none", FT_PARITY_NONE, "none"},    {"Odd", FT_PARITY_ODD, "Odd"},
                    {"EVEN", FT_PARITY_EVEN, "EVEN"},    {"mark", FT_PARITY_MARK, "mark"},
                    {"space", FT_PARITY_SPACE, "space"}, {"evenly", FT_PARITY_NONE, "none"},
                    {"", FT_PARITY_NONE, "none"}};
    for (const auto& c : parities) {
        std::string kept;
        EXPECT_EQ(ParityFromSetting(c.Text, kept), c.Code) << c.Text;
        EXPECT_EQ(kept, c.Kept) << c.Text;
    }
    struct {
        const char* Text;
        tStopBits Code;
        const char* Kept;
    } stops[] = {{"1", FT_STOP_BITS_1, "1"},       {"1.5", FT_STOP_BITS_1_5, "1.5"},
                 {"1,5", FT_STOP_BITS_1_5, "1,5"}, {"2", FT_STOP_BITS_2, "2"},
                 {"3", FT_STOP_BITS_1, "1"},       {"1.50", FT_STOP_BITS_1, "1"}};
    for (const auto& c : stops) {
        std::string kept;
        EXPECT_EQ(StopBitsFromSetting(c.Text, kept), c.Code) << c.Text;
        EXPECT_EQ(kept, c.Kept) << c.Text;
    }
}

TEST(MainStart, LatencyTimerSettingOutsideTheBridgesRangeGivesTheDefault) {
    const struct {
        const char* Text;
        int Value;
    } cases[] = {{"5", 5}, {"1", 2}, {"256", 2}, {"\"fast\"", 2}};
    for (const auto& c : cases) {
        TFormSandbox box;
        WriteTextFile(box.App + "/DRConfig.ini", {"[COM]", std::string("LatencyTimer = ") + c.Text});
        auto form = box.Start();
        EXPECT_EQ(form->Schnittstelle->latencyTimer, c.Value) << c.Text;
    }
}

TEST(MainStart, ShippedSettingsBesideAReadOnlyProgramBecomeTheUsersCopy) {
    TFormSandbox box;
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini",
                  {"[Setup]", "LastUsedFile = \"Shipped.tsv\"", "Language = \"Deutsch\""});
    WriteTextFile(box.App + DIR_SEP "language.ini", {"[Deutsch]", "3 = \"Verbinden\""});
    box.MakeAppReadOnly();
    // A program folder the user may not write to: the shipped file cannot be opened for writing either.
    const std::string shipped = box.App + DIR_SEP "DRConfig.ini";
    fs::permissions(shipped, fs::perms::owner_read | fs::perms::group_read);
    const bool immutable = vexo::platform::CanOpenForReadWrite(shipped) && SetImmutable(shipped, true);
    struct Undo {
        std::string Path;
        bool On;
        ~Undo() {
            if (On) SetImmutable(Path, false);
        }
    } undo{shipped, immutable};
    if (vexo::platform::CanOpenForReadWrite(shipped)) GTEST_SKIP() << "cannot make a file read-only here";
    auto form = box.Start();
    EXPECT_EQ(form->LastUsedFile, "Shipped.tsv");
    EXPECT_EQ(form->ConfigFile->Filename, box.UserConfig + DIR_SEP "DRConfig.ini");
    // The shipped language file is copied the same way.
    EXPECT_EQ(form->Button_Open.Caption, "Verbinden");
    EXPECT_EQ(form->LanguageFile->Filename, box.UserConfig + DIR_SEP "language.ini");
    form.reset();
    EXPECT_NE(ReadFileBytes(box.UserConfig + DIR_SEP "language.ini").find(std::string("V\0e\0r\0b\0", 8)),
              std::string::npos);
    EXPECT_EQ(Setting(box.UserConfig + DIR_SEP "DRConfig.ini", "Setup", "LastUsedFile"), "Shipped.tsv");
    EXPECT_EQ(Setting(box.UserConfig + DIR_SEP "DRConfig.ini", "Setup", "Width"), "874");
}

TEST(MainStart, WindowPlacementRules) {
    const TScreenMetrics screen{1600, 1000, 1500, 950, 96};
    struct {
        std::int32_t Left, Top, Width, Height, State;
        TWindowPlacement Expected;
    } cases[] = {
        {10, 20, 900, 700, 0, {10, 20, 900, 700, wsNormal}},
        {10, 20, 900, 700, 1, {10, 20, 900, 700, wsNormal}}, // never starts minimised
        {10, 20, 900, 700, 2, {10, 20, 874, 624, wsMaximized}},
        {10, 20, 900, 700, 7, {10, 20, 874, 624, wsMaximized}},
        {10, 20, 900, 700, -1, {10, 20, 874, 624, wsMaximized}},
        {-30, -5, 900, 700, 0, {0, 0, 900, 700, wsNormal}},
        {1501, 951, 900, 700, 0, {800, 500, 900, 700, wsNormal}}, // half the screen, not the desktop
        {1500, 950, 900, 700, 0, {1500, 950, 900, 700, wsNormal}},
    };
    for (const auto& c : cases) {
        TWindowPlacement p = PlaceWindow(c.Left, c.Top, c.Width, c.Height, c.State, screen, 874, 624);
        EXPECT_EQ(p.Left, c.Expected.Left) << c.Left << "," << c.Top << " state " << c.State;
        EXPECT_EQ(p.Top, c.Expected.Top) << c.Left << "," << c.Top << " state " << c.State;
        EXPECT_EQ(p.Width, c.Expected.Width) << c.State;
        EXPECT_EQ(p.Height, c.Expected.Height) << c.State;
        EXPECT_EQ(p.State, c.Expected.State) << c.State;
    }
}

TEST(MainStart, WindowGeometryFromSettingsAndBackAtShutdown) {
    TFormSandbox box;
    box.Env.Screen = TScreenMetrics{1600, 1000, 1500, 950, 144};
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini",
                  {"[Setup]", "Left = 3000", "Top = 40", "Width = 300", "Height = 2000", "WindowState = 0"});
    auto form = box.Start();
    EXPECT_DOUBLE_EQ(form->ScaleFactor, 1.5);
    EXPECT_EQ(form->MinHeight, 768);
    EXPECT_EQ(form->MinWidth, 1041);
    EXPECT_EQ(form->Left, 800);
    EXPECT_EQ(form->Top, 40);
    EXPECT_EQ(form->Width, 1041); // held by the size constraint
    EXPECT_EQ(form->Height, 2000);
    EXPECT_EQ(form->WindowState, wsNormal);
    EXPECT_EQ(form->Button_InstantMeasure.Bounds.Left, form->Button_ReadData.Bounds.Right() + 3);
    EXPECT_EQ(form->ListView_Measurements.Bounds.Top, form->Button_ReadData.Bounds.Top + 29);
    EXPECT_EQ(form->Label_FWDisplay.Bounds.Left, form->Panel_Date.Bounds.Left);
    EXPECT_EQ(form->Label_FWDisplay.Bounds.Right(), form->Panel_Time.Bounds.Right());
    form->WindowState = wsMaximized;
    form->Left = 5;
    form.reset();
    const std::string file = box.App + DIR_SEP "DRConfig.ini";
    EXPECT_EQ(Setting(file, "Setup", "WindowState"), "2");
    EXPECT_EQ(Setting(file, "Setup", "Left"), "5");
    EXPECT_EQ(Setting(file, "Setup", "Width"), "1041");
}

TEST(MainStart, NarrowDesktopNarrowsTheDeviceButtons) {
    TFormSandbox box;
    box.Env.Screen.DesktopWidth = 400;
    auto form = box.Start();
    EXPECT_EQ(form->Button_ReadData.Bounds.Width, 100);
    EXPECT_EQ(form->Button_TimerMeasure.Bounds.Left, form->Button_ReadData.Bounds.Left + 2 * 103);
    EXPECT_EQ(form->Button_TimerMeasure.Bounds.Height, 25);
}

struct LanguageFixture : ::testing::Test {
    TFormSandbox box;
    void SetUp() override {
        WriteTextFile(box.App + DIR_SEP "language.ini",
                      {"[Deutsch]", "3 = \"Verbinden\"", "575 = \"getrennt\"", "", "[English]",
                       "117 = \"edited\"", "575 = \"edited\"", "", "[Deutsch Schweiz]", "3 = \"Verbinde\""});
        WriteTextFile(box.App + DIR_SEP "DRConfig.ini", {"[Setup]", "Language = \"Deutsch\""});
    }
};

TEST_F(LanguageFixture, MenuHoldsEveryLanguageOnceAndTheChosenOneIsTicked) {
    auto form = box.Start();
    ASSERT_EQ(form->LanguageItems.size(), 3u);
    EXPECT_EQ(form->LanguageItems[0].Caption, "English");
    EXPECT_EQ(form->LanguageItems[1].Caption, "Deutsch");
    EXPECT_EQ(form->LanguageItems[2].Caption, "DeutschSchweiz");
    EXPECT_FALSE(form->LanguageItems[0].Checked);
    EXPECT_TRUE(form->LanguageItems[1].Checked);
    EXPECT_EQ(form->LanguageFile->CurrentLanguage, "Deutsch");
    EXPECT_EQ(form->StatusBar.Panels[0].Text, "getrennt");
    EXPECT_EQ(form->Button_Open.Caption, "Verbinden");
    // Missing in Deutsch: the built-in English text, which also replaces the edited English one.
    EXPECT_EQ(form->Button_ReadData.Caption, "Read data from vexo");
    EXPECT_EQ(form->LanguageFile->GetVal("English", "117"), "Read data from vexo");

    form->LanguageMenuItemClick(0);
    EXPECT_EQ(form->LanguageFile->CurrentLanguage, "English");
    EXPECT_TRUE(form->LanguageItems[0].Checked);
    EXPECT_FALSE(form->LanguageItems[1].Checked);
    EXPECT_EQ(form->Button_Open.Caption, "Connect");
    EXPECT_EQ(form->Button_Open.Hint, "Establish a connection to the device.");
    EXPECT_TRUE(form->Button_Open.ShowHint);
    EXPECT_EQ(form->ConfigFile->GetVal("Setup", "Language"), "English");
    // With English chosen, the English head's own texts are the ones shown.
    form->ShowStatus(16);
    EXPECT_EQ(form->StatusBar.Panels[0].Text, "edited");

    // A head name with blanks is shown without them and finds no texts.
    form->LanguageMenuItemClick(2);
    EXPECT_EQ(form->Button_Open.Caption, "Connect");
}

TEST_F(LanguageFixture, UnknownLanguageFallsBackOnEnglish) {
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini",
                  {"[Setup]", "Language = \"deutsch\""}); // letter case counts
    auto form = box.Start();
    EXPECT_EQ(form->LanguageFile->CurrentLanguage, "English");
    EXPECT_TRUE(form->LanguageItems[0].Checked);
    EXPECT_EQ(form->Button_Open.Caption, "Connect");
}

TEST(MainMenus, SettingCommandsTickTheirItemsAndWriteTheSetting) {
    TFormSandbox box;
    auto form = box.Start();
    form->Menu_NewDataBehaviourItemClick(form->Menu_AddToExisting);
    EXPECT_EQ(form->AddDataBehaviour, AlwaysAdd);
    EXPECT_TRUE(form->Menu_AddToExisting.Checked);
    EXPECT_FALSE(form->Menu_AlwaysAsk.Checked);
    EXPECT_EQ(form->ConfigFile->GetVal("Setup", "AddDataBehaviour"), "Add");
    form->Menu_NewDataBehaviourItemClick(form->Menu_OverWriteExisting);
    EXPECT_EQ(form->ConfigFile->GetVal("Setup", "AddDataBehaviour"), "Overwrite");
    EXPECT_FALSE(form->Menu_AddToExisting.Checked);
    form->Menu_NewDataBehaviourItemClick(form->Menu_AlwaysAsk);
    EXPECT_EQ(form->AddDataBehaviour, AlwaysAsk);
    EXPECT_EQ(form->ConfigFile->GetVal("Setup", "AddDataBehaviour"), "Ask");

    form->Menu_ShutDownOnCloseClick();
    EXPECT_TRUE(form->ShutDownOnClose);
    EXPECT_TRUE(form->Menu_ShutDownOnClose.Checked);
    EXPECT_EQ(form->ConfigFile->GetVal("VexoCommunication", "ShutDownOnClose"), "true");
    form->Menu_ShutDownOnCloseClick();
    EXPECT_FALSE(form->ShutDownOnClose);

    form->Menu_LoadLastSavedOnStartClick();
    EXPECT_TRUE(form->Menu_LoadLastSavedOnStart.Checked);
    EXPECT_EQ(form->ConfigFile->GetVal("Setup", "LoadLastSavedOnStart"), "true");

    // Shortcuts are handled even when they have nothing to do; Ctrl+L opens the file dialog.
    EXPECT_TRUE(form->FormShortCut('S', true));
    box.Dialogs.Expect("OpenFile", mrCancel);
    EXPECT_TRUE(form->FormShortCut('L', true));
    ASSERT_EQ(box.Dialogs.Calls.size(), 1u);
    box.Dialogs.Calls.clear();
    EXPECT_FALSE(form->FormShortCut('S', false));
    EXPECT_FALSE(form->FormShortCut('X', true));
    EXPECT_TRUE(box.Dialogs.Calls.empty());
}

TEST(MainClose, SaveOnExitAsksOnlyWhenTheListHoldsEntries) {
    TFormSandbox box;
    WriteTextFile(box.App + DIR_SEP "DRConfig.ini", {"[Setup]", "SaveOnExit = true"});
    {
        auto form = box.Start();
        EXPECT_TRUE(form->RequestClose());
        EXPECT_TRUE(form->Closed());
        EXPECT_TRUE(box.Dialogs.Calls.empty());
    }
    auto form = box.Start();
    form->MeasureList.push_back(std::make_unique<TMeasureSet>());
    box.Dialogs.Expect("MessageBox", mrCancel);
    EXPECT_FALSE(form->RequestClose());
    EXPECT_FALSE(form->Closed());
    ASSERT_EQ(box.Dialogs.Calls.size(), 1u);
    EXPECT_EQ(box.Dialogs.Calls[0].Text, "Do you want to save the data before closing the program?");
    EXPECT_EQ(box.Dialogs.Calls[0].Caption, "");
    EXPECT_EQ(box.Dialogs.Calls[0].Style, 3);
    box.Dialogs.Expect("MessageBox", mrNo);
    EXPECT_TRUE(form->RequestClose());
    EXPECT_TRUE(box.Dialogs.ScriptDone());
}

TEST(MainClose, DestructionLeavesNothingPointingIntoTheFreedEntries) {
    TFormSandbox box;
    auto form = box.Start();
    auto entry = std::make_unique<TMeasureSet>();
    entry->ResultList.resize(2);
    form->MeasureList.push_back(std::move(entry));
    form->RefreshMeasureList();
    form->SelectMeasurement(0);
    ASSERT_EQ(form->SelResultList.size(), 2u);
    form->FormDestroy();
    EXPECT_TRUE(form->MeasureList.empty());
    EXPECT_TRUE(form->SelResultList.empty());
    EXPECT_EQ(form->ListView_Measurements.ItemCount, 0);
    EXPECT_EQ(form->ListView_Results.ItemCount, 0);
    EXPECT_EQ(form->ListView_Measurements.ItemIndex, -1);
}

TEST(MainUninstall, RemovesTheProgramsFilesAndShowsNoWindow) {
    TFormSandbox box;
    box.MakeAppReadOnly();
    box.Start().reset();
    ASSERT_TRUE(fs::exists(box.UserConfig + DIR_SEP "DRConfig.ini"));
    ASSERT_TRUE(fs::exists(box.UserConfig + DIR_SEP "language.ini"));

    box.Env.Arguments = {"-uninstall"};
    auto form = box.Start();
    EXPECT_TRUE(form->preventStart);
    EXPECT_FALSE(form->Constructed);
    EXPECT_FALSE(form->ConfigFile);
    EXPECT_EQ(box.Clock.NextDue(), -1); // no timer runs
    form.reset();
    EXPECT_FALSE(fs::exists(box.UserConfig));
    EXPECT_FALSE(fs::exists(box.User + "/zr4"));
    EXPECT_TRUE(box.Dialogs.Calls.empty());
}

TEST(MainUninstall, OnlyTheExactArgumentUninstalls) {
    TFormSandbox box;
    box.MakeAppReadOnly();
    box.Env.Arguments = {"-UNINSTALL"};
    auto form = box.Start();
    EXPECT_FALSE(form->preventStart);
    EXPECT_TRUE(form->Constructed);
}

} // namespace

namespace {

// Everything under a folder with its bytes, to see that nothing changed.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        files[e.path().string()] = e.is_regular_file() ? ReadFileBytes(e.path().string()) : "<dir>";
    return files;
}

TEST(MainStart, ReadOnlySettingsAreReadAndNeverWritten) {
    TFormSandbox box;
    box.Env.ReadOnlySettings = true;
    fs::create_directories(box.UserConfig);
    WriteTextFile(box.UserConfig + DIR_SEP "DRConfig.ini",
                  {"[Setup]", "TestSource = \"Vexo\"", "[COM]", "Port = 7"});
    WriteTextFile(box.App + DIR_SEP "DRConfigRO.ini", {"[COM]", "Baud = 9600"});
    const auto before = Snapshot(box.Dir.Path.string());
    {
        auto form = box.Start();
        box.Clock.Advance(200);
        EXPECT_EQ(form->CurrentTestSource, TSVexo);
        EXPECT_EQ(form->COMPort, 7);
        EXPECT_EQ(form->VexoBaudRate, 9600);
        EXPECT_EQ(form->Text(LE::Ready), "Ready");
        form->RequestClose();
    }
    EXPECT_EQ(Snapshot(box.Dir.Path.string()), before);
    EXPECT_TRUE(box.Notes.Messages.empty()) << box.Notes.Messages[0].first;
}

TEST(MainStart, ReadOnlySettingsWithoutAnyFileRunOnDefaultsAndCreateNothing) {
    TFormSandbox box;
    box.Env.ReadOnlySettings = true;
    const auto before = Snapshot(box.Dir.Path.string());
    {
        auto form = box.Start();
        EXPECT_EQ(form->VexoBaudRate, 38400);
        form->RequestClose();
    }
    EXPECT_EQ(Snapshot(box.Dir.Path.string()), before);
    // Only the program settings' message stays, as at every start.
    ASSERT_EQ(box.Notes.Messages.size(), 1u);
    EXPECT_EQ(box.Notes.Messages[0].first, "Could not open file " + box.App + DIR_SEP "DRConfigRO.ini");
}

} // namespace
