#pragma once
#include <cstdint>

// The narrow way out of the protocol: the serial link implements it, tests record with it.
class tByteSink {
public:
    virtual ~tByteSink() = default;
    // Queues one byte for transmission; False when it could not be queued (no port, full queue).
    virtual bool SendByte(std::uint8_t B) = 0;
    // Writes what is queued to the port now; False when nothing was written.
    virtual bool SendBuffer() = 0;
};
