#include "delivery/DeliveryCanvasState.h"

#include <algorithm>
#include <cmath>

namespace kestrion {

DeliveryCanvasState::DeliveryCanvasState(QObject* parent)
    : QObject(parent)
{
}

DeliveryCanvasState::~DeliveryCanvasState() = default;

bool DeliveryCanvasState::setScrollY(double y)
{
    if (!std::isfinite(y) || y == m_scrollY)
        return false;
    m_scrollY = y;
    Q_EMIT scrollYChanged(y);
    return true;
}

bool DeliveryCanvasState::setViewportHeight(double height)
{
    if (!std::isfinite(height) || height == m_viewportHeight)
        return false;
    m_viewportHeight = height;
    keepScrollInRange();
    Q_EMIT viewportHeightChanged(height);
    return true;
}

void DeliveryCanvasState::setLayout(Layout layout)
{
    m_layout = std::move(layout);
    keepScrollInRange();
    Q_EMIT layoutChanged();
}

void DeliveryCanvasState::keepScrollInRange()
{
    // A shorter page or a taller view must not leave the page scrolled past its end.
    setScrollY(clampedScrollY(m_scrollY));
}

bool DeliveryCanvasState::setFollowRunner(bool follow)
{
    if (follow == m_followRunner)
        return false;
    m_followRunner = follow;
    Q_EMIT followRunnerChanged(follow);
    return true;
}

bool DeliveryCanvasState::setPendingScrollTarget(const std::optional<QUuid>& target)
{
    if (target == m_pendingScrollTarget)
        return false;
    m_pendingScrollTarget = target;
    Q_EMIT pendingScrollTargetChanged();
    return true;
}

double DeliveryCanvasState::maxScrollY() const
{
    if (!m_layout)
        return 0;
    const double total = m_layout->totalHeight;
    const double overflow = std::max(total - m_viewportHeight, 0.0);
    if (!(overflow > 0))
        return 0;
    const double end = std::max(overflow, total - endReserve);
    // Neither a font taller than the reserve nor a view shorter than the page below the last
    // line's top may scroll that line's top out of sight.
    return std::max(std::isnan(m_layout->lastLineTop) ? end : std::min(end, m_layout->lastLineTop), 0.0);
}

double DeliveryCanvasState::clampedScrollY(double y) const
{
    if (std::isnan(y))
        return 0;
    return std::min(maxScrollY(), std::max(y, 0.0));
}

std::pair<std::optional<NavTarget>, std::optional<NavTarget>> DeliveryCanvasState::nextNavTargets() const
{
    std::pair<std::optional<NavTarget>, std::optional<NavTarget>> targets;
    if (!m_layout)
        return targets;
    const double bottom = m_scrollY + m_viewportHeight;
    const auto& headings = m_layout->headings;
    // Headings stand in document order, which is the order of their y.
    auto it = std::partition_point(headings.begin(), headings.end(),
        [bottom](const DeliveryContentLayout::Heading& heading) { return heading.y <= bottom; });
    for (; it != headings.end() && !(targets.first && targets.second); ++it) {
        if (it->depth == 1 && !targets.first)
            targets.first = NavTarget { it->id, 1, it->text };
        else if (it->depth == 2 && !targets.second)
            targets.second = NavTarget { it->id, 2, it->text };
    }
    return targets;
}

void DeliveryCanvasState::navigate(const QUuid& id)
{
    callIfSet(stopScrollDeceleration);
    setFollowRunner(false);
    setPendingScrollTarget(id);
}

} // namespace kestrion
