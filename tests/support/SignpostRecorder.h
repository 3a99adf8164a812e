#pragma once

#include "platform/Signposter.h"

#include <QStringList>

namespace kestrion::test {

// Switches the performance category on (or off) and records its lines while it lives; the
// previous message handler and category state come back afterwards. One at a time.
class SignpostRecorder {
public:
    explicit SignpostRecorder(bool enabled = true)
        : m_wasEnabled(Signposter::category().isDebugEnabled())
    {
        current() = this;
        m_previous = qInstallMessageHandler(&SignpostRecorder::handle);
        setEnabled(enabled);
    }

    ~SignpostRecorder()
    {
        setEnabled(m_wasEnabled);
        qInstallMessageHandler(m_previous);
        current() = nullptr;
    }

    SignpostRecorder(const SignpostRecorder&) = delete;
    SignpostRecorder& operator=(const SignpostRecorder&) = delete;

    static void setEnabled(bool enabled) { Signposter::category().setEnabled(QtDebugMsg, enabled); }

    const QStringList& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }
    // The lines that begin with this text.
    QStringList linesStartingWith(const QString& prefix) const
    {
        QStringList result;
        for (const QString& line : m_lines) {
            if (line.startsWith(prefix))
                result << line;
        }
        return result;
    }

private:
    static SignpostRecorder*& current()
    {
        static SignpostRecorder* recorder = nullptr;
        return recorder;
    }

    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (current() && qstrcmp(context.category, Signposter::category().categoryName()) == 0)
            current()->m_lines.append(message);
    }

    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
    bool m_wasEnabled = false;
};

} // namespace kestrion::test
