#include "CanvasFixture.h"

#include "mindmap/CanvasGeometry.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

using namespace kestrion;
using namespace kestrion::test;

namespace {

class MindMapCanvasDragTest : public CanvasFixture {
protected:
    // A flat outline: Title with the leaves A, B, C, D, E.
    void useFlatOutline()
    {
        root = SermonNode::create(QStringLiteral("Title"));
        for (const char* text : { "A", "B", "C", "D", "E" })
            flat.push_back(root->addChild(QString::fromLatin1(text)));
        makeCanvas();
    }

    QPointF toView(const QPointF& canvasPoint) const { return canvasPoint * canvas->scale() + canvas->panOffset(); }
    // The middle of a node's left edge, moved by (dx, dy) canvas units.
    QPointF leftMiddle(const SermonNodePtr& node, qreal dx = 0, qreal dy = 0)
    {
        const NodeLayout l = layoutOf(node);
        return toView(QPointF(l.origin.x() + dx, l.origin.y() + l.size.height() / 2 + dy));
    }
    QPointF rightMiddle(const SermonNodePtr& node, qreal dx)
    {
        const NodeLayout l = layoutOf(node);
        return toView(QPointF(l.origin.x() + l.size.width() + dx, l.origin.y() + l.size.height() / 2));
    }

    // Presses at from, moves past the drag threshold and on to each point, and releases at
    // the last one.
    void drag(const QPointF& from, const QList<QPointF>& path, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
        bool release = true)
    {
        QTest::mousePress(canvas.get(), Qt::LeftButton, modifiers, from.toPoint());
        for (const QPointF& point : path)
            move(point, modifiers);
        if (release)
            QTest::mouseRelease(canvas.get(), Qt::LeftButton, modifiers, path.last().toPoint());
    }
    void move(const QPointF& point, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent event(
            QEvent::MouseMove, point, canvas->mapToGlobal(point), Qt::NoButton, Qt::LeftButton, modifiers);
        QApplication::sendEvent(canvas.get(), &event);
    }
    // Drags a node by its centre to a point.
    void dragNode(const SermonNodePtr& node, const QPointF& to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF from = viewCentre(node);
        drag(from, { from + QPointF(0, 12), to }, modifiers);
    }

    QStringList texts(const SermonNodePtr& node) const
    {
        QStringList result;
        for (const auto& child : node->children())
            result << child->text();
        return result;
    }
    qsizetype undoSteps() const { return static_cast<qsizetype>(document->undoStack().size()); }

    std::vector<SermonNodePtr> flat;
};

} // namespace

TEST_F(MindMapCanvasDragTest, APressThatMovesLessThanEightPointsIsAClick)
{
    const QPointF from = viewCentre(a1);
    drag(from, { from + QPointF(5, 5) });
    EXPECT_EQ(controller().selectedNodeID(), a1->id());
    EXPECT_EQ(canvas->panOffset(), QPointF(0, 0));
    EXPECT_FALSE(canvas->dragNodeID());
}

TEST_F(MindMapCanvasDragTest, DraggingEmptySpaceOrTheTitlePans)
{
    const QPointF from(700, 500);
    drag(from, { from + QPointF(-10, 0), from + QPointF(-60, -30) }, Qt::NoModifier, false);
    EXPECT_TRUE(canvas->isPanning());
    EXPECT_EQ(canvas->panOffset(), QPointF(-60, -30));
    EXPECT_TRUE(canvas->minimapVisible());
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, (from + QPointF(-60, -30)).toPoint());
    EXPECT_FALSE(canvas->isPanning());

    // The title pans too, as far as the clamp allows.
    const QPointF title = viewCentre(root);
    drag(title, { title + QPointF(0, 10), title + QPointF(-5000, -5000) });
    EXPECT_EQ(canvas->panOffset(), canvas->clampPan(QPointF(-5000, -5000)));
    EXPECT_EQ(undoSteps(), 0);
}

TEST_F(MindMapCanvasDragTest, ShiftDragDrawsALassoThatSelectsWhatItTouches)
{
    // A lasso ends a running edit and brings the keyboard back to the map.
    controller().selectSingleNode(c->id());
    canvas->performEditingCommand(&DocumentController::beginEditing);
    ASSERT_TRUE(canvas->nodeEditor());
    const NodeLayout l1 = layoutOf(a1);
    const NodeLayout l2 = layoutOf(a2);
    const QPointF from = toView(l1.origin - QPointF(5, 5));
    const QPointF to = toView(l2.origin + QPointF(10, 5));
    drag(from, { from + QPointF(10, 10), to }, Qt::ShiftModifier, false);
    EXPECT_TRUE(canvas->isLassoSelecting());
    ASSERT_TRUE(canvas->lassoRect());
    EXPECT_EQ(controller().selectedNodeIDs(), (QSet<QUuid> { a1->id(), a2->id() }));
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_TRUE(canvas->hasFocus());
    // The primary was not caught: a caught node takes its place.
    ASSERT_TRUE(controller().selectedNodeID());
    EXPECT_TRUE(controller().selectedNodeIDs().contains(*controller().selectedNodeID()));
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::ShiftModifier, to.toPoint());
    EXPECT_FALSE(canvas->lassoRect());
    EXPECT_FALSE(canvas->isLassoSelecting());
    EXPECT_FALSE(controller().selectionAnchorID());
    EXPECT_EQ(controller().selectedNodeIDs(), (QSet<QUuid> { a1->id(), a2->id() }));
}

