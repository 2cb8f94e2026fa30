#pragma once
// The desktop window over TForm_Main: Render copies the form's state into the
// widgets after every change notification; the widgets' input goes back to the
// form's state and to its handlers by name. No workflow logic lives here.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeView>

#include "Main.h"
#include "MenuStyle.h"
#include "StatusBarView.h"

QDateTime ToQDateTime(TDateTime value);
TDateTime FromQDateTime(const QDateTime& value);
// A label's text width in the window's font (8 points), for the form's label sizes.
std::int32_t WindowTextWidth(const std::string& text);

// The frame around a picker: its colour shows the clock state. Painted here rather than
// through the palette, which the picker inside would inherit.
class TColorPanel final : public QFrame {
public:
    using QFrame::QFrame;
    void SetColor(const QColor& color) {
        if (color == fColor) return;
        fColor = color;
        update();
    }
    QColor Color() const { return fColor; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor fColor;
};

// A report view's rows as the form holds them; each cell is asked for when shown.
class TReportModel final : public QAbstractTableModel {
public:
    using TCellText = std::function<std::string(std::int32_t row, std::int32_t column)>;
    explicit TReportModel(const TListView& view, QObject* parent = nullptr)
        : QAbstractTableModel(parent), fView(view) {}

    void SetCellText(TCellText cell) { fCell = std::move(cell); }
    // After the form changed: a new shape resets the view, else the shown cells are asked again.
    void Sync();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TListView& fView;
    TCellText fCell;
    int fRows = 0, fColumns = 0;
};

class TMainWindow final : public QMainWindow {
public:
    explicit TMainWindow(TForm_Main& form, QWidget* parent = nullptr);
    ~TMainWindow() override;

    // Copies the form's state into the widgets.
    void Render();
    // The window's first placement from the form (geometry and state), before show.
    void ApplyPlacement();

    TForm_Main& Form() const { return fForm; }
    QAction* Action(const TMenuItem& item) const;
    QMenu* Menu(const TMenuItem& item) const;
    // The cells of the two report views, once the form answers them.
    void SetCellText(TReportModel::TCellText measurements, TReportModel::TCellText results);

    QWidget* Client;
    QPushButton *Button_Open, *Button_ReadData, *Button_InstantMeasure, *Button_TimerMeasure, *Button_Save;
    QCheckBox* CB_CombineMeasurements;
    QComboBox *ComboBox_FTDIDevice, *ComboBox_Com, *ComboBox_Baud;
    QLabel *Label_FW, *Label_FWDisplay, *Label_VexoTime, *Label_Min, *Label_Max;
    TColorPanel *Panel_Date, *Panel_Time;
    QDateEdit* DTP_SetDate;
    QTimeEdit* DTP_SetTime;
    QTreeView *ListView_Measurements, *ListView_Results;
    TReportModel *MeasurementsModel, *ResultsModel;
    TStatusBarView* StatusBar;
    // LineImageStretch as painted on the window; hidden while no profile is shown.
    QLabel* LineImageView;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TMenuEntry {
        TMenuItem* Item;
        QAction* Action;
        std::function<void()> Click;
    };
    void BuildMenus();
    QAction* AddItem(QMenu* menu, TMenuItem& item, bool checkable, std::function<void()> click);
    QMenu* AddSubMenu(QMenu* parent, TMenuItem& item);
    void RenderMenus();
    void RenderLanguageMenu();
    void LayOut();
    // The title bar's buttons as the form's border icons say.
    void RenderBorderIcons();
    void WireInput();
    void ShowViewMenu(const QPoint& at);
    // The form's control a widget (or a widget inside it) stands for; null for none.
    const TControl* ControlOf(const QWidget* widget) const;
    QWidget* WidgetOf(const TControl* control) const;
    void ApplyActiveControl();
    // FormPaint: LineImageStretch where the form puts it, painted again when LineImage changed.
    void PaintLineImage();
    // Runs a handler of the form from the widgets' side, then shows what it changed.
    void Forward(const std::function<void()>& handler);

    TForm_Main& fForm;
    TOwnerDrawMenuStyle fMenuStyle;
    std::vector<TMenuEntry> fMenuEntries;
    std::map<const TMenuItem*, QMenu*> fMenus;
    std::vector<QAction*> fLanguageActions;
    std::vector<std::pair<QWidget*, const TControl*>> fControls;
    QMetaObject::Connection fAppConnections[2];
    bool fRendering = false;
    bool fPlaced = false;
    bool fCloseScheduled = false;
    // 200 ms without a resize ends a live resize (the form then draws the profile 1:1).
    QTimer* fResizeEnd = nullptr;
    // The form's LineImage as painted, and which of its drawings that was.
    QImage fLineImage;
    std::uint32_t fLineImageGeneration = 0;
};
