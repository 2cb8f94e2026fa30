// Measurements on the simulated reader, from the click to a new entry: configurations
// from a file, from the reader's stored list and from an RFID tag, the reader's prompts,
// the line image, combined pairs, and the ways a run can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "ConnectionRig.h"
#include "ReaderSimulator.h"

namespace {

std::string T(const TLangEntry& e) {
    return std::string(e.Def);
}

TSimScenario WithRFIDCard(TSimScenario s = DefaultScenario()) {
    s.VexoCfgBits |= SimBitRFIDTestCard;
    return s;
}

// A configuration of n results on the demo reader's lines.
TSimConfig ResultsConfig(int n) {
    TSimConfig c = DefaultScenario().Configurations.at("CRP");
    c.TestName = "Panel " + std::to_string(n);
    c.Results.resize(static_cast<std::size_t>(n), c.Results[0]);
    for (int k = 0; k < n; ++k) c.Results[static_cast<std::size_t>(k)].Name = "R" + std::to_string(k);
    return c;
}

class Measurement : public ::testing::Test {
protected:
    std::unique_ptr<TConnectionRig> Rig;
    std::vector<std::string> Commands;

    TForm_Main& Connect(const TSimScenario& scenario = DefaultScenario(),
                        const std::vector<std::string>& settings = {}) {
        Rig = std::make_unique<TConnectionRig>(eMode::COM, scenario);
        std::vector<std::string> user{"[Setup]"};
        user.insert(user.end(), settings.begin(), settings.end());
        Rig->UserSettings(user);
        Rig->Sim().SetTrace([this](const std::string& line) {
            for (const char* what : {"evaluate mode", "write data", "get image", "read data 0x0 ",
                                     "read data 0x20000", "read data 0x40000", "read data 0x30000"}) {
                const auto at = line.find(what);
                if (at != std::string::npos) Commands.push_back(line.substr(at));
            }
        });
        TForm_Main& form = Rig->Start();
        EXPECT_TRUE(Rig->ConnectByHand());
        // Without the clock poll no click is held back.
        form.VexoGetDateTimeEnable = false;
        form.Timer_VexoClock.SetEnabled(false);
        Commands.clear();
        return form;
    }
    TForm_Main& Form() { return Rig->Form(); }
    TScriptedDialogs& Dialogs() { return Rig->H.Box.Dialogs; }
    std::string Path(const std::string& name) const { return Rig->H.Box.Dir / name; }
    std::string ConfigFile(const std::string& name, const tByteBuffer& bytes) {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string ConfigFile(const std::string& name, const TSimConfig& config) {
        return ConfigFile(name, BuildSimConfig(config));
    }
    // Until the run is over: ready again with no write, read or image under way.
    bool RunToReady(std::int64_t limitMs = 60000) {
        Rig->Run(20);
        return Rig->RunUntil([&] { return Form().State.Current == 0; }, limitMs);
    }
    std::size_t Count(const std::string& prefix) const {
        return static_cast<std::size_t>(std::count_if(
            Commands.begin(), Commands.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }
    std::vector<std::string> Prompts() const {
        std::vector<std::string> out;
        for (const auto& c : Rig->H.Box.Dialogs.Of("EvaluationInfo")) out.push_back(c.Text);
        return out;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& c : Rig->Messages()) out.push_back(c.Text);
        return out;
    }
};

TEST_F(Measurement, InstantFromAFile) {
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"local\""});
    const TSimConfig tni = DefaultScenario().Configurations.at("TnI");
    const std::string file = ConfigFile("tni.bin", tni);
    Dialogs().Expect("OpenFile", mrOk, 0, file);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    EXPECT_EQ(form.State.Current, 8);
    ASSERT_TRUE(RunToReady());

    // The file's folder is remembered for the next dialog and in the settings.
    EXPECT_EQ(form.DefaultDir, Rig->H.Box.Dir.Path.string());
    EXPECT_EQ(form.OpenDialog_Cfg.InitialDir, Rig->H.Box.Dir.Path.string());
    EXPECT_EQ(form.OpenDialog_Cfg.FileName, "tni.bin");
    EXPECT_EQ(form.ConfigFile->GetVal("Setup", "DefaultDir", std::string()), Rig->H.Box.Dir.Path.string());

