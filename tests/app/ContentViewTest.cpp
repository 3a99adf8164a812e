#include "app/ContentView.h"

#include "app/AppBackground.h"
#include "columns/ColumnCanvas.h"
#include "columns/ColumnEditorOverlay.h"
#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryCounterBlock.h"
#include "delivery/DeliveryMeasureKeeper.h"
#include "delivery/DeliveryTimer.h"
#include "delivery/DeliveryView.h"
#include "document/DocumentController.h"
#include "document/SermonDocument.h"
#include "mindmap/FocusedNodeActionsKey.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/StatusBarView.h"
#include "mindmap/ZoomControlsView.h"
#include "platform/CommandRouter.h"
#include "platform/PlainButton.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"
#include "sheets/FileSettingsSheet.h"
#include "sheets/OccurrencesEditor.h"
#include "sheets/SermonDetailsForm.h"
#include "sheets/SingleLineField.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "platform/WindowPlacement.h"
#include "support/RoomyScreen.h"
#include "support/TreeDump.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

using namespace kestrion;

namespace {

class ContentViewTest : public ::testing::Test {
protected:
    ContentViewTest()
        : m_preferences(
            std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat))
    {
    }

    // At a size where the map lays out every node.
    static void showLaidOut(ContentView& view)
    {
        view.resize(1000, 700);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    // The File Settings of a sermon with that many occasions, over the view on a small screen.
    QWidget* showFileSettingsOnSmallScreen(ContentView& view, const QRect& area, std::size_t occasions)
    {
        WindowPlacement::setAvailableAreaOverride(area);
        SermonMetadata metadata;
        metadata.occasions.resize(occasions);
        for (std::size_t i = 0; i < occasions; ++i)
            metadata.occasions[i].date = QDate(2024, 1, 7).addDays(7 * qint64(i));
        m_document.setMetadata(metadata);
        view.show();
        view.showFileSettings();
        QWidget* dialog = view.fileSettingsSheet()->window();
        QCoreApplication::processEvents();
        return dialog;
    }

    RoomyScreen m_screen;
    QTemporaryDir m_folder;
    Preferences m_preferences;
    SermonDocument m_document;
};

TEST_F(ContentViewTest, AppearanceButtonCyclesSystemLightDarkAndBack)
{
    ContentView view(m_document, m_preferences);
    QToolButton* button = view.appearanceButton();
    EXPECT_EQ(view.appearance(), AppAppearance::System);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Appearance: System"));

    const std::vector<std::pair<AppAppearance, QString>> expected { { AppAppearance::Light, QStringLiteral("Light") },
        { AppAppearance::Dark, QStringLiteral("Dark") }, { AppAppearance::System, QStringLiteral("System") } };
    for (const auto& [appearance, raw] : expected) {
        button->click();
        EXPECT_EQ(view.appearance(), appearance);
        EXPECT_EQ(m_preferences.settings().value(Preferences::appearanceKey).toString(), raw);
        EXPECT_EQ(button->toolTip(), QStringLiteral("Appearance: ") + raw);
    }
}

TEST_F(ContentViewTest, UnknownStoredAppearanceCountsAsSystemAndIsLeftAlone)
{
    m_preferences.settings().setValue(Preferences::appearanceKey, QStringLiteral("dark"));
    ContentView view(m_document, m_preferences);
    EXPECT_EQ(view.appearanceButton()->toolTip(), QStringLiteral("Appearance: System"));
    EXPECT_EQ(m_preferences.settings().value(Preferences::appearanceKey).toString(), QStringLiteral("dark"));
    view.cycleAppearance();
    EXPECT_EQ(view.appearance(), AppAppearance::Light);
}

TEST_F(ContentViewTest, ChangeFromAnotherWindowReachesTheButton)
{
    ContentView first(m_document, m_preferences);
    ContentView second(m_document, m_preferences);
    first.cycleAppearance();
    EXPECT_EQ(second.appearanceButton()->toolTip(), QStringLiteral("Appearance: Light"));
}

TEST_F(ContentViewTest, ModeSwitchOffersMindMapColumnsAndDeliveryAndStartsInTheMindMap)
{
    ContentView view(m_document, m_preferences);
    EXPECT_EQ(view.mode(), AppMode::Tree);
    EXPECT_EQ(
        ContentView::offeredModes(), std::vector<AppMode>({ AppMode::Tree, AppMode::Columns, AppMode::Delivery }));
    const std::vector<std::pair<AppMode, QString>> segments { { AppMode::Tree, QStringLiteral("Mind Map") },
        { AppMode::Columns, QStringLiteral("Columns") }, { AppMode::Delivery, QStringLiteral("Delivery") } };
    for (const auto& [mode, title] : segments) {
        ASSERT_NE(view.modeButton(mode), nullptr);
        EXPECT_EQ(view.modeButton(mode)->text(), title);
    }
    EXPECT_TRUE(view.modeButton(AppMode::Tree)->isChecked());

    QSignalSpy changed(&view, &ContentView::modeChanged);
    view.modeButton(AppMode::Delivery)->click();
    EXPECT_EQ(view.mode(), AppMode::Delivery);
    EXPECT_TRUE(view.modeButton(AppMode::Delivery)->isChecked());
    EXPECT_FALSE(view.modeButton(AppMode::Tree)->isChecked());
    ASSERT_EQ(changed.count(), 1);

    // Clicking the segment that is on changes nothing.
    view.modeButton(AppMode::Delivery)->click();
    EXPECT_EQ(changed.count(), 1);
}

// One key must not cost a live sermon its timing: the delivery goes on while another mode is
// shown and comes back as it stands; only a reset or the window closing ends it.
TEST_F(ContentViewTest, ADeliveryUnderWayOutlastsAVisitToAnotherModeUntilTheWindowCloses)
{
    for (int p = 0; p < 12; ++p)
        m_document.root()->addChild(QStringLiteral("Point %1").arg(p))->addChild(QStringLiteral("word ").repeated(60));
    ContentView view(m_document, m_preferences);
    showLaidOut(view);
    EXPECT_EQ(view.findChild<DeliveryView*>(), nullptr);
    view.setMode(AppMode::Delivery);
    QPointer<DeliveryView> delivery = qobject_cast<DeliveryView*>(view.modeContent(AppMode::Delivery));
    ASSERT_TRUE(delivery);
    DeliveryTimer& timer = delivery->timer();
    DeliveryCanvasState& state = delivery->canvasState();
    timer.start();
    timer.adjust(5);
    const std::optional<double> started = timer.firstStartedAt();
    state.setScrollY(state.clampedScrollY(400));
    ASSERT_GT(state.scrollY(), 0);
    const double place = state.scrollY();

    for (const AppMode other : { AppMode::Tree, AppMode::Columns }) {
        view.setMode(other);
        ASSERT_TRUE(delivery);
        EXPECT_EQ(timer.state(), TimerState::Running);
        EXPECT_TRUE(timer.isTicking());
        // Out of sight nothing redraws, and the wheel is the other mode's.
        EXPECT_FALSE(delivery->canvas()->isTicking());
        QWheelEvent wheel(QPointF(400, 300), view.mapToGlobal(QPointF(400, 300)), QPoint(), QPoint(0, -240),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.windowHandle(), &wheel);
        // No room is kept for a column that is not shown.
        EXPECT_EQ(delivery->minimumWidth(), 0);

        const quint64 layouts = delivery->canvas()->layoutCount();
        view.setMode(AppMode::Delivery);
        EXPECT_EQ(view.modeContent(AppMode::Delivery), delivery.data());
        EXPECT_EQ(timer.state(), TimerState::Running);
        EXPECT_EQ(timer.targetSeconds(), timer.plannedTargetSeconds() + 300);
        EXPECT_EQ(timer.firstStartedAt(), started);
        EXPECT_DOUBLE_EQ(state.scrollY(), place);
        EXPECT_TRUE(delivery->canvas()->isTicking());
        EXPECT_EQ(delivery->canvas()->layoutCount(), layouts);
    }

    // Edits made meanwhile are on the page on coming back, laid out once for all of them.
    timer.pause();
    view.setMode(AppMode::Tree);
    const quint64 layouts = delivery->canvas()->layoutCount();
    SermonNodePtr late;
    for (int i = 0; i < 3; ++i) {
        m_document.recordUndo(std::nullopt);
        late = m_document.root()->addChild(QStringLiteral("A late thought %1").arg(i));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(delivery->canvas()->layoutCount(), layouts);
    view.setMode(AppMode::Delivery);
    EXPECT_EQ(timer.state(), TimerState::Paused);
    EXPECT_EQ(delivery->canvas()->layoutCount(), layouts + 1);
    EXPECT_TRUE(state.layout()->nodeYPositions.contains(late->id()));

    // Closing the window ends a delivery out of sight too.
    timer.start();
    view.setMode(AppMode::Tree);
    view.close();
    EXPECT_EQ(timer.state(), TimerState::Idle);
    EXPECT_FALSE(timer.isTicking());
}

TEST_F(ContentViewTest, BackInTheMindMapTheMapHasTheKeyboardAgain)
{
    // Else its keys and the menu's node commands do nothing until the map is clicked.
    ContentView view(m_document, m_preferences);
    view.show();
    QApplication::setActiveWindow(&view);
    MindMapCanvas* canvas = view.mindMapCanvas();
    canvas->setFocus();
    view.setMode(AppMode::Delivery);
    view.setMode(AppMode::Tree);
    EXPECT_TRUE(canvas->hasFocus());
}

TEST_F(ContentViewTest, BackInTheMapAnOpenSearchHasTheKeyboardAndEscapeClosesItFromTheMapToo)
{
    m_document.root()->addChild(QStringLiteral("A long road home"));
    ContentView view(m_document, m_preferences);
    showLaidOut(view);
    QApplication::setActiveWindow(&view);
    MindMapCanvas* canvas = view.mindMapCanvas();
    canvas->openSearch();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("long"));
    view.setMode(AppMode::Columns);
    view.setMode(AppMode::Tree);
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, QStringLiteral(" road"));
    EXPECT_EQ(canvas->controller().searchQuery(), QStringLiteral("long road"));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(canvas->controller().isSearching());

