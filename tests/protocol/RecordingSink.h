#pragma once
// A byte sink that keeps everything the protocol hands it, and where it flushed.
#include "ByteSink.h"
#include "ExtTypes.h"

#include <cstddef>
#include <vector>

class tRecordingSink : public tByteSink {
public:
    bool SendByte(std::uint8_t B) override {
        bytes.push_back(B);
        return true;
    }
    bool SendBuffer() override {
        flushes.push_back(bytes.size());
        return true;
    }
    void clear() {
        bytes.clear();
        flushes.clear();
    }

    tByteBuffer bytes;
    // Number of bytes queued at each flush.
    std::vector<std::size_t> flushes;
};
