#include "MainWindow.h"

#include <chrono>
#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

#include "LineImagePainter.h"
#include "ProfileGeometry.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QColor ToQColor(std::uint32_t c) {
    return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

} // namespace

QDateTime ToQDateTime(TDateTime value) {
    using namespace std::chrono;
    const auto day = floor<days>(value);
    const year_month_day ymd{day};
    const auto ms = duration_cast<milliseconds>(value - day).count();
    return QDateTime(QDate(int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day())),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

TDateTime FromQDateTime(const QDateTime& value) {
    using namespace std::chrono;
    const QDate d = value.date();
    const local_days day{year{d.year()} / month{unsigned(d.month())} / std::chrono::day{unsigned(d.day())}};
    return TDateTime{day} + milliseconds{value.time().msecsSinceStartOfDay()};
}

std::int32_t WindowTextWidth(const std::string& text) {
    QFont font = QApplication::font();
    font.setPointSize(8);
    return QFontMetrics(font).horizontalAdvance(QString::fromStdString(text));
}

void TColorPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fColor.isValid() ? fColor : palette().color(QPalette::Window));
}

// ------------------------------------------------------------------ report model

void TReportModel::Sync() {
    const int rows = std::max(0, fView.ItemCount);
    const int columns = static_cast<int>(fView.Columns.size());
    if (rows != fRows || columns != fColumns) {
        beginResetModel();
        fRows = rows;
        fColumns = columns;
        endResetModel();
        return;
    }
    if (columns > 0) headerDataChanged(Qt::Horizontal, 0, columns - 1);
    if (rows > 0 && columns > 0) dataChanged(index(0, 0), index(rows - 1, columns - 1), {Qt::DisplayRole});
}

int TReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fRows;
}

int TReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fColumns;
}

QVariant TReportModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || !fCell) return {};
    if (index.row() >= fRows || index.column() >= fColumns) return {};
    return Q(fCell(index.row(), index.column()));
}

QVariant TReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= static_cast<int>(fView.Columns.size())) return {};
    return Q(fView.Columns[static_cast<std::size_t>(section)].Caption);
}

// ------------------------------------------------------------------ main window

TMainWindow::TMainWindow(TForm_Main& form, QWidget* parent) : QMainWindow(parent), fForm(form) {
    Client = new QWidget(this);
    setCentralWidget(Client);
    QFont f = font();
    f.setPointSize(fForm.FontSize);
    setFont(f);

    Button_Open = new QPushButton(Client);
    Button_ReadData = new QPushButton(Client);
    Button_InstantMeasure = new QPushButton(Client);
    Button_TimerMeasure = new QPushButton(Client);
    Button_Save = new QPushButton(Client);
    CB_CombineMeasurements = new QCheckBox(Client);
    ComboBox_FTDIDevice = new QComboBox(Client);
    ComboBox_Com = new QComboBox(Client);
    ComboBox_Baud = new QComboBox(Client);
    Label_FW = new QLabel(Client);
    Label_FWDisplay = new QLabel(Client);
    Label_FWDisplay->setAlignment(Qt::AlignCenter);
    Label_VexoTime = new QLabel(Client);
    Label_VexoTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_Min = new QLabel(Client);
    Label_Max = new QLabel(Client);
    for (QLabel* label : {Label_FW, Label_FWDisplay, Label_VexoTime, Label_Min, Label_Max})
        label->setTextFormat(Qt::PlainText);
    Panel_Date = new TColorPanel(Client);
    Panel_Time = new TColorPanel(Client);
    DTP_SetDate = new QDateEdit(Panel_Date);
    DTP_SetDate->setCalendarPopup(true);
    DTP_SetDate->setDisplayFormat("dd.MM.yyyy");
    DTP_SetTime = new QTimeEdit(Panel_Time);
    DTP_SetTime->setDisplayFormat("HH:mm:ss");
    for (QAbstractSpinBox* picker : std::initializer_list<QAbstractSpinBox*>{DTP_SetDate, DTP_SetTime})
        picker->setFrame(false);

    MeasurementsModel = new TReportModel(fForm.ListView_Measurements, this);
    ResultsModel = new TReportModel(fForm.ListView_Results, this);
    ListView_Measurements = new QTreeView(Client);
    ListView_Results = new QTreeView(Client);
    for (auto [view, model] :
         {std::pair{ListView_Measurements, MeasurementsModel}, std::pair{ListView_Results, ResultsModel}}) {
        view->setModel(model);
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true); // rows cost nothing until shown
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setAllColumnsShowFocus(true);
        view->header()->setStretchLastSection(false);
        view->header()->setSectionsMovable(false);
    }
    StatusBar = new TStatusBarView(Client);
    LineImageView = new QLabel(Client);
    LineImageView->hide();

    // Input: the user's changes go into the form's state, clicks to the handlers.
    WireInput();

    fResizeEnd = new QTimer(this);
    fResizeEnd->setSingleShot(true);
    fResizeEnd->setInterval(200);
    connect(fResizeEnd, &QTimer::timeout, this, [this] { Forward([this] { fForm.FormExitSizeMove(); }); });
    BuildMenus();
    // Ctrl+L and Ctrl+S belong to the window before any of its controls.
    qApp->installEventFilter(this);
    Render();
}

