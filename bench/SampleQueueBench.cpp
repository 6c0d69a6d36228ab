#include <benchmark/benchmark.h>

#include "chain/ChannelBlock.h"
#include "chain/SampleQueue.h"

namespace {

// One 64-frame stereo block in and out of a queue at its working size.
void BM_SampleQueueBlockRoundTrip(benchmark::State& state) {
    veltra::SampleQueue queue;
    float** block = veltra::allocateChannelBlock(2, 64);
    for (int c = 0; c < 2; ++c)
        for (int f = 0; f < 64; ++f) block[c][f] = static_cast<float>(f);
    queue.reserve(4096);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark idiom
        queue.pushDeinterleaved(block, 2, 64);
        queue.popDeinterleaved(block, 2, 64);
        benchmark::DoNotOptimize(block[1][63]);
    }
    state.SetItemsProcessed(state.iterations() * 64);
    veltra::freeChannelBlock(block, 2);
}
BENCHMARK(BM_SampleQueueBlockRoundTrip);

}  // namespace
