#include "ColumnCanvasFixture.h"

#include "columns/ColumnDragHandleOverlay.h"
#include "columns/ColumnMetrics.h"
#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "support/InkBounds.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QSignalSpy>

using namespace kestrion;
using kestrion::test::ColumnCanvasFixture;
using kestrion::test::Drag;

TEST_F(ColumnCanvasFixture, FirstShowSelectsTheTitleShowsTheLayoutAtOnceAndTakesTheKeyboard)
{
    EXPECT_EQ(selected(), root->id());
    EXPECT_EQ(document->currentSelectedNodeID(), root->id());
    EXPECT_FALSE(canvas->animator().isAnimating());
    EXPECT_EQ(canvas->displayColumnLayout(), canvas->layout().snapshot());
    EXPECT_EQ(canvas->layout().columnCount(), 3);
    EXPECT_FALSE(canvas->layout().hasFrame(b1->id()));
    EXPECT_TRUE(canvas->hasFocus());
    EXPECT_EQ(canvas->accessibleName(), QStringLiteral("columnCanvas"));
}

TEST_F(ColumnCanvasFixture, PanStaysWithinTheContentAndReachesPastEveryColumn)
{
    // Three 600-point columns in 1000 points: x down to −1800, where every column is a strip.
    canvas->scrollColumnsBy(-5000, 0);
    EXPECT_EQ(canvas->panOffset(), QPointF(-1800, 0));
    canvas->scrollColumnsBy(9000, 0);
    EXPECT_EQ(canvas->panOffset(), QPointF(0, 0));
    // Shorter than the canvas: no vertical pan.
    canvas->scrollColumnsBy(0, -300);
    EXPECT_EQ(canvas->panOffset().y(), 0);

    makePoints(80);
    makeCanvas(QSize(500, 600));
    ASSERT_EQ(canvas->layout().totalSize(), QSizeF(1200, 80 * 28));
    canvas->scrollColumnsBy(0, -100000);
    EXPECT_EQ(canvas->panOffset().y(), 600 - 80 * 28);
    canvas->scrollColumnsBy(std::nan(""), 0);
    EXPECT_EQ(canvas->panOffset().x(), 0);

    // A larger window and a shrunk tree pull the pan back at once.
    canvas->scrollColumnsBy(-900, 0);
    canvas->resize(500, 2300);
    EXPECT_EQ(canvas->panOffset().y(), 0);
    controller().setSelectedNodeID(root->children()[5]->id());
    controller().deleteSelection();
    EXPECT_EQ(canvas->panOffset().x(), -900);
    canvas->resize(1300, 2300);
    EXPECT_EQ(canvas->panOffset().x(), 0);
}

TEST_F(ColumnCanvasFixture, SelectingScrollsTheNodeIntoViewWithMargins)
{
    makePoints(80);
    auto deep = root->children()[60]->addChild(QStringLiteral("Deep"))->addChild(QStringLiteral("Deeper"));
    makeCanvas(QSize(1300, 600));
    // Already 40 points inside every edge: nothing moves.
    controller().setSelectedNodeID(root->children()[2]->id());
    EXPECT_FALSE(canvas->scrollAnimator().isAnimating());

    // Past the right and the bottom edge: its right edge, as shown with the columns it passes
    // collapsed into strips, and its bottom end 40 points inside.
    controller().setSelectedNodeID(deep->id());
    EXPECT_TRUE(canvas->scrollAnimator().isAnimating());
    finishAnimations();
    const ColumnNodeFrame frame = canvas->layout().frame(deep->id()).value();
    EXPECT_EQ(*canvas->columnScreenX(3) + 600, 1300 - 40);
    EXPECT_EQ(frame.subtreeBottom + canvas->panOffset().y(), 600 - 40);

    // Narrower than the node and its margins: the left edge wins, as far as the strips of the
    // columns before it leave room; its own column never collapses.
    canvas->resize(600, 600);
    controller().setSelectedNodeID(root->id());
    finishAnimations();
    EXPECT_EQ(canvas->panOffset().x(), 0);
    controller().setSelectedNodeID(deep->id());
    finishAnimations();
    EXPECT_EQ(*canvas->columnScreenX(3), 3 * 44);
    EXPECT_EQ(frame.origin.x() + canvas->panOffset().x(), 0);

    // Deep in a long chain of strips the node still comes into view.
    SermonNodePtr node = deep;
    for (int i = 0; i < 8; ++i)
        node = node->addChild(QStringLiteral("Level %1").arg(i));
    canvas->resize(1300, 600);
    canvas->relayoutColumns(false);
    controller().setSelectedNodeID(node->id());
    finishAnimations();
    EXPECT_EQ(*canvas->columnScreenX(11) + 600, 1300 - 40);

    // Clearing the selection does not scroll.
    controller().setSelectedNodeID(std::nullopt);
    EXPECT_FALSE(canvas->scrollAnimator().isAnimating());
}