    ASSERT_EQ(form.MeasureList.size(), 1u);
    const TMeasureSet& e = *form.MeasureList[0];
    EXPECT_EQ(e.TestName, "Troponin I hs");
    EXPECT_EQ(e.LotNr, tni.LotNr);
    EXPECT_EQ(e.ResultList.size(), 1u);
    EXPECT_EQ(e.MeasureResult.LineCount, tni.Lines.size());
    // The demo reader's line of 240 gray values, 12-bit, scaled from its smallest to its largest.
    EXPECT_EQ(e.ImageData.size(), 240u);
    EXPECT_LT(std::stoi(e.ImgMin), std::stoi(e.ImgMax));
    EXPECT_LE(std::stoi(e.ImgMax), 4095);
    EXPECT_EQ(*std::min_element(e.ImageData.begin(), e.ImageData.end()), 0);
    EXPECT_GE(*std::max_element(e.ImageData.begin(), e.ImageData.end()), 254);
    EXPECT_EQ(form.ListView_Measurements.ItemIndex, 0);
    EXPECT_EQ(Count("evaluate mode 0x00"), 1u);
    EXPECT_EQ(Count("get image height 1 mode 5"), 1u);
    EXPECT_EQ(Count("get image next x 0 y 0 finished"), 1u);
    EXPECT_EQ(Prompts(), (std::vector<std::string>{T(LE::PlaceOverWhiteCard), T(LE::PlaceOverTestCard),
                                                   T(LE::EvaluationRunning)}));
    EXPECT_FALSE(Dialogs().Of("HideEvaluationInfo").empty());
    EXPECT_TRUE(form.TestConfig == nullptr);
    EXPECT_TRUE(form.CB_CombineMeasurements.Enabled);
}

TEST_F(Measurement, TimerFromTheReadersStoredList) {
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"Vexo\""});
    form.MeasureList.push_back(std::make_unique<TMeasureSet>());
    form.RefreshMeasureList();
    // Keep the list; then the second of the three stored configurations.
    Dialogs().Expect("MessageBox", mrYes);
    Dialogs().Expect("ConfigList", mrOk, 1);
    form.Button_MeasureClick(&form.Button_TimerMeasure);
    ASSERT_TRUE(RunToReady(90000));
    const TDialogCall list = Dialogs().Of("ConfigList").at(0);
    EXPECT_EQ(list.Caption, T(LE::ListOfConfigurations));
    EXPECT_EQ(Count("read data 0x30000"), 1u);
    EXPECT_EQ(Count("evaluate mode 0x02"), 1u);

    ASSERT_EQ(form.MeasureList.size(), 2u);
    const TMeasureSet& e = *form.MeasureList[static_cast<std::size_t>(form.ListView_Measurements.ItemIndex)];
    EXPECT_EQ(e.TestName, "Influenza A/B");
    EXPECT_EQ(e.ResultList.size(), 2u);
    // The timer's 30 seconds counted down, each as four digits.
    const std::vector<std::string> p = Prompts();
    EXPECT_NE(std::find(p.begin(), p.end(), "The evaluation starts in 0030."), p.end());
    EXPECT_NE(std::find(p.begin(), p.end(), "The evaluation starts in 0001."), p.end());
    EXPECT_EQ(p.back(), T(LE::EvaluationRunning));
}

TEST_F(Measurement, StoredListWithoutUsableFormsAndCancelled) {
    // Cancelled list: ready again, nothing written.
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"Vexo\""});
    Dialogs().Expect("ConfigList", mrCancel, -1);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(RunToReady(5000));
    EXPECT_EQ(Count("write data"), 0u);
    EXPECT_EQ(Count("evaluate"), 0u);
    // Ready means no reply is awaited: no time-out left running.
    EXPECT_FALSE(form.Timer_TimeOut.Enabled());

    // Blocks the list is cut from: the first usable forms only, a broken checksum skipped,
    // and a size below the header ending the list.
    tByteBuffer a = BuildSimConfig(DefaultScenario().Configurations.at("CRP"));
    tByteBuffer b = BuildSimConfig(DefaultScenario().Configurations.at("TnI"));
    tByteBuffer bad = b;
    bad[bad.size() / 2] ^= 0x5A;
    tByteBuffer block = a;
    block.insert(block.end(), bad.begin(), bad.end());
    block.insert(block.end(), b.begin(), b.end());
    form.ShowStatus(8);
    Dialogs().Expect("ConfigList", mrCancel, -1);
    form.ChooseStoredConfig(block);
    EXPECT_EQ(form.State.Current, 0);

    tByteBuffer stuck = a;
    stuck.insert(stuck.end(), {0x05, 0x02, 0x00, 0x00});
    stuck.insert(stuck.end(), b.begin(), b.end());
    for (const tByteBuffer& none : {tByteBuffer{0x01, 0x00}, tByteBuffer{0x00}, tByteBuffer{0xFF, 0xFF}}) {
        form.ShowStatus(8);
        form.ChooseStoredConfig(none);
        EXPECT_EQ(form.State.Current, 8); // nothing offered: the time-out ends it
    }
    form.ShowStatus(8);
    Dialogs().Expect("ConfigList", mrCancel, -1);
    form.ChooseStoredConfig(stuck);
    form.ShowStatus(0);
}

