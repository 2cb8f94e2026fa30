#include "TestResults.h"

std::string TDefaultTextSource::GetText(int, const std::string& englishDefault) {
    return englishDefault;
}

std::string DefaultResultText(int id) {
    switch (id) {
    case TextIdValid: return "Valid";
    case TextIdInvalid: return "Invalid";
    case TextIdExpired: return "Vexo expired";
    case TextIdNotANumber: return "Not a number";
    case TextIdInfinite: return "Infinite";
    default: return "";
    }
}

void TResult::Reset() {
    TestEvenMeasuredValueCount = 0;
    SearchReference = 0;
    ResultValue.fill(0.0f);
    Line.fill(TLineResult{});
    PtrClass.fill(0);
    TestInvalid = UTestInvalid{};
    Temperature = 0.0f;
    Voltage = 0;
    ClearDateData(MeasurementDate);
}

TMeasureSet::TMeasureSet() {
    ClearDateData(DateTime);
    OrigImage.fill(-1);
}
