#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryFonts.h"
#include "delivery/DeliveryMeasureKeeper.h"
#include "delivery/DeliveryMeasures.h"
#include "document/SermonDocument.h"
#include "support/SermonTrees.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

// Switching to delivery: the whole page laid out with its minute markers (a 40-minute sermon).
// Every point led by a marker from the colour emoji font when marked is 1.
void BM_DeliveryLayoutBuild(benchmark::State& state)
{
    SermonNodePtr root = bench::makeSermonTree(static_cast<int>(state.range(0)), 11);
    if (state.range(1) == 1)
        root = bench::markEveryNode(root);
    for (auto _ : state)
        benchmark::DoNotOptimize(DeliveryContentLayout::build(root, 40, 700, 15, 1.8));
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_DeliveryLayoutBuild)
    ->ArgsProduct({ { 1000, 5000, 50000 }, { 0, 1 } })
    ->ArgNames({ "nodes", "marked" })
    ->Unit(benchmark::kMillisecond);

// The same from measures kept for every text, as entering delivery finds them.
void BM_DeliveryLayoutFromKeptMeasures(benchmark::State& state)
{
    const SermonNodePtr root = bench::makeWordedSermonTree(static_cast<int>(state.range(0)));
    DeliveryFonts fonts(15);
    DeliveryMeasures measures;
    DeliveryContentLayout::build(root, 40, 700, fonts, 1.8, &measures);
    for (auto _ : state)
        benchmark::DoNotOptimize(DeliveryContentLayout::build(root, 40, 700, fonts, 1.8, &measures));
    state.counters["nodes"] = static_cast<double>(measures.size());
}
BENCHMARK(BM_DeliveryLayoutFromKeptMeasures)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// What the document's rest after an edit costs the window's thread: the pass that walks the
// tree (in slices between other events) and measures the one text typed into, all slices
// together.
void BM_DeliveryMeasuresAfterEdit(benchmark::State& state)
{
    SermonDocument document(bench::makeWordedSermonTree(static_cast<int>(state.range(0))));
    DeliveryMeasureKeeper keeper(document, [] { return DeliveryMeasureKeeper::Target { 15, 700 }; });
    keeper.refresh();
    keeper.finishWork();
    const std::vector<SermonNodePtr> nodes = document.root()->allNodes();
    SermonNode& edited = *nodes[nodes.size() / 2];
    const QString text = edited.text();
    int round = 0;
    for (auto _ : state) {
        document.writeNodeText(edited, text + QString::number(++round % 10));
        keeper.refresh();
        keeper.finishWork();
    }
    state.counters["nodes"] = static_cast<double>(nodes.size());
}
BENCHMARK(BM_DeliveryMeasuresAfterEdit)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

} // namespace
