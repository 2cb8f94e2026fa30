#pragma once
// Fixed-capacity byte queue shared by one producer and one consumer thread.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "ExtTypes.h"

class TFastRingBufferByte {
public:
    TFastRingBufferByte(std::int32_t Size, bool OverwriteAtOverflow);
    TFastRingBufferByte(const TFastRingBufferByte& copyFrom);
    TFastRingBufferByte& operator=(const TFastRingBufferByte&) = delete;

    bool Add(std::uint8_t Inhalt);
    bool Add(const std::uint8_t* srcBuffer, std::int32_t bufCnt);
    bool Add(const tByteBuffer& buffer);
    bool Get(std::uint8_t& Inhalt);
    bool Read(std::uint8_t& Inhalt) const;
    bool Read(tByteBuffer& rdBuffer, std::int32_t maxRead);
    void Clear();
    std::int32_t GetCount() const { return Count; }

    bool getFirst(std::uint8_t& Inhalt);
    bool getLast(std::uint8_t& Inhalt);
    bool getNext(std::uint8_t& Inhalt);
    bool getPrevious(std::uint8_t& Inhalt);
    bool checkCurrent(std::uint8_t& Inhalt) const;

    std::int32_t Capacity() const { return Max; }

private:
    bool AddLocked(std::uint8_t Inhalt);

    std::int32_t Max;
    std::int32_t First = 0;
    std::int32_t Last = 0;
    // Read without the lock by GetCount and the browsing operations (a momentary value).
    std::atomic<std::int32_t> Count = 0;
    bool OverWrite;
    std::int32_t current = 0;
    mutable std::mutex critical;
    std::vector<std::uint8_t> Buffer;
};