TMainWindow::~TMainWindow() {
    // The widgets below still change focus while they go; the form must not hear of it.
    for (const QMetaObject::Connection& c : fAppConnections) disconnect(c);
    qApp->removeEventFilter(this);
}

void TMainWindow::WireInput() {
    TForm_Main& f = fForm;
    connect(Button_Open, &QPushButton::clicked, this,
            [this, &f] { Forward([&f] { f.Button_OpenClick(); }); });
    connect(Button_ReadData, &QPushButton::clicked, this,
            [this, &f] { Forward([&f] { f.Button_ReadDataClick(); }); });
    connect(Button_Save, &QPushButton::clicked, this,
            [this, &f] { Forward([&f] { f.Button_SaveClick(); }); });
    connect(Button_InstantMeasure, &QPushButton::clicked, this,
            [this, &f] { Forward([&f] { f.Button_MeasureClick(&f.Button_InstantMeasure); }); });
    connect(Button_TimerMeasure, &QPushButton::clicked, this,
            [this, &f] { Forward([&f] { f.Button_MeasureClick(&f.Button_TimerMeasure); }); });
    connect(CB_CombineMeasurements, &QCheckBox::toggled, this, [this, &f](bool checked) {
        if (fRendering) return;
        f.CB_CombineMeasurements.Checked = checked;
        Forward([&f] { f.CB_CombineMeasurementsClick(); });
    });

    connect(ComboBox_FTDIDevice, &QComboBox::currentIndexChanged, this, [this, &f](int index) {
        if (fRendering) return;
        f.ComboBox_FTDIDevice.Select(index);
        Forward([&f] { f.ComboBox_FTDIDeviceChange(); });
    });
    for (auto [combo, state] :
         {std::pair{ComboBox_Com, &f.ComboBox_Com}, std::pair{ComboBox_Baud, &f.ComboBox_Baud}}) {
        TComboBox* s = state;
        connect(combo, &QComboBox::currentIndexChanged, this, [this, s](int index) {
            if (!fRendering) s->Select(index);
        });
        // What the user types in an editable box is its text; an entry only when it matches one.
        connect(combo, &QComboBox::editTextChanged, this, [this, s](const QString& text) {
            if (fRendering || !s->Editable) return;
            s->Text = text.toStdString();
            s->ItemIndex = -1;
            for (std::int32_t i = 0; i < s->Count(); ++i)
                if (s->Items[static_cast<std::size_t>(i)].Text == s->Text) s->ItemIndex = i;
        });
    }
    // The device box's context menu: "refresh".
    ComboBox_FTDIDevice->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ComboBox_FTDIDevice, &QWidget::customContextMenuRequested, this, [this, &f](const QPoint& at) {
        QMenu menu(this);
        menu.setStyle(&fMenuStyle);
        QAction* refresh = menu.addAction(Q(f.aktualisieren1.Caption));
        refresh->setEnabled(f.aktualisieren1.Enabled);
        if (menu.exec(ComboBox_FTDIDevice->mapToGlobal(at)) == refresh)
            Forward([&f] { f.aktualisieren1Click(); });
    });

    connect(DTP_SetDate, &QDateEdit::dateChanged, this, [this, &f](const QDate& date) {
        if (fRendering) return;
        QDateTime v = ToQDateTime(f.DTP_SetDate.Value);
        v.setDate(date);
        f.DTP_SetDate.Value = FromQDateTime(v);
    });
    connect(DTP_SetTime, &QTimeEdit::timeChanged, this, [this, &f](const QTime& time) {
        if (fRendering) return;
        QDateTime v = ToQDateTime(f.DTP_SetTime.Value);
        v.setTime(time);
        f.DTP_SetTime.Value = FromQDateTime(v);
    });
    for (QAbstractSpinBox* picker : std::initializer_list<QAbstractSpinBox*>{DTP_SetDate, DTP_SetTime}) {
        picker->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(picker, &QWidget::customContextMenuRequested, this, [this, &f, picker](const QPoint& at) {
            QMenu menu(this);
            menu.setStyle(&fMenuStyle);
            QAction* now = menu.addAction(Q(f.PopUpItem_SetSystemTime.Caption));
            now->setEnabled(f.PopUpItem_SetSystemTime.Enabled && picker->isEnabled());
            if (menu.exec(picker->mapToGlobal(at)) == now)
                Forward([&f] { f.PopUpItem_SetSystemTimeClick(); });
        });
    }

    connect(ListView_Measurements->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, &f](const QModelIndex& current) {
                if (fRendering) return;
                const std::int32_t row = current.isValid() ? current.row() : -1;
                Forward([&f, row] { f.SelectMeasurement(row); });
            });
    connect(ListView_Results->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, &f](const QModelIndex& current) {
                if (!fRendering) f.ListView_Results.ItemIndex = current.isValid() ? current.row() : -1;
            });
    ListView_Measurements->header()->setSectionsClickable(true);
    ListView_Results->header()->setSectionsClickable(true);
    connect(ListView_Measurements->header(), &QHeaderView::sectionClicked, this, [this, &f](int column) {
        Forward([&f, column] { f.ListView_MeasurementsColumnClick(column); });
    });
    connect(ListView_Results->header(), &QHeaderView::sectionClicked, this,
            [this, &f](int column) { Forward([&f, column] { f.ListView_ResultsColumnClick(column); }); });
    connect(ListView_Measurements, &QAbstractItemView::doubleClicked, this,
            [this, &f](const QModelIndex&) { Forward([&f] { f.ListView_MeasurementsDblClick(); }); });
    ListView_Measurements->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView_Measurements, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowViewMenu(ListView_Measurements->viewport()->mapToGlobal(at)); });
    SetCellText(
        [&f](std::int32_t row, std::int32_t column) {
            const std::vector<std::string> cells = f.ListView_MeasurementsData(row);
            return column >= 0 && static_cast<std::size_t>(column) < cells.size() ? cells[column]
                                                                                  : std::string();
        },
        [&f](std::int32_t row, std::int32_t column) {
            const std::vector<std::string> cells = f.ListView_ResultsData(row);
            return column >= 0 && static_cast<std::size_t>(column) < cells.size() ? cells[column]
                                                                                  : std::string();
        });

    // Which control has the keyboard focus, and whether the program is the active one, are the form's to
    // know.
    fControls = {{Button_Open, &f.Button_Open},
                 {Button_ReadData, &f.Button_ReadData},
                 {Button_InstantMeasure, &f.Button_InstantMeasure},
                 {Button_TimerMeasure, &f.Button_TimerMeasure},
                 {Button_Save, &f.Button_Save},
                 {CB_CombineMeasurements, &f.CB_CombineMeasurements},
                 {ComboBox_FTDIDevice, &f.ComboBox_FTDIDevice},
                 {ComboBox_Com, &f.ComboBox_Com},
                 {ComboBox_Baud, &f.ComboBox_Baud},
                 {DTP_SetDate, &f.DTP_SetDate},
                 {DTP_SetTime, &f.DTP_SetTime},
                 {ListView_Measurements, &f.ListView_Measurements},
                 {ListView_Results, &f.ListView_Results}};
    fAppConnections[0] = connect(qApp, &QApplication::focusChanged, this, [this, &f](QWidget*, QWidget* now) {
        if (fRendering || !now || now->window() != this) return;
        const TControl* control = ControlOf(now);
        const bool picker = control == &f.DTP_SetDate || control == &f.DTP_SetTime;
        const bool wasPicker = f.ActiveControl == &f.DTP_SetDate || f.ActiveControl == &f.DTP_SetTime;
        f.ActiveControl = control;
        if (picker && !wasPicker) Forward([&f] { f.DTP_SetDateTimeEnter(); });
    });
    // The window's own activation (changeEvent) refreshes the device list; this only tells
    // the device list timer whether to run.
    fAppConnections[1] =
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
                [&f](Qt::ApplicationState state) { f.ApplicationActive = state == Qt::ApplicationActive; });
}

