#include "columns/ColumnCanvas.h"
#include "columns/ColumnDragHandleOverlay.h"
#include "columns/DividerHandle.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "platform/AnimationClock.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"
#include "support/SermonTrees.h"
#include "support/Typing.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>

// What the columns canvas costs on very large sermons for each kind of change: the work must
// follow what changed, not the size of the outline.

using namespace kestrion;

namespace {

class BenchClock final : public AnimationClock {
public:
    double now() const override { return m_now; }
    void set(double seconds) { m_now = seconds; }

private:
    double m_now = 100;
};

// A shown canvas at the size of a large window, with its own clock and its own preferences.
struct Columns {
    explicit Columns(SermonNodePtr root, QSize size = QSize(1440, 900))
        : document(std::move(root))
        , preferences(
              std::make_unique<QSettings>(settingsDir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat))
    {
        canvas = std::make_unique<ColumnCanvas>(document, &undoManager);
        canvas->setAnimationClock(&clock);
        canvas->setPreferences(&preferences);
        canvas->resize(size);
        canvas->show();
        QCoreApplication::processEvents();
        image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    }

    // One frame of the canvas as it stands.
    void paint()
    {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        canvas->renderCanvas(painter, QSizeF(image.size()));
    }

    // The node halfway down the outline: half the boxes lie after it.
    SermonNodePtr middleNode() const
    {
        const std::vector<SermonNodePtr> nodes = document.root()->allNodes();
        return nodes[nodes.size() / 2];
    }

    // Ends the glides under way: the view is where the selection took it.
    void settle()
    {
        clock.set(clock.now() + 1);
        canvas->tickAnimations();
    }

    // Halfway down and past the first columns, where the deep columns full of points fill the
    // window beside two strips.
    void scrollToTheMiddle() { canvas->scrollColumnsBy(-1300, -canvas->layout().totalSize().height() / 2); }

    QTemporaryDir settingsDir;
    UndoManager undoManager;
    SermonDocument document;
    Preferences preferences;
    BenchClock clock;
    std::unique_ptr<ColumnCanvas> canvas;
    QImage image;
};

SermonNodePtr sermon(const benchmark::State& state)
{
    return bench::makeSermonTree(static_cast<int>(state.range(0)), 11);
}

// The pointer on a column's width handle, its edge scrolled well inside the window.
class HandleDrag {
public:
    HandleDrag(Columns& c, qint64 column)
    {
        const std::vector<qreal>& edges = c.canvas->layout().columnXEdges();
        c.canvas->scrollColumnsBy(-std::max<qreal>(edges[static_cast<size_t>(column + 1)] - 1000, 0), 0);
        m_handle = c.canvas->handleOverlay()->handle(column);
        if (m_handle)
            m_start = c.canvas->mapToGlobal(QPointF(m_handle->geometry().center()));
    }

