#pragma once

#include <QObject>

namespace kestrion {

// A counter the delivery views' 1/60 s timers advance; whoever draws on it draws again on every
// tick.
class PulseClock : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    quint64 tick() const { return m_tick; }
    void advance()
    {
        ++m_tick;
        Q_EMIT ticked(m_tick);
    }

Q_SIGNALS:
    void ticked(quint64 tick);

private:
    quint64 m_tick = 0;
};

} // namespace kestrion
