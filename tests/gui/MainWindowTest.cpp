// The main window over a real form: the form's state reaches the widgets, the
// widgets' input reaches the form's state and handlers.
#include "MainWindow.h"

#include <filesystem>

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>

#include "GuiFormSandbox.h"
#include "GuiTest.h"
#include "LineImagePainter.h"
#include "ProfileGeometry.h"
#include "SimSerialPort.h"

namespace {

TRect Geometry(const QWidget& w) {
    return TRect{w.x(), w.y(), w.width(), w.height()};
}

class MainWindowTest : public ::testing::Test {
protected:
    TGuiFormSandbox box;
};

TEST_F(MainWindowTest, BuildsFromAFreshConfigurationFolder) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    // A program folder the user may write to keeps the settings beside the program.
    EXPECT_TRUE(std::filesystem::exists(box.App + "/DRConfig.ini"));
    EXPECT_EQ(w.windowTitle().toStdString(), f.Caption);
    EXPECT_EQ(w.minimumHeight(), f.MinHeight);
    EXPECT_EQ(w.StatusBar->PanelTexts()[0], "disconnected");
    EXPECT_EQ(w.Button_Open->text(), "Connect");

    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"Menu", "Setup", "Language", "Info"}));
    ASSERT_NE(w.Action(f.Menu_FTDIDirect), nullptr);
    EXPECT_FALSE(w.Action(f.Menu_FTDIDirect)->isVisible());
    EXPECT_TRUE(w.Action(f.Menu_AutoConnect)->isChecked());
    EXPECT_FALSE(w.Action(f.Menu_SaveFile)->isEnabled());
    EXPECT_FALSE(w.Button_Save->isEnabled());
    EXPECT_FALSE(w.Button_ReadData->isEnabled());
    EXPECT_EQ(w.Action(f.Menu_SaveFile)->text(), "Save data to file  Ctrl+S");

    // COM mode: the COM and baud boxes, not the FTDI box.
    EXPECT_TRUE(w.ComboBox_Com->isVisible());
    EXPECT_TRUE(w.ComboBox_Baud->isVisible());
    EXPECT_FALSE(w.ComboBox_FTDIDevice->isVisible());
    EXPECT_EQ(w.ComboBox_Baud->count(), 14);
    EXPECT_EQ(w.ComboBox_Baud->currentText(), "38400");

    // The buttons where the form puts them, 3 apart; the views 29 below their top.
    EXPECT_EQ(Geometry(*w.Button_ReadData), f.Button_ReadData.Bounds);
    EXPECT_EQ(w.Button_InstantMeasure->x(), w.Button_ReadData->x() + w.Button_ReadData->width() + 3);
    EXPECT_EQ(w.Button_ReadData->height(), 25);
    EXPECT_EQ(w.ListView_Measurements->y(), w.Button_ReadData->y() + 29);
    EXPECT_EQ(w.ListView_Results->y(), w.ListView_Measurements->y());
    // 6 : 4 of the window's width, as the form's resize rule places them.
    const int windowWidth = w.Client->width() + WindowFrameWidth;
    EXPECT_EQ(Geometry(*w.ListView_Measurements), f.ListView_Measurements.Bounds);
    EXPECT_EQ(Geometry(*w.ListView_Results), f.ListView_Results.Bounds);
    EXPECT_EQ(w.ListView_Measurements->width(), (windowWidth - 20) * 6 / 10);
    EXPECT_EQ(w.ListView_Results->x(), w.ListView_Measurements->width() + 8);
    EXPECT_EQ(w.ListView_Results->width(), (windowWidth - 20) * 4 / 10 - 10);
    EXPECT_EQ(f.ListView_Measurements.Columns[0].Width, w.ListView_Measurements->width() / 6);
    EXPECT_EQ(w.ListView_Measurements->y() + w.ListView_Measurements->height() + 4, w.StatusBar->y());
    EXPECT_EQ(w.StatusBar->height(), 20);
    EXPECT_EQ(w.StatusBar->y() + w.StatusBar->height(), w.Client->height());
    EXPECT_EQ(w.ListView_Measurements->model()->columnCount(), 6);
    // The FW label spans the two picker frames.
    EXPECT_EQ(w.Label_FWDisplay->x(), w.Panel_Date->x());
    EXPECT_EQ(w.Label_FWDisplay->x() + w.Label_FWDisplay->width(), w.Panel_Time->x() + w.Panel_Time->width());
    EXPECT_FALSE(w.DTP_SetDate->isEnabled());
    EXPECT_EQ(w.DTP_SetDate->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(w.DTP_SetDate->maximumDate(), QDate(2099, 12, 31));
    EXPECT_EQ(w.DTP_SetDate->date(), QDate(2026, 5, 20));
    EXPECT_EQ(w.DTP_SetTime->time(), QTime(10, 0, 0));
}