TEST_F(MindMapCanvasDragTest, ALassoThatCatchesNothingKeepsThePrimary)
{
    controller().selectSingleNode(c->id());
    drag(QPointF(700, 520), { QPointF(710, 530), QPointF(760, 560) }, Qt::ShiftModifier);
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
    EXPECT_EQ(controller().selectedNodeID(), c->id());
}

TEST_F(MindMapCanvasDragTest, ALassoOverThePrimaryKeepsItPrimary)
{
    controller().selectSingleNode(a2->id());
    // From inside a2 up to a1: every step of the lasso covers a2.
    const QPointF from = toView(layoutOf(a2).origin + QPointF(20, 5));
    const QPointF to = toView(layoutOf(a1).origin + QPointF(5, 5));
    drag(from, { from + QPointF(0, -10), to }, Qt::ShiftModifier);
    EXPECT_EQ(controller().selectedNodeIDs(), (QSet<QUuid> { a1->id(), a2->id() }));
    EXPECT_EQ(controller().selectedNodeID(), a2->id());
}

TEST_F(MindMapCanvasDragTest, DropsBeforeAfterAndIntoNodes)
{
    useFlatOutline();
    const auto& [A, B, C, D, E] = std::tie(flat[0], flat[1], flat[2], flat[3], flat[4]);

    // B just above D's middle: between C and D.
    QTest::mousePress(canvas.get(), Qt::LeftButton, Qt::NoModifier, viewCentre(B));
    move(viewCentre(B) + QPointF(0, 12));
    move(leftMiddle(D, 2, -3));
    ASSERT_TRUE(canvas->dropTarget());
    EXPECT_EQ(canvas->dropTarget()->parentID, root->id());
    EXPECT_EQ(canvas->dropTarget()->index, 3);
    EXPECT_EQ(canvas->dragNodeID(), B->id());
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, leftMiddle(D, 2, -3).toPoint());
    EXPECT_EQ(texts(root), (QStringList { "A", "C", "B", "D", "E" }));
    EXPECT_EQ(undoSteps(), 1);
    EXPECT_FALSE(canvas->dragNodeID());
    EXPECT_FALSE(canvas->dropTarget());

    // B before A.
    dragNode(B, leftMiddle(A, 2, -3));
    EXPECT_EQ(texts(root), (QStringList { "B", "A", "C", "D", "E" }));
    // E exactly level with A's middle: after A.
    dragNode(E, leftMiddle(A, 2, 0));
    EXPECT_EQ(texts(root), (QStringList { "B", "A", "E", "C", "D" }));
    // D right of C's right edge: into C as its last child.
    dragNode(D, rightMiddle(C, 6));
    EXPECT_EQ(texts(root), (QStringList { "B", "A", "E", "C" }));
    EXPECT_EQ(texts(C), QStringList { "D" });
    EXPECT_EQ(D->depth(), 2);
    EXPECT_EQ(undoSteps(), 4);

    // One undo per drop.
    undoManager->undo();
    EXPECT_EQ(texts(document->root()), (QStringList { "B", "A", "E", "C", "D" }));
    // A node dragged alone leaves no multi-selection; the node stays primary.
    EXPECT_TRUE(controller().selectedNodeIDs().isEmpty());
}

TEST_F(MindMapCanvasDragTest, ASelectedGroupMovesTogetherAndStaysSelected)
{
    useFlatOutline();
    const auto& [A, B, C, D, E] = std::tie(flat[0], flat[1], flat[2], flat[3], flat[4]);
    controller().selectSingleNode(B->id());
    controller().toggleSelection(C->id());
    dragNode(C, leftMiddle(D, 2, -3));
    EXPECT_EQ(texts(root), (QStringList { "A", "D", "B", "C", "E" }));
    EXPECT_EQ(controller().selectedNodeIDs(), (QSet<QUuid> { B->id(), C->id() }));
    EXPECT_EQ(controller().selectedNodeID(), C->id());
    EXPECT_EQ(undoSteps(), 1);
}

