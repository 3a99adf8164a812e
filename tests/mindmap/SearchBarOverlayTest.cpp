#include "CanvasFixture.h"

#include "mindmap/CanvasGeometry.h"
#include "mindmap/SearchBarOverlay.h"
#include "platform/CommandRouter.h"
#include "platform/FindAction.h"
#include "platform/PlainButton.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>

using namespace kestrion;
using namespace kestrion::test;

namespace {

// A bar in a window whose menu-like actions have the bare keys of the map as shortcuts.
class SearchBarOverlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        bar = new SearchBarOverlay(window.get());
        bar->setOnNext([this] { steps << QStringLiteral("next"); });
        bar->setOnPrevious([this] { steps << QStringLiteral("previous"); });
        bar->setOnDismiss([this] { steps << QStringLiteral("dismiss"); });
        bar->setOnQueryChanged([this](const QString& query) { queries << query; });
        for (const QKeySequence& key : { QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_Backspace),
                 QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Up), QKeySequence(Qt::Key_Escape) }) {
            auto* action = new QAction(window.get());
            action->setShortcut(key);
            action->setShortcutContext(Qt::WindowShortcut);
            QObject::connect(action, &QAction::triggered, [this, key] { shortcuts << key.toString(); });
            window->addAction(action);
        }
        window->resize(400, 60);
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window.get());
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(bar->field(), &event);
    }

    std::unique_ptr<QWidget> window;
    SearchBarOverlay* bar = nullptr;
    QStringList steps;
    QStringList queries;
    QStringList shortcuts;
};

class SearchOnTheCanvasTest : public CanvasFixture {
protected:
    SearchBarOverlay* bar() const { return qobject_cast<SearchBarOverlay*>(canvas->searchBarOverlay()); }
    QRectF shownBox(const SermonNodePtr& node)
    {
        const NodeLayout& l = layoutOf(node);
        return QRectF(l.origin * canvas->scale() + canvas->panOffset(), l.size * canvas->scale());
    }
    // Pans so that the middle of a node lies at a point of the view.
    void putAt(const SermonNodePtr& node, const QPointF& viewPoint)
    {
        canvas->setPanOffset(
            canvas->clampPan(panKeeping(viewPoint, shownBox(node).center() - canvas->panOffset(), canvas->scale())));
    }
};

} // namespace

TEST(SearchBarLabelTest, MatchPositionTexts)
{
    EXPECT_EQ(SearchBarOverlay::matchLabelText(0, 0), "0 results");
    EXPECT_EQ(SearchBarOverlay::matchLabelText(-1, 0), "0 results");
    EXPECT_EQ(SearchBarOverlay::matchLabelText(3, 1), "2 of 3");
    EXPECT_EQ(SearchBarOverlay::matchLabelText(1, 0), "1 of 1");
}

TEST_F(SearchBarOverlayTest, ShownItTakesTheKeyboardAndShowsNoCountWithoutAQuery)
{
    EXPECT_TRUE(bar->field()->hasFocus());
    EXPECT_EQ(bar->field()->placeholderText(), "Search");
    EXPECT_FALSE(bar->matchLabel()->isVisible());
    EXPECT_FALSE(bar->previousButton()->isEnabled());
    EXPECT_FALSE(bar->nextButton()->isEnabled());
    QTest::mouseClick(bar->closeButton(), Qt::LeftButton);
    EXPECT_EQ(steps, QStringList { "dismiss" });

    QTest::keyClicks(bar->field(), QStringLiteral("gr"));
    EXPECT_EQ(queries, (QStringList { "g", "gr" }));
    EXPECT_TRUE(bar->matchLabel()->isVisible());
    EXPECT_EQ(bar->matchLabel()->text(), "0 results");
    bar->setMatches(3, 1);
    EXPECT_EQ(bar->matchLabel()->text(), "2 of 3");
    EXPECT_TRUE(bar->nextButton()->isEnabled());
    // Shown from outside, a query is not reported back.
    bar->setQuery(QStringLiteral("grace"));
    EXPECT_EQ(queries.size(), 2);
}

