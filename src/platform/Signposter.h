#pragma once

#include "platform/SignpostIntervalState.h"

#include <QLoggingCategory>
#include <QString>

#include <atomic>
#include <concepts>

namespace kestrion {

// Performance signposts: named intervals and events written to the logging category
// "app.kestrion.Kestrion.Performance" at debug level, which is off unless enabled, for
// example with QT_LOGGING_RULES="app.kestrion.Kestrion.Performance.debug=true".
//
// Lines: "begin <name> id=<n>[ <message>]", "end <name> id=<n> elapsed=<ms> ms[ <message>]" and
// "event <name>[ <message>]". An interval ended a second time ends with the message
// "[Error] Interval already ended".
//
// While the category is disabled nothing is formatted or written; callers whose messages cost
// something to compose pass them as a function, which then is not called. Safe from any thread.
class Signposter {
public:
    // The process-wide signposter, made on first use.
    static Signposter& shared();

    // Tests may switch the debug level on and off.
    static QLoggingCategory& category();
    bool isEnabled() const { return category().isDebugEnabled(); }

    SignpostIntervalState beginInterval(const char* name, const QString& message = {});
    template <std::invocable F> SignpostIntervalState beginInterval(const char* name, F&& makeMessage)
    {
        return isEnabled() ? beginInterval(name, QString(makeMessage())) : SignpostIntervalState(nextID());
    }

    // Ends an interval begun under the same name. While disabled the state is left as it was.
    void endInterval(const char* name, SignpostIntervalState& state);

    void emitEvent(const char* name, const QString& message = {});
    template <std::invocable F> void emitEvent(const char* name, F&& makeMessage)
    {
        if (isEnabled())
            emitEvent(name, QString(makeMessage()));
    }

    Signposter(const Signposter&) = delete;
    Signposter& operator=(const Signposter&) = delete;

private:
    Signposter() = default;
    quint64 nextID() { return m_nextID.fetch_add(1, std::memory_order_relaxed); }

    std::atomic<quint64> m_nextID { 1 };
};

// The shared signposter of the "Performance" category.
Signposter& performanceSignposter();
// Ends an interval on the shared signposter.
void endSignpostInterval(const char* name, SignpostIntervalState& state);

} // namespace kestrion