TEST_F(MainWindowTest, FormStateReachesTheWidgets) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    f.Button_ReadData.Enabled = true;
    f.Button_ReadData.Caption = "Read";
    f.Button_ReadData.Hint = "Reads the reader's database.";
    f.ShowHints = true;
    f.Panel_Date.Color = 0x008000;
    f.Panel_Time.Color = 0xC0C000;
    f.ComboBox_Com.Items = {{"rfcomm0", 0}, {"rfcomm3", 3}};
    f.ComboBox_Com.Select(1);
    f.Label_FWDisplay.Caption = "SN 1234 / FW 2.10";
    f.DTP_SetDate.Value = EncodeDateTime(2031, 12, 24, 23, 59, 58);
    f.DTP_SetTime.Value = f.DTP_SetDate.Value;
    f.StatusBar.Panels[0].Text = "Receiving data";
    f.ProgressBar.Visible = true;
    f.ProgressBar.Position = 30;
    f.Menu_ShutDownOnClose.Checked = true;
    f.Menu_FormatDB.Enabled = true;
    f.ListView_Measurements.ItemCount = 100000;
    f.ListView_Measurements.Columns[2].Arrow = eSortArrow::Down;
    f.ListView_Measurements.Columns[1].Width = 133;
    f.ListView_Measurements.ItemIndex = 5;
    int asked = 0;
    w.SetCellText(
        [&](std::int32_t row, std::int32_t column) {
            ++asked;
            return std::to_string(row) + ":" + std::to_string(column);
        },
        nullptr);
    w.Render();

    EXPECT_TRUE(w.Button_ReadData->isEnabled());
    EXPECT_EQ(w.Button_ReadData->text(), "Read");
    EXPECT_EQ(w.Button_ReadData->toolTip(), "Reads the reader's database.");
    EXPECT_EQ(w.Panel_Date->Color(), QColor(0, 128, 0));
    EXPECT_EQ(w.Panel_Time->Color(), QColor(192, 192, 0));
    EXPECT_EQ(w.ComboBox_Com->count(), 2);
    EXPECT_EQ(w.ComboBox_Com->currentText(), "rfcomm3");
    EXPECT_EQ(w.Label_FWDisplay->text(), "SN 1234 / FW 2.10");
    EXPECT_EQ(w.DTP_SetDate->date(), QDate(2031, 12, 24));
    EXPECT_EQ(w.DTP_SetTime->time(), QTime(23, 59, 58));
    EXPECT_EQ(w.StatusBar->PanelTexts()[0], "Receiving data");
    EXPECT_TRUE(w.StatusBar->ProgressBar()->isVisible());
    EXPECT_EQ(w.StatusBar->ProgressBar()->value(), 30);
    EXPECT_TRUE(w.Action(f.Menu_ShutDownOnClose)->isChecked());
    EXPECT_TRUE(w.Action(f.Menu_FormatDB)->isEnabled());

    QTreeView* view = w.ListView_Measurements;
    EXPECT_EQ(view->model()->rowCount(), 100000);
    EXPECT_EQ(view->currentIndex().row(), 5);
    EXPECT_TRUE(view->header()->isSortIndicatorShown());
    EXPECT_EQ(view->header()->sortIndicatorSection(), 2);
    EXPECT_EQ(view->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(view->header()->sectionSize(1), 133);
    // Only the rows on screen are asked for.
    view->grab();
    EXPECT_GT(asked, 0);
    EXPECT_LT(asked, 6 * 200);
    EXPECT_EQ(view->model()->index(99999, 3).data().toString(), "99999:3");

    // The selection goes back: no sort arrow, another row, fewer rows.
    f.ListView_Measurements.Columns[2].Arrow = eSortArrow::None;
    f.ListView_Measurements.ItemCount = 3;
    f.ListView_Measurements.ItemIndex = -1;
    w.Render();
    EXPECT_FALSE(view->header()->isSortIndicatorShown());
    EXPECT_EQ(view->model()->rowCount(), 3);
    EXPECT_FALSE(view->currentIndex().isValid());
}

