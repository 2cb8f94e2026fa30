// Loading and saving the measurement list.
#include <unordered_map>
#include <unordered_set>

#include "FileNotifier.h"
#include "FileSystem.h"
#include "Main.h"
#include "TextEncoding.h"
#include "paths.h"

namespace fsys = vexo::platform;

void TForm_Main::RememberResultFile(const std::string& path) {
    const std::string folder = fsys::FolderOf(path);
    const std::string name = fsys::NameOf(path);
    for (TFileDialogState* d : {&SaveDialog_Results, &OpenDialog_Results}) {
        d->InitialDir = folder;
        d->FileName = name;
    }
    DefaultDir = folder;
    LastUsedFile = name;
    ConfigFile->SetVal("Setup", "DefaultDir", folder);
    ConfigFile->SetVal("Setup", "LastUsedFile", name);
}

void TForm_Main::LoadMeasureFile(const std::string& fileName) {
    TChangeScope scope(*this);
    if (!fsys::FileExists(fileName)) {
        ShowMessageBox(Text(LE::FileNotFound) + fileName, "", 0);
        return;
    }
    if (!fsys::CanOpenExclusive(fileName)) {
        ShowMessageBox(Text(LE::FileInUse), "", 0);
        return;
    }
    if (!MeasureList.empty()) ClearMeasureList();

    // The error box ends in "Ready"; a window without a reader stays "disconnected".
    const std::uint8_t after = State.Current == 16 ? 16 : 0;
    std::vector<std::string> lines;
    std::string error;
    const bool read = ReadTextFileLines(fileName, lines, error);
    if (!read || DetectTSVStyle(lines.empty() ? std::string() : lines[0]) != SaveTSVStyle) {
        ShowErrorMessage(Text(LE::FileReadError), Text(LE::IncompatibleFile), after);
        return;
    }
    std::unordered_set<std::string> ids;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        auto entry = std::make_unique<TMeasureSet>();
        if (!ParseTSVLine(lines[i], *entry, SaveTSVStyle)) {
            ShowErrorMessage(Text(LE::FileReadError), Text(LE::IncompatibleFile), after);
            break;
        }
        if (ids.insert(entry->TestID).second) MeasureList.push_back(std::move(entry));
    }
    RefreshMeasureList();
    RememberResultFile(fileName);
}

void TForm_Main::Menu_LoadFileClick() {
    TChangeScope scope(*this);
    SelectMeasurement(-1);
    if (!MeasureList.empty()) {
        const std::int32_t answer = ShowMessageBox(Text(LE::SaveBeforeOpening), "", 3);
        if (answer == mrCancel || answer == mrNone) return;
        if (answer == mrYes) SaveMeasureFile(STAsk);
    }
    std::string fileName;
    if (ChooseOpenFile(OpenDialog_Results, fileName)) LoadMeasureFile(fileName);
}

void TForm_Main::Menu_SaveFileClick() {
    SaveMeasureFile(STAsk);
}

void TForm_Main::Button_SaveClick() {
    SaveMeasureFile(STAsk);
}

bool TForm_Main::FileBusyRetry(ESaveTarget target, const std::string& message) {
    const std::string text = message.empty() ? Text(LE::FileInUse) : message;
    if (target == STAsk) {
        ShowMessageBox(text, "", 0);
        return true;
    }
    // An automatic target that stays locked would ask for ever: the user may give up.
    return ShowMessageBox(text, "", 1) == mrOk;
}

void TForm_Main::SaveMeasureFile(ESaveTarget target) {
    TChangeScope scope(*this);
    // The entries' lines and where each Test ID is first found, made once for every attempt.
    std::vector<std::string> entryLines;
    entryLines.reserve(MeasureList.size());
    std::unordered_map<std::string, std::size_t> firstOfID;
    for (std::size_t i = 0; i < MeasureList.size(); ++i) {
        entryLines.push_back(BuildTSVLine(*MeasureList[i], SaveTSVStyle));
        firstOfID.emplace(MeasureList[i]->TestID, i);
    }
    const std::string header = BuildTSVHeader(SaveTSVStyle, *LanguageFile);

    for (;;) {
        std::string path;
        if (target == STAsk) {
            if (!ChooseSaveFile(SaveDialog_Results, path)) return;
            RememberResultFile(path);
        } else if (target == STLastFile) {
            path = JoinPath(SaveDialog_Results.InitialDir, SaveDialog_Results.FileName);
        } else {
            path = TrackMeasurementFile;
        }

        const bool exists = fsys::FileExists(path);
        if (exists && !fsys::CanOpenExclusive(path)) {
            if (FileBusyRetry(target)) continue;
            return;
        }
        bool merge = exists;
        if (exists && target == STAsk) {
            const std::int32_t answer = ShowMessageBox(Text(LE::AddToSelectedFile), "", 3);
            if (answer != mrYes && answer != mrNo) return;
            merge = answer == mrYes;
        }

        std::vector<std::string> lines;
        if (merge) {
            std::string error;
            if (!ReadTextFileLines(path, lines, error)) {
                if (FileBusyRetry(target)) continue;
                return;
            }
            const ETSVVersion style = DetectTSVStyle(lines.empty() ? std::string() : lines[0]);
            if (style != SaveTSVStyle && style != TSVEmpty) {
                ShowMessageBox(Text(LE::IncompatibleSaveFormat), Text(LE::IncompatibleFile), 0);
                if (target == STAsk) continue;
                return;
            }
            if (lines.empty())
                lines.push_back(header);
            else
                lines[0] = header;
            // Lines of entries in the list are written anew; all others stay as they are.
            for (std::size_t i = 1; i < lines.size(); ++i) {
                TMeasureSet scratch;
                if (!ParseTSVLine(lines[i], scratch, SaveTSVStyle)) continue;
                const auto found = firstOfID.find(scratch.TestID);
                if (found != firstOfID.end()) lines[i] = entryLines[found->second];
            }
        } else {
            lines.push_back(header);
        }

        std::unordered_set<std::string> present(lines.begin() + 1, lines.end());
        for (const std::string& line : entryLines)
            if (present.insert(line).second) lines.push_back(line);

        std::string error;
        if (WriteTextFileLines(path, lines, error)) return;
        // The old file is still whole: say why, and let the user make room, free the file or give up.
        if (!FileBusyRetry(target, SaveFailedText(path, error))) return;
    }
}
