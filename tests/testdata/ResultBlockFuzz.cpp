// Any bytes as the current result block of any EEPROM version, and its values as result rows.
#include "TestResults.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t v = data[0] % 8;
    tByteBuffer block(data + 1, data + size);
    TResult r;
    r.FromByteBuffer(block, v);
    if (r.ToByteBuffer(v).size() != MeasurementResultBlockSize(v)) std::abort();

    TTestConfig cfg;
    cfg.CaptureSection.ResultClassCnt.SetResultCount(MaxResultValues);
    cfg.CaptureSection.ResultClassCnt.SetClassCount(MaxResultClasses);
    TDefaultTextSource texts;
    for (int k = 0; k < MaxResultValues; ++k) {
        TResultEntry& e = cfg.ResultSection[k];
        e.DisplayFormat = static_cast<std::uint8_t>(r.PtrClass[k]);
        e.ClassRange = static_cast<std::uint8_t>(r.PtrClass[k] >> 8);
        e.LowerLimit = r.Line[k].MinValue;
        e.UpperLimit = r.Line[k].MaxValue;
        cfg.ClassSection[k].Threshold = r.Line[k].MeanValue;
        FormatResultRow(cfg, k, r.ResultValue[k], r.TestInvalid, IsCurrentResultInvalid(r.TestInvalid, v),
                        texts);
    }
    FormatTemperature(r.Temperature);
    return 0;
}
