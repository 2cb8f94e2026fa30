#include "FastRingBufferByte.h"

#include <algorithm>

TFastRingBufferByte::TFastRingBufferByte(std::int32_t Size, bool OverwriteAtOverflow)
    : Max(Size > 0 ? Size : 1), OverWrite(OverwriteAtOverflow), Buffer(static_cast<std::size_t>(Max), 0) {}

TFastRingBufferByte::TFastRingBufferByte(const TFastRingBufferByte& copyFrom) : Max(copyFrom.Max) {
    std::lock_guard<std::mutex> lock(copyFrom.critical);
    First = copyFrom.First;
    Last = copyFrom.Last;
    Count = copyFrom.Count.load();
    OverWrite = copyFrom.OverWrite;
    current = copyFrom.current;
    Buffer = copyFrom.Buffer;
}

bool TFastRingBufferByte::AddLocked(std::uint8_t Inhalt) {
    if (Count < Max) {
        Buffer[static_cast<std::size_t>(Last)] = Inhalt;
        if (++Last == Max) Last = 0;
        ++Count;
        return true;
    }
    if (!OverWrite) return false;
    // Full: the write slot is the oldest byte's; it is replaced.
    Buffer[static_cast<std::size_t>(Last)] = Inhalt;
    if (++Last == Max) Last = 0;
    First = Last;
    return true;
}

bool TFastRingBufferByte::Add(std::uint8_t Inhalt) {
    std::lock_guard<std::mutex> lock(critical);
    return AddLocked(Inhalt);
}

bool TFastRingBufferByte::Add(const std::uint8_t* srcBuffer, std::int32_t bufCnt) {
    std::lock_guard<std::mutex> lock(critical);
    for (std::int32_t i = 0; i < bufCnt; ++i)
        if (!AddLocked(srcBuffer[i])) return false;
    return true;
}

bool TFastRingBufferByte::Add(const tByteBuffer& buffer) {
    return Add(buffer.data(), static_cast<std::int32_t>(buffer.size()));
}

bool TFastRingBufferByte::Get(std::uint8_t& Inhalt) {
    std::lock_guard<std::mutex> lock(critical);
    if (Count <= 0) return false;
    Inhalt = Buffer[static_cast<std::size_t>(First)];
    if (++First == Max) First = 0;
    --Count;
    return true;
}

bool TFastRingBufferByte::Read(std::uint8_t& Inhalt) const {
    if (Count <= 0) return false;
    Inhalt = Buffer[static_cast<std::size_t>(First)];
    return true;
}

bool TFastRingBufferByte::Read(tByteBuffer& rdBuffer, std::int32_t maxRead) {
    std::lock_guard<std::mutex> lock(critical);
    std::int32_t held = Count;
    std::int32_t n = maxRead < 0 ? held : std::min(maxRead, held);
    rdBuffer.resize(static_cast<std::size_t>(n));
    // At most two contiguous runs: up to the storage's end, then from its start.
    std::int32_t firstRun = std::min(n, Max - First);
    std::copy_n(Buffer.begin() + First, firstRun, rdBuffer.begin());
    std::copy_n(Buffer.begin(), n - firstRun, rdBuffer.begin() + firstRun);
    First = (First + n) % Max;
    Count -= n;
    return n > 0;
}

void TFastRingBufferByte::Clear() {
    std::lock_guard<std::mutex> lock(critical);
    Count = 0;
    First = Last;
}

bool TFastRingBufferByte::getFirst(std::uint8_t& Inhalt) {
    if (Count == 0) return false;
    current = First;
    Inhalt = Buffer[static_cast<std::size_t>(current)];
    return true;
}

bool TFastRingBufferByte::getLast(std::uint8_t& Inhalt) {
    if (Count == 0) return false;
    current = Last == 0 ? Max - 1 : Last - 1;
    Inhalt = Buffer[static_cast<std::size_t>(current)];
    return true;
}

bool TFastRingBufferByte::getNext(std::uint8_t& Inhalt) {
    if (Count == 0) return false;
    if (++current >= Max) current = 0;
    return checkCurrent(Inhalt);
}

bool TFastRingBufferByte::getPrevious(std::uint8_t& Inhalt) {
    if (Count == 0) return false;
    if (--current < 0) current = Max - 1;
    return checkCurrent(Inhalt);
}

bool TFastRingBufferByte::checkCurrent(std::uint8_t& Inhalt) const {
    if (Count == 0) return false;
    bool inside = First < Last ? (current >= First && current < Last) : (current >= First || current < Last);
    if (!inside) return false;
    Inhalt = Buffer[static_cast<std::size_t>(current)];
    return true;
}