TEST_F(MainWindowTest, InputReachesTheFormsStateAndHandlers) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;

    // Menu items run their handlers; the ticks follow the form.
    EXPECT_FALSE(f.ShutDownOnClose);
    w.Action(f.Menu_ShutDownOnClose)->trigger();
    EXPECT_TRUE(f.ShutDownOnClose);
    EXPECT_TRUE(w.Action(f.Menu_ShutDownOnClose)->isChecked());
    w.Action(f.Menu_AddToExisting)->trigger();
    EXPECT_EQ(f.AddDataBehaviour, AlwaysAdd);
    EXPECT_TRUE(w.Action(f.Menu_AddToExisting)->isChecked());
    EXPECT_FALSE(w.Action(f.Menu_AlwaysAsk)->isChecked());
    EXPECT_EQ(f.ConfigFile->GetVal("Setup", "AddDataBehaviour"), "Add");
    w.Action(f.Menu_LoadLastSavedOnStart)->trigger();
    EXPECT_TRUE(f.Menu_LoadLastSavedOnStart.Checked);
    w.Action(f.Menu_AutoConnect)->trigger();
    EXPECT_FALSE(f.autoConnect);
    EXPECT_FALSE(w.Action(f.Menu_AutoConnect)->isChecked());
    w.Action(f.Menu_ImgPosLeft)->trigger();
    EXPECT_EQ(f.ImagePosition, SLeft);
    EXPECT_TRUE(w.Action(f.Menu_ImgPosLeft)->isChecked());
    EXPECT_FALSE(w.Action(f.Menu_ImgPosRight)->isChecked());

    // The version window: status 19 while it is open, the status before afterwards.
    const std::uint8_t before = f.State.Current;
    std::uint8_t during = 0;
    WhenModal([&](QWidget* modal) {
        during = f.State.Current;
        auto* info = dynamic_cast<TForm_Info*>(modal);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->Label_Version->text().toStdString(), f.VERSION_STRING);
        QTest::mouseClick(info->Button_close, Qt::LeftButton);
    });
    w.Action(f.SubMenu_Version)->trigger();
    EXPECT_EQ(during, 19);
    EXPECT_EQ(f.State.Current, before);

    // What the user picks goes into the form's controls.
    w.ComboBox_Baud->setCurrentIndex(w.ComboBox_Baud->findText("9600"));
    EXPECT_EQ(f.ComboBox_Baud.Text, "9600");
    w.DTP_SetDate->setDate(QDate(2030, 1, 2));
    EXPECT_EQ(ToQDateTime(f.DTP_SetDate.Value).date(), QDate(2030, 1, 2));
}

