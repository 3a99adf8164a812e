#include "delivery/DeliveryTimelineRuler.h"
#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryTimer.h"
#include "delivery/TimelineScale.h"
#include "platform/EmojiText.h"
#include "platform/SemanticColors.h"
#include "platform/Typography.h"
#include "support/ManualClock.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace kestrion;

namespace {

std::vector<qint64> secondsOf(const std::vector<TimelineScale::Tick>& ticks, TimelineScale::Style style)
{
    std::vector<qint64> seconds;
    for (const TimelineScale::Tick& tick : ticks) {
        if (tick.style == style)
            seconds.push_back(tick.seconds);
    }
    return seconds;
}

std::vector<qint64> labelMinutes(double target, double width)
{
    std::vector<qint64> minutes;
    for (const TimelineScale::Label& label : TimelineScale::labels(target, width, {}))
        minutes.push_back(label.minutes);
    return minutes;
}

// Three main points of equal length, the second with two sub-points.
SermonNodePtr makeSermon()
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    for (int p = 1; p <= 3; ++p) {
        auto point = root->addChild(QStringLiteral("Point %1").arg(p));
        for (int l = 0; l < 4; ++l)
            point->addChild(QStringLiteral("one two three four five"));
    }
    return root;
}

struct Ruler {
    Ruler()
        : timer(10, &clock)
        , ruler(timer, state)
    {
        ruler.setClock(&clock);
        ruler.setOnSeek([this](double f) { seeks.push_back(f); });
        ruler.resize(600, DeliveryTimelineRuler::widgetHeight);
    }

    void layOut(const SermonNodePtr& root)
    {
        state.setLayout(
            std::make_shared<const DeliveryContentLayout>(DeliveryContentLayout::build(root, 10, 700, 15, 1.8)));
        state.setViewportHeight(300);
    }

    QImage paint(double width)
    {
        QImage image(QSize(std::max(int(width), 1), 46), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        ruler.paintRuler(painter, width, 1);
        return image;
    }

    test::ManualClock clock;
    DeliveryTimer timer;
    DeliveryCanvasState state;
    DeliveryTimelineRuler ruler;
    std::vector<double> seeks;
};

} // namespace

TEST(DeliveryTimelineRulerTest, TenSecondTicksOnlyWhereThereIsRoomForThem)
{
    using Style = TimelineScale::Style;
    // 20 minutes on 600 points: 10 device pixels apart at scale 2, 5 at scale 1.
    EXPECT_FALSE(secondsOf(TimelineScale::ticks(1200, 600, 2), Style::TenSeconds).empty());
    EXPECT_FALSE(secondsOf(TimelineScale::ticks(1200, 600, 1), Style::TenSeconds).empty());
    // 60 minutes at scale 1: 1.67 device pixels, left out; minute ticks, 10 apart, stay.
    const auto hour = TimelineScale::ticks(3600, 600, 1);
    EXPECT_TRUE(secondsOf(hour, Style::TenSeconds).empty());
    EXPECT_FALSE(secondsOf(hour, Style::Minute).empty());

    const auto ten = secondsOf(TimelineScale::ticks(1200, 600, 2), Style::TenSeconds);
    EXPECT_EQ(ten.front(), 10);
    EXPECT_EQ(ten.back(), 1190);
    EXPECT_TRUE(std::none_of(ten.begin(), ten.end(), [](qint64 t) { return t % 60 == 0; }));
}

