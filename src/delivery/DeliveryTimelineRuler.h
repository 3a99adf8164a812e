#pragma once

#include "delivery/DeliveryCanvasState.h"
#include "delivery/PulseClock.h"

#include <QFont>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QFontMetricsF;

namespace kestrion {

class AnimationClock;
class DeliveryTimer;

// The strip across the top of delivery mode showing the whole sermon as one scale from word
// fraction 0 at the left to 1 at the right: the main points as marks with their titles, the
// sub-points as dots, the time scale of the target, the reader's position taken from the page's
// scroll, the runner, and while the countdown is not idle a band over the runner's main section
// that warns when the reader falls 2 or 4 minutes behind. Pressing or dragging seeks.
//
// It draws 41 points tall in layers; the time scale and the titles are kept as pictures until
// the width, the target, the layout or the appearance changes, so the 1/60 s redraw while the
// countdown runs repaints only the band, the reading fill and the runner. No timer runs while
// the countdown is paused or idle.
class DeliveryTimelineRuler : public QWidget {
    Q_OBJECT

public:
    struct HeadingStop {
        double fraction = 0;
        QString text;
        // A main point's text as its label shows it, on one line.
        QString title;
    };

    static constexpr double rulerHeight = 41;
    // The runner's dot reaches below the ruler.
    static constexpr int widgetHeight = 46;
    static constexpr int redrawIntervalMilliseconds = 16;
    // Device pixels the runner must move before a frame is drawn for it.
    static constexpr double minimumRunnerStep = 0.25;

    DeliveryTimelineRuler(DeliveryTimer& timer, DeliveryCanvasState& canvasState, QWidget* parent = nullptr);
    ~DeliveryTimelineRuler() override;

    void setOnSeek(std::function<void(double fraction)> callback) { m_onSeek = std::move(callback); }
    void setClock(const AnimationClock* clock);
    PulseClock& pulseClock() { return m_pulseClock; }
    bool isRedrawing() const { return m_redrawTimer.isActive(); }

    // The headings of exactly that depth, by fraction, ties in page order.
    std::vector<HeadingStop> buildHeadingStops(qint64 depth) const;
    // The word fraction at the reading line of the page.
    double readingFraction() const;
    QColor sectionBandColor(double progress) const;
    static QColor sectionBandColor(std::optional<double> lagSeconds, double time, bool isDark);
    // Seeks to the fraction under x, when the ruler has been drawn.
    void seekFraction(double x);
    void startRedrawTimer();
    // Whether a redraw tick has anything new to show: the runner moved visibly, or something
    // pulses (overtime, a reader left behind).
    bool needsFrame() const;

    // Draws every layer at the given width and device pixel ratio.
    void paintRuler(QPainter& painter, double width, double scale);

    // A main point's title within room, measured as it is drawn (circle markers in the emoji
    // font): whole, or shortened by whole characters with "…"; none when not even that fits.
    static std::optional<QString> fittedTitle(const QString& text, const QFont& font, double room);
    // The same given the font's metrics and the whole text's width; costs what the characters
    // that fit cost.
    static std::optional<QString> fittedTitle(
        const QString& text, const QFont& font, const QFontMetricsF& metrics, double textWidth, double room);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct StaticLayers {
        double width = -1;
        double scale = 0;
        qint64 totalSeconds = -1;
        DeliveryCanvasState::Layout layout;
        bool isDark = false;
        QPixmap scaleLayer;
        QPixmap labelLayer;
    };

    const std::vector<HeadingStop>& stops(qint64 depth) const;
    double runnerX(double width) const;
    // x of the edge of the reading fill.
    double readingX(double width) const;
    // The reader is far enough behind the runner for the band to warn.
    bool isReaderBehind() const;
    void scrollChanged();
    void timerStateChanged();
    void drawSectionBand(QPainter& painter, double width, bool isDark) const;
    void drawStopLines(QPainter& painter, double width, double scale, bool isDark) const;
    void drawSubheadingDots(QPainter& painter, double width, bool isDark) const;
    void drawTimeTicks(QPainter& painter, double width, double scale, bool isDark) const;
    void drawMinuteLabels(QPainter& painter, double width, bool isDark) const;
    void drawReadingPosition(QPainter& painter, double width, bool isDark) const;
    void drawRunner(QPainter& painter, double width, bool isDark) const;
    void drawHeadingLabels(QPainter& painter, double width, bool isDark) const;
    const StaticLayers& staticLayers(double width, double scale, bool isDark);

    DeliveryTimer& m_timer;
    DeliveryCanvasState& m_canvasState;
    std::function<void(double)> m_onSeek;
    const AnimationClock* m_clock;
    PulseClock m_pulseClock;
    QTimer m_redrawTimer;
    double m_currentWidth = 0;
    double m_paintedRunnerX = 0;
    double m_paintedReadingX = 0;
    bool m_paintedReaderBehind = false;
    StaticLayers m_static;
    // Heading stops of depths 1 to 3, for the layout they were built from.
    mutable DeliveryCanvasState::Layout m_stopsLayout;
    mutable std::vector<HeadingStop> m_stops[3];
    // The widths of the main points' titles, by stop, in m_titleFont; -1 until measured.
    mutable QFont m_titleFont;
    mutable std::vector<double> m_titleWidths;
};

} // namespace kestrion
