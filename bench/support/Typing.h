#pragma once

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kestrion::bench {

// The text view of an in-place editor, where the keyboard's events go.
inline QWidget* editorTextView(QWidget* editor)
{
    return editor ? editor->findChild<QAbstractScrollArea*>() : nullptr;
}

// One keystroke as the keyboard gives it, then what the event loop does before the next one
// (the frame drawn, work posted by the edit). Typing alternates a letter and Backspace, so the
// text keeps its length however long the benchmark runs.
class Typist {
public:
    explicit Typist(QWidget* view)
        : m_view(view)
    {
    }

    void keystroke()
    {
        const bool isLetter = (m_count++ % 2) == 0;
        const int key = isLetter ? Qt::Key_A : Qt::Key_Backspace;
        const QString text = isLetter ? QStringLiteral("a") : QString();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(m_view, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(m_view, &release);
        QCoreApplication::processEvents();
    }

private:
    QWidget* m_view;
    long long m_count = 0;
};

} // namespace kestrion::bench