const TControl* TMainWindow::ControlOf(const QWidget* widget) const {
    for (; widget && widget != this; widget = widget->parentWidget())
        for (const auto& [w, control] : fControls)
            if (w == widget) return control;
    return nullptr;
}

QWidget* TMainWindow::WidgetOf(const TControl* control) const {
    for (const auto& [w, c] : fControls)
        if (c == control) return w;
    return nullptr;
}

void TMainWindow::ApplyActiveControl() {
    QWidget* focused = QApplication::focusWidget();
    if (!focused || focused->window() != this) return;
    const TControl* has = ControlOf(focused);
    if (has == fForm.ActiveControl) return;
    if (QWidget* want = WidgetOf(fForm.ActiveControl))
        want->setFocus(Qt::OtherFocusReason);
    else if (has)
        // The form took the focus away: the window itself keeps it.
        Client->setFocus(Qt::OtherFocusReason);
}

void TMainWindow::ShowViewMenu(const QPoint& at) {
    TForm_Main& f = fForm;
    if (!f.PopupMenu_ResultsPopup()) return;
    QMenu menu(this);
    menu.setStyle(&fMenuStyle);
    QAction* comment = menu.addAction(Q(f.AddComment.Caption));
    comment->setVisible(f.AddComment.Visible);
    comment->setEnabled(f.AddComment.Enabled);
    QAction* remove = menu.addAction(Q(f.DeleteEntries.Caption));
    remove->setVisible(f.DeleteEntries.Visible);
    remove->setEnabled(f.DeleteEntries.Enabled);
    QAction* chosen = menu.exec(at);
    if (chosen == comment)
        Forward([&f] { f.AddCommentClick(); });
    else if (chosen == remove)
        Forward([&f] { f.DeleteEntriesClick(); });
}

