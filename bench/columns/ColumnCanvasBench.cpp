#include "columns/ColumnCanvas.h"
#include "columns/ColumnLayout.h"
#include "columns/ColumnMetrics.h"
#include "columns/ColumnWidthsConfig.h"
#include "columns/ColumnWrapCache.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "platform/UndoManager.h"
#include "support/SermonTrees.h"
#include "support/ShownCanvas.h"
#include "support/Typing.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <random>

using namespace kestrion;

namespace {

struct CanvasBench : bench::ShownCanvas<ColumnCanvas> {
    explicit CanvasBench(int nodes)
        : ShownCanvas(bench::makeSermonTree(nodes, 11))
    {
    }
};

// A sermon in English (script 0), in Chinese, whose sentences wrap without spaces (script 1),
// or in English with every point led by a marker from the colour emoji font (script 2).
SermonNodePtr sermonInScript(int count, int64_t script)
{
    if (script == 1)
        return bench::makeChineseSermonTree(count, 11);
    SermonNodePtr root = bench::makeSermonTree(count, 11);
    return script == 2 ? bench::markEveryNode(root) : root;
}

// Laying out a whole sermon with nothing wrapped yet: the first show of columns mode.
void BM_ColumnLayoutCold(benchmark::State& state)
{
    const SermonNodePtr root = sermonInScript(static_cast<int>(state.range(0)), state.range(1));
    qsizetype lines = 0;
    for (auto _ : state) {
        ColumnWrapCache cache;
        const ColumnLayout layout = ColumnLayout::build(root, ColumnWidthsConfig(), cache);
        lines = static_cast<qsizetype>(layout.totalSize.height() / ColumnMetrics::lineHeight);
        benchmark::DoNotOptimize(layout);
    }
    state.counters["rows"] = static_cast<double>(lines);
}
BENCHMARK(BM_ColumnLayoutCold)
    ->ArgsProduct({ { 5000, 50000, 300000 }, { 0, 1, 2 } })
    ->ArgNames({ "nodes", "script" })
    ->Unit(benchmark::kMillisecond);

// Opening a sermon in columns and completing its layout, as the first structural edit after
// opening does: the rows in view first, then every other box, wrapped on the worker threads
// too.
void BM_ColumnOpenAndCompleteLayout(benchmark::State& state)
{
    const SermonNodePtr root = sermonInScript(static_cast<int>(state.range(0)), state.range(1));
    for (auto _ : state) {
        bench::ShownCanvas<ColumnCanvas> shown(root);
        shown.canvas.relayoutColumns(false);
        benchmark::DoNotOptimize(shown.canvas.layout().frameCount());
    }
}
BENCHMARK(BM_ColumnOpenAndCompleteLayout)
    ->ArgsProduct({ { 5000, 50000, 300000 }, { 0, 1, 2 } })
    ->ArgNames({ "nodes", "script" })
    ->Unit(benchmark::kMillisecond);

// What one keystroke in the column editor costs: one node's text changes, then the canvas lays
// the whole sermon out again (layout, lookup maps, pan limits, frames shown at once).
void BM_ColumnRelayoutAfterEdit(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    const std::vector<SermonNodePtr> nodes = bench.document.root()->allNodes();
    std::mt19937 random(5);
    int round = 0;
    for (auto _ : state) {
        SermonNode& node = *nodes[random() % nodes.size()];
        node.setText(QStringLiteral("Edited words number %1 of the sermon").arg(++round));
        bench.canvas.relayoutColumns(false);
    }
    state.counters["frames"] = static_cast<double>(bench.canvas.layout().frameCount());
}
BENCHMARK(BM_ColumnRelayoutAfterEdit)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// One keystroke in the column editor of a large sermon: the typed text goes into the node and
// the node is drawn anew; a layout follows only when the node's number of lines changes.
void BM_ColumnKeystroke(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    const std::vector<SermonNodePtr> nodes = bench.document.root()->allNodes();
    const SermonNodePtr edited = nodes[nodes.size() / 2];
    bench.canvas.beginColumnEditing(edited->id(), false);
    const QString text = edited->text();
    int round = 0;
    for (auto _ : state)
        bench.canvas.controller().setEditingText(text + QString::number(++round % 10));
}
BENCHMARK(BM_ColumnKeystroke)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMicrosecond);

// The same keystroke as the keyboard gives it to the column editor, with the document told of
// the edit and the frame that follows drawn.
void BM_ColumnTypedKeystroke(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    const std::vector<SermonNodePtr> nodes = bench.document.root()->allNodes();
    bench.canvas.beginColumnEditing(nodes[nodes.size() / 2]->id(), false);
    QCoreApplication::processEvents();
    bench::Typist typist(bench::editorTextView(bench.canvas.editorOverlay()));
    for (auto _ : state)
        typist.keystroke();
}
BENCHMARK(BM_ColumnTypedKeystroke)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMicrosecond);

// One paint of a full 1440 by 900 window of columns, every shown text already wrapped: at the
// top left; scrolled to the middle by 700 with pinned headers and a strip; and by 1300, where
// the deep columns full of leaves fill the window beside two strips.
void BM_ColumnPaint(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    const qreal scrollX = state.range(1) == 0 ? 0 : state.range(1) == 1 ? 700 : 1300;
    if (scrollX > 0)
        bench.canvas.scrollColumnsBy(-scrollX, -bench.canvas.layout().totalSize().height() / 2);
    const ColumnRenderer::Stats stats = bench::paintFrames(state, bench.canvas);
    state.counters["texts"] = stats.texts;
}
BENCHMARK(BM_ColumnPaint)->Args({ 5000, 0 })->Args({ 5000, 1 })->Args({ 5000, 2 })->Unit(benchmark::kMillisecond);

} // namespace
