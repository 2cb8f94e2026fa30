// Writes pictures of the program's dialogs and owner-drawn parts, as the window
// shows them, to the folder named on the command line: vexo-gui-screenshots <folder>.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "DialogWindows.h"
#include "GuiFormSandbox.h"
#include "MenuStyle.h"
#include "QtSyncInvoker.h"
#include "QtTimerBackend.h"
#include "StatusBarView.h"

namespace {

QString folder;
int failures = 0;

void Save(QWidget& widget, const char* name) {
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget)) QTest::qWait(20);
    QApplication::processEvents();
    const QString file = QDir(folder).filePath(QString(name) + ".png");
    if (!widget.grab().save(file)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
        ++failures;
    } else {
        std::printf("%s\n", qPrintable(file));
    }
    widget.hide();
}

void MessageBoxes() {
    struct {
        int style;
        const char* name;
        const char* message;
        const char* ok;
        const char* cancel;
        const char* aux;
    } boxes[] = {
        {0, "messagebox-style0", "The connection to the device was lost.", "OK", "", ""},
        {1, "messagebox-style1", "Format the database of the reader? All stored results will be lost.", "OK",
         "Cancel", ""},
        {3, "messagebox-style3", "Do you want to save the data before closing the program?", "Yes", "No",
         "Cancel"},
        {4, "messagebox-style4",
         "New data was read from the reader. Should it be added to the current list? Answer No to replace "
         "the "
         "list with the new data.",
         "Yes", "No", ""},
        {6, "messagebox-style6",
         "The test configuration on the tag differs from the one stored in the reader. Accept the tag's "
         "configuration for this measurement?",
         "Accept", "Decline", ""},
    };
    for (const auto& b : boxes) {
        TForm_OwnMessageBox box;
        box.SetMessage("Vexo Data Reader", b.message, b.style, b.ok, b.cancel, b.aux, "Do not show again");
        Save(box, b.name);
    }
}

void OtherDialogs(const QString& logo) {
    TForm_Select select;
    select.setWindowTitle("Measurement");
    select.Label_Select->setText("Where does the test configuration for this measurement come from?");
    select.Button_OK->setText("OK");
    select.Button_Cancel->setText("Cancel");
    select.SetSelCnt({"From the reader", "From an RFID tag", "From a file on this PC"});
    select.SetItemIndex(0);
    Save(select, "select");

    TForm_InputQuery query;
    query.SetQuery("User comment", "Edit/add user comment", "OK", "Cancel", false);
    query.Edit_Input->setText("Sample 17, repeated");
    Save(query, "inputquery");

    TForm_TestCfgList list;
    list.Fill({"List of configurations",
               "OK",
               {"CRP quantitative - 240117A", "HbA1c - 231204", "Troponin I high sensitivity - 240301-07",
                "D-Dimer - 240212"}});
    list.ListBox_Cfg->setCurrentRow(1);
    Save(list, "configlist");

    TForm_EvaluationInfo evaluation;
    evaluation.SetLabelText("Please insert the test card");
    Save(evaluation, "evaluationinfo");

    TForm_Info info;
    info.SetInfo({"Vexo Data Reader", "Clinic Nord Laboratory", logo.toStdString(), "V1.5.063", "Close"});
    Save(info, "versionwindow");
}

void OwnerDrawnParts() {
    TOwnerDrawMenuStyle style;
    QMenu setup;
    setup.setStyle(&style);
    QAction* autoConnect = setup.addAction("Auto connect");
    autoConnect->setCheckable(true);
    autoConnect->setChecked(true);
    QAction* shutdown = setup.addAction("Shutdown vexo on disconnect");
    shutdown->setCheckable(true);
    QMenu* position = setup.addMenu("Set image position");
    position->setStyle(&style);
    setup.addAction("&Load data from file  Ctrl+L");
    setup.addAction("&Save data to file  Ctrl+S")->setEnabled(false);
    QAction* direct = setup.addAction("Direct FTDI");
    direct->setCheckable(true);
    direct->setChecked(true);
    direct->setEnabled(false);
    setup.popup(QPoint(0, 0));
    if (!QTest::qWaitForWindowExposed(&setup)) QTest::qWait(20);
    setup.setActiveAction(shutdown);
    QApplication::processEvents();
    const QString file = QDir(folder).filePath("menu.png");
    if (!setup.grab().save(file))
        ++failures;
    else
        std::printf("%s\n", qPrintable(file));
    setup.hide();

    QWidget window;
    window.resize(700, 24);
    auto* view = new TStatusBarView(&window);
    view->setGeometry(0, 2, 700, 20);
    TStatusBar bar;
    bar.Panels[0].Text = "Receiving data";
    TProgressBar progress;
    progress.Visible = true;
    progress.Position = 40;
    view->Render(bar, progress, 1.0);
    Save(window, "statusbar");
}

