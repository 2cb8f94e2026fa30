// The dialog interface end to end: the windows open modally, centred on the owner,
// and the interface returns what was clicked.
#include "QtDialogs.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include "GuiTest.h"

namespace {

class QtDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner.setGeometry(100, 80, 874, 624);
        owner.show();
    }
    // The dialog's position as the centring rule puts it.
    void ExpectCentred(const QWidget* dialog) {
        const QRect o = owner.frameGeometry();
        const TRect r = CentreOn({o.x(), o.y(), o.width(), o.height()}, dialog->width(), dialog->height());
        EXPECT_EQ(dialog->pos(), QPoint(r.Left, r.Top));
    }
    QWidget owner;
    TQtDialogs dialogs{&owner};
};

TEST_F(QtDialogsTest, MessageBoxReturnsTheClickedButtonsResult) {
    TMessageBoxRequest request{
        "Do you want to save the data before closing the program?", "", 3, "Yes", "No", "Cancel", ""};
    bool seen = false;
    WhenModal([&](QWidget* modal) {
        auto* box = dynamic_cast<TForm_OwnMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = true;
        ExpectCentred(box);
        EXPECT_EQ(box->Label_Message->text().toStdString(), request.Message);
        EXPECT_EQ(box->Button_Aux->text(), "Cancel");
        QTest::mouseClick(box->Button_Aux, Qt::LeftButton);
    });
    EXPECT_EQ(dialogs.MessageBox(request), mrCancel);
    EXPECT_TRUE(seen);
}