    bool hasHandle() const { return m_handle; }
    void press() { send(QEvent::MouseButtonPress, 0, Qt::LeftButton); }
    // To dx points right of the press.
    void moveTo(qreal dx) { send(QEvent::MouseMove, dx, Qt::LeftButton); }
    void release() { send(QEvent::MouseButtonRelease, 0, Qt::NoButton); }

private:
    void send(QEvent::Type type, qreal dx, Qt::MouseButtons buttons)
    {
        const QPointF global = m_start + QPointF(dx, 0);
        QMouseEvent event(type, m_handle->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(m_handle, &event);
    }

    DividerHandle* m_handle = nullptr;
    QPointF m_start;
};

// A sermon as a preacher writes a long series: a title, main points of ten sub-points, each
// with 48 leaves of three to twelve words, so that the leaves' column holds nearly every point
// and its points wrap to one, two or three lines as the column narrows.
SermonNodePtr wordedSermon(int count)
{
    static const QStringList words { QStringLiteral("the"), QStringLiteral("shepherd"), QStringLiteral("calls"),
        QStringLiteral("his"), QStringLiteral("own"), QStringLiteral("sheep"), QStringLiteral("by"),
        QStringLiteral("name,"), QStringLiteral("and"), QStringLiteral("leads"), QStringLiteral("them"),
        QStringLiteral("out."), QStringLiteral("righteousness"), QStringLiteral("a"), QStringLiteral("door"),
        QStringLiteral("through"), QStringLiteral("pasture"), QStringLiteral("abundantly;"), QStringLiteral("thief"),
        QStringLiteral("hireling"), QStringLiteral("wolf"), QStringLiteral("scattereth"), QStringLiteral("fold") };
    std::mt19937 random(23);
    const auto wording = [&] {
        const int count = 3 + static_cast<int>(random() % 10);
        QStringList picked;
        for (int i = 0; i < count; ++i)
            picked.append(words[static_cast<qsizetype>(random() % words.size())]);
        picked.front()[0] = picked.front()[0].toUpper();
        return picked.join(u' ');
    };
    auto root = SermonNode::create(QStringLiteral("The Good Shepherd: a series"));
    int made = 1;
    for (int main = 1; made < count; ++main) {
        const SermonNodePtr point = root->addChild(QStringLiteral("%1. %2").arg(main).arg(wording()));
        ++made;
        for (int sub = 0; sub < 10 && made < count; ++sub, ++made) {
            const SermonNodePtr subPoint = point->addChild(wording());
            for (int leaf = 0; leaf < 48 && made + 1 < count; ++leaf, ++made)
                subPoint->addChild(wording());
        }
    }
    return root;
}

// Return on a point halfway down: a new sibling is made and edited, the boxes after it glide
// down, and the first frame of that glide is drawn where they are. Cancelling the empty point
// afterwards is not measured.
void BM_ColumnStructuralEdit(benchmark::State& state)
{
    Columns c(sermon(state));
    const QUuid id = c.middleNode()->id();
    c.canvas->controller().setSelectedNodeID(id);
    c.settle();
    for (auto _ : state) {
        c.canvas->keyCommands().addSiblingToEdit(id);
        c.clock.set(c.clock.now() + 1.0 / 120);
        c.canvas->tickAnimations();
        c.paint();
        state.PauseTiming();
        c.canvas->editing().commitColumnEdit(false);
        c.settle();
        c.canvas->controller().setSelectedNodeID(id);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ColumnStructuralEdit)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// One frame of a glide under way: the boxes after a new point near the top are halfway down,
// a window full of them in view.
void BM_ColumnGlideFrame(benchmark::State& state)
{
    Columns c(sermon(state));
    c.scrollToTheMiddle();
    const SermonNodePtr& root = c.document.root();
    root->insertChild(1, SermonNode::create(QStringLiteral("A new main point"), 1));
    c.canvas->relayoutColumns(true);
    const double start = c.clock.now();
    for (auto _ : state) {
        c.clock.set(start + 0.05);
        c.canvas->tickAnimations();
        c.paint();
    }
}
BENCHMARK(BM_ColumnGlideFrame)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// One mouse move while a column's width handle is dragged: the stored width changes, the
// canvas lays out again and draws. The pointer goes to and fro over 40 points.
void BM_ColumnWidthDragStep(benchmark::State& state)
{
    Columns c(sermon(state));
    const auto column = static_cast<qint64>(state.range(1));
    HandleDrag drag(c, column);
    if (!drag.hasHandle()) {
        state.SkipWithError("no handle");
        return;
    }
    drag.press();
    int step = 0;
    for (auto _ : state) {
        const int phase = ++step % 80;
        drag.moveTo(phase < 40 ? phase : 80 - phase);
        c.paint();
    }
    drag.release();
    qint64 nodes = 0;
    for (const ColumnNodeFrame& frame : c.canvas->layout().snapshot().frames)
        nodes += frame.column == column ? 1 : 0;
    state.counters["columnNodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_ColumnWidthDragStep)
    ->Args({ 5000, 1 })
    ->Args({ 50000, 1 })
    ->Args({ 50000, 3 })
    ->Args({ 300000, 1 })
    ->Unit(benchmark::kMillisecond);

// One mouse move while the handle of the column with the most points is dragged, as a mouse
// moves it: two to six points at a time, narrowing (motion 1) from 600 to 300 points or
// widening (motion 2) from 300 to 600. One sweep of 75 moves, so every figure is its mean.
void BM_ColumnFullestWidthDragStep(benchmark::State& state)
{
    Columns c(wordedSermon(static_cast<int>(state.range(0))));
    const bool isNarrowing = state.range(1) == 1;
    const ColumnLayout layout = c.canvas->layout().snapshot();
    std::vector<qint64> counts(static_cast<size_t>(layout.columnCount));
    for (const ColumnNodeFrame& frame : layout.frames)
        ++counts[static_cast<size_t>(frame.column)];
    const auto column = static_cast<qint64>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    const qreal wide = 600;
    const qreal narrow = 300;
    ColumnWidthsConfig widths;
    widths.setColumnWidth(column, isNarrowing ? wide : narrow);
    widths.write(c.preferences);
    QCoreApplication::processEvents();
    HandleDrag drag(c, column);
    if (!drag.hasHandle()) {
        state.SkipWithError("no handle");
        return;
    }
    drag.press();
    const qreal sweep = wide - narrow;
    const qreal direction = isNarrowing ? -1 : 1;
    qreal moved = 0;
    int step = 0;
    for (auto _ : state) {
        moved += static_cast<qreal>(2 + step++ % 5);
        if (moved > sweep) {
            state.PauseTiming();
            moved = 1;
            drag.moveTo(0);
            state.ResumeTiming();
        }
        drag.moveTo(direction * moved);
        c.paint();
    }
    drag.release();
    state.counters["column"] = static_cast<double>(column);
    state.counters["columnNodes"] = static_cast<double>(counts[static_cast<size_t>(column)]);
}
BENCHMARK(BM_ColumnFullestWidthDragStep)
    ->Name("BM_ColumnWidthDragStep/fullest")
    ->ArgNames({ "nodes", "motion" })
    ->Args({ 50000, 1 })
    ->Args({ 50000, 2 })
    ->Args({ 300000, 1 })
    ->Args({ 300000, 2 })
    ->Iterations(75)
    ->Unit(benchmark::kMillisecond);

// A keystroke that changes how many lines the point halfway down wraps to (a line break typed
// and taken back in turn), with the frame that follows: every box after it moves.
void BM_ColumnWrapChangeKeystroke(benchmark::State& state)
{
    Columns c(sermon(state));
    c.canvas->beginColumnEditing(c.middleNode()->id(), false);
    c.settle();
    QCoreApplication::processEvents();
    QWidget* view = bench::editorTextView(c.canvas->editorOverlay());
    int round = 0;
    for (auto _ : state) {
        const bool isBreak = (round++ % 2) == 0;
        const int key = isBreak ? Qt::Key_Return : Qt::Key_Backspace;
        const Qt::KeyboardModifiers modifiers = isBreak ? Qt::ShiftModifier : Qt::NoModifier;
        const QString text = isBreak ? QStringLiteral("\r") : QString();
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(view, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QCoreApplication::sendEvent(view, &release);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ColumnWrapChangeKeystroke)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMillisecond);

// Down, then Up, on a point halfway down the outline, each with its frame.
void BM_ColumnArrowStep(benchmark::State& state)
{
    Columns c(sermon(state));
    c.canvas->controller().setSelectedNodeID(c.middleNode()->id());
    c.settle();
    int round = 0;
    for (auto _ : state) {
        const int key = (round++ % 2) == 0 ? Qt::Key_Down : Qt::Key_Up;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        if (const std::function<void()> command = c.canvas->keyCommand(press))
            command();
        c.paint();
    }
}
BENCHMARK(BM_ColumnArrowStep)->Arg(5000)->Arg(50000)->Arg(300000)->Unit(benchmark::kMicrosecond);

// A keystroke at the end of one point of about a million characters (a pasted book: paragraphs
// of a hundred words, each on a line of its own in the point) in a sermon of 50,000 nodes.
void BM_ColumnLongPointKeystroke(benchmark::State& state)
{
    const SermonNodePtr root = sermon(state);
    const SermonNodePtr point = root->children().front();
    const QString paragraph = QStringLiteral("And he said, A certain man had two sons: and the younger of them said to "
                                             "his father, Father, give me the portion of goods that falleth to me. ")
                                  .repeated(5);
    QStringList paragraphs;
    for (qsizetype size = 0; size < 1'000'000; size += paragraph.size() + 1)
        paragraphs.append(paragraph.trimmed());
    point->setText(paragraphs.join(QChar(u'\u2028')));
    Columns c(root);
    c.canvas->beginColumnEditing(point->id(), false);
    c.settle();
    QCoreApplication::processEvents();
    bench::Typist typist(bench::editorTextView(c.canvas->editorOverlay()));
    for (auto _ : state)
        typist.keystroke();
    state.counters["characters"] = static_cast<double>(point->text().size());
}
BENCHMARK(BM_ColumnLongPointKeystroke)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace
