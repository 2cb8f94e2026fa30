#pragma once
// A main window's surroundings for tests: folders of its own on the real file system,
// the manual clock, and dialogs answered from a script that fails the test when a
// dialog comes that the script does not expect.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "FileNotifier.h"
#include "Main.h"
#include "ManualClock.h"
#include "TestSystem.h"
#include "Timers.h"

struct TSandboxDir {
    TSandboxDir() : Path(MakeTempFolder("vexo-app-")) {}
    ~TSandboxDir() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    std::string operator/(const std::string& name) const { return NativePath(Path, name); }
    std::filesystem::path Path;
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// UTF-16 LE with mark and CR LF line ends, as the program writes its text files.
inline void WriteTextFile(const std::string& path, const std::vector<std::string>& asciiLines) {
    std::string bytes = "\xFF\xFE";
    for (const auto& line : asciiLines)
        for (char c : line + "\r\n") {
            bytes += c;
            bytes += '\0';
        }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct TDialogCall {
    std::string Kind; // "MessageBox", "SystemMessage", "Select", "InputQuery", "OpenFile", "SaveFile",
                      // "ConfigList", "EvaluationInfo", "HideEvaluationInfo", "Version"
    std::string Text;
    std::string Caption;
    std::int32_t Style = 0;
    TMessageBoxRequest Box;
    TVersionInfo Version;
};

struct TScriptedAnswer {
    std::string Kind;
    std::int32_t Result = 0;
    std::int32_t Index = 0;
    std::string Text;
};

class TScriptedDialogs : public IDialogs {
public:
    // The next modal dialog must be of this kind; it answers with result (and index or text).
    void Expect(const std::string& kind, std::int32_t result, std::int32_t index = 0, std::string text = {}) {
        fScript.push_back({kind, result, index, std::move(text)});
    }
    bool ScriptDone() const { return fScript.empty(); }
    std::vector<TDialogCall> Calls;
    // Runs while a modal dialog is open (to look at the window meanwhile).
    std::function<void(const TDialogCall&)> WhileOpen;

    std::int32_t MessageBox(const TMessageBoxRequest& request) override {
        TDialogCall call{"MessageBox", request.Message, request.Caption, request.Style, request, {}};
        return Take(call).Result;
    }
    void SystemMessage(const std::string& text, const std::string& caption) override {
        TDialogCall call{"SystemMessage", text, caption, 0, {}, {}};
        Take(call);
    }
    std::int32_t Select(const TSelectRequest& request, std::int32_t& chosen) override {
        TDialogCall call{"Select", request.Label, request.Caption, 0, {}, {}};
        TScriptedAnswer a = Take(call);
        chosen = a.Index;
        return a.Result;
    }
    std::int32_t InputQuery(const TQueryRequest& request, std::string& text) override {
        TDialogCall call{"InputQuery", request.Message, request.Caption, 0, {}, {}};
        TScriptedAnswer a = Take(call);
        if (a.Result == mrOk) text = a.Text;
        return a.Result;
    }
    bool OpenFile(const TFileDialogState& dialog, std::string& fileName) override {
        TDialogCall call{"OpenFile", dialog.FileName, dialog.InitialDir, 0, {}, {}};
        TScriptedAnswer a = Take(call);
        fileName = a.Text;
        return a.Result == mrOk;
    }
    bool SaveFile(const TFileDialogState& dialog, std::string& fileName) override {
        TDialogCall call{"SaveFile", dialog.FileName, dialog.InitialDir, 0, {}, {}};
        TScriptedAnswer a = Take(call);
        fileName = a.Text;
        return a.Result == mrOk;
    }
    std::int32_t ConfigList(const TConfigListRequest& request, std::int32_t& chosen) override {
        TDialogCall call{"ConfigList", "", request.Caption, 0, {}, {}};
        TScriptedAnswer a = Take(call);
        chosen = a.Index;
        return a.Result;
    }
    void ShowEvaluationInfo(const std::string& text) override {
        Calls.push_back({"EvaluationInfo", text, "", 0, {}, {}});
    }
    void HideEvaluationInfo() override { Calls.push_back({"HideEvaluationInfo", "", "", 0, {}, {}}); }
    void ShowVersion(const TVersionInfo& info) override {
        TDialogCall call{"Version", info.ProgName, "", 0, {}, info};
        Calls.push_back(call);
        if (WhileOpen) WhileOpen(call);
    }

    std::vector<TDialogCall> Of(const std::string& kind) const {
        std::vector<TDialogCall> out;
        for (const auto& c : Calls)
            if (c.Kind == kind) out.push_back(c);
        return out;
    }

private:
    TScriptedAnswer Take(const TDialogCall& call) {
        Calls.push_back(call);
        if (WhileOpen) WhileOpen(call);
        if (fScript.empty() || fScript.front().Kind != call.Kind) {
            ADD_FAILURE() << "unexpected " << call.Kind << ": \"" << call.Text << "\" (caption \""
                          << call.Caption << "\")"
                          << (fScript.empty() ? "" : ", expected " + fScript.front().Kind);
            return {call.Kind, mrCancel, -1, {}};
        }
        TScriptedAnswer a = fScript.front();
        fScript.pop_front();
        return a;
    }
    std::deque<TScriptedAnswer> fScript;
};

struct TCollectingNotifier : tFileNotifier {
    std::vector<std::pair<std::string, std::string>> Messages; // text, caption
    void ShowSystemMessage(const std::string& text, const std::string& caption) override {
        Messages.emplace_back(text, caption);
    }
};

// Folders: app (the program's), user (per-user data), all (all users); the
// configuration folder in the per-user one is user/zr4/Vexo Data Reader.
struct TFormSandbox {
    TSandboxDir Dir;
    std::string App = Dir / "app", User = Dir / "user", All = Dir / "all";
    std::string UserConfig = Dir / "user/zr4/Vexo Data Reader";
    TManualClock Clock;
    TScriptedDialogs Dialogs;
    TCollectingNotifier Notes;
    int Changes = 0;
    TMainEnvironment Env;

    TFormSandbox() {
        for (const auto& d : {App, User, All}) std::filesystem::create_directories(d);
        Env.Timers = &Clock;
        Env.Dialogs = &Dialogs;
        Env.FileNotifier = &Notes;
        Env.PathsSystem = tPathsSystem{App, User, All, nullptr, nullptr};
        Env.Screen = TScreenMetrics{1920, 1080, 1920, 1040, 96};
        // No D2XX library: COM mode unless a test names one.
        Env.Link.LibraryName = "libvexo-no-such-d2xx.so";
        Env.Link.CreateSuspended = true;
        Env.Now = [] { return EncodeDateTime(2026, 5, 20, 10, 0, 0); };
        Env.Changed = [this] { ++Changes; };
    }
    // A program folder the user may not write to: the write probe cannot be made.
    void MakeAppReadOnly() { std::filesystem::create_directory(App + DIR_SEP "tmp.txt"); }
    std::unique_ptr<TForm_Main> Start() { return std::make_unique<TForm_Main>(Env); }
};
