#include "ColumnCanvasFixture.h"

#include "columns/ColumnDragHandleOverlay.h"
#include "columns/ColumnWrapCache.h"
#include "columns/DividerHandle.h"
#include "platform/FrameAnimation.h"

#include <set>

using namespace kestrion;
using kestrion::test::ColumnCanvasFixture;
using kestrion::test::drawingOf;

namespace {

std::string describe(const ColumnNodeFrame& f)
{
    return QStringLiteral("%1 col %2 (%3, %4) %5x%6 [%7, %8]")
        .arg(f.nodeID.toString().left(9))
        .arg(f.column)
        .arg(f.origin.x())
        .arg(f.origin.y())
        .arg(f.size.width())
        .arg(f.size.height())
        .arg(f.subtreeTop)
        .arg(f.subtreeBottom)
        .toStdString();
}

// Empty when the layouts are equal, else what differs first.
std::string differences(const ColumnLayout& actual, const ColumnLayout& expected)
{
    std::string text;
    if (actual.totalSize != expected.totalSize || actual.columnXEdges != expected.columnXEdges)
        text += "size or edges differ; ";
    for (const ColumnNodeFrame& frame : expected.frames) {
        if (actual.frames.value(frame.nodeID) != frame && text.size() < 600)
            text += "got " + describe(actual.frames.value(frame.nodeID)) + " wanted " + describe(frame) + "; ";
    }
    if (actual.frames.size() != expected.frames.size())
        text += "frame counts differ";
    return text;
}

// A sermon of points, sub-points and a folded branch, some texts long enough to wrap.
class ColumnFramesTest : public ColumnCanvasFixture {
protected:
    void SetUp() override
    {
        root = SermonNode::create(QStringLiteral("The Good Shepherd"));
        for (int p = 0; p < 24; ++p) {
            const SermonNodePtr point = root->addChild(QStringLiteral("Point %1: the sheep hear his voice").arg(p));
            for (int s = 0; s < p % 4; ++s) {
                const SermonNodePtr sub = point->addChild(
                    QStringLiteral("Sub-point %1 of %2, and he calls his own sheep by name and leads them out")
                        .arg(s)
                        .arg(p));
                if (s == 1)
                    sub->addChild(QStringLiteral("A leaf") + QChar(u'\u2028') + QStringLiteral("on two lines"));
            }
        }
        root->children()[5]->setCollapsed(true);
        makeCanvas(QSize(1000, 600));
    }

    ColumnLayout freshLayout()
    {
        ColumnWrapCache cache;
        return ColumnLayout::build(document->root(), canvas->columnWidths(), cache);
    }

    // Settled: the layout kept equals one made afresh, and the canvas draws what a canvas made
    // afresh over the same sermon draws at the same place.
    void expectSameAsFresh()
    {
        finishAnimations();
        ASSERT_EQ(differences(canvas->layout().snapshot(), freshLayout()), "");
        EXPECT_EQ(canvas->displayColumnLayout(), canvas->layout().snapshot());
        test::ManualClock freshClock;
        ColumnCanvas fresh(*document);
        fresh.setAttribute(Qt::WA_DontShowOnScreen);
        fresh.setAnimationClock(&freshClock);
        fresh.setPreferences(preferences.get());
        fresh.resize(canvas->size());
        fresh.show();
        fresh.controller().setSelectedNodeID(selected());
        freshClock.advance(10);
        fresh.tickAnimations();
        fresh.scrollColumnsBy(
            canvas->panOffset().x() - fresh.panOffset().x(), canvas->panOffset().y() - fresh.panOffset().y());
        ASSERT_EQ(fresh.panOffset(), canvas->panOffset());
        EXPECT_TRUE(drawingOf(fresh) == drawingOf(*canvas));
    }

    // A change made now glides every box from where it was shown (before) to where a fresh
    // layout puts it; the drawing finds every box shown in the rows in view.
    void expectGlide(const ColumnLayout& before, double start)
    {
        const ColumnLayout target = freshLayout();
        ASSERT_EQ(differences(canvas->layout().snapshot(), target), "");
        for (const double t : { 0.0, 0.03, 0.1, 0.15 }) {
            clock.set(start + t);
            canvas->tickAnimations();
            const double e = FrameAnimation::easeOutCubic((clock.now() - start) / ColumnAnimator::duration);
            ColumnLayout expected = target;
            for (auto it = expected.frames.begin(); it != expected.frames.end(); ++it) {
                if (before.frames.contains(it.key()))
                    *it = ColumnAnimator::interpolate(before.frames.value(it.key()), *it, e);
            }
            const ColumnLayout shown = canvas->displayColumnLayout();
            ASSERT_EQ(differences(shown, expected), "") << t;
            const qreal top = -canvas->panOffset().y();
            const qreal bottom = top + canvas->height();
            for (qint64 column = 0; column < shown.columnCount; ++column) {
                std::set<QUuid> found;
                canvas->animator().forEachInRows(
                    column, top, bottom, [&](const ColumnNodeFrame& frame) { found.insert(frame.nodeID); });
                for (const ColumnNodeFrame& frame : shown.frames) {
                    if (frame.column == column && frame.subtreeTop <= bottom && frame.subtreeBottom >= top) {
                        EXPECT_TRUE(found.count(frame.nodeID)) << frame.nodeID.toString().toStdString() << " " << t;
                    }
                }
            }
        }
    }