void TMainWindow::SetCellText(TReportModel::TCellText measurements, TReportModel::TCellText results) {
    MeasurementsModel->SetCellText(std::move(measurements));
    ResultsModel->SetCellText(std::move(results));
}

void TMainWindow::Forward(const std::function<void()>& handler) {
    if (fForm.Closed()) return;
    handler();
    Render();
}

QAction* TMainWindow::AddItem(QMenu* menu, TMenuItem& item, bool checkable, std::function<void()> click) {
    QAction* action = menu->addAction(Q(item.Caption));
    action->setCheckable(checkable);
    fMenuEntries.push_back({&item, action, click});
    connect(action, &QAction::triggered, this, [this, click] {
        if (click)
            Forward(click);
        else
            Render(); // not the form's to answer yet: the tick stays as the form has it
    });
    return action;
}

QMenu* TMainWindow::AddSubMenu(QMenu* parent, TMenuItem& item) {
    QMenu* menu = parent ? parent->addMenu(Q(item.Caption)) : menuBar()->addMenu(Q(item.Caption));
    menu->setStyle(&fMenuStyle);
    fMenus[&item] = menu;
    fMenuEntries.push_back({&item, menu->menuAction(), nullptr});
    return menu;
}

void TMainWindow::BuildMenus() {
    menuBar()->setStyle(&fMenuStyle);
    TForm_Main& f = fForm;
    QMenu* main = AddSubMenu(nullptr, f.Menu_Main);
    AddItem(main, f.Menu_LoadFile, false, [&f] { f.Menu_LoadFileClick(); });
    AddItem(main, f.Menu_SaveFile, false, [&f] { f.Menu_SaveFileClick(); });
    AddItem(main, f.Menu_FormatDB, false, [&f] { f.Menu_FormatDBClick(); });
    AddItem(main, f.Menu_DeleteList, false, [&f] { f.Menu_DeleteListClick(); });

    QMenu* setup = AddSubMenu(nullptr, f.Menu_Setup);
    AddItem(setup, f.Menu_AutoConnect, true, [&f] { f.Menu_AutoConnectClick(); });
    AddItem(setup, f.Menu_ShutDownOnClose, true, [&f] { f.Menu_ShutDownOnCloseClick(); });
    AddItem(setup, f.Menu_FTDIDirect, true, [&f] { f.Menu_DirectFTDIClick(); });
    QMenu* position = AddSubMenu(setup, f.Menu_SetImagePos);
    for (TMenuItem* item : {&f.Menu_ImgPosLeft, &f.Menu_ImgPosRight, &f.Menu_ImgPosFull, &f.Menu_ImgPosNone})
        AddItem(position, *item, true, [&f, item] { f.Menu_ImgPosClick(*item); });
    QMenu* data = AddSubMenu(setup, f.Menu_NewDataBehaviour);
    for (TMenuItem* item : {&f.Menu_OverWriteExisting, &f.Menu_AddToExisting, &f.Menu_AlwaysAsk})
        AddItem(data, *item, true, [&f, item] { f.Menu_NewDataBehaviourItemClick(*item); });
    AddItem(data, f.Menu_LoadLastSavedOnStart, true, [&f] { f.Menu_LoadLastSavedOnStartClick(); });
    QMenu* source = AddSubMenu(setup, f.Menu_TestSource);
    for (TMenuItem* item : {&f.Menu_SrcVexo, &f.Menu_SrcLocal, &f.Menu_SrcSelect})
        AddItem(source, *item, true, [&f, item] { f.Menu_TestSourceClick(*item); });

    AddSubMenu(nullptr, f.Menu_Language);
    QMenu* info = AddSubMenu(nullptr, f.Menu_Info);
    AddItem(info, f.SubMenu_Version, false, [&f] { f.SubMenu_VersionClick(); });
}