TEST_F(Measurement, StoredListOffersOnlyFormsThatParse) {
    TSimScenario s = DefaultScenario();
    TSimConfig broken;
    tByteBuffer bytes = BuildSimConfig(s.Configurations.at("FluAB"));
    bytes[bytes.size() - 10] ^= 0x33; // a wrong checksum
    broken.Raw = bytes;
    s.Configurations["Broken"] = broken;
    s.Stored = {"CRP", "Broken", "TnI"};
    TForm_Main& form = Connect(s, {"TestSource = \"Vexo\""});
    std::vector<std::string> lines;
    Dialogs().WhileOpen = [&](const TDialogCall& call) {
        if (call.Kind == "ConfigList") lines.push_back(call.Caption);
    };
    Dialogs().Expect("ConfigList", mrOk, 1);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(RunToReady());
    ASSERT_EQ(form.MeasureList.size(), 1u);
    // Two candidates: the second line is the Troponin configuration.
    EXPECT_EQ(form.MeasureList[0]->TestName, "Troponin I hs");
}

TEST_F(Measurement, WrongChecksumAsksAgainAndCancelStartsNothing) {
    TForm_Main& form = Connect(DefaultScenario());
    tByteBuffer bytes = BuildSimConfig(DefaultScenario().Configurations.at("CRP"));
    bytes[bytes.size() - 10] ^= 0x33;
    const std::string bad = ConfigFile("bad.bin", bytes);
    Dialogs().Expect("Select", mrOk, 1);
    Dialogs().Expect("OpenFile", mrOk, 0, bad);
    Dialogs().Expect("MessageBox", mrOk);
    Dialogs().Expect("OpenFile", mrCancel);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    EXPECT_EQ(form.State.Current, 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{T(LE::ConfigChecksumWrong)});
    // The second dialog opens in the folder of the first file.
    const auto files = Dialogs().Of("OpenFile");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].Caption, Rig->H.Box.Dir.Path.string());
    EXPECT_EQ(files[1].Text, "bad.bin");
    Rig->Run(500);
    EXPECT_TRUE(Commands.empty());
}

TEST_F(Measurement, CancelInEachQuestion) {
    TForm_Main& form = Connect(DefaultScenario());
    form.MeasureList.push_back(std::make_unique<TMeasureSet>());
    form.RefreshMeasureList();
    // The source selection: the list question is not asked either.
    Dialogs().Expect("Select", mrCancel);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    // The list question.
    Dialogs().Expect("Select", mrOk, 0);
    Dialogs().Expect("MessageBox", mrCancel);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    EXPECT_EQ(Messages(), std::vector<std::string>{T(LE::AddToCurrentList)});
    EXPECT_EQ(form.MeasureList.size(), 1u);
    const TDialogCall select = Dialogs().Of("Select").at(0);
    EXPECT_EQ(select.Caption, T(LE::SelectSource));
    EXPECT_EQ(select.Text, T(LE::SelectConfigSource));
    // The RFID prompt.
    Rig.reset();
    TForm_Main& rfid = Connect(WithRFIDCard(), {"TestSource = \"Vexo\""});
    Dialogs().Expect("MessageBox", mrCancel);
    rfid.Button_MeasureClick(&rfid.Button_InstantMeasure);
    EXPECT_EQ(rfid.State.Current, 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{T(LE::PlaceDeviceAndTag)});
    Rig->Run(500);
    EXPECT_TRUE(Commands.empty());
}

TEST_F(Measurement, SourceMenuChecksOneItemAndStoresIt) {
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"VEXO\""});
    EXPECT_EQ(form.CurrentTestSource, TSVexo);
    struct {
        TMenuItem* Item;
        ETestSource Source;
        std::string Setting;
    } const cases[] = {{&form.Menu_SrcLocal, TSLocal, "Local"},
                       {&form.Menu_SrcSelect, TSSelect, "Select"},
                       {&form.Menu_SrcVexo, TSVexo, "Vexo"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Setting);
        form.Menu_TestSourceClick(*c.Item);
        EXPECT_EQ(form.CurrentTestSource, c.Source);
        EXPECT_EQ(form.ConfigFile->GetVal("Setup", "TestSource", std::string()), c.Setting);
        for (const auto& other : cases) EXPECT_EQ(other.Item->Checked, other.Item == c.Item);
    }
}

