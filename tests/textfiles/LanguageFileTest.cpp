#include "LanguageFile.h"

#include <gtest/gtest.h>

#include <set>

#include "TempDir.h"

namespace {

using Lines = std::vector<std::string>;

struct LanguageFixture : ::testing::Test {
    TempDir dir;
    std::unique_ptr<TLanguageFile> Open(const Lines& lines) {
        WriteBytes(dir / "language.ini", Utf16File(lines));
        return std::make_unique<TLanguageFile>(dir / "language.ini");
    }
};

TEST(LanguageEntries, TableIsOrderedAndHoldsThePrintedTexts) {
    std::set<std::uint32_t> ids;
    std::uint32_t last = 0;
    for (const auto& e : LanguageEntries) {
        EXPECT_GT(e.ID, last);
        last = e.ID;
        ids.insert(e.ID);
    }
    EXPECT_EQ(ids.size(), 194u);
    EXPECT_EQ(LanguageEntries[0].ID, 1u);
    EXPECT_EQ(last, 770u);
    EXPECT_EQ(LE::FileNotFound.Def, "The file could not be found: ");
    EXPECT_EQ(LE::EvaluationStartsIn.Def, "The evaluation starts in ");
    EXPECT_EQ(LE::FileInUse.Def, "The file is currently in use by another application.\r\nPlease close the "
                                 "application and try again.");
    EXPECT_EQ(LE::DateFormat.Def, "MM/dd/yyyy");
    ASSERT_NE(FindLanguageEntry(500), nullptr);
    EXPECT_EQ(FindLanguageEntry(500)->Def, "Ready");
    EXPECT_EQ(FindLanguageEntry(5), nullptr);
    EXPECT_EQ(FindLanguageEntry(9999), nullptr);
}

TEST_F(LanguageFixture, EmptyFileGrowsIntoAnOrderedEnglishHead) {
    {
        auto lang = Open({});
        for (const TLangEntry* e : {&LE::Ready, &LE::Connect, &LE::HintTimerMeasure, &LE::Language,
                                    &LE::FileInUse, &LE::Connect, &LE::NoText})
            EXPECT_EQ(lang->GetLanguageString(*e), e->Def);
    }
    TLanguageFile again(dir / "language.ini");
    EXPECT_EQ(again.Lines,
              (Lines{"", "[English]", "1 = \"Language\"", "3 = \"Connect\"", "500 = \"Ready\"",
                     "556 = \"The file is currently in use by another application.\\n\\rPlease close "
                     "the application and try again.\"",
                     "770 = \"Start a measurement using timer (if declared in test configuration).\""}));
    EXPECT_EQ(again.GetLanguageString(LE::FileInUse), LE::FileInUse.Def);
}

TEST_F(LanguageFixture, TranslationsWinAndMissingTextsFallBack) {
    auto lang = Open({"[English]", "500 = \"Edited ready\"", "[Deutsch]", "3 = \"Verbinden\"",
                      "4 = \"Zwei\\n\\rZeilen\""});
    lang->CurrentLanguage = "Deutsch";
    EXPECT_EQ(lang->GetLanguageString(LE::Connect), "Verbinden");
    EXPECT_EQ(lang->GetLanguageString(LE::Disconnect), "Zwei\r\nZeilen");
    // Deutsch lacks 500: the built-in text shows and replaces the edited English one.
    EXPECT_EQ(lang->GetLanguageString(4), "Zwei\r\nZeilen");
    EXPECT_EQ(lang->GetLanguageString(500), "Edited ready");
    EXPECT_EQ(lang->GetLanguageString(LE::Ready), "Ready");
    EXPECT_EQ(lang->Lines[1], "500 = \"Ready\"");
    EXPECT_EQ(lang->GetLanguageString(1), "");
    EXPECT_EQ(lang->Lines.size(), 5u); // the id lookup never writes
}

TEST_F(LanguageFixture, NoTextIsNeverWrittenButMayBeTranslated) {
    auto lang = Open({"[Deutsch]", "9999 = \"nichts\""});
    EXPECT_EQ(lang->GetLanguageString(LE::NoText), "");
    lang->CurrentLanguage = "Deutsch";
    EXPECT_EQ(lang->GetLanguageString(LE::NoText), "nichts");
    EXPECT_EQ(lang->Lines.size(), 2u);
}

TEST_F(LanguageFixture, SetValKeepsIdsAscending) {
    struct Case {
        std::uint32_t id;
        Lines after;
    } cases[] = {
        {1, {"[English]", "1 = \"new\"", "5 = \"five\"", "20 = \"twenty\"", "[Next]", "2 = \"x\""}},
        {5, {"[English]", "5 = \"new\"", "20 = \"twenty\"", "[Next]", "2 = \"x\""}},
        {7, {"[English]", "5 = \"five\"", "7 = \"new\"", "20 = \"twenty\"", "[Next]", "2 = \"x\""}},
        {25, {"[English]", "5 = \"five\"", "20 = \"twenty\"", "25 = \"new\"", "[Next]", "2 = \"x\""}},
    };
    for (const auto& c : cases) {
        auto lang = Open({"[English]", "5 = \"five\"", "20 = \"twenty\"", "[Next]", "2 = \"x\""});
        lang->SetVal("English", c.id, "new");
        EXPECT_EQ(lang->Lines, c.after) << c.id;
    }
    auto lang = Open({"[english]", "007 = \"seven\"", "3=\"three\" # comment"});
    lang->SetVal("English", 8, "eight"); // "007" is no id as the program writes them
    EXPECT_EQ(lang->Lines, (Lines{"[english]", "007 = \"seven\"", "3=\"three\" # comment", "8 = \"eight\""}));
    lang->SetVal("Fran cais", 2, "deux");
    EXPECT_EQ(lang->Lines.back(), "2 = \"deux\"");
    EXPECT_EQ(lang->Lines[lang->Lines.size() - 2], "[Francais]");
}

TEST_F(LanguageFixture, HeadsInFileOrder) {
    auto lang = Open({"; notes", "[English]", "1 = \"a\"", "[Deutsch Schweiz]", "[Deutsch]"});
    EXPECT_EQ(lang->CountHeads(), 3);
    EXPECT_EQ(lang->GetHeadName(1), "English");
    EXPECT_EQ(lang->GetHeadName(2), "DeutschSchweiz");
    EXPECT_EQ(lang->GetHeadName(3), "Deutsch");
    EXPECT_EQ(lang->GetHeadName(4), "");
    // The reduced name finds no head line written with the blank: English texts show.
    lang->CurrentLanguage = lang->GetHeadName(2);
    EXPECT_EQ(lang->GetLanguageString(LE::Language), "Language");
}

TEST_F(LanguageFixture, MissingReadOnlyFileGivesEnglishDefaults) {
    TLanguageFile lang(dir / "none.ini", true);
    EXPECT_FALSE(lang.IsValid());
    lang.CurrentLanguage = "Deutsch";
    EXPECT_EQ(lang.GetLanguageString(LE::Ready), "Ready");
    EXPECT_EQ(lang.CountHeads(), 1); // held in memory only
    EXPECT_FALSE(std::filesystem::exists(dir.Path / "none.ini"));
}

} // namespace
