#include "platform/Signposter.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

QStringList* capturedLines = nullptr;

void capture(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (capturedLines && qstrcmp(context.category, "app.kestrion.Kestrion.Performance") == 0)
        capturedLines->append(message);
}

// Records the lines written to the performance category, with the category switched on or off.
class SignposterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        capturedLines = &m_lines;
        m_previousHandler = qInstallMessageHandler(capture);
        m_wasEnabled = Signposter::category().isDebugEnabled();
    }

    void TearDown() override
    {
        setEnabled(m_wasEnabled);
        qInstallMessageHandler(m_previousHandler);
        capturedLines = nullptr;
    }

    static void setEnabled(bool enabled) { Signposter::category().setEnabled(QtDebugMsg, enabled); }

    QStringList m_lines;
    QtMessageHandler m_previousHandler = nullptr;
    bool m_wasEnabled = false;
};

} // namespace

TEST_F(SignposterTest, TheSharedSignposterWritesToThePerformanceCategory)
{
    EXPECT_STREQ(Signposter::category().categoryName(), "app.kestrion.Kestrion.Performance");
    EXPECT_EQ(&performanceSignposter(), &Signposter::shared());
    EXPECT_FALSE(Signposter::category().isDebugEnabled()) << "signposts are off unless someone records them";
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

    ASSERT_EQ(m_lines.size(), 5);
    const QString id = QString::number(interval.signpostID());
    EXPECT_EQ(m_lines[0], "begin MinimapRender id=" + id + " px=180x120 nodes=42");
    EXPECT_EQ(m_lines[1], "event TreeLayout.done nodes=7");
    EXPECT_EQ(m_lines[2], "event TextCacheHit");
    EXPECT_EQ(m_lines[3], "event TextCacheEvict pixels=1200");
    EXPECT_TRUE(m_lines[4].startsWith("end MinimapRender id=" + id + " elapsed=")) << m_lines[4].toStdString();
    EXPECT_TRUE(m_lines[4].endsWith(" ms")) << m_lines[4].toStdString();
}

TEST_F(SignposterTest, AnIntervalEndedTwiceReportsTheError)
{
    setEnabled(true);
    SignpostIntervalState interval = performanceSignposter().beginInterval("TreeLayout");
    endSignpostInterval("TreeLayout", interval);
    endSignpostInterval("TreeLayout", interval);
    ASSERT_EQ(m_lines.size(), 3);
    EXPECT_FALSE(m_lines[1].contains("[Error]"));
    EXPECT_TRUE(m_lines[2].startsWith("end TreeLayout id="));
    EXPECT_TRUE(m_lines[2].endsWith(" ms [Error] Interval already ended")) << m_lines[2].toStdString();
}

TEST_F(SignposterTest, EachIntervalHasItsOwnID)
{
    setEnabled(true);
    SignpostIntervalState outer = performanceSignposter().beginInterval("CanvasDraw");
    SignpostIntervalState inner = performanceSignposter().beginInterval("drawNodes");
    EXPECT_NE(outer.signpostID(), inner.signpostID());
    endSignpostInterval("drawNodes", inner);
    endSignpostInterval("CanvasDraw", outer);
    EXPECT_FALSE(m_lines.join('\n').contains("[Error]"));
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
    EXPECT_TRUE(m_lines.isEmpty());
    EXPECT_TRUE(interval.isOpen()) << "ending while disabled leaves the state as it was";

    // Once recording starts, that interval ends normally.
    setEnabled(true);
    endSignpostInterval("CanvasDraw", interval);
    ASSERT_EQ(m_lines.size(), 1);
    EXPECT_FALSE(m_lines[0].contains("[Error]"));
    EXPECT_TRUE(m_lines[0].contains("elapsed=? ms")) << "begun unrecorded, it has no start time";
}
