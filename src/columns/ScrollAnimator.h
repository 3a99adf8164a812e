#pragma once

#include "platform/FrameAnimation.h"

#include <QPointF>

#include <functional>

namespace kestrion {

class AnimationClock;

// Glides the canvas's pan offset: 0.2 s, cubic ease-out, ticks every 1/120 s, each
// intermediate offset handed to the update callback. A new glide replaces the running one.
class ScrollAnimator {
public:
    using Update = std::function<void(const QPointF& offset)>;

    static constexpr double duration = 0.2;
    static constexpr int tickMilliseconds = 8;

    explicit ScrollAnimator(const AnimationClock* clock = nullptr);

    QPointF from() const { return m_from; }
    QPointF to() const { return m_to; }
    bool isAnimating() const { return m_animation.isRunning(); }

    void animateScroll(const QPointF& from, const QPointF& to, Update onUpdate);
    void stop() { m_animation.stop(); }

    void setClock(const AnimationClock* clock) { m_animation.setClock(clock); }
    void tick() { m_animation.tick(); }

private:
    FrameAnimation m_animation;
    QPointF m_from;
    QPointF m_to;
};

} // namespace kestrion
