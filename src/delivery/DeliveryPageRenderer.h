#pragma once

#include "delivery/TimerState.h"

#include <QRectF>
#include <QSizeF>

#include <optional>
#include <vector>

class QPainter;

namespace kestrion {

class DeliveryFonts;
struct DeliveryContentLayout;
struct DeliveryItem;

// Draws the reading page: the content (guide line, end line and band, minute markers, dividers,
// headings and leaves) and, above it, the runner. Both draw the layout's items in content
// coordinates, the column centred in the canvas (flush left when the canvas is narrower) and
// shifted up by the scroll offset. Only items that reach into the area to draw are visited.
class DeliveryPageRenderer {
public:
    struct Page {
        const DeliveryContentLayout* layout = nullptr;
        DeliveryFonts* fonts = nullptr;
        QSizeF canvasSize;
        double scrollY = 0;
        double viewportHeight = 0;
        double textWidth = 700;
        // Whether the timer has been started since it was made or reset: minute markers then
        // stay clear of the counter block's longer column.
        bool isTimerStarted = false;
        bool isDark = false;
        // The foot of the canvas below this y (canvas coordinates) belongs to controls over
        // the page: nothing of the page is drawn there. None: the page reaches the bottom.
        std::optional<double> readingBottom;
    };

    // One line of a heading's or leaf's text as drawn: where its text starts, and its
    // rectangle in content coordinates.
    struct TextLine {
        qsizetype start = 0;
        QRectF rect;
    };

    struct Runner {
        TimerState state = TimerState::Idle;
        // Not limited: beyond 1 the runner stands at the end and pulses.
        double progress = 0;
        // Media time in seconds, for the pulse.
        double time = 0;
    };

    // Content hidden within this distance below the viewport's top, before and after the start.
    static constexpr double markerInsetIdle = 64;
    static constexpr double markerInsetStarted = 106;
    static constexpr double markerFadeLength = 40;
    static constexpr double visibleOverscan = 50;
    static constexpr double hatchSpacing = 20;
    static constexpr double headingAlphas[] = { 1.0, 1.0, 0.6, 0.4, 0.3 };

    // The left edge of the column: centred, flush left when the canvas is narrower.
    static double xOffset(double canvasWidth, double textWidth);
    static double headingAlpha(qint64 depth);

    // Draws what reaches into dirty (canvas coordinates).
    static void drawContent(QPainter& painter, const Page& page, const QRectF& dirty);
    static void drawRunner(QPainter& painter, const Page& page, const Runner& runner);

    // The lines of a heading's or leaf's text, top to bottom; none for other items.
    static std::vector<TextLine> textLines(DeliveryFonts& fonts, double textWidth, const DeliveryItem& item);

    // The runner's y in content coordinates; none while idle or without a layout.
    static std::optional<double> runnerY(const DeliveryContentLayout* layout, const Runner& runner);
    // What the runner's dot and glow cover around a content y, in canvas coordinates.
    static QRectF runnerHeadBounds(const Page& page, double y);
};

} // namespace kestrion
