#include "DialogWindows.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

TRect Geometry(const QWidget& w) {
    return TRect{w.x(), w.y(), w.width(), w.height()};
}

struct MessageBoxCase {
    std::int32_t style;
    eMsgButton button;
    bool tick;
    std::int32_t result;
};

QPushButton* ButtonOf(TForm_OwnMessageBox& box, eMsgButton button) {
    switch (button) {
    case eMsgButton::OK: return box.Button_OK;
    case eMsgButton::Cancel: return box.Button_Cancel;
    case eMsgButton::Aux: return box.Button_Aux;
    }
    return nullptr;
}

void SetStyle(TForm_OwnMessageBox& box, std::int32_t style, const std::string& message = "Save the list?") {
    box.SetMessage("Caption", message, style, "OK", "Cancel", "Aux", "Do not show again");
}

TEST(OwnMessageBox, EveryVisibleButtonGivesItsStylesResult) {
    const MessageBoxCase cases[] = {
        {0, eMsgButton::OK, false, mrOk},         {1, eMsgButton::OK, false, mrOk},
        {1, eMsgButton::Cancel, false, mrCancel}, {3, eMsgButton::OK, false, mrYes},
        {3, eMsgButton::Cancel, false, mrNo},     {3, eMsgButton::Aux, false, mrCancel},
        {4, eMsgButton::OK, false, mrYes},        {4, eMsgButton::Cancel, false, mrNo},
        {6, eMsgButton::OK, false, mrYes},        {6, eMsgButton::OK, true, mrYesToAll},
        {6, eMsgButton::Cancel, false, mrClose},  {6, eMsgButton::Cancel, true, mrClose},
    };
    for (const auto& tc : cases) {
        TForm_OwnMessageBox box;
        SetStyle(box, tc.style);
        box.show();
        if (tc.tick)
            QTest::mouseClick(box.CheckBox_1, Qt::LeftButton, {}, QPoint(5, box.CheckBox_1->height() / 2));
        QPushButton* button = ButtonOf(box, tc.button);
        ASSERT_TRUE(button->isVisible()) << tc.style;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(box.isVisible()) << tc.style;
        EXPECT_EQ(box.result(), tc.result) << "style " << tc.style << " button " << int(tc.button);
    }
}

TEST(OwnMessageBox, ShowsTheButtonsOfItsStyleAtTheLayoutsPlaces) {
    for (std::int32_t style : {0, 1, 3, 4, 6}) {
        TForm_OwnMessageBox box;
        SetStyle(box, style);
        box.show();
        for (eMsgButton b : {eMsgButton::OK, eMsgButton::Cancel, eMsgButton::Aux})
            EXPECT_EQ(ButtonOf(box, b)->isVisible(), MessageBoxShows(style, b)) << style << " " << int(b);
        EXPECT_EQ(box.CheckBox_1->isVisible(), style == 6) << style;
        const TMessageBoxLayout& l = box.Layout;
        // The layout rules, fed with the wrapped label's height.
        const TMessageBoxLayout expected =
            SetMessageLayout(style, 120, 25, 16, box.Label_Message->height(), DesktopWidth(nullptr));
        EXPECT_EQ(l.Width, expected.Width) << style;
        EXPECT_EQ(l.Height, expected.Height) << style;
        EXPECT_EQ(l.OK, expected.OK) << style;
        EXPECT_EQ(l.Cancel, expected.Cancel) << style;
        EXPECT_EQ(l.Aux, expected.Aux) << style;
        EXPECT_EQ(l.CheckBox, expected.CheckBox) << style;
        EXPECT_EQ(box.width(), l.Width) << style;
        EXPECT_EQ(box.height(), l.Height - DialogTitleBarHeight) << style;
        EXPECT_EQ(Geometry(*box.Label_Message), l.Label) << style;
        EXPECT_EQ(Geometry(*box.Button_OK), l.OK) << style;
        if (l.CancelVisible) {
            EXPECT_EQ(Geometry(*box.Button_Cancel), l.Cancel) << style;
        }
        if (l.AuxVisible) {
            EXPECT_EQ(Geometry(*box.Button_Aux), l.Aux) << style;
        }
        if (l.CheckBoxVisible) {
            EXPECT_EQ(Geometry(*box.CheckBox_1), l.CheckBox) << style;
        }
        EXPECT_EQ(box.Button_OK->size(), QSize(120, 25));
        EXPECT_EQ(box.font().pointSize(), 8);
        EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
    }
    // Style 0: one button in the middle; style 3: Cancel in the middle, Yes to its left.
    TForm_OwnMessageBox one;
    SetStyle(one, 0);
    EXPECT_EQ(one.Button_OK->x() + 60, one.width() / 2);
    TForm_OwnMessageBox three;
    SetStyle(three, 3);
    EXPECT_EQ(three.Button_Cancel->x() + 60, three.width() / 2);
    EXPECT_LT(three.Button_OK->x(), three.Button_Cancel->x());
    EXPECT_LT(three.Button_Cancel->x(), three.Button_Aux->x());
}

