// Where a measurement's test configuration comes from: the reader (its stored list or
// an RFID tag) or a file on the PC.

#include "FileSystem.h"
#include "Main.h"

namespace fsys = vexo::platform;

namespace {

const TLangEntry& ParseErrorText(int result) {
    switch (result) {
    case CfgParseWrongVersion: return LE::ConfigWrongVersionNotLoaded;
    case CfgParseChecksumWrong: return LE::ConfigChecksumWrong;
    default: return LE::NoTestConfigurationFound;
    }
}

} // namespace

void TForm_Main::Menu_TestSourceClick(TMenuItem& Sender) {
    TChangeScope scope(*this);
    struct TSource {
        TMenuItem* Item;
        ETestSource Source;
        const char* Setting;
    };
    const TSource sources[] = {{&Menu_SrcVexo, TSVexo, "Vexo"},
                               {&Menu_SrcLocal, TSLocal, "Local"},
                               {&Menu_SrcSelect, TSSelect, "Select"}};
    for (const TSource& s : sources) {
        s.Item->Checked = s.Item == &Sender;
        if (s.Item != &Sender) continue;
        CurrentTestSource = s.Source;
        ConfigFile->SetVal("Setup", "TestSource", s.Setting);
    }
}

TForm_Main::ESourceChoice TForm_Main::ChooseTestSource() {
    TChangeScope scope(*this);
    switch (CurrentTestSource) {
    case TSVexo: return scReader;
    case TSLocal: return scFile;
    default: break;
    }
    TSelectRequest request;
    request.Caption = Text(LE::SelectSource);
    request.Label = Text(LE::SelectConfigSource);
    request.Choices = {Text(LE::LoadThroughDevice), Text(LE::LoadFromFile)};
    request.Preselected = 0;
    request.OKText = Text(LE::OK);
    request.CancelText = Text(LE::Cancel);
    std::int32_t chosen = 0;
    if (SelectChoice(request, chosen) != mrOk) return scCancelled;
    return chosen == 1 ? scFile : scReader;
}

bool TForm_Main::LoadConfigFromFile() {
    TChangeScope scope(*this);
    for (;;) {
        std::string fileName;
        if (!ChooseOpenFile(OpenDialog_Cfg, fileName)) return false;
        const std::string folder = fsys::FolderOf(fileName);
        OpenDialog_Cfg.InitialDir = folder;
        OpenDialog_Cfg.FileName = fsys::NameOf(fileName);
        DefaultDir = folder;
        ConfigFile->SetVal("Setup", "DefaultDir", folder);
        tByteBuffer bytes;
        std::string error;
        if (!fsys::ReadFileBytes(fileName, bytes, error)) {
            ShowErrorMessage(Text(LE::FileNotFound) + fileName, "", 0);
            continue;
        }
        TTestConfig config;
        const int result = ParseTestConfig(config, bytes, false);
        if (result == CfgParseOk) {
            if (!CheckDeviceReady(8)) return false;
            WriteTestConfig(config, 0, false);
            return true;
        }
        ShowErrorMessage(Text(ParseErrorText(result)), "", 0);
    }
}

bool TForm_Main::StartReaderSource() {
    TChangeScope scope(*this);
    if (EEPROMMap->VolatileData.VexoCfgBits.RFIDTestCard()) {
        if (ShowMessageBox(Text(LE::PlaceDeviceAndTag), "", 1) != mrOk) return false;
        if (!CheckDeviceReady(8)) return false;
        TryRFIDAgain = true;
        Vexo->evaluate(true, IsTimerMeasure);
        return true;
    }
    if (!CheckDeviceReady(8)) return false;
    StartReadStep(SpVolatilePtAbs);
    return true;
}

void TForm_Main::ChooseStoredConfig(const tByteBuffer& block) {
    TChangeScope scope(*this);
    std::vector<TTestConfig> candidates;
    TConfigListRequest request;
    request.Caption = Text(LE::ListOfConfigurations);
    request.OKText = Text(LE::OK);
    std::uint32_t cursor = 0;
    std::uint8_t version = BufReadByte(block, cursor);
    while (version > 1 && version < 255) {
        const std::uint32_t start = cursor - 1;
        const std::uint16_t size = BufReadWord(block, cursor);
        // A size that does not reach past its own header would never move on.
        if (size < 3) break;
        const std::size_t end = std::min<std::size_t>(block.size(), std::size_t{start} + size);
        const tByteBuffer form(block.begin() + start, block.begin() + static_cast<std::ptrdiff_t>(end));
        TTestConfig config;
        if (ParseTestConfig(config, form, false) == CfgParseOk) {
            request.Entries.push_back(config.ReadStringData(config.OemSection.PtrTestName) + " - " +
                                      config.ReadStringData(config.OemSection.PtrLotNr));
            candidates.push_back(std::move(config));
        }
        cursor = start + size;
        version = BufReadByte(block, cursor);
    }
    if (candidates.empty()) return;
    StartTimeOut(0);
    std::int32_t chosen = -1;
    if (ChooseFromConfigList(request, chosen) == mrOk) {
        WriteTestConfig(candidates[static_cast<std::size_t>(chosen)], 0, false);
        StartTimeOut(8500);
    } else {
        ShowStatus(0);
    }
}
