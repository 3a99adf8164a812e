#include "platform/Signposter.h"

namespace kestrion {

namespace {

const QString alreadyEnded = QStringLiteral("[Error] Interval already ended");

void write(const QString& line)
{
    qCDebug(Signposter::category()).noquote() << line;
}

QString withMessage(QString line, const QString& message)
{
    if (!message.isEmpty()) {
        line += QLatin1Char(' ');
        line += message;
    }
    return line;
}

} // namespace

Signposter& Signposter::shared()
{
    static Signposter instance;
    return instance;
}

QLoggingCategory& Signposter::category()
{
    // Debug level off by default: signposts cost nothing until someone records them.
    static QLoggingCategory category("app.kestrion.Kestrion.Performance", QtWarningMsg);
    return category;
}

SignpostIntervalState Signposter::beginInterval(const char* name, const QString& message)
{
    SignpostIntervalState state(nextID());
    if (!isEnabled())
        return state;
    state.m_timer.start();
    write(withMessage(QStringLiteral("begin %1 id=%2").arg(QLatin1String(name)).arg(state.m_signpostID), message));
    return state;
}

void Signposter::endInterval(const char* name, SignpostIntervalState& state)
{
    if (!isEnabled())
        return;
    const bool wasOpen = state.m_isOpen;
    state.m_isOpen = false;
    // An interval begun while nothing was recorded has no start time.
    const QString elapsed = state.m_timer.isValid()
        ? QString::number(static_cast<double>(state.m_timer.nsecsElapsed()) / 1.0e6, 'f', 3)
        : QStringLiteral("?");
    write(withMessage(
        QStringLiteral("end %1 id=%2 elapsed=%3 ms").arg(QLatin1String(name)).arg(state.m_signpostID).arg(elapsed),
        wasOpen ? QString() : alreadyEnded));
}

void Signposter::emitEvent(const char* name, const QString& message)
{
    if (!isEnabled())
        return;
    write(withMessage(QStringLiteral("event %1").arg(QLatin1String(name)), message));
}

Signposter& performanceSignposter()
{
    return Signposter::shared();
}

void endSignpostInterval(const char* name, SignpostIntervalState& state)
{
    Signposter::shared().endInterval(name, state);
}

} // namespace kestrion
