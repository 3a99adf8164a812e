#include "delivery/DeliveryView.h"
#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryCounterBlock.h"
#include "delivery/DeliveryFonts.h"
#include "delivery/DeliveryNavOverlay.h"
#include "delivery/DeliveryPageRenderer.h"
#include "delivery/DeliveryRunnerStopButton.h"
#include "delivery/DeliverySettingsBar.h"
#include "delivery/DeliveryTimer.h"
#include "delivery/FullscreenController.h"
#include "document/SermonDocument.h"
#include "platform/Preferences.h"
#include "platform/UndoManager.h"

#include <QAbstractButton>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace kestrion;

namespace {

// A sermon of a title and points holding about that many words in all.
SermonNodePtr sermonOfWords(int words)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    int made = 1;
    for (int p = 0; made < words; ++p) {
        auto point = root->addChild(QStringLiteral("Point"));
        ++made;
        for (int l = 0; l < 5 && made < words; ++l) {
            QString text;
            for (int w = 0; w < 10 && made < words; ++w, ++made)
                text += QStringLiteral("word ");
            point->addChild(text);
        }
    }
    return root;
}

class DeliveryViewTest : public ::testing::Test {
protected:
    DeliveryViewTest()
        : preferences(std::make_unique<QSettings>(folder.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat))
    {
    }

    // A window as the application makes it: a toolbar above the delivery view.
    DeliveryView& open(SermonNodePtr root, SermonMetadata metadata = {}, bool show = true)
    {
        document = std::make_unique<SermonDocument>(std::move(root), std::move(metadata));
        window = std::make_unique<QWidget>();
        auto* column = new QVBoxLayout(window.get());
        column->setContentsMargins(0, 0, 0, 0);
        toolbar = new QWidget(window.get());
        toolbar->setFixedHeight(40);
        column->addWidget(toolbar);
        view = new DeliveryView(*document, preferences, &undoManager, toolbar, nullptr, window.get());
        column->addWidget(view, 1);
        window->resize(1200, 800);
        if (show) {
            window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        }
        return *view;
    }

    bool isFullScreen() const { return window->windowState() & Qt::WindowFullScreen; }

    QTemporaryDir folder;
    Preferences preferences;
    UndoManager undoManager;
    std::unique_ptr<SermonDocument> document;
    std::unique_ptr<QWidget> window;
    QWidget* toolbar = nullptr;
    QPointer<DeliveryView> view;
};

} // namespace

TEST_F(DeliveryViewTest, PlansTheDurationFromTheDetailsOrTheLength)
{
    struct Case {
        int words;
        std::optional<qint64> duration;
        qint64 minutes;
    };
    const Case cases[] = { { 1000, std::nullopt, 10 }, { 100, std::nullopt, 5 }, { 0, std::nullopt, 5 },
        { 1000, 45, 45 }, { 5, 45, 45 } };
    for (const Case& c : cases) {
        SermonMetadata metadata;
        metadata.duration = c.duration;
        DeliveryView& v = open(c.words ? sermonOfWords(c.words) : SermonNode::create(QString()), metadata);
        EXPECT_EQ(v.timer().plannedTargetSeconds(), double(c.minutes * 60)) << c.words;
        EXPECT_EQ(v.timer().state(), TimerState::Idle);
    }
}

TEST_F(DeliveryViewTest, TheStoredPaceReplacesTheFirstEstimateWhenTheViewComesOnScreen)
{
    preferences.setDeliveryWPM(200);
    DeliveryView& v = open(sermonOfWords(1000), {}, false);
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 10 * 60);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 5 * 60);
    EXPECT_EQ(v.autoDurationMinutes(), 5);

    // A later change of pace applies while idle only.
    preferences.setDeliveryWPM(50);
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 20 * 60);
    v.timer().start();
    preferences.setDeliveryWPM(100);
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 20 * 60);
    v.timer().reset();
    preferences.setDeliveryWPM(0);
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 5 * 60);
}

// The words are counted once, and again after the sermon's text changes.
TEST_F(DeliveryViewTest, APlanMadeAfterAnEditCountsTheWordsAsEdited)
{
    DeliveryView& v = open(sermonOfWords(1000));
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 10 * 60);
    SermonNode& leaf = *document->root()->children().front()->children().front();
    document->writeNodeText(leaf, leaf.text() + QStringLiteral("word ").repeated(1000));
    preferences.setDeliveryWPM(100);
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 20 * 60);
}