TEST(DeliveryTimelineRulerTest, MinuteAndFiveMinuteTicksAndNumbers)
{
    using Style = TimelineScale::Style;
    const auto four = TimelineScale::ticks(240, 600, 1);
    EXPECT_EQ(secondsOf(four, Style::Minute), std::vector<qint64>({ 60, 120, 180 }));
    EXPECT_EQ(labelMinutes(240, 600), std::vector<qint64>({ 1, 2, 3 }));

    const auto forty = TimelineScale::ticks(2400, 600, 1);
    const auto minutes = secondsOf(forty, Style::Minute);
    EXPECT_TRUE(std::none_of(minutes.begin(), minutes.end(), [](qint64 t) { return t % 300 == 0; }));
    EXPECT_EQ(secondsOf(forty, Style::FiveMinutes), std::vector<qint64>({ 300, 600, 900, 1200, 1500, 1800, 2100 }));
    EXPECT_EQ(labelMinutes(2400, 600), std::vector<qint64>({ 5, 10, 15, 20, 25, 30, 35 }));

    // Exactly five minutes: minute ticks at every minute, no five-minute tick, no number.
    const auto five = TimelineScale::ticks(300, 600, 1);
    EXPECT_EQ(secondsOf(five, Style::Minute), std::vector<qint64>({ 60, 120, 180, 240 }));
    EXPECT_TRUE(secondsOf(five, Style::FiveMinutes).empty());
    EXPECT_TRUE(labelMinutes(300, 600).empty());
    EXPECT_TRUE(labelMinutes(60, 600).empty());
    EXPECT_TRUE(labelMinutes(0, 600).empty());

    // The end marks stand at both ends, within the ruler.
    const auto ends = secondsOf(five, Style::End);
    ASSERT_EQ(ends.size(), 2u);
    for (const TimelineScale::Tick& tick : five) {
        EXPECT_GE(tick.x, tick.lineWidth / 2);
        EXPECT_LE(tick.x, 600 - tick.lineWidth / 2);
    }
    // A day's target on a narrow ruler: numbers that would touch are left out.
    const auto day = TimelineScale::labels(86400, 600, {}, [](qint64) { return 10.0; });
    ASSERT_GT(day.size(), 1u);
    for (size_t i = 1; i < day.size(); ++i)
        EXPECT_GE(day[i].x - day[i - 1].x, 12) << i;
    // Numbers keep clear of main points.
    EXPECT_EQ(TimelineScale::labels(2400, 600, { 75 + 19.9 }).size(), 6u);
    EXPECT_EQ(TimelineScale::labels(2400, 600, { 75 + 20 }).size(), 7u);
}

TEST(DeliveryTimelineRulerTest, ARulerTooNarrowDrawsNothingAndAnyTargetMakesBoundedTicks)
{
    EXPECT_TRUE(TimelineScale::ticks(1200, 1.1, 2).empty());
    EXPECT_TRUE(TimelineScale::labels(1200, 1.1, {}).empty());
    EXPECT_FALSE(TimelineScale::ticks(1200, 1.2, 1).empty());
    for (const double target :
        { 1e18, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), -50.0 }) {
        const auto ticks = TimelineScale::ticks(target, 4000, 2);
        EXPECT_LE(ticks.size(), 4000u * 2 / 4 * 3 + 2) << target;
        EXPECT_LE(TimelineScale::labels(target, 4000, {}).size(), 288u) << target;
    }

    Ruler r;
    r.layOut(makeSermon());
    r.timer.start();
    for (const double width : { 1.1, 0.0, -3.0 }) {
        const QImage image = r.paint(width);
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y) {
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = image.pixelColor(x, y).alpha() != 0;
        }
        EXPECT_FALSE(drawn) << width;
    }
}

TEST(DeliveryTimelineRulerTest, PressingAndDraggingSeeksWithinZeroToOne)
{
    Ruler r;
    r.ruler.show();
    // Nothing drawn yet: no width to map from.
    r.ruler.seekFraction(300);
    EXPECT_TRUE(r.seeks.empty());
    r.ruler.grab();
    QTest::mousePress(&r.ruler, Qt::LeftButton, Qt::NoModifier, QPoint(150, 20));
    QTest::mouseMove(&r.ruler, QPoint(450, 20));
    // The drag seeks where it ends.
    EXPECT_DOUBLE_EQ(r.seeks.back(), 0.75);
    QTest::mouseRelease(&r.ruler, Qt::LeftButton, Qt::NoModifier, QPoint(450, 20));
    r.ruler.seekFraction(-10);
    r.ruler.seekFraction(900);
    ASSERT_GE(r.seeks.size(), 3u);
    EXPECT_DOUBLE_EQ(r.seeks.front(), 0.25);
    EXPECT_DOUBLE_EQ(r.seeks[r.seeks.size() - 2], 0);
    EXPECT_DOUBLE_EQ(r.seeks.back(), 1);
}