TEST_F(MainWindowTest, TheListSelectsSortsCommentsAndDeletesThroughTheForm) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    for (const char* id : {"T-3", "T-1", "T-2"}) {
        auto entry = std::make_unique<TMeasureSet>();
        entry->TestID = id;
        entry->TestName = "CRP";
        f.MeasureList.push_back(std::move(entry));
    }
    f.RefreshMeasureList();
    w.Render();
    QTreeView* view = w.ListView_Measurements;
    ASSERT_EQ(view->model()->rowCount(), 3);
    // The cells come from the form.
    const std::vector<std::string> first = f.ListView_MeasurementsData(0);
    for (int c = 0; c < view->model()->columnCount(); ++c)
        EXPECT_EQ(view->model()->index(0, c).data().toString().toStdString(), first[c]) << c;
    EXPECT_TRUE(w.Button_Save->isEnabled());

    // A click on a row selects it in the form.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(1, 0)).center());
    EXPECT_EQ(f.ListView_Measurements.ItemIndex, 1);

    // A header click sorts in the form; the arrow shows where the form has it.
    QHeaderView* header = view->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    int arrowColumn = -1;
    for (std::size_t i = 0; i < f.ListView_Measurements.Columns.size(); ++i)
        if (f.ListView_Measurements.Columns[i].Arrow != eSortArrow::None) arrowColumn = int(i);
    ASSERT_GE(arrowColumn, 0);
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), arrowColumn);
    EXPECT_EQ(view->currentIndex().row(), f.ListView_Measurements.ItemIndex);

    // The context menu's comment item: the input dialog, and the comment lands on the entry.
    view->setCurrentIndex(view->model()->index(0, 0));
    TMeasureSet* commented = f.MeasureList[0].get();
    WhenPopup([&](QWidget* popup) {
        auto* menu = dynamic_cast<QMenu*>(popup);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 2);
        EXPECT_EQ(menu->actions()[0]->text().toStdString(), f.AddComment.Caption);
        WhenModal([&](QWidget* modal) {
            auto* query = dynamic_cast<TForm_InputQuery*>(modal);
            ASSERT_NE(query, nullptr);
            query->Edit_Input->setText("haemolytic");
            QTest::mouseClick(query->Button_OK, Qt::LeftButton);
        });
        menu->setActiveAction(menu->actions()[0]);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    emit view->customContextMenuRequested(view->visualRect(view->model()->index(0, 0)).center());
    EXPECT_EQ(commented->UserComment, "haemolytic");

    // Deleting asks (style 4); Yes removes the entry from the form and the view.
    WhenPopup([&](QWidget* popup) {
        auto* menu = dynamic_cast<QMenu*>(popup);
        ASSERT_NE(menu, nullptr);
        WhenModal([&](QWidget* modal) {
            auto* box = dynamic_cast<TForm_OwnMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->MsgType, 4);
            QTest::mouseClick(box->Button_OK, Qt::LeftButton);
        });
        menu->setActiveAction(menu->actions()[1]);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    emit view->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(f.MeasureList.size(), 2u);
    EXPECT_EQ(view->model()->rowCount(), 2);
    EXPECT_EQ(f.ListView_Measurements.ItemIndex, -1);
    EXPECT_FALSE(view->currentIndex().isValid());

    // Without a selection the context menu stays away.
    bool shown = false;
    QTimer* poll = WhenPopup([&](QWidget* popup) {
        shown = true;
        popup->close();
    });
    emit view->customContextMenuRequested(QPoint(5, 5));
    QTest::qWait(30);
    delete poll;
    EXPECT_FALSE(shown);
}

TEST_F(MainWindowTest, TheSelectedEntrysProfileIsDrawnWithItsMarkersWhereTheGeometrySays) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    // A dark line (a dip) between two bright shoulders, found by the reader at its centre.
    auto entry = std::make_unique<TMeasureSet>();
    entry->TestID = "P-1";
    entry->ImageData.assign(120, 200);
    for (int i = 46; i <= 54; ++i) entry->ImageData[i] = 40;
    entry->MeasureResult.Results.Line[0].CenterPositionAbsolut = 50;
    entry->MeasureResult.Results.Line[0].Width = 9;
    entry->MeasureResult.LineCount = 1;
    f.MeasureList.push_back(std::move(entry));
    f.RefreshMeasureList();
    f.ImagePosition = SRight;
    w.Render();
    ASSERT_FALSE(w.LineImageView->isVisible());
    f.SelectMeasurement(0);
    ASSERT_TRUE(f.DrawImage);
    ASSERT_TRUE(w.LineImageView->isVisible());

    // Under the results view; the results view shortened, the measurements view full height.
    EXPECT_EQ(w.LineImageView->x(), w.ListView_Results->x());
    EXPECT_EQ(w.LineImageView->y(), w.ListView_Results->y() + w.ListView_Results->height() + 6);
    EXPECT_EQ(w.ListView_Measurements->y() + w.ListView_Measurements->height() + 4, w.StatusBar->y());
    EXPECT_LT(w.ListView_Results->height(), w.ListView_Measurements->height());
    EXPECT_LE(w.LineImageView->y() + w.LineImageView->height(), w.StatusBar->y());

    const QImage shot = w.LineImageView->pixmap().toImage();
    ASSERT_EQ(shot.height(), 260);
    const TProfileGeometry g =
        ProfileGeometry(f.MeasureList[0]->ImageData, f.MeasureList[0]->MeasureResult, shot.width() - 2);
    ASSERT_EQ(g.Markers.size(), 1u);
    const TLineMarker& m = g.Markers[0];
    // Picture pixels sit one pixel inside the black frame.
    auto at = [&](int x, int y) { return shot.pixelColor(x + 1, y + 1); };
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(at(2, 2), QColor(Qt::black)) << "background";
    EXPECT_EQ(at(m.LeftX, 5), QColor(255, 255, 0)) << "left yellow line";
    EXPECT_EQ(at(m.RightX, 5), QColor(255, 255, 0)) << "right yellow line";
    // The marker fills the dip between the base line (y 56) and the profile (y 216).
    EXPECT_EQ(at((m.LeftX + m.RightX) / 2, 130), QColor(0, 0, 255)) << "marker in the dip";
    EXPECT_EQ(at((m.LeftX + m.RightX) / 2, 240), QColor(128, 128, 128)) << "profile under the dip";
    EXPECT_EQ(at(10, 256 - 200 + 5), QColor(128, 128, 128)) << "profile filling";
    EXPECT_EQ(at(10, 256 - 200 - 5), QColor(Qt::black)) << "above the profile";

    // A live resize stretches the picture drawn before; 200 ms after the last resize it is drawn 1:1.
    const QImage before = PaintLineImage(g);
    w.resize(w.width() + 120, w.height());
    const QImage stretched = w.LineImageView->pixmap().toImage();
    ASSERT_EQ(stretched.width(), shot.width() + 48) << "the results view takes 4 of 10 parts";
    EXPECT_EQ(stretched,
              PaintLineImageStretch(before, stretched.width(), true).convertToFormat(stretched.format()));
    QTest::qWait(300);
    const QImage redrawn = w.LineImageView->pixmap().toImage();
    const TProfileGeometry wide =
        ProfileGeometry(f.MeasureList[0]->ImageData, f.MeasureList[0]->MeasureResult, redrawn.width() - 2);
    EXPECT_EQ(redrawn, PaintLineImageStretch(PaintLineImage(wide), redrawn.width(), false)
                           .convertToFormat(redrawn.format()));

    // The position menu moves the picture under the measurement view, across both, or hides it,
    // and the choice is kept in the settings.
    w.Action(f.Menu_ImgPosLeft)->trigger();
    EXPECT_TRUE(w.Action(f.Menu_ImgPosLeft)->isChecked());
    EXPECT_FALSE(w.Action(f.Menu_ImgPosRight)->isChecked());
    EXPECT_EQ(f.ConfigFile->GetVal("Setup", "ImagePosition", std::string()), "Left");
    EXPECT_EQ(w.LineImageView->x(), 8);
    EXPECT_EQ(w.LineImageView->width(), w.ListView_Measurements->width() - 1);
    EXPECT_EQ(w.ListView_Results->y() + w.ListView_Results->height() + 4, w.StatusBar->y());
    w.Action(f.Menu_ImgPosFull)->trigger();
    EXPECT_EQ(w.LineImageView->x(), 8);
    EXPECT_EQ(w.ListView_Results->height(), w.ListView_Measurements->height());
    EXPECT_LT(w.ListView_Results->height(), w.StatusBar->y() - w.ListView_Results->y() - 4);
    w.Action(f.Menu_ImgPosNone)->trigger();
    EXPECT_EQ(f.ConfigFile->GetVal("Setup", "ImagePosition", std::string()), "None");
    EXPECT_FALSE(w.LineImageView->isVisible());
    EXPECT_EQ(w.ListView_Results->y() + w.ListView_Results->height() + 4, w.StatusBar->y());
    EXPECT_EQ(w.ListView_Measurements->y() + w.ListView_Measurements->height() + 4, w.StatusBar->y());
}

