#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/UndoManager.h"
#include "support/ProcessMemory.h"
#include "support/SermonTrees.h"
#include "support/ShownCanvas.h"
#include "support/Typing.h"

#include <QCoreApplication>

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace kestrion;

namespace {

// The file of a sermon of the shared shape, one leaf in six a quote.
QByteArray sermonFile(int count)
{
    std::mt19937 random(11);
    SermonNodePtr root = bench::makeSermonTree(count, 11);
    for (const SermonNodePtr& node : root->allNodes()) {
        if (!node->hasChildren() && random() % 6 == 0)
            node->setQuote(true);
    }
    return bench::sermonFile(root);
}

// Such a sermon as the editor holds it once the file is open.
SermonNodePtr makeSermon(int count)
{
    return SermonDocument::readDocument(sermonFile(count))->root();
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
BENCHMARK(BM_CanvasPaintWarm)->Arg(1000)->Arg(300000)->Unit(benchmark::kMillisecond);

// One frame with the title in view, halfway down the map, when the title has 1,000 main
// points: every main point's connector crosses the view. At 100 % and at 10 %.
void BM_CanvasPaintWideTitle(benchmark::State& state)
{
    bench::ShownCanvas<MindMapCanvas> bench(
        bench::openedSermonTree(bench::makeSermonTree(static_cast<int>(state.range(0)), 11, 1000)));
    bench.canvas.setScale(static_cast<qreal>(state.range(1)) / 100);
    const NodeLayout title = bench.canvas.cachedLayouts().value(bench.document.root()->id());
    bench.canvas.centreOnPoint(QRectF(title.origin, title.size).center());
    paintFrames(state, bench.canvas);
}
BENCHMARK(BM_CanvasPaintWideTitle)->Args({ 300000, 100 })->Args({ 300000, 10 })->Unit(benchmark::kMillisecond);

// The first frame after an edit: what the drawing derives from a new layout, then the frame.
void BM_CanvasPaintAfterEdit(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    DocumentController& controller = bench.canvas.controller();
    const QUuid point = bench.document.root()->children().front()->id();
    QImage image(bench.canvas.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        controller.selectSingleNode(point);
        controller.addChild();
        controller.setEditingNodeID(std::nullopt);
        image.fill(Qt::transparent);
        state.ResumeTiming();
        QPainter painter(&image);
        benchmark::DoNotOptimize(bench.canvas.renderCanvas(painter, QSizeF(image.size())));
    }
}
BENCHMARK(BM_CanvasPaintAfterEdit)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

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

// One frame with every node selected, on the middle of the tree where the nodes are densest,
// at 100 % and at 10 %: each shown outline keeps clear of its neighbours.
void BM_CanvasPaintAllSelected(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    bench.canvas.setScale(static_cast<qreal>(state.range(1)) / 100);
    bench.canvas.centreOnPoint(bench.canvas.cachedContentBounds().center());
    bench.canvas.selectAllNodes();
    paintFrames(state, bench.canvas);
}
BENCHMARK(BM_CanvasPaintAllSelected)
    ->Args({ 5000, 100 })
    ->Args({ 50000, 100 })
    ->Args({ 300000, 100 })
    ->Args({ 50000, 10 })
    ->Unit(benchmark::kMillisecond);

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

// One keystroke in the node editor of a point in the middle of the sermon: the typed text
// goes to the controller, the editor grows or shrinks, and the frame is drawn.
void BM_CanvasKeystroke(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    const std::vector<SermonNodePtr> nodes = bench.document.root()->allNodes();
    const QUuid edited = nodes[nodes.size() / 2]->id();
    bench.canvas.centreOnPoint(bench.canvas.cachedLayouts().value(edited).origin);
    bench.canvas.beginEditingNode(edited, false);
    QCoreApplication::processEvents();
    bench::Typist typist(bench::editorTextView(bench.canvas.nodeEditor()));
    for (auto _ : state)
        typist.keystroke();
    state.counters["nodes"] = static_cast<double>(nodes.size());
}
BENCHMARK(BM_CanvasKeystroke)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMicrosecond);

// One edit: a new child of a main point, with its undo snapshot, the cleared text cache and
// the new layout of the whole tree.
void BM_CanvasAddChild(benchmark::State& state)
{
    bench::resetPeakResident();
    CanvasBench bench(static_cast<int>(state.range(0)));
    DocumentController& controller = bench.canvas.controller();
    const SermonNodePtr point = bench.document.root()->children().front();
    for (auto _ : state) {
        controller.selectSingleNode(point->id());
        controller.addChild();
        state.PauseTiming();
        controller.setEditingNodeID(std::nullopt);
        point->mutableChildren().pop_back();
        // What the event loop does between two key presses.
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(state.range(0));
    state.counters["peakMB"] = bench::peakResidentMegabytes();
}
BENCHMARK(BM_CanvasAddChild)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// What such an edit costs a second map of the sermon that is shown (the focus window's, or the
// document window's behind it): once the event loop turns, it lays the tree out again and draws
// its frame. The map that edits is hidden, so that its own frame is not counted.
void BM_AnotherMapFollowsAnEdit(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    bench.canvas.hide();
    MindMapCanvas other(bench.document, &bench.undoManager);
    other.resize(bench.canvas.size());
    other.show();
    QCoreApplication::processEvents();
    DocumentController& controller = bench.canvas.controller();
    const SermonNodePtr point = bench.document.root()->children().front();
    for (auto _ : state) {
        state.PauseTiming();
        controller.selectSingleNode(point->id());
        controller.addChild();
        controller.setEditingNodeID(std::nullopt);
        state.ResumeTiming();
        QCoreApplication::processEvents();
        state.PauseTiming();
        point->mutableChildren().pop_back();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(state.range(0));
    state.counters["followed"] = other.cachedLayouts().size() == bench.canvas.cachedLayouts().size();
}
BENCHMARK(BM_AnotherMapFollowsAnEdit)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// Undoing such an edit: the tree restored from its step, laid out again, its moves animated.
void BM_CanvasUndo(benchmark::State& state)
{
    CanvasBench bench(static_cast<int>(state.range(0)));
    DocumentController& controller = bench.canvas.controller();
    const QUuid point = bench.document.root()->children().front()->id();
    for (auto _ : state) {
        state.PauseTiming();
        controller.selectSingleNode(point);
        controller.addChild();
        controller.setEditingNodeID(std::nullopt);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        bench.document.undo();
    }
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_CanvasUndo)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// Each time: the file read, laid out for the first time and its first frame painted.
void openAndPaint(benchmark::State& state, const QByteArray& file)
{
    QImage image(1440, 900, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        std::unique_ptr<SermonDocument> document = SermonDocument::readDocument(file);
        auto canvas = std::make_unique<MindMapCanvas>(*document);
        canvas->resize(image.size());
        canvas->show();
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            benchmark::DoNotOptimize(canvas->renderCanvas(painter, QSizeF(image.size())));
        }
        state.PauseTiming();
        canvas.reset();
        document.reset();
        state.ResumeTiming();
    }
}

// What the window does for a file: read it, lay it out for the first time and paint the first
// frame, with no text measured before.
void BM_OpenSermon(benchmark::State& state)
{
    bench::resetPeakResident();
    const QByteArray file = sermonFile(static_cast<int>(state.range(0)));
    openAndPaint(state, file);
    state.counters["fileMB"] = static_cast<double>(file.size()) / (1024.0 * 1024.0);
    state.counters["peakMB"] = bench::peakResidentMegabytes();
}
// 870,000 nodes make a file of about 50 MB.
BENCHMARK(BM_OpenSermon)->Arg(5000)->Arg(300000)->Arg(870000)->Unit(benchmark::kMillisecond);

// The same for a sermon whose every point begins with one of the nine markers, taken from the
// colour emoji font in their turn.
void BM_OpenMarkedSermon(benchmark::State& state)
{
    const SermonNodePtr root = bench::markEveryNode(bench::makeSermonTree(static_cast<int>(state.range(0)), 11));
    const QByteArray file = bench::sermonFile(root);
    openAndPaint(state, file);
}
BENCHMARK(BM_OpenMarkedSermon)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// The process's memory with a sermon open, then after 50 edits as a user makes them (Tab on a
// point, a few words, Return), each a step of the undo history. Run it alone: what earlier
// benchmarks freed may still count as resident.
void BM_MemoryAfterEdits(benchmark::State& state)
{
    for (auto _ : state) {
        bench::resetPeakResident();
        auto sermon = std::make_unique<CanvasBench>(static_cast<int>(state.range(0)));
        MindMapCanvas& canvas = sermon->canvas;
        QImage image(canvas.size(), QImage::Format_ARGB32_Premultiplied);
        auto paint = [&] {
            image.fill(Qt::transparent);
            QPainter painter(&image);
            canvas.renderCanvas(painter, QSizeF(image.size()));
        };
        paint();
        const double opened = bench::residentMegabytes();
        const auto& points = sermon->document.root()->children();
        for (int edit = 0; edit < 50; ++edit) {
            canvas.controller().selectSingleNode(points[static_cast<size_t>(edit) % points.size()]->id());
            canvas.performEditingCommand(&DocumentController::addChild);
            canvas.controller().setEditingText(QStringLiteral("A new thought, number %1").arg(edit));
            canvas.endEditing(true);
            paint();
            QCoreApplication::processEvents();
        }
        const double edited = bench::residentMegabytes();
        state.counters["openMB"] = opened;
        state.counters["after50EditsMB"] = edited;
        state.counters["ratio"] = edited / opened;
        state.counters["peakMB"] = bench::peakResidentMegabytes();
        state.counters["undoSteps"] = static_cast<double>(sermon->document.undoStack().size());
    }
}
BENCHMARK(BM_MemoryAfterEdits)->Arg(300000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
