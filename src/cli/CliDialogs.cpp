#include "CliDialogs.h"

namespace {
// The box shows CR LF line breaks as lines; so does the terminal.
std::string Lines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += '\n';
        } else {
            out += text[i];
        }
    }
    return out;
}
} // namespace

void TCliDialogs::Print(const std::string& caption, const std::string& text) {
    if (!caption.empty()) fErr << Lines(caption) << '\n';
    fErr << Lines(text) << '\n';
    fErr.flush();
}

std::int32_t TCliDialogs::MessageBox(const TMessageBoxRequest& request) {
    ++MessagesShown;
    Print(request.Caption, request.Message);
    if (!IsKnownMessageStyle(request.Style)) return mrNone;
    if (AnswerMessage) return AnswerMessage(request);
    return MessageBoxResult(request.Style, eMsgButton::OK, false);
}

void TCliDialogs::SystemMessage(const std::string& text, const std::string& caption) {
    ++MessagesShown;
    Print(caption, text);
}

std::int32_t TCliDialogs::Select(const TSelectRequest& request, std::int32_t& chosen) {
    if (ChoiceAnswer < 0 || ChoiceAnswer >= static_cast<std::int32_t>(request.Choices.size()))
        return mrCancel;
    chosen = ChoiceAnswer;
    return mrOk;
}

std::int32_t TCliDialogs::InputQuery(const TQueryRequest&, std::string&) {
    return mrCancel;
}

bool TCliDialogs::OpenFile(const TFileDialogState&, std::string& fileName) {
    // Answered once: a file that does not do is asked for again, and then the command gives up.
    if (FileAnswer.empty()) return false;
    fileName = FileAnswer;
    FileAnswer.clear();
    return true;
}

bool TCliDialogs::SaveFile(const TFileDialogState&, std::string& fileName) {
    if (FileAnswer.empty()) return false;
    fileName = FileAnswer;
    return true;
}

std::int32_t TCliDialogs::ConfigList(const TConfigListRequest& request, std::int32_t& chosen) {
    if (ChoiceAnswer < 0 || ChoiceAnswer >= static_cast<std::int32_t>(request.Entries.size()))
        return mrCancel;
    chosen = ChoiceAnswer;
    return mrOk;
}

void TCliDialogs::ShowEvaluationInfo(const std::string& text) {
    // The reader's prompts come one after another; each is printed once.
    if (text == fLastPrompt) return;
    fLastPrompt = text;
    Print("", text);
}

void TCliDialogs::ShowVersion(const TVersionInfo& info) {
    Print(info.ProgName, info.Version);
}
