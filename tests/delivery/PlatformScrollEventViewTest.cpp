#include "delivery/PlatformScrollEventView.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

using namespace kestrion;

namespace {

// A widget that counts the wheel events that reach it and lets them go on.
class Surface : public QWidget {
public:
    int wheels = 0;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        ++wheels;
        event->ignore();
    }
};

// A shown window with a canvas and a widget beside it.
struct Window {
    Window()
    {
        top.resize(400, 300);
        canvas = new QWidget(&top);
        canvas->setGeometry(0, 0, 200, 300);
        other = new Surface;
        other->setParent(&top);
        other->setGeometry(200, 0, 200, 300);
        top.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&top));
    }

    QWidget top;
    QWidget* canvas = nullptr;
    Surface* other = nullptr;
};

// A wheel event as the window system delivers it: to the window, which passes it to the
// widget under the pointer.
void wheelOver(QWidget& top, const QPointF& position, const QPoint& angle, const QPoint& pixels = {})
{
    QWheelEvent event(
        position, top.mapToGlobal(position), pixels, angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(top.windowHandle(), &event);
}

} // namespace

TEST(PlatformScrollEventViewTest, EveryWheelEventOfTheWindowIsReportedOnceAndGoesOn)
{
    Window w;
    PlatformScrollEventView view(w.canvas);
    std::vector<double> deltas;
    view.setOnScroll([&](double dy) { deltas.push_back(dy); });
    ASSERT_EQ(view.watchedWindow(), w.top.windowHandle());

    wheelOver(w.top, QPointF(300, 100), QPoint(0, -120));
    wheelOver(w.top, QPointF(50, 100), QPoint(0, 240), QPoint(0, 7));
    ASSERT_EQ(deltas.size(), 2u);
    EXPECT_EQ(deltas[0], -40);
    EXPECT_EQ(deltas[1], 7);
    // The event over the other widget still reached it.
    EXPECT_EQ(w.other->wheels, 1);
}

TEST(PlatformScrollEventViewTest, OtherWindowsAHiddenViewAndAGoneViewReportNothing)
{
    Window w;
    Window second;
    int calls = 0;
    auto view = std::make_unique<PlatformScrollEventView>(w.canvas);
    view->setOnScroll([&](double) { ++calls; });

    wheelOver(second.top, QPointF(50, 50), QPoint(0, 120));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(second.other->wheels, 0);

    // The window shows another mode: its wheel is that mode's alone.
    w.canvas->hide();
    wheelOver(w.top, QPointF(300, 50), QPoint(0, 120));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(w.other->wheels, 1);
    w.canvas->show();
    wheelOver(w.top, QPointF(300, 50), QPoint(0, 120));
    EXPECT_EQ(calls, 1);

    view.reset();
    calls = 0;
    wheelOver(w.top, QPointF(50, 50), QPoint(0, 120));
    EXPECT_EQ(calls, 0);
}

TEST(PlatformScrollEventViewTest, AViewShownLaterWatchesItsWindowThen)
{
    QWidget top;
    auto* canvas = new QWidget(&top);
    PlatformScrollEventView view(canvas);
    EXPECT_EQ(view.watchedWindow(), nullptr);
    int calls = 0;
    view.setOnScroll([&](double) { ++calls; });
    top.resize(200, 200);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    EXPECT_EQ(view.watchedWindow(), top.windowHandle());
    wheelOver(top, QPointF(10, 10), QPoint(0, 120));
    EXPECT_EQ(calls, 1);
}
