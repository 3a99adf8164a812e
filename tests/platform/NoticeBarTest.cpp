#include "platform/NoticeBar.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kestrion;

TEST(NoticeBarTest, AnActionRunsOnceAndEndsTheNotice)
{
    int discarded = 0;
    NoticeBar bar(QStringLiteral("Unsaved changes were restored."),
        { { QStringLiteral("Keep"), nullptr }, { QStringLiteral("Discard"), [&] { ++discarded; } } });
    QSignalSpy finished(&bar, &NoticeBar::finished);

    EXPECT_EQ(bar.text(), QStringLiteral("Unsaved changes were restored."));
    EXPECT_EQ(bar.actionTitles(), QStringList({ QStringLiteral("Keep"), QStringLiteral("Discard") }));
    EXPECT_FALSE(bar.trigger(QStringLiteral("Revert")));
    EXPECT_EQ(finished.count(), 0);

    EXPECT_TRUE(bar.trigger(QStringLiteral("Discard")));
    EXPECT_EQ(discarded, 1);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(bar.trigger(QStringLiteral("Keep")));
    EXPECT_EQ(discarded, 1);
}
