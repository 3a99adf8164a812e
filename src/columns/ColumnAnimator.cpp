#include "columns/ColumnAnimator.h"

#include <algorithm>

namespace kestrion {

ColumnAnimator::ColumnAnimator(const LiveColumnLayout& layout, const AnimationClock* clock)
    : m_layout(layout)
    , m_animation(clock)
{
    m_animation.setFrameInterval(tickMilliseconds);
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

void ColumnAnimator::holdShownFrames()
{
    m_held.clear();
    m_held.reserve(m_glides.size());
    for (const Glide& glide : m_glides)
        m_held.push_back({ glide.slot, interpolate(glide.from, glide.to, m_progress), {} });
}

void ColumnAnimator::glideFrom(LiveColumnLayout::Slot slot, const ColumnNodeFrame& from)
{
    if (glideOf(slot) >= 0 || !m_layout.holds(slot, from.nodeID))
        return;
    const ColumnNodeFrame to = m_layout.frameAt(slot);
    if (from == to)
        return;
    m_glideOf[static_cast<size_t>(slot)] = static_cast<qint32>(m_glides.size());
    m_glides.push_back({ slot, from, to });
}

void ColumnAnimator::animateTo(const std::vector<LiveColumnLayout::Move>& moves)
{
    clearGlides();
    if (!m_hasShown) {
        m_hasShown = true;
        m_held.clear();
        framesChanged();
        return;
    }
    m_glideOf.resize(static_cast<size_t>(m_layout.slotCount()), -1);
    for (const Glide& held : m_held)
        glideFrom(held.slot, held.from);
    m_held.clear();
    for (const LiveColumnLayout::Move& move : moves)
        glideFrom(move.slot, move.from);
    // A box is found wherever it passes during its glide.
    for (qsizetype i = 0; i < glidingCount(); ++i) {
        const Glide& glide = m_glides[static_cast<size_t>(i)];
        const qreal top
            = std::min({ glide.from.subtreeTop, glide.from.origin.y(), glide.to.subtreeTop, glide.to.origin.y() });
        const qreal bottom = std::max({ glide.from.subtreeBottom, glide.from.origin.y() + glide.from.size.height(),
            glide.to.subtreeBottom, glide.to.origin.y() + glide.to.size.height() });
        m_index.add(glide.to.column, top, bottom, static_cast<qint32>(i));
    }
    m_index.finish();
    m_progress = 0;
    m_animation.start(duration, [this](double progress) { step(progress); });
    // Boxes new to the layout are there at once, and those gone from it go at once.
    framesChanged();
}

void ColumnAnimator::showLayout()
{
    m_animation.stop();
    clearGlides();
    m_held.clear();
    m_hasShown = true;
    framesChanged();
}

void ColumnAnimator::clearGlides()
{
    for (const Glide& glide : m_glides) {
        if (glide.slot < static_cast<qint32>(m_glideOf.size()))
            m_glideOf[static_cast<size_t>(glide.slot)] = -1;
    }
    m_glides.clear();
    m_index.clear();
}

void ColumnAnimator::step(double progress)
{
    m_progress = progress;
    // At the end every box stands where the layout puts it.
    if (progress >= 1)
        clearGlides();
    framesChanged();
}

void ColumnAnimator::framesChanged()
{
    if (m_onFramesChanged)
        m_onFramesChanged();
}

std::optional<ColumnNodeFrame> ColumnAnimator::frame(const QUuid& id) const
{
    const LiveColumnLayout::Slot slot = m_layout.slotOf(id);
    if (!m_layout.holds(slot, id))
        return std::nullopt;
    if (const qint32 glide = glideOf(slot); glide >= 0) {
        const Glide& g = m_glides[static_cast<size_t>(glide)];
        return interpolate(g.from, g.to, m_progress);
    }
    return m_layout.frameAt(slot);
}

ColumnLayout ColumnAnimator::shownLayout() const
{
    ColumnLayout shown = m_layout.snapshot();
    for (const Glide& glide : m_glides)
        shown.frames.insert(glide.to.nodeID, interpolate(glide.from, glide.to, m_progress));
    return shown;
}

} // namespace kestrion
