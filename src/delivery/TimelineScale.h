#pragma once

#include <QtGlobal>

#include <functional>
#include <vector>

namespace kestrion {

// The time scale of the timeline ruler: ticks every ten seconds, every minute and every five
// minutes, the two end marks, and the minute numbers, for a target and a ruler width. Tick
// positions are snapped to device pixels. A style whose neighbouring ticks would stand less than
// 4 device pixels apart is left out, so however long the target, no more ticks are made than the
// ruler has room for; targets are bounded to the countdown's day besides.
class TimelineScale {
public:
    enum class Style {
        TenSeconds,
        Minute,
        FiveMinutes,
        End,
    };

    struct Tick {
        Style style;
        qint64 seconds;
        double x;
        double length;
        double lineWidth;
        double opacity;
    };

    struct Label {
        qint64 minutes;
        double x;
    };

    // Nothing is drawn on a narrower ruler: its end marks would not fit.
    static constexpr double minimumWidth = 1.2;
    static constexpr double minimumSpacing = 4;
    // Minute numbers keep this far from a main point's mark.
    static constexpr double labelClearance = 20;
    static constexpr double labelGap = 2;

    // Whole seconds of a target, within 0 and the countdown's day.
    static qint64 totalSeconds(double targetSeconds);
    static std::vector<Tick> ticks(double targetSeconds, double width, double scale);
    // The minute numbers, leaving room around the main points at mainPointXs. Given the width of
    // a number's text, a number that would touch the one before it is left out too, so a target
    // far beyond a sermon's length does not crowd them into a smear.
    static std::vector<Label> labels(double targetSeconds, double width, const std::vector<double>& mainPointXs,
        const std::function<double(qint64 minutes)>& textWidth = {});
    // Whether some x of an ascending list lies less than clearance from x; found by halving, so
    // that a ruler of many thousands of stops is drawn as soon as one of a few.
    static bool isNear(const std::vector<double>& ascendingXs, double x, double clearance);
    // x of a second on the scale, on a device pixel, within the ruler for a line of that width.
    static double tickX(double seconds, double span, double width, double scale, double lineWidth);
};

} // namespace kestrion
