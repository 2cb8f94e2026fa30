#pragma once
// The wire and the USB bridge between a simulated reader and the program, for timing figures:
// what the program writes reaches the reader when its last byte has crossed the wire; what the
// reader answers crosses the wire at the baud rate the program set (ten bits a byte), and the
// bridge hands it to the host in packets of 62 bytes, a last partial packet only when its
// latency timer has run out. The timer restarts with every packet.
//
// The simulated readers' library uses it only when VEXO_SIM_PACED=1: the tests and the demo
// get every byte at once.
#include <chrono>
#include <cstdint>
#include <deque>

class TBridgePacing {
public:
    using clock = std::chrono::steady_clock;
    static constexpr std::uint8_t DefaultLatencyMs = 16;
    static constexpr std::size_t PacketBytes = 62;

    // VEXO_SIM_PACED=1 in the environment.
    static bool Requested();

    void SetBaud(std::uint32_t baud) { fBaud = baud ? baud : 1; }
    void SetLatency(std::uint8_t ms) { fLatencyMs = ms; }
    std::uint8_t Latency() const { return fLatencyMs; }

    // The program writes count bytes at now: when the last of them has reached the reader.
    clock::time_point Send(std::size_t count, clock::time_point now);
    // The reader's answer, its first byte going onto the wire at from.
    void Answer(const std::uint8_t* bytes, std::size_t count, clock::time_point from);
    // What the program can read at now.
    std::size_t Available(clock::time_point now);
    std::size_t Read(std::uint8_t* buffer, std::size_t max, clock::time_point now);
    // When more becomes readable; time_point::max() while nothing is on its way.
    clock::time_point NextDelivery() const;
    // What is on the wire and in the bridge is dropped.
    void Purge();

    // Bytes that crossed the wire so far, to the reader and from it, and those handed to the host.
    std::uint64_t SentBytes = 0, AnsweredBytes = 0, Delivered = 0;

private:
    struct TByte {
        clock::time_point Done; // in the bridge from here on
        std::uint8_t Value;
    };
    clock::duration ByteTime(std::size_t count) const;
    // Hands over every packet due by now.
    void Deliver(clock::time_point now);

    std::uint32_t fBaud = 9600;
    std::uint8_t fLatencyMs = DefaultLatencyMs;
    clock::time_point fToReaderFree{}, fFromReaderFree{}, fLastPacket{};
    std::deque<TByte> fWire;
    std::deque<std::uint8_t> fHost;
};
