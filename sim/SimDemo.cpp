// The demo reader: what a new user sees before a real reader is at hand.
#include "SimScenario.h"

namespace {

TDateData Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    TDateData out;
    EncodeDateData(out, static_cast<std::uint8_t>(y - 2000), static_cast<std::uint8_t>(mo),
                   static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(mi),
                   static_cast<std::uint8_t>(s));
    return out;
}

TSimConfig CRP() {
    TSimConfig c;
    c.Version = 5;
    c.CustomerID = 17;
    c.ProjectID = 3;
    c.TestType = 1;
    c.TestNu = 4;
    c.TestName = "CRP Quant";
    c.LotNr = "L24-0871";
    c.Distributor = "Medilab Diagnostics";
    c.Expiry = Date(2027, 8, 31, 23, 59, 59);
    c.TimerSeconds = 20;
    c.Program = "R0=(L1-B1)/(L0-B0)*C0";
    c.Lines = {{62, true, 8, 24}, {70, false, 8, 24}};
    TSimResult r;
    r.Name = "CRP";
    r.Unit = "mg/l";
    r.Lower = 5.0f;
    r.Upper = 200.0f;
    r.Digits = 3;
    r.Decimals = 1;
    r.ShowValue = true;
    r.Classes = {{10.0f, "normal"}, {50.0f, "elevated"}, {100000.0f, "high"}};
    c.Results = {r};
    return c;
}

TSimConfig FluAB() {
    TSimConfig c;
    c.Version = 5;
    c.CustomerID = 17;
    c.ProjectID = 3;
    c.TestType = 2;
    c.TestNu = 11;
    c.TestName = "Influenza A/B";
    c.LotNr = "FA-2311-04";
    c.Distributor = "Medilab Diagnostics";
    c.Expiry = Date(2026, 3, 31, 23, 59, 59);
    c.TimerSeconds = 30;
    c.Program = "R0=L1/L0;R1=L2/L0";
    c.Lines = {{48, true, 6, 20}, {64, false, 6, 20}, {128, false, 6, 20}};
    for (const char* name : {"Influenza A", "Influenza B"}) {
        TSimResult r;
        r.Name = name;
        r.Unit = "";
        r.Lower = 0.0f;
        r.Upper = 10.0f;
        r.Digits = 2;
        r.Decimals = 2;
        r.ShowValue = false;
        r.Classes = {{0.2f, "negative"}, {1000.0f, "positive"}};
        c.Results.push_back(r);
    }
    return c;
}

TSimConfig TnI() {
    TSimConfig c;
    c.Version = 5;
    c.CustomerID = 17;
    c.ProjectID = 3;
    c.TestType = 3;
    c.TestNu = 2;
    c.TestName = "Troponin I hs";
    c.LotNr = "TN-0925-11";
    c.Distributor = "CardioQuick GmbH";
    c.Expiry = Date(2027, 2, 28, 23, 59, 59);
    c.TimerSeconds = 15;
    c.Program = "R0=(L1-B1)*C0";
    c.Lines = {{80, true, 10, 28}, {90, false, 10, 28}};
    TSimResult r;
    r.Name = "cTnI";
    r.Unit = "ng/l";
    r.Lower = 2.0f;
    r.Upper = 5000.0f;
    r.Digits = 4;
    r.Decimals = 0;
    r.ShowValue = true;
    r.Classes = {{26.0f, "normal"}, {100000.0f, "elevated"}};
    c.Results = {r};
    return c;
}

TSimRecord Rec(const char* cfg, TDateData date, std::vector<float> values, std::uint8_t invalid = 0,
               std::uint16_t voltage = 3050, float temperature = 22.4f) {
    TSimRecord r;
    r.Configuration = cfg;
    r.Date = date;
    r.Values = std::move(values);
    r.Invalid = invalid;
    r.Voltage = voltage;
    r.Temperature = temperature;
    return r;
}

} // namespace

TSimScenario DefaultScenario() {
    TSimScenario s;
    s.EEPROMVersion = 6;
    s.VexoCfgBits = SimBitClockAvailable | SimBitExtendedMemory;
    s.VexoCfgBits_0 = SimBitInstantMeasureAllowed | SimBitTimerMeasureAllowed | SimBitStoresLineData |
                      SimBitStoresImageData;
    s.LunderixSerialNumber = 20240815;
    s.CustomerNumber = 17;
    s.ProjectNumber = 3;
    s.ProductionWeek = 36;
    s.ProductionYear = 24;
    s.SerialNumber = 1207;
    s.NominalWhiteValue = 3400;
    s.FwMain = 3;
    s.FwSub = 2;
    s.FwRevision = 418;
    s.FwVariant = 'C';
    s.FtdiSerial = "VX3A1207";
    s.FtdiDescription = "Vexo Reader";

    s.ConfigurationStart = 0x0000;
    s.ConfigurationStop = 0x0FFF;
    s.ResultCfgStart = 0x1000;
    s.ResultCfgStop = 0x17FF;
    s.ResultStart = 0x1800;
    s.ResultStop = 0x3FFF;
    // Both rings begin near their ends, so their records wrap round.
    s.ResultCfgReadOffset = 0x0700;
    s.ResultReadOffset = 0x2000;

    s.Configurations["CRP"] = CRP();
    s.Configurations["FluAB"] = FluAB();
    s.Configurations["TnI"] = TnI();
    s.Current = "CRP";
    s.Stored = {"CRP", "FluAB", "TnI"};
    s.RFIDPresent = true;
    s.RFIDTagType = 4;
    s.RFIDCapacity = 2048;
    s.RFIDConfiguration = "TnI";

    s.Database = {
        Rec("CRP", Date(2026, 3, 2, 8, 41, 12), {4.2f}),
        Rec("FluAB", Date(2026, 3, 2, 9, 5, 40), {0.05f, 0.11f}),
        Rec("CRP", Date(2026, 3, 3, 10, 17, 3), {37.5f}),
        Rec("FluAB", Date(2026, 3, 3, 11, 2, 55), {2.48f, 0.07f}, 0, 3010, 23.1f),
        Rec("TnI", Date(2026, 3, 4, 14, 30, 9), {18.0f}),
        Rec("CRP", Date(2026, 3, 4, 15, 12, 44), {0.0f}, 0x81, 2980, 22.9f), // no control line
        Rec("TnI", Date(2026, 3, 5, 7, 58, 31), {412.0f}, 0, 2995, 21.7f),
        Rec("CRP", Date(2026, 3, 5, 9, 26, 18), {128.3f}),
        Rec("FluAB", Date(2026, 4, 12, 16, 45, 0), {0.08f, 1.92f}, 0x40, 2960, 24.0f), // lot expired
        Rec("TnI", Date(2026, 4, 14, 8, 3, 27), {0.0f}, 0x82, 2940, 22.0f),            // card moved
        Rec("CRP", Date(2026, 4, 15, 13, 51, 6), {9.6f}),
        Rec("TnI", Date(2026, 4, 16, 10, 20, 45), {31.0f}, 0, 2925, 22.6f),
    };

    s.ButtonDelayMs = 1500;
    s.EvaluationMs = 2500;
    s.ImageWidth = 240;
    s.Seed = 1207;
    return s;
}
