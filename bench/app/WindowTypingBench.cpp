#include "app/AppMode.h"
#include "app/ContentView.h"
#include "columns/ColumnCanvas.h"
#include "delivery/DeliveryMeasureKeeper.h"
#include "support/OpenSermon.h"
#include "support/Typing.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

// One keystroke into a point in the middle of a sermon open in its window, on the map (0) or in
// the columns (1), with all that the window does for it: the document told of the edit, and
// whatever listens to the document, before the next key. The window has settled first: the
// work it does once after opening is done.
void BM_KeystrokeInWindow(benchmark::State& state)
{
    bench::OpenSermon sermon(bench::makeWordedSermonTree(static_cast<int>(state.range(0))));
    ContentView& view = *sermon.window->contentView();
    const std::vector<SermonNodePtr> nodes = sermon.document->document().root()->allNodes();
    const QUuid edited = nodes[nodes.size() / 2]->id();
    QWidget* editor = nullptr;
    if (state.range(1) == 0) {
        sermon.canvas->centreOnPoint(sermon.canvas->cachedLayouts().value(edited).origin);
        sermon.canvas->beginEditingNode(edited, false);
        editor = bench::editorTextView(sermon.canvas->nodeEditor());
    } else {
        view.setMode(AppMode::Columns);
        while (!view.columnCanvas()->isLayoutComplete())
            QCoreApplication::processEvents();
        view.columnCanvas()->beginColumnEditing(edited, false);
        editor = bench::editorTextView(view.columnCanvas()->editorOverlay());
    }
    DeliveryMeasureKeeper& measures = view.deliveryMeasures();
    measures.refresh();
    while (!measures.isIdle())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    bench::Typist typist(editor);
    for (auto _ : state)
        typist.keystroke();
    state.counters["nodes"] = static_cast<double>(nodes.size());
}
BENCHMARK(BM_KeystrokeInWindow)
    ->Args({ 5000, 0 })
    ->Args({ 50000, 0 })
    ->Args({ 300000, 0 })
    ->Args({ 5000, 1 })
    ->Args({ 50000, 1 })
    ->Args({ 300000, 1 })
    ->Unit(benchmark::kMicrosecond);

} // namespace