    // A click on the map takes the keyboard from the field; Escape there still closes.
    canvas->openSearch();
    canvas->setCanvasFocused(true);
    QTest::keyClick(canvas, Qt::Key_Escape);
    EXPECT_FALSE(canvas->controller().isSearching());
}

// What is typed after a key that adds a point goes into that point, on the map and in the
// columns alike: Return on the title (which has no siblings) and Tab on a quote (which holds
// no points) each add one where one can go.
TEST_F(ContentViewTest, WordsTypedAfterANewPointKeyGoIntoTheNewPoint)
{
    struct Case {
        const char* name;
        bool onQuote;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* shape;
    };
    const Case cases[] = {
        { "Return on the title", false, Qt::Key_Return, Qt::NoModifier,
            "The Father Who Runs:0|Far off:1q|Home:1|Opening story here:1|" },
        { "Shift+Return on the title", false, Qt::Key_Return, Qt::ShiftModifier,
            "The Father Who Runs:0|Far off:1q|Home:1|Opening story here:1|" },
        { "Tab on a quote", true, Qt::Key_Tab, Qt::NoModifier,
            "The Father Who Runs:0|Far off:1q|Opening story here:1|Home:1|" },
    };
    for (const AppMode mode : { AppMode::Tree, AppMode::Columns }) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (mode == AppMode::Tree ? " on the map" : " in the columns"));
            const SermonNodePtr root = SermonNode::create(QStringLiteral("The Father Who Runs"));
            const SermonNodePtr quote = root->addChild(QStringLiteral("Far off"));
            quote->setQuote(true);
            root->addChild(QStringLiteral("Home"));
            SermonDocument document(root);
            UndoManager undoManager;
            ContentView view(document, m_preferences, &undoManager);
            showLaidOut(view);
            QApplication::setActiveWindow(&view);
            view.setMode(mode);
            DocumentController& controller
                = mode == AppMode::Tree ? view.mindMapCanvas()->controller() : view.columnCanvas()->controller();
            controller.setSelectedNodeID(c.onQuote ? quote->id() : root->id());

            QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(c.key), c.modifiers);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Opening story here"));
            // Return goes on to a further new point, which Escape takes away again.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            EXPECT_EQ(test::treeShape(root).toStdString(), c.shape);
            EXPECT_EQ(document.undoStack().size(), 1u);
        }
    }
}

