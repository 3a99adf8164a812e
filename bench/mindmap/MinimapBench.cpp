#include "mindmap/CanvasGeometry.h"
#include "mindmap/MinimapCacheKey.h"
#include "mindmap/MinimapOverlay.h"
#include "mindmap/MinimapRenderer.h"
#include "mindmap/TreeLayout.h"
#include "mindmap/TreeNodeSnapshot.h"
#include "support/SermonTrees.h"

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

// The minimap's input as the overlay makes it, at display scale 2.
MinimapRenderer::Input minimapInput(const SermonNodePtr& root)
{
    MinimapRenderer::Input input;
    input.layouts = layoutTree(root);
    input.root = TreeNodeSnapshot::make(root, input.layouts.size());
    input.contentBounds = computeContentBounds(input.layouts);
    const qreal s = MinimapOverlay::minimapScale(input.contentBounds, 180, 180, 8);
    input.pixelSize = MinimapOverlay::minimapImageRect(input.contentBounds, s, 8).size() * 2;
    return input;
}

// One render, as the background task runs it; it must keep up with a frame.
void BM_MinimapRender(benchmark::State& state)
{
    const auto root = bench::makeSermonTree(static_cast<int>(state.range(0)), 7);
    const MinimapRenderer::Input input = minimapInput(root);
    for (auto _ : state)
        benchmark::DoNotOptimize(MinimapRenderer::renderMinimap(input));
    state.counters["nodes"] = static_cast<double>(input.layouts.size());
    state.counters["px"] = input.pixelSize.width() * input.pixelSize.height();
}
BENCHMARK(BM_MinimapRender)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// The same render with the sermon's main points folded: a short, wide map.
void BM_MinimapRenderFolded(benchmark::State& state)
{
    const auto root = bench::makeSermonTree(static_cast<int>(state.range(0)), 7);
    for (const SermonNodePtr& point : root->children()) {
        for (const SermonNodePtr& sub : point->children())
            sub->setCollapsed(true);
    }
    const MinimapRenderer::Input input = minimapInput(root);
    for (auto _ : state)
        benchmark::DoNotOptimize(MinimapRenderer::renderMinimap(input));
    state.counters["nodes"] = static_cast<double>(input.layouts.size());
}
BENCHMARK(BM_MinimapRenderFolded)->Arg(5000)->Unit(benchmark::kMillisecond);

// The snapshot is built on the main thread for every new key, so it holds up typing.
void BM_TreeNodeSnapshot(benchmark::State& state)
{
    const auto root = bench::makeSermonTree(static_cast<int>(state.range(0)), 7);
    // The overlay knows how many nodes are laid out, so the copy never grows.
    const qsizetype visible = static_cast<qsizetype>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(TreeNodeSnapshot::make(root, visible));
}
BENCHMARK(BM_TreeNodeSnapshot)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// The key is computed on the main thread after every layout change.
void BM_MinimapCacheKey(benchmark::State& state)
{
    const auto root = bench::makeSermonTree(static_cast<int>(state.range(0)), 7);
    const NodeLayoutMap layouts = layoutTree(root);
    const QRectF bounds = computeContentBounds(layouts);
    for (auto _ : state)
        benchmark::DoNotOptimize(makeMinimapCacheKey(root, layouts, bounds, QSizeF(164, 164), 2, false));
}
BENCHMARK(BM_MinimapCacheKey)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

} // namespace
