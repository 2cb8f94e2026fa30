// Any reader memory as a results database: the first 20 bytes give the EEPROM
// version, the configuration bits and the two areas' pointers, the rest is split
// into the result configuration area and the result area.
#include "TestResults.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 20) return 0;
    tByteBuffer head(data, data + 20);
    std::uint32_t c = 0;
    TEEPROMMap map;
    map.NonVolatileData.EEPROMVersion = BufReadByte(head, c) % 8;
    map.NonVolatileData.VexoCfgBits_0.Data = static_cast<std::uint32_t>(BufReadByte(head, c)) << 23;
    map.NonVolatileData.SerialNumber = BufReadWord(head, c);
    TEEPROMVolatile& vol = map.VolatileData;
    vol.StoredTestResultCfgStart = BufReadWord(head, c);
    vol.StoredTestResultCfgStop = BufReadWord(head, c);
    vol.StoredTestResultCfgReadPtr = BufReadWord(head, c);
    vol.StoredTestResultStart = BufReadWord(head, c);
    vol.StoredTestResultStop = BufReadWord(head, c);
    vol.StoredTestResultReadPtr = BufReadWord(head, c);
    std::size_t split = BufReadWord(head, c);
    const std::size_t rest = size - 20;
    if (split > rest) split = rest;
    tByteBuffer cfgArea(data + 20, data + 20 + split);
    tByteBuffer resArea(data + 20 + split, data + size);

    std::vector<std::unique_ptr<TMeasureSet>> entries;
    TMeasureListAccess list;
    list.JoinDecision = [] { return jdAdd; };
    list.Clear = [&] { entries.clear(); };
    list.IsPresent = [&](const std::string& id) {
        for (const auto& e : entries)
            if (e->TestID == id) return true;
        return false;
    };
    list.Add = [&](std::unique_ptr<TMeasureSet> e) { entries.push_back(std::move(e)); };
    std::vector<TVexoResultData> resultList;
    TDefaultTextSource texts;
    TDecodeDatabaseResult out = DecodeDatabase(cfgArea, resArea, map, resultList, list, texts);
    if (out.Added > out.StoredResults || entries.size() != out.Added) std::abort();
    for (const auto& e : entries) {
        if (e->ImageData.size() > MaxImageValues || e->MeasureResult.LineCount > MaxLineResults) std::abort();
        if (e->ResultList.size() > MaxResultValues) std::abort();
    }
    return 0;
}
