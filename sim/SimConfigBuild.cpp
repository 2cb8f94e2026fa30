// Scenario configurations into test configurations, and the reader's measurement model.
#include <algorithm>
#include <cmath>

#include "ReaderSimulator.h"
#include "Tools.h"

namespace {

std::uint16_t AddText(TTestConfig& cfg, const std::string& text) {
    if (text.empty()) return 0;
    std::uint16_t pos = cfg.CaptureSection.StringSize;
    std::uint16_t end = cfg.AddStrPtrToCfg(text, pos);
    if (end >= cfg.StringData.size()) return 0; // does not fit: no text
    return pos;
}

// A small reproducible generator (xorshift), so the same seed gives the same reader.
struct tSimRandom {
    std::uint32_t State;
    explicit tSimRandom(std::uint32_t seed) : State(seed * 2654435761u + 0x9E3779B9u) {
        if (State == 0) State = 1;
    }
    std::uint32_t Next() {
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return State;
    }
    // 0 .. 1
    float Unit() { return static_cast<float>(Next() % 100000) / 100000.0f; }
};

} // namespace

bool MakeTestConfig(const TSimConfig& config, TTestConfig& out) {
    out.Reset();
    if (config.Raw) return ParseTestConfig(out, *config.Raw, false) == CfgParseOk;
    out.Version = config.Version;
    out.TestID = {config.CustomerID, config.ProjectID, config.TestType, config.TestNu};
    out.OemSection.ExpiryDate = config.Expiry;
    out.CaptureSection.TimerCount = config.TimerSeconds;
    // Reset puts "FAIL" at position 1; a scenario's own invalid text replaces it.
    if (config.InvalidText != "FAIL") {
        out.StringData.assign(out.StringData.size(), 0);
        out.CaptureSection.StringSize = 1;
        out.CaptureSection.PtrTestInvalidText = AddText(out, config.InvalidText);
    }
    out.OemSection.PtrTestName = AddText(out, config.TestName);
    out.OemSection.PtrLotNr = AddText(out, config.LotNr);
    out.OemSection.PtrDistributorManufacturer = AddText(out, config.Distributor);
    out.CaptureSection.PtrTouringProgram = AddText(out, config.Program);

    std::size_t lines = std::min<std::size_t>(config.Lines.size(), MaxTestLines);
    std::int16_t base = 0;
    for (std::size_t i = 0; i < lines; ++i) {
        const TSimLine& l = config.Lines[i];
        TLineEntry& e = out.LineSection[i];
        e.Flags = l.Reference ? 1 : 0;
        e.Position = l.Position;
        e.LineWidth = static_cast<std::uint8_t>(l.Width & 0xFE);
        e.SearchWidth = static_cast<std::uint8_t>(l.SearchWidth & 0xFE);
        e.PositionBase = base;
        if (l.Reference) base = static_cast<std::int16_t>(l.Position + base);
    }
    out.CaptureSection.LineCntFilterWidth.SetLineCount(static_cast<std::uint8_t>(lines));

    std::size_t results = std::min<std::size_t>(config.Results.size(), MaxTestResults);
    std::uint8_t classes = 0;
    for (std::size_t i = 0; i < results; ++i) {
        const TSimResult& r = config.Results[i];
        TResultEntry& e = out.ResultSection[i];
        e.Flags = r.ShowValue ? 1 : 0;
        e.LowerLimit = r.Lower;
        e.UpperLimit = r.Upper;
        e.DisplayFormat = static_cast<std::uint8_t>((r.Digits & 0x0F) | ((r.Decimals & 0x0F) << 4));
        e.PtrResultName = AddText(out, r.Name);
        e.PtrUnitName = AddText(out, r.Unit);
        std::uint8_t first = classes;
        std::uint8_t count = 0;
        for (const TSimClass& c : r.Classes) {
            if (classes >= MaxResultClasses || count >= 7) break;
            out.ClassSection[classes].Threshold = c.Below;
            out.ClassSection[classes].PtrClassName = AddText(out, c.Name);
            ++classes;
            ++count;
        }
        if (count > 0) {
            e.SetHasClasses(true);
            e.SetClassRange(first, count);
        }
    }
    out.CaptureSection.ResultClassCnt.SetResultCount(static_cast<std::uint8_t>(results));
    out.CaptureSection.ResultClassCnt.SetClassCount(classes);
    return true;
}

