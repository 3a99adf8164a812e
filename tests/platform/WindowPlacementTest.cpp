#include "platform/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace kestrion;

TEST(WindowPlacementTest, AFrameIsMovedOntoTheAreaItsTitleBarFirst)
{
    const QRect area(0, 24, 800, 476);
    struct Case {
        const char* name;
        QRect frame;
        QPoint placed;
    };
    const Case cases[] = {
        { "inside", QRect(100, 50, 400, 300), QPoint(100, 50) },
        { "above the top", QRect(100, -10, 400, 300), QPoint(100, 24) },
        { "past the right and bottom", QRect(600, 400, 400, 300), QPoint(400, 200) },
        { "taller than the area", QRect(100, 100, 400, 900), QPoint(100, 24) },
        { "wider than the area", QRect(-50, 50, 1200, 300), QPoint(0, 50) },
    };
    for (const Case& c : cases) {
        const QRect placed = WindowPlacement::placed(c.frame, area);
        EXPECT_EQ(placed.topLeft(), c.placed) << c.name;
        EXPECT_EQ(placed.size(), c.frame.size()) << c.name;
    }
    EXPECT_EQ(WindowPlacement::fitted(QSize(1200, 800), QSize(798, 466)), QSize(798, 466));
    EXPECT_EQ(WindowPlacement::fitted(QSize(500, 520), QSize(798, 466)), QSize(500, 466));
    EXPECT_EQ(WindowPlacement::fitted(QSize(500, 420), QSize(798, 466)), QSize(500, 420));
}