TEST_F(MainWindowTest, PickerKeysReachTheFormsKeyHandler) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    f.DTP_SetDate.Enabled = true;
    w.Render();
    w.DTP_SetDate->setFocus();
    EXPECT_EQ(f.ActiveControl, &f.DTP_SetDate);
    // Escape: the form takes the focus away and the window follows.
    QTest::keyClick(w.DTP_SetDate, Qt::Key_Escape);
    EXPECT_EQ(f.ActiveControl, nullptr);
    EXPECT_FALSE(w.DTP_SetDate->hasFocus());
}

TEST_F(MainWindowTest, CtrlLAndCtrlSNeverReachTheFocusedControl) {
    TMainWindow& w = box.Start();
    struct TKeyCounter : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            // The Ctrl key itself is not counted, only the letters and the arrow.
            if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() != Qt::Key_Control)
                ++presses;
            return false;
        }
    } counter;
    QWidget* focused = w.ComboBox_Baud;
    focused->installEventFilter(&counter);
    focused->setFocus();
    // Ctrl+L is the form's load command: its file dialog opens.
    bool loadAsked = false;
    WhenModal([&](QWidget* modal) {
        loadAsked = dynamic_cast<QFileDialog*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->reject();
    });
    QTest::keyClick(focused, Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(loadAsked);
    // Ctrl+S with an empty list does nothing, and is still the window's.
    QTest::keyClick(focused, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(counter.presses, 0);
    QTest::keyClick(focused, Qt::Key_Down);
    EXPECT_EQ(counter.presses, 1) << "other keys still reach it";
}

TEST_F(MainWindowTest, ClosingAsksTheFormAndWritesTheWindowBack) {
    TMainWindow& w = box.Start();
    w.resize(1000, 700);
    w.move(30, 40);
    EXPECT_EQ(box.Form->Width, 1000 + WindowFrameWidth);
    EXPECT_EQ(box.Form->Height, 700);
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(box.Form->Closed());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindowTest, SavingToAnExistingFileAsksOnlyTheProgramsQuestion) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    auto entry = std::make_unique<TMeasureSet>();
    entry->TestID = "T-1";
    f.MeasureList.push_back(std::move(entry));
    f.RefreshMeasureList();
    w.Render();
    const QString existing = box.Dir.filePath("old.tsv");
    QFile(existing).open(QIODevice::WriteOnly);

    // Every window that comes up, in order; the program's question is answered Yes (add to the file).
    std::vector<std::string> asked;
    QTimer answers;
    answers.setInterval(5);
    QObject::connect(&answers, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* files = dynamic_cast<QFileDialog*>(modal)) {
            if (!asked.empty()) return; // accepted, not gone yet
            asked.push_back("file dialog");
            files->selectFile(existing);
            QMetaObject::invokeMethod(files, &QDialog::accept, Qt::QueuedConnection);
        } else if (auto* replace = dynamic_cast<QMessageBox*>(modal)) {
            asked.push_back("replace?");
            replace->button(QMessageBox::Yes)->click();
        } else if (auto* own = dynamic_cast<TForm_OwnMessageBox*>(modal)) {
            asked.push_back(own->Label_Message->text().toStdString().substr(0, 49));
            own->Button_OK->click();
        }
    });
    answers.start();
    QTest::mouseClick(w.Button_Save, Qt::LeftButton);
    answers.stop();
    EXPECT_EQ(asked,
              (std::vector<std::string>{"file dialog", "Do you want to add the data to the selected file?"}));
    EXPECT_GT(QFileInfo(existing).size(), 0);
}