QAction* TMainWindow::Action(const TMenuItem& item) const {
    for (const TMenuEntry& e : fMenuEntries)
        if (e.Item == &item) return e.Action;
    for (std::size_t i = 0; i < fLanguageActions.size() && i < fForm.LanguageItems.size(); ++i)
        if (&fForm.LanguageItems[i] == &item) return fLanguageActions[i];
    return nullptr;
}

QMenu* TMainWindow::Menu(const TMenuItem& item) const {
    const auto it = fMenus.find(&item);
    return it == fMenus.end() ? nullptr : it->second;
}

void TMainWindow::RenderLanguageMenu() {
    QMenu* menu = Menu(fForm.Menu_Language);
    if (!menu) return;
    if (fLanguageActions.size() != fForm.LanguageItems.size()) {
        for (QAction* a : fLanguageActions) {
            menu->removeAction(a);
            a->deleteLater();
        }
        fLanguageActions.clear();
        for (std::size_t i = 0; i < fForm.LanguageItems.size(); ++i) {
            QAction* action = menu->addAction(QString());
            action->setCheckable(true);
            connect(action, &QAction::triggered, this,
                    [this, i] { Forward([this, i] { fForm.LanguageMenuItemClick(i); }); });
            fLanguageActions.push_back(action);
        }
    }
    for (std::size_t i = 0; i < fLanguageActions.size(); ++i) {
        const TMenuItem& item = fForm.LanguageItems[i];
        QAction* a = fLanguageActions[i];
        a->setText(Q(item.Caption));
        a->setChecked(item.Checked);
        a->setEnabled(item.Enabled);
        a->setVisible(item.Visible);
    }
}

void TMainWindow::RenderMenus() {
    for (const TMenuEntry& e : fMenuEntries) {
        e.Action->setText(Q(e.Item->Caption));
        if (e.Action->isCheckable()) e.Action->setChecked(e.Item->Checked);
        e.Action->setEnabled(e.Item->Enabled);
        e.Action->setVisible(e.Item->Visible);
    }
    RenderLanguageMenu();
}

