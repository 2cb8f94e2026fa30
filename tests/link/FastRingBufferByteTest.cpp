#include "FastRingBufferByte.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

tByteBuffer Drain(TFastRingBufferByte& rb) {
    tByteBuffer out;
    std::uint8_t b;
    while (rb.Get(b)) out.push_back(b);
    return out;
}

TEST(RingBuffer, FullBufferRefusesWithoutOverwrite) {
    TFastRingBufferByte rb(4, false);
    for (std::uint8_t i = 1; i <= 4; ++i) EXPECT_TRUE(rb.Add(i));
    EXPECT_FALSE(rb.Add(5));
    EXPECT_EQ(rb.GetCount(), 4);
    EXPECT_EQ(Drain(rb), (tByteBuffer{1, 2, 3, 4}));
}

TEST(RingBuffer, OverwriteReplacesTheOldest) {
    TFastRingBufferByte rb(4, true);
    for (std::uint8_t i = 1; i <= 5; ++i) EXPECT_TRUE(rb.Add(i));
    EXPECT_EQ(rb.GetCount(), 4);
    EXPECT_EQ(Drain(rb), (tByteBuffer{2, 3, 4, 5}));
}

TEST(RingBuffer, BlockAddStopsAtFirstRefusedByte) {
    TFastRingBufferByte rb(4, false);
    const std::uint8_t src[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(rb.Add(src, 6));
    EXPECT_EQ(Drain(rb), (tByteBuffer{1, 2, 3, 4}));
    EXPECT_TRUE(rb.Add(tByteBuffer{7, 8}));
    EXPECT_TRUE(rb.Add(tByteBuffer{}));
    EXPECT_EQ(Drain(rb), (tByteBuffer{7, 8}));
}

TEST(RingBuffer, WrapsAroundInOrder) {
    TFastRingBufferByte rb(5, false);
    std::uint8_t b;
    for (std::uint8_t i = 0; i < 3; ++i) rb.Add(i);
    for (int i = 0; i < 3; ++i) rb.Get(b);
    for (std::uint8_t i = 10; i < 15; ++i) EXPECT_TRUE(rb.Add(i)); // crosses the end of the storage
    tByteBuffer out;
    EXPECT_TRUE(rb.Read(out, 10));
    EXPECT_EQ(out, (tByteBuffer{10, 11, 12, 13, 14}));
    EXPECT_EQ(rb.GetCount(), 0);
}

TEST(RingBuffer, BlockRead) {
    struct {
        int held, maxRead, taken;
    } cases[] = {{3, -1, 3}, {3, 10, 3}, {3, 2, 2}, {0, -1, 0}, {0, 5, 0}, {3, 0, 0}};
    for (const auto& tc : cases) {
        TFastRingBufferByte rb(8, false);
        for (int i = 0; i < tc.held; ++i) rb.Add(static_cast<std::uint8_t>(i + 1));
        tByteBuffer out{9, 9, 9, 9};
        EXPECT_EQ(rb.Read(out, tc.maxRead), tc.taken > 0);
        ASSERT_EQ(out.size(), static_cast<std::size_t>(tc.taken));
        for (int i = 0; i < tc.taken; ++i) EXPECT_EQ(out[static_cast<std::size_t>(i)], i + 1);
        EXPECT_EQ(rb.GetCount(), tc.held - tc.taken);
    }
}

TEST(RingBuffer, PeekClearAndCopy) {
    TFastRingBufferByte rb(4, true);
    std::uint8_t b = 0;
    EXPECT_FALSE(rb.Read(b));
    rb.Add(tByteBuffer{1, 2, 3});
    EXPECT_TRUE(rb.Read(b));
    EXPECT_EQ(b, 1);
    EXPECT_EQ(rb.GetCount(), 3);

    TFastRingBufferByte copy(rb);
    rb.Clear();
    EXPECT_EQ(rb.GetCount(), 0);
    EXPECT_FALSE(rb.Get(b));
    EXPECT_TRUE(rb.Add(4)); // still usable after Clear
    EXPECT_EQ(Drain(rb), (tByteBuffer{4}));

    // The copy keeps contents, capacity and overwrite setting on its own.
    EXPECT_EQ(copy.Capacity(), 4);
    copy.Add(tByteBuffer{4, 5});
    EXPECT_EQ(Drain(copy), (tByteBuffer{2, 3, 4, 5}));
}

TEST(RingBuffer, Browsing) {
    TFastRingBufferByte rb(4, false);
    std::uint8_t b = 0;
    EXPECT_FALSE(rb.getFirst(b));
    EXPECT_FALSE(rb.getLast(b));
    for (std::uint8_t i = 1; i <= 4; ++i) rb.Add(i); // Last wraps to 0
    EXPECT_TRUE(rb.getLast(b));
    EXPECT_EQ(b, 4); // the byte in the storage's last slot
    EXPECT_TRUE(rb.getPrevious(b));
    EXPECT_EQ(b, 3);
    rb.Get(b);
    rb.Get(b); // held: 3, 4 at slots 2, 3
    EXPECT_TRUE(rb.getFirst(b));
    EXPECT_EQ(b, 3);
    EXPECT_TRUE(rb.getNext(b));
    EXPECT_EQ(b, 4);
    EXPECT_FALSE(rb.getNext(b)); // slot 0 is outside the held region
    EXPECT_FALSE(rb.getNext(b));
    EXPECT_TRUE(rb.getNext(b)); // slot 2 again
    EXPECT_EQ(b, 3);
    EXPECT_FALSE(rb.getPrevious(b));
    EXPECT_EQ(rb.GetCount(), 2); // browsing removes nothing
}

// A sequence in which a lost, doubled or swapped byte shows at once.
std::uint8_t Pattern(std::uint32_t i) { return static_cast<std::uint8_t>(i ^ (i >> 8) ^ (i >> 16) ^ 0x5A); }

TEST(RingBuffer, ProducerAndConsumerThreadsLoseNothing) {
    constexpr std::uint32_t total = 3'000'000;
    TFastRingBufferByte rb(257, false);
    std::thread producer([&] {
        std::uint32_t sent = 0;
        std::uint8_t block[61];
        while (sent < total) {
            std::int32_t n = static_cast<std::int32_t>(std::min<std::uint32_t>(1 + sent % 61, total - sent));
            if (n == 1) {
                if (rb.Add(Pattern(sent))) ++sent;
            } else if (rb.Capacity() - rb.GetCount() >= n) {
                // The consumer only frees space, so a block that fits now is taken whole.
                for (std::int32_t i = 0; i < n; ++i) block[i] = Pattern(sent + static_cast<std::uint32_t>(i));
                ASSERT_TRUE(rb.Add(block, n));
                sent += static_cast<std::uint32_t>(n);
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::uint32_t received = 0, mismatches = 0;
    tByteBuffer chunk;
    while (received < total) {
        if (received % 2 == 0) {
            std::uint8_t b;
            if (rb.Get(b)) {
                if (b != Pattern(received)) ++mismatches;
                ++received;
            }
        } else if (rb.Read(chunk, 97)) {
            for (std::uint8_t b : chunk) {
                if (b != Pattern(received)) ++mismatches;
                ++received;
            }
        }
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(received, total);
    EXPECT_EQ(rb.GetCount(), 0);
}

} // namespace
