// The measurement list and its two report views: cells, sorting, selection,
// comments, deleting, and the list operations the other work calls.
#include <algorithm>

#include "Collation.h"
#include "Main.h"

namespace {

std::string DateCellText(const TDateData& date) {
    if (!IsValidDateData(date)) return DateDataToRawText(date);
    const TDateTimeFields f = DecodeDateTime(DateDataToDateTime(date));
    const bool midnight = f.Hour == 0 && f.Minute == 0 && f.Second == 0;
    return vexo::platform::FormatLocaleDateTime({f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second},
                                                !midnight);
}

void MoveSortArrow(TListView& view, std::int32_t& columnToSort, std::int32_t column, ESortType mode) {
    if (columnToSort >= 0 && static_cast<std::size_t>(columnToSort) < view.Columns.size())
        view.Columns[static_cast<std::size_t>(columnToSort)].Arrow = eSortArrow::None;
    columnToSort = column;
    // Ascending shows the arrow pointing down.
    view.Columns[static_cast<std::size_t>(column)].Arrow = IsUpMode(mode) ? eSortArrow::Down : eSortArrow::Up;
}

// The Up mode of a column; a second click on it gives its Down mode.
ESortType NextMode(ESortType current, ESortType upMode) {
    return current == upMode ? static_cast<ESortType>(upMode + 1) : upMode;
}

} // namespace

std::vector<std::string> TForm_Main::ListView_MeasurementsData(std::int32_t Item) {
    if (Item < 0 || static_cast<std::size_t>(Item) >= MeasureList.size()) return {};
    const TMeasureSet& e = *MeasureList[static_cast<std::size_t>(Item)];
    return {e.TestID, e.TestName, e.LotNr, e.Distr_Manu, DateCellText(e.DateTime), e.UserComment};
}

std::vector<std::string> TForm_Main::ListView_ResultsData(std::int32_t Item) {
    if (Item < 0 || static_cast<std::size_t>(Item) >= SelResultList.size()) return {};
    const TResultSet& r = *SelResultList[static_cast<std::size_t>(Item)];
    if (ListView_Results.Columns.size() == 4) return {r.Validity, r.ResultName, r.ResultValue, r.ClassName};
    return {r.Validity, r.ResultName, r.ResultValue, r.UnitName, r.ClassName};
}

void TForm_Main::ListView_MeasurementsColumnClick(std::int32_t column) {
    static const ESortType modes[] = {TestIDUp, TestNameUp, LotNrUp, DistrManuUp, DateTimeUp, AddDataUp};
    if (column < 0 || column >= 6 || static_cast<std::size_t>(column) >= ListView_Measurements.Columns.size())
        return;
    TChangeScope scope(*this);
    SelectMeasurement(-1);
    MeasureSortMode = NextMode(MeasureSortMode, modes[column]);
    MoveSortArrow(ListView_Measurements, MeasColumnToSort, column, MeasureSortMode);
    SortList(MeasureSortMode, MeasureList);
}

void TForm_Main::ListView_ResultsColumnClick(std::int32_t column) {
    static const ESortType five[] = {ResValidUp, ResNameUp, ResValUp, ResUnitUp, ResClassUp};
    static const ESortType four[] = {ResValidUp, ResNameUp, ResValUp, ResClassUp};
    const std::size_t count = ListView_Results.Columns.size();
    if (column < 0 || static_cast<std::size_t>(column) >= count || count < 4 || count > 5) return;
    TChangeScope scope(*this);
    ListView_Results.ItemIndex = -1;
    ResultSortMode = NextMode(ResultSortMode, count == 4 ? four[column] : five[column]);
    MoveSortArrow(ListView_Results, ResColumnToSort, column, ResultSortMode);
    SortList(ResultSortMode, SelResultList);
}

void TForm_Main::FullHeightViews(TListView& view) {
    // Down to 4 pixels above the status bar.
    const std::int32_t bottom = ClientHeight - StatusBar.Height - 4;
    view.Bounds.Height = std::max(0, bottom - view.Bounds.Top);
}

void TForm_Main::ListView_MeasurementsSelectItem(std::int32_t Item, bool Selected) {
    TChangeScope scope(*this);
    SelResultList.clear();
    DrawImage = false;
    if (Selected && Item >= 0 && static_cast<std::size_t>(Item) < MeasureList.size()) {
        TMeasureSet& e = *MeasureList[static_cast<std::size_t>(Item)];
        for (TResultSet& r : e.ResultList) SelResultList.push_back(&r);
        SetValueLabels(e.ImgMin, e.ImgMax);
        if (!e.ImageData.empty()) {
            DrawImage = true;
            DrawLineImage();
            PlaceLineImage();
        }
    }
    if (!DrawImage || ImagePosition == SNone) ShowViewsFullHeight();
    ListView_Results.ItemCount = static_cast<std::int32_t>(SelResultList.size());
    ListView_Results.ItemIndex = -1;
    SortList(ResultSortMode, SelResultList);
}

void TForm_Main::SelectMeasurement(std::int32_t Item) {
    TChangeScope scope(*this);
    if (Item >= static_cast<std::int32_t>(MeasureList.size())) Item = -1;
    if (Item < 0) Item = -1;
    const std::int32_t before = ListView_Measurements.ItemIndex;
    if (before == Item) return;
    ListView_Measurements.ItemIndex = Item;
    if (before >= 0) ListView_MeasurementsSelectItem(before, false);
    if (Item >= 0) ListView_MeasurementsSelectItem(Item, true);
}

