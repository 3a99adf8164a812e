#pragma once

#include "delivery/CircleButton.h"

namespace kestrion {

class DeliveryCanvasState;

// The small eye at the foot of the runner line that switches follow-runner scrolling on and off:
// filled and red while following.
class FollowRunnerButton : public CircleButton {
    Q_OBJECT

public:
    static constexpr int discDiameter = 40;
    static constexpr double bottomOffset = 32;

    explicit FollowRunnerButton(DeliveryCanvasState& state, QWidget* parent = nullptr);

    // Where the button's centre stands in an area of that size: under the runner line of the
    // centred column, 32 points above the bottom.
    static QPointF centre(const QSizeF& area, double textWidth);

    QString symbolName() const;
    // Stops the deceleration when that hook is set, then inverts following.
    void toggleFollow();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    DeliveryCanvasState& m_state;
};

} // namespace kestrion
