#pragma once

#include "delivery/DeliveryFonts.h"
#include "delivery/DeliveryMeasureKeeper.h"
#include "delivery/DeliveryMeasures.h"
#include "delivery/DeliveryPageRenderer.h"
#include "delivery/PulseClock.h"
#include "platform/FrameAnimation.h"

#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

namespace kestrion {

class AnimationClock;
class DeliveryCanvasState;
class DeliveryTimer;
class PlatformScrollEventView;
class SermonDocument;

// The reading page of delivery mode: the laid-out sermon drawn shifted up by the shared scroll
// offset, with the runner over it. It scrolls itself (wheel anywhere in its window, Home, End,
// Page Up, Page Down), eases its jumps over 0.4 s, drives the countdown from Space and Escape
// (which leaves a running countdown to the delivery view), follows the runner while asked to,
// and lays the page out again whenever the tree, the countdown's whole minutes or a setting
// changes.
//
// The page is laid out when the canvas first comes on screen, with the settings it has by then,
// and again at once whenever one of them changes later; while the canvas is off screen (the
// window shows another mode) once, when it comes back. Laid out again, the page keeps the words
// at the reading line there, and a page at its top stays at its top. Each layout measures only
// the texts that the measures kept from earlier ones do not hold.
//
// Its 1/60 s tick runs only while the countdown runs and the canvas is shown; each tick
// repaints only the runner's head and the stretch of line it grew by, unless following the
// runner moved the page. Main thread only.
class DeliveryCanvas : public QWidget {
    Q_OBJECT

public:
    static constexpr double scrollAnimationDuration = 0.4;
    // A jump puts the middle of its target's text this far below the viewport's top.
    static constexpr double jumpOffset = 100;
    static constexpr double pageOverlap = 60;
    static constexpr double minimumPage = 100;
    static constexpr int tickIntervalMilliseconds = 16;
    // Device pixels the runner must move before it is drawn again.
    static constexpr double minimumRunnerStep = 0.25;

    DeliveryCanvas(
        SermonDocument& document, DeliveryTimer& timer, DeliveryCanvasState& state, QWidget* parent = nullptr);
    ~DeliveryCanvas() override;

    SermonDocument& document() const { return m_document; }
    DeliveryTimer& timer() const { return m_timer; }
    DeliveryCanvasState& state() const { return m_state; }
    PulseClock& pulseClock() { return m_pulseClock; }
    PlatformScrollEventView* scrollEvents() const { return m_scrollEvents; }

    double baseFontSize() const { return m_baseFontSize; }
    void setBaseFontSize(double size);
    double lineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(double spacing);
    double textWidth() const { return m_textWidth; }
    void setTextWidth(double width);
    qint64 wpm() const { return m_wpm; }
    void setWpm(qint64 wordsPerMinute);
    // How much of the canvas's foot belongs to controls over the page: the page is read, and
    // drawn, only above it.
    double footHeight() const { return m_footHeight; }
    void setFootHeight(double height);

    // The media clock of the scroll animation and of the runner's pulse.
    void setClock(const AnimationClock* clock);
    // Measures and fonts kept for the document beyond this canvas, to lay the page out from;
    // without them the canvas keeps its own.
    void setMeasureKeeper(DeliveryMeasureKeeper* keeper) { m_keeper = keeper; }

    bool isScrollAnimating() const { return m_scrollAnimation.isRunning(); }
    bool isTicking() const { return m_tickTimer.isActive(); }
    // How many times the page was laid out.
    quint64 layoutCount() const { return m_layoutCount; }
    bool hasLaidOut() const { return m_layoutCount > 0; }

    void rebuildLayout();
    void handleScrollWheel(double deltaY);
    // Home, End, Page Up, Page Down, Space and Escape; false for every other key, and for
    // Escape while the countdown runs.
    bool handleKey(int key);
    void animateScroll(double y);
    // One frame of the running scroll animation; the animation's timer calls it.
    void animationFrame();
    void displayLinkTick();
    void scrollToPendingTarget();

    // The page as the canvas draws it: content then runner, within dirty.
    void renderPage(QPainter& painter, const QRectF& dirty);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static bool isCanvasKey(int key, Qt::KeyboardModifiers modifiers);
    void prepareScroll();
    void startTicking();
    void stopTicking();
    void scheduleRebuild();
    // Lays the page out again now, or once it is back on screen.
    void relayout();
    void setting(double& field, double value);
    void updateViewportHeight();
    // The scroll offset as drawn: snapped to device pixels.
    double drawnScrollY() const;
    void scrollChanged();
    void updateRunner();
    DeliveryPageRenderer::Runner currentRunner() const;
    std::optional<double> paintedRunnerY() const;
    // The runner's head where it is and where it was painted, and the line between them.
    QRegion runnerRegion() const;
    void renderPage(QPainter& painter, const QRectF& dirty, const DeliveryPageRenderer::Runner& runner);

    SermonDocument& m_document;
    DeliveryTimer& m_timer;
    DeliveryCanvasState& m_state;
    PlatformScrollEventView* m_scrollEvents = nullptr;
    const AnimationClock* m_clock;
    double m_baseFontSize;
    double m_lineSpacing;
    double m_textWidth;
    qint64 m_wpm;
    QPointer<DeliveryMeasureKeeper> m_keeper;
    DeliveryMeasures m_measures;
    std::shared_ptr<DeliveryFonts> m_fonts;
    qint64 m_layoutSeconds = 0;
    // The text width the page was last laid out at (with m_fonts).
    double m_layoutTextWidth = 0;
    quint64 m_layoutCount = 0;
    bool m_rebuildPending = false;
    // A change came while the canvas was off screen.
    bool m_needsLayout = false;
    double m_footHeight = 0;
    FrameAnimation m_scrollAnimation;
    // Where the running scroll animation ends.
    double m_scrollTarget = 0;
    QTimer m_tickTimer;
    PulseClock m_pulseClock;
    // The runner as it stands on screen, and the scroll offset the page was last drawn at.
    DeliveryPageRenderer::Runner m_paintedRunner;
    double m_paintedScrollY = 0;
};

} // namespace kestrion