TEST_F(DeliveryViewTest, EnteringLaysThePageOutOnceWithTheStoredSettings)
{
    preferences.setDeliveryFontSize(17);
    preferences.setDeliveryLineSpacing(2.0);
    preferences.setDeliveryTextWidth(800);
    preferences.setDeliveryWPM(200);
    DeliveryView& v = open(sermonOfWords(1000));
    QCoreApplication::processEvents();
    EXPECT_EQ(v.canvas()->layoutCount(), 1u);
    // Laid out for the stored pace's plan: 5 minutes, so four minute markers.
    const auto& items = v.canvasState().layout()->items;
    EXPECT_EQ(std::count_if(items.begin(), items.end(),
                  [](const DeliveryItem& item) { return item.kind == DeliveryItem::Kind::TimeMarker; }),
        4);
    EXPECT_EQ(v.canvas()->textWidth(), 800);
}

TEST_F(DeliveryViewTest, TheTextWidthOnOfferFollowsTheAvailableWidth)
{
    const std::pair<double, double> cases[]
        = { { 900, 750 }, { 1150, 1000 }, { 1200, 1000 }, { 1149, 950 }, { 500, 400 }, { 0, 1000 }, { -5, 1000 } };
    for (const auto& [available, offered] : cases)
        EXPECT_EQ(DeliveryView::maxTextWidth(available), offered) << available;
    DeliveryView& v = open(sermonOfWords(50));
    EXPECT_EQ(v.maxTextWidth(), 1000);
    EXPECT_EQ(v.settingsBar()->textWidthSlider()->maximum(), 20);
    window->resize(900, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(v.settingsBar()->maxTextWidth(), 750);
}

TEST_F(DeliveryViewTest, TheWindowKeepsRoomForTheReadingColumnAsFarAsTheScreenAllows)
{
    struct Case {
        double textWidth;
        int screenWidth;
        int minimum;
    };
    const Case cases[]
        = { { 700, 1600, 850 }, { 600, 1600, 800 }, { 900, 1600, 1050 }, { 1000, 1024, 1024 }, { 1000, 0, 1150 } };
    for (const Case& c : cases)
        EXPECT_EQ(DeliveryView::minimumViewWidth(c.textWidth, c.screenWidth), c.minimum) << c.textWidth;

    // A stored width far beyond anything on offer is read as the default.
    preferences.settings().setValue(Preferences::deliveryTextWidthKey, 20000);
    DeliveryView& v = open(sermonOfWords(50));
    const int screenWidth = v.screen()->availableGeometry().width();
    EXPECT_EQ(v.canvas()->textWidth(), 700);
    EXPECT_EQ(v.minimumWidth(), std::min(850, screenWidth));
    preferences.setDeliveryTextWidth(600);
    EXPECT_EQ(v.minimumWidth(), 800);
    window->resize(700, 800);
    QCoreApplication::processEvents();
    preferences.setDeliveryTextWidth(1000);
    EXPECT_EQ(v.minimumWidth(), std::min(1150, screenWidth));
    QCoreApplication::processEvents();
    EXPECT_GE(window->width(), v.minimumWidth());
}

TEST_F(DeliveryViewTest, TheSettingsBarShowsWhatThePageUses)
{
    preferences.settings().setValue(Preferences::deliveryFontSizeKey, -5);
    preferences.settings().setValue(Preferences::deliveryLineSpacingKey, 0.5);
    DeliveryView& v = open(sermonOfWords(50));
    EXPECT_EQ(v.canvas()->baseFontSize(), 15);
    EXPECT_EQ(v.settingsBar()->fontSizeValue()->text(), QStringLiteral("15"));
    EXPECT_EQ(v.settingsBar()->fontSizeSlider()->value(), 15);
    EXPECT_EQ(v.canvas()->lineSpacing(), 1.8);
    EXPECT_EQ(v.settingsBar()->lineSpacingValue()->text(), QStringLiteral("1.8"));
}

// A window narrower than the stored column, as at 2x on a small screen.
TEST_F(DeliveryViewTest, ANarrowViewWrapsThePageInsideItAndKeepsTheStoredWidth)
{
    // Paragraphs long enough that their lines fill the whole width.
    auto root = SermonNode::create(QStringLiteral("Title"));
    for (int p = 0; p < 6; ++p) {
        auto point = root->addChild(QStringLiteral("Point %1").arg(p));
        for (int l = 0; l < 4; ++l)
            point->addChild(QStringLiteral("the sheep hear his voice and follow him ").repeated(12));
    }
    struct Case {
        double stored;
        int viewWidth;
        double used;
    };
    const Case cases[] = { { 700, 800, 650 }, { 700, 1200, 700 }, { 1000, 800, 650 }, { 1000, 1000, 850 },
        { 1000, 1200, 1000 }, { 700, 820, 650 } };
    preferences.setDeliveryTextWidth(700);
    DeliveryView& v = open(root);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored << " in " << c.viewWidth);
        preferences.setDeliveryTextWidth(c.stored);
        // The view may be narrower than the column it asks the window for.
        v.setMinimumWidth(0);
        window->resize(c.viewWidth, 800);
        QCoreApplication::processEvents();
        ASSERT_EQ(v.width(), c.viewWidth);
        EXPECT_EQ(v.canvas()->textWidth(), c.used);
        EXPECT_EQ(preferences.deliveryTextWidth(), c.stored);
        EXPECT_EQ(v.settingsBar()->textWidthValue()->text(), QString::number(c.used));
        EXPECT_EQ(v.settingsBar()->textWidthSlider()->value() * DeliverySettingsBar::textWidthStep, c.used);
        const double left = DeliveryPageRenderer::xOffset(v.canvas()->width(), v.canvas()->textWidth());
        double widest = 0;
        for (const DeliveryItem& item : v.canvasState().layout()->items) {
            if (item.hasFrame())
                widest = std::max(widest, left + item.frame.right());
        }
        EXPECT_LE(widest, v.canvas()->width());
        // The lines fill the width used.
        EXPECT_GT(widest, left + DeliveryContentLayout::margin + c.used - 100);
        // Wrapping again keeps the page in view.
        EXPECT_LE(v.canvasState().scrollY(), v.canvasState().maxScrollY());
        v.canvasState().setScrollY(v.canvasState().maxScrollY());
    }
}