TEST_F(Measurement, OverwriteClearsTheList) {
    TForm_Main& form =
        Connect(DefaultScenario(), {"TestSource = \"Local\"", "AddDataBehaviour = \"Overwrite\""});
    form.MeasureList.push_back(std::make_unique<TMeasureSet>());
    form.RefreshMeasureList();
    Dialogs().Expect("OpenFile", mrOk, 0, ConfigFile("crp.bin", DefaultScenario().Configurations.at("CRP")));
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(RunToReady());
    ASSERT_EQ(form.MeasureList.size(), 1u);
    EXPECT_EQ(form.MeasureList[0]->TestName, "CRP Quant");
}

TEST_F(Measurement, FromAnRFIDTagWithRetries) {
    TSimScenario s = WithRFIDCard();
    s.RFIDErrorCount = 3;
    s.RFIDErrorCode = 0x38;
    TForm_Main& form = Connect(s, {"TestSource = \"Vexo\""});
    Dialogs().Expect("MessageBox", mrOk);
    form.Button_MeasureClick(&form.Button_TimerMeasure);
    EXPECT_TRUE(form.TryRFIDAgain);
    ASSERT_TRUE(RunToReady(90000));
    // Three silent retries, then the tag read, its configuration written, and the evaluation.
    EXPECT_EQ(Messages(), std::vector<std::string>{T(LE::PlaceDeviceAndTag)});
    EXPECT_EQ(Count("evaluate mode 0x03"), 4u);
    EXPECT_EQ(Count("read data 0x40000"), 1u);
    EXPECT_EQ(Count("evaluate mode 0x02"), 1u);
    ASSERT_EQ(form.MeasureList.size(), 1u);
    EXPECT_EQ(form.MeasureList[0]->TestName, "Troponin I hs");
}

TEST_F(Measurement, RFIDErrorsAreReportedOnceTheStatusIsOld) {
    TSimScenario s = WithRFIDCard();
    s.RFIDErrorCount = 1000;
    s.RFIDErrorCode = 0x30;
    TForm_Main& form = Connect(s, {"TestSource = \"Vexo\""});
    Dialogs().Expect("MessageBox", mrOk);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    Dialogs().Expect("MessageBox", mrOk);
    ASSERT_TRUE(RunToReady(20000));
    EXPECT_EQ(Messages().back(), std::string("(Vexo) Error Code: 0x30\r\n") + T(LE::RFIDTimeOut));
    EXPECT_FALSE(form.TryRFIDAgain);
    // Retried every 200 ms for five ticks of the status counter, and once more.
    EXPECT_GE(Count("evaluate mode 0x01"), 20u);
    EXPECT_LE(Count("evaluate mode 0x01"), 35u);
    EXPECT_TRUE(form.MeasureList.empty());
}

TEST_F(Measurement, ErrorsOutsideTheRFIDGroupAreNotRetried) {
    TForm_Main& form = Connect(WithRFIDCard());
    form.ShowStatus(8);
    form.TryRFIDAgain = true;
    // Tag too small and authentication: reported at once.
    for (std::uint8_t code : {0x3B, 0x3C}) {
        form.ShowStatus(8);
        Dialogs().Expect("MessageBox", mrOk);
        form.HandleVexoError(static_cast<eVexoError>(code), 0);
        EXPECT_EQ(form.State.Current, 0);
    }
    EXPECT_TRUE(form.TryRFIDAgain);
    // An RFID-group code is retried without a message; in status 8 evaluate goes out again.
    form.ShowStatus(8);
    form.HandleVexoError(static_cast<eVexoError>(0x34), 0);
    EXPECT_EQ(form.State.Current, 8);
    Rig->Run(50);
    EXPECT_EQ(Count("evaluate mode 0x01"), 1u);
    form.ShowStatus(0);
}