TEST_F(ContentViewTest, LeavingDeliveryInFullScreenBringsTheWindowAndToolbarBack)
{
    m_preferences.setDeliveryFullscreen(true);
    ContentView view(m_document, m_preferences);
    view.resize(1000, 700);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setMode(AppMode::Delivery);
    auto* delivery = qobject_cast<DeliveryView*>(view.modeContent(AppMode::Delivery));
    ASSERT_TRUE(delivery);
    delivery->timer().start();
    ASSERT_TRUE(view.isFullScreen());
    ASSERT_TRUE(view.toolbar()->isHidden());
    view.setMode(AppMode::Tree);
    EXPECT_FALSE(view.isFullScreen());
    EXPECT_FALSE(view.toolbar()->isHidden());
    // The setting switched meanwhile takes no window into full screen outside delivery.
    m_preferences.setDeliveryFullscreen(false);
    m_preferences.setDeliveryFullscreen(true);
    EXPECT_FALSE(view.isFullScreen());

    // Back to the delivery as it was left, in full screen.
    view.setMode(AppMode::Delivery);
    EXPECT_TRUE(view.isFullScreen());
    EXPECT_TRUE(view.toolbar()->isHidden());
    // Left out of full screen, it comes back out of it.
    delivery->escapeKey();
    view.setMode(AppMode::Tree);
    view.setMode(AppMode::Delivery);
    EXPECT_FALSE(view.isFullScreen());
    EXPECT_EQ(delivery->timer().state(), TimerState::Running);
}