namespace {

void RenderControl(QWidget& widget, const TControl& control, bool hints) {
    widget.setEnabled(control.Enabled);
    widget.setVisible(control.Visible);
    widget.setToolTip(hints || control.ShowHint ? Q(control.Hint) : QString());
}

void Place(QWidget& widget, const TRect& r, double scale) {
    if (r.Width <= 0 && r.Height <= 0) return;
    auto s = [scale](std::int32_t v) { return static_cast<int>(std::lround(v * scale)); };
    widget.setGeometry(s(r.Left), s(r.Top), s(r.Width), s(r.Height));
}

void RenderCombo(QComboBox& combo, const TComboBox& state) {
    if (combo.isEditable() != state.Editable) {
        combo.setEditable(state.Editable);
        // A typed text is the form's to read, never a new entry of the list.
        combo.setInsertPolicy(QComboBox::NoInsert);
    }
    bool same = combo.count() == state.Count();
    for (int i = 0; same && i < combo.count(); ++i)
        same = combo.itemText(i) == Q(state.Items[static_cast<std::size_t>(i)].Text);
    if (!same) {
        combo.clear();
        for (const TComboItem& item : state.Items) combo.addItem(Q(item.Text), item.Data);
    }
    if (!state.Editable) {
        combo.setCurrentIndex(state.ItemIndex);
        // Without an entry the box shows its text: why it is empty.
        combo.setPlaceholderText(state.ItemIndex < 0 ? Q(state.Text) : QString());
        return;
    }
    // A typed text has no entry; the edit keeps it (and its cursor) while it is the form's.
    if (state.ItemIndex >= 0 && combo.currentIndex() != state.ItemIndex)
        combo.setCurrentIndex(state.ItemIndex);
    if (combo.currentText() != Q(state.Text)) combo.setEditText(Q(state.Text));
}

void RenderView(QTreeView& view, TReportModel& model, const TListView& state) {
    model.Sync();
    QHeaderView* header = view.header();
    int sorted = -1;
    Qt::SortOrder order = Qt::AscendingOrder;
    for (std::size_t i = 0; i < state.Columns.size(); ++i) {
        const TListColumn& c = state.Columns[i];
        // The form's shares count the view's border in; the last column gives it back, so
        // equal shares never need a horizontal scroll bar.
        const int width =
            i + 1 == state.Columns.size() ? std::max(0, c.Width - 2 * view.frameWidth()) : c.Width;
        if (header->sectionSize(static_cast<int>(i)) != width)
            header->resizeSection(static_cast<int>(i), width);
        if (c.Arrow != eSortArrow::None) {
            sorted = static_cast<int>(i);
            // The form's down arrow marks an ascending sort.
            order = c.Arrow == eSortArrow::Down ? Qt::AscendingOrder : Qt::DescendingOrder;
        }
    }
    header->setSortIndicatorShown(sorted >= 0);
    if (sorted >= 0) header->setSortIndicator(sorted, order);
    const int current = view.currentIndex().isValid() ? view.currentIndex().row() : -1;
    if (current != state.ItemIndex) {
        if (state.ItemIndex >= 0 && state.ItemIndex < model.rowCount())
            view.setCurrentIndex(model.index(state.ItemIndex, 0));
        else
            view.selectionModel()->clear();
    }
}

} // namespace

