#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/UndoManager.h"
#include "support/SermonTrees.h"
#include "support/ShownCanvas.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

using namespace kestrion;

namespace {

// The shared sermon shape, one leaf in six a quote.
SermonNodePtr makeSermon(int count)
{
    std::mt19937 random(11);
    SermonNodePtr root = bench::makeSermonTree(count, 11);
    for (const SermonNodePtr& node : root->allNodes()) {
        if (!node->hasChildren() && random() % 6 == 0)
            node->setQuote(true);
    }
    return root;
}

struct CanvasBench : bench::ShownCanvas<MindMapCanvas> {
    explicit CanvasBench(int nodes)
        : ShownCanvas(makeSermon(nodes))
    {
    }
};

// Whole frames of the canvas as it stands, every shown text already rendered.
void paintFrames(benchmark::State& state, MindMapCanvas& canvas)
{
    const MindMapRenderer::Stats stats = bench::paintFrames(state, canvas);
    state.counters["drawn"] = stats.drawn;
    state.counters["nodes"] = static_cast<double>(canvas.cachedLayouts().size());
}

// One frame of a 1,000-node sermon at scale 1.
void BM_CanvasPaintWarm(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    paintFrames(state, bench.canvas);
}
BENCHMARK(BM_CanvasPaintWarm)->Arg(1000)->Unit(benchmark::kMillisecond);

// The same frame with the view on the middle of the tree, where the nodes are densest.
void BM_CanvasPaintWarmMiddle(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    bench.canvas.centreOnPoint(bench.canvas.cachedContentBounds().center());
    paintFrames(state, bench.canvas);
}
BENCHMARK(BM_CanvasPaintWarmMiddle)->Arg(1000)->Unit(benchmark::kMillisecond);

// The whole map at 10 %, where every connector is in view.
void BM_CanvasPaintZoomedOut(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    bench.canvas.setScale(0.1);
    bench.canvas.centreOnPoint(bench.canvas.cachedContentBounds().center());
    paintFrames(state, bench.canvas);
}
BENCHMARK(BM_CanvasPaintZoomedOut)->Arg(5000)->Unit(benchmark::kMillisecond);

// What one blink of the node editor's caret costs the map: the few points under the caret.
void BM_CanvasCaretRepaint(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    bench.canvas.centreOnPoint(bench.canvas.cachedContentBounds().center());
    QImage image(bench.canvas.size(), QImage::Format_ARGB32_Premultiplied);
    const QRect caret(720, 450, 2, 18);
    auto paint = [&] {
        QPainter painter(&image);
        painter.setClipRect(caret);
        return bench.canvas.renderCanvas(painter, QSizeF(image.size()), caret);
    };
    for (auto _ : state)
        benchmark::DoNotOptimize(paint());
}
BENCHMARK(BM_CanvasCaretRepaint)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// One edit: a new child of a main point, with its undo snapshot, the cleared text cache and
// the new layout of the whole tree.
void BM_CanvasAddChild(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    DocumentController& controller = bench.canvas.controller();
    const SermonNodePtr point = bench.document.root()->children().front();
    for (auto _ : state) {
        controller.selectSingleNode(point->id());
        controller.addChild();
        state.PauseTiming();
        controller.setEditingNodeID(std::nullopt);
        point->mutableChildren().pop_back();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_CanvasAddChild)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace
