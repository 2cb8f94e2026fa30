// The measurement list on the window: cells, column clicks and arrows, selection,
// comments, deleting.
#include <gtest/gtest.h>

#include <functional>

#include "Collation.h"
#include "FormSandbox.h"
#include "MeasureEntries.h"

namespace {

class MeasureList : public ::testing::Test {
protected:
    void SetUp() override {
        vexo::platform::SetUserLocale("en_US");
        form = box.Start();
    }
    void TearDown() override {
        form.reset();
        EXPECT_TRUE(box.Dialogs.ScriptDone());
        vexo::platform::SetUserLocale("");
    }
    void Add(std::unique_ptr<TMeasureSet> e) {
        form->MeasureList.push_back(std::move(e));
        form->ListView_Measurements.ItemCount = static_cast<std::int32_t>(form->MeasureList.size());
    }
    std::string Order() const {
        std::string s;
        for (const auto& e : form->MeasureList) s += e->TestID;
        return s;
    }
    std::vector<eSortArrow> Arrows(const TListView& v) const {
        std::vector<eSortArrow> a;
        for (const auto& c : v.Columns) a.push_back(c.Arrow);
        return a;
    }
    TFormSandbox box;
    std::unique_ptr<TForm_Main> form;
};

using A = eSortArrow;

TEST_F(MeasureList, ColumnClicksChooseTheModeAndMoveTheArrow) {
    Add(MakeEntry("1"));
    form->MeasureList[0]->LotNr = "b";
    Add(MakeEntry("2"));
    form->MeasureList[1]->LotNr = "A";
    Add(MakeEntry("3"));
    form->MeasureList[2]->LotNr = "c";
    form->SelectMeasurement(0);

    form->ListView_MeasurementsColumnClick(2);
    EXPECT_EQ(form->MeasureSortMode, LotNrUp);
    EXPECT_EQ(form->ListView_Measurements.ItemIndex, -1); // deselected first
    EXPECT_EQ(Order(), "213");
    EXPECT_EQ(Arrows(form->ListView_Measurements),
              (std::vector<A>{A::None, A::None, A::Down, A::None, A::None, A::None}));

    form->ListView_MeasurementsColumnClick(2);
    EXPECT_EQ(form->MeasureSortMode, LotNrDown);
    EXPECT_EQ(Order(), "312");
    EXPECT_EQ(form->ListView_Measurements.Columns[2].Arrow, A::Up);

    form->ListView_MeasurementsColumnClick(1);
    EXPECT_EQ(form->MeasureSortMode, TestNameUp);
    EXPECT_EQ(form->MeasColumnToSort, 1);
    EXPECT_EQ(Arrows(form->ListView_Measurements),
              (std::vector<A>{A::None, A::Down, A::None, A::None, A::None, A::None}));

    // Column 5 sorts by comment; a column that does not exist changes nothing.
    form->ListView_MeasurementsColumnClick(5);
    EXPECT_EQ(form->MeasureSortMode, AddDataUp);
    form->ListView_MeasurementsColumnClick(6);
    form->ListView_MeasurementsColumnClick(-1);
    EXPECT_EQ(form->MeasureSortMode, AddDataUp);
}

TEST_F(MeasureList, DateCellsFollowTheRegionAndShowInvalidDatesRaw) {
    Add(MakeEntry("1", "CRP", MakeDate(2026, 5, 20, 14, 5, 9)));
    Add(MakeEntry("2", "CRP", MakeDate(2026, 5, 20)));
    TDateData bad = MakeDate(2026, 13, 2, 3, 4, 5);
    Add(MakeEntry("3", "CRP", bad));
    form->MeasureList[0]->UserComment = "note";
    const auto row0 = form->ListView_MeasurementsData(0);
    ASSERT_EQ(row0.size(), 6u);
    EXPECT_EQ(row0[0], "1");
    EXPECT_EQ(row0[4], vexo::platform::FormatLocaleDateTime({2026, 5, 20, 14, 5, 9}, true));
    EXPECT_EQ(row0[5], "note");
    EXPECT_EQ(form->ListView_MeasurementsData(1)[4],
              vexo::platform::FormatLocaleDateTime({2026, 5, 20}, false));
    EXPECT_EQ(form->ListView_MeasurementsData(2)[4], DateDataToRawText(bad));
    EXPECT_TRUE(form->ListView_MeasurementsData(3).empty());
    EXPECT_TRUE(form->ListView_ResultsData(0).empty());
}

TEST_F(MeasureList, SelectionShowsTheResultsInTheCurrentResultOrder) {
    Add(MakeEntry("1", "CRP", MakeDate(2026, 5, 20),
                  {{"Valid", "b", "10.25", "mg/l", "Neg"}, {"Valid", "a", "9.50", "mg/l", "Pos"}}));
    auto withImage = MakeEntry("2", "CRP", MakeDate(2026, 5, 20),
                               {{"Valid", "z", "2", "u", "k"}, {"", "y", "100", "u", "k"}});
    withImage->SetImageValues({10, 20, 30});
    Add(std::move(withImage));

    form->SelectMeasurement(0);
    EXPECT_FALSE(form->DrawImage);
    EXPECT_EQ(form->ListView_Results.ItemCount, 2);
    EXPECT_EQ(form->ListView_ResultsData(0),
              (std::vector<std::string>{"Valid", "b", "10.25", "mg/l", "Neg"}));
    // No image: both views reach down to 4 pixels above the status bar.
    EXPECT_EQ(form->ListView_Results.Bounds.Bottom(), form->ClientHeight - form->StatusBar.Height - 4);

    form->ListView_ResultsColumnClick(2);
    EXPECT_EQ(form->ResultSortMode, ResValUp);
    EXPECT_EQ(form->ListView_Results.Columns[2].Arrow, A::Down);
    EXPECT_EQ(form->ListView_ResultsData(0)[2], "9.50");

    form->SelectMeasurement(1);
    EXPECT_TRUE(form->DrawImage);
    EXPECT_EQ(form->Label_Min.Caption, form->MeasureList[1]->ImgMin);
    EXPECT_EQ(form->ListView_ResultsData(0)[2], "2"); // the result order stays in force
    EXPECT_EQ(form->ListView_ResultsData(1)[2], "100");

    form->SelectMeasurement(-1);
    EXPECT_TRUE(form->SelResultList.empty());
    EXPECT_FALSE(form->DrawImage);
    EXPECT_EQ(form->ListView_Results.ItemCount, 0);
}

TEST_F(MeasureList, FourResultColumnsInTheCustomerStyle) {
    form.reset();
    WriteTextFile(box.App + DIR_SEP "DRConfigRO.ini", {"[Setup]", "SaveTSVStyle = halvorn"});
    form = box.Start();
    ASSERT_EQ(form->ListView_Results.Columns.size(), 4u);
    Add(MakeEntry("1", "CRP", MakeDate(2026, 5, 20), {{"V", "n", "1", "u", "b"}, {"V", "m", "2", "u", "B"}}));
    form->SelectMeasurement(0);
    EXPECT_EQ(form->ListView_ResultsData(0), (std::vector<std::string>{"V", "n", "1", "b"}));
    form->ListView_ResultsColumnClick(3);
    EXPECT_EQ(form->ResultSortMode, ResClassUp);
    form->ListView_ResultsColumnClick(3);
    EXPECT_EQ(form->ResultSortMode, ResClassDown);
}

TEST_F(MeasureList, CommentsThroughTheTextInput) {
    Add(MakeEntry("1"));
    // Nothing selected: no menu, and a double click does nothing.
    EXPECT_FALSE(form->PopupMenu_ResultsPopup());
    form->ListView_MeasurementsDblClick();
    EXPECT_TRUE(box.Dialogs.Of("InputQuery").empty());

    form->SelectMeasurement(0);
    EXPECT_TRUE(form->PopupMenu_ResultsPopup());
    box.Dialogs.Expect("InputQuery", mrOk, 0, "checked twice");
    form->ListView_MeasurementsDblClick();
    EXPECT_EQ(form->MeasureList[0]->UserComment, "checked twice");
    const auto query = box.Dialogs.Of("InputQuery").back();
    EXPECT_EQ(query.Caption, "User comments");
    EXPECT_EQ(query.Text, "All comments added to the measurements are solely in the users responsibility.");

    box.Dialogs.Expect("InputQuery", mrCancel);
    form->AddCommentClick();
    EXPECT_EQ(form->MeasureList[0]->UserComment, "checked twice");
    box.Dialogs.Expect("InputQuery", mrOk, 0, "");
    form->AddCommentClick();
    EXPECT_EQ(form->MeasureList[0]->UserComment, "");
}

TEST_F(MeasureList, DeletingTheSelectedEntryAndTheWholeList) {
    for (const char* id : {"1", "2", "3"})
        Add(MakeEntry(id, "CRP", MakeDate(2026, 5, 20), {{"V", "n", "1", "u", "c"}}));
    form->SelectMeasurement(1);
    box.Dialogs.Expect("MessageBox", mrNo);
    form->DeleteEntriesClick();
    EXPECT_EQ(Order(), "123");
    EXPECT_EQ(box.Dialogs.Calls.back().Text, "Delete the selected entry?");
    EXPECT_EQ(box.Dialogs.Calls.back().Style, 4);

    box.Dialogs.Expect("MessageBox", mrYes);
    form->DeleteEntriesClick();
    EXPECT_EQ(Order(), "13");
    EXPECT_EQ(form->ListView_Measurements.ItemCount, 2);
    EXPECT_EQ(form->ListView_Measurements.ItemIndex, -1);
    EXPECT_TRUE(form->SelResultList.empty());
    EXPECT_EQ(form->ListView_Results.ItemCount, 0);

    box.Dialogs.Expect("MessageBox", mrNo);
    form->Menu_DeleteListClick();
    EXPECT_EQ(Order(), "13");
    box.Dialogs.Expect("MessageBox", mrYes);
    form->Menu_DeleteListClick();
    EXPECT_TRUE(form->MeasureList.empty());
    EXPECT_EQ(box.Dialogs.Calls.back().Text, "Delete all entries in the current list?");
    // An empty list asks nothing.
    form->Menu_DeleteListClick();
}

TEST_F(MeasureList, DeletingTakesTheEntryChosenBeforeTheQuestion) {
    // Replies handled while the question is open: a measurement finishes (the list is
    // re-sorted and the new entry selected), or a database read replaces the list.
    struct {
        const char* name;
        std::function<void(TForm_Main&)> meanwhile;
        const char* left;
    } const cases[] = {
        {"new entry selected",
         [](TForm_Main& f) {
             f.NewMeasureSet = MakeEntry("0");
             f.AddNewMeasurement();
         },
         "013"},
        {"list replaced",
         [](TForm_Main& f) {
             f.ClearMeasureList();
             for (const char* id : {"7", "8", "9"}) f.MeasureList.push_back(MakeEntry(id));
             f.RefreshMeasureList();
             f.SelectMeasurement(1);
         },
         "789"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form->ClearMeasureList();
        for (const char* id : {"1", "2", "3"}) Add(MakeEntry(id));
        form->ListView_MeasurementsColumnClick(0); // Test ID ascending
        form->SelectMeasurement(1);
        box.Dialogs.WhileOpen = [&](const TDialogCall&) { c.meanwhile(*form); };
        box.Dialogs.Expect("MessageBox", mrYes);
        form->DeleteEntriesClick();
        box.Dialogs.WhileOpen = nullptr;
        EXPECT_EQ(Order(), c.left);
        EXPECT_EQ(form->ListView_Measurements.ItemCount, static_cast<std::int32_t>(form->MeasureList.size()));
        EXPECT_TRUE(form->SelResultList.empty());
        form->MeasureSortMode = Unsorted;
    }
}

TEST_F(MeasureList, TestIDsAndClearing) {
    Add(MakeEntry("A"));
    Add(MakeEntry("a"));
    Add(MakeEntry("A"));
    TMeasureSet probe;
    probe.TestID = "A";
    EXPECT_EQ(form->IndexOfTestID(probe), 0);
    probe.TestID = "a";
    EXPECT_EQ(form->IndexOfTestID(probe), 1);
    probe.TestID = "b";
    EXPECT_EQ(form->IndexOfTestID(probe), -1);
    form->SelectMeasurement(2);
    form->ClearMeasureList();
    EXPECT_TRUE(form->MeasureList.empty());
    EXPECT_TRUE(form->SelResultList.empty());
    EXPECT_EQ(form->ListView_Measurements.ItemCount, 0);
    EXPECT_EQ(form->ListView_Results.ItemCount, 0);
}

} // namespace
