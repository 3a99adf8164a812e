#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryView.h"
#include "document/SermonDocument.h"
#include "platform/Preferences.h"
#include "support/SermonTrees.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kestrion;

namespace {

// Counts the paints of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Switching a shown 1440 by 900 window to delivery: the delivery page is made, shown, and the
// event loop runs until its reading page has been painted once.
void BM_EnterDelivery(benchmark::State& benchState)
{
    QTemporaryDir folder;
    Preferences preferences(
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
    // A reader's own settings, so that entering applies each of them.
    preferences.setDeliveryFontSize(17);
    preferences.setDeliveryLineSpacing(2.0);
    preferences.setDeliveryTextWidth(800);
    preferences.setDeliveryWPM(140);
    SermonDocument document(bench::makeSermonTree(static_cast<int>(benchState.range(0)), 11));
    QWidget window;
    window.resize(1440, 900);
    window.show();
    QCoreApplication::processEvents();
    quint64 layouts = 0;
    for (auto _ : benchState) {
        auto* view = new DeliveryView(document, preferences, nullptr, nullptr, &window);
        PaintCounter counter;
        view->canvas()->installEventFilter(&counter);
        view->setGeometry(window.rect());
        view->show();
        while (counter.paints == 0)
            QCoreApplication::processEvents();
        benchState.PauseTiming();
        layouts = view->canvas()->layoutCount();
        delete view;
        QCoreApplication::processEvents();
        benchState.ResumeTiming();
    }
    benchState.counters["nodes"] = static_cast<double>(benchState.range(0));
    benchState.counters["layouts"] = static_cast<double>(layouts);
}
BENCHMARK(BM_EnterDelivery)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace
