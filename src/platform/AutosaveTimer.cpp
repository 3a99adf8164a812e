#include "platform/AutosaveTimer.h"

#include <QCoreApplication>
#include <QTimer>

#include <memory>

namespace kestrion {

namespace {

class QtAutosaveTimer final : public AutosaveTimer {
public:
    QtAutosaveTimer()
    {
        m_timer.setSingleShot(true);
        // What the countdown starts may ask a question, whose loop may close the document and
        // this timer with it: it runs on a later turn, outside the timer's own signal.
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_isFiring = true;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [alive = std::weak_ptr<QtAutosaveTimer*>(m_self), round = m_round] {
                    const std::shared_ptr<QtAutosaveTimer*> self = alive.lock();
                    if (self && (*self)->m_round == round)
                        (*self)->fire();
                },
                Qt::QueuedConnection);
        });
    }

    void start(std::chrono::milliseconds delay) override
    {
        ++m_round;
        m_isFiring = false;
        m_timer.start(delay);
    }
    void stop() override
    {
        ++m_round;
        m_isFiring = false;
        m_timer.stop();
    }
    bool isActive() const override { return m_timer.isActive() || m_isFiring; }

private:
    void fire()
    {
        m_isFiring = false;
        if (onTimeout)
            onTimeout();
    }

    QTimer m_timer;
    // A restart or a stop cancels a timeout already on its way.
    quint64 m_round = 0;
    bool m_isFiring = false;
    const std::shared_ptr<QtAutosaveTimer*> m_self = std::make_shared<QtAutosaveTimer*>(this);
};

} // namespace

std::unique_ptr<AutosaveTimer> AutosaveTimer::create(Purpose)
{
    return std::make_unique<QtAutosaveTimer>();
}

} // namespace kestrion