TEST_F(MainWindowTest, AnEmptyDeviceBoxSaysWhy) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    f.ComboBox_FTDIDevice.Visible = true;
    f.ComboBox_FTDIDevice.Clear();
    w.Render();
    QComboBox* combo = w.ComboBox_FTDIDevice;
    const QImage blank = combo->grab().toImage();
    for (const std::string text : {"-- no device --", "FTDI error 4"}) {
        f.ComboBox_FTDIDevice.Text = text;
        w.Render();
        EXPECT_EQ(combo->currentIndex(), -1);
        EXPECT_EQ(combo->placeholderText().toStdString(), text);
        EXPECT_NE(combo->grab().toImage(), blank) << text << " is drawn";
    }
    // An entry shows itself.
    f.ComboBox_FTDIDevice.Items = {{"1. Vexo Reader (FT12AB)", 0}};
    f.ComboBox_FTDIDevice.Select(0);
    w.Render();
    EXPECT_EQ(combo->currentText(), "1. Vexo Reader (FT12AB)");
    EXPECT_TRUE(combo->placeholderText().isEmpty());
}

TEST_F(MainWindowTest, TheBaudBoxTakesATypedRateAndOpensNothingWithoutANumber) {
    // The simulated reader's port, to see the rate it was opened with.
    auto reader = std::make_shared<TSimDevice>(DefaultScenario());
    std::vector<TSimSerialPort*> ports;
    box.Env.Link.PortFactory = [reader, &ports] {
        auto port = std::make_unique<TSimSerialPort>(reader);
        ports.push_back(port.get());
        return port;
    };
    auto bauds = [&ports] {
        std::vector<std::int32_t> opened;
        for (TSimSerialPort* p : ports)
            if (p->IsOpen()) opened.push_back(p->Settings().BaudRate);
        return opened;
    };
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    box.Clock.Advance(200); // the start is complete: connecting is allowed
    f.ComboBox_Com.Items = {{ComPortDisplayName(7), 0}};
    f.ComboBox_Com.Select(0);
    w.Render();
    QComboBox* baud = w.ComboBox_Baud;
    ASSERT_TRUE(baud->isEditable());
    for (const char* text : {"fast", "0", ""}) {
        baud->lineEdit()->selectAll();
        baud->setFocus();
        QTest::keyClick(baud->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(baud->lineEdit(), text);
        EXPECT_EQ(f.ComboBox_Baud.Text, text);
        QTest::mouseClick(w.Button_Open, Qt::LeftButton);
        EXPECT_FALSE(f.LinkOpen()) << text;
    }
    EXPECT_TRUE(bauds().empty());
    QTest::keyClicks(baud->lineEdit(), "250000");
    EXPECT_EQ(f.ComboBox_Baud.Text, "250000");
    EXPECT_EQ(baud->count(), 14) << "a typed rate is no new entry";
    QTest::mouseClick(w.Button_Open, Qt::LeftButton);
    EXPECT_TRUE(f.LinkOpen());
    EXPECT_EQ(bauds(), std::vector<std::int32_t>{250000});
    EXPECT_EQ(baud->currentText(), "250000");
}

TEST_F(MainWindowTest, TheTitleBarButtonsFollowTheForm) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    w.setWindowState(Qt::WindowMaximized); // as Setup/WindowState 2 starts it
    box.Clock.Advance(200); // the start is complete: no maximising from now on
    EXPECT_TRUE(w.isMaximized()) << "the new buttons keep the window as it was";
    EXPECT_FALSE(f.BorderIconMaximize);
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(w.isVisible());
    // Without the system menu there are no buttons at all.
    f.BorderIconSystemMenu = false;
    w.Render();
    for (Qt::WindowType hint :
         {Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint})
        EXPECT_FALSE(w.windowFlags().testFlag(hint)) << hint;
}

