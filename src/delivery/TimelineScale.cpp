#include "delivery/TimelineScale.h"

#include "delivery/DeliveryTimer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrion {

qint64 TimelineScale::totalSeconds(double targetSeconds)
{
    return std::clamp<qint64>(
        DeliveryTimer::wholeSeconds(targetSeconds), 0, static_cast<qint64>(DeliveryTimer::maxTargetSeconds));
}

double TimelineScale::tickX(double seconds, double span, double width, double scale, double lineWidth)
{
    // Rounded half away from zero onto a device pixel, then kept within the ruler.
    const double x = (std::round(seconds / span * width * scale) + 0.5) / scale;
    return std::clamp(x, lineWidth / 2, width - lineWidth / 2);
}

std::vector<TimelineScale::Tick> TimelineScale::ticks(double targetSeconds, double width, double scale)
{
    std::vector<Tick> result;
    if (!(width >= minimumWidth) || !std::isfinite(width) || !(scale > 0) || !std::isfinite(scale))
        return result;
    const qint64 total = totalSeconds(targetSeconds);
    const qint64 span = std::max<qint64>(total, 1);
    const double n = static_cast<double>(span);
    const auto add = [&](Style style, qint64 t, double length, double lineWidth, double opacity) {
        result.push_back(
            { style, t, tickX(static_cast<double>(t), n, width, scale, lineWidth), length, lineWidth, opacity });
    };

    if (width / n * 10 * scale >= minimumSpacing) {
        for (qint64 t = 0; t <= span; t += 10) {
            if (t % 60 != 0)
                add(Style::TenSeconds, t, 2, 1 / scale, 0.22);
        }
    }
    if (width / n * 60 * scale >= minimumSpacing && span >= 61) {
        for (qint64 t = 60; t < span; t += 60) {
            if (t % 300 != 0 || total < 300)
                add(Style::Minute, t, 3, 1.0, 0.28);
        }
    }
    if (total >= 301) {
        for (qint64 t = 300; t < span; t += 300)
            add(Style::FiveMinutes, t, 5, 1.0, 0.5);
    }
    add(Style::End, 0, 5, 1.2, 0.75);
    add(Style::End, span, 5, 1.2, 0.75);
    return result;
}

std::vector<TimelineScale::Label> TimelineScale::labels(double targetSeconds, double width,
    const std::vector<double>& mainPointXs, const std::function<double(qint64 minutes)>& textWidth)
{
    std::vector<Label> result;
    if (!(width >= minimumWidth) || !std::isfinite(width))
        return result;
    const qint64 total = totalSeconds(targetSeconds);
    const qint64 span = total < 1 ? 1 : total;
    const qint64 step = total < 300 ? 60 : 300;
    if (step >= span)
        return result;
    double lastRight = -std::numeric_limits<double>::infinity();
    for (qint64 t = step; t < span; t += step) {
        const double x = static_cast<double>(t) / static_cast<double>(span) * width;
        const bool crowded = std::any_of(
            mainPointXs.begin(), mainPointXs.end(), [x](double stop) { return std::abs(stop - x) < labelClearance; });
        if (crowded)
            continue;
        if (textWidth) {
            const double half = textWidth(t / 60) / 2;
            if (x - half < lastRight + labelGap)
                continue;
            lastRight = x + half;
        }
        result.push_back({ t / 60, x });
    }
    return result;
}

bool TimelineScale::isNear(const std::vector<double>& ascendingXs, double x, double clearance)
{
    // The distances from x ascend with the xs: of those not far below x, the first is the
    // nearest.
    const auto first = std::partition_point(
        ascendingXs.begin(), ascendingXs.end(), [x, clearance](double other) { return other - x <= -clearance; });
    return first != ascendingXs.end() && std::abs(*first - x) < clearance;
}

} // namespace kestrion
