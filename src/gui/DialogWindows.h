#pragma once
// The program's own dialog windows, laid out with the dialog layout rules.
// Each is a plain QDialog whose controls carry the program's names.
#include <cstdint>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "DialogLogic.h"
#include "Dialogs.h"

inline constexpr int DialogButtonWidth = 120;
inline constexpr int DialogButtonHeight = 25;
inline constexpr int DialogFontSize = 8;
// The message box's and the input dialog's heights are window heights, title bar
// included; the toolkit sizes the inside, so this much comes off.
inline constexpr int DialogTitleBarHeight = 24;

// Moves a dialog of the given size to the middle of owner (of the screen without one).
void CentreDialogOn(QWidget& dialog, const QWidget* owner);
// Height of a word-wrapped label's text at the given width.
int WrappedTextHeight(const QLabel& label, int width);
// The work area's width, as the style-6 message box needs it.
int DesktopWidth(const QWidget* owner);

class TForm_OwnMessageBox final : public QDialog {
public:
    explicit TForm_OwnMessageBox(QWidget* parent = nullptr);
    void SetMessage(const std::string& Cap, const std::string& Msg, std::int32_t MsgStyle,
                    const std::string& OK_Text, const std::string& Cancel_Text, const std::string& Aux_Text,
                    const std::string& CheckBox_Text);

    QLabel* Label_Message;
    QPushButton* Button_OK;
    QPushButton* Button_Cancel;
    QPushButton* Button_Aux;
    QCheckBox* CheckBox_1;
    std::int32_t MsgType = 0;
    TMessageBoxLayout Layout;

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ButtonClick(eMsgButton button);
};

class TForm_Select final : public QDialog {
public:
    explicit TForm_Select(QWidget* parent = nullptr);
    // Caption, label and button texts are set before, the preselection after.
    void SetSelCnt(const std::vector<std::string>& Strings);
    void SetItemIndex(std::int32_t index);
    std::int32_t ItemIndex() const;

    QLabel* Label_Select;
    QGroupBox* RadioGroup_Select;
    std::vector<QRadioButton*> Radios;
    QPushButton* Button_OK;
    QPushButton* Button_Cancel;
    std::int32_t SelectionCnt = 0;
    TSelectLayout Layout;

    void reject() override { done(mrCancel); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class TForm_InputQuery final : public QDialog {
public:
    explicit TForm_InputQuery(QWidget* parent = nullptr);
    void SetQuery(const std::string& Cap, const std::string& Msg, const std::string& OK_Text,
                  const std::string& Cancel_Text, bool TabletMode);

    QLabel* Label_InputQuery;
    QLineEdit* Edit_Input;
    QPushButton* Button_OK;
    QPushButton* Button_Cancel;
    // The touch keyboard exists only on Windows; kept so the caller's choice is seen.
    bool PromptTouchKeyboard = false;
    TQueryLayout Layout;

    void reject() override { done(mrCancel); }

protected:
    // The window sees key strokes before its controls.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool HandleKey(QKeyEvent& event);
};

class TForm_TestCfgList final : public QDialog {
public:
    explicit TForm_TestCfgList(QWidget* parent = nullptr);
    void Fill(const TConfigListRequest& request);
    std::int32_t ItemIndex() const;

    QListWidget* ListBox_Cfg;
    QPushButton* Button_OK;
    TCfgListLayout Layout;

    void reject() override { done(mrCancel); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class TForm_EvaluationInfo final : public QDialog {
public:
    explicit TForm_EvaluationInfo(QWidget* parent = nullptr);
    void SetLabelText(const std::string& Text);

    QLabel* Label_InfoText;
    TEvaluationInfoLayout Layout;

    // The reader's prompt goes only when the measurement's status ends (the program hides
    // it): neither Escape nor a close request from the desktop removes it.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;
};

class TForm_Info final : public QDialog {
public:
    explicit TForm_Info(QWidget* parent = nullptr);
    void SetInfo(const TVersionInfo& info);
    // An empty or unreadable file hides the logo.
    void updateLogo(const std::string& fileName);
    void UpdateLanguage(const std::string& closeText);

    QLabel* Label_ProgName;
    QLabel* Image_Logo;
    QLabel* Label_Customer;
    QLabel* Label_Version;
    QPushButton* Button_close;
    std::string LogoFile;

    static constexpr int LogoWidth = 150, LogoHeight = 60;
};