TEST_F(MindMapCanvasDragTest, ANodeDraggedWithItsSelectedChildMovesAsAWholeBranch)
{
    controller().selectSingleNode(a->id());
    controller().toggleSelection(a1->id());
    // The drag starts on the child.
    dragNode(a1, leftMiddle(c, 2, 3));
    EXPECT_EQ(texts(root), (QStringList { "Second point", "Closing words", "First point" }));
    EXPECT_EQ(texts(a), (QStringList { "Alpha one", "Alpha two" }));
    EXPECT_EQ(a1->depth(), 2);
}

TEST_F(MindMapCanvasDragTest, NothingLandsOnItselfItsSubtreeOrAQuote)
{
    c->setQuote(true);
    canvas->recomputeLayout();
    QTest::mousePress(canvas.get(), Qt::LeftButton, Qt::NoModifier, viewCentre(a));
    move(viewCentre(a) + QPointF(0, 12));
    // Right of a's children: they are a's own subtree, so the target is elsewhere.
    move(rightMiddle(a1, 6));
    ASSERT_TRUE(canvas->dropTarget());
    EXPECT_NE(canvas->dropTarget()->parentID, a1->id());
    EXPECT_NE(canvas->dropTarget()->parentID, a->id());
    // Right of the quote: the quote never takes the nodes.
    move(rightMiddle(c, 6));
    ASSERT_TRUE(canvas->dropTarget());
    EXPECT_NE(canvas->dropTarget()->parentID, c->id());
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, rightMiddle(c, 6).toPoint());
    EXPECT_FALSE(c->hasChildren());
}

TEST_F(MindMapCanvasDragTest, ADropWhoseTargetVanishedMidDragRecordsNothing)
{
    // Another window on the same document removes the target while the drag runs.
    controller().selectSingleNode(a1->id());
    controller().toggleSelection(a2->id());
    QTest::mousePress(canvas.get(), Qt::LeftButton, Qt::NoModifier, viewCentre(a2));
    move(viewCentre(a2) + QPointF(0, 12));
    move(rightMiddle(c, 6));
    ASSERT_TRUE(canvas->dropTarget());
    ASSERT_EQ(canvas->dropTarget()->parentID, c->id());
    root->removeNode(c->id());
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, rightMiddle(c, 6).toPoint());
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_EQ(texts(a), (QStringList { "Alpha one", "Alpha two" }));
}

TEST_F(MindMapCanvasDragTest, ADropIntoWhatIsDraggedAfterTheTreeChangedIsRefused)
{
    // The target moves inside a dragged branch while the drag runs.
    controller().selectSingleNode(a->id());
    controller().toggleSelection(c->id());
    QTest::mousePress(canvas.get(), Qt::LeftButton, Qt::NoModifier, viewCentre(a));
    move(viewCentre(a) + QPointF(0, 12));
    move(rightMiddle(b, 6));
    ASSERT_TRUE(canvas->dropTarget());
    ASSERT_EQ(canvas->dropTarget()->parentID, b->id());
    root->moveNode(b->id(), a->id(), 0);
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, rightMiddle(b, 6).toPoint());
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_EQ(texts(root), (QStringList { "First point", "Closing words" }));
    EXPECT_EQ(texts(a).first(), QStringLiteral("Second point"));

    // The same for a single node.
    controller().selectSingleNode(c->id());
    QTest::mousePress(canvas.get(), Qt::LeftButton, Qt::NoModifier, viewCentre(c));
    move(viewCentre(c) + QPointF(0, 12));
    move(rightMiddle(a2, 6));
    ASSERT_TRUE(canvas->dropTarget());
    const QUuid target = canvas->dropTarget()->parentID;
    root->moveNode(target, c->id(), 0);
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, rightMiddle(a2, 6).toPoint());
    EXPECT_EQ(undoSteps(), 0);
}

TEST_F(MindMapCanvasDragTest, TheDropIndicatorIsDrawnOnlyWhileANodeIsDragged)
{
    QTest::mousePress(canvas.get(), Qt::LeftButton, Qt::NoModifier, viewCentre(c));
    move(viewCentre(c) + QPointF(0, 12));
    move(leftMiddle(a, 2, -3));
    ASSERT_TRUE(canvas->dropTarget());
    const auto line = dropIndicatorLine(*canvas->dropTarget(), root, canvas->cachedLayouts());
    ASSERT_TRUE(line);
    QImage image(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        canvas->renderCanvas(painter, QSizeF(canvas->size()));
    }
    // The indicator's dot at its start is filled with the accent colour.
    const QPoint dot = toView(line->start).toPoint();
    const QColor accent = canvas->palette().color(QPalette::Highlight);
    const QColor drawn = image.pixelColor(dot);
    EXPECT_NEAR(drawn.redF(), accent.redF(), 0.05);
    EXPECT_NEAR(drawn.greenF(), accent.greenF(), 0.05);
    EXPECT_NEAR(drawn.blueF(), accent.blueF(), 0.05);
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, Qt::NoModifier, leftMiddle(a, 2, -3).toPoint());
    EXPECT_EQ(texts(root).first(), QStringLiteral("Closing words"));
}
