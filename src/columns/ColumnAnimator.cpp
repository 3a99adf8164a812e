#include "columns/ColumnAnimator.h"

namespace kestrion {

ColumnAnimator::ColumnAnimator(const AnimationClock* clock)
    : m_animation(clock)
{
    m_animation.setFrameInterval(tickMilliseconds);
}

void ColumnAnimator::animateColumnFrames(const ColumnFrameMap& target)
{
    if (m_displayFrames.isEmpty()) {
        m_displayFrames = target;
        framesChanged();
        return;
    }
    m_fromFrames = m_displayFrames;
    m_targetFrames = target;
    m_animation.start(duration, [this](double progress) { step(progress); });
    // Boxes new to the layout are there at once, and those gone from it go at once.
    step(0);
}

void ColumnAnimator::showFrames(const ColumnFrameMap& frames)
{
    m_animation.stop();
    m_displayFrames = frames;
    framesChanged();
}

ColumnNodeFrame ColumnAnimator::interpolate(const ColumnNodeFrame& from, const ColumnNodeFrame& to, double progress)
{
    const auto mix = [progress](qreal a, qreal b) { return a + (b - a) * progress; };
    return ColumnNodeFrame {
        to.nodeID,
        to.column,
        QPointF(mix(from.origin.x(), to.origin.x()), mix(from.origin.y(), to.origin.y())),
        QSizeF(mix(from.size.width(), to.size.width()), mix(from.size.height(), to.size.height())),
        mix(from.subtreeTop, to.subtreeTop),
        mix(from.subtreeBottom, to.subtreeBottom),
    };
}

void ColumnAnimator::step(double progress)
{
    ColumnFrameMap frames;
    frames.reserve(m_targetFrames.size());
    for (auto it = m_targetFrames.cbegin(); it != m_targetFrames.cend(); ++it) {
        const auto from = m_fromFrames.constFind(it.key());
        frames.insert(it.key(), from == m_fromFrames.cend() ? it.value() : interpolate(*from, it.value(), progress));
    }
    m_displayFrames = std::move(frames);
    framesChanged();
}

void ColumnAnimator::framesChanged()
{
    if (m_onFramesChanged)
        m_onFramesChanged();
}

} // namespace kestrion
