#pragma once

#include "delivery/CircleButton.h"

namespace kestrion {

class DeliveryTimer;

// The disc at the head of the runner line that starts, pauses and resumes the countdown: a
// green play disc while idle or paused, a red pause disc while running. Only the disc takes
// clicks; the keyboard stays with the reading page.
class DeliveryRunnerPlayButton : public CircleButton {
    Q_OBJECT

public:
    static constexpr int discDiameter = 32;

    explicit DeliveryRunnerPlayButton(DeliveryTimer& timer, QWidget* parent = nullptr);

    // The symbol shown for the timer's state.
    QString symbolName() const;
    // Pauses a running countdown, starts or resumes any other.
    void playPause();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    DeliveryTimer& m_timer;
};

} // namespace kestrion
