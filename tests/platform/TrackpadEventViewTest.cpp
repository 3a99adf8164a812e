#include "platform/TrackpadEventView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace kestrion;

namespace {

// A widget that records whether plain events reached it.
class Surface : public QWidget {
public:
    int wheels = 0;
    int presses = 0;
    int contextMenus = 0;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        ++wheels;
        event->ignore();
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        event->accept();
    }
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        ++contextMenus;
        event->accept();
    }
};

struct Recorder {
    QList<QPointF> scrolls;
    QList<std::pair<qreal, QPointF>> magnifications;
    int magnifyEnds = 0;
    QList<QPointF> rightClicks;
    QList<QPointF> leftClicks;
    QList<QPointF> doubleClicks;

    void attach(TrackpadEventView& view)
    {
        view.setOnScroll([this](qreal dx, qreal dy) { scrolls.append(QPointF(dx, dy)); });
        view.setOnMagnify([this](qreal m, const QPointF& p) { magnifications.append({ m, p }); });
        view.setOnMagnifyEnd([this] { ++magnifyEnds; });
        view.setOnRightClick([this](const QPointF& p, QMouseEvent*) { rightClicks.append(p); });
        view.setOnLeftClick([this](const QPointF& p) { leftClicks.append(p); });
        view.setOnDoubleClick([this](const QPointF& p) { doubleClicks.append(p); });
    }
};

void sendWheel(QWidget* target, const QPointF& position, const QPoint& angle, const QPoint& pixels,
    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWheelEvent event(
        position, target->mapToGlobal(position), pixels, angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST(TrackpadEventViewTest, ScrollDeltasArePixelsOrScaledNotches)
{
    EXPECT_EQ(TrackpadEventView::scrollDelta(QPointF(3, -4), QPoint(0, 360), Qt::NoModifier), QPointF(3, -4));
    EXPECT_EQ(TrackpadEventView::scrollDelta(QPointF(), QPoint(0, -120), Qt::NoModifier), QPointF(0, -40));
    // Shift turns a plain wheel sideways.
    EXPECT_EQ(TrackpadEventView::scrollDelta(QPointF(), QPoint(0, 120), Qt::ShiftModifier), QPointF(40, 0));
    EXPECT_DOUBLE_EQ(TrackpadEventView::wheelMagnification(QPoint(0, 120)), 0.1);
    EXPECT_DOUBLE_EQ(TrackpadEventView::wheelMagnification(QPoint(0, -240)), -0.2);
}

TEST(TrackpadEventViewTest, ReportsTheEventsOfItsOwnWidgetOnly)
{
    Surface canvas;
    canvas.resize(400, 300);
    TrackpadEventView view(&canvas);
    Recorder recorder;
    recorder.attach(view);

    Surface other;
    other.resize(100, 100);
    sendWheel(&other, QPointF(10, 10), QPoint(0, 120), {});
    EXPECT_TRUE(recorder.scrolls.isEmpty());
    EXPECT_EQ(other.wheels, 1);

    sendWheel(&canvas, QPointF(10, 10), QPoint(0, 120), {});
    EXPECT_EQ(recorder.scrolls, QList<QPointF> { QPointF(0, 40) });
    // Taken: the canvas's own handler and its parents never see it.
    EXPECT_EQ(canvas.wheels, 0);

    sendWheel(&canvas, QPointF(50, 60), QPoint(0, 120), {}, Qt::ControlModifier);
    ASSERT_EQ(recorder.magnifications.size(), 1);
    EXPECT_DOUBLE_EQ(recorder.magnifications[0].first, 0.1);
    EXPECT_EQ(recorder.magnifications[0].second, QPointF(50, 60));
    EXPECT_EQ(recorder.scrolls.size(), 1);
}

TEST(TrackpadEventViewTest, PinchReportsMagnificationAtTheEventPositionThenItsEnd)
{
    Surface canvas;
    canvas.resize(400, 300);
    TrackpadEventView view(&canvas);
    Recorder recorder;
    recorder.attach(view);
    const QPointF at(120, 80);
    QNativeGestureEvent zoom(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, at,
        canvas.mapToGlobal(at), canvas.mapToGlobal(at), 0.25, QPointF(), 0);
    QApplication::sendEvent(&canvas, &zoom);
    QNativeGestureEvent end(Qt::EndNativeGesture, QPointingDevice::primaryPointingDevice(), 2, at,
        canvas.mapToGlobal(at), canvas.mapToGlobal(at), 0, QPointF(), 0);
    QApplication::sendEvent(&canvas, &end);
    ASSERT_EQ(recorder.magnifications.size(), 1);
    EXPECT_DOUBLE_EQ(recorder.magnifications[0].first, 0.25);
    EXPECT_EQ(recorder.magnifications[0].second, at);
    EXPECT_EQ(recorder.magnifyEnds, 1);
}

TEST(TrackpadEventViewTest, RightClicksAreConsumedButTextFieldsKeepTheirOwn)
{
    Surface canvas;
    canvas.resize(400, 300);
    auto* field = new QLineEdit(&canvas);
    field->setGeometry(10, 10, 100, 24);
    TrackpadEventView view(&canvas);
    Recorder recorder;
    recorder.attach(view);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));

    QTest::mouseClick(&canvas, Qt::RightButton, Qt::NoModifier, QPoint(200, 150));
    EXPECT_EQ(recorder.rightClicks, QList<QPointF> { QPointF(200, 150) });
    EXPECT_EQ(canvas.presses, 0);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(200, 150), canvas.mapToGlobal(QPoint(200, 150)));
    QApplication::sendEvent(&canvas, &menu);
    EXPECT_EQ(canvas.contextMenus, 0);

    // A right click in the field goes to the field.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), field->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
        Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(field, &press);
    EXPECT_EQ(recorder.rightClicks.size(), 1);

    // Left clicks are reported and still reach the widget.
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    EXPECT_EQ(recorder.leftClicks, QList<QPointF> { QPointF(300, 200) });
    EXPECT_EQ(canvas.presses, 1);
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    EXPECT_EQ(recorder.doubleClicks.size(), 1);
}

TEST(TrackpadEventViewTest, NothingIsReportedOnceTheViewIsGone)
{
    Surface canvas;
    Recorder recorder;
    {
        TrackpadEventView view(&canvas);
        recorder.attach(view);
    }
    sendWheel(&canvas, QPointF(10, 10), QPoint(0, 120), {});
    EXPECT_TRUE(recorder.scrolls.isEmpty());
    EXPECT_EQ(canvas.wheels, 1);
}