// The jump buttons stand beside the column when the margin has room for them; else the page
// ends above them. Either way no line is ever read, or drawn, under them.
TEST_F(DeliveryViewTest, NoLineOfThePageIsEverUnderTheJumpButtons)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    for (int p = 0; p < 8; ++p) {
        auto point = root->addChild(QStringLiteral("Main point %1 with a title long enough to be cut").arg(p));
        for (int s = 0; s < 2; ++s) {
            auto sub = point->addChild(QStringLiteral("Sub-point %1.%2").arg(p).arg(s));
            for (int l = 0; l < 3; ++l)
                sub->addChild(QStringLiteral("the sheep hear his voice and follow him ").repeated(8));
        }
    }
    struct Case {
        // The window's size in points: 640 by 400 is a 1280 by 800 screen at 2x.
        QSize window;
        double fontSize;
        double textWidth;
        bool besideColumn;
    };
    const Case cases[] = { { { 640, 400 }, 15, 700, false }, { { 1200, 800 }, 15, 700, false },
        { { 1200, 800 }, 24, 1000, false }, { { 800, 600 }, 12, 400, false }, { { 1600, 1000 }, 15, 700, true },
        { { 1600, 1000 }, 24, 700, true }, { { 2400, 900 }, 15, 1000, true } };
    DeliveryView& v = open(root);
    DeliveryCanvasState& state = v.canvasState();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.window.width() << "x" << c.window.height() << " at " << c.fontSize
                                        << " pt, " << c.textWidth << " wide");
        preferences.setDeliveryFontSize(c.fontSize);
        preferences.setDeliveryTextWidth(c.textWidth);
        // As small as the screen it stands for.
        v.setMinimumWidth(0);
        window->layout()->activate();
        window->resize(c.window);
        QCoreApplication::processEvents();
        ASSERT_EQ(v.width(), c.window.width());
        DeliveryCanvas* canvas = v.canvas();
        EXPECT_EQ(canvas->footHeight() == 0, c.besideColumn);
        DeliveryFonts fonts(canvas->baseFontSize());
        const double left = DeliveryPageRenderer::xOffset(canvas->width(), canvas->textWidth());
        const QRectF readingArea(0, canvas->y(), canvas->width(), state.viewportHeight());
        int buttonsSeen = 0;
        for (double y = 0; y < state.maxScrollY(); y += 97) {
            state.setScrollY(y);
            std::vector<QRectF> buttons;
            for (const QAbstractButton* button : v.navOverlay()->buttons())
                buttons.emplace_back(button->mapTo(&v, QPoint()), button->size());
            buttonsSeen += static_cast<int>(buttons.size());
            const auto [first, last] = state.layout()->itemsBetween(y - 50, y + canvas->height() + 50);
            for (std::size_t i = first; i < last; ++i) {
                for (const auto& line :
                    DeliveryPageRenderer::textLines(fonts, canvas->textWidth(), state.layout()->items[i])) {
                    const QRectF read
                        = line.rect.translated(left, canvas->y() - state.scrollY()).intersected(readingArea);
                    for (const QRectF& button : buttons)
                        ASSERT_FALSE(!read.isEmpty() && read.intersects(button)) << "at " << y;
                }
            }
        }
        EXPECT_GT(buttonsSeen, 0);

        // Nothing of the page is drawn in the foot the buttons take, nor the part of a line that
        // would reach into it.
        double blankFrom = state.viewportHeight();
        if (canvas->footHeight() > 0) {
            const auto leaf = std::find_if(
                state.layout()->items.begin(), state.layout()->items.end(), [](const DeliveryItem& item) {
                    return item.kind == DeliveryItem::Kind::Leaf && item.frame.top() > 500;
                });
            const QRectF line = DeliveryPageRenderer::textLines(fonts, canvas->textWidth(), *leaf)[1].rect;
            state.setScrollY(line.center().y() - state.viewportHeight());
            blankFrom = line.top() - state.scrollY() + 1;
        }
        QImage page(canvas->size(), QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::transparent);
        {
            QPainter painter(&page);
            canvas->renderPage(painter, QRectF(QPointF(), QSizeF(canvas->size())));
        }
        for (int row = static_cast<int>(std::ceil(blankFrom)); row < page.height(); ++row) {
            for (int x = 0; x < page.width(); ++x)
                ASSERT_EQ(qAlpha(page.pixel(x, row)), 0) << x << ", " << row;
        }
    }
}

