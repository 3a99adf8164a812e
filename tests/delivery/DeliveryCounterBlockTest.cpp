#include "delivery/DeliveryCounterBlock.h"
#include "delivery/DeliveryTimer.h"
#include "platform/SemanticColors.h"
#include "support/ManualClock.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <vector>

using namespace kestrion;

namespace {

struct Block {
    Block()
        : timer(20, &clock)
        , block(timer)
    {
        block.setOnDurationChanged([this](qint64 minutes) { committed.push_back(minutes); });
        block.setOnEditingEnded([this] { ++endings; });
        block.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&block));
    }

    void edit(const QString& text)
    {
        block.durationTapped();
        block.durationField()->setText(text);
    }

    test::ManualClock clock;
    DeliveryTimer timer;
    DeliveryCounterBlock block;
    std::vector<qint64> committed;
    int endings = 0;
};

} // namespace

TEST(DeliveryCounterBlockTest, RemainingTimeColourByTimeLeftAndState)
{
    const bool dark = false;
    struct Case {
        double remaining;
        QColor colour;
    };
    const Case cases[] = { { 301, SemanticColors::primary(dark) }, { 300.5, SemanticColors::primary(dark) },
        { 300, SemanticColors::orange(dark) }, { 0.5, SemanticColors::orange(dark) }, { 0, SemanticColors::red(dark) },
        { -30, SemanticColors::red(dark) } };
    for (const Case& c : cases) {
        EXPECT_EQ(DeliveryCounterBlock::remainingColor(c.remaining, TimerState::Running, dark), c.colour)
            << c.remaining;
        EXPECT_EQ(DeliveryCounterBlock::remainingColor(c.remaining, TimerState::Paused, dark),
            SemanticColors::withOpacity(c.colour, 0.45))
            << c.remaining;
    }
    EXPECT_EQ(DeliveryCounterBlock::remainingColor(-1, TimerState::Idle, true), SemanticColors::red(true));
}

TEST(DeliveryCounterBlockTest, ReturnCommitsOnceAndTheFocusLossAfterItCommitsNothing)
{
    Block b;
    b.edit(QStringLiteral("45"));
    EXPECT_TRUE(b.block.isEditingDuration());
    b.block.durationField()->setFocus();
    QTest::keyClick(b.block.durationField(), Qt::Key_Return);
    b.block.durationField()->clearFocus();
    EXPECT_FALSE(b.block.isEditingDuration());
    EXPECT_EQ(b.committed, std::vector<qint64>({ 45 }));
    EXPECT_EQ(b.endings, 1);
    EXPECT_EQ(b.timer.plannedTargetSeconds(), 45 * 60);
    EXPECT_EQ(b.block.remainingLabel()->text(), QStringLiteral("45:00"));

    // The same duration again still reaches the timer and the callback.
    b.edit(QStringLiteral("45"));
    b.block.commitDurationEdit();
    EXPECT_EQ(b.committed, std::vector<qint64>({ 45, 45 }));
}

