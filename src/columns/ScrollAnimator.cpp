#include "columns/ScrollAnimator.h"

namespace kestrion {

ScrollAnimator::ScrollAnimator(const AnimationClock* clock)
    : m_animation(clock)
{
    m_animation.setFrameInterval(tickMilliseconds);
}

void ScrollAnimator::animateScroll(const QPointF& from, const QPointF& to, Update onUpdate)
{
    m_from = from;
    m_to = to;
    m_animation.start(duration, [from, to, onUpdate = std::move(onUpdate)](double progress) {
        if (onUpdate)
            onUpdate(from + (to - from) * progress);
    });
}

} // namespace kestrion
