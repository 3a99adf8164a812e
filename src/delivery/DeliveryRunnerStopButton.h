#pragma once

#include "delivery/CircleButton.h"

namespace kestrion {

class DeliveryTimer;

// The disc below the play button, shown only while the countdown is paused, that resets it:
// white in the dark appearance, black in the light one. Only the disc takes clicks.
class DeliveryRunnerStopButton : public CircleButton {
    Q_OBJECT

public:
    static constexpr int discDiameter = 32;

    explicit DeliveryRunnerStopButton(DeliveryTimer& timer, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DeliveryTimer& m_timer;
};

} // namespace kestrion