TEST_F(DeliveryViewTest, ALineCutAtTheFootShowsNoneOfItsLetters)
{
    // Letters with stacked marks reach above the top of their line; the line above has no
    // descenders, so anything drawn between its baseline and the cut belongs to the line cut.
    const QString low = QStringLiteral("mum nun run ");
    const QString tall = QStringLiteral("A\u0301\u0301\u0301 ");
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto point = root->addChild(QStringLiteral("Point"));
    for (int l = 0; l < 30; ++l)
        point->addChild(low.repeated(3) + QChar(0x2028) + tall.repeated(6));
    DeliveryView& v = open(root);
    v.setMinimumWidth(0);
    window->layout()->activate();
    window->resize(640, 400);
    QCoreApplication::processEvents();
    DeliveryCanvas* canvas = v.canvas();
    DeliveryCanvasState& state = v.canvasState();
    ASSERT_GT(canvas->footHeight(), 0);
    DeliveryFonts fonts(canvas->baseFontSize());
    const DeliveryText& text = fonts.leaf(false);

    int cutsSeen = 0;
    for (const DeliveryItem& item : state.layout()->items) {
        if (item.kind != DeliveryItem::Kind::Leaf || item.frame.top() < 300 || cutsSeen == 3)
            continue;
        const auto lines = DeliveryPageRenderer::textLines(fonts, canvas->textWidth(), item);
        ASSERT_EQ(lines.size(), 2u);
        // The tall line crosses the foot's edge.
        state.setScrollY(lines[1].rect.top() + 2 - state.viewportHeight());
        ++cutsSeen;
        QImage page(canvas->size(), QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::transparent);
        {
            QPainter painter(&page);
            canvas->renderPage(painter, QRectF(QPointF(), QSizeF(canvas->size())));
        }
        const double baseline = lines[0].rect.top() + text.ascent() - state.scrollY();
        const int left = static_cast<int>(
            DeliveryPageRenderer::xOffset(canvas->width(), canvas->textWidth()) + item.frame.left() + 4);
        for (int row = static_cast<int>(std::ceil(baseline + 2)); row < page.height(); ++row) {
            for (int x = left; x < page.width(); ++x)
                ASSERT_EQ(qAlpha(page.pixel(x, row)), 0) << x << ", " << row;
        }
    }
    EXPECT_EQ(cutsSeen, 3);
}