TEST_F(QtDialogsTest, AnUnknownStyleShowsTheFixedSystemMessageAndGivesNothing) {
    for (std::int32_t style : {2, 5}) {
        QString text, title;
        WhenModal([&](QWidget* modal) {
            auto* box = dynamic_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            text = box->text();
            title = box->windowTitle();
            box->button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(dialogs.MessageBox({"message", "caption", style, "OK", "", "", ""}), mrNone);
        EXPECT_EQ(text.toStdString(), UnhandledMessageStyleText);
        EXPECT_TRUE(title.isEmpty());
    }
}

TEST_F(QtDialogsTest, FileNotifierShowsTheSystemMessageBox) {
    TQtFileNotifier notifier(dialogs);
    QString text, title;
    WhenModal([&](QWidget* modal) {
        auto* box = dynamic_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    notifier.ShowSystemMessage("Could not open file /x/DRConfigRO.ini", "File Error");
    EXPECT_EQ(text, "Could not open file /x/DRConfigRO.ini");
    EXPECT_EQ(title, "File Error");
}

TEST_F(QtDialogsTest, SelectionInputAndConfigListReturnTheirAnswers) {
    WhenModal([&](QWidget* modal) {
        auto* select = dynamic_cast<TForm_Select*>(modal);
        ASSERT_NE(select, nullptr);
        ExpectCentred(select);
        EXPECT_EQ(select->ItemIndex(), 1) << "the preselection";
        select->Radios[0]->setChecked(true);
        QTest::mouseClick(select->Button_OK, Qt::LeftButton);
    });
    std::int32_t chosen = -5;
    EXPECT_EQ(dialogs.Select({"Measurement", "Where from?", {"Reader", "File"}, 1, "OK", "Cancel"}, chosen),
              mrOk);
    EXPECT_EQ(chosen, 0);

    WhenModal([&](QWidget* modal) {
        auto* query = dynamic_cast<TForm_InputQuery*>(modal);
        ASSERT_NE(query, nullptr);
        ExpectCentred(query);
        EXPECT_EQ(query->Edit_Input->text(), "old");
        EXPECT_FALSE(query->Button_OK->isEnabled());
        query->Edit_Input->setText("new comment");
        QTest::keyClick(query->Edit_Input, Qt::Key_Enter);
    });
    std::string text = "old";
    TQueryRequest query{"Comment", "Your comment:", "", "OK", "Cancel", false, false};
    EXPECT_EQ(dialogs.InputQuery(query, text), mrOk);
    EXPECT_EQ(text, "new comment");

    WhenModal([&](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.InputQuery(query, text), mrCancel);
    EXPECT_EQ(text, "new comment") << "a cancelled input changes nothing";

    WhenModal([&](QWidget* modal) {
        auto* list = dynamic_cast<TForm_TestCfgList*>(modal);
        ASSERT_NE(list, nullptr);
        ExpectCentred(list);
        list->ListBox_Cfg->setCurrentRow(1);
        QTest::mouseClick(list->Button_OK, Qt::LeftButton);
    });
    chosen = -1;
    EXPECT_EQ(dialogs.ConfigList({"List of configurations", "OK", {"A - 1", "B - 2"}}, chosen), mrOk);
    EXPECT_EQ(chosen, 1);

    WhenModal([&](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dialogs.ConfigList({"List of configurations", "OK", {"A - 1"}}, chosen), mrCancel);
}

TEST_F(QtDialogsTest, FileDialogsTakeTheFormsFilterExtensionFolderAndName) {
    QTemporaryDir dir;
    TFileDialogState state{"Results.tsv", "tsv", dir.path().toStdString(), "Tab-separated values|*.tsv",
                           true};
    std::unique_ptr<QFileDialog> open = MakeFileDialog(state, false, &owner);
    EXPECT_EQ(open->nameFilters(), QStringList{"Tab-separated values (*.tsv)"});
    EXPECT_EQ(open->defaultSuffix(), "tsv");
    EXPECT_EQ(open->directory().absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    std::unique_ptr<QFileDialog> save = MakeFileDialog(state, true, &owner);
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save->fileMode(), QFileDialog::AnyFile);

    // A start folder that is gone leaves the dialog where it was.
    state.InitialDir = dir.filePath("gone").toStdString();
    EXPECT_NE(MakeFileDialog(state, false, &owner)->directory().absolutePath(),
              QString::fromStdString(state.InitialDir));

    // Saving: the default extension is added to a name typed without one.
    state.InitialDir = dir.path().toStdString();
    WhenModal([&](QWidget* modal) {
        auto* dialog = dynamic_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile("today");
        static_cast<QDialog*>(dialog)->accept();
    });
    std::string fileName;
    ASSERT_TRUE(dialogs.SaveFile(state, fileName));
    EXPECT_EQ(fileName, QDir(dir.path()).filePath("today.tsv").toStdString());

    WhenModal([&](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    fileName = "kept";
    EXPECT_FALSE(dialogs.OpenFile(state, fileName));
    EXPECT_EQ(fileName, "kept");
}

TEST_F(QtDialogsTest, EvaluationPromptIsKeptAndVersionWindowReused) {
    EXPECT_EQ(dialogs.EvaluationInfo(), nullptr);
    dialogs.ShowEvaluationInfo("Place the white card");
    TForm_EvaluationInfo* window = dialogs.EvaluationInfo();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "not modal";
    ExpectCentred(window);
    dialogs.HideEvaluationInfo();
    EXPECT_FALSE(window->isVisible());
    dialogs.ShowEvaluationInfo("Evaluating");
    EXPECT_EQ(dialogs.EvaluationInfo(), window);
    EXPECT_EQ(window->Label_InfoText->text(), "Evaluating");

    TForm_Info* first = nullptr;
    for (int round = 0; round < 2; ++round) {
        WhenModal([&](QWidget* modal) {
            auto* info = dynamic_cast<TForm_Info*>(modal);
            ASSERT_NE(info, nullptr);
            if (!first) first = info;
            EXPECT_EQ(info, first) << "the window is made once";
            ExpectCentred(info);
            QTest::mouseClick(info->Button_close, Qt::LeftButton);
        });
        dialogs.ShowVersion({"Vexo Data Reader", "", "", "V1.5.063", "Close"});
    }
    EXPECT_EQ(dialogs.InfoWindow(), first);
}

TEST(QtDialogsOwner, DialogsSurviveTheirOwner) {
    // The main window goes first at shutdown; the kept windows go with it.
    auto owner = std::make_unique<QWidget>();
    TQtDialogs dialogs(owner.get());
    dialogs.ShowEvaluationInfo("x");
    owner.reset();
    EXPECT_EQ(dialogs.EvaluationInfo(), nullptr);
}

} // namespace
