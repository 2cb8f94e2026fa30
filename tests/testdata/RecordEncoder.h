#pragma once
// Writes stored records the way a reader lays them out, for test fixtures.
#include <cstdint>
#include <vector>

#include "TestResults.h"

namespace fixture {

inline void WriteResultEntry(tByteBuffer& b, std::uint32_t& c, const TResultEntry& e) {
    BufWriteByte(b, c, e.Flags);
    BufWriteSingle(b, c, e.LowerLimit);
    BufWriteSingle(b, c, e.UpperLimit);
    BufWriteByte(b, c, e.DisplayFormat);
    BufWriteByte(b, c, e.ClassRange);
    BufWriteWord(b, c, e.PtrResultName);
    BufWriteWord(b, c, e.PtrUnitName);
}

// A result configuration record from a configuration's entries and its first StringSize string bytes.
inline tByteBuffer EncodeCfgRecord(std::uint8_t v, std::uint8_t id, const TTestConfig& cfg,
                                   std::uint32_t crc = 0) {
    TSaveInternalFlashTestCfgList h;
    h.ID = id;
    h.TestID = cfg.TestID;
    h.PtrTestName = cfg.OemSection.PtrTestName;
    h.PtrLotNr = cfg.OemSection.PtrLotNr;
    h.PtrDistrManu = cfg.OemSection.PtrDistributorManufacturer;
    h.ResultClassCnt = cfg.CaptureSection.ResultClassCnt;
    h.CRC = crc;
    tByteBuffer body;
    std::uint32_t c = 0;
    for (int i = 0; i < cfg.ResultCount(); ++i)
        WriteResultEntry(body, c, i < MaxTestResults ? cfg.ResultSection[i] : TResultEntry{});
    for (int i = 0; i < cfg.ClassCount(); ++i) {
        BufWriteSingle(body, c, cfg.ClassSection[i].Threshold);
        BufWriteWord(body, c, cfg.ClassSection[i].PtrClassName);
    }
    for (std::uint32_t i = 0; i < cfg.CaptureSection.StringSize; ++i)
        BufWriteByte(body, c, i < cfg.StringData.size() ? cfg.StringData[i] : 0);
    h.Size = static_cast<std::uint16_t>(ResultCfgHeaderSize(v) + body.size());
    tByteBuffer rec;
    c = 0;
    WriteCfgRecordHeader(rec, c, h, v);
    rec.insert(rec.end(), body.begin(), body.end());
    return rec;
}

struct ResultRecord {
    std::uint8_t id = 1;
    TDateData date;
    std::uint8_t invalid = 0;
    std::uint16_t voltage = 3000;
    float temperature = 20.0f;
    std::uint16_t measureId = 0;
    std::vector<float> values;
    bool withLines = false;
    std::vector<TLineResult> lines;
    bool withImage = false;
    std::vector<std::uint16_t> image;
    int sizeOverride = -1; // the Size field, when not the true length
};

inline ResultRecord Rec(std::uint8_t id, TDateData date, std::uint8_t invalid, std::uint16_t voltage,
                        float temperature, std::uint16_t measureId, std::vector<float> values) {
    ResultRecord r;
    r.id = id;
    r.date = date;
    r.invalid = invalid;
    r.voltage = voltage;
    r.temperature = temperature;
    r.measureId = measureId;
    r.values = std::move(values);
    return r;
}

inline tByteBuffer EncodeResultRecord(std::uint8_t v, const ResultRecord& r) {
    tByteBuffer body;
    std::uint32_t c = 0;
    for (float f : r.values) BufWriteSingle(body, c, f);
    if (r.withLines) {
        BufWriteByte(body, c, static_cast<std::uint8_t>(r.lines.size()));
        for (const TLineResult& l : r.lines) WriteLineResult(body, c, l, StoredLineLayout(v));
    }
    if (r.withImage) {
        std::uint32_t n = static_cast<std::uint32_t>(r.image.size());
        BufWriteByte(body, c, static_cast<std::uint8_t>(n));
        tByteBuffer packed((3 * n) / 2, 0);
        for (std::uint32_t i = 0; i < n; ++i) Set12BitValue(packed.data(), packed.size(), i, r.image[i]);
        body.insert(body.end(), packed.begin(), packed.end());
    }
    TSaveInternalFlashResultList h;
    h.ID = r.id;
    h.Date = r.date;
    h.Invalid.Data = r.invalid;
    h.Voltage = r.voltage;
    h.Temperature = r.temperature;
    h.MeasureID = r.measureId;
    h.Size =
        static_cast<std::uint16_t>(r.sizeOverride >= 0 ? r.sizeOverride : ResultHeaderSize(v) + body.size());
    tByteBuffer rec;
    c = 0;
    WriteResultRecordHeader(rec, c, h, v);
    rec.insert(rec.end(), body.begin(), body.end());
    return rec;
}

// Places bytes into a ring from offset on, wrapping at its end.
inline void Place(tByteBuffer& ring, std::size_t offset, const tByteBuffer& bytes) {
    for (std::size_t k = 0; k < bytes.size(); ++k) ring[(offset + k) % ring.size()] = bytes[k];
}

// Records one after the other from offset on; returns the offset after the last.
inline std::size_t PlaceAll(tByteBuffer& ring, std::size_t offset, const std::vector<tByteBuffer>& records) {
    for (const tByteBuffer& r : records) {
        Place(ring, offset, r);
        offset = (offset + r.size()) % ring.size();
    }
    return offset;
}

} // namespace fixture
