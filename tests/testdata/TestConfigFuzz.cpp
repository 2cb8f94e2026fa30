// Any bytes as a test configuration: parsing, texts, result rows and editing stay
// inside the configuration, and whatever parses builds to a form that parses back.
#include "TestResults.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tByteBuffer form(data, data + size);
    TTestConfig cfg;
    int result = ParseTestConfig(cfg, form, size % 2 == 0);
    if (result != CfgParseOk && result != CfgParseChecksumWrong) return 0;

    TDefaultTextSource texts;
    for (int k = 0; k < cfg.ResultCount(); ++k) {
        const TResultEntry& e = cfg.ResultSection[k];
        float value = e.LowerLimit + e.UpperLimit * 0.5f;
        FormatResultRow(cfg, k, value, UTestInvalid{static_cast<std::uint8_t>(k * 0x40)}, k == 3, texts);
        cfg.ReadStringData(e.PtrUnitName);
    }
    cfg.ReadStringData(cfg.OemSection.PtrTestName);
    cfg.IsInStringData("FAIL");
    cfg.Get12BitWhite(cfg.CaptureSection.CartridgeImgSize - 1);

    tByteBuffer built;
    BuildTestConfig(cfg, built);
    TTestConfig again;
    if (ParseTestConfig(again, built, false) != CfgParseOk) std::abort();
    tByteBuffer rebuilt;
    BuildTestConfig(again, rebuilt);
    if (rebuilt != built) std::abort();

    // Editing operations on whatever the form held.
    again.InsertClass(0);
    again.DeleteClass(size % 32);
    again.DeleteResult(0);
    again.DeleteTestLine(static_cast<int>(size % 11));
    again.DeleteFilter(0);
    again.AdjustRelativeLinePos();
    again.Set12BitWhite(static_cast<int>(size % 300), U16{0xFFF});
    BuildTestConfig(again, rebuilt);
    return 0;
}
