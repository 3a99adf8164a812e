#include "platform/Signposter.h"

#include "support/SignpostRecorder.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

class SignposterTest : public ::testing::Test {
protected:
    static void setEnabled(bool enabled) { test::SignpostRecorder::setEnabled(enabled); }
    const QStringList& lines() const { return m_recorder.lines(); }

    test::SignpostRecorder m_recorder { false };
};

} // namespace

TEST_F(SignposterTest, TheSharedSignposterWritesToThePerformanceCategory)
{
    EXPECT_STREQ(Signposter::category().categoryName(), "app.kestrion.Kestrion.Performance");
    EXPECT_EQ(&performanceSignposter(), &Signposter::shared());
}

TEST(SignposterDefaultsTest, SignpostsAreOffUnlessSomeoneAsksForThem)
{
    if (qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        GTEST_SKIP() << "logging rules come from the environment";
    EXPECT_FALSE(Signposter::category().isDebugEnabled());
    EXPECT_TRUE(Signposter::category().isWarningEnabled());
}

TEST_F(SignposterTest, IntervalsAndEventsCarryTheirNamesAndMessages)
{
    setEnabled(true);
    Signposter& sp = performanceSignposter();
    SignpostIntervalState interval = sp.beginInterval("MinimapRender", QStringLiteral("px=180x120 nodes=42"));
    sp.emitEvent("TreeLayout.done", QStringLiteral("nodes=7"));
    sp.emitEvent("TextCacheHit");
    sp.emitEvent("TextCacheEvict", [] { return QStringLiteral("pixels=%1").arg(1200); });
    EXPECT_TRUE(interval.isOpen());
    endSignpostInterval("MinimapRender", interval);
    EXPECT_FALSE(interval.isOpen());

    ASSERT_EQ(lines().size(), 5);
    const QString id = QString::number(interval.signpostID());
    EXPECT_EQ(lines()[0], "begin MinimapRender id=" + id + " px=180x120 nodes=42");
    EXPECT_EQ(lines()[1], "event TreeLayout.done nodes=7");
    EXPECT_EQ(lines()[2], "event TextCacheHit");
    EXPECT_EQ(lines()[3], "event TextCacheEvict pixels=1200");
    EXPECT_TRUE(lines()[4].startsWith("end MinimapRender id=" + id + " elapsed=")) << lines()[4].toStdString();
    EXPECT_TRUE(lines()[4].endsWith(" ms")) << lines()[4].toStdString();
}

TEST_F(SignposterTest, AnIntervalEndedTwiceReportsTheError)
{
    setEnabled(true);
    SignpostIntervalState interval = performanceSignposter().beginInterval("TreeLayout");
    endSignpostInterval("TreeLayout", interval);
    endSignpostInterval("TreeLayout", interval);
    ASSERT_EQ(lines().size(), 3);
    EXPECT_FALSE(lines()[1].contains("[Error]"));
    EXPECT_TRUE(lines()[2].startsWith("end TreeLayout id="));
    EXPECT_TRUE(lines()[2].endsWith(" ms [Error] Interval already ended")) << lines()[2].toStdString();
}

TEST_F(SignposterTest, EachIntervalHasItsOwnID)
{
    setEnabled(true);
    SignpostIntervalState outer = performanceSignposter().beginInterval("CanvasDraw");
    SignpostIntervalState inner = performanceSignposter().beginInterval("drawNodes");
    EXPECT_NE(outer.signpostID(), inner.signpostID());
    endSignpostInterval("drawNodes", inner);
    endSignpostInterval("CanvasDraw", outer);
    EXPECT_FALSE(lines().join('\n').contains("[Error]"));
}

TEST_F(SignposterTest, NothingIsComposedOrWrittenWhileDisabled)
{
    setEnabled(false);
    Signposter& sp = performanceSignposter();
    int composed = 0;
    SignpostIntervalState interval = sp.beginInterval("CanvasDraw", [&] {
        ++composed;
        return QStringLiteral("nodes=1");
    });
    sp.emitEvent("Scroll", [&] {
        ++composed;
        return QStringLiteral("dx=1 dy=2");
    });
    endSignpostInterval("CanvasDraw", interval);
    endSignpostInterval("CanvasDraw", interval);
    EXPECT_EQ(composed, 0);
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_TRUE(interval.isOpen()) << "ending while disabled leaves the state as it was";

    // Once recording starts, that interval ends normally.
    setEnabled(true);
    endSignpostInterval("CanvasDraw", interval);
    ASSERT_EQ(lines().size(), 1);
    EXPECT_FALSE(lines()[0].contains("[Error]"));
    EXPECT_TRUE(lines()[0].contains("elapsed=? ms")) << "begun unrecorded, it has no start time";
}
