// The desktop window against the demo reader through the D2XX-compatible library,
// with real timers and the real link thread: it connects by itself, reads the
// database on a click and shows the entries.
#include <gtest/gtest.h>

#include <QTest>

#include "GuiFormSandbox.h"
#include "GuiTest.h"
#include "QtSyncInvoker.h"
#include "QtTimerBackend.h"

namespace {

// Answers whatever the form asks while the reader works: the first button of a message box.
QTimer* AnswerEveryQuestion(int& asked) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [&asked] {
        if (auto* box = dynamic_cast<TForm_OwnMessageBox*>(QApplication::activeModalWidget())) {
            ++asked;
            box->Button_OK->click();
        }
    });
    poll->start();
    return poll;
}

TEST(DemoReader, TheWindowConnectsReadsTheDatabaseAndShowsTheEntries) {
    TQtTimerBackend timers;
    TQtSyncInvoker invoker;
    TGuiFormSandbox box;
    box.Env.Timers = &timers;
    box.Env.Link.LibraryName = VEXO_FTD2XX_PATH;
    box.Env.Link.CreateSuspended = false;
    box.Env.Link.Invoker = &invoker;
    box.Env.Now = nullptr;
    int asked = 0;
    std::unique_ptr<QTimer> answers(AnswerEveryQuestion(asked));

    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    ASSERT_TRUE(f.FTDIMode());
    EXPECT_TRUE(w.ComboBox_FTDIDevice->isVisible());
    EXPECT_FALSE(w.ComboBox_Com->isVisible());
    // Auto-connect: the start's device list finds the demo reader and opens it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.LinkOpen() && f.State.Current == 0 && w.Button_ReadData->isEnabled(); }, 20000))
        << "status " << int(f.State.Current);
    EXPECT_EQ(w.Button_Open->text().toStdString(), f.Button_Open.Caption);
    EXPECT_FALSE(w.Label_FWDisplay->text().isEmpty());
    EXPECT_EQ(w.windowTitle().toStdString(), f.Caption);
    // The clock poll colours the pickers' frames; the window shows the form's colour.
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Panel_Date.Color != clBtnFace; }, 5000));
    const std::uint32_t c = f.Panel_Date.Color;
    EXPECT_EQ(w.Panel_Date->Color(), QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    EXPECT_TRUE(w.DTP_SetDate->isEnabled());

    QTest::mouseClick(w.Button_ReadData, Qt::LeftButton);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return f.ListView_Measurements.ItemCount > 0 && f.State.Current == 0; }, 30000))
        << "status " << int(f.State.Current);
    QTreeView* view = w.ListView_Measurements;
    EXPECT_EQ(view->model()->rowCount(), f.ListView_Measurements.ItemCount);
    EXPECT_FALSE(view->model()->index(0, 0).data().toString().isEmpty());

    // Selecting an entry shows its results.
    view->setCurrentIndex(view->model()->index(0, 0));
    EXPECT_EQ(f.ListView_Measurements.ItemIndex, 0);
    EXPECT_EQ(w.ListView_Results->model()->rowCount(), f.ListView_Results.ItemCount);
    EXPECT_GT(w.ListView_Results->model()->rowCount(), 0);

    // Closing with the link open: the form closes the port; nothing waits on the GUI thread.
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(f.Closed());
}

} // namespace