TEST_F(ColumnCanvasFixture, ScrollGlideStaysWithinLimitsThatShrinkWhileItRuns)
{
    makePoints(80);
    makeCanvas(QSize(800, 600));
    controller().setSelectedNodeID(root->children().back()->id());
    ASSERT_TRUE(canvas->scrollAnimator().isAnimating());
    // Most of the points go mid-glide: the content is now shorter than the canvas.
    document->recordUndo(std::nullopt);
    root->mutableChildren().resize(3);
    canvas->relayoutColumns(false);
    clock.advance(0.1);
    canvas->tickAnimations();
    EXPECT_EQ(canvas->panOffset().y(), 0);
}

TEST_F(ColumnCanvasFixture, ClickSelectsAndDoubleClickEdits)
{
    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, pointOn(a1));
    EXPECT_EQ(selected(), a1->id());
    // The blank rows beside a node's children belong to the node.
    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(700, 40));
    EXPECT_EQ(selected(), a->id());
    // Nothing there: the selection stays, the canvas keeps the keyboard.
    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 500));
    EXPECT_EQ(selected(), a->id());
    EXPECT_TRUE(canvas->hasFocus());

    // A double click is a press, then a second press that is a double click.
    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, pointOn(c));
    QTest::mouseDClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, pointOn(c));
    EXPECT_EQ(selected(), c->id());
    EXPECT_EQ(controller().editingNodeID(), c->id());
    EXPECT_FALSE(controller().editingIsNew());
    ASSERT_NE(editorText(), nullptr);
    EXPECT_EQ(editorText()->toPlainText(), QStringLiteral("Closing words"));
    EXPECT_TRUE(editorText()->hasFocus());
    // The editor lies where the node's text is drawn.
    const QRect editor = canvas->editorOverlay()->geometry();
    EXPECT_EQ(editor.left(), frameOf(c).origin.x() + 14);
    EXPECT_EQ(editor.width(), 600 - 28);

    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 500));
    QTest::mouseDClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 500));
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_EQ(selected(), c->id());
}

TEST_F(ColumnCanvasFixture, AClickInTheEmptyRowsBelowAShortPointSelectsNothing)
{
    // In column 2: a short point, empty rows beside a leaf of column 1, then a point further down.
    root = SermonNode::create(QStringLiteral("Title"));
    const SermonNodePtr shortPoint = root->addChild(QStringLiteral("First"))->addChild(QStringLiteral("Short"));
    root->addChild(QStringLiteral("A leaf"));
    const SermonNodePtr below = root->addChild(QStringLiteral("Third"))->addChild(QStringLiteral("Further down"));
    makeCanvas(QSize(2000, 600));
    const ColumnNodeFrame top = frameOf(shortPoint);
    const ColumnNodeFrame bottom = frameOf(below);
    ASSERT_EQ(top.column, 2);
    ASSERT_LT(top.subtreeBottom, bottom.subtreeTop);
    const int x = static_cast<int>(top.origin.x()) + 30;

    const struct {
        qreal y;
        std::optional<QUuid> selects;
    } clicks[] = {
        { top.subtreeBottom - 1, shortPoint->id() },
        { top.subtreeBottom, root->id() },
        { (top.subtreeBottom + bottom.subtreeTop) / 2, root->id() },
        { bottom.subtreeTop - 1, root->id() },
        { bottom.subtreeTop, below->id() },
    };
    for (const auto& click : clicks) {
        select(root);
        // Far enough apart in time that no two make a double click.
        QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x, static_cast<int>(click.y)), 1000);
        EXPECT_EQ(selected(), click.selects) << click.y;
    }
}