TEST_F(MainWindowTest, TheReadersPromptStaysUntilTheMeasurementEnds) {
    box.Start();
    TForm_Main& f = *box.Form;
    f.ShowStatus(8);
    f.HandlePlaceWhiteCard();
    TForm_EvaluationInfo* prompt = box.Dialogs.EvaluationInfo();
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(prompt->isVisible());
    QTest::keyClick(prompt, Qt::Key_Escape);
    EXPECT_TRUE(prompt->isVisible()) << "Escape leaves it";
    EXPECT_FALSE(prompt->close());
    EXPECT_TRUE(prompt->isVisible()) << "a close request leaves it";
    f.ShowStatus(0);
    EXPECT_FALSE(prompt->isVisible());
}

TEST_F(MainWindowTest, EveryActivationOfTheWindowRefreshesTheDeviceList) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    box.Clock.Advance(200);
    // An entry the refresh would never make: gone once the list is built again.
    auto stale = [&] { return f.ComboBox_Com.Count() > 0 && f.ComboBox_Com.Items[0].Text == "stale"; };
    f.ComboBox_Com.Items = {{"stale", 0}};
    w.Render();
    // The program stays the active one; only its main window comes back.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(stale());
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_FALSE(stale());

    // After a modal dialog.
    f.ComboBox_Com.Items = {{"stale", 0}};
    w.Render();
    WhenModal([](QWidget* modal) {
        QTest::mouseClick(static_cast<TForm_Info*>(modal)->Button_close, Qt::LeftButton);
    });
    w.Action(f.SubMenu_Version)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !stale(); }, 5000));
}

TEST_F(MainWindowTest, AfterADisconnectionThePickersShowThePCsClock) {
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    f.EnableVexoClock();
    f.ShowStatus(15);
    f.HandleDateTime(EncodeDateTime(2031, 7, 8, 9, 10, 11), true);
    EXPECT_EQ(w.DTP_SetDate->date(), QDate(2031, 7, 8));
    EXPECT_EQ(w.DTP_SetTime->time(), QTime(9, 10, 11));
    f.CloseConnection();
    EXPECT_FALSE(w.DTP_SetDate->isEnabled());
    EXPECT_EQ(w.DTP_SetDate->date(), QDate(2026, 5, 20));
    EXPECT_EQ(w.DTP_SetTime->time(), QTime(10, 0, 0));
}

} // namespace
