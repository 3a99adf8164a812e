#pragma once

#include <QAbstractButton>

namespace kestrion {

class DeliveryTimer;

// The disc below the play button, shown only while the countdown is paused, that resets it:
// white in the dark appearance, black in the light one. Only the disc takes clicks.
class DeliveryRunnerStopButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int diameter = 32;

    explicit DeliveryRunnerStopButton(DeliveryTimer& timer, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    DeliveryTimer& m_timer;
};

} // namespace kestrion
