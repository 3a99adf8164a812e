#include "platform/AutosaveTimer.h"

#include <QTimer>

namespace kestrion {

namespace {

class QtAutosaveTimer final : public AutosaveTimer {
public:
    QtAutosaveTimer()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (onTimeout)
                onTimeout();
        });
    }

    void start(std::chrono::milliseconds delay) override { m_timer.start(delay); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<AutosaveTimer> AutosaveTimer::create(Purpose)
{
    return std::make_unique<QtAutosaveTimer>();
}

} // namespace kestrion