TEST(OwnMessageBox, ALongerMessageMakesTheBoxTallerAndKeepsTheButtons20Below) {
    TForm_OwnMessageBox shortBox, longBox;
    SetStyle(shortBox, 1, "One line.");
    SetStyle(longBox, 1,
             std::string(400, 'x').replace(50, 1, " ").replace(120, 1, " ") + "\nand one more line");
    const int grown = longBox.Label_Message->height() - shortBox.Label_Message->height();
    EXPECT_GT(grown, 0);
    EXPECT_EQ(longBox.height() - shortBox.height(), grown);
    EXPECT_EQ(longBox.Button_OK->y(), longBox.Label_Message->y() + longBox.Label_Message->height() + 20);
    // The label holds the whole wrapped text.
    EXPECT_GE(longBox.Label_Message->height(),
              longBox.Label_Message->heightForWidth(longBox.Label_Message->width()));
}

TEST(OwnMessageBox, EscapeAnswersNothingAClosingWindowCancels) {
    TForm_OwnMessageBox box;
    SetStyle(box, 4);
    box.show();
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());
    box.close();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), mrCancel);
}

// Enter clicks the focused button, and in the selection and configuration list OK when the
// focus is elsewhere; Escape cancels the selection and the list, never the message box.
TEST(DialogKeys, EnterClicksTheFocusedButtonOrOK) {
    for (const auto& [style, focusCancel, result] :
         {std::tuple{4, false, mrYes}, std::tuple{4, true, mrNo}, std::tuple{1, false, mrOk}}) {
        TForm_OwnMessageBox box;
        SetStyle(box, style);
        box.show();
        QPushButton* focus = focusCancel ? box.Button_Cancel : box.Button_OK;
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Return);
        EXPECT_FALSE(box.isVisible()) << style;
        EXPECT_EQ(box.result(), result) << style << " " << focusCancel;
    }

    TForm_Select select;
    select.SetSelCnt({"From the reader", "From a file"});
    select.SetItemIndex(1);
    select.show();
    select.Radios[1]->setFocus();
    QTest::keyClick(select.Radios[1], Qt::Key_Return);
    EXPECT_EQ(select.result(), mrOk);
    EXPECT_EQ(select.ItemIndex(), 1);
    select.show();
    select.Button_Cancel->setFocus();
    QTest::keyClick(select.Button_Cancel, Qt::Key_Enter);
    EXPECT_EQ(select.result(), mrCancel);
    select.show();
    QTest::keyClick(select.Radios[0], Qt::Key_Escape);
    EXPECT_FALSE(select.isVisible());
    EXPECT_EQ(select.result(), mrCancel);

    TForm_TestCfgList list;
    list.Fill({"List of configurations", "OK", {"CRP - L0001", "HbA1c - L0002"}});
    list.show();
    list.ListBox_Cfg->setFocus();
    QTest::keyClick(list.ListBox_Cfg, Qt::Key_Return);
    EXPECT_TRUE(list.isVisible()) << "nothing chosen yet";
    list.ListBox_Cfg->setCurrentRow(1);
    QTest::keyClick(list.ListBox_Cfg, Qt::Key_Return);
    EXPECT_FALSE(list.isVisible());
    EXPECT_EQ(list.result(), mrOk);
    EXPECT_EQ(list.ItemIndex(), 1);
}

