#include "ReaderSimulator.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <tuple>

#include "VexoEEPROM15.h"

namespace {

// Unknown codes are taken as frames without parameters, so the reader can say it does not know them.
std::size_t SimCommandLength(const std::uint8_t* frame, std::size_t count) {
    std::size_t n = CommandFrameLength(frame, count);
    if (n == 0 && count >= 2 && frame[0] == cFrameSpace) return 3;
    return n;
}

std::uint32_t Rd32(const tByteBuffer& p, std::uint32_t at) {
    std::uint32_t c = at;
    return BufReadDWord(p, c);
}
std::uint16_t Rd16(const tByteBuffer& p, std::uint32_t at) {
    std::uint32_t c = at;
    return BufReadWord(p, c);
}
std::uint8_t Rd8(const tByteBuffer& p, std::uint32_t at) {
    return at < p.size() ? p[at] : 0;
}

void Put8(tByteBuffer& b, std::uint8_t v) {
    b.push_back(v);
}
void Put16(tByteBuffer& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(tByteBuffer& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutSingle(tByteBuffer& b, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    Put32(b, u);
}
void PutDate(tByteBuffer& b, const TDateData& d) {
    for (std::uint8_t x : {d.Seconds, d.Minutes, d.Hour, d.MonthDay, d.Month, d.Year}) b.push_back(x);
}

tByteBuffer Unescaped(std::uint8_t code, const tByteBuffer& payload) {
    // Room for the whole frame first: GCC 12 warns falsely about growing a two-byte vector.
    tByteBuffer f;
    f.reserve(payload.size() + 3);
    f.push_back(cFrameSpace);
    f.push_back(code);
    f.insert(f.end(), payload.begin(), payload.end());
    std::uint8_t crc = 0;
    for (std::uint8_t b : f) crc ^= b;
    f.push_back(crc);
    return f;
}

TDateData ToDateData(TDateTime t) {
    TDateTimeFields f = DecodeDateTime(t);
    TDateData d;
    EncodeDateData(d, static_cast<std::uint8_t>(f.Year - 2000), static_cast<std::uint8_t>(f.Month),
                   static_cast<std::uint8_t>(f.Day), static_cast<std::uint8_t>(f.Hour),
                   static_cast<std::uint8_t>(f.Minute), static_cast<std::uint8_t>(f.Second));
    return d;
}

bool DateBefore(const TDateData& a, const TDateData& b) {
    auto key = [](const TDateData& d) {
        return std::make_tuple(d.Year, d.Month, d.MonthDay, d.Hour, d.Minutes, d.Seconds);
    };
    return key(a) < key(b);
}

// One line's measurement as the reader reports it, from the profile around the line.
struct tLineMeasure {
    float Mean = 0, Min = 0, Max = 0, LeftMean = 0, RightMean = 0, MaxPos = 0;
    std::uint8_t UsedPixel = 0, Width = 0;
    std::int16_t Center = 0;
};

tLineMeasure MeasureLine(const TTestConfig& cfg, int i, const std::vector<std::uint16_t>& profile) {
    tLineMeasure m;
    int width = static_cast<int>(profile.size());
    if (width == 0) return m;
    int pos = cfg.LineSection[i].Position + cfg.LineSection[i].PositionBase;
    pos = ((pos % width) + width) % width;
    int half = std::max(1, cfg.LineSection[i].LineWidth / 2);
    int lo = std::max(0, pos - half), hi = std::min(width - 1, pos + half);
    float sum = 0;
    m.Min = 65535;
    for (int x = lo; x <= hi; ++x) {
        float v = profile[x];
        sum += v;
        if (v < m.Min) m.Min = v;
        if (v > m.Max) {
            m.Max = v;
            m.MaxPos = static_cast<float>(x);
        }
    }
    m.Mean = sum / static_cast<float>(hi - lo + 1);
    auto mean = [&](int a, int b) {
        a = std::clamp(a, 0, width - 1);
        b = std::clamp(b, 0, width - 1);
        float s = 0;
        for (int x = a; x <= b; ++x) s += profile[x];
        return s / static_cast<float>(b - a + 1);
    };
    m.LeftMean = mean(lo - 2 * half, lo - 1);
    m.RightMean = mean(hi + 1, hi + 2 * half);
    m.UsedPixel = static_cast<std::uint8_t>(hi - lo + 1);
    m.Center = static_cast<std::int16_t>(pos);
    m.Width = cfg.LineSection[i].LineWidth;
    return m;
}

void PutLine(tByteBuffer& b, const tLineMeasure& m, std::uint8_t v, bool block) {
    for (float f : {m.Mean, m.Min, m.Max, m.LeftMean, m.RightMean}) PutSingle(b, f);
    if (v >= 6) {
        Put8(b, static_cast<std::uint8_t>(std::clamp(m.MaxPos, 0.0f, 255.0f)));
        Put8(b, m.UsedPixel);
        Put8(b, static_cast<std::uint8_t>(std::clamp<int>(m.Center, 0, 255)));
        Put8(b, m.Width);
        return;
    }
    PutSingle(b, m.MaxPos);
    Put8(b, m.UsedPixel);
    Put16(b, static_cast<std::uint16_t>(m.Center));
    // The current result block of old readers carries no width; stored records always do.
    if (!block || v == 5) Put8(b, m.Width);
}

} // namespace

ReaderSimulator::ReaderSimulator(const TSimScenario& scenario, TDateTime clockStart)
    : fScenario(scenario), fClockBase(clockStart + std::chrono::seconds(scenario.ClockOffsetSeconds)),
      fAssembler(SimCommandLength) {
    std::string error;
    if (!ValidateScenario(scenario, error)) throw std::invalid_argument("simulated reader: " + error);
    fRFIDErrorsLeft = scenario.RFIDErrorCount;
    fMeasureSeed = scenario.Seed;
    BuildMemory();
}

void ReaderSimulator::SetRFIDErrors(std::uint32_t count, std::uint8_t code) {
    fRFIDErrorsLeft = count;
    fScenario.RFIDErrorCode = code;
}

void ReaderSimulator::SetNextValues(const std::vector<float>& values, std::uint8_t invalid) {
    fScenario.NextValues = values;
    fScenario.NextInvalid = invalid;
}

void ReaderSimulator::SetRFIDTag(bool present, const tByteBuffer& userData) {
    fRFIDPresent = present;
    fRFIDTag.assign(std::max<std::size_t>(fScenario.RFIDCapacity, userData.size()), 0);
    std::copy(userData.begin(), userData.end(), fRFIDTag.begin());
    fRFIDUsed = static_cast<std::uint16_t>(std::min<std::size_t>(userData.size(), 0xFFFF));
}

TDateTime ReaderSimulator::ReaderClock() const {
    return fClockBase + std::chrono::milliseconds(fNowUs / 1000);
}

std::uint32_t ReaderSimulator::CommandCount(std::uint8_t code) const {
    auto it = fCommandCounts.find(code);
    return it == fCommandCounts.end() ? 0 : it->second;
}

// ---- memory ---------------------------------------------------------------------------------

void ReaderSimulator::BuildMemory() {
    const TSimScenario& s = fScenario;
    bool ext = (s.VexoCfgBits & SimBitExtendedMemory) != 0;
    fCurrentConfig.assign(ConfigurationBlockSize(s.EEPROMVersion, ext), 0);
    if (!s.Current.empty()) {
        auto it = s.Configurations.find(s.Current);
        if (it != s.Configurations.end()) {
            tByteBuffer cfg = BuildSimConfig(it->second);
            std::copy_n(cfg.begin(), std::min(cfg.size(), fCurrentConfig.size()), fCurrentConfig.begin());
        }
    }
    fLastResult.assign(MeasurementResultBlockSize(s.EEPROMVersion), 0);

    fStoredConfigs.clear();
    for (const std::string& name : s.Stored) {
        auto it = s.Configurations.find(name);
        if (it != s.Configurations.end()) fStoredConfigs.push_back(BuildSimConfig(it->second));
    }

    tByteBuffer tag;
    if (!s.RFIDConfiguration.empty()) {
        auto it = s.Configurations.find(s.RFIDConfiguration);
        if (it != s.Configurations.end()) tag = BuildSimConfig(it->second);
    }
    SetRFIDTag(s.RFIDPresent, tag);

    fResults.clear();
    std::uint32_t n = 0;
    for (const TSimRecord& r : s.Database) {
        auto it = s.Configurations.find(r.Configuration);
        if (it == s.Configurations.end()) continue;
        TSimStoredResult res;
        MakeTestConfig(it->second, res.Config);
        res.Date = r.Date;
        res.Invalid = r.Invalid;
        res.Voltage = r.Voltage;
        res.Temperature = r.Temperature;
        res.MeasureID = static_cast<std::uint16_t>(++n);
        std::uint32_t seed = r.Seed ? r.Seed : s.Seed * 7919u + n;
        res.Values = r.Values.empty() ? ModelValues(res.Config, seed) : r.Values;
        res.Values.resize(res.Config.ResultCount(), 0.0f);
        res.Profile = ModelProfile(res.Config, std::min<std::uint16_t>(s.ImageWidth, 255), seed);
        fResults.push_back(std::move(res));
    }
    fMeasureID = static_cast<std::uint16_t>(n);
    // The newest stored measurement is still the reader's last one.
    if (!fResults.empty()) {
        const TSimStoredResult& last = fResults.back();
        fLastResult = LastResultBlock(last, last.Profile);
        fImage.assign(last.Profile.begin(), last.Profile.end());
        fHaveMeasurement = true;
    }
    fResCfgRead = static_cast<std::uint16_t>(s.ResultCfgStart + s.ResultCfgReadOffset);
    fResRead = static_cast<std::uint16_t>(s.ResultStart + s.ResultReadOffset);
    LayRings();
}

tByteBuffer ReaderSimulator::ResultCfgRecord(const TTestConfig& c, std::uint8_t id) const {
    std::uint8_t v = fScenario.EEPROMVersion;
    tByteBuffer b;
    Put8(b, id);
    Put16(b, 0); // size, below
    for (std::uint16_t w : {c.TestID.CustomerID, c.TestID.ProjectID, c.TestID.TestType, c.TestID.TestNu})
        Put16(b, w);
    Put16(b, c.OemSection.PtrTestName);
    Put16(b, c.OemSection.PtrLotNr);
    Put16(b, c.OemSection.PtrDistributorManufacturer);
    Put16(b, c.CaptureSection.ResultClassCnt.Data);
    if (ResultCfgHeaderSize(v) > 19) Put32(b, c.CheckSum);
    for (int k = 0; k < c.ResultCount(); ++k) {
        const TResultEntry& e = c.ResultSection[k];
        Put8(b, e.Flags);
        PutSingle(b, e.LowerLimit);
        PutSingle(b, e.UpperLimit);
        Put8(b, e.DisplayFormat);
        Put8(b, e.ClassRange);
        Put16(b, e.PtrResultName);
        Put16(b, e.PtrUnitName);
    }
    for (int k = 0; k < c.ClassCount(); ++k) {
        PutSingle(b, c.ClassSection[k].Threshold);
        Put16(b, c.ClassSection[k].PtrClassName);
    }
    // The texts keep their positions: the record's string bytes are the configuration's own.
    std::size_t strings = std::min<std::size_t>(c.CaptureSection.StringSize, c.StringData.size());
    b.insert(b.end(), c.StringData.begin(), c.StringData.begin() + static_cast<std::ptrdiff_t>(strings));
    b[1] = static_cast<std::uint8_t>(b.size());
    b[2] = static_cast<std::uint8_t>(b.size() >> 8);
    return b;
}

tByteBuffer ReaderSimulator::ResultRecord(const TSimStoredResult& r, std::uint8_t id) const {
    std::uint8_t v = fScenario.EEPROMVersion;
    tByteBuffer b;
    Put8(b, id);
    Put16(b, 0);
    PutDate(b, r.Date);
    Put8(b, r.Invalid);
    Put16(b, r.Voltage);
    PutSingle(b, r.Temperature);
    if (ResultHeaderSize(v) > 16) Put16(b, r.MeasureID);
    for (int k = 0; k < r.Config.ResultCount(); ++k)
        PutSingle(b, k < static_cast<int>(r.Values.size()) ? r.Values[k] : 0.0f);
    if (fScenario.VexoCfgBits_0 & SimBitStoresLineData) {
        int lines = std::min<int>(r.Config.LineCount(), MaxTestLines);
        Put8(b, static_cast<std::uint8_t>(lines));
        for (int i = 0; i < lines; ++i) PutLine(b, MeasureLine(r.Config, i, r.Profile), v, false);
    }
    if (fScenario.VexoCfgBits_0 & SimBitStoresImageData) {
        std::uint8_t n = static_cast<std::uint8_t>(std::min<std::size_t>(r.Profile.size(), 255));
        Put8(b, n);
        std::size_t start = b.size();
        b.resize(start + (3u * n) / 2u + 1, 0);
        for (std::uint32_t i = 0; i < n; ++i)
            Set12BitValue(b.data() + start, b.size() - start, i, r.Profile[i]);
        b.resize(start + (3u * n) / 2u);
    }
    b[1] = static_cast<std::uint8_t>(b.size());
    b[2] = static_cast<std::uint8_t>(b.size() >> 8);
    return b;
}

// Lays stored configurations, result configurations and results into storage memory. A ring
// that would overflow loses its oldest results, as the reader's own rings do.
void ReaderSimulator::LayRings() {
    const TSimScenario& s = fScenario;
    std::uint32_t size = std::max({s.ConfigurationStop, s.ResultCfgStop, s.ResultStop}) + 1u;
    fStorage.assign(size, 0xFF);

    std::uint32_t at = s.ConfigurationStart;
    std::uint32_t cfgArea = s.ConfigurationStop - s.ConfigurationStart + 1u;
    for (const tByteBuffer& c : fStoredConfigs) {
        // Keep one byte free so the list always ends at a free byte.
        if (at - s.ConfigurationStart + c.size() >= cfgArea) break;
        std::copy(c.begin(), c.end(), fStorage.begin() + at);
        at += static_cast<std::uint32_t>(c.size());
    }
    fCfgRead = s.ConfigurationStart;
    fCfgWrite = static_cast<std::uint16_t>(at);

    std::uint32_t resCfgArea = s.ResultCfgStop - s.ResultCfgStart + 1u;
    std::uint32_t resArea = s.ResultStop - s.ResultStart + 1u;
    for (;;) {
        // Result configurations: one record per distinct configuration, numbered from 1.
        std::vector<tByteBuffer> cfgForms;
        std::vector<tByteBuffer> cfgRecords;
        std::vector<tByteBuffer> resRecords;
        for (TSimStoredResult& r : fResults) {
            tByteBuffer form;
            TTestConfig copy = r.Config;
            BuildTestConfig(copy, form);
            r.Config.CheckSum = copy.CheckSum;
            std::size_t id = std::find(cfgForms.begin(), cfgForms.end(), form) - cfgForms.begin();
            if (id == cfgForms.size()) {
                cfgForms.push_back(form);
                cfgRecords.push_back(ResultCfgRecord(r.Config, static_cast<std::uint8_t>(id + 1)));
            }
            resRecords.push_back(ResultRecord(r, static_cast<std::uint8_t>(id + 1)));
        }
        std::uint32_t cfgUsed = 0, resUsed = 0;
        for (auto& c : cfgRecords) cfgUsed += static_cast<std::uint32_t>(c.size());
        for (auto& r : resRecords) resUsed += static_cast<std::uint32_t>(r.size());
        // A full ring keeps one free byte so its end can be seen.
        bool fits = cfgUsed < resCfgArea && resUsed < resArea && cfgRecords.size() < 255;
        if (!fits && !fResults.empty()) {
            // The oldest result goes; its read pointer moves past it.
            std::uint32_t drop = static_cast<std::uint32_t>(resRecords.front().size());
            fResRead =
                static_cast<std::uint16_t>(s.ResultStart + (fResRead - s.ResultStart + drop) % resArea);
            fResults.erase(fResults.begin());
            continue;
        }
        auto lay = [&](const std::vector<tByteBuffer>& records, std::uint16_t start, std::uint32_t area,
                       std::uint16_t read) {
            std::uint32_t off = static_cast<std::uint32_t>(read - start) % area;
            for (const tByteBuffer& rec : records)
                for (std::uint8_t byte : rec) {
                    fStorage[start + off] = byte;
                    off = (off + 1) % area;
                }
            return static_cast<std::uint16_t>(start + off);
        };
        fResCfgRead =
            static_cast<std::uint16_t>(s.ResultCfgStart + (fResCfgRead - s.ResultCfgStart) % resCfgArea);
        fResRead = static_cast<std::uint16_t>(s.ResultStart + (fResRead - s.ResultStart) % resArea);
        fResCfgWrite = lay(cfgRecords, s.ResultCfgStart, resCfgArea, fResCfgRead);
        std::uint16_t last = fResRead;
        std::uint32_t off = 0;
        for (std::size_t i = 0; i + 1 < resRecords.size(); ++i)
            off += static_cast<std::uint32_t>(resRecords[i].size());
        if (!resRecords.empty())
            last = static_cast<std::uint16_t>(s.ResultStart + (fResRead - s.ResultStart + off) % resArea);
        fResWrite = lay(resRecords, s.ResultStart, resArea, fResRead);
        fLastResultPtr = last;
        break;
    }
    BuildEEPROM();
}

void ReaderSimulator::BuildEEPROM() {
    const TSimScenario& s = fScenario;
    TEEPROMNonVolatile nv;
    nv.EEPROMVersion = s.EEPROMVersion;
    nv.LunderixSerialNumber = s.LunderixSerialNumber;
    nv.CustomerNumber = s.CustomerNumber;
    nv.ProjectNumber = s.ProjectNumber;
    nv.ProductionWeek = s.ProductionWeek;
    nv.ProductionYear = s.ProductionYear;
    nv.SerialNumber = s.SerialNumber;
    nv.VexoCfgBits_0.Data = s.VexoCfgBits_0;
    fEEPROM = nv.ToImage();
    fEEPROM.resize(256, 0);
    // White and gain block: its place moved with version 3.
    std::uint32_t white = WhiteGainAddress(s.EEPROMVersion) - SimAddrEEPROM;
    fEEPROM[white] = static_cast<std::uint8_t>(s.NominalWhiteValue);
    fEEPROM[white + 1] = static_cast<std::uint8_t>(s.NominalWhiteValue >> 8);
    for (int i = 0; i < 8; ++i) fEEPROM[white + 2 + i] = static_cast<std::uint8_t>(0x40 + i);

    std::uint32_t c = 128;
    BufWriteDWord(fEEPROM, c, s.VexoCfgBits);
    std::uint16_t startStop[6] = {s.ConfigurationStart, s.ConfigurationStop, s.ResultCfgStart,
                                  s.ResultCfgStop,      s.ResultStart,       s.ResultStop};
    std::uint16_t readWrite[7] = {fCfgRead, fCfgWrite, fResCfgRead,   fResCfgWrite,
                                  fResRead, fResWrite, fLastResultPtr};
    std::uint8_t v = s.EEPROMVersion;
    if (StoragePtrInOneBlock(v)) {
        c = 0xA2;
        for (int i = 0; i < 6; ++i) BufWriteWord(fEEPROM, c, readWrite[i]);
        for (std::uint16_t w : startStop) BufWriteWord(fEEPROM, c, w);
    } else {
        c = StoragePtrAbsAddress(v) - SimAddrEEPROM;
        for (std::uint16_t w : startStop) BufWriteWord(fEEPROM, c, w);
        c = StoragePtrRelAddress(v) - SimAddrEEPROM;
        for (std::uint16_t w : readWrite) BufWriteWord(fEEPROM, c, w);
    }
}

bool ReaderSimulator::ResolveRead(std::uint32_t address, const tByteBuffer*& region,
                                  std::uint32_t& offset) const {
    const TSimScenario& s = fScenario;
    auto in = [&](std::uint32_t base, const tByteBuffer& r, std::uint32_t first = 0) {
        if (address < base) return false;
        std::uint64_t o = static_cast<std::uint64_t>(address - base) + first;
        if (address - base >= 0x10000u || o >= r.size()) return false;
        region = &r;
        offset = static_cast<std::uint32_t>(o);
        return true;
    };
    if (in(SimAddrConfiguration, fCurrentConfig)) return true;
    if (in(SimAddrLastResult, fLastResult)) return true;
    if (in(SimAddrStorage, fStorage, s.ConfigurationStart)) return true;
    if (fRFIDPresent && in(SimAddrRFID, fRFIDTag)) return true;
    if (in(SimAddrEEPROM, fEEPROM)) return true;
    if (s.VexoCfgBits & SimBitExtendedMemory) {
        // The program counts this window from the result area's start, or for old layouts from
        // the configuration area's; offsets below the base come out under 0x80000.
        std::uint32_t base =
            ResultOffsetsFromResultStart(s.EEPROMVersion, true) ? s.ResultStart : s.ConfigurationStart;
        std::uint32_t o = address - SimAddrResultWindow + base;
        if (o < fStorage.size() && address >= SimAddrResultWindow - 0x10000u) {
            region = &fStorage;
            offset = o;
            return true;
        }
    }
    return false;
}

bool ReaderSimulator::ReadMemory(std::uint32_t address, std::uint32_t count, tByteBuffer& data,
                                 std::uint8_t& error) const {
    data.clear();
    if (count == 0) {
        error = SimComReadNoData;
        return false;
    }
    if (count > SimMaxReadBlock) {
        error = SimComBufferOverflow;
        return false;
    }
    const tByteBuffer* region = nullptr;
    std::uint32_t offset = 0;
    if (!ResolveRead(address, region, offset) || offset + count > region->size()) {
        error = SimComReadInvalidLocation;
        return false;
    }
    data.assign(region->begin() + offset, region->begin() + offset + count);
    error = 0;
    return true;
}

// ---- bytes in and out -----------------------------------------------------------------------

void ReaderSimulator::Receive(const std::uint8_t* bytes, std::size_t count) {
    static const char shutdown[] = "shutdown\r";
    for (std::size_t i = 0; i < count && fSwitchedOn; ++i) {
        std::uint8_t b = bytes[i];
        // Framing as the assembler sees it, so that text inside a frame is never taken for
        // the plain-text command.
        if (b == cFrameStart) {
            fPrevStart = !fPrevStart;
        } else if (fPrevStart) {
            fPrevStart = false;
            fInFrame = true;
        }
        if (!fInFrame && b == static_cast<std::uint8_t>(shutdown[fShutdownMatch])) {
            if (++fShutdownMatch == sizeof(shutdown) - 1) {
                if (fTrace) fTrace("RX shutdown  switched off");
                fSwitchedOn = false;
                fOut.clear();
                fEvents.clear();
                fEvaluation.Running = false;
                return;
            }
        } else {
            fShutdownMatch = !fInFrame && b == static_cast<std::uint8_t>(shutdown[0]) ? 1 : 0;
        }
        bool complete = fAssembler.feed(b);
        if (complete || fAssembler.dropped() != fDropped) {
            fInFrame = false;
            fDropped = fAssembler.dropped();
        }
        if (complete) HandleCommand(fAssembler.frame());
    }
}

void ReaderSimulator::Schedule(std::uint64_t delayUs, std::function<void()> run) {
    fEvents.push_back({fNowUs + delayUs, fEventOrder++, std::move(run)});
}

void ReaderSimulator::Advance(std::uint32_t ms) {
    AdvanceUs(static_cast<std::uint64_t>(ms) * 1000u);
}

void ReaderSimulator::AdvanceUs(std::uint64_t us) {
    std::uint64_t target = fNowUs + us;
    while (fSwitchedOn) {
        auto next = std::min_element(fEvents.begin(), fEvents.end(), [](const TEvent& a, const TEvent& b) {
            return a.DueUs != b.DueUs ? a.DueUs < b.DueUs : a.Order < b.Order;
        });
        if (next == fEvents.end() || next->DueUs > target) break;
        fNowUs = std::max(fNowUs, next->DueUs);
        std::function<void()> run = std::move(next->Run);
        fEvents.erase(next);
        run();
    }
    fNowUs = target;
}

void ReaderSimulator::Emit(const tByteBuffer& wire, std::uint64_t atUs) {
    // Ten bits a byte on the wire: start, eight data, stop. Each byte's time counts from the
    // frame's start, so that rounding does not add up over a long frame.
    const std::uint64_t start = std::max(atUs, fLastOutUs);
    const std::uint64_t baud = fScenario.Baud;
    for (std::size_t i = 0; i < wire.size(); ++i) {
        const std::uint64_t ready = baud ? start + (i + 1) * 10'000'000u / baud : start;
        fLastOutUs = ready;
        fOut.emplace_back(ready, wire[i]);
    }
}

std::uint64_t ReaderSimulator::NextOutputUs() const {
    return fOut.empty() ? UINT64_MAX : fOut.front().first;
}

void ReaderSimulator::SendNow(std::uint8_t code, const tByteBuffer& payload) {
    tByteBuffer f = Unescaped(code, payload);
    Emit(EscapeFrame(f.data(), f.size()), fNowUs);
}

std::size_t ReaderSimulator::Available() const {
    std::size_t n = 0;
    for (const auto& [ready, b] : fOut) {
        if (ready > fNowUs) break;
        ++n;
    }
    return n;
}

std::size_t ReaderSimulator::TakeOutput(std::uint8_t* buffer, std::size_t max) {
    std::size_t n = 0;
    while (n < max && !fOut.empty() && fOut.front().first <= fNowUs) {
        buffer[n++] = fOut.front().second;
        fOut.pop_front();
    }
    return n;
}

tByteBuffer ReaderSimulator::TakeOutput() {
    tByteBuffer out(Available());
    out.resize(TakeOutput(out.data(), out.size()));
    return out;
}

void ReaderSimulator::PurgeOutput() {
    while (!fOut.empty() && fOut.front().first <= fNowUs) fOut.pop_front();
}

// ---- commands -------------------------------------------------------------------------------

void ReaderSimulator::Reply(std::vector<tByteBuffer>& replies, std::uint8_t code,
                            const tByteBuffer& payload) {
    replies.push_back(Unescaped(code, payload));
}

void ReaderSimulator::ComError(std::vector<tByteBuffer>& replies, std::uint8_t code) {
    Reply(replies, rspCommunicationError, {code});
}

void ReaderSimulator::HandleCommand(const tByteBuffer& frame) {
    std::uint8_t code = frame.size() > 1 ? frame[1] : 0;
    tByteBuffer payload(frame.begin() + std::min<std::size_t>(2, frame.size()),
                        frame.end() - (frame.size() > 2 ? 1 : 0));
    ++fCommandCount;
    std::uint32_t perCode = ++fCommandCounts[code];
    if (fTrace) fTrace(FormatTraceLine(false, frame, DescribeCommandFrame(frame.data(), frame.size())));
    if (fObserver) fObserver(code, payload);

    const TSimBehaviour* rule = nullptr;
    for (const TSimBehaviour& b : fScenario.Behaviours) {
        if (b.Command >= 0 && b.Command != code) continue;
        std::uint32_t n = b.Command >= 0 ? perCode : fCommandCount;
        if (b.Nth != 0 && b.Nth != n) continue;
        rule = &b;
        break;
    }

    std::vector<tByteBuffer> replies;
    if (rule && rule->NoAnswer) return;
    if (rule && rule->ComError >= 0) {
        ComError(replies, static_cast<std::uint8_t>(rule->ComError));
    } else if (rule && rule->VexoError >= 0) {
        Reply(replies, rspVexoError, {static_cast<std::uint8_t>(rule->VexoError), rule->VexoErrorInfo});
    } else {
        Dispatch(code, payload, replies);
    }
    if (!rule) {
        for (const tByteBuffer& f : replies) Emit(EscapeFrame(f.data(), f.size()), fNowUs);
        return;
    }

    std::uint64_t at = fNowUs;
    if (rule->BusyMs) {
        tByteBuffer busy;
        Put32(busy, rule->BusyMs);
        tByteBuffer f = Unescaped(rspDeviceBusy, busy);
        Emit(EscapeFrame(f.data(), f.size()), at);
        at += static_cast<std::uint64_t>(rule->BusyMs) * 1000u;
    }
    at += static_cast<std::uint64_t>(rule->LateMs) * 1000u;
    tByteBuffer wire;
    for (std::uint32_t i = 0; i < rule->NoiseBytes; ++i)
        wire.push_back(static_cast<std::uint8_t>(0x11 + (i * 37) % 0xE0));
    for (std::size_t i = 0; i < replies.size(); ++i) {
        if (i == 0 && rule->BadChecksumFirst) {
            tByteBuffer bad = replies[i];
            bad.back() ^= 0x5A;
            tByteBuffer w = EscapeFrame(bad.data(), bad.size());
            wire.insert(wire.end(), w.begin(), w.end());
        }
        tByteBuffer w = EscapeFrame(replies[i].data(), replies[i].size());
        wire.insert(wire.end(), w.begin(), w.end());
    }
    if (at == fNowUs) {
        Emit(wire, at);
    } else {
        Schedule(at - fNowUs, [this, wire]() { Emit(wire, fNowUs); });
    }
}

void ReaderSimulator::Dispatch(std::uint8_t code, const tByteBuffer& p, std::vector<tByteBuffer>& replies) {
    const TSimScenario& s = fScenario;
    switch (code) {
    case cmdGetAcknowledge: Reply(replies, rspAcknowledge, {}); break;
    case cmdGetFirmwareVersion: {
        tByteBuffer b;
        Put8(b, s.FwMain);
        Put8(b, s.FwSub);
        Put16(b, s.FwRevision);
        Put8(b, s.FwVariant);
        Put8(b, s.FwBranch);
        Put16(b, s.FwBranchRevision);
        Put8(b, s.FwSuffix);
        Reply(replies, rspFirmwareVersion, b);
        break;
    }
    case cmdGetSerial: {
        tByteBuffer b;
        Put32(b, s.LunderixSerialNumber);
        Put16(b, s.CustomerNumber);
        Put16(b, s.ProjectNumber);
        Put16(b, static_cast<std::uint16_t>(s.ProductionYear | (s.ProductionWeek << 8)));
        Put16(b, s.SerialNumber);
        Reply(replies, rspSerial, b);
        break;
    }
    case cmdGetDateTime: {
        tByteBuffer b(6, 0); // a clock that lost its time reads all zeros: no valid date
        if (!s.ClockInvalid) {
            b.clear();
            PutDate(b, ToDateData(ReaderClock()));
        }
        Reply(replies, rspDateTime, b);
        break;
    }
    case cmdSetDateTime: {
        TDateData d{Rd8(p, 0), Rd8(p, 1), Rd8(p, 2), Rd8(p, 3), Rd8(p, 4), Rd8(p, 5)};
        if (!IsValidDateData(d)) {
            ComError(replies, 0x06); // command error: nothing set
            break;
        }
        fClockBase = DateDataToDateTime(d) - std::chrono::milliseconds(fNowUs / 1000);
        fScenario.ClockInvalid = false;
        Reply(replies, rspAcknowledge, {});
        break;
    }
    case cmdReadData: HandleRead(p, replies); break;
    case cmdWriteData: HandleWrite(p, replies); break;
    case cmdGetRFIDState:
        Reply(replies, rspRFIDStatus, RFIDStatusPayload(fRFIDPresent ? 0 : SimErrRFIDNothingReceived));
        break;
    case cmdGetImage: HandleImage(p, replies); break;
    case cmdCapture: {
        TTestConfig cfg;
        if (ParseTestConfig(cfg, fCurrentConfig, false) != CfgParseOk) cfg.Reset();
        std::vector<std::uint16_t> line = ModelProfile(cfg, s.ImageWidth, ++fMeasureSeed);
        fImage.assign(line.begin(), line.end());
        fHaveMeasurement = true;
        Reply(replies, rspAcknowledge, {});
        break;
    }
    case cmdEvaluate: HandleEvaluate(Rd8(p, 0), replies); break;
    case cmdFormatDB: HandleFormat(Rd8(p, 0), replies); break;
    case cmdButtonControl:
        fButtonDisabled = (Rd8(p, 0) & 0x80) != 0;
        Reply(replies, rspAcknowledge, {});
        break;
    case cmdResetVexo:
        fEvaluation.Running = false;
        ++fEvaluation.Generation;
        fBootloader = false;
        Reply(replies, rspAcknowledge, {});
        break;
    case cmdRunBootloader:
        fBootloader = true;
        Reply(replies, rspAcknowledge, {});
        break;
    default: ComError(replies, SimComUnknownCommand); break;
    }
}

void ReaderSimulator::HandleRead(const tByteBuffer& p, std::vector<tByteBuffer>& replies) {
    std::uint8_t flags = Rd8(p, 0);
    std::uint32_t address = Rd32(p, 1);
    std::uint16_t count = Rd16(p, 5);
    tByteBuffer data;
    std::uint8_t error = 0;
    if (!ReadMemory(address, count, data, error)) {
        ComError(replies, error);
        return;
    }
    tByteBuffer b;
    Put8(b, flags);
    Put32(b, address);
    Put16(b, count);
    b.insert(b.end(), data.begin(), data.end());
    Reply(replies, rspDataReaded, b);
}

void ReaderSimulator::HandleWrite(const tByteBuffer& p, std::vector<tByteBuffer>& replies) {
    std::uint8_t flags = Rd8(p, 0);
    std::uint32_t address = Rd32(p, 1);
    std::uint16_t count = Rd16(p, 5);
    if (p.size() < 7u + count) {
        ComError(replies, 0x06);
        return;
    }
    if (flags & ~0x13u) {
        ComError(replies, SimComInvalidFlags);
        return;
    }
    auto into = [&](tByteBuffer& region, std::uint32_t offset) {
        if (offset + count > region.size()) return false;
        std::copy(p.begin() + 7, p.begin() + 7 + count, region.begin() + offset);
        return true;
    };
    bool ok = false;
    if (address < SimAddrConfiguration + fCurrentConfig.size()) {
        ok = into(fCurrentConfig, address - SimAddrConfiguration);
        // Kept permanently: the configuration joins the stored ones once it is complete.
        TTestConfig cfg;
        if (ok && (flags & 0x10) && ParseTestConfig(cfg, fCurrentConfig, false) == CfgParseOk) {
            fStoredConfigs.emplace_back(fCurrentConfig.begin(),
                                        fCurrentConfig.begin() +
                                            std::min<std::size_t>(cfg.CfgSize, fCurrentConfig.size()));
            LayRings();
        }
    } else if (address >= SimAddrLCD && address < SimAddrLCD + 0x100) {
        tByteBuffer lcd(0x100, 0);
        ok = into(lcd, address - SimAddrLCD);
        auto text = lcd.begin() + (address - SimAddrLCD);
        if (ok) fLCDText.assign(text, std::find(text, lcd.end(), 0));
    } else if (address >= SimAddrRFID && address < SimAddrRFID + 0x10000) {
        if (!fRFIDPresent) {
            Reply(replies, rspVexoError, {SimErrRFIDNothingReceived, 0});
            return;
        }
        std::uint32_t offset = address - SimAddrRFID;
        if (offset + count > fRFIDTag.size()) {
            Reply(replies, rspVexoError, {0x3B, 0}); // the tag is too small
            return;
        }
        ok = into(fRFIDTag, offset);
        fRFIDUsed = static_cast<std::uint16_t>(std::max<std::uint32_t>(fRFIDUsed, offset + count));
    } else {
        ComError(replies, SimComWriteInvalidAddress);
        return;
    }
    if (!ok) {
        ComError(replies, SimComWriteMemoryOverflow);
        return;
    }
    tByteBuffer b;
    Put8(b, flags);
    Put32(b, address);
    Put16(b, count);
    Reply(replies, rspWriteSuccess, b);
}

tByteBuffer ReaderSimulator::RFIDStatusPayload(std::uint8_t errorCode) const {
    tByteBuffer b;
    Put8(b, errorCode);
    Put8(b, errorCode ? 0 : fScenario.RFIDTagType);
    Put16(b, errorCode ? 0 : fRFIDUsed);
    std::uint8_t d = errorCode ? 0 : static_cast<std::uint8_t>(std::min<std::size_t>(fRFIDUsed, 255));
    Put8(b, d);
    b.insert(b.end(), fRFIDTag.begin(), fRFIDTag.begin() + d);
    return b;
}

void ReaderSimulator::HandleImage(const tByteBuffer& p, std::vector<tByteBuffer>& replies) {
    std::uint8_t mode = Rd8(p, 0);
    if (mode >= 2 && mode <= 5) {
        if (!fHaveMeasurement) {
            ComError(replies, SimComNoImageData);
            return;
        }
        tByteBuffer b;
        Put16(b, static_cast<std::uint16_t>(fImage.size()));
        Put16(b, 1);
        Reply(replies, rspImageTransferStart, b);
        fImageFull16 = ((mode - 2) & 2) != 0;
        return;
    }
    if (mode == 1) return; // transfer finished: nothing to answer
    if (mode != 0) {
        ComError(replies, SimComInvalidFlags);
        return;
    }
    if (!fHaveMeasurement) {
        ComError(replies, SimComNoImageData);
        return;
    }
    tByteBuffer data;
    for (std::uint16_t v : fImage) {
        if (fImageFull16) {
            Put16(data, v);
        } else {
            Put8(data, static_cast<std::uint8_t>(v >> 4));
        }
    }
    tByteBuffer b;
    Put8(b, fImageFull16 ? 2 : 1);
    Put16(b, Rd16(p, 1));
    Put16(b, Rd16(p, 3));
    Put16(b, static_cast<std::uint16_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    Reply(replies, rspImageData, b);
}

void ReaderSimulator::HandleFormat(std::uint8_t configs, std::vector<tByteBuffer>& replies) {
    fEvaluation.Running = false;
    ++fEvaluation.Generation;
    fResults.clear();
    if (configs) fStoredConfigs.clear();
    fResCfgRead = fScenario.ResultCfgStart;
    fResRead = fScenario.ResultStart;
    LayRings();
    fLastResultPtr = fScenario.ResultStart;
    BuildEEPROM();
    Reply(replies, rspAcknowledge, {});
}

// ---- measurement ----------------------------------------------------------------------------

void ReaderSimulator::HandleEvaluate(std::uint8_t mode, std::vector<tByteBuffer>& replies) {
    if (mode & 0x04) {
        if (!fEvaluation.Running) {
            Reply(replies, rspAcknowledge, {});
            return;
        }
        fEvaluation.Running = false;
        ++fEvaluation.Generation;
        Reply(replies, rspVexoError, {SimErrAborted, 0});
        return;
    }
    if (fEvaluation.Running) {
        tByteBuffer b;
        Put32(b, 1000);
        Reply(replies, rspDeviceBusy, b);
        return;
    }
    if (mode & 0x01) {
        // Reading the tag takes a moment; a tag that is hard to read fails the first tries.
        std::uint8_t error = 0;
        if (fRFIDErrorsLeft > 0) {
            --fRFIDErrorsLeft;
            error = fScenario.RFIDErrorCode;
        } else if (!fRFIDPresent || fRFIDUsed == 0) {
            error = SimErrRFIDNothingReceived;
        }
        std::uint32_t generation = fEvaluation.Generation;
        Schedule(200'000, [this, error, generation]() {
            if (generation == fEvaluation.Generation) SendNow(rspRFIDStatus, RFIDStatusPayload(error));
        });
        return;
    }
    TTestConfig cfg;
    int parsed = ParseTestConfig(cfg, fCurrentConfig, false);
    if (parsed == CfgParseWrongVersion) {
        Reply(replies, rspVexoError, {SimErrWrongVersion, 0});
        return;
    }
    if (parsed != CfgParseOk || cfg.LineCount() == 0 || cfg.ResultCount() == 0) {
        Reply(replies, rspVexoError, {SimErrConfigInvalid, 0});
        return;
    }
    fEvaluation.Running = true;
    fEvaluation.Timer = (mode & 0x02) != 0;
    fEvaluation.Config = cfg;
    std::uint32_t generation = ++fEvaluation.Generation;
    Schedule(100'000, [this, generation]() { EvaluationStep(generation, 0, 0); });
}

// Steps: 0 white card, 1 test card, 2 countdown, 3 running, 4 done.
void ReaderSimulator::EvaluationStep(std::uint32_t generation, int step, int secondsLeft) {
    if (generation != fEvaluation.Generation || !fEvaluation.Running) return;
    std::uint64_t press = static_cast<std::uint64_t>(fScenario.ButtonDelayMs) * 1000u;
    switch (step) {
    case 0:
        SendNow(rspPlaceWhiteCard, {});
        Schedule(press, [this, generation]() { EvaluationStep(generation, 1, 0); });
        break;
    case 1: {
        SendNow(rspPlaceTestCard, {});
        int seconds = 0;
        if (fEvaluation.Timer) {
            seconds = fScenario.TimerSecondsOverride >= 0 ? fScenario.TimerSecondsOverride
                                                          : fEvaluation.Config.CaptureSection.TimerCount;
        }
        Schedule(press,
                 [this, generation, seconds]() { EvaluationStep(generation, seconds > 0 ? 2 : 3, seconds); });
        break;
    }
    case 2: {
        tByteBuffer b;
        Put16(b, static_cast<std::uint16_t>(secondsLeft));
        SendNow(rspShowTimer, b);
        int next = secondsLeft - 1;
        Schedule(1'000'000,
                 [this, generation, next]() { EvaluationStep(generation, next > 0 ? 2 : 3, next); });
        break;
    }
    case 3:
        SendNow(rspEvaluationRun, {});
        Schedule(static_cast<std::uint64_t>(fScenario.EvaluationMs) * 1000u,
                 [this, generation]() { EvaluationStep(generation, 4, 0); });
        break;
    default: FinishEvaluation(); break;
    }
}

void ReaderSimulator::FinishEvaluation() {
    fEvaluation.Running = false;
    TSimStoredResult r;
    r.Config = fEvaluation.Config;
    r.Date = ToDateData(ReaderClock());
    std::uint32_t seed = ++fMeasureSeed;
    r.Values = fScenario.NextValues.empty() ? ModelValues(r.Config, seed) : fScenario.NextValues;
    r.Values.resize(r.Config.ResultCount(), 0.0f);
    r.Invalid = fScenario.NextInvalid;
    const TDateData& expiry = r.Config.OemSection.ExpiryDate;
    if (IsValidDateData(expiry) && expiry.Year > 0 && DateBefore(expiry, r.Date)) r.Invalid |= 0x40;
    r.Voltage = static_cast<std::uint16_t>(2900 + seed % 300);
    r.Temperature = 21.0f + static_cast<float>(seed % 40) / 10.0f;
    r.MeasureID = ++fMeasureID;
    std::vector<std::uint16_t> profile = ModelProfile(r.Config, fScenario.ImageWidth, seed);
    r.Profile.assign(profile.begin(), profile.begin() + std::min<std::size_t>(profile.size(), 255));

    fImage = profile;
    fHaveMeasurement = true;
    fLastResult = LastResultBlock(r, profile);
    StoreResult(r);
    SendNow(rspAcknowledge, {});
}

void ReaderSimulator::StoreResult(const TSimStoredResult& result) {
    fResults.push_back(result);
    LayRings();
}

tByteBuffer ReaderSimulator::LastResultBlock(const TSimStoredResult& r,
                                             const std::vector<std::uint16_t>& profile) const {
    std::uint8_t v = fScenario.EEPROMVersion;
    tByteBuffer b;
    Put8(b, static_cast<std::uint8_t>(r.Config.CaptureSection.ImageCount));
    Put16(b, 0);
    for (int k = 0; k < MaxTestResults; ++k)
        PutSingle(b, k < static_cast<int>(r.Values.size()) ? r.Values[k] : 0.0f);
    for (int i = 0; i < MaxTestLines; ++i) {
        tLineMeasure m;
        if (i < r.Config.LineCount()) m = MeasureLine(r.Config, i, profile);
        PutLine(b, m, v, true);
    }
    for (int k = 0; k < MaxTestResults; ++k) Put16(b, 0);
    Put8(b, r.Invalid);
    PutSingle(b, r.Temperature);
    Put16(b, r.Voltage);
    PutDate(b, r.Date);
    b.resize(MeasurementResultBlockSize(v), 0);
    return b;
}
