#pragma once
// The dialog interface as real windows, centred on the main window.
#include <memory>

#include <QFileDialog>
#include <QPointer>

#include "DialogWindows.h"
#include "Dialogs.h"
#include "FileNotifier.h"

// A file dialog with the filter, default extension, start folder and name the form gives.
std::unique_ptr<QFileDialog> MakeFileDialog(const TFileDialogState& state, bool save, QWidget* parent);

class TQtDialogs final : public IDialogs {
public:
    explicit TQtDialogs(QWidget* owner = nullptr);
    ~TQtDialogs() override;
    TQtDialogs(const TQtDialogs&) = delete;
    TQtDialogs& operator=(const TQtDialogs&) = delete;

    // The main window, once it exists.
    void SetOwner(QWidget* owner) { fOwner = owner; }
    QWidget* Owner() const { return fOwner; }

    std::int32_t MessageBox(const TMessageBoxRequest& request) override;
    void SystemMessage(const std::string& text, const std::string& caption) override;
    std::int32_t Select(const TSelectRequest& request, std::int32_t& chosen) override;
    std::int32_t InputQuery(const TQueryRequest& request, std::string& text) override;
    bool OpenFile(const TFileDialogState& dialog, std::string& fileName) override;
    bool SaveFile(const TFileDialogState& dialog, std::string& fileName) override;
    std::int32_t ConfigList(const TConfigListRequest& request, std::int32_t& chosen) override;
    void ShowEvaluationInfo(const std::string& text) override;
    void HideEvaluationInfo() override;
    void ShowVersion(const TVersionInfo& info) override;

    // Kept between uses; null until first shown.
    TForm_EvaluationInfo* EvaluationInfo() const { return fEvaluationInfo.data(); }
    TForm_Info* InfoWindow() const { return fInfoWindow.data(); }

private:
    bool ChooseFile(const TFileDialogState& dialog, bool save, std::string& fileName);

    QPointer<QWidget> fOwner;
    // Children of the owner when there is one, so they may go before we do.
    QPointer<TForm_EvaluationInfo> fEvaluationInfo;
    QPointer<TForm_Info> fInfoWindow;
};

// The text files' messages in the system's message box.
class TQtFileNotifier final : public tFileNotifier {
public:
    explicit TQtFileNotifier(TQtDialogs& dialogs) : fDialogs(dialogs) {}
    void ShowSystemMessage(const std::string& text, const std::string& caption) override {
        fDialogs.SystemMessage(text, caption);
    }

private:
    TQtDialogs& fDialogs;
};
