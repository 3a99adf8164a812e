#pragma once

#include "columns/ColumnLayout.h"
#include "platform/FrameAnimation.h"

#include <functional>

namespace kestrion {

class AnimationClock;

// Glides every node box from where it is shown to where the newest layout puts it: 0.2 s,
// cubic ease-out, ticks every 1/120 s. A new target while a glide runs starts a full glide
// from the boxes as shown. Boxes new to the layout appear at their place at once, and boxes
// gone from it vanish at once. Main thread only.
class ColumnAnimator {
public:
    static constexpr double duration = 0.2;
    static constexpr int tickMilliseconds = 8;

    explicit ColumnAnimator(const AnimationClock* clock = nullptr);

    // The frames to draw now.
    const ColumnFrameMap& displayFrames() const { return m_displayFrames; }
    const ColumnFrameMap& fromFrames() const { return m_fromFrames; }
    const ColumnFrameMap& targetFrames() const { return m_targetFrames; }
    bool isAnimating() const { return m_animation.isRunning(); }

    // Glides to the target; the first target (nothing shown yet) is shown at once.
    void animateColumnFrames(const ColumnFrameMap& target);
    // Stops any glide and shows the frames at once.
    void showFrames(const ColumnFrameMap& frames);

    // Called whenever the shown frames change.
    void setOnFramesChanged(std::function<void()> callback) { m_onFramesChanged = std::move(callback); }

    void setClock(const AnimationClock* clock) { m_animation.setClock(clock); }
    // One tick now (the timer's work).
    void tick() { m_animation.tick(); }

    // The frame part of the way from one frame to another.
    static ColumnNodeFrame interpolate(const ColumnNodeFrame& from, const ColumnNodeFrame& to, double progress);

private:
    void step(double progress);
    void framesChanged();

    FrameAnimation m_animation;
    ColumnFrameMap m_displayFrames;
    ColumnFrameMap m_fromFrames;
    ColumnFrameMap m_targetFrames;
    std::function<void()> m_onFramesChanged;
};

} // namespace kestrion
