#include "ColumnCanvasFixture.h"

#include "columns/ColumnWrapCache.h"

#include <functional>

using namespace kestrion;
using kestrion::test::ColumnCanvasFixture;
using kestrion::test::drawingOf;

namespace {

// A sermon many views tall, its points and sub-points long enough to wrap: a canvas entering
// it measures what its window shows and leaves the rest for the idle event loop.
class ColumnEnteringTest : public ColumnCanvasFixture {
protected:
    void SetUp() override
    {
        root = SermonNode::create(QStringLiteral("The Good Shepherd"));
        for (int p = 0; p < 40; ++p) {
            const SermonNodePtr point = root->addChild(
                QStringLiteral("Point %1: he calls his own sheep by name and leads them out, and they follow him")
                    .arg(p));
            for (int s = 0; s < 1 + p % 3; ++s)
                point->addChild(QStringLiteral("Sub-point %1: the sheep hear his voice, for they know it; a stranger "
                                               "they will not follow, but will flee from him")
                                    .arg(s));
        }
        makeCanvas(QSize(1000, 600));
        reference = enter(*document);
        reference->completeLayout();
        canvas = enter(*document);
        ASSERT_FALSE(canvas->isLayoutComplete());
    }

    // A canvas shown over a document as the window shows one on entering, the event loop not yet
    // run.
    std::unique_ptr<ColumnCanvas> enter(SermonDocument& over)
    {
        auto entered = std::make_unique<ColumnCanvas>(over, undoManager.get());
        entered->setAttribute(Qt::WA_DontShowOnScreen);
        entered->setAnimationClock(&clock);
        entered->setClipboard(&clipboard);
        entered->setPreferences(preferences.get());
        entered->resize(1000, 600);
        entered->show();
        return entered;
    }

    ColumnLayout freshLayout(const SermonNodePtr& tree)
    {
        ColumnWrapCache cache;
        return ColumnLayout::build(tree, canvas->columnWidths(), cache);
    }

    std::unique_ptr<ColumnCanvas> reference;
};

} // namespace

// The first view is drawn as a layout measured through draws it, and stays so once the rest is
// measured while the event loop is idle.
TEST_F(ColumnEnteringTest, TheFirstViewIsDrawnAsAFullLayoutDrawsItAndStaysSo)
{
    const QImage first = drawingOf(*canvas);
    EXPECT_TRUE(first == drawingOf(*reference));
    for (int turn = 0; turn < 1000 && !canvas->isLayoutComplete(); ++turn)
        QCoreApplication::processEvents();
    ASSERT_TRUE(canvas->isLayoutComplete());
    EXPECT_EQ(canvas->layout().snapshot(), freshLayout(root));
    EXPECT_TRUE(drawingOf(*canvas) == first);
}

// A key, a click, a scroll to the end, an edit or a taller window that comes before the rest is
// measured finds the geometry a complete layout has: the same selection, pan, boxes and drawing.
TEST_F(ColumnEnteringTest, WhatComesBeforeTheRestIsMeasuredSeesTheWholeLayout)
{
    const std::vector<std::pair<const char*, std::function<void(ColumnCanvas&)>>> actions {
        { "keys",
            [](ColumnCanvas& c) {
                QTest::keyClick(&c, Qt::Key_Right);
                for (int i = 0; i < 12; ++i)
                    QTest::keyClick(&c, Qt::Key_Down);
            } },
        { "click", [](ColumnCanvas& c) { c.selectNodeAtPoint(QPointF(700, 100)); } },
        { "scroll to the end", [](ColumnCanvas& c) { c.scrollColumnsBy(0, -1e7); } },
        { "edit",
            [](ColumnCanvas& c) {
                const SermonNodePtr point = c.document().root()->children()[1];
                c.beginColumnEditing(point->id(), false);
                c.controller().setEditingText(point->text() + QStringLiteral(" and more words").repeated(6));
            } },
        { "taller window", [](ColumnCanvas& c) { c.resize(1000, 1900); } },
    };
    for (const auto& [name, action] : actions) {
        SCOPED_TRACE(name);
        // Each over a document of its own, with the same points.
        SermonDocument early(root->deepCopy(false));
        SermonDocument late(root->deepCopy(false));
        std::unique_ptr<ColumnCanvas> entered = enter(early);
        std::unique_ptr<ColumnCanvas> complete = enter(late);
        complete->completeLayout();
        ASSERT_FALSE(entered->isLayoutComplete());
        action(*entered);
        action(*complete);
        clock.advance(10);
        entered->tickAnimations();
        complete->tickAnimations();
        EXPECT_EQ(entered->controller().selectedNodeID(), complete->controller().selectedNodeID());
        EXPECT_EQ(entered->panOffset(), complete->panOffset());
        EXPECT_EQ(entered->layout().snapshot(), freshLayout(early.root()));
        EXPECT_EQ(entered->layout().snapshot(), complete->layout().snapshot());
        EXPECT_TRUE(drawingOf(*entered) == drawingOf(*complete));
    }
}
