#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace kestrion {

// One open performance interval, kept by the code that began it until it ends it.
class SignpostIntervalState {
public:
    quint64 signpostID() const { return m_signpostID; }
    // False once the interval has been ended while signposts were recorded.
    bool isOpen() const { return m_isOpen; }

private:
    friend class Signposter;
    explicit SignpostIntervalState(quint64 signpostID)
        : m_signpostID(signpostID)
    {
    }

    quint64 m_signpostID = 0;
    bool m_isOpen = true;
    QElapsedTimer m_timer;
};

} // namespace kestrion
