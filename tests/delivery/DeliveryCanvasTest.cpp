#include "delivery/DeliveryCanvas.h"
#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryFonts.h"
#include "delivery/DeliveryPageRenderer.h"
#include "delivery/DeliveryTimelineRuler.h"
#include "delivery/DeliveryTimer.h"
#include "document/SermonDocument.h"
#include "platform/Appearance.h"
#include "support/InkBounds.h"
#include "support/ManualClock.h"

#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

using namespace kestrion;

namespace {

// Three main points with a few sub-points each, long enough to scroll.
SermonNodePtr makeSermon()
{
    auto root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    for (int p = 1; p <= 3; ++p) {
        auto point = root->addChild(QStringLiteral("Main point %1").arg(p));
        for (int s = 1; s <= 3; ++s) {
            auto sub = point->addChild(QStringLiteral("Sub-point %1.%2").arg(p).arg(s));
            for (int l = 1; l <= 4; ++l)
                sub->addChild(QStringLiteral("The sheep hear his voice, and he calls them by name %1").arg(l));
        }
    }
    return root;
}

struct Page {
    explicit Page(SermonNodePtr root = makeSermon())
        : document(std::move(root))
        , timer(10, &clock)
        , canvas(document, timer, state)
    {
        canvas.setClock(&clock);
        canvas.resize(900, 600);
        canvas.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    }

    const DeliveryContentLayout& layout() const { return *state.layout(); }

    // Runs the scroll animation to its end on the manual clock.
    void finishAnimation()
    {
        clock.advance(DeliveryCanvas::scrollAnimationDuration + 0.01);
        canvas.animationFrame();
    }

    test::ManualClock clock;
    SermonDocument document;
    DeliveryTimer timer;
    DeliveryCanvasState state;
    DeliveryCanvas canvas;
};

std::shared_ptr<const DeliveryContentLayout> layoutOfHeight(double height)
{
    auto layout = std::make_shared<DeliveryContentLayout>();
    layout->totalHeight = height;
    return layout;
}

// The line of text at a content y: its node, and where its text starts and ends.
struct TextLineAt {
    QUuid id;
    qsizetype start = 0;
    qsizetype end = 0;
};

std::optional<TextLineAt> textLineAt(
    const DeliveryContentLayout& layout, double baseFontSize, double textWidth, double y)
{
    DeliveryFonts fonts(baseFontSize);
    for (const DeliveryItem& item : layout.items) {
        const auto lines = DeliveryPageRenderer::textLines(fonts, textWidth, item);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rect.top() <= y && y < lines[i].rect.bottom())
                return TextLineAt { item.id, lines[i].start,
                    i + 1 < lines.size() ? lines[i + 1].start : item.text.size() };
        }
    }
    return std::nullopt;
}