TEST(SelectDialog, LayoutAndChoice) {
    TForm_Select dialog;
    dialog.Label_Select->setText("Which test configuration is to be used for the measurement?");
    dialog.SetSelCnt({"From the reader", "From an RFID tag", "From a file"});
    dialog.SetItemIndex(1);
    dialog.show();
    EXPECT_EQ(dialog.SelectionCnt, 3);
    EXPECT_EQ(dialog.width(), 360);
    EXPECT_EQ(dialog.height(), dialog.Layout.ClientHeight);
    EXPECT_EQ(Geometry(*dialog.Label_Select), dialog.Layout.Label);
    EXPECT_EQ(Geometry(*dialog.RadioGroup_Select), dialog.Layout.RadioGroup);
    EXPECT_EQ(Geometry(*dialog.Button_OK), dialog.Layout.OK);
    EXPECT_EQ(Geometry(*dialog.Button_Cancel), dialog.Layout.Cancel);
    EXPECT_EQ(dialog.Button_Cancel->x() + dialog.Button_Cancel->width() + 7, dialog.width());
    // Every choice fits inside the group.
    for (QRadioButton* radio : dialog.Radios)
        EXPECT_LE(radio->y() + radio->height(), dialog.RadioGroup_Select->height());
    EXPECT_EQ(dialog.ItemIndex(), 1);

    QTest::mouseClick(dialog.Radios[2], Qt::LeftButton, {}, QPoint(6, dialog.Radios[2]->height() / 2));
    QTest::mouseClick(dialog.Button_OK, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), mrOk);
    EXPECT_EQ(dialog.ItemIndex(), 2);

    // Filling again replaces the choices.
    dialog.SetSelCnt({"a", "b"});
    EXPECT_EQ(dialog.Radios.size(), 2u);
    EXPECT_EQ(dialog.ItemIndex(), -1);
    dialog.show();
    QTest::mouseClick(dialog.Button_Cancel, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), mrCancel);
    dialog.show();
    dialog.close();
    EXPECT_EQ(dialog.result(), mrCancel);
}

TEST(InputQuery, LayoutTypingEnablesOKAndKeys) {
    TForm_InputQuery dialog;
    dialog.SetQuery("Comment", "Enter a comment for the entry:", "OK", "Cancel", true);
    dialog.Button_OK->setEnabled(false);
    dialog.show();
    EXPECT_TRUE(dialog.PromptTouchKeyboard);
    EXPECT_EQ(dialog.width(), dialog.Layout.Width);
    EXPECT_EQ(dialog.height(), dialog.Layout.Height - DialogTitleBarHeight);
    EXPECT_EQ(Geometry(*dialog.Label_InputQuery), dialog.Layout.Label);
    EXPECT_EQ(Geometry(*dialog.Edit_Input), dialog.Layout.Edit);
    EXPECT_EQ(Geometry(*dialog.Button_OK), dialog.Layout.OK);
    EXPECT_EQ(Geometry(*dialog.Button_Cancel), dialog.Layout.Cancel);

    // Enter with an empty edit does nothing.
    QTest::keyClick(dialog.Edit_Input, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClicks(dialog.Edit_Input, "ab");
    EXPECT_TRUE(dialog.Button_OK->isEnabled());
    dialog.Edit_Input->clear();
    EXPECT_TRUE(dialog.Button_OK->isEnabled()) << "emptying the edit keeps OK enabled";
    QTest::keyClicks(dialog.Edit_Input, "x");
    QTest::keyClick(dialog.Edit_Input, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), mrOk);

    dialog.show();
    QTest::keyClick(dialog.Edit_Input, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), mrCancel);

    // Enter on a focused Cancel button is still the dialog's Enter, not a click.
    dialog.show();
    dialog.Button_Cancel->setFocus();
    QTest::keyClick(dialog.Button_Cancel, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), mrOk);
}

TEST(ConfigList, OKOnlyWithAnItemAndTheLayout) {
    TForm_TestCfgList dialog;
    dialog.Fill({"List of configurations", "OK", {"CRP - L0001", "HbA1c - L0002"}});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "List of configurations");
    EXPECT_FALSE(dialog.Button_OK->isEnabled());
    EXPECT_EQ(dialog.width(), dialog.Layout.Width);
    EXPECT_EQ(dialog.height(), dialog.Layout.Height);
    EXPECT_EQ(dialog.ListBox_Cfg->size(), QSize(dialog.Layout.List.Width, dialog.Layout.List.Height));
    EXPECT_EQ(Geometry(*dialog.Button_OK), dialog.Layout.OK);

    QWidget* view = dialog.ListBox_Cfg->viewport();
    const QRect second = dialog.ListBox_Cfg->visualItemRect(dialog.ListBox_Cfg->item(1));
    QTest::mouseClick(view, Qt::LeftButton, {}, second.center());
    EXPECT_TRUE(dialog.Button_OK->isEnabled());
    EXPECT_EQ(dialog.ItemIndex(), 1);
    // A click below the last item takes the choice back.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(5, view->height() - 3));
    EXPECT_FALSE(dialog.Button_OK->isEnabled());
    EXPECT_EQ(dialog.ItemIndex(), -1);

    QTest::mouseClick(view, Qt::LeftButton, {},
                      dialog.ListBox_Cfg->visualItemRect(dialog.ListBox_Cfg->item(0)).center());
    QTest::mouseClick(dialog.Button_OK, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), mrOk);
    EXPECT_EQ(dialog.ItemIndex(), 0);
}