TEST_F(ColumnCanvasFixture, UndoRedoRestoresTheSelectionTheDocumentWasToldOf)
{
    select(a2);
    controller().deleteSelection();
    EXPECT_EQ(selected(), a1->id());
    EXPECT_TRUE(canvas->animator().isAnimating());
    undoManager->undo();
    EXPECT_EQ(selected(), a2->id());
    EXPECT_TRUE(canvas->layout().hasFrame(a2->id()));
    // Redo returns to what was selected when undo ran: the neighbour, not the title.
    undoManager->redo();
    EXPECT_EQ(selected(), a1->id());
    EXPECT_FALSE(canvas->layout().hasFrame(a2->id()));
}

TEST_F(ColumnCanvasFixture, TitleChangedFromOutsideAndWidthChangesLayOutWithoutAGlide)
{
    document->recordUndo(std::nullopt);
    root->setText(QStringLiteral("A title") + QChar(u'\u2028') + QStringLiteral("on two lines"));
    QCoreApplication::processEvents();
    EXPECT_EQ(frameOf(root).size.height(), 56);
    EXPECT_FALSE(canvas->animator().isAnimating());

    preferences->setColumnWidths(QStringLiteral("[400,300]"));
    EXPECT_EQ(canvas->layout().columnXEdges(), std::vector<qreal>({ 0, 400, 700, 1300 }));
    EXPECT_FALSE(canvas->animator().isAnimating());
}

TEST_F(ColumnCanvasFixture, WidthHandlesSitOnTheShownEdgesAndStoreWhatIsDragged)
{
    canvas->resize(1400, 600);
    ColumnDragHandleOverlay& overlay = *canvas->handleOverlay();
    std::vector<DividerHandle*> handles = overlay.visibleHandles();
    ASSERT_EQ(handles.size(), 2u); // the third edge lies beyond the canvas
    EXPECT_EQ(handles[0]->geometry().center().x() + 1, 600);
    EXPECT_EQ(handles[0]->width(), 8);

    // Dragged in the canvas's coordinates, from the width at the press, clamped, and back.
    Drag drag(canvas.get(), QPoint(600, 300));
    drag.moveTo(QPoint(650, 300));
    EXPECT_EQ(preferences->columnWidths(), QStringLiteral("[650]"));
    EXPECT_FALSE(canvas->animator().isAnimating());
    // The handle has moved along with the edge; the next step is measured from the press.
    drag.moveTo(QPoint(700, 300));
    EXPECT_EQ(preferences->columnWidths(), QStringLiteral("[700]"));
    drag.moveTo(QPoint(1700, 300));
    EXPECT_EQ(preferences->columnWidths(), QStringLiteral("[1200]"));
    drag.moveTo(QPoint(1000, 300));
    EXPECT_EQ(preferences->columnWidths(), QStringLiteral("[1000]"));
    drag.release(QPoint(1000, 300));
    EXPECT_EQ(canvas->layout().columnXEdges()[1], 1000);

    // A deeper column's handle fills the list up to it.
    preferences->setColumnWidths(QStringLiteral("[]"));
    ASSERT_NE(overlay.handle(1), nullptr);
    const int x = overlay.handle(1)->geometry().center().x();
    Drag second(canvas.get(), QPoint(x, 300));
    second.moveTo(QPoint(x - 500, 300));
    second.release(QPoint(x - 500, 300));
    EXPECT_EQ(preferences->columnWidths(), QStringLiteral("[600,180]"));
}

