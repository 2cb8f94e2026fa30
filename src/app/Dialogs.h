#pragma once
// Every question and message of the program goes through this interface: the
// desktop program shows windows, vexo-cli answers from its options and prints,
// tests answer from a script.
#include <cstdint>
#include <string>
#include <vector>

#include "Controls.h"
#include "DialogLogic.h"

struct TMessageBoxRequest {
    std::string Message;
    std::string Caption;
    std::int32_t Style = 0;
    std::string OKText, CancelText, AuxText, CheckBoxText;
};

struct TSelectRequest {
    std::string Caption;
    std::string Label;
    std::vector<std::string> Choices;
    std::int32_t Preselected = 0;
    std::string OKText, CancelText;
};

struct TQueryRequest {
    std::string Caption;
    std::string Message;
    std::string InitialText;
    std::string OKText, CancelText;
    bool OKInitiallyEnabled = true;
    bool TabletMode = false;
};

struct TConfigListRequest {
    std::string Caption;
    std::string OKText;
    // "test name - lot number" per configuration.
    std::vector<std::string> Entries;
};

struct TVersionInfo {
    std::string ProgName;
    std::string Customer;
    std::string LogoFile; // empty when there is none to show
    std::string Version;
    std::string CloseText;
};

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // The program's message box (styles 0, 1, 3, 4, 6); returns the modal result.
    virtual std::int32_t MessageBox(const TMessageBoxRequest& request) = 0;
    // The system's own message box with one OK button.
    virtual void SystemMessage(const std::string& text, const std::string& caption) = 0;
    // Returns mrOk with the chosen index, or mrCancel.
    virtual std::int32_t Select(const TSelectRequest& request, std::int32_t& chosen) = 0;
    // Returns mrOk with the edit's text, or mrCancel.
    virtual std::int32_t InputQuery(const TQueryRequest& request, std::string& text) = 0;
    // File choice; false when cancelled. fileName holds the chosen full name.
    virtual bool OpenFile(const TFileDialogState& dialog, std::string& fileName) = 0;
    virtual bool SaveFile(const TFileDialogState& dialog, std::string& fileName) = 0;
    // Returns mrOk with the chosen index; closing the list otherwise gives mrCancel.
    virtual std::int32_t ConfigList(const TConfigListRequest& request, std::int32_t& chosen) = 0;
    // The non-modal prompt while the reader measures.
    virtual void ShowEvaluationInfo(const std::string& text) = 0;
    virtual void HideEvaluationInfo() = 0;
    // The version window, modal.
    virtual void ShowVersion(const TVersionInfo& info) = 0;
};
