#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryPageRenderer.h"
#include "delivery/DeliveryTimer.h"
#include "document/SermonDocument.h"
#include "platform/AnimationClock.h"
#include "support/SermonTrees.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace kestrion;

namespace {

class BenchClock final : public AnimationClock {
public:
    double now() const override { return m_now; }
    void advance(double seconds) { m_now += seconds; }

private:
    double m_now = 100;
};

// A 40-minute delivery ten minutes in, on a 1440 by 900 page.
struct Delivery {
    explicit Delivery(int nodes)
        : document(bench::makeSermonTree(nodes, 11))
        , timer(40, &clock)
        , canvas(document, timer, state)
        , image(1440, 900, QImage::Format_ARGB32_Premultiplied)
    {
        canvas.setClock(&clock);
        canvas.resize(1440, 900);
        state.setViewportHeight(900);
        // Laid out as on coming on screen; the canvas itself is never shown here.
        canvas.rebuildLayout();
        timer.start();
        clock.advance(600);
        image.fill(Qt::white);
    }

    double runnerY() const { return state.layout()->yForFraction(std::min(timer.progress(), 1.0)); }

    BenchClock clock;
    SermonDocument document;
    DeliveryTimer timer;
    DeliveryCanvasState state;
    DeliveryCanvas canvas;
    QImage image;
};

// One 60 Hz frame with the runner moving: the stretch of page its head and line cover.
void BM_DeliveryFrameRunnerMoving(benchmark::State& benchState)
{
    Delivery d(static_cast<int>(benchState.range(0)));
    d.state.setScrollY(d.state.clampedScrollY(d.runnerY() - 450));
    DeliveryPageRenderer::Page page;
    page.canvasSize = QSizeF(1440, 900);
    page.scrollY = d.state.scrollY();
    page.textWidth = d.canvas.textWidth();
    for (auto _ : benchState) {
        const double before = d.runnerY();
        d.clock.advance(1.0 / 60.0);
        const double after = d.runnerY();
        const QRectF dirty = DeliveryPageRenderer::runnerHeadBounds(page, before)
                                 .united(DeliveryPageRenderer::runnerHeadBounds(page, after));
        QPainter painter(&d.image);
        painter.setClipRect(dirty);
        d.canvas.renderPage(painter, dirty);
    }
    benchState.counters["nodes"] = static_cast<double>(benchState.range(0));
}
BENCHMARK(BM_DeliveryFrameRunnerMoving)->Arg(5000)->Arg(50000)->Unit(benchmark::kMicrosecond);

// One frame while following the runner: the page moved, so the whole viewport is drawn.
void BM_DeliveryFrameFollowing(benchmark::State& benchState)
{
    Delivery d(static_cast<int>(benchState.range(0)));
    d.state.setFollowRunner(true);
    for (auto _ : benchState) {
        d.clock.advance(1.0 / 60.0);
        d.canvas.displayLinkTick();
        QPainter painter(&d.image);
        d.canvas.renderPage(painter, QRectF(0, 0, 1440, 900));
    }
    benchState.counters["nodes"] = static_cast<double>(benchState.range(0));
}
BENCHMARK(BM_DeliveryFrameFollowing)->Arg(5000)->Arg(50000)->Unit(benchmark::kMicrosecond);

} // namespace