TEST(DeliveryCounterBlockTest, TheFieldStaysOpenWhileAnotherWindowOrItsMenuHasTheKeyboard)
{
    Block b;
    b.edit(QStringLiteral("4"));
    for (const Qt::FocusReason reason : { Qt::ActiveWindowFocusReason, Qt::PopupFocusReason }) {
        QFocusEvent away(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(b.block.durationField(), &away);
        EXPECT_TRUE(b.block.isEditingDuration()) << reason;
    }
    EXPECT_TRUE(b.committed.empty());
    // Focus moved elsewhere in the window commits.
    QFocusEvent elsewhere(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(b.block.durationField(), &elsewhere);
    EXPECT_EQ(b.committed, std::vector<qint64>({ 4 }));
}

TEST(DeliveryCounterBlockTest, AnUnreadableEntryChangesNothingButEndsTheEdit)
{
    Block b;
    b.block.durationTapped();
    // The field starts from the whole minutes remaining.
    EXPECT_EQ(b.block.durationField()->text(), QStringLiteral("20"));
    for (const QString& text : { QStringLiteral("-3"), QStringLiteral(" 5"), QString(), QStringLiteral("1:2:3") }) {
        b.edit(text);
        b.block.commitDurationEdit();
        EXPECT_FALSE(b.block.isEditingDuration()) << text.toStdString();
    }
    EXPECT_TRUE(b.committed.empty());
    EXPECT_EQ(b.endings, 4);
    EXPECT_EQ(b.timer.plannedTargetSeconds(), 20 * 60);

    b.edit(QStringLiteral("30"));
    QTest::keyClick(b.block.durationField(), Qt::Key_Escape);
    EXPECT_FALSE(b.block.isEditingDuration());
    EXPECT_TRUE(b.committed.empty());
    EXPECT_EQ(b.endings, 5);
}

TEST(DeliveryCounterBlockTest, AnEntryBeyondTheDayKeepsTheFieldOpenWithTheBound)
{
    Block b;
    b.edit(QStringLiteral("99999"));
    b.block.durationField()->setFocus();
    QTest::keyClick(b.block.durationField(), Qt::Key_Return);
    EXPECT_TRUE(b.block.isEditingDuration());
    EXPECT_TRUE(b.block.refusalHint()->isVisible());
    EXPECT_EQ(b.block.refusalHint()->text(), QStringLiteral("1\u20131440 min"));
    EXPECT_TRUE(b.committed.empty());
    EXPECT_EQ(b.endings, 0);
    EXPECT_EQ(b.timer.plannedTargetSeconds(), 20 * 60);
    // The keyboard moving elsewhere in the window refuses it alike, and leaves the keyboard
    // where it went.
    QFocusEvent elsewhere(QEvent::FocusOut, Qt::MouseFocusReason);
    b.block.refusalHint()->hide();
    QCoreApplication::sendEvent(b.block.durationField(), &elsewhere);
    EXPECT_TRUE(b.block.isEditingDuration());
    EXPECT_TRUE(b.block.refusalHint()->isVisible());
    EXPECT_TRUE(b.committed.empty());
    EXPECT_EQ(b.endings, 0);
    // Typing again takes the hint away; a duration within the day is then taken.
    b.block.durationField()->selectAll();
    QTest::keyClicks(b.block.durationField(), QStringLiteral("90"));
    EXPECT_FALSE(b.block.refusalHint()->isVisible());
    QTest::keyClick(b.block.durationField(), Qt::Key_Return);
    EXPECT_FALSE(b.block.isEditingDuration());
    EXPECT_EQ(b.committed, std::vector<qint64>({ 90 }));
}

TEST(DeliveryCounterBlockTest, StartingTheCountdownClosesTheFieldWithoutCommitting)
{
    Block b;
    b.edit(QStringLiteral("30"));
    b.timer.start();
    EXPECT_FALSE(b.block.isEditingDuration());
    EXPECT_TRUE(b.committed.empty());
    EXPECT_EQ(b.endings, 1);
    // Running or paused, a click opens the pills instead.
    b.block.durationTapped();
    EXPECT_FALSE(b.block.isEditingDuration());
    EXPECT_TRUE(b.block.arePillsShown());
}

TEST(DeliveryCounterBlockTest, PillsAddToTheTargetAndShowOnlyWhileDelivering)
{
    Block b;
    b.block.durationTapped();
    b.block.cancelDurationEdit();
    EXPECT_FALSE(b.block.arePillsShown());
    b.timer.start();
    b.block.durationTapped();
    ASSERT_TRUE(b.block.arePillsShown());
    EXPECT_TRUE(b.block.pill(5)->isVisible());
    b.block.pill(5)->click();
    EXPECT_FALSE(b.block.showPills());
    EXPECT_EQ(b.timer.targetSeconds(), 25 * 60);
    EXPECT_EQ(b.block.addedMinutes(), 5);
    EXPECT_TRUE(b.block.addedMark()->isVisible());
    EXPECT_EQ(b.block.addedMark()->text(), QStringLiteral("(+5)"));

    b.block.durationTapped();
    b.timer.reset();
    EXPECT_FALSE(b.block.showPills());
    EXPECT_FALSE(b.block.addedMark()->isVisible());
}

TEST(DeliveryCounterBlockTest, APillThatWouldGoBeyondTheDayIsDisabled)
{
    Block b;
    b.timer.start();
    b.block.durationTapped();
    struct Case {
        qint64 target;
        bool five;
        bool ten;
    };
    for (const Case& c : { Case { 1430, true, true }, Case { 1431, true, false }, Case { 1436, false, false } }) {
        b.timer.setDuration(c.target);
        EXPECT_EQ(b.block.pill(5)->isEnabled(), c.five) << c.target;
        EXPECT_EQ(b.block.pill(10)->isEnabled(), c.ten) << c.target;
    }
}

TEST(DeliveryCounterBlockTest, AddedMinutesCountWholeMinutesOfTargetOverPlan)
{
    Block b;
    b.timer.start();
    EXPECT_EQ(b.block.addedMinutes(), 0);
    b.timer.adjust(10);
    EXPECT_EQ(b.block.addedMinutes(), 10);
    b.timer.setDuration(40);
    EXPECT_EQ(b.block.addedMinutes(), 0);
    EXPECT_FALSE(b.block.addedMark()->isVisible());
}

TEST(DeliveryCounterBlockTest, ElapsedAndWallClockShowFromTheFirstStartUntilReset)
{
    Block b;
    EXPECT_FALSE(b.block.isElapsedShown());
    EXPECT_FALSE(b.block.elapsedLabel()->isVisible());
    EXPECT_FALSE(b.block.isRefreshing());
    b.timer.start();
    b.clock.advance(65);
    b.timer.pause();
    EXPECT_TRUE(b.block.elapsedLabel()->isVisible());
    EXPECT_EQ(b.block.elapsedLabel()->text(), QStringLiteral("1:05"));
    EXPECT_EQ(b.block.wallClockLabel()->text().size(), 8);
    // Paused, the elapsed time and the clock still move once a second.
    EXPECT_TRUE(b.block.isRefreshing());
    b.timer.reset();
    EXPECT_FALSE(b.block.elapsedLabel()->isVisible());
    EXPECT_FALSE(b.block.isRefreshing());
}

TEST(DeliveryCounterBlockTest, ADayLongCountdownStillFitsTheBlock)
{
    Block b;
    const QFont normal = b.block.remainingLabel()->font();
    b.timer.setDuration(1000);
    b.timer.start();
    b.timer.adjust(10);
    const QLabel* remaining = b.block.remainingLabel();
    ASSERT_TRUE(b.block.addedMark()->isVisible());
    const double room = DeliveryCounterBlock::blockWidth - (b.block.addedMark()->sizeHint().width() + 4);
    EXPECT_LE(QFontMetricsF(remaining->font()).horizontalAdvance(remaining->text()), room);
    EXPECT_LE(remaining->sizeHint().width(), room);
    // A sermon's usual countdown keeps its large digits.
    b.timer.setDuration(45);
    EXPECT_EQ(remaining->font(), normal);
}
