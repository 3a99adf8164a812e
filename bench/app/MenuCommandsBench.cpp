#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "sheets/FileSettingsSheet.h"
#include "support/OpenSermon.h"

#include <QKeyEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

struct OpenSermon : bench::OpenSermon {
    explicit OpenSermon(int count)
        : bench::OpenSermon(bench::makeSermonTree(count, 7))
    {
    }
};

// One Down-arrow step on the map, through the middle of the sermon: the next node is
// selected, and every menu of the window reads what the map offers for it.
void BM_SelectionStepWithMenus(benchmark::State& state)
{
    OpenSermon sermon(static_cast<int>(state.range(0)));
    DocumentController& controller = sermon.canvas->controller();
    const std::vector<SermonNodePtr> nodes = sermon.document->document().root()->allNodes();
    const SermonNodePtr start = nodes[nodes.size() / 2];
    const auto restart = [&] {
        controller.selectSingleNode(start->id());
        controller.setNavigationDepth(start->depth());
    };
    restart();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    qint64 steps = 0;
    for (auto _ : state) {
        const std::optional<QUuid> before = controller.selectedNodeID();
        QCoreApplication::sendEvent(sermon.canvas, &down);
        state.PauseTiming();
        // At the last node of its depth the walk begins again.
        if (controller.selectedNodeID() == before)
            restart();
        else
            ++steps;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(nodes.size());
    state.counters["steps"] = static_cast<double>(steps);
}
BENCHMARK(BM_SelectionStepWithMenus)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// File Settings of a sermon without a duration, opened until it is on screen: the row shows the
// estimate from the sermon's words, which the opening counts.
void BM_OpenFileSettingsWithoutDuration(benchmark::State& state)
{
    bench::OpenSermon sermon(bench::makeWordedSermonTree(static_cast<int>(state.range(0))));
    ContentView* view = sermon.window->contentView();
    for (auto _ : state) {
        view->showFileSettings();
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (FileSettingsSheet* sheet = view->fileSettingsSheet())
            sheet->window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["noDuration"] = sermon.document->document().metadata().duration ? 0 : 1;
}
BENCHMARK(BM_OpenFileSettingsWithoutDuration)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

} // namespace