void TForm_Main::ListView_MeasurementsDblClick() {
    if (ListView_Measurements.ItemIndex >= 0) AddCommentClick();
}

bool TForm_Main::PopupMenu_ResultsPopup() {
    return ListView_Measurements.ItemIndex >= 0 &&
           static_cast<std::size_t>(ListView_Measurements.ItemIndex) < MeasureList.size();
}

void TForm_Main::AddCommentClick() {
    TChangeScope scope(*this);
    const std::int32_t row = ListView_Measurements.ItemIndex;
    TMeasureSet* entry =
        row >= 0 && static_cast<std::size_t>(row) < MeasureList.size() ? MeasureList[row].get() : nullptr;
    std::string text = entry ? entry->UserComment : std::string();
    if (QueryText(Text(LE::UserComments), Text(LE::CommentsResponsibility), true, text) != mrOk) return;
    // The dialog may have outlived the entry (a read that cleared the list meanwhile).
    if (entry && row < static_cast<std::int32_t>(MeasureList.size()) && MeasureList[row].get() == entry)
        entry->UserComment = text;
}

void TForm_Main::HideImageAfterDelete() {
    if (DrawImage && ImagePosition != SNone) {
        DrawImage = false;
        if (ImagePosition == SLeft) FullHeightViews(ListView_Results);
        if (ImagePosition == SRight) FullHeightViews(ListView_Measurements);
    }
    // Without a selected entry the value labels have nothing to show.
    Label_Min.Visible = false;
    Label_Max.Visible = false;
}

void TForm_Main::DeleteEntriesClick() {
    TChangeScope scope(*this);
    // The entry, not its row: replies handled while the question is open may re-sort the
    // list and select another entry (a measurement that finishes meanwhile).
    const std::int32_t row = ListView_Measurements.ItemIndex;
    const TMeasureSet* entry =
        row >= 0 && static_cast<std::size_t>(row) < MeasureList.size() ? MeasureList[row].get() : nullptr;
    const std::string testID = entry ? entry->TestID : std::string();
    if (ShowMessageBox(Text(LE::DeleteSelectedEntry), "", 4) != mrYes) return;
    // The results view lets go of the entry's rows before the entry is freed.
    SelectMeasurement(-1);
    // A list cleared meanwhile may hold a new entry at the same address; the Test ID
    // tells them apart.
    const auto at = std::find_if(MeasureList.begin(), MeasureList.end(),
                                 [&](const auto& e) { return e.get() == entry && e->TestID == testID; });
    if (entry && at != MeasureList.end()) MeasureList.erase(at);
    ListView_Measurements.ItemCount = static_cast<std::int32_t>(MeasureList.size());
    HideImageAfterDelete();
    UpdateSaveEnabled();
}

void TForm_Main::Menu_DeleteListClick() {
    TChangeScope scope(*this);
    if (!MeasureList.empty() && ShowMessageBox(Text(LE::DeleteAllEntries), "", 4) == mrYes) {
        SelectMeasurement(-1);
        MeasureList.clear();
        ListView_Measurements.ItemCount = 0;
        HideImageAfterDelete();
        UpdateSaveEnabled();
    }
    DrawLineImage();
    FormResize();
}

std::int32_t TForm_Main::IndexOfTestID(const TMeasureSet& entry) const {
    for (std::size_t i = 0; i < MeasureList.size(); ++i)
        if (MeasureList[i]->TestID == entry.TestID) return static_cast<std::int32_t>(i);
    return -1;
}

void TForm_Main::ClearMeasureList() {
    TChangeScope scope(*this);
    SelResultList.clear();
    ListView_Measurements.ItemIndex = -1;
    // No entry is selected any more, so no image is shown.
    if (DrawImage) ShowViewsFullHeight();
    DrawImage = false;
    MeasureList.clear();
    ListView_Measurements.ItemCount = 0;
    ListView_Results.ItemCount = 0;
}

void TForm_Main::UpdateSaveEnabled() {
    if (!MeasureList.empty()) Menu_SaveFile.Enabled = true;
    Button_Save.Enabled = Menu_SaveFile.Enabled;
}

void TForm_Main::RefreshMeasureList() {
    ListView_Measurements.ItemCount = static_cast<std::int32_t>(MeasureList.size());
    SortList(MeasureSortMode, MeasureList);
    UpdateSaveEnabled();
}

void TForm_Main::AddNewMeasurement() {
    TChangeScope scope(*this);
    if (!NewMeasureSet) return;
    SelectMeasurement(-1);
    TMeasureSet* added = NewMeasureSet.get();
    MeasureList.push_back(std::move(NewMeasureSet));
    RefreshMeasureList();
    for (std::size_t i = 0; i < MeasureList.size(); ++i)
        if (MeasureList[i].get() == added) SelectMeasurement(static_cast<std::int32_t>(i));
    TestConfig.reset();
    SaveNewData();
}

void TForm_Main::SaveNewData() {
    TChangeScope scope(*this);
    if (AutoSave)
        SaveMeasureFile(STLastFile);
    else if (PromptSave)
        SaveMeasureFile(STAsk);
    if (TrackMeasurements) SaveMeasureFile(STTrackFile);
}