TEST_F(DeliveryViewTest, SeekingPutsTheFractionOnTheReadingLineAtOnce)
{
    DeliveryView& v = open(sermonOfWords(2000));
    DeliveryCanvasState& state = v.canvasState();
    state.setFollowRunner(true);
    v.canvas()->animateScroll(500);
    v.seek(0.5);
    EXPECT_FALSE(state.followRunner());
    EXPECT_FALSE(v.canvas()->isScrollAnimating());
    EXPECT_DOUBLE_EQ(state.scrollY(), state.clampedScrollY(state.layout()->yForFraction(0.5) - 100));
    v.seek(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(state.scrollY(), 0);
    v.seek(7);
    EXPECT_DOUBLE_EQ(state.scrollY(), state.clampedScrollY(state.layout()->yForFraction(1) - 100));
}

TEST_F(DeliveryViewTest, AnEditedDurationIsOneUndoStepAndNoneWhenUnchanged)
{
    SermonMetadata metadata;
    metadata.duration = 30;
    DeliveryView& v = open(sermonOfWords(300), metadata);
    v.commitDuration(30);
    EXPECT_TRUE(document->undoStack().empty());
    EXPECT_FALSE(undoManager.canUndo());

    // Through the counter block, as the user does it.
    DeliveryCounterBlock* block = v.counterBlock();
    block->durationTapped();
    block->durationField()->setText(QStringLiteral("45"));
    QTest::keyClick(block->durationField(), Qt::Key_Return);
    EXPECT_EQ(document->metadata().duration, 45);
    EXPECT_EQ(document->undoStack().size(), 1u);
    EXPECT_EQ(undoManager.undoCount(), 1);
    EXPECT_FALSE(undoManager.isClean());
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 45 * 60);

    undoManager.undo();
    EXPECT_EQ(document->metadata().duration, 30);
    EXPECT_EQ(v.timer().plannedTargetSeconds(), 30 * 60);
}

// Only a file written by hand holds one outside the countdown's range.
TEST_F(DeliveryViewTest, ADurationOutsideTheRangeIsShownAtItsEndAndKeptUnlessChanged)
{
    const std::pair<qint64, QString> cases[]
        = { { 99999, QStringLiteral("1440:00") }, { 0, QStringLiteral("1:00") }, { -5, QStringLiteral("1:00") } };
    for (const auto& [duration, shown] : cases) {
        SCOPED_TRACE(duration);
        SermonMetadata metadata;
        metadata.duration = duration;
        DeliveryView& v = open(sermonOfWords(300), metadata);
        EXPECT_EQ(v.counterBlock()->remainingLabel()->text(), shown);
        EXPECT_GT(v.timer().targetSeconds(), 0);
        DeliveryCounterBlock* block = v.counterBlock();
        block->durationTapped();
        QTest::keyClick(block->durationField(), Qt::Key_Return);
        EXPECT_EQ(document->metadata().duration, duration);
        EXPECT_TRUE(document->undoStack().empty());
        block->durationTapped();
        block->durationField()->setText(QStringLiteral("45"));
        QTest::keyClick(block->durationField(), Qt::Key_Return);
        EXPECT_EQ(document->metadata().duration, 45);
    }
}

TEST_F(DeliveryViewTest, FullScreenFollowsTheCountdownAndTheSetting)
{
    DeliveryView& v = open(sermonOfWords(300));
    v.timer().start();
    EXPECT_FALSE(isFullScreen());
    v.timer().pause();
    preferences.setDeliveryFullscreen(true);
    EXPECT_TRUE(isFullScreen());
    EXPECT_TRUE(toolbar->isHidden());
    EXPECT_TRUE(v.isInFullscreen());
    EXPECT_TRUE(v.settingsBar()->isHidden());

    v.timer().start();
    v.timer().pause();
    EXPECT_TRUE(isFullScreen());
    EXPECT_TRUE(v.escapeKey());
    EXPECT_EQ(v.timer().state(), TimerState::Idle);
    EXPECT_FALSE(isFullScreen());
    EXPECT_FALSE(toolbar->isHidden());
    EXPECT_FALSE(v.settingsBar()->isHidden());
    // Escape on an idle countdown is left to others.
    EXPECT_FALSE(v.escapeKey());

    v.timer().start();
    EXPECT_TRUE(isFullScreen());
    preferences.setDeliveryFullscreen(false);
    EXPECT_FALSE(isFullScreen());
    EXPECT_FALSE(toolbar->isHidden());
}