TEST_F(Measurement, CombinedPairOfIdenticalConfigurations) {
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"Local\"", "CombineMeasurements = true"});
    EXPECT_EQ(form.CombineMeasurements, Combine);
    Rig->Sim().SetNextValues({11.5f});
    Dialogs().Expect("OpenFile", mrOk, 0, ConfigFile("flu.bin", ResultsConfig(3)));
    Dialogs().Expect("MessageBox", mrYes);
    form.Button_MeasureClick(&form.Button_TimerMeasure);
    ASSERT_TRUE(Rig->RunUntil([&] { return form.CombineMeasurements == SecondMeasure; }, 90000));
    const TDialogCall question = Rig->Messages().back();
    EXPECT_EQ(question.Text, T(LE::CombineQuestion));
    EXPECT_EQ(question.Caption, T(LE::CombineMeasurementsCaption));
    EXPECT_EQ(question.Style, 4);
    EXPECT_TRUE(form.MeasureList.empty());
    EXPECT_FALSE(form.CB_CombineMeasurements.Enabled);
    const tByteBuffer firstImage = form.NewMeasureSet->ImageData;
    ASSERT_TRUE(RunToReady());

    // The second measurement ran at once (no timer), without an image of its own.
    EXPECT_EQ(Count("evaluate mode 0x02"), 1u);
    EXPECT_EQ(Count("evaluate mode 0x00"), 1u);
    EXPECT_EQ(Count("write data 0x0 "), 2u);
    EXPECT_EQ(Count("get image height"), 1u);
    ASSERT_EQ(form.MeasureList.size(), 1u);
    const TMeasureSet& e = *form.MeasureList[0];
    ASSERT_EQ(e.ResultList.size(), 6u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(e.ResultList[k].ResultName, "R" + std::to_string(k));
        EXPECT_EQ(e.ResultList[k + 3].ResultName, "R" + std::to_string(k));
    }
    EXPECT_EQ(e.ImageData, firstImage);
    EXPECT_EQ(form.CombineMeasurements, Combine);
}

TEST_F(Measurement, CombinedPairOfDifferentConfigurationsGivesTwoEntries) {
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"Local\"", "CombineMeasurements = true"});
    Dialogs().Expect("OpenFile", mrOk, 0, ConfigFile("crp.bin", DefaultScenario().Configurations.at("CRP")));
    Dialogs().Expect("MessageBox", mrYes);
    Dialogs().Expect("MessageBox", mrOk);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(Rig->RunUntil([&] { return form.CombineMeasurements == SecondMeasure; }, 60000));
    // The reader has meanwhile taken another configuration in place of the one written again.
    ASSERT_TRUE(Rig->RunUntil([&] { return Rig->Sim().Evaluating(); }, 5000));
    form.TestConfig->TestID.TestNu ^= 1;
    ASSERT_TRUE(RunToReady());
    EXPECT_EQ(Messages()[1], T(LE::ConfigsNotIdentical));
    ASSERT_EQ(form.MeasureList.size(), 2u);
    for (const auto& e : form.MeasureList) {
        EXPECT_EQ(e->ResultList.size(), 1u);
        EXPECT_EQ(e->ImageData.size(), 240u);
    }
    EXPECT_EQ(Count("get image height"), 2u);
    EXPECT_EQ(form.CombineMeasurements, Combine);
}

TEST_F(Measurement, APairBrokenOffKeepsItsFirstEntry) {
    // What comes after the error: the next measurement, the check box, or closing the window.
    enum EAfter { NextMeasurement, CheckBox, Closing };
    for (const EAfter after : {NextMeasurement, CheckBox, Closing}) {
        SCOPED_TRACE(after == CheckBox ? "check box" : after == Closing ? "closing" : "next measurement");
        TForm_Main& form = Connect(
            DefaultScenario(), {"TestSource = \"Local\"", "CombineMeasurements = true", "SaveOnExit = true"});
        TSimBehaviour error;
        error.Command = 0x5E;
        error.Nth = 2;
        error.VexoError = 0x11;
        Rig->Sim().AddBehaviour(error);
        const std::string file = ConfigFile("crp.bin", DefaultScenario().Configurations.at("CRP"));
        Dialogs().Expect("OpenFile", mrOk, 0, file);
        Dialogs().Expect("MessageBox", mrYes);
        Dialogs().Expect("MessageBox", mrOk);
        form.Button_MeasureClick(&form.Button_InstantMeasure);
        ASSERT_TRUE(Rig->RunUntil([&] { return form.CombineMeasurements == SecondMeasure; }, 60000));
        ASSERT_TRUE(RunToReady());
        EXPECT_EQ(Messages().back(), std::string("(Vexo) Error Code: 0x11\r\n") + T(LE::LowBattery));
        EXPECT_TRUE(form.MeasureList.empty());
        if (after == CheckBox) {
            // Combining switched off: the first half becomes an entry at once.
            form.CB_CombineMeasurements.Checked = false;
            form.CB_CombineMeasurementsClick();
            EXPECT_EQ(form.CombineMeasurements, SingleOnly);
            ASSERT_EQ(form.MeasureList.size(), 1u);
            // The next measurement is an entry of its own beside it.
            Dialogs().Expect("MessageBox", mrYes);
            Dialogs().Expect("OpenFile", mrOk, 0, file);
            form.Button_MeasureClick(&form.Button_InstantMeasure);
            ASSERT_TRUE(RunToReady());
            ASSERT_EQ(form.MeasureList.size(), 2u);
        } else if (after == Closing) {
            // The first half joins the list before the question whether to save it.
            Dialogs().Expect("MessageBox", mrNo);
            form.RequestClose();
            ASSERT_EQ(form.MeasureList.size(), 1u);
            EXPECT_EQ(Messages().back(), T(LE::SaveBeforeClosing));
        } else {
            // The next measurement starts afresh; the first half of the pair became an entry.
            Dialogs().Expect("MessageBox", mrYes);
            Dialogs().Expect("OpenFile", mrCancel);
            form.Button_MeasureClick(&form.Button_InstantMeasure);
            EXPECT_EQ(form.CombineMeasurements, Combine);
            ASSERT_EQ(form.MeasureList.size(), 1u);
        }
        EXPECT_EQ(form.MeasureList[0]->ResultList.size(), 1u);
        EXPECT_EQ(form.MeasureList[0]->ImageData.size(), 240u);
    }
}

