#include "app/AppMode.h"
#include "app/ContentView.h"
#include "columns/ColumnCanvas.h"
#include "delivery/DeliveryMeasureKeeper.h"
#include "support/OpenSermon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kestrion;

// What the user waits for between a mode key and a still screen, on a sermon of sentences of
// ordinary length open in a window of the application's own size: the mode's view made, laid
// out and drawn, the window flushed, and what the event loop was handed meanwhile that draws
// again. Work a view leaves for the idle event loop, which draws nothing, is timed apart: the
// "completeMs" counter is the time until the columns have measured every point.
//
// The window keeps its delivery page once made, so each entry into delivery is the first of a
// window just opened: with the measures of the texts kept ready by the time the key comes, as
// they are seconds after opening ("warmMs": how long making them took, from the pass's start),
// or at once, while they are still being made.

namespace {

// Counts the paints of every widget of one window.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(const QWidget* window)
        : m_window(window)
    {
        qApp->installEventFilter(this);
    }
    ~PaintCounter() override { qApp->removeEventFilter(this); }

    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->window() == m_window)
            ++paints;
        return false;
    }

private:
    const QWidget* m_window;
};

// Switches the mode as its menu item does, and runs the event loop until it is drawn and what
// was posted meanwhile draws nothing more.
void switchUntilStill(bench::OpenSermon& sermon, AppMode mode)
{
    PaintCounter counter(sermon.window);
    sermon.window->contentView()->setMode(mode);
    while (counter.paints == 0)
        QCoreApplication::processEvents();
    for (int before = -1; before != counter.paints;) {
        before = counter.paints;
        QCoreApplication::sendPostedEvents();
    }
}

void enterMode(benchmark::State& state, AppMode mode)
{
    bench::OpenSermon sermon(bench::makeWordedSermonTree(static_cast<int>(state.range(0))));
    ContentView& view = *sermon.window->contentView();
    double completeMs = 0;
    for (auto _ : state) {
        QElapsedTimer elapsed;
        elapsed.start();
        switchUntilStill(sermon, mode);
        state.PauseTiming();
        if (ColumnCanvas* columns = view.columnCanvas()) {
            while (!columns->isLayoutComplete())
                QCoreApplication::processEvents();
        }
        completeMs += static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
        switchUntilStill(sermon, AppMode::Tree);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(sermon.document->document().root()->allNodes().size());
    state.counters["completeMs"] = benchmark::Counter(completeMs, benchmark::Counter::kAvgIterations);
}

void BM_EnterColumns(benchmark::State& state)
{
    enterMode(state, AppMode::Columns);
}
BENCHMARK(BM_EnterColumns)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

void enterDelivery(benchmark::State& state, bool isWarm)
{
    const SermonNodePtr tree = bench::makeWordedSermonTree(static_cast<int>(state.range(0)));
    double warmMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto sermon = std::make_unique<bench::OpenSermon>(tree);
        if (isWarm) {
            DeliveryMeasureKeeper& keeper = sermon->window->contentView()->deliveryMeasures();
            QElapsedTimer elapsed;
            elapsed.start();
            keeper.refresh();
            while (!keeper.isIdle())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            warmMs += static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
        }
        state.ResumeTiming();
        switchUntilStill(*sermon, AppMode::Delivery);
        state.PauseTiming();
        sermon.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(tree->allNodes().size());
    state.counters["warmMs"] = benchmark::Counter(warmMs, benchmark::Counter::kAvgIterations);
}

void BM_EnterDelivery(benchmark::State& state)
{
    enterDelivery(state, true);
}
BENCHMARK(BM_EnterDelivery)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

void BM_EnterDeliveryAtOnce(benchmark::State& state)
{
    enterDelivery(state, false);
}
BENCHMARK(BM_EnterDeliveryAtOnce)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

} // namespace