TEST_F(ContentViewTest, WhileDeliveringTheWindowKeepsRoomForTheReadingColumn)
{
    m_preferences.setDeliveryTextWidth(1000);
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(0, 0, 0, 0);
    auto* view = new ContentView(m_document, m_preferences);
    column->addWidget(view);
    window.resize(900, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // Widened at once, and never narrower than the column with its gutter, as far as the
    // screen allows.
    const int screenWidth = window.screen()->availableGeometry().width();
    view->setMode(AppMode::Delivery);
    QCoreApplication::processEvents();
    EXPECT_GE(window.width(), std::min(1150, screenWidth));
    EXPECT_GE(window.minimumWidth(), std::min(1150, screenWidth));
    m_preferences.setDeliveryTextWidth(600);
    EXPECT_EQ(view->minimumSize(), QSize(800, 600));
    m_preferences.setDeliveryTextWidth(900);
    EXPECT_EQ(view->minimumWidth(), std::min(1050, screenWidth));

    view->setMode(AppMode::Tree);
    EXPECT_EQ(view->minimumSize(), QSize(800, 600));
}

// The window keeps the measures of its texts for the page as delivery will lay it out, whatever
// room the window has for the stored reading column.
TEST_F(ContentViewTest, TheMeasuresAreKeptForThePageAsDeliveryWillLayItOut)
{
    struct Case {
        int viewWidth;
        double storedWidth;
        double fontSize;
    };
    const Case cases[]
        = { { 1000, 700, 15 }, { 800, 700, 18 }, { 1000, 1000, 12 }, { 1300, 1000, 15 }, { 820, 400, 24 } };
    for (const Case& c : cases) {
        m_preferences.setDeliveryTextWidth(c.storedWidth);
        m_preferences.setDeliveryFontSize(c.fontSize);
        ContentView view(m_document, m_preferences);
        view.resize(c.viewWidth, 700);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        const DeliveryMeasureKeeper::Target target = view.deliveryTarget();
        view.setMode(AppMode::Delivery);
        QCoreApplication::processEvents();
        const DeliveryCanvas& canvas = *qobject_cast<DeliveryView*>(view.modeContent(AppMode::Delivery))->canvas();
        EXPECT_EQ(target.textWidth, canvas.textWidth()) << c.viewWidth << " " << c.storedWidth;
        EXPECT_EQ(target.baseSize, canvas.baseFontSize()) << c.viewWidth << " " << c.storedWidth;
        // Once made, the page itself says, also of a size set since.
        m_preferences.setDeliveryFontSize(20);
        EXPECT_EQ(view.deliveryTarget().baseSize, canvas.baseFontSize());
        EXPECT_EQ(canvas.baseFontSize(), 20);
    }
}

// Closing a window while its texts are measured in the background leaves none of them held.
TEST_F(ContentViewTest, AWindowClosedWhileItsTextsAreMeasuredLeavesNothingBehind)
{
    auto document = std::make_unique<SermonDocument>();
    for (int p = 0; p < 60; ++p) {
        const SermonNodePtr point = document->root()->addChild(QStringLiteral("Point %1").arg(p));
        for (int l = 0; l < 20; ++l)
            point->addChild(QStringLiteral("The shepherd calls his own sheep by name %1 ").arg(l).repeated(4));
    }
    const QString text = document->root()->children().back()->children().back()->text();
    auto view = std::make_unique<ContentView>(*document, m_preferences);
    showLaidOut(*view);
    view->deliveryMeasures().refresh();
    ASSERT_FALSE(view->deliveryMeasures().isIdle());
    view->close();
    view.reset();
    document.reset();
    EXPECT_TRUE(text.isDetached());
}

TEST_F(ContentViewTest, ColumnsModeShowsANewColumnCanvasAboveTheStatusBarEachTime)
{
    ContentView view(m_document, m_preferences);
    view.resize(900, 700);
    view.show();
    EXPECT_EQ(view.columnCanvas(), nullptr);
    view.modeButton(AppMode::Columns)->click();
    QPointer<ColumnCanvas> first = view.columnCanvas();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(view.modeContent(AppMode::Columns), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(view.modeContent(AppMode::Tree)->isVisible());
    EXPECT_TRUE(view.statusBarSlot()->isVisible());
    // The columns have no zoom: the map's buttons are not offered under them.
    EXPECT_FALSE(view.statusBar()->zoomControls()->isVisible());
    EXPECT_LT(
        first->mapTo(&view, QPoint(0, first->height())).y(), view.statusBarSlot()->mapTo(&view, QPoint()).y() + 1);

    EXPECT_TRUE(view.setMode(AppMode::Delivery));
    EXPECT_EQ(view.columnCanvas(), nullptr);
    EXPECT_FALSE(view.statusBarSlot()->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(view.setMode(AppMode::Columns));
    ASSERT_NE(view.columnCanvas(), nullptr);
    EXPECT_TRUE(view.modeButton(AppMode::Columns)->isChecked());
    EXPECT_EQ(view.columnCanvas()->controller().selectedNodeID(), m_document.root()->id());
    EXPECT_TRUE(view.setMode(AppMode::Tree));
    EXPECT_TRUE(view.statusBar()->zoomControls()->isVisible());
}

TEST_F(ContentViewTest, ChangingModeKeepsWhatIsBeingTypedAndTheMapSeesColumnEdits)
{
    ContentView view(m_document, m_preferences);
    view.show();
    MindMapCanvas* map = view.mindMapCanvas();
    map->beginEditingNode(m_document.root()->id(), false);
    map->controller().setEditingText(QStringLiteral("Typed in the map"));
    view.setMode(AppMode::Columns);
    EXPECT_EQ(m_document.root()->text(), QStringLiteral("Typed in the map"));
    EXPECT_FALSE(map->controller().editingNodeID());

    ColumnCanvas* columns = view.columnCanvas();
    ASSERT_NE(columns, nullptr);
    columns->keyCommands().addChildToEdit(m_document.root()->id());
    columns->controller().setEditingText(QStringLiteral("  Typed in the columns "));
    view.setMode(AppMode::Tree);
    ASSERT_EQ(m_document.root()->children().size(), 1u);
    const SermonNodePtr added = m_document.root()->children().front();
    EXPECT_EQ(added->text(), QStringLiteral("Typed in the columns"));
    EXPECT_TRUE(map->cachedLayouts().contains(added->id()));

    // The map's selected point, deleted in the columns, hands its selection to what remains.
    map->controller().selectSingleNode(added->id());
    view.setMode(AppMode::Columns);
    view.columnCanvas()->controller().selectSingleNode(added->id());
    view.columnCanvas()->controller().deleteSelection();
    view.setMode(AppMode::Tree);
    EXPECT_FALSE(map->cachedLayouts().contains(added->id()));
    EXPECT_EQ(map->controller().selectedNodeID(), m_document.root()->id());
}

// Minutes typed into the counter block but not confirmed: every way out of the field that a
// point being typed takes commits them, as Return would.
TEST_F(ContentViewTest, DurationTypedInDeliveryIsKeptWhenTheModeChangesOrTheWindowSavesClosesOrQuits)
{
    const std::pair<const char*, std::function<void(ContentView&)>> ways[] = {
        { "mode change", [](ContentView& view) { view.setMode(AppMode::Tree); } },
        { "save", [](ContentView& view) { view.storePendingEdits(); } },
        { "close, quit or session end", [](ContentView& view) { view.commitPendingEdits(); } },
    };
    qint64 minutes = 40;
    for (const auto& [name, leave] : ways) {
        ContentView view(m_document, m_preferences);
        view.setMode(AppMode::Delivery);
        auto* delivery = qobject_cast<DeliveryView*>(view.modeContent(AppMode::Delivery));
        ASSERT_TRUE(delivery) << name;
        delivery->counterBlock()->beginDurationEdit();
        delivery->counterBlock()->durationField()->setText(QString::number(++minutes));
        leave(view);
        EXPECT_EQ(m_document.metadata().duration, minutes) << name;
    }
}

// Refused as Return refuses them: the window stays in delivery with the field open, the bound
// shown under it and the keyboard in it, instead of the minutes vanishing with the page.
TEST_F(ContentViewTest, ADurationBeyondTheDayTypedInDeliveryKeepsTheWindowDeliveringWithTheBound)
{
    ContentView view(m_document, m_preferences);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setMode(AppMode::Delivery);
    auto* delivery = qobject_cast<DeliveryView*>(view.modeContent(AppMode::Delivery));
    ASSERT_TRUE(delivery);
    DeliveryCounterBlock* block = delivery->counterBlock();
    block->beginDurationEdit();
    block->durationField()->setText(QStringLiteral("2000"));
    QSignalSpy kept(&view, &ContentView::modeKept);
    for (const AppMode mode : { AppMode::Tree, AppMode::Columns }) {
        view.modeButton(mode)->click();
        EXPECT_EQ(view.mode(), AppMode::Delivery);
        EXPECT_EQ(view.modeContent(AppMode::Delivery), delivery);
        EXPECT_TRUE(view.modeButton(AppMode::Delivery)->isChecked());
        EXPECT_FALSE(view.modeButton(mode)->isChecked());
        EXPECT_TRUE(block->isEditingDuration());
        EXPECT_TRUE(block->refusalHint()->isVisibleTo(&view));
        EXPECT_TRUE(block->durationField()->hasFocus());
    }
    EXPECT_EQ(kept.count(), 2);
    EXPECT_FALSE(m_document.metadata().duration);
    // Mended, the minutes go in and the switch goes ahead.
    block->durationField()->setText(QStringLiteral("90"));
    EXPECT_TRUE(view.setMode(AppMode::Tree));
    EXPECT_EQ(m_document.metadata().duration, 90);
}

TEST_F(ContentViewTest, RootViewIsAtLeastEightHundredBySixHundredOverTheBackdrop)
{
    ContentView view(m_document, m_preferences);
    EXPECT_EQ(view.minimumSize(), QSize(800, 600));
    EXPECT_NE(view.findChild<AppBackground*>(), nullptr);
    EXPECT_EQ(view.scale(), 1.0);
    EXPECT_TRUE(view.setScale(1.5));
    EXPECT_FALSE(view.setScale(1.5));
}

TEST(AppearanceIndexTest, FindsByRawValueAndGivesNoneWhenAbsent)
{
    EXPECT_EQ(appearanceIndex(AppAppearance::Dark, allAppAppearances), 2);
    EXPECT_EQ(appearanceIndex(AppAppearance::System, allAppAppearances), 0);
    const std::vector<AppAppearance> some { AppAppearance::Light };
    EXPECT_EQ(appearanceIndex(AppAppearance::Light, some), 0);
    EXPECT_EQ(appearanceIndex(AppAppearance::Dark, some), std::nullopt);
}

} // namespace

TEST_F(ContentViewTest, TabOnTheMapAddsANodeInsteadOfWalkingTheToolbar)
{
    ContentView view(m_document, m_preferences);
    // Something else in the window that takes the keyboard, as the status bar's fields will.
    auto* field = new QLineEdit(view.statusBarSlot());
    view.statusBarSlot()->layout()->addWidget(field);
    view.show();
    QApplication::setActiveWindow(&view);
    MindMapCanvas* canvas = view.mindMapCanvas();
    ASSERT_NE(canvas, nullptr);
    canvas->setFocus();
    canvas->controller().setSelectedNodeID(m_document.root()->id());
    ASSERT_TRUE(canvas->hasFocus());

    QTest::keyClick(canvas, Qt::Key_Tab);
    EXPECT_EQ(m_document.root()->children().size(), 1u);
    EXPECT_TRUE(canvas->controller().editingNodeID());
    for (AppMode mode : ContentView::offeredModes())
        EXPECT_FALSE(view.modeButton(mode)->hasFocus());
    EXPECT_FALSE(field->hasFocus());
}

TEST_F(ContentViewTest, ColumnsOfferTheMenusNoNodeActions)
{
    ContentView view(m_document, m_preferences);
    view.show();
    CommandRouter& router = CommandRouter::shared();
    router.setFocusOverride(view.mindMapCanvas());
    EXPECT_TRUE(router.value<FocusedNodeActionsKey>());
    view.setMode(AppMode::Columns);
    router.setFocusOverride(view.columnCanvas());
    EXPECT_FALSE(router.value<FocusedNodeActionsKey>());
    router.setFocusOverride(nullptr);
}

TEST_F(ContentViewTest, StatusBarUnderTheMapZoomsItAndShowsItsScale)
{
    ContentView view(m_document, m_preferences);
    StatusBarView* bar = view.statusBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parentWidget(), view.statusBarSlot());
    // Before the map has handed its zoom steps over, the buttons do nothing.
    bar->zoomControls()->zoomInButton()->click();
    EXPECT_EQ(view.scale(), 1.0);

    view.show();
    MindMapCanvas* canvas = view.mindMapCanvas();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_GT(bar->mapTo(&view, QPoint()).y(), canvas->mapTo(&view, QPoint()).y());
    bar->zoomControls()->zoomInButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.scale() == 1.2; }));
    EXPECT_EQ(bar->zoomControls()->percentageButton()->text(), "120%");
    EXPECT_EQ(canvas->scale(), 1.2);
    bar->zoomControls()->percentageButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.scale() == 1.0; }));
    EXPECT_EQ(bar->zoomControls()->percentageButton()->text(), "100%");

    // The map's reading-time badges follow the pace chosen here.
    bar->paceActions().back()->trigger();
    EXPECT_EQ(canvas->readingPaceWPM(), 160);
}