TEST_F(Measurement, NoCombinationQuestionForMoreThanFiveResults) {
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"Local\"", "CombineMeasurements = true"});
    Dialogs().Expect("OpenFile", mrOk, 0, ConfigFile("six.bin", ResultsConfig(6)));
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(RunToReady());
    EXPECT_TRUE(Messages().empty());
    ASSERT_EQ(form.MeasureList.size(), 1u);
    EXPECT_EQ(form.MeasureList[0]->ResultList.size(), 6u);
    // The check box turns combining off and on again.
    form.CB_CombineMeasurements.Checked = false;
    form.CB_CombineMeasurementsClick();
    EXPECT_EQ(form.CombineMeasurements, SingleOnly);
}

TEST_F(Measurement, LongConfigurationsGoOutInPackagesOf768) {
    TSimConfig big = DefaultScenario().Configurations.at("CRP");
    big.Distributor = std::string(900, 'D');
    const tByteBuffer bytes = BuildSimConfig(big);
    ASSERT_GT(bytes.size(), 768u);
    ASSERT_LE(bytes.size(), 1536u);
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"Local\""});
    Dialogs().Expect("OpenFile", mrOk, 0, ConfigFile("big.bin", bytes));
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(RunToReady());
    ASSERT_GE(Commands.size(), 3u);
    char second[64];
    std::snprintf(second, sizeof second, "write data 0x300 %zu flags 0x01", bytes.size() - 768);
    EXPECT_EQ(Commands[0], "write data 0x0 768 flags 0x00");
    EXPECT_EQ(Commands[1], second);
    EXPECT_EQ(Commands[2], "evaluate mode 0x00");
    // A repeated confirmation starts no second evaluation.
    form.ShowStatus(8);
    form.HandleWriteSuccess(0, 0, 0);
    form.ShowStatus(0);
    Rig->Run(50);
    EXPECT_EQ(Count("evaluate"), 1u);
}

TEST_F(Measurement, BusyReaderAndDeferredClick) {
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"Local\""});
    // Busy: the message and nothing else.
    form.ShowStatus(2);
    Dialogs().Expect("MessageBox", mrOk);
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    EXPECT_EQ(Messages(), std::vector<std::string>{T(LE::VexoBusyWait)});
    EXPECT_EQ(form.State.Current, 2);
    form.ShowStatus(0);

    // A busy report during the evaluation keeps status 8 and waits its time plus 8500 ms.
    TSimBehaviour busy;
    busy.Command = 0x5E;
    busy.Nth = 1;
    busy.BusyMs = 12000;
    Rig->Sim().AddBehaviour(busy);
    Dialogs().Expect("OpenFile", mrOk, 0, ConfigFile("crp.bin", DefaultScenario().Configurations.at("CRP")));
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(Rig->RunUntil([&] { return form.Timer_TimeOut.Interval() == 20500; }, 5000));
    EXPECT_EQ(form.State.Current, 8);
    ASSERT_TRUE(RunToReady());
    EXPECT_EQ(form.MeasureList.size(), 1u);

    // Outside a measurement a busy report is status 20.
    form.ShowStatus(2);
    form.HandleDeviceBusy(1000);
    EXPECT_EQ(form.State.Current, 20);
    EXPECT_EQ(form.Timer_TimeOut.Interval(), 9500);
    form.ShowStatus(0);

    // Clicked while a clock answer may be pending: run when the poll's window ends.
    form.Timer_WaitAfterClock.SetEnabled(true);
    form.Button_MeasureClick(&form.Button_TimerMeasure);
    EXPECT_EQ(form.DelayedUserAction, actTimerMeasure);
    Dialogs().Expect("MessageBox", mrYes);
    Dialogs().Expect("OpenFile", mrCancel);
    Rig->Run(310);
    EXPECT_EQ(form.DelayedUserAction, actNone);
    EXPECT_TRUE(form.IsTimerMeasure);
}

