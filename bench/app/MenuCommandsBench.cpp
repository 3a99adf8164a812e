#include "app/ContentView.h"
#include "app/SermonWindow.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/MindMapCanvas.h"
#include "platform/DocumentManager.h"
#include "platform/OpenDocument.h"
#include "platform/Preferences.h"
#include "platform/WidgetDocumentDialogs.h"
#include "support/SermonTrees.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kestrion;

namespace {

// A sermon open in its window, the menus attached as the application attaches them.
struct OpenSermon {
    explicit OpenSermon(int count)
        : preferences(std::make_unique<QSettings>(folder.filePath(QStringLiteral("p.ini")), QSettings::IniFormat))
        , settings(folder.filePath(QStringLiteral("s.ini")), QSettings::IniFormat)
        , manager(settings, std::make_unique<WidgetDocumentDialogs>())
    {
        const QString path = folder.filePath(QStringLiteral("sermon.md"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bench::sermonFile(bench::makeSermonTree(count, 7)));
        file.close();
        manager.setRecoveryFolder(folder.filePath(QStringLiteral("recovery")));
        manager.setWindowFactory([this](OpenDocument& d) { return new SermonWindow(d, preferences); });
        document = manager.open(path);
        window = static_cast<SermonWindow*>(document->window());
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        canvas = window->contentView()->mindMapCanvas();
        canvas->setCanvasFocused(true);
    }
    ~OpenSermon() { manager.closeAll(); }

    QTemporaryDir folder;
    Preferences preferences;
    QSettings settings;
    DocumentManager manager;
    OpenDocument* document = nullptr;
    SermonWindow* window = nullptr;
    MindMapCanvas* canvas = nullptr;
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

} // namespace