TEST_F(ContentViewTest, FileSettingsSheetOverTheWindowChangesTheTitleTheMapShowsAtOnce)
{
    UndoManager undoManager;
    ContentView view(m_document, m_preferences, &undoManager);
    showLaidOut(view);
    MindMapCanvas* canvas = view.mindMapCanvas();
    const QUuid rootID = m_document.root()->id();
    ASSERT_TRUE(canvas->cachedLayouts().contains(rootID));
    const qreal widthBefore = canvas->cachedLayouts().value(rootID).size.width();

    EXPECT_EQ(view.fileSettingsButton()->toolTip(), QStringLiteral("File settings"));
    view.fileSettingsButton()->click();
    FileSettingsSheet* sheet = view.fileSettingsSheet();
    ASSERT_NE(sheet, nullptr);
    auto* dialog = qobject_cast<QDialog*>(sheet->window());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->parentWidget(), view.window());
    // A second request raises the same sheet.
    view.showFileSettings();
    EXPECT_EQ(view.fileSettingsSheet(), sheet);

    sheet->form().titleField()->selectAll();
    sheet->form().titleField()->insert(QStringLiteral("A much longer title for this sermon"));
    sheet->form().actionButton()->click();
    EXPECT_EQ(m_document.root()->text(), QStringLiteral("A much longer title for this sermon"));
    EXPECT_GT(canvas->cachedLayouts().value(rootID).size.width(), widthBefore);
    EXPECT_TRUE(undoManager.canUndo());
    EXPECT_FALSE(undoManager.isClean());
    EXPECT_FALSE(dialog->isVisible());

    undoManager.undo();
    EXPECT_EQ(m_document.root()->text(), QStringLiteral("New Sermon"));
}

