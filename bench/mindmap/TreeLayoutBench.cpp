#include "mindmap/TreeLayout.h"
#include "support/SermonTrees.h"

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

// A pass over a tree that has not changed since the last.
void BM_LayoutTree(benchmark::State& state)
{
    const auto root = bench::makeSermonTree(static_cast<int>(state.range(0)), 7);
    NodeLayoutMap layouts;
    TreeLayoutCache cache;
    layoutTree(root, cache, { &layouts, nullptr, nullptr });
    for (auto _ : state)
        benchmark::DoNotOptimize(layoutTree(root, cache, { &layouts, nullptr, nullptr }));
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_LayoutTree)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

// The first layout of a document nobody has measured yet.
void BM_LayoutTreeCold(benchmark::State& state)
{
    const auto root = bench::makeSermonTree(static_cast<int>(state.range(0)), 7);
    for (auto _ : state)
        benchmark::DoNotOptimize(layoutTree(root));
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_LayoutTreeCold)->Arg(5000)->Unit(benchmark::kMillisecond);

// One edit: a node's text changes, then the tree is laid out again as the canvas does it.
void BM_LayoutTreeAfterEdit(benchmark::State& state)
{
    const auto root = bench::openedSermonTree(bench::makeSermonTree(static_cast<int>(state.range(0)), 7));
    NodeLayoutMap layouts;
    TreeLayoutCache cache;
    layoutTree(root, cache, { &layouts, nullptr, nullptr });
    const SermonNodePtr edited = root->children().front();
    int round = 0;
    for (auto _ : state) {
        edited->setText(QStringLiteral("Edited point %1").arg(round++));
        benchmark::DoNotOptimize(layoutTree(root, cache, { &layouts, nullptr, nullptr }));
    }
}
BENCHMARK(BM_LayoutTreeAfterEdit)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

} // namespace