void SaveWindow(QWidget& window, const char* name) {
    QApplication::processEvents();
    const QString file = QDir(folder).filePath(QString(name) + ".png");
    if (!window.grab().save(file))
        ++failures;
    else
        std::printf("%s\n", qPrintable(file));
}

// Answers the form's questions while the demo reader works: the first button.
void AnswerQuestions() {
    if (auto* box = dynamic_cast<TForm_OwnMessageBox*>(QApplication::activeModalWidget()))
        box->Button_OK->click();
}

void MainWindowStates() {
    {
        // Disconnected: no reader library, a fresh configuration.
        TGuiFormSandbox box;
        TMainWindow& w = box.Start();
        QTest::qWait(50);
        SaveWindow(w, "mainwindow-disconnected");
        // The Setup menu, open.
        QMenu* setup = w.Menu(box.Form->Menu_Setup);
        setup->popup(w.mapToGlobal(QPoint(40, 0)));
        if (!QTest::qWaitForWindowExposed(setup)) QTest::qWait(20);
        setup->setActiveAction(w.Action(box.Form->Menu_AutoConnect));
        SaveWindow(*setup, "mainwindow-setup-menu");
        setup->hide();
    }
    // Connected to the demo reader, its database read and an entry selected.
    TQtTimerBackend timers;
    TQtSyncInvoker invoker;
    TGuiFormSandbox box;
    box.Env.Timers = &timers;
    box.Env.Link.LibraryName = VEXO_FTD2XX_PATH;
    box.Env.Link.CreateSuspended = false;
    box.Env.Link.Invoker = &invoker;
    box.Env.Now = nullptr;
    QTimer answers;
    QObject::connect(&answers, &QTimer::timeout, AnswerQuestions);
    answers.start(20);
    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    if (!QTest::qWaitFor(
            [&] { return f.LinkOpen() && f.State.Current == 0 && w.Button_ReadData->isEnabled(); }, 20000)) {
        std::fprintf(stderr, "the demo reader did not connect (status %d)\n", int(f.State.Current));
        ++failures;
        return;
    }
    // The first clock answer colours the pickers' frames.
    if (!QTest::qWaitFor([&] { return f.Panel_Date.Color != clBtnFace; }, 5000)) ++failures;
    SaveWindow(w, "mainwindow-connected");
    w.Button_ReadData->click();
    if (!QTest::qWaitFor([&] { return f.ListView_Measurements.ItemCount > 0 && f.State.Current == 0; },
                         30000)) {
        std::fprintf(stderr, "the demo database was not read (status %d)\n", int(f.State.Current));
        ++failures;
        return;
    }
    w.ListView_Measurements->setCurrentIndex(w.ListView_Measurements->model()->index(0, 0));
    QTest::qWait(50);
    SaveWindow(w, "mainwindow-demo-database");
    // An entry with a line profile, in each image position.
    int withProfile = -1;
    for (std::size_t i = 0; i < f.MeasureList.size() && withProfile < 0; ++i)
        if (!f.MeasureList[i]->ImageData.empty()) withProfile = static_cast<int>(i);
    if (withProfile < 0) {
        std::fprintf(stderr, "the demo database has no entry with a line profile\n");
        ++failures;
    } else {
        w.ListView_Measurements->setCurrentIndex(w.ListView_Measurements->model()->index(withProfile, 0));
        const std::pair<TMenuItem*, const char*> positions[] = {{&f.Menu_ImgPosRight, "mainwindow-profile-right"},
                                                                {&f.Menu_ImgPosLeft, "mainwindow-profile-left"},
                                                                {&f.Menu_ImgPosFull, "mainwindow-profile-full"}};
        for (const auto& [item, name] : positions) {
            w.Action(*item)->trigger();
            QTest::qWait(20);
            SaveWindow(w, name);
        }
    }
    w.close();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder for the pictures>\n", argv[0]);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make the folder %s\n", argv[1]);
        return 1;
    }
    // A logo for the version window, drawn here so the picture shows the logo area.
    QTemporaryDir temp;
    QImage logo(240, 120, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    {
        QPainter p(&logo);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0, 0, 128));
        p.setPen(Qt::NoPen);
        p.drawEllipse(10, 10, 100, 100);
        p.setBrush(QColor(128, 0, 0));
        p.drawRoundedRect(120, 30, 110, 60, 10, 10);
    }
    const QString logoFile = temp.filePath("logo.png");
    logo.save(logoFile);

    MessageBoxes();
    OtherDialogs(logoFile);
    OwnerDrawnParts();
    MainWindowStates();
    return failures == 0 ? 0 : 1;
}