TEST_F(ColumnCanvasFixture, TheSelectedPointStaysInViewWhenWidthsTheCanvasOrItsTextMoveIt)
{
    // Points of a few words, one line each at full width, more once their column narrows.
    root = SermonNode::create(QStringLiteral("Title"));
    for (int i = 0; i < 40; ++i)
        root->addChild(QStringLiteral("Point %1 has words enough for more lines in a narrow column").arg(i));
    makeCanvas(QSize(1300, 600));
    const SermonNodePtr point = root->children()[15];
    const auto inView = [&] {
        const ColumnNodeFrame frame = frameOf(point);
        const qreal x = canvas->columnScreenX(frame.column).value_or(-1);
        const qreal y = frame.origin.y() + canvas->panOffset().y();
        return x >= 0 && x + frame.size.width() <= canvas->width() && y >= 0
            && y + frame.size.height() <= canvas->height();
    };
    const auto handleX = [&](qint64 column) {
        DividerHandle* handle = canvas->handleOverlay()->handle(column);
        return handle ? handle->geometry().center().x() + 1 : -1;
    };
    select(point);
    finishAnimations();
    ASSERT_TRUE(inView());

    // Narrowed by its handle, the column grows taller step by step; its edge stays under the
    // pointer.
    Drag narrowing(canvas.get(), QPoint(1200, 300));
    for (int x = 1150; x >= 800; x -= 50) {
        narrowing.moveTo(QPoint(x, 300));
        EXPECT_TRUE(inView()) << x;
        EXPECT_EQ(handleX(1), x);
    }
    narrowing.release(QPoint(800, 300));
    ASSERT_GT(frameOf(point).origin.y(), 600);
    EXPECT_TRUE(inView());

    // A shorter window, then typing that adds a line.
    canvas->resize(1300, 400);
    EXPECT_TRUE(inView());
    canvas->scrollColumnsBy(0, canvas->height() - 10 - (frameOf(point).subtreeBottom + canvas->panOffset().y()));
    ASSERT_TRUE(inView());
    canvas->beginColumnEditing(point->id(), false);
    type(QStringLiteral(" and then a few more words at its end"));
    ASSERT_GT(frameOf(point).size.height(), 28 * 3);
    EXPECT_TRUE(inView());
    press(Qt::Key_Escape);

    // Pushed out across by a wider column before it, it stays put while the handle is held and
    // glides back when it is let go.
    Drag widening(canvas.get(), QPoint(600, 300));
    widening.moveTo(QPoint(1200, 300));
    EXPECT_EQ(handleX(0), 1200);
    ASSERT_FALSE(inView());
    EXPECT_EQ(canvas->panOffset().x(), 0);
    widening.release(QPoint(1200, 300));
    finishAnimations();
    EXPECT_TRUE(inView());

    // Scrolled away from by the user, it is left where it is.
    canvas->scrollColumnsBy(5000, 5000);
    ASSERT_FALSE(inView());
    canvas->resize(1200, 350);
    preferences->setColumnWidths(QStringLiteral("[500,300]"));
    finishAnimations();
    EXPECT_EQ(canvas->panOffset(), QPointF(0, 0));
}

TEST_F(ColumnCanvasFixture, WidthHandlesFollowCollapsedColumnsAndLeaveStrips)
{
    canvas->scrollColumnsBy(-250, 0);
    ASSERT_NE(canvas->handleOverlay()->handle(0), nullptr);
    EXPECT_EQ(canvas->handleOverlay()->handle(0)->geometry().center().x() + 1, 350);
    // Column 0 a strip, column 1 cut to 500 points beside it.
    canvas->scrollColumnsBy(-450, 0);
    EXPECT_EQ(canvas->handleOverlay()->handle(0), nullptr);
    ASSERT_NE(canvas->handleOverlay()->handle(1), nullptr);
    EXPECT_EQ(canvas->handleOverlay()->handle(1)->geometry().center().x() + 1, 44 + 500);
}