// Space is typed where the keyboard seems to be, never taken as a press of Done.
TEST_F(ContentViewTest, FileSettingsOpenWithTheKeyboardInTheTitleAndAnAddedOccurrenceTakesTheNextKeys)
{
    ContentView view(m_document, m_preferences);
    showLaidOut(view);
    QApplication::setActiveWindow(&view);
    view.showFileSettings();
    FileSettingsSheet* sheet = view.fileSettingsSheet();
    ASSERT_NE(sheet, nullptr);
    const QWidget* dialog = sheet->window();
    SermonDetailsForm& form = sheet->form();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.titleField()->hasFocus(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(form.titleField()->text(), m_document.title() + u' ');

    QApplication::processEvents();
    QTest::mouseClick(form.occurrences()->addButton(), Qt::LeftButton);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" Chapel"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(form.occurrences()->editPlace(), QStringLiteral(" Chapel"));
    form.cancelButton()->click();
}

TEST_F(ContentViewTest, FileSettingsOnASmallScreenStayOnItAndScrollTheirOccasions)
{
    const QRect area(0, 24, 800, 476);
    ContentView view(m_document, m_preferences);
    QWidget* dialog = showFileSettingsOnSmallScreen(view, area, 30);
    EXPECT_LE(dialog->height() + WindowPlacement::frameMargins(*dialog).top()
            + WindowPlacement::frameMargins(*dialog).bottom(),
        area.height());
    dialog->close();
}

// The sheet grows with each occasion added; standing low on a small screen, it must not grow
// past its foot.
TEST_F(ContentViewTest, FileSettingsGrowingWithAnAddedOccurrenceStayOnTheScreen)
{
    const QRect area(0, 0, 640, 400);
    ContentView view(m_document, m_preferences);
    QWidget* dialog = showFileSettingsOnSmallScreen(view, area, 1);
    const QMargins frame = WindowPlacement::frameMargins(*dialog);
    const auto frameBottom = [&] { return dialog->y() + dialog->height() + frame.top() + frame.bottom(); };
    dialog->move(dialog->x(), area.bottom() + 1 - (dialog->height() + frame.top() + frame.bottom()));
    ASSERT_EQ(frameBottom(), area.bottom() + 1);
    const int height = dialog->height();

    QTest::mouseClick(view.fileSettingsSheet()->form().occurrences()->addButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_GT(dialog->height(), height);
    EXPECT_LE(frameBottom(), area.bottom() + 1);
    EXPECT_GE(dialog->y(), area.top());
    dialog->close();
}

TEST_F(ContentViewTest, FileSettingsTakeInTheTitleStillBeingTypedOnTheMapOrInTheColumns)
{
    UndoManager undoManager;
    ContentView view(m_document, m_preferences, &undoManager);
    showLaidOut(view);
    for (const AppMode mode : { AppMode::Tree, AppMode::Columns }) {
        view.setMode(mode);
        QApplication::processEvents();
        const QString typed = m_document.title() + QStringLiteral(" typed");
        QWidget* editorHost = nullptr;
        if (mode == AppMode::Tree) {
            MindMapCanvas* canvas = view.mindMapCanvas();
            canvas->beginEditingNode(m_document.root()->id(), false);
            canvas->controller().setEditingText(typed);
            editorHost = canvas;
        } else {
            ColumnCanvas* columns = view.columnCanvas();
            ASSERT_NE(columns, nullptr);
            columns->beginColumnEditing(m_document.root()->id(), false);
            ASSERT_NE(columns->editorOverlay(), nullptr);
            QTest::keyClicks(columns->editorOverlay()->textView(), QStringLiteral(" typed "));
            editorHost = columns;
        }

        // The sheet shows the typed title, and its own title is not overwritten afterwards.
        view.showFileSettings();
        FileSettingsSheet* sheet = view.fileSettingsSheet();
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->form().titleField()->text(), typed) << int(mode);
        sheet->form().titleField()->selectAll();
        sheet->form().titleField()->insert(QStringLiteral("Typed in the sheet"));
        sheet->form().actionButton()->click();
        editorHost->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(m_document.title(), QStringLiteral("Typed in the sheet")) << int(mode);
        undoManager.undo();
        EXPECT_EQ(m_document.title(), typed) << int(mode);
    }
}
