#pragma once

#include "columns/ColumnRowIndex.h"
#include "columns/LiveColumnLayout.h"
#include "platform/FrameAnimation.h"

#include <functional>
#include <optional>
#include <vector>

namespace kestrion {

class AnimationClock;

// The boxes as shown now: the layout's, with those that a change moved gliding from where they
// were shown to where the layout puts them: 0.2 s, cubic ease-out, ticks every 1/120 s. A new
// target while a glide runs starts a full glide from the boxes as shown. Boxes new to the
// layout appear at their place at once, and boxes gone from it vanish at once. Only the boxes
// that move glide: a tick of the glide costs nothing, a frame drawn finds the shown boxes
// near the rows in view through an index of the gliding ones. Main thread only.
class ColumnAnimator {
public:
    static constexpr double duration = 0.2;
    static constexpr int tickMilliseconds = 8;

    explicit ColumnAnimator(const LiveColumnLayout& layout, const AnimationClock* clock = nullptr);

    bool isAnimating() const { return m_animation.isRunning(); }
    // The boxes gliding now.
    qsizetype glidingCount() const { return static_cast<qsizetype>(m_glides.size()); }

    // Before the layout changes for a glide: keeps where the gliding boxes are shown now.
    void holdShownFrames();
    // After the layout changed: glides the boxes the change moved, and those still gliding,
    // from where they were shown. The first layout is shown at once.
    void animateTo(const std::vector<LiveColumnLayout::Move>& moves);
    // Stops any glide and shows the layout as it is.
    void showLayout();

    // The frame shown now of a node with a frame in the layout.
    std::optional<ColumnNodeFrame> frame(const QUuid& id) const;
    // Every box of the column shown now whose subtree band reaches into the rows from top to
    // bottom (edges included), and possibly a few more: callers still test each one.
    template <typename Visit> void forEachInRows(qint64 column, qreal top, qreal bottom, Visit&& visit) const
    {
        m_layout.forEachInRows(column, top, bottom, [&](LiveColumnLayout::Slot slot, const ColumnNodeFrame& frame) {
            if (glideOf(slot) < 0)
                visit(frame);
        });
        if (m_glides.empty())
            return;
        m_index.forEachInRows(column, top, bottom, [&](qint32 item) {
            const Glide& glide = m_glides[static_cast<size_t>(item)];
            visit(interpolate(glide.from, glide.to, m_progress));
        });
    }
    // Everything shown now, as a value.
    ColumnLayout shownLayout() const;

    // Called whenever the shown frames change.
    void setOnFramesChanged(std::function<void()> callback) { m_onFramesChanged = std::move(callback); }

    void setClock(const AnimationClock* clock) { m_animation.setClock(clock); }
    // One tick now (the timer's work).
    void tick() { m_animation.tick(); }

    // The frame part of the way from one frame to another.
    static ColumnNodeFrame interpolate(const ColumnNodeFrame& from, const ColumnNodeFrame& to, double progress);

private:
    struct Glide {
        LiveColumnLayout::Slot slot;
        ColumnNodeFrame from;
        ColumnNodeFrame to;
    };

    qint32 glideOf(LiveColumnLayout::Slot slot) const
    {
        return slot >= 0 && slot < static_cast<qint32>(m_glideOf.size()) ? m_glideOf[static_cast<size_t>(slot)] : -1;
    }
    void glideFrom(LiveColumnLayout::Slot slot, const ColumnNodeFrame& from);
    void clearGlides();
    void step(double progress);
    void framesChanged();

    const LiveColumnLayout& m_layout;
    FrameAnimation m_animation;
    bool m_hasShown = false;
    double m_progress = 0;
    std::vector<Glide> m_glides;
    // The frames the gliding boxes were shown at when the layout changed, until the glide
    // starts again from them.
    std::vector<Glide> m_held;
    // Per slot of the layout: its glide, or -1.
    std::vector<qint32> m_glideOf;
    ColumnRowIndex m_index;
    std::function<void()> m_onFramesChanged;
};

} // namespace kestrion
