#include "platform/WindowPlacement.h"

#include <QCoreApplication>
#include <QWidget>

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

TEST(WindowPlacementTest, AWindowBroughtBackOnTheScreenStandsOnItWithItsTitleBarAndBorders)
{
    // 1280 by 800 at twice the scale, under a window manager's title bar and borders.
    const QRect area(0, 0, 640, 400);
    const QMargins frame(2, 28, 2, 6);
    WindowPlacement::setAvailableAreaOverride(area);
    WindowPlacement::setFrameMarginsOverride(frame);
    struct Case {
        const char* name;
        QSize size;
        QPoint at;
        bool isFixed;
    };
    const Case cases[] = {
        { "at the bottom edge", QSize(300, 200), QPoint(100, 200), false },
        { "below the bottom", QSize(300, 200), QPoint(100, 380), false },
        { "above the top", QSize(300, 200), QPoint(100, -20), false },
        { "past the right", QSize(300, 200), QPoint(500, 100), false },
        { "past the left", QSize(300, 200), QPoint(-120, 100), false },
        { "taller than the room", QSize(400, 390), QPoint(0, 0), false },
        { "of a fixed size taller than the room", QSize(620, 387), QPoint(9, 0), true },
    };
    for (const Case& c : cases) {
        QWidget window;
        window.resize(c.size);
        if (c.isFixed)
            window.setFixedSize(c.size);
        window.move(c.at);
        window.show();
        WindowPlacement::keepOnScreenOnceFramed(window);
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
        const QRect framed(window.pos(), window.size().grownBy(frame));
        EXPECT_TRUE(area.contains(framed)) << c.name << ": " << framed.x() << ", " << framed.y() << " to "
                                           << framed.right() << ", " << framed.bottom();
        // A window that was on the screen stays where it was.
        if (area.contains(QRect(c.at, c.size.grownBy(frame)))) {
            EXPECT_EQ(window.pos(), c.at) << c.name;
        }
    }
    WindowPlacement::setAvailableAreaOverride(std::nullopt);
    WindowPlacement::setFrameMarginsOverride(std::nullopt);
}