tByteBuffer BuildSimConfig(const TSimConfig& config) {
    if (config.Raw) return *config.Raw;
    TTestConfig cfg;
    MakeTestConfig(config, cfg);
    tByteBuffer out;
    BuildTestConfig(cfg, out);
    return out;
}

static std::int32_t AbsoluteLinePosition(const TTestConfig& config, int i) {
    return config.LineSection[i].Position + config.LineSection[i].PositionBase;
}

std::vector<std::uint16_t> ReaderSimulator::ModelProfile(const TTestConfig& config, std::uint16_t width,
                                                         std::uint32_t seed) {
    tSimRandom rnd(seed);
    std::vector<float> v(width);
    // Reflectance of the white strip, slowly falling off to the card's edges.
    for (std::uint16_t x = 0; x < width; ++x) {
        float edge = static_cast<float>(x) / std::max<float>(1.0f, width - 1) - 0.5f;
        v[x] = 1100.0f - 300.0f * edge * edge + (rnd.Unit() - 0.5f) * 30.0f;
    }
    int lines = std::min<int>(config.LineCount(), MaxTestLines);
    std::vector<float> values = ModelValues(config, seed);
    int test = 0;
    for (int i = 0; i < lines; ++i) {
        std::int32_t pos = AbsoluteLinePosition(config, i);
        if (width > 0) pos = ((pos % width) + width) % width;
        float sigma = std::max(1.0f, config.LineSection[i].LineWidth / 2.0f);
        // Reference lines are strong; test lines follow their result's level.
        float height = 2300.0f;
        if (!config.LineSection[i].IsReference()) {
            float level = rnd.Unit();
            if (!values.empty()) {
                const TResultEntry& e = config.ResultSection[test % values.size()];
                float span = e.UpperLimit - std::max(0.0f, e.LowerLimit);
                if (span > 0)
                    level = std::clamp((values[test % values.size()] - e.LowerLimit) / span, 0.05f, 1.0f);
            }
            ++test;
            height = 200.0f + 1900.0f * level;
        }
        for (std::uint16_t x = 0; x < width; ++x) {
            float d = (static_cast<float>(x) - static_cast<float>(pos)) / sigma;
            v[x] += height * std::exp(-0.5f * d * d);
        }
    }
    std::vector<std::uint16_t> out(width);
    for (std::uint16_t x = 0; x < width; ++x)
        out[x] = static_cast<std::uint16_t>(std::clamp(v[x], 0.0f, 4095.0f));
    return out;
}

std::vector<float> ReaderSimulator::ModelValues(const TTestConfig& config, std::uint32_t seed) {
    tSimRandom rnd(seed ^ 0xA5A5A5A5u);
    std::vector<float> values;
    for (int k = 0; k < std::min<int>(config.ResultCount(), MaxTestResults); ++k) {
        const TResultEntry& e = config.ResultSection[k];
        float lo = std::max(0.0f, e.LowerLimit);
        float hi = std::min(e.UpperLimit, lo + 1000.0f);
        if (!(hi > lo)) hi = lo + 10.0f;
        // Mostly inside the limits, now and then just outside, as real samples are.
        float u = rnd.Unit() * 1.1f - 0.05f;
        float value = lo + (hi - lo) * u;
        // With classes, most samples fall into the first one (the normal or negative finding).
        int count = e.HasClasses() ? e.ClassRangeCount() : 0;
        if (count > 0 && e.ClassRangeFirst() + count <= MaxResultClasses) {
            int pick =
                rnd.Unit() < 0.6f ? 0 : static_cast<int>(rnd.Next() % static_cast<std::uint32_t>(count));
            float below = config.ClassSection[e.ClassRangeFirst() + pick].Threshold;
            float above = pick > 0 ? config.ClassSection[e.ClassRangeFirst() + pick - 1].Threshold : lo;
            below = std::min(below, hi);
            if (below > above) value = above + (below - above) * (0.1f + 0.8f * rnd.Unit());
        }
        int decimals = e.MaxDecimals();
        float scale = std::pow(10.0f, static_cast<float>(std::min(decimals, 3)));
        values.push_back(std::round(value * scale) / scale);
    }
    return values;
}