// The page as the canvas draws it over an area, which may reach above or below the canvas, at a
// pixel ratio.
QImage renderPage(DeliveryCanvas& canvas, const QRectF& area, double ratio)
{
    QImage image((area.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    canvas.renderPage(painter, area);
    return image;
}

// The page's last line of text: its item, where its text starts and its rectangle in content
// coordinates.
struct LastLine {
    const DeliveryItem* item = nullptr;
    qsizetype start = 0;
    QRectF rect;
};

std::optional<LastLine> lastLine(const Page& p)
{
    const auto& items = p.layout().items;
    const auto text
        = std::find_if(items.rbegin(), items.rend(), [](const DeliveryItem& item) { return item.hasFrame(); });
    if (text == items.rend())
        return std::nullopt;
    DeliveryFonts fonts(p.canvas.baseFontSize());
    const auto lines = DeliveryPageRenderer::textLines(fonts, p.canvas.textWidth(), *text);
    if (lines.empty())
        return std::nullopt;
    return LastLine { &*text, lines.back().start, lines.back().rect };
}

// The top of the last line's ink as the canvas draws the page at a pixel ratio, in device pixels
// below the canvas's top (negative above it); none when none of it is drawn there.
std::optional<int> inkTopOfLastLine(Page& p, const LastLine& last, double ratio)
{
    // Ink this far above the canvas is drawn too, out of sight.
    constexpr double above = 40;
    const QRectF area(0, -above, p.canvas.width(), above + std::max(last.rect.bottom() - p.state.scrollY(), 0.0) + 10);
    // The line's ink: what the page shows less what it shows without that line.
    const DeliveryCanvasState::Layout page = p.state.layout();
    auto without = std::make_shared<DeliveryContentLayout>(*page);
    without->items[std::size_t(last.item - page->items.data())].text = last.item->text.left(last.start);
    const QImage shown = renderPage(p.canvas, area, ratio);
    p.state.setLayout(without);
    const QImage rest = renderPage(p.canvas, area, ratio);
    p.state.setLayout(page);
    const QRect ink = test::differenceBounds(shown, rest);
    if (ink.isEmpty())
        return std::nullopt;
    return ink.top() - int(above * ratio);
}

bool isRunnerRed(const QColor& colour)
{
    return colour.red() > 200 && colour.green() < 120 && colour.blue() < 120;
}

} // namespace

TEST(DeliveryCanvasTest, MaxScrollYLeavesTheLastEightyPointsInView)
{
    DeliveryCanvasState state;
    EXPECT_EQ(state.maxScrollY(), 0);
    state.setLayout(layoutOfHeight(1000));
    state.setViewportHeight(600);
    EXPECT_EQ(state.maxScrollY(), 920);
    state.setViewportHeight(1000);
    EXPECT_EQ(state.maxScrollY(), 0);
    state.setViewportHeight(40);
    EXPECT_EQ(state.maxScrollY(), 960);
    state.setViewportHeight(600);
    EXPECT_EQ(state.clampedScrollY(-5), 0);
    EXPECT_EQ(state.clampedScrollY(5000), 920);
    EXPECT_EQ(state.clampedScrollY(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_FALSE(state.setScrollY(std::numeric_limits<double>::infinity()));
}

// The last line's top bounds the scroll before the last 80 points do, and before the content's
// foot at the view's foot does when the view is shorter.
TEST(DeliveryCanvasTest, MaxScrollYNeverPassesTheTopOfTheLastLine)
{
    struct Case {
        double viewportHeight;
        double lastLineTop;
        double maxScrollY;
    };
    for (const Case& c :
        { Case { 600, 950, 920 }, Case { 600, 900, 900 }, Case { 40, 970, 960 }, Case { 40, 900, 900 } }) {
        SCOPED_TRACE(testing::Message() << "view " << c.viewportHeight << ", last line at " << c.lastLineTop);
        auto layout = std::make_shared<DeliveryContentLayout>();
        layout->totalHeight = 1000;
        layout->lastLineTop = c.lastLineTop;
        DeliveryCanvasState state;
        state.setLayout(layout);
        state.setViewportHeight(c.viewportHeight);
        EXPECT_EQ(state.maxScrollY(), c.maxScrollY);
    }
}

// End brings the last line to the top of the view, whole whatever the type, the height of the
// view and the pixel ratio: accents above the font's ascent and a line set with an emoji included.
TEST(DeliveryCanvasTest, ScrolledToItsEndThePageShowsItsLastLineWholeAtTheTop)
{
    {
        Page p;
        const double defaultEnd = p.layout().totalHeight - DeliveryCanvasState::endReserve;
        EXPECT_EQ(p.state.maxScrollY(), defaultEnd);
    }
    const std::pair<const char*, QString> lastLines[] = {
        { "emoji", QStringLiteral("\U0001F7E2 Invite the congregation to pray.") },
        { "accents", QStringLiteral("\u00C9lise and \u00C5sa invite the congregation to pray.") },
        { "emoji and accents", QStringLiteral("\U0001F7E2 \u00C9lise and \u00C5sa invite the congregation to pray.") },
    };
    for (const auto& [kind, lastText] : lastLines) {
        auto root = makeSermon();
        root->children().back()->children().back()->addChild(lastText);
        Page p(root);
        // The second view is shorter than the page from the last line's top to its end, as the
        // page above the jump buttons is on a small screen.
        for (const int height : { 600, 60 }) {
            p.canvas.resize(900, height);
            for (const double size : { 15.0, 21.0, 32.0, 48.0 }) {
                for (const double spacing : { 1.0, 1.8, 3.0 }) {
                    SCOPED_TRACE(testing::Message()
                        << kind << ", view " << height << ", " << size << " pt, spacing " << spacing);
                    p.canvas.setBaseFontSize(size);
                    p.canvas.setLineSpacing(spacing);
                    p.canvas.handleKey(Qt::Key_Home);
                    p.finishAnimation();
                    p.canvas.handleKey(Qt::Key_End);
                    p.finishAnimation();
                    const std::optional<LastLine> last = lastLine(p);
                    ASSERT_TRUE(last);
                    ASSERT_EQ(last->item->text, lastText);
                    EXPECT_LT(last->rect.top() - p.state.scrollY(), DeliveryCanvasState::endReserve);
                    for (const double ratio : { 1.0, 2.0 }) {
                        const std::optional<int> ink = inkTopOfLastLine(p, *last, ratio);
                        ASSERT_TRUE(ink) << "out of sight at pixel ratio " << ratio;
                        EXPECT_GE(*ink, 0) << "pixel ratio " << ratio;
                    }
                }
            }
        }
    }
}

TEST(DeliveryCanvasTest, AShorterPageOrATallerViewBringsTheScrollBackWithinRange)
{
    DeliveryCanvasState state;
    state.setLayout(layoutOfHeight(5000));
    state.setViewportHeight(600);
    state.setScrollY(4900);
    state.setLayout(layoutOfHeight(3000));
    EXPECT_EQ(state.scrollY(), 2920);
    state.setViewportHeight(3500);
    EXPECT_EQ(state.scrollY(), 0);

    // A wider text makes the page shorter: the text stays in view.
    Page p;
    p.canvas.setTextWidth(400);
    p.state.setScrollY(p.state.maxScrollY());
    p.canvas.setTextWidth(1000);
    EXPECT_EQ(p.state.scrollY(), p.state.maxScrollY());
    EXPECT_LT(p.state.scrollY(), p.layout().totalHeight);
}

TEST(DeliveryCanvasTest, TheWheelScrollsWithinRangeAndStopsFollowingAndAnimation)
{
    Page p;
    ASSERT_GT(p.state.maxScrollY(), 0);
    p.state.setScrollY(10);
    p.state.setFollowRunner(true);
    p.canvas.handleScrollWheel(30);
    EXPECT_EQ(p.state.scrollY(), 0);
    EXPECT_FALSE(p.state.followRunner());
    p.canvas.handleScrollWheel(-1e9);
    EXPECT_EQ(p.state.scrollY(), p.state.maxScrollY());

    p.canvas.animateScroll(0);
    p.clock.advance(0.1);
    p.canvas.animationFrame();
    const double stopped = p.state.scrollY();
    p.canvas.handleScrollWheel(0);
    EXPECT_FALSE(p.canvas.isScrollAnimating());
    p.finishAnimation();
    EXPECT_EQ(p.state.scrollY(), stopped);
}

TEST(DeliveryCanvasTest, PagesAndEndsAnimateOverFourTenthsOfASecond)
{
    Page p;
    const double max = p.state.maxScrollY();
    p.state.setFollowRunner(true);
    QTest::keyClick(&p.canvas, Qt::Key_End);
    EXPECT_FALSE(p.state.followRunner());
    EXPECT_TRUE(p.canvas.isScrollAnimating());
    p.clock.advance(0.2);
    p.canvas.animationFrame();
    // Ease-out cubic at half time: 1 − 0.5³.
    EXPECT_NEAR(p.state.scrollY(), max * 0.875, 1e-6);
    p.clock.advance(0.21);
    p.canvas.animationFrame();
    EXPECT_EQ(p.state.scrollY(), max);
    EXPECT_FALSE(p.canvas.isScrollAnimating());

    QTest::keyClick(&p.canvas, Qt::Key_Home);
    p.finishAnimation();
    EXPECT_EQ(p.state.scrollY(), 0);

    // A page is the viewport less 60, at least 100.
    QTest::keyClick(&p.canvas, Qt::Key_PageDown);
    p.finishAnimation();
    EXPECT_EQ(p.state.scrollY(), 540);
    QTest::keyClick(&p.canvas, Qt::Key_PageUp);
    p.finishAnimation();
    EXPECT_EQ(p.state.scrollY(), 0);
    p.canvas.resize(900, 140);
    QTest::keyClick(&p.canvas, Qt::Key_PageDown);
    p.finishAnimation();
    EXPECT_EQ(p.state.scrollY(), 100);
}

TEST(DeliveryCanvasTest, SpaceAndEscapeDriveTheCountdownAndTheTickRunsOnlyWhileItRuns)
{
    Page p;
    EXPECT_FALSE(p.canvas.isTicking());
    QTest::keyClick(&p.canvas, Qt::Key_Space);
    EXPECT_EQ(p.timer.state(), TimerState::Running);
    EXPECT_TRUE(p.canvas.isTicking());
    QTest::keyClick(&p.canvas, Qt::Key_Space);
    EXPECT_EQ(p.timer.state(), TimerState::Paused);
    EXPECT_FALSE(p.canvas.isTicking());
    QTest::keyClick(&p.canvas, Qt::Key_Space);
    EXPECT_EQ(p.timer.state(), TimerState::Running);
    p.canvas.hide();
    EXPECT_FALSE(p.canvas.isTicking());
    p.canvas.show();
    EXPECT_TRUE(p.canvas.isTicking());
    // A running countdown is the delivery view's to spare: the page lets Escape go on.
    EXPECT_FALSE(p.canvas.handleKey(Qt::Key_Escape));
    EXPECT_EQ(p.timer.state(), TimerState::Running);
    QTest::keyClick(&p.canvas, Qt::Key_Space);
    QTest::keyClick(&p.canvas, Qt::Key_Escape);
    EXPECT_EQ(p.timer.state(), TimerState::Idle);
    EXPECT_FALSE(p.canvas.isTicking());
    // Escape resets an idle timer too, and other keys are left alone.
    QTest::keyClick(&p.canvas, Qt::Key_Escape);
    EXPECT_EQ(p.timer.state(), TimerState::Idle);
    EXPECT_FALSE(p.canvas.handleKey(Qt::Key_A));
}

TEST(DeliveryCanvasTest, HeldSpaceActsOnceWhileHeldPageKeysRepeat)
{
    Page p;
    const auto held = [&](int key) {
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(&p.canvas, &repeat);
    };
    QTest::keyPress(&p.canvas, Qt::Key_Space);
    for (int i = 0; i < 3; ++i)
        held(Qt::Key_Space);
    EXPECT_EQ(p.timer.state(), TimerState::Running);
    held(Qt::Key_PageDown);
    p.finishAnimation();
    EXPECT_GT(p.state.scrollY(), 0);
}

TEST(DeliveryCanvasTest, TheCanvasKeysComeBeforeMenuShortcuts)
{
    Page p;
    int triggered = 0;
    QAction space(QStringLiteral("Bare space"));
    space.setShortcut(QKeySequence(Qt::Key_Space));
    QObject::connect(&space, &QAction::triggered, [&] { ++triggered; });
    p.canvas.addAction(&space);
    p.canvas.setFocus();
    QTest::keyClick(&p.canvas, Qt::Key_Space);
    EXPECT_EQ(triggered, 0);
    EXPECT_EQ(p.timer.state(), TimerState::Running);
}

TEST(DeliveryCanvasTest, JumpsPutTheHeadingAHundredPointsBelowTheTop)
{
    Page p;
    const auto [nextL1, nextL2] = p.state.nextNavTargets();
    ASSERT_TRUE(nextL1);
    p.state.setFollowRunner(true);
    p.state.navigate(nextL1->id);
    EXPECT_FALSE(p.state.followRunner());
    EXPECT_FALSE(p.state.pendingScrollTarget());
    p.finishAnimation();
    const double jumped = p.state.scrollY();

    // Measured on the drawn page: the middle of the heading's ink, within its columns.
    QImage image(QSize(900, 600), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        p.canvas.renderPage(painter, QRectF(0, 0, 900, 600));
    }
    QRectF frame;
    for (const DeliveryItem& item : p.layout().items) {
        if (item.hasFrame() && item.id == nextL1->id)
            frame = item.frame;
    }
    const int x0 = (900 - 850) / 2;
    std::optional<int> top;
    int bottom = 0;
    for (int y = 50; y < 150; ++y) {
        for (int x = x0 + int(frame.left()); x < x0 + int(frame.right()); ++x) {
            if (image.pixelColor(x, y).lightness() < 160) {
                top = top.value_or(y);
                bottom = y;
                break;
            }
        }
    }
    ASSERT_TRUE(top);
    EXPECT_NEAR((*top + bottom + 1) / 2.0, 100, 4);

    // The same heading again scrolls again.
    p.state.setScrollY(0);
    p.state.navigate(nextL1->id);
    p.finishAnimation();
    EXPECT_DOUBLE_EQ(p.state.scrollY(), jumped);

    // A leaf is a target too; an unknown id is ignored.
    const QUuid leaf = p.layout().wordFractions[20].nodeID;
    p.state.navigate(leaf);
    p.finishAnimation();
    DeliveryFonts fonts(15);
    EXPECT_DOUBLE_EQ(p.state.scrollY(),
        p.state.clampedScrollY(p.layout().nodeYPositions.value(leaf) - fonts.leaf(false).ascent() - 100));
    p.state.navigate(QUuid::createUuid());
    EXPECT_FALSE(p.canvas.isScrollAnimating());
}

TEST(DeliveryCanvasTest, NextNavTargetsAreTheFirstHeadingsOfEachLevelBelowTheViewport)
{
    Page p;
    const auto& headings = p.layout().headings;
    const auto firstOfDepth = [&](qint64 depth, double below) -> std::optional<QUuid> {
        for (const auto& heading : headings) {
            if (heading.depth == depth && heading.y > below)
                return heading.id;
        }
        return std::nullopt;
    };
    for (double scroll = 0; scroll <= p.state.maxScrollY(); scroll += 97) {
        p.state.setScrollY(scroll);
        const auto [l1, l2] = p.state.nextNavTargets();
        const double bottom = scroll + 600;
        EXPECT_EQ(l1 ? std::optional(l1->id) : std::nullopt, firstOfDepth(1, bottom)) << scroll;
        EXPECT_EQ(l2 ? std::optional(l2->id) : std::nullopt, firstOfDepth(2, bottom)) << scroll;
        if (l1) {
            EXPECT_EQ(l1->depth, 1);
            EXPECT_EQ(l1->text, p.layout().headingTexts.value(l1->id));
        }
    }
    // Past the last main point, a sub-point may remain.
    const auto& last = headings.back();
    ASSERT_EQ(last.depth, 2);
    p.state.setScrollY(last.y - 601);
    const auto [l1, l2] = p.state.nextNavTargets();
    EXPECT_FALSE(l1);
    ASSERT_TRUE(l2);
    EXPECT_EQ(l2->id, last.id);
    DeliveryCanvasState empty;
    EXPECT_FALSE(empty.nextNavTargets().first);
}

TEST(DeliveryCanvasTest, FollowingKeepsTheRunnerOnTheReadingLine)
{
    Page p;
    p.state.setFollowRunner(true);
    p.timer.start();
    for (const double seconds : { 1.0, 200.0, 150.0, 400.0 }) {
        p.clock.advance(seconds);
        p.canvas.displayLinkTick();
        const double y = p.layout().yForFraction(std::min(p.timer.progress(), 1.0));
        EXPECT_DOUBLE_EQ(p.state.scrollY(), p.state.clampedScrollY(y - DeliveryCanvasState::readingLine)) << seconds;
    }
    const quint64 ticks = p.canvas.pulseClock().tick();
    p.state.setFollowRunner(false);
    const double scroll = p.state.scrollY();
    p.clock.advance(30);
    p.canvas.displayLinkTick();
    EXPECT_EQ(p.state.scrollY(), scroll);
    EXPECT_EQ(p.canvas.pulseClock().tick(), ticks + 1);
}

TEST(DeliveryCanvasTest, AReaderTheFollowedRunnerCarriesIsNeverToldTheyAreBehind)
{
    // A 20-minute sermon of 3,261 words in four main points, on a page 1,400 points tall.
    auto root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    int leaves = 0;
    for (int p = 1; p <= 4; ++p) {
        auto point = root->addChild(QStringLiteral("Main point %1").arg(p));
        for (int s = 1; s <= 3; ++s) {
            auto sub = point->addChild(QStringLiteral("Sub-point %1.%2").arg(p).arg(s));
            for (int l = 0; l < 5; ++l, ++leaves)
                sub->addChild(QStringLiteral("sheep ").repeated(leaves < 21 ? 55 : 54).trimmed());
        }
    }
    Page p(root);
    p.timer.setDuration(20);
    p.canvas.resize(900, 1400);
    ASSERT_EQ(p.state.viewportHeight(), 1400);
    DeliveryTimelineRuler ruler(p.timer, p.state);
    const QColor calm = DeliveryTimelineRuler::sectionBandColor(std::nullopt, 0, isDarkAppearance());
    p.state.setFollowRunner(true);
    p.timer.start();
    for (int seconds = 30; seconds < 1200; seconds += 60) {
        p.clock.advance(seconds == 30 ? 30 : 60);
        p.canvas.displayLinkTick();
        const double progress = p.timer.progress();
        EXPECT_EQ(ruler.sectionBandColor(progress), calm)
            << seconds << " s, lag " << (progress - ruler.readingFraction()) * 1200 << " s";
    }
}

// A new font size, line spacing or text width wraps the page anew: the words at the reading line
// stay at the reading line, followed or not; a page at its top stays at its top.
TEST(DeliveryCanvasTest, TheWordsAtTheReadingLineStayThereWhateverTheSetting)
{
    auto root = SermonNode::create(QStringLiteral("The Good Shepherd"));
    int word = 0;
    for (int p = 1; p <= 3; ++p) {
        auto point = root->addChild(QStringLiteral("Main point %1").arg(p));
        for (int l = 0; l < 4; ++l) {
            QString text;
            for (int w = 0; w < 70; ++w)
                text += QStringLiteral("word%1 ").arg(++word);
            point->addChild(text.trimmed());
        }
    }
    Page p(root);
    struct Change {
        const char* name;
        void (DeliveryCanvas::*set)(double);
        double value;
    };
    const Change changes[] = { { "larger type", &DeliveryCanvas::setBaseFontSize, 21 },
        { "smaller type", &DeliveryCanvas::setBaseFontSize, 12 },
        { "wider spacing", &DeliveryCanvas::setLineSpacing, 3 }, { "no spacing", &DeliveryCanvas::setLineSpacing, 1 },
        { "narrower text", &DeliveryCanvas::setTextWidth, 450 },
        { "wider text", &DeliveryCanvas::setTextWidth, 1000 } };
    const auto readingLine = [&p] {
        return textLineAt(p.layout(), p.canvas.baseFontSize(), p.canvas.textWidth(),
            p.state.scrollY() + DeliveryCanvasState::readingLine);
    };
    for (const bool following : { false, true }) {
        if (following) {
            // Paused: no tick puts the page back under the runner.
            p.timer.start();
            p.clock.advance(200);
            p.timer.pause();
            p.state.setFollowRunner(true);
        }
        for (const double share : { 0.3, 0.7 }) {
            for (const Change& change : changes) {
                SCOPED_TRACE(testing::Message() << change.name << " at " << share << (following ? ", following" : ""));
                p.canvas.setBaseFontSize(15);
                p.canvas.setLineSpacing(1.8);
                p.canvas.setTextWidth(700);
                // On a line of text, not between two.
                std::optional<TextLineAt> before;
                for (int step = 0; !before && step < 40; ++step) {
                    p.state.setScrollY(p.state.maxScrollY() * share + 3 * step);
                    before = readingLine();
                }
                ASSERT_TRUE(before);
                (p.canvas.*change.set)(change.value);
                const std::optional<TextLineAt> after = readingLine();
                ASSERT_TRUE(after);
                EXPECT_EQ(after->id, before->id);
                EXPECT_LE(after->start, before->start);
                EXPECT_LT(before->start, after->end);
                EXPECT_EQ(p.state.followRunner(), following);
            }
        }
    }
    p.canvas.setBaseFontSize(15);
    p.state.setScrollY(0);
    p.canvas.setBaseFontSize(24);
    EXPECT_EQ(p.state.scrollY(), 0);
}

// The page laid out anew during a glide (line spacing 3 to 1): the glide ends where it was
// headed on the new page, never past its end.
TEST(DeliveryCanvasTest, AGlideUnderWayWhenThePageChangesEndsWhereItWasHeadedWithinTheNewEnd)
{
    Page p;
    const auto midGlide = [&p] {
        p.clock.advance(0.1);
        p.canvas.animationFrame();
        ASSERT_TRUE(p.canvas.isScrollAnimating());
        p.canvas.setLineSpacing(1);
    };
    p.canvas.setLineSpacing(3);
    p.canvas.handleKey(Qt::Key_End);
    midGlide();
    for (int frame = 0; frame < 30; ++frame) {
        p.clock.advance(0.016);
        p.canvas.animationFrame();
        ASSERT_LE(p.state.scrollY(), p.state.maxScrollY()) << frame;
    }
    EXPECT_FALSE(p.canvas.isScrollAnimating());
    EXPECT_DOUBLE_EQ(p.state.scrollY(), p.state.maxScrollY());

    p.canvas.setLineSpacing(3);
    p.state.setScrollY(0);
    const QUuid heading = p.layout().headings.back().id;
    p.state.navigate(heading);
    midGlide();
    p.finishAnimation();
    DeliveryFonts fonts(15);
    EXPECT_NEAR(p.state.scrollY(),
        p.state.clampedScrollY(p.layout().headingYPositions.value(heading)
            - fonts.heading(p.layout().headingDepths.value(heading)).ascent() - DeliveryCanvas::jumpOffset),
        0.5);
}

TEST(DeliveryCanvasTest, ThePageFollowsEveryChangeOfTheTreeAndOfTheWholeMinutes)
{
    Page p;
    const SermonNodePtr point = p.document.root()->children().front();
    // An edit as the controller makes it: recorded first, then the tree changes.
    p.document.recordUndo(std::nullopt);
    const SermonNodePtr added = point->addChild(QStringLiteral("A late thought"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(p.layout().nodeYPositions.contains(added->id()));

    p.document.undo();
    QCoreApplication::processEvents();
    EXPECT_FALSE(p.layout().nodeYPositions.contains(added->id()));
    EXPECT_TRUE(p.layout().nodeYPositions.contains(
        p.document.root()->children().front()->children().front()->children().front()->id()));

    const quint64 count = p.canvas.layoutCount();
    p.timer.start();
    p.clock.advance(5);
    p.timer.tick();
    EXPECT_EQ(p.canvas.layoutCount(), count);
    p.timer.adjust(5);
    EXPECT_EQ(p.canvas.layoutCount(), count + 1);
    p.canvas.setTextWidth(500);
    EXPECT_EQ(p.canvas.layoutCount(), count + 2);
    p.canvas.setTextWidth(500);
    EXPECT_EQ(p.canvas.layoutCount(), count + 2);
}

TEST(DeliveryCanvasTest, TheRunnerIsDrawnAtTheProgressAtEveryPixelRatio)
{
    Page p;
    for (const double ratio : { 1.0, 2.0 }) {
        p.timer.reset();
        QImage idle(QSize(900, 600) * ratio, QImage::Format_ARGB32_Premultiplied);
        idle.setDevicePixelRatio(ratio);
        idle.fill(Qt::white);
        {
            QPainter painter(&idle);
            p.canvas.renderPage(painter, QRectF(0, 0, 900, 600));
        }
        const double x = (900 - 850) / 2.0 + 129;
        for (int y = 0; y < 600; y += 10)
            EXPECT_FALSE(isRunnerRed(idle.pixelColor(QPointF(x * ratio, y * ratio).toPoint()))) << y;

        p.timer.start();
        p.clock.advance(60);
        p.timer.pause();
        const double runnerY = p.layout().yForFraction(p.timer.progress());
        ASSERT_LT(runnerY, 560);
        QImage image(QSize(900, 600) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            p.canvas.renderPage(painter, QRectF(0, 0, 900, 600));
        }
        const auto at
            = [&](double px, double py) { return image.pixelColor(QPointF(px * ratio, py * ratio).toPoint()); };
        EXPECT_TRUE(isRunnerRed(at(x, runnerY))) << ratio;
        EXPECT_TRUE(isRunnerRed(at(x, runnerY / 2))) << ratio;
        EXPECT_FALSE(isRunnerRed(at(x, runnerY + 30))) << ratio;
    }
}

TEST(DeliveryCanvasTest, PartialRepaintsLeaveThePageAsAFullRepaintDrawsIt)
{
    Page p;
    // What the window shows: the offscreen platform keeps every paint in the window's store.
    const auto shown = [&] { return p.canvas.screen()->grabWindow(p.canvas.winId()).toImage(); };
    const double x0 = (900 - 850) / 2.0;
    // The readouts over the page repaint beside the runner line and across it, behind its head.
    const QRect counterBlock(int(x0) + 8, 12, 100, 90);
    const QRect playButton(int(x0) + 113, 10, 32, 32);
    p.timer.start();
    QCoreApplication::processEvents();
    for (int step = 0; step < 12; ++step) {
        p.clock.advance(5);
        p.canvas.update(step % 2 ? counterBlock : playButton);
        QCoreApplication::processEvents();
        p.canvas.displayLinkTick();
        QCoreApplication::processEvents();
    }
    const QImage partial = shown();
    p.canvas.repaint();
    EXPECT_TRUE(partial == shown());
}

TEST(DeliveryCanvasTest, TheEndLineAndBandSpanTheWholeCanvas)
{
    Page p;
    p.state.setScrollY(p.state.maxScrollY());
    QImage image(QSize(900, 600), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        p.canvas.renderPage(painter, QRectF(0, 0, 900, 600));
    }
    const int endY = int(p.layout().totalHeight - 40 - p.state.scrollY());
    const auto inkedRow = [&](int y, int from, int to) {
        for (int x = from; x < to; ++x) {
            if (image.pixelColor(x, y) != QColor(Qt::white))
                return true;
        }
        return false;
    };
    // Left of the column, on the end line and in the hatching below it down to a viewport.
    EXPECT_TRUE(inkedRow(endY, 0, 10));
    EXPECT_TRUE(inkedRow(endY, 890, 900));
    for (const int below : { 30, 200, 500 })
        EXPECT_TRUE(inkedRow(endY + below, 0, 40)) << below;
}

TEST(DeliveryCanvasTest, ACrowdedMinuteLabelOrOneUnderTheFollowButtonIsNotDrawn)
{
    DeliveryContentLayout layout;
    layout.totalHeight = 1000;
    // The follow button's disc reaches up to 52 points above the bottom of a 600-point page.
    for (const double y : { 200.0, 400.0, 480.0, 575.0 }) {
        DeliveryItem marker;
        marker.kind = DeliveryItem::Kind::TimeMarker;
        marker.text = DeliveryContentLayout::minuteLabel(qint64(y / 20));
        marker.y = y;
        marker.isCrowded = y == 400;
        layout.items.push_back(marker);
        layout.reachedBottoms.push_back(y);
    }
    DeliveryFonts fonts(15);
    DeliveryPageRenderer::Page page;
    page.layout = &layout;
    page.fonts = &fonts;
    page.canvasSize = QSizeF(850, 600);
    page.viewportHeight = 600;
    QImage image(QSize(850, 600), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DeliveryPageRenderer::drawContent(painter, page, QRectF(0, 0, 850, 600));
    }
    const auto inked = [&](double y) {
        for (int row = int(y) - 8; row < int(y); ++row) {
            for (int x = 80; x < int(DeliveryContentLayout::markerLabelRight); ++x) {
                if (image.pixelColor(x, row).lightness() < 200)
                    return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(inked(200));
    EXPECT_FALSE(inked(400));
    EXPECT_TRUE(inked(480));
    EXPECT_FALSE(inked(575));
}

TEST(DeliveryCanvasTest, TheRunnerPassingAMinuteLabelLeavesItWhole)
{
    Page p;
    const auto marker = std::find_if(p.layout().items.begin(), p.layout().items.end(), [](const DeliveryItem& item) {
        return item.kind == DeliveryItem::Kind::TimeMarker && !item.isCrowded && item.y > 400;
    });
    ASSERT_NE(marker, p.layout().items.end());
    const double markerY = marker->y;
    const double minute = p.layout().fractionForY(markerY) * p.timer.targetSeconds();
    p.state.setScrollY(markerY - 300);
    const auto render = [&p] {
        QImage image(QSize(900, 600) * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::white);
        QPainter painter(&image);
        p.canvas.renderPage(painter, QRectF(0, 0, 900, 600));
        return image;
    };
    const QImage alone = render();
    const QFontMetricsF metrics(DeliveryContentLayout::minuteLabelFont());
    const double right = DeliveryPageRenderer::xOffset(900, 700) + DeliveryContentLayout::markerLabelRight;
    const QRect label = QRectF(right - metrics.horizontalAdvance(marker->text) - 2, 300 - metrics.height() - 2,
        metrics.horizontalAdvance(marker->text) + 4, metrics.height() + 4)
                            .toAlignedRect();
    p.timer.start();
    for (const double seconds : { minute - 2, 1.0, 1.0, 1.0, 1.0 }) {
        p.clock.advance(seconds);
        const QImage passing = render();
        for (int y = label.top() * 2; y < label.bottom() * 2; ++y) {
            for (int x = label.left() * 2; x < label.right() * 2; ++x)
                ASSERT_EQ(passing.pixel(x, y), alone.pixel(x, y)) << x << ", " << y;
        }
    }
}

TEST(DeliveryCanvasTest, EveryLineOfAWrappedTextIsDrawn)
{
    QString words;
    for (int i = 0; i < 80; ++i)
        words += QStringLiteral("shepherd ");
    auto root = SermonNode::create(QStringLiteral("Title"));
    auto point = root->addChild(QStringLiteral("Point"));
    auto plain = point->addChild(words);
    auto quote = point->addChild(words + QStringLiteral("\u2028the end"));
    quote->setQuote(true);
    Page p(root);
    QImage image(QSize(900, 600), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        p.canvas.renderPage(painter, QRectF(0, 0, 900, 600));
    }
    // Ink reaches the last line of each frame: the first baseline stands on the frame's top, so
    // the last line's glyphs lie within the frame's last line height above its bottom.
    for (const auto& node : { plain, quote }) {
        QRectF frame;
        for (const DeliveryItem& item : p.layout().items) {
            if (item.hasFrame() && item.id == node->id())
                frame = item.frame;
        }
        ASSERT_GT(frame.height(), 60);
        const double x0 = (900 - 850) / 2.0;
        bool inked = false;
        for (int y = int(frame.bottom() - 30); y < int(frame.bottom()) && !inked; ++y) {
            for (int x = int(x0 + frame.left()); x < int(x0 + frame.right()) && !inked; ++x)
                inked = image.pixelColor(x, y).lightness() < 160;
        }
        EXPECT_TRUE(inked) << node->isQuote();
    }
}