TEST_F(ColumnCanvasFixture, DrawsTextBandLinesHeadersAndStripsAtEitherPixelRatio)
{
    makePoints(40);
    root->children()[0]->addChild(QStringLiteral("Child of the first point"));
    for (int i = 0; i < 30; ++i)
        root->children()[1]->addChild(QStringLiteral("Sub-point %1").arg(i));
    makeCanvas(QSize(1500, 500));
    for (qreal ratio : { 1.0, 2.0 }) {
        canvas->scrollColumnsBy(9000, 9000);
        QImage image((QSizeF(canvas->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            const ColumnRenderer::Stats stats = canvas->renderCanvas(painter, QSizeF(canvas->size()));
            EXPECT_GT(stats.texts, 10);
            EXPECT_GT(stats.ruledLines, 10);
        }
        // The title's text in ink near its place, the band's tint over the title's column.
        const QColor ink = Appearance::inkColor(isDarkAppearance());
        bool hasInk = false;
        for (int x = 14; x < 60 && !hasInk; ++x) {
            for (int y = 6; y < 22 && !hasInk; ++y)
                hasInk = image.pixelColor(QPoint(x, y) * ratio).lightness() < 150;
        }
        EXPECT_TRUE(hasInk) << ratio << " " << ink.name().toStdString();
        EXPECT_NE(image.pixelColor(QPoint(300, 300) * ratio), QColor(Qt::white));

        // Scrolled down and right: a pinned header, a partly collapsed column and a strip.
        canvas->scrollColumnsBy(-700, -200);
        image.fill(Qt::white);
        QPainter painter(&image);
        const ColumnRenderer::Stats stats = canvas->renderCanvas(painter, QSizeF(canvas->size()));
        EXPECT_GT(stats.texts, 5);
    }
}

TEST_F(ColumnCanvasFixture, DeepOutlineShowsScrollsAndPaints)
{
    root = SermonNode::create(QStringLiteral("Title"));
    SermonNodePtr node = root;
    for (int i = 0; i < 20000; ++i)
        node = node->addChild(QStringLiteral("Level %1").arg(i));
    makeCanvas();
    EXPECT_EQ(canvas->layout().columnCount(), 20001);
    canvas->scrollColumnsBy(-600.0 * 10000, 0);
    QImage image(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    EXPECT_GT(canvas->renderCanvas(painter, QSizeF(canvas->size())).texts, 0);
    select(node);
    EXPECT_EQ(selected(), node->id());
}

// Each marker is drawn from the colour emoji font, in its own colours whatever the appearance's
// ink, and at the size of the others.
TEST_F(ColumnCanvasFixture, EveryMarkerIsDrawnInColourAtOneSizeAtEitherPixelRatio)
{
    if (EmojiText::emojiFamily().isEmpty())
        GTEST_SKIP() << "no colour emoji font is installed";
    root = SermonNode::create(QStringLiteral("Title"));
    const QStringList markers = kestrion::test::markerCircles();
    for (const QString& marker : markers)
        root->addChild(marker + QStringLiteral(" Point"));
    makeCanvas(QSize(1500, 600));
    const AppAppearance saved = Appearance::shared().appearance();
    const auto restore = qScopeGuard([&] { Appearance::shared().apply(saved); });
    for (qreal ratio : { 1.0, 2.0 }) {
        const auto paint = [&](AppAppearance appearance) {
            Appearance::shared().apply(appearance);
            QImage image((QSizeF(canvas->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            canvas->renderCanvas(painter, QSizeF(canvas->size()));
            return image;
        };
        const QImage light = paint(AppAppearance::Light);
        const QImage dark = paint(AppAppearance::Dark);
        // The first line's text, above the rule beneath it.
        const auto lineArea = [&](const SermonNodePtr& node, qreal width) {
            const ColumnNodeFrame frame = frameOf(node);
            const QRectF line(
                frame.origin + canvas->panOffset() + QPointF(ColumnMetrics::textInset, ColumnMetrics::textTop),
                QSizeF(width, ColumnMetrics::lineHeight - ColumnMetrics::textTop - 2));
            return QRectF(line.topLeft() * ratio, line.size() * ratio).toRect();
        };
        const QFont font = ColumnMetrics::font(false);
        const qreal markerWidth = EmojiText::horizontalAdvance(font, QFontMetricsF(font), markers.front());
        // Opaque ink only, not the tints.
        const QRect red = kestrion::test::inkBounds(light, lineArea(root->children().front(), 60), 200);
        ASSERT_FALSE(red.isEmpty());
        for (const SermonNodePtr& node : root->children()) {
            SCOPED_TRACE(node->text().toStdString() + " at " + std::to_string(ratio));
            const QRect drawn = kestrion::test::inkBounds(light, lineArea(node, 60), 200);
            EXPECT_NEAR(drawn.width(), red.width(), 1);
            EXPECT_NEAR(drawn.height(), red.height(), 1);
            const QRect marker = lineArea(node, markerWidth);
            EXPECT_TRUE(kestrion::test::differenceBounds(light.copy(marker), dark.copy(marker)).isNull());
            EXPECT_FALSE(kestrion::test::differenceBounds(light.copy(lineArea(node, 60)), dark.copy(lineArea(node, 60)))
                             .isNull())
                << "the words take the ink";
        }
    }
}