TEST(ConfigList, ScrollsSidewaysToTheWidestEntryPlus40) {
    const std::string wide = "A test configuration with a very long name indeed - LOT-2026-0001-XYZ";
    TForm_TestCfgList dialog;
    dialog.Fill({"List of configurations", "OK", {"CRP - L0001", wide}});
    dialog.show();
    const int widest = QFontMetrics(dialog.font()).horizontalAdvance(QString::fromStdString(wide));
    QListWidget* list = dialog.ListBox_Cfg;
    ASSERT_GT(widest, list->viewport()->width());
    EXPECT_EQ(list->horizontalScrollBar()->maximum() + list->viewport()->width(), widest + 40);
    // Short entries leave nothing to scroll.
    dialog.Fill({"List of configurations", "OK", {"CRP - L0001"}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->horizontalScrollBar()->maximum() == 0; }, 5000));
}

TEST(EvaluationInfo, SizedAroundIts14PointLabel) {
    TForm_EvaluationInfo window;
    window.SetLabelText("Place the test card into the reader");
    EXPECT_EQ(window.Label_InfoText->font().pointSize(), 14);
    EXPECT_EQ(window.width(), window.Label_InfoText->width() + 20);
    EXPECT_EQ(window.height(), window.Label_InfoText->height() + 50);
    EXPECT_FALSE(window.isModal());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
    const int firstWidth = window.width();
    window.SetLabelText("Evaluating");
    EXPECT_LT(window.width(), firstWidth);
}

TEST(VersionWindow, LooksAndLogo) {
    QTemporaryDir dir;
    const QString logo = dir.filePath("logo.png");
    QImage picture(300, 60, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(logo));

    TForm_Info info;
    info.SetInfo({"Vexo Data Reader", "Clinic Nord", logo.toStdString(), "V1.5.063", "Close"});
    info.show();
    EXPECT_TRUE(info.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_NEAR(info.windowOpacity(), 230.0 / 255.0, 0.01);
    EXPECT_EQ(info.palette().color(QPalette::Window), QColor(166, 202, 240));
    EXPECT_TRUE(info.Label_ProgName->font().bold());
    EXPECT_TRUE(info.Label_ProgName->font().underline());
    EXPECT_GT(info.Label_ProgName->font().pointSize(), 8);
    EXPECT_TRUE(info.Label_Customer->font().bold());
    EXPECT_EQ(info.Label_Version->text(), "V1.5.063");
    EXPECT_EQ(info.Button_close->text(), "Close");
    ASSERT_TRUE(info.Image_Logo->isVisible());
    // Scaled proportionally into 150 x 60.
    EXPECT_EQ(info.Image_Logo->pixmap().size(), QSize(150, 30));
    // From top to bottom, all centred.
    const int middle = info.width() / 2;
    for (QWidget* w :
         std::initializer_list<QWidget*>{info.Label_ProgName, info.Image_Logo, info.Label_Customer,
                                         info.Label_Version, info.Button_close})
        EXPECT_NEAR(w->x() + w->width() / 2, middle, 1);
    EXPECT_LT(info.Label_ProgName->y(), info.Image_Logo->y());
    EXPECT_LT(info.Label_Version->y(), info.Button_close->y());

    QTest::mouseClick(info.Button_close, Qt::LeftButton);
    EXPECT_EQ(info.result(), mrOk);

    // The program's default logo file is a TIFF picture.
    const QString tiff = dir.filePath("logo.tif");
    ASSERT_TRUE(picture.save(tiff, "TIFF"));
    info.updateLogo(tiff.toStdString());
    ASSERT_TRUE(info.Image_Logo->isVisibleTo(&info));
    EXPECT_EQ(info.Image_Logo->pixmap().size(), QSize(150, 30));

    for (const QString& bad : {dir.filePath("missing.png"), QString()}) {
        info.updateLogo(bad.toStdString());
        EXPECT_FALSE(info.Image_Logo->isVisibleTo(&info)) << bad.toStdString();
    }
    QFile broken(dir.filePath("broken.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    info.updateLogo(broken.fileName().toStdString());
    EXPECT_FALSE(info.Image_Logo->isVisibleTo(&info));
}

} // namespace