TEST(DeliveryTimelineRulerTest, HeadingStopsByDepthInOrderOfFraction)
{
    Ruler r;
    EXPECT_TRUE(r.ruler.buildHeadingStops(1).empty());
    const SermonNodePtr root = makeSermon();
    // Main points after all the words stand at the same fraction, 1, in page order.
    for (const QString& name : { QStringLiteral("Empty A"), QStringLiteral("Empty B"), QStringLiteral("Empty C") }) {
        const SermonNodePtr point = root->addChild(name);
        for (int i = 0; i < 6; ++i)
            point->addChild(QString());
    }
    root->children()[1]->addChild(QStringLiteral("Sub"))->addChild(QStringLiteral("words here"));
    r.layOut(root);
    const auto mainPoints = r.ruler.buildHeadingStops(1);
    ASSERT_EQ(mainPoints.size(), 6u);
    EXPECT_TRUE(std::is_sorted(
        mainPoints.begin(), mainPoints.end(), [](const auto& a, const auto& b) { return a.fraction < b.fraction; }));
    EXPECT_EQ(mainPoints[0].text, QStringLiteral("Point 1"));
    EXPECT_EQ(mainPoints[4].text, QStringLiteral("Empty B"));
    EXPECT_EQ(mainPoints[5].text, QStringLiteral("Empty C"));
    EXPECT_EQ(mainPoints[4].fraction, 1);
    EXPECT_EQ(mainPoints[5].fraction, 1);
    ASSERT_EQ(r.ruler.buildHeadingStops(2).size(), 1u);
    EXPECT_TRUE(r.ruler.buildHeadingStops(0).empty());
}

// A sub-point's dot makes way for a mark less than 3 points from it: found by halving over the
// ascending marks, as asking each mark finds it.
TEST(DeliveryTimelineRulerTest, AMarkIsNearExactlyWhenOneLiesWithinTheClearance)
{
    const auto asked = [](const std::vector<double>& xs, double x, double clearance) {
        return std::any_of(xs.begin(), xs.end(), [&](double other) { return std::abs(other - x) < clearance; });
    };
    struct Case {
        std::vector<double> xs;
        double x;
        bool isNear;
    };
    const Case cases[] = { { { 100 }, 102.9, true }, { { 100 }, 103, false }, { { 100 }, 97.1, true },
        { { 100 }, 97, false }, { {}, 100, false }, { { 1, 2, 100, 200 }, 150, false },
        { { 1, 2, 100, 200 }, 198, true }, { { 5, 5, 5 }, 7, true } };
    for (const Case& c : cases)
        EXPECT_EQ(TimelineScale::isNear(c.xs, c.x, 3), c.isNear) << c.x;
    std::mt19937 random(4);
    std::uniform_real_distribution<double> across(0, 600);
    for (int trial = 0; trial < 2000; ++trial) {
        std::vector<double> xs(random() % 30);
        for (double& x : xs)
            x = random() % 4 == 0 ? std::round(across(random)) : across(random);
        std::sort(xs.begin(), xs.end());
        const double x
            = xs.empty() || random() % 2 ? across(random) : xs[random() % xs.size()] + 3 * (random() % 3) - 3;
        EXPECT_EQ(TimelineScale::isNear(xs, x, 3), asked(xs, x, 3)) << x;
    }
}