TEST_F(Measurement, ReaderErrorInTheMiddle) {
    TForm_Main& form = Connect(DefaultScenario(), {"TestSource = \"Local\""});
    TSimBehaviour error;
    error.Command = 0x5E;
    error.VexoError = 0x12;
    Rig->Sim().AddBehaviour(error);
    Dialogs().Expect("OpenFile", mrOk, 0, ConfigFile("crp.bin", DefaultScenario().Configurations.at("CRP")));
    Dialogs().Expect("MessageBox", mrOk);
    std::uint8_t statusWhileOpen = 0xFF;
    Dialogs().WhileOpen = [&](const TDialogCall& c) {
        if (c.Kind == "MessageBox") statusWhileOpen = form.State.Current;
    };
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(RunToReady(5000));
    EXPECT_EQ(Messages(),
              std::vector<std::string>{std::string("(Vexo) Error Code: 0x12\r\n") + T(LE::CaptureError)});
    EXPECT_EQ(statusWhileOpen, 18);
    EXPECT_TRUE(form.MeasureList.empty());
    // Prompts after the run has ended show nothing.
    const std::size_t shown = Prompts().size();
    form.HandlePlaceWhiteCard();
    form.HandlePlaceTestCard();
    form.HandleEvaluationRun();
    form.HandleShowTimer(45);
    EXPECT_EQ(Prompts().size(), shown);
    // In status 8 the timer prompt counts in four digits.
    form.ShowStatus(8);
    form.HandleShowTimer(45);
    EXPECT_EQ(Prompts().back(), "The evaluation starts in 0045.");
    form.ShowStatus(0);
}

TEST_F(Measurement, ImagesOfEveryShape) {
    TSimScenario s = DefaultScenario();
    s.ImageWidth = 120;
    TForm_Main& form = Connect(s, {"TestSource = \"Local\""});
    Dialogs().Expect("OpenFile", mrOk, 0, ConfigFile("crp.bin", s.Configurations.at("CRP")));
    form.Button_MeasureClick(&form.Button_InstantMeasure);
    ASSERT_TRUE(RunToReady());
    ASSERT_EQ(form.MeasureList.size(), 1u);
    const TMeasureSet& e = *form.MeasureList[0];
    EXPECT_EQ(e.ImageData.size(), 120u);
    EXPECT_NE(e.OrigImage[119], -1);
    EXPECT_EQ(e.OrigImage[120], -1);

    // Directly: other colour modes store nothing; a line longer than announced is cut.
    struct {
        eColorMode Mode;
        std::uint16_t Width;
        std::size_t Values;
        std::size_t Stored; // values in OrigImage
    } const cases[] = {{icmGRAY_8, 100, 100, 0},
                       {icmRGB, 100, 100, 0},
                       {icmGRAY_16, 100, 300, 100},
                       {icmGRAY_16, 400, 400, 256},
                       {icmGRAY_16, 50, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Values);
        form.ShowStatus(8);
        form.CombineMeasurements = SingleOnly;
        form.NewMeasureSet = std::make_unique<TMeasureSet>();
        form.HandleImageTransferStart(c.Width, 1);
        tByteBuffer data;
        for (std::size_t k = 0; k < c.Values; ++k) {
            data.push_back(static_cast<std::uint8_t>(k));
            data.push_back(static_cast<std::uint8_t>(0x01 + k / 256));
        }
        TMeasureSet* entry = form.NewMeasureSet.get();
        form.HandleImageData(c.Mode, 0, 0, data);
        EXPECT_EQ(form.State.Current, 0);
        EXPECT_EQ(form.MeasureList.back().get(), entry);
        EXPECT_EQ(entry->ImageData.size(), std::min<std::size_t>(c.Width, 256));
        const auto stored = std::count_if(entry->OrigImage.begin(), entry->OrigImage.end(),
                                          [](std::int32_t v) { return v >= 0; });
        EXPECT_EQ(static_cast<std::size_t>(stored), c.Stored);
        if (c.Stored > 0) {
            // The smallest value is scaled to 0.
            EXPECT_EQ(entry->ImgMin, "256");
            EXPECT_EQ(entry->ImageData[0], 0);
            EXPECT_EQ(entry->ImgMax, std::to_string(256 + c.Stored - 1));
        } else if (c.Mode == icmGRAY_16) {
            // A reply without values still follows the image rule.
            EXPECT_EQ(entry->ImgMin, "4095");
            EXPECT_EQ(entry->ImgMax, "0");
        } else {
            EXPECT_EQ(entry->ImgMin, "");
        }
    }
}

