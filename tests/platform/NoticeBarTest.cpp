#include "platform/NoticeBar.h"

#include "platform/Appearance.h"
#include "support/ContrastRatio.h"

#include <QApplication>
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

TEST(NoticeBarTest, StandsOutFromTheWindowInTheDarkAsInTheLight)
{
    for (const bool dark : { false, true }) {
        const QPalette palette = dark ? Appearance::darkPalette() : Appearance::lightPalette();
        NoticeBar bar(QStringLiteral("The details at the top of this file could not be read."), {});
        bar.setPalette(palette);
        bar.resize(400, bar.sizeHint().height());
        const QImage image = bar.grab().toImage();
        const QColor window = palette.color(QPalette::Window);
        // Its edges stand out as the light one's always have, and in the dark its fill is raised
        // above the window.
        EXPECT_GE(contrastRatio(image.pixelColor(200, 0), window), 1.7) << dark;
        EXPECT_GE(contrastRatio(image.pixelColor(200, image.height() - 1), window), 1.7) << dark;
        if (dark) {
            EXPECT_GT(image.pixelColor(200, image.height() / 2).lightnessF(), window.lightnessF());
        }
    }
}