TEST_F(SearchBarOverlayTest, KeysStepAndCloseAndNoShortcutActsOnThem)
{
    press(Qt::Key_Down);
    press(Qt::Key_Down, Qt::NoModifier, true);
    press(Qt::Key_Up, Qt::NoModifier, true);
    press(Qt::Key_Return);
    press(Qt::Key_Return, Qt::NoModifier, true);
    press(Qt::Key_Return, Qt::ShiftModifier);
    press(Qt::Key_Enter, Qt::ShiftModifier | Qt::AltModifier);
    press(Qt::Key_Escape, Qt::NoModifier, true);
    EXPECT_EQ(steps, (QStringList { "next", "next", "previous", "next", "previous", "previous", "dismiss" }));

    // Through the shortcut machinery: the field has these keys first.
    steps.clear();
    QTest::keyClicks(bar->field(), QStringLiteral("a b"));
    QTest::keyClick(bar->field(), Qt::Key_Backspace);
    QTest::keyClick(bar->field(), Qt::Key_Return);
    QTest::keyClick(bar->field(), Qt::Key_Up);
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    EXPECT_EQ(bar->query(), "a ");
    EXPECT_EQ(steps, (QStringList { "next", "previous", "dismiss" }));
    EXPECT_TRUE(shortcuts.isEmpty()) << shortcuts.join(u',').toStdString();
}

TEST_F(SearchOnTheCanvasTest, FindOpensTheBarAndTheSearchRunsThroughTheController)
{
    CommandRouter& router = CommandRouter::shared();
    router.setFocusOverride(canvas.get());
    const std::optional<FindAction> find = router.value<FocusedFindKey>();
    router.setFocusOverride(nullptr);
    ASSERT_TRUE(find);
    find->action();
    ASSERT_NE(bar(), nullptr);
    EXPECT_TRUE(bar()->isVisible());
    EXPECT_TRUE(bar()->field()->hasFocus());
    EXPECT_EQ(bar()->geometry().top(), 12);

    QTest::keyClicks(bar()->field(), QStringLiteral("BETA"));
    EXPECT_EQ(controller().searchQuery(), "BETA");
    EXPECT_EQ(controller().searchMatches(), (QList<QUuid> { b1->id(), b2->id() }));
    EXPECT_EQ(bar()->matchLabel()->text(), "1 of 2");
    QTest::keyClick(bar()->field(), Qt::Key_Down);
    EXPECT_EQ(controller().currentMatchIndex(), 1);
    EXPECT_EQ(bar()->matchLabel()->text(), "2 of 2");
    QTest::keyClick(bar()->field(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(controller().currentMatchIndex(), 0);

    // Backspace edits the query, never the tree.
    const auto nodes = root->allNodes().size();
    QTest::keyClick(bar()->field(), Qt::Key_Backspace);
    EXPECT_EQ(controller().searchQuery(), "BET");
    EXPECT_EQ(root->allNodes().size(), nodes);

    // Find again while open takes the keyboard back to the field.
    canvas->setCanvasFocused(true);
    find->action();
    EXPECT_TRUE(bar()->field()->hasFocus());

    QTest::keyClick(bar()->field(), Qt::Key_Escape);
    EXPECT_FALSE(controller().isSearching());
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_TRUE(canvas->hasFocus());
    EXPECT_TRUE(b->isCollapsed());
    // A new search starts empty.
    canvas->openSearch();
    EXPECT_TRUE(bar()->query().isEmpty());
    EXPECT_FALSE(bar()->matchLabel()->isVisible());
}

TEST_F(SearchOnTheCanvasTest, FindWhileANewNodeIsStillEmptyLeavesTheKeyboardInTheField)
{
    controller().setSelectedNodeID(a1->id());
    canvas->setCanvasFocused(true);
    QTest::keyClick(canvas.get(), Qt::Key_Tab);
    ASSERT_TRUE(controller().editingNodeID());

    canvas->openSearch();
    EXPECT_FALSE(controller().editingNodeID());
    EXPECT_TRUE(a1->children().empty());
    EXPECT_TRUE(bar()->field()->hasFocus());
}

TEST_F(SearchOnTheCanvasTest, AFoundPointAndASelectionScrolledIntoViewLieClearOfTheBar)
{
    canvas->openSearch();
    const QRectF area(bar()->geometry());
    putAt(a1, area.center());
    ASSERT_TRUE(shownBox(a1).intersects(area));
    QTest::keyClicks(bar()->field(), QStringLiteral("alpha one"));
    ASSERT_EQ(controller().searchMatches(), QList<QUuid> { a1->id() });
    finishAnimations();
    EXPECT_FALSE(shownBox(a1).intersects(area));

    // So low a view that a quarter of the way down lies under the bar.
    canvas->resize(800, 110);
    QCoreApplication::processEvents();
    putAt(c, QPointF(area.center().x(), -100));
    controller().setSelectedNodeID(c->id());
    finishAnimations();
    EXPECT_FALSE(shownBox(c).intersects(area));
    EXPECT_LE(shownBox(c).bottom(), 110);
}
