#include "platform/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace kestrion::WindowPlacement {

namespace {

std::optional<QRect> areaOverride;
std::optional<QMargins> marginsOverride;

// A title bar and thin borders, for windows not yet framed when no framed window tells better.
constexpr QMargins frameAllowance { 2, 28, 2, 6 };
// How often, and how many milliseconds apart, a window just shown is looked at until the window
// manager has framed it.
constexpr int framingChecks = 10;
constexpr int framingInterval = 50;

QMargins framedMargins(const QWidget& window)
{
    if (marginsOverride)
        return *marginsOverride;
    const QWindow* handle = window.windowHandle();
    return handle && window.isVisible() ? handle->frameMargins() : QMargins();
}

void keepOnScreenWhenFramed(QWidget& window, int checksLeft)
{
    QTimer::singleShot(checksLeft == framingChecks ? 0 : framingInterval, &window, [&window, checksLeft] {
        if (!window.isVisible())
            return;
        if (framedMargins(window).isNull() && checksLeft > 1)
            keepOnScreenWhenFramed(window, checksLeft - 1);
        else
            keepOnScreen(window);
    });
}

// Moves its window back onto the screen after the window has been resized.
class ResizeWatcher : public QObject {
public:
    explicit ResizeWatcher(QWidget& window)
        : QObject(&window)
        , m_window(window)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_window && event->type() == QEvent::Resize && m_window.isVisible())
            keepOnScreen(m_window);
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& m_window;
};

} // namespace

void setAvailableAreaOverride(std::optional<QRect> area)
{
    areaOverride = area;
}

void setFrameMarginsOverride(std::optional<QMargins> margins)
{
    marginsOverride = margins;
}

QRect availableArea(const QWidget& window)
{
    if (areaOverride)
        return *areaOverride;
    const QScreen* screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QMargins frameMargins(const QWidget& window)
{
    if (const QMargins own = framedMargins(window); !own.isNull())
        return own;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* other : windows) {
        if (other != &window && other->isWindow() && other->windowType() == Qt::Window) {
            if (const QMargins margins = framedMargins(*other); !margins.isNull())
                return margins;
        }
    }
    return frameAllowance;
}

QSize contentRoom(const QWidget& window)
{
    const QRect area = availableArea(window);
    if (area.isEmpty())
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    return area.size().shrunkBy(frameMargins(window)).expandedTo(QSize(1, 1));
}

QSize fitted(const QSize& wanted, const QSize& room)
{
    return wanted.boundedTo(room).expandedTo(QSize(1, 1));
}

QRect placed(const QRect& frame, const QRect& available)
{
    if (available.isEmpty())
        return frame;
    QRect result = frame;
    result.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width())));
    result.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height())));
    return result;
}

void fitAndCentre(QWidget& window, const QSize& wanted)
{
    window.resize(fitted(wanted, contentRoom(window)));
    const QRect area = availableArea(window);
    QRect frame(QPoint(), window.size().grownBy(frameMargins(window)));
    frame.moveCenter(area.center());
    // A window's position is that of its frame.
    window.move(placed(frame, area).topLeft());
}

void keepOnScreen(QWidget& window)
{
    const QRect area = availableArea(window);
    if (area.isEmpty())
        return;
    const QSize room = contentRoom(window);
    if (window.width() > room.width() || window.height() > room.height()) {
        const QSize size = fitted(window.size(), room);
        // A window of fixed size cannot be resized otherwise.
        if (window.minimumSize() == window.maximumSize())
            window.setFixedSize(size);
        else
            window.resize(size);
    }
    const QRect frame(window.pos(), window.size().grownBy(frameMargins(window)));
    if (const QRect onScreen = placed(frame, area); onScreen != frame)
        window.move(onScreen.topLeft());
}

void keepOnScreenOnceFramed(QWidget& window)
{
    keepOnScreenWhenFramed(window, framingChecks);
}

void keepOnScreenWhenResized(QWidget& window)
{
    new ResizeWatcher(window);
}

} // namespace kestrion::WindowPlacement
