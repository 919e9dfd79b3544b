// Decoding a full receive buffer of logger points into the ring and scanning it for alarms,
// against a loop that only copies the same bytes (the memory-bound floor).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "logger/LoggerLink.h"
#include "wave/WaveBuffer.h"

namespace {

std::atomic<long> g_allocations{0};

constexpr int kPointSize = 48;
constexpr int kBlockBytes =
    static_cast<int>(velatrace::kReceiveBufferSize) / kPointSize * kPointSize;

std::vector<uint8_t> MakeBlock() {
    std::vector<uint8_t> block(velatrace::kReceiveBufferSize);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    for (int k = 0; k < kBlockBytes / kPointSize; ++k) {
        block[k * kPointSize + 39] = 0;  // no alarms: the scan visits every record and channel
        block[k * kPointSize + 40] = 0;
    }
    return block;
}

void BM_DecodeBlockAndScanAlarms(benchmark::State& state) {
    auto wave = std::make_unique<velatrace::WaveBuffer>();
    velatrace::LoggerSetup setup;
    setup.bytesPerPoint = kPointSize;
    setup.channelCount = 10;
    const velatrace::PointLayout layout(setup);
    const std::vector<uint8_t> block = MakeBlock();
    const long before = g_allocations.load();
    for (auto _ : state) {
        const int32_t n = wave->AppendPoints(layout, block.data(), kBlockBytes);
        benchmark::DoNotOptimize(wave->ScanAlarms(setup, n));
        benchmark::ClobberMemory();
    }
    state.counters["allocations"] = static_cast<double>(g_allocations.load() - before);
    state.SetBytesProcessed(state.iterations() * kBlockBytes);
}
BENCHMARK(BM_DecodeBlockAndScanAlarms);

void BM_CopyBlockFloor(benchmark::State& state) {
    const std::vector<uint8_t> block = MakeBlock();
    std::vector<uint8_t> target(block.size());
    for (auto _ : state) {
        const uint8_t* src = block.data();
        uint8_t* dst = target.data();
        for (int i = 0; i < kBlockBytes; ++i) {
            dst[i] = src[i];
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBlockBytes);
}
BENCHMARK(BM_CopyBlockFloor);

}  // namespace

void* operator new(size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

BENCHMARK_MAIN();
