// Throughput of the link's ring buffer in the block forms the link uses.
#include "FastRingBufferByte.h"

#include <benchmark/benchmark.h>

static void BM_BlockAddRead(benchmark::State& state) {
    TFastRingBufferByte rb(0x80000, false);
    tByteBuffer block(static_cast<std::size_t>(state.range(0)), 0xA5), out;
    for (auto _ : state) {
        rb.Add(block);
        rb.Read(out, -1);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_BlockAddRead)->Arg(64)->Arg(16384);

static void BM_ByteAddGet(benchmark::State& state) {
    TFastRingBufferByte rb(0x80000, false);
    std::uint8_t b = 0;
    for (auto _ : state) {
        rb.Add(b);
        rb.Get(b);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ByteAddGet);