TEST(DeliveryTimelineRulerTest, TitlesAreShortenedByWholeCharacters)
{
    const QFont font = Typography::systemFont(12);
    const QFontMetricsF metrics(font);
    const QString title = QStringLiteral("Coming to Himself \U0001F534\U0001F534 again");
    EXPECT_EQ(DeliveryTimelineRuler::fittedTitle(title, font, 1000), title);
    const double room = metrics.horizontalAdvance(QStringLiteral("Coming to H\u2026")) + 0.5;
    EXPECT_EQ(DeliveryTimelineRuler::fittedTitle(title, font, room), QStringLiteral("Coming to H\u2026"));
    // A prefix ending in a space is trimmed before the ellipsis.
    const double spaced = metrics.horizontalAdvance(QStringLiteral("Coming to\u2026")) + 0.5;
    EXPECT_EQ(DeliveryTimelineRuler::fittedTitle(title, font, spaced), QStringLiteral("Coming to\u2026"));
    // Measured as drawn: the black and the white circle come from the emoji font.
    const auto drawnWidth = [&](const QString& text) { return EmojiText::horizontalAdvance(font, metrics, text); };
    const QString circles = QStringLiteral("\u26AB\u26AA Grace \u26AB\u26AA\u26AB upon \u26AA\u26AB\u26AA grace");
    // Never half an emoji, never past the room.
    for (const QString& text : { title, circles }) {
        for (double r = 0; r < 400; r += 3) {
            const auto fitted = DeliveryTimelineRuler::fittedTitle(text, font, r);
            if (fitted) {
                EXPECT_LE(drawnWidth(*fitted), r);
                EXPECT_TRUE(fitted->isValidUtf16()) << r;
            }
        }
    }
    EXPECT_FALSE(DeliveryTimelineRuler::fittedTitle(title, font, 1));

    // At every room, the longest prefix that fits, as found by trying each in turn.
    for (const QString& text :
        { title, circles, QStringLiteral("A"), QStringLiteral("Grace upon grace, the Word made flesh") }) {
        std::vector<std::pair<QString, double>> prefixes;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        std::vector<qsizetype> ends { 0 };
        for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary())
            ends.push_back(end);
        for (std::size_t k = 0; k + 1 < ends.size(); ++k) {
            const QString candidate = text.left(ends[k]).trimmed() + QChar(u'\u2026');
            prefixes.emplace_back(candidate, drawnWidth(candidate));
        }
        const double whole = drawnWidth(text);
        for (double r = 0; r < 260; r += 2.5) {
            std::optional<QString> longest;
            if (whole <= r)
                longest = text;
            for (std::size_t k = 0; !longest && k < prefixes.size(); ++k) {
                if (prefixes[prefixes.size() - 1 - k].second <= r)
                    longest = prefixes[prefixes.size() - 1 - k].first;
            }
            EXPECT_EQ(DeliveryTimelineRuler::fittedTitle(text, font, r), longest) << r;
        }
    }
}

TEST(DeliveryTimelineRulerTest, TheBandWarnsWhenTheReaderFallsBehind)
{
    const QColor calm = SemanticColors::withOpacity(SemanticColors::primary(false), 0.08);
    EXPECT_EQ(DeliveryTimelineRuler::sectionBandColor(std::nullopt, 0, false), calm);
    EXPECT_EQ(DeliveryTimelineRuler::sectionBandColor(-300, 0, false), calm);
    EXPECT_EQ(DeliveryTimelineRuler::sectionBandColor(119, 0, false), calm);
    const QColor behind = DeliveryTimelineRuler::sectionBandColor(150, 0, false);
    EXPECT_EQ(behind.rgb(), SemanticColors::orange(false).rgb());
    const QColor far = DeliveryTimelineRuler::sectionBandColor(240, 0, false);
    EXPECT_EQ(far.rgb(), SemanticColors::red(false).rgb());
    // It pulses between 0.07 and 0.24 every 2.4 seconds.
    EXPECT_NEAR(DeliveryTimelineRuler::sectionBandColor(150, 0.6, false).alphaF(), 0.24, 0.01);
    EXPECT_NEAR(DeliveryTimelineRuler::sectionBandColor(150, 1.8, false).alphaF(), 0.07, 0.01);

    Ruler r;
    r.layOut(makeSermon());
    r.timer.start();
    // Two and a half minutes of a ten-minute target with the page at its top.
    r.clock.advance(150);
    EXPECT_EQ(r.ruler.sectionBandColor(r.timer.progress()).rgb(), SemanticColors::orange(false).rgb());
    EXPECT_TRUE(r.ruler.needsFrame());
}

