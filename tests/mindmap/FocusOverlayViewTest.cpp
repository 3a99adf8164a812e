#include "mindmap/FocusOverlayView.h"

#include "document/SermonDocument.h"
#include "platform/Preferences.h"
#include "support/ManualClock.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

using namespace kestrion;

namespace {

class FocusOverlayViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = SermonNode::create(QStringLiteral("Grace"));
        root->addChild(QStringLiteral("Amazing grace, how sweet"));
        document = std::make_unique<SermonDocument>(root);
        preferences = std::make_unique<Preferences>(
            std::make_unique<QSettings>(folder.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat));
        host.resize(600, 400);
        overlay = new FocusOverlayView(*document, &host);
        overlay->setPreferences(preferences.get());
        overlay->setAnimationClock(&clock);
        overlay->setGeometry(host.rect());
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    void advance(double seconds)
    {
        clock.advance(seconds);
        overlay->tick();
    }

    // Lets the pill fade out entirely.
    void rest()
    {
        advance(FocusOverlayView::fadeDelaySeconds);
        advance(FocusOverlayView::fadeDuration);
        ASSERT_FALSE(overlay->isPillShown());
        ASSERT_EQ(overlay->pillOpacity(), 0.0);
    }

    QWindow* window() { return host.windowHandle(); }

    QTemporaryDir folder;
    test::ManualClock clock;
    SermonNodePtr root;
    std::unique_ptr<SermonDocument> document;
    std::unique_ptr<Preferences> preferences;
    QWidget host;
    FocusOverlayView* overlay = nullptr;
};

TEST(FocusOverlayViewText, WordsAndMinutesRoundUpWithoutASingular)
{
    const struct {
        qint64 words;
        qint64 pace;
        const char* text;
    } cases[] = {
        { 0, 120, "0 words" },
        { 1, 120, "1 words · 1 min" },
        { 120, 120, "120 words · 1 min" },
        { 121, 120, "121 words · 2 min" },
        { 241, 120, "241 words · 3 min" },
        { 130, 130, "130 words · 1 min" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(FocusOverlayView::overlayLabelText(c.words, c.pace), QString::fromUtf8(c.text)) << c.words;
}

TEST_F(FocusOverlayViewTest, FollowsEditsAndThePaceAndReadsAPaceBelowOneAsTheDefault)
{
    EXPECT_EQ(overlay->labelText(), QStringLiteral("5 words · 1 min"));

    // 121 words: two minutes at 120, one at 160.
    root->addChild(QString(QStringLiteral("word ")).repeated(116));
    Q_EMIT document->contentEdited();
    QCoreApplication::processEvents();
    EXPECT_EQ(overlay->labelText(), QStringLiteral("121 words · 2 min"));
    preferences->setReadingPaceWPM(160);
    EXPECT_EQ(overlay->labelText(), QStringLiteral("121 words · 1 min"));

    // A hand-edited pace of 0 or below would divide by zero or give nonsense.
    for (const qint64 pace : { 0, -30 }) {
        preferences->setReadingPaceWPM(pace);
        EXPECT_EQ(overlay->labelText(), QStringLiteral("121 words · 2 min")) << pace;
    }
}

TEST_F(FocusOverlayViewTest, StartsShownAndFadesThreeSecondsAfterTheLastPointerActivity)
{
    EXPECT_TRUE(overlay->isActivityMonitorInstalled());
    EXPECT_TRUE(overlay->isFadeTimerActive());
    EXPECT_TRUE(overlay->isPillShown());
    EXPECT_EQ(overlay->pillOpacity(), 1.0);

    advance(2.9);
    EXPECT_TRUE(overlay->isPillShown());
    // Movement restarts the count.
    QTest::mouseMove(window(), QPoint(100, 100));
    advance(2.9);
    EXPECT_TRUE(overlay->isPillShown());
    advance(0.2);
    EXPECT_FALSE(overlay->isPillShown());
    EXPECT_FALSE(overlay->isFadeTimerActive());

    // The fade takes 0.3 s, easing in and out.
    advance(FocusOverlayView::fadeDuration / 2);
    EXPECT_GT(overlay->pillOpacity(), 0.0);
    EXPECT_LT(overlay->pillOpacity(), 1.0);
    advance(FocusOverlayView::fadeDuration);
    EXPECT_EQ(overlay->pillOpacity(), 0.0);
}

TEST_F(FocusOverlayViewTest, MovementEitherButtonAndComingBackBringItBackButKeysAndDragsDoNot)
{
    rest();
    QTest::keyClick(&host, Qt::Key_A);
    EXPECT_FALSE(overlay->isPillShown());

    QTest::mouseMove(window(), QPoint(50, 60));
    EXPECT_TRUE(overlay->isPillShown());
    advance(FocusOverlayView::fadeDuration);
    EXPECT_EQ(overlay->pillOpacity(), 1.0);

    rest();
    QTest::mouseClick(window(), Qt::RightButton, {}, QPoint(50, 60));
    EXPECT_TRUE(overlay->isPillShown());

    // A drag: the press counts, the movement with the button held does not.
    rest();
    QTest::mousePress(window(), Qt::LeftButton, {}, QPoint(50, 60));
    EXPECT_TRUE(overlay->isPillShown());
    advance(2.0);
    QTest::mouseMove(window(), QPoint(200, 160));
    advance(1.1);
    EXPECT_FALSE(overlay->isPillShown());
    QTest::mouseRelease(window(), Qt::LeftButton, {}, QPoint(200, 160));

    // Coming back to its window from another one, by keyboard too.
    rest();
    QEvent activation(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&host, &activation);
    EXPECT_TRUE(overlay->isPillShown());
}

TEST_F(FocusOverlayViewTest, HidingRemovesTheMonitorAndTheTimerAndShowingInstallsThemAfresh)
{
    host.hide();
    EXPECT_FALSE(overlay->isActivityMonitorInstalled());
    EXPECT_FALSE(overlay->isFadeTimerActive());
    advance(10);
    EXPECT_TRUE(overlay->isPillShown());

    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_TRUE(overlay->isActivityMonitorInstalled());
    rest();
    QTest::mouseMove(window(), QPoint(20, 20));
    EXPECT_TRUE(overlay->isPillShown());
}

TEST_F(FocusOverlayViewTest, PillSitsSixteenPointsFromTheBottomLeftAndTakesNoClicks)
{
    const QRectF pill = overlay->pillRect();
    EXPECT_EQ(pill.left(), FocusOverlayView::edgeInset);
    EXPECT_EQ(pill.bottom(), overlay->height() - FocusOverlayView::edgeInset);
    EXPECT_GT(pill.width(), 2 * FocusOverlayView::horizontalPadding);
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));
}

} // namespace