// Escape is the key everyone presses to leave full screen; it must never cost a sermon under way
// its countdown. Pausing first is a deliberate step: then it resets, as the stop button does.
TEST_F(DeliveryViewTest, EscapeOnlyLeavesFullScreenWhileTheCountdownRuns)
{
    preferences.setDeliveryFullscreen(true);
    DeliveryView& v = open(sermonOfWords(300));
    v.canvas()->setFocus();
    v.timer().start();
    v.timer().adjust(5);
    ASSERT_TRUE(isFullScreen());
    const std::optional<double> started = v.timer().firstStartedAt();
    for (int press = 0; press < 2; ++press) {
        QTest::keyClick(v.canvas(), Qt::Key_Escape);
        EXPECT_EQ(v.timer().state(), TimerState::Running) << press;
        EXPECT_EQ(v.timer().firstStartedAt(), started);
        EXPECT_EQ(v.timer().targetSeconds(), v.timer().plannedTargetSeconds() + 300);
        EXPECT_FALSE(isFullScreen());
        EXPECT_FALSE(toolbar->isHidden());
        EXPECT_FALSE(v.settingsBar()->isHidden());
    }

    v.timer().pause();
    QTest::keyClick(v.canvas(), Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_EQ(v.timer().state(), TimerState::Paused);
    QTest::keyClick(v.canvas(), Qt::Key_Escape);
    EXPECT_EQ(v.timer().state(), TimerState::Idle);
}

TEST_F(DeliveryViewTest, TheChromeComesBackWhoeverEndsFullScreen)
{
    preferences.setDeliveryFullscreen(true);
    DeliveryView& v = open(sermonOfWords(300));
    v.timer().start();
    ASSERT_TRUE(isFullScreen());
    // The user or the window manager ends it.
    window->showNormal();
    EXPECT_FALSE(toolbar->isHidden());
    EXPECT_FALSE(v.isInFullscreen());
    EXPECT_FALSE(v.settingsBar()->isHidden());

    // Leaving delivery mode ends it.
    v.fullscreenController().enter();
    ASSERT_TRUE(isFullScreen());
    ASSERT_TRUE(toolbar->isHidden());
    delete view.data();
    EXPECT_FALSE(isFullScreen());
    EXPECT_FALSE(toolbar->isHidden());
}

TEST_F(DeliveryViewTest, ClosingTheWindowStopsTheCountdown)
{
    preferences.setDeliveryFullscreen(true);
    DeliveryView& v = open(sermonOfWords(300));
    v.timer().start();
    ASSERT_TRUE(v.timer().isTicking());
    window->close();
    EXPECT_EQ(v.timer().state(), TimerState::Idle);
    EXPECT_FALSE(v.timer().isTicking());
    EXPECT_FALSE(v.canvas()->isTicking());
    EXPECT_FALSE(toolbar->isHidden());
    window.reset();
    EXPECT_FALSE(view);
}

TEST_F(DeliveryViewTest, ReturnTogglesFollowingExceptWhileAFieldIsEdited)
{
    DeliveryView& v = open(sermonOfWords(300));
    v.canvas()->setFocus();
    QTest::keyClick(v.canvas(), Qt::Key_Return);
    EXPECT_TRUE(v.canvasState().followRunner());
    QTest::keyClick(v.canvas(), Qt::Key_Enter);
    EXPECT_FALSE(v.canvasState().followRunner());
    // The chords of disabled menu commands are not the bare key.
    for (const Qt::KeyboardModifier chord : { Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier }) {
        QTest::keyClick(v.canvas(), Qt::Key_Return, chord);
        EXPECT_FALSE(v.canvasState().followRunner()) << chord;
    }

    v.counterBlock()->durationTapped();
    v.counterBlock()->durationField()->setFocus();
    EXPECT_FALSE(v.returnKey());
    EXPECT_FALSE(v.canvasState().followRunner());
}

TEST_F(DeliveryViewTest, TheStopButtonShowsOnlyWhilePaused)
{
    DeliveryView& v = open(sermonOfWords(300));
    EXPECT_FALSE(v.stopButton()->isVisible());
    v.timer().start();
    EXPECT_FALSE(v.stopButton()->isVisible());
    v.timer().pause();
    EXPECT_TRUE(v.stopButton()->isVisible());
    v.stopButton()->click();
    EXPECT_EQ(v.timer().state(), TimerState::Idle);
    EXPECT_EQ(v.timer().remainingSeconds(), v.timer().plannedTargetSeconds());
    QTest::qWait(300);
    EXPECT_FALSE(v.stopButton()->isVisible());
}