void TMainWindow::Render() {
    if (fRendering) return;
    fRendering = true;
    TForm_Main& f = fForm;
    const bool hints = f.ShowHints;

    setWindowTitle(Q(f.Caption));
    RenderBorderIcons();
    if (!f.IconFile.empty() && windowIcon().isNull()) setWindowIcon(QIcon(Q(f.IconFile)));
    setMinimumSize(f.MinWidth > 0 ? f.MinWidth - WindowFrameWidth : 0, f.MinHeight > 0 ? f.MinHeight : 0);

    struct TButtonPair {
        QPushButton* Widget;
        const TButton* State;
    };
    for (TButtonPair b :
         {TButtonPair{Button_Open, &f.Button_Open}, TButtonPair{Button_ReadData, &f.Button_ReadData},
          TButtonPair{Button_InstantMeasure, &f.Button_InstantMeasure},
          TButtonPair{Button_TimerMeasure, &f.Button_TimerMeasure},
          TButtonPair{Button_Save, &f.Button_Save}}) {
        b.Widget->setText(Q(b.State->Caption));
        RenderControl(*b.Widget, *b.State, hints);
    }
    // Button_Save has no place of its own in the form: it follows the measurement buttons,
    // once it has something to show.
    if (f.Button_Save.Caption.empty() && f.Button_Save.Bounds.Width <= 0) Button_Save->hide();
    if (f.Button_Save.Bounds.Width <= 0) {
        const TRect& t = f.Button_TimerMeasure.Bounds;
        Place(*Button_Save, {t.Right() + 3, t.Top, t.Width, t.Height}, f.ScaleFactor);
    }
    CB_CombineMeasurements->setText(Q(f.CB_CombineMeasurements.Caption));
    CB_CombineMeasurements->setChecked(f.CB_CombineMeasurements.Checked);
    RenderControl(*CB_CombineMeasurements, f.CB_CombineMeasurements, hints);

    RenderCombo(*ComboBox_FTDIDevice, f.ComboBox_FTDIDevice);
    RenderCombo(*ComboBox_Com, f.ComboBox_Com);
    RenderCombo(*ComboBox_Baud, f.ComboBox_Baud);
    RenderControl(*ComboBox_FTDIDevice, f.ComboBox_FTDIDevice, hints);
    RenderControl(*ComboBox_Com, f.ComboBox_Com, hints);
    RenderControl(*ComboBox_Baud, f.ComboBox_Baud, hints);

    for (auto [label, state] :
         {std::pair{Label_FW, &f.Label_FW}, std::pair{Label_FWDisplay, &f.Label_FWDisplay},
          std::pair{Label_VexoTime, &f.Label_VexoTime}, std::pair{Label_Min, &f.Label_Min},
          std::pair{Label_Max, &f.Label_Max}}) {
        label->setText(Q(state->Caption));
        RenderControl(*label, *state, hints);
    }

    for (auto [panel, state] : {std::pair{Panel_Date, &f.Panel_Date}, std::pair{Panel_Time, &f.Panel_Time}}) {
        panel->SetColor(ToQColor(state->Color));
        RenderControl(*panel, *state, hints);
    }
    RenderControl(*DTP_SetDate, f.DTP_SetDate, hints);
    RenderControl(*DTP_SetTime, f.DTP_SetTime, hints);
    if (f.DTP_SetDate.MaxDate > f.DTP_SetDate.MinDate)
        DTP_SetDate->setDateRange(ToQDateTime(f.DTP_SetDate.MinDate).date(),
                                  ToQDateTime(f.DTP_SetDate.MaxDate).date());
    // The user's edit is not overwritten while a picker has the keyboard focus.
    if (!DTP_SetDate->hasFocus()) DTP_SetDate->setDate(ToQDateTime(f.DTP_SetDate.Value).date());
    if (!DTP_SetTime->hasFocus()) DTP_SetTime->setTime(ToQDateTime(f.DTP_SetTime.Value).time());

    RenderView(*ListView_Measurements, *MeasurementsModel, f.ListView_Measurements);
    RenderView(*ListView_Results, *ResultsModel, f.ListView_Results);
    RenderControl(*ListView_Measurements, f.ListView_Measurements, hints);
    RenderControl(*ListView_Results, f.ListView_Results, hints);

    StatusBar->Render(f.StatusBar, f.ProgressBar, f.ScaleFactor);
    RenderMenus();
    LayOut();
    ApplyActiveControl();
    fRendering = false;

    // The form may agree to close by itself (the reader gave its button back).
    if (f.Closed() && !fCloseScheduled) {
        fCloseScheduled = true;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TMainWindow::RenderBorderIcons() {
    const TForm_Main& f = fForm;
    // Without the system menu there is no close button and no minimise or maximise button.
    const bool menu = f.BorderIconSystemMenu;
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (menu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (menu && f.BorderIconMinimize) flags |= Qt::WindowMinimizeButtonHint;
    if (menu && f.BorderIconMaximize) flags |= Qt::WindowMaximizeButtonHint;
    if (windowFlags() == flags) return;
    // New flags make a new native window, which starts hidden.
    const bool shown = isVisible();
    setWindowFlags(flags);
    if (shown) show();
}

void TMainWindow::LayOut() {
    TForm_Main& f = fForm;
    const double s = f.ScaleFactor;
    for (auto [w, c] : {std::pair<QWidget*, const TControl*>{Button_Open, &f.Button_Open},
                        {Button_ReadData, &f.Button_ReadData},
                        {Button_InstantMeasure, &f.Button_InstantMeasure},
                        {Button_TimerMeasure, &f.Button_TimerMeasure},
                        {CB_CombineMeasurements, &f.CB_CombineMeasurements},
                        {Label_FW, &f.Label_FW},
                        {Label_FWDisplay, &f.Label_FWDisplay},
                        {Panel_Date, &f.Panel_Date},
                        {Panel_Time, &f.Panel_Time},
                        {Label_Min, &f.Label_Min},
                        {Label_Max, &f.Label_Max},
                        {ComboBox_FTDIDevice, &f.ComboBox_FTDIDevice},
                        {ComboBox_Com, &f.ComboBox_Com},
                        {ComboBox_Baud, &f.ComboBox_Baud},
                        {Label_VexoTime, &f.Label_VexoTime},
                        {ListView_Measurements, &f.ListView_Measurements},
                        {ListView_Results, &f.ListView_Results}})
        Place(*w, c->Bounds, s);
    if (f.Button_Save.Bounds.Width > 0) Place(*Button_Save, f.Button_Save.Bounds, s);
    // The pickers fill their frames but for the two pixels of colour around them.
    for (auto [picker, panel] :
         {std::pair<QAbstractSpinBox*, TColorPanel*>{DTP_SetDate, Panel_Date}, {DTP_SetTime, Panel_Time}}) {
        picker->setGeometry(2, 2, std::max(0, panel->width() - 4), std::max(0, panel->height() - 4));
        // A font wider than the one the frames were made for gets one point less in them.
        QFont pickerFont = font();
        const int room = picker->width() - 26; // the arrows and the edit margins
        if (QFontMetrics(pickerFont).horizontalAdvance(picker->text()) > room)
            pickerFont.setPointSize(std::max(6, pickerFont.pointSize() - 1));
        picker->setFont(pickerFont);
    }

    const int barHeight = StatusBar->height();
    StatusBar->setGeometry(0, Client->height() - barHeight, Client->width(), barHeight);
    PaintLineImage();
}

void TMainWindow::PaintLineImage() {
    TForm_Main& f = fForm;
    const std::optional<TRect> at = f.FormPaint();
    if (!at || at->Width <= 0) {
        LineImageView->hide();
        return;
    }
    if (f.LineImageGeneration != fLineImageGeneration || fLineImage.isNull()) {
        fLineImage = ::PaintLineImage(f.LineImage);
        fLineImageGeneration = f.LineImageGeneration;
    }
    const QImage picture =
        PaintLineImageStretch(fLineImage, f.LineImageStretch.Width, f.LineImageStretch.Stretched);
    LineImageView->setPixmap(QPixmap::fromImage(picture));
    Place(*LineImageView, *at, f.ScaleFactor);
    LineImageView->show();
}

void TMainWindow::ApplyPlacement() {
    TForm_Main& f = fForm;
    resize(std::max(f.Width - WindowFrameWidth, minimumWidth()), std::max(f.Height, minimumHeight()));
    move(f.Left, f.Top);
    if (f.WindowState == wsMaximized) setWindowState(windowState() | Qt::WindowMaximized);
    fPlaced = true;
}

void TMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (fPlaced && !isMaximized() && !isMinimized()) {
        fForm.Width = width() + WindowFrameWidth;
        fForm.Height = height();
    }
    const double s = fForm.ScaleFactor;
    fForm.ClientWidth = static_cast<std::int32_t>(std::lround(Client->width() / s));
    fForm.ClientHeight = static_cast<std::int32_t>(std::lround(Client->height() / s));
    Forward([this] { fForm.FormResize(); });
    // No further resize for 200 ms ends the live resize: the profile is drawn again 1:1.
    if (fPlaced && isVisible()) fResizeEnd->start();
}

void TMainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (fPlaced && !isMaximized() && !isMinimized()) {
        fForm.Left = frameGeometry().x();
        fForm.Top = frameGeometry().y();
    }
}

void TMainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && fPlaced)
        fForm.WindowState = isMaximized() ? wsMaximized : (isMinimized() ? wsMinimized : wsNormal);
    // Every activation of the window: on return from a dialog or from another program.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !fRendering)
        Forward([this] { fForm.FormActivate(); });
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (!fForm.Closed()) {
        fForm.RequestClose();
        Render();
    }
    if (fForm.Closed())
        event->accept();
    else
        event->ignore();
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || fForm.Closed())
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    const bool shortcut = ctrl && (key->key() == Qt::Key_L || key->key() == Qt::Key_S);
    if (event->type() == QEvent::ShortcutOverride) {
        // Claim the key so no control's own shortcut takes it; it arrives as a key press next.
        if (!shortcut) return QMainWindow::eventFilter(watched, event);
        event->accept();
        return true;
    }
    if (shortcut) {
        const char letter = key->key() == Qt::Key_L ? 'L' : 'S';
        bool handled = false;
        Forward([&] { handled = fForm.FormShortCut(letter, true); });
        return handled || QMainWindow::eventFilter(watched, event);
    }
    // The key handlers of the pickers and the COM box; a key they use is theirs alone.
    const TControl* control = ControlOf(widget);
    if (widget != QApplication::focusWidget()) return QMainWindow::eventFilter(watched, event);
    if (control == &fForm.DTP_SetDate || control == &fForm.DTP_SetTime) {
        std::uint16_t code = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) code = TForm_Main::VK_RETURN;
        if (key->key() == Qt::Key_Escape) code = TForm_Main::VK_ESCAPE;
        if (code == 0) return QMainWindow::eventFilter(watched, event);
        Forward([&] { fForm.DTP_SetDateKeyDown(code); });
        return code == 0 || QMainWindow::eventFilter(watched, event);
    }
    if (control == &fForm.ComboBox_Com && key->key() == Qt::Key_Escape) {
        char code = TForm_Main::VK_ESCAPE;
        Forward([&] { fForm.ComboBox_ComKeyPress(code); });
        return code == 0 || QMainWindow::eventFilter(watched, event);
    }
    return QMainWindow::eventFilter(watched, event);
}
