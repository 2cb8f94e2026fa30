#include "D2XXPacing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

bool TBridgePacing::Requested() {
    const char* v = std::getenv("VEXO_SIM_PACED");
    return v && std::strcmp(v, "1") == 0;
}

TBridgePacing::clock::duration TBridgePacing::ByteTime(std::size_t count) const {
    // Ten bits a byte: start, eight data, stop.
    return std::chrono::duration_cast<clock::duration>(
        std::chrono::nanoseconds(static_cast<std::int64_t>(count) * 10'000'000'000LL / fBaud));
}

TBridgePacing::clock::time_point TBridgePacing::Send(std::size_t count, clock::time_point now) {
    SentBytes += count;
    fToReaderFree = std::max(fToReaderFree, now) + ByteTime(count);
    return fToReaderFree;
}

void TBridgePacing::Answer(const std::uint8_t* bytes, std::size_t count, clock::time_point from) {
    AnsweredBytes += count;
    clock::time_point t = std::max(fFromReaderFree, from);
    // Each byte's own end, so that rounding does not drift over a long answer.
    const clock::time_point start = t;
    for (std::size_t i = 0; i < count; ++i) fWire.push_back({start + ByteTime(i + 1), bytes[i]});
    if (count) fFromReaderFree = start + ByteTime(count);
}

TBridgePacing::clock::time_point TBridgePacing::NextDelivery() const {
    if (fWire.empty()) return clock::time_point::max();
    const clock::time_point full =
        fWire.size() >= PacketBytes ? fWire[PacketBytes - 1].Done : clock::time_point::max();
    // The timer runs in periods from the last packet; the first period that ends with a byte in
    // the bridge hands it over.
    const clock::duration period = std::chrono::milliseconds(std::max<int>(fLatencyMs, 1));
    const clock::duration since = fWire.front().Done - fLastPacket;
    const std::int64_t periods = since <= period ? 1 : (since.count() + period.count() - 1) / period.count();
    const clock::time_point timer = fLastPacket + periods * period;
    return std::min(full, timer);
}

void TBridgePacing::Deliver(clock::time_point now) {
    for (;;) {
        const clock::time_point at = NextDelivery();
        if (at > now) return;
        std::size_t n = 0;
        while (n < PacketBytes && !fWire.empty() && fWire.front().Done <= at) {
            fHost.push_back(fWire.front().Value);
            fWire.pop_front();
            ++n;
        }
        Delivered += n;
        fLastPacket = at;
    }
}

std::size_t TBridgePacing::Available(clock::time_point now) {
    Deliver(now);
    return fHost.size();
}

std::size_t TBridgePacing::Read(std::uint8_t* buffer, std::size_t max, clock::time_point now) {
    Deliver(now);
    const std::size_t n = std::min(max, fHost.size());
    std::copy_n(fHost.begin(), n, buffer);
    fHost.erase(fHost.begin(), fHost.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void TBridgePacing::Purge() {
    fWire.clear();
    fHost.clear();
}