// The reader's place is the reading line, 100 points into the page, where a seek and following put
// the words due: a reader whose words due stand there is on time, however much of the sermon
// fills the 100 points above.
TEST(DeliveryTimelineRulerTest, TheBandIsCalmForAReaderExactlyOnTime)
{
    Ruler r;
    r.layOut(makeSermon());
    // 100 points of this page are minutes of a half-hour target.
    r.timer.setDuration(30);
    const QColor calm = DeliveryTimelineRuler::sectionBandColor(std::nullopt, 0, false);
    const DeliveryContentLayout& layout = *r.state.layout();
    r.timer.start();
    for (const double seconds : { 400.0, 500.0, 500.0 }) {
        r.clock.advance(seconds);
        const double progress = r.timer.progress();
        r.state.setScrollY(layout.yForFraction(progress) - DeliveryCanvasState::readingLine);
        ASSERT_GT(r.state.scrollY(), 0);
        EXPECT_EQ(r.ruler.sectionBandColor(progress), calm) << progress;
        EXPECT_NEAR(r.ruler.readingFraction(), progress, 1e-9);
    }
}

// Line breaks inside a main point's title are spaces on the ruler's one line.
TEST(DeliveryTimelineRulerTest, AMainPointOfSeveralLinesIsTitledOnOneLine)
{
    Ruler r;
    const SermonNodePtr root = makeSermon();
    root->children()[1]->setText(QStringLiteral("The lost\u2028and the found"));
    r.layOut(root);
    const auto mainPoints = r.ruler.buildHeadingStops(1);
    ASSERT_EQ(mainPoints.size(), 3u);
    EXPECT_EQ(mainPoints[1].text, QStringLiteral("The lost\u2028and the found"));
    EXPECT_EQ(mainPoints[1].title, QStringLiteral("The lost and the found"));
}

TEST(DeliveryTimelineRulerTest, TheRedrawTimerRunsOnlyWhileTheCountdownRuns)
{
    Ruler r;
    r.ruler.show();
    EXPECT_FALSE(r.ruler.isRedrawing());
    r.timer.start();
    EXPECT_TRUE(r.ruler.isRedrawing());
    r.timer.pause();
    EXPECT_FALSE(r.ruler.isRedrawing());
    r.timer.start();
    EXPECT_TRUE(r.ruler.isRedrawing());
    r.ruler.hide();
    EXPECT_FALSE(r.ruler.isRedrawing());
    r.ruler.show();
    EXPECT_TRUE(r.ruler.isRedrawing());
    r.timer.reset();
    EXPECT_FALSE(r.ruler.isRedrawing());
}

TEST(DeliveryTimelineRulerTest, ThePageRepaintingUnderTheRulerLeavesNoStaleRunner)
{
    Ruler r;
    r.layOut(makeSermon());
    // The ruler is transparent: it stands on the window's background.
    QWidget window;
    window.setAutoFillBackground(true);
    window.resize(600, DeliveryTimelineRuler::widgetHeight);
    r.ruler.setParent(&window);
    const auto detach = qScopeGuard([&] { r.ruler.setParent(nullptr); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto shown = [&] { return window.screen()->grabWindow(window.winId()).toImage(); };
    r.timer.start();
    for (int step = 0; step < 6; ++step) {
        r.clock.advance(20);
        // The strip below the ruler's own 41 points, where the runner's dot reaches over the page.
        r.ruler.update(QRect(0, 41, 600, 5));
        QCoreApplication::processEvents();
        // The redraw tick.
        if (r.ruler.needsFrame())
            r.ruler.update();
        QCoreApplication::processEvents();
    }
    const QImage partial = shown();
    window.repaint();
    EXPECT_TRUE(partial == shown());
}

TEST(DeliveryTimelineRulerTest, ThePageCreepingLessThanAPixelOfTheRulerDrawsNothing)
{
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    auto root = SermonNode::create(QStringLiteral("Title"));
    for (int p = 0; p < 10; ++p) {
        auto point = root->addChild(QStringLiteral("Point"));
        for (int l = 0; l < 20; ++l)
            point->addChild(QStringLiteral("one two three four five"));
    }
    Ruler r;
    r.layOut(root);
    r.ruler.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&r.ruler));
    r.state.setScrollY(100);
    QCoreApplication::processEvents();
    r.ruler.installEventFilter(&counter);
    // Following the runner moves the page a fifth of a point each frame.
    for (int frame = 1; frame <= 5; ++frame) {
        r.state.setScrollY(100 + frame * 0.2);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(counter.paints, 0);
    r.state.setScrollY(600);
    QCoreApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
}