TEST_F(Measurement, CommunicationAndUnknownResponses) {
    TForm_Main& form = Connect(DefaultScenario());
    // During a database read: the code in two digits and its text.
    TSimBehaviour crc;
    crc.Command = 0x52;
    crc.ComError = 0x01;
    Rig->Sim().AddBehaviour(crc);
    Dialogs().Expect("MessageBox", mrOk);
    form.Button_ReadDataClick();
    ASSERT_TRUE(RunToReady(5000));
    EXPECT_EQ(Messages(),
              std::vector<std::string>{std::string("(Comm) Error Code: 01\r\n") + T(LE::CRCMismatch)});
    Rig->Sim().ClearBehaviours();

    struct {
        bool Comm;
        std::uint8_t Code;
        std::string Message; // empty: none
    } const cases[] = {
        {true, 0x00, ""},
        {true, 0x45, std::string("(Comm) Error Code: 45\r\n") + T(LE::WriteFlashFailed)},
        {true, 0x50, "(Comm) Error Code: 50\r\n"},
        {true, 0x7F, "(Comm) Error Code: 7F\r\n"},
        {false, 0x05, "(Vexo) Error Code: 0x05\r\n"},
        {false, 0x15, std::string("(Vexo) Error Code: 0x15\r\n") + T(LE::CaptureError)},
        {false, 0x34, std::string("(Vexo) Error Code: 0x34\r\n") + T(LE::RFIDError)},
        {false, 0x3B, std::string("(Vexo) Error Code: 0x3B\r\n") + T(LE::TagTooSmall)},
        {false, 0x71, std::string("(Vexo) Error Code: 0x71\r\n") + T(LE::RFIDUnencryptedNotAllowed)},
        {false, 0x90, std::string("(Vexo) Error Code: 0x90\r\n") + T(LE::ConfigWrongVersion)},
        {false, 0x91, std::string("(Vexo) Error Code: 0x91\r\n") + T(LE::CustomerInvalid)},
        {false, 0xA0, "(Vexo) Error Code: 0xA0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Message);
        const std::size_t before = Messages().size();
        form.ShowStatus(8);
        if (!c.Message.empty()) Dialogs().Expect("MessageBox", mrOk);
        if (c.Comm)
            form.HandleCommunicationError(static_cast<eComError>(c.Code));
        else
            form.HandleVexoError(static_cast<eVexoError>(c.Code), 0);
        EXPECT_EQ(form.State.Current, 0);
        EXPECT_EQ(Messages().size(), before + (c.Message.empty() ? 0 : 1));
        if (!c.Message.empty()) {
            EXPECT_EQ(Messages().back(), c.Message);
        }
    }
    // Reader error 0 leaves the status; nothing at all while ready or disconnected.
    form.ShowStatus(8);
    form.HandleVexoError(static_cast<eVexoError>(0), 0);
    EXPECT_EQ(form.State.Current, 8);
    for (std::uint8_t status : {0, 16}) {
        form.ShowStatus(status);
        form.HandleCommunicationError(static_cast<eComError>(1));
        form.HandleVexoError(static_cast<eVexoError>(0x12), 0);
        if (status == 0) form.HandleUnknownCommand(0x99);
        EXPECT_EQ(form.State.Current, status);
    }
    // An unknown response while reading: its own text, then ready.
    form.ShowStatus(2);
    Dialogs().Expect("MessageBox", mrOk);
    form.HandleUnknownCommand(0x99);
    EXPECT_EQ(Messages().back(), T(LE::UnknownCommand));
    EXPECT_EQ(form.State.Current, 0);
    form.ShowStatus(0);
}

TEST_F(Measurement, RefusedButtonCommandWhileDisconnecting) {
    TForm_Main& form = Connect(DefaultScenario());
    form.ShowStatus(22);
    form.HandleCommunicationError(static_cast<eComError>(0x50));
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(form.LinkOpen());
}

} // namespace
