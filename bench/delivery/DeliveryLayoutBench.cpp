#include "delivery/DeliveryContentLayout.h"
#include "support/SermonTrees.h"

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

// Switching to delivery: the whole page laid out with its minute markers (a 40-minute sermon).
void BM_DeliveryLayoutBuild(benchmark::State& state)
{
    const SermonNodePtr root = bench::makeSermonTree(static_cast<int>(state.range(0)), 11);
    for (auto _ : state)
        benchmark::DoNotOptimize(DeliveryContentLayout::build(root, 40, 700, 15, 1.8));
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_DeliveryLayoutBuild)->Arg(1000)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace
