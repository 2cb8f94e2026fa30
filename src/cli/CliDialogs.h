#pragma once
// vexo-cli's answers to the window's questions: every message is printed to
// standard error as the box would show it, and questions are answered by the
// command's options through a policy.
#include <functional>
#include <ostream>
#include <string>

#include "Dialogs.h"
#include "FileNotifier.h"

class TCliDialogs : public IDialogs, public tFileNotifier {
public:
    explicit TCliDialogs(std::ostream& err) : fErr(err) {}

    // Answers a message box; unset: the first button (OK, Yes or Accept).
    std::function<std::int32_t(const TMessageBoxRequest&)> AnswerMessage;
    // The file a save or open dialog answers with; empty: the dialog is cancelled.
    // An open dialog takes it once.
    std::string FileAnswer;
    // Entries of the last configuration list shown; -1 when none was.
    std::int32_t ConfigListShown = -1;
    // Index answered by a selection or the configuration list; -1 cancels.
    std::int32_t ChoiceAnswer = -1;
    // Every message box shown, for the exit status.
    int MessagesShown = 0;

    std::int32_t MessageBox(const TMessageBoxRequest& request) override;
    void SystemMessage(const std::string& text, const std::string& caption) override;
    std::int32_t Select(const TSelectRequest& request, std::int32_t& chosen) override;
    std::int32_t InputQuery(const TQueryRequest& request, std::string& text) override;
    bool OpenFile(const TFileDialogState& dialog, std::string& fileName) override;
    bool SaveFile(const TFileDialogState& dialog, std::string& fileName) override;
    std::int32_t ConfigList(const TConfigListRequest& request, std::int32_t& chosen) override;
    void ShowEvaluationInfo(const std::string& text) override;
    void HideEvaluationInfo() override {}
    void ShowVersion(const TVersionInfo& info) override;
    void ShowSystemMessage(const std::string& text, const std::string& caption) override {
        SystemMessage(text, caption);
    }

private:
    void Print(const std::string& caption, const std::string& text);
    std::ostream& fErr;
    std::string fLastPrompt;
};