    // Runs a change, after the glide before it has ended unless it is to be taken over, and
    // checks its glide.
    template <typename Change> void glide(Change&& change, bool isTakingOver = false)
    {
        if (!isTakingOver)
            finishAnimations();
        const double start = clock.now();
        const ColumnLayout before = canvas->displayColumnLayout();
        change();
        expectGlide(before, start);
    }
};

} // namespace

// Typing, new points, widths, scrolling, folding, deleting, undo, and a glide taken over
// halfway: the canvas shows at every step exactly what a layout made afresh shows.
TEST_F(ColumnFramesTest, EveryStepShowsWhatAFreshLayoutShows)
{
    expectSameAsFresh();

    // Typing until the point wraps to a second line and back moves only the boxes after it.
    const SermonNodePtr point = root->children()[2];
    select(point);
    press(Qt::Key_Space);
    for (int i = 0; i < 14; ++i) {
        type(QStringLiteral(" word"));
        ASSERT_EQ(canvas->layout().snapshot(), freshLayout()) << i;
    }
    press(Qt::Key_Return, Qt::ShiftModifier);
    ASSERT_EQ(canvas->layout().snapshot(), freshLayout());
    press(Qt::Key_Backspace);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    expectSameAsFresh();

    // A new point glides the boxes after it down; a glide taken over halfway goes on from
    // where the boxes are shown.
    select(root->children()[1]);
    glide([&] { press(Qt::Key_Return); });
    glide([&] { press(Qt::Key_Escape); });
    glide([&] {
        select(root->children()[0]->children().empty() ? root->children()[3] : root->children()[0]);
        press(Qt::Key_Tab);
    });
    glide([&] { press(Qt::Key_Escape); }, true);
    expectSameAsFresh();

    // Fractional widths, the first column's and a deeper one's.
    preferences->setColumnWidths(QStringLiteral("[433.7,300.2,250.9]"));
    expectSameAsFresh();
    preferences->setColumnWidths(QStringLiteral("[640,180]"));
    expectSameAsFresh();

    // Scrolled so that columns collapse and headers pin.
    canvas->scrollColumnsBy(-700, -250);
    expectSameAsFresh();

    // Folding, deleting and undoing glide too.
    glide([&] {
        select(root->children()[7]);
        press(Qt::Key_Left, Qt::ControlModifier);
    });
    expectSameAsFresh();
    glide([&] {
        select(root->children()[9]);
        press(Qt::Key_Delete);
    });
    expectSameAsFresh();
    glide([&] { undoManager->undo(); });
    expectSameAsFresh();
    glide([&] { undoManager->undo(); });
    expectSameAsFresh();
}

// A width handle dragged narrower, wider and narrower again, by small, fractional and large
// moves: at every move the layout kept is the one made afresh, and the canvas draws what a
// canvas made afresh at that width draws.
TEST_F(ColumnFramesTest, EveryMoveOfAWidthDragShowsWhatAFreshLayoutShows)
{
    preferences->setColumnWidths(QStringLiteral("[300,300,300]"));
    DividerHandle* handle = canvas->handleOverlay()->handle(2);
    ASSERT_NE(handle, nullptr);
    const QPointF start(handle->geometry().center());
    test::Drag drag(canvas.get(), start);
    qreal dx = 0;
    for (int move = 0; move < 60; ++move) {
        dx += move < 20 ? -6.75 : move < 50 ? 11.5 : -31;
        drag.moveTo(start + QPointF(dx, 0));
        ASSERT_EQ(differences(canvas->layout().snapshot(), freshLayout()), "") << move;
        if (move % 12 == 11)
            expectSameAsFresh();
    }
    drag.release(start + QPointF(dx, 0));
    EXPECT_EQ(canvas->columnWidths().widthOf(2), 300 - 20 * 6.75 + 30 * 11.5 - 10 * 31);
}
