#include "platform/TextFieldKeyGuard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace kestrion {

TextFieldKeyGuard::TextFieldKeyGuard(QObject* parent)
    : QObject(parent)
{
}

void TextFieldKeyGuard::install()
{
    static TextFieldKeyGuard* guard = nullptr;
    if (guard || !qApp)
        return;
    guard = new TextFieldKeyGuard(qApp);
    qApp->installEventFilter(guard);
}

bool TextFieldKeyGuard::isTextField(const QWidget* widget)
{
    return widget
        && (widget->testAttribute(Qt::WA_InputMethodEnabled) || qobject_cast<const QLineEdit*>(widget)
            || qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget)
            || qobject_cast<const QAbstractSpinBox*>(widget));
}

bool TextFieldKeyGuard::isBareEditingKey(const QKeyEvent& event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (event.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

bool TextFieldKeyGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget == QApplication::focusWidget() && isTextField(widget)
            && isBareEditingKey(*static_cast<QKeyEvent*>(event))) {
            // Accepted here, the key goes to the field as a key press, not to a shortcut.
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrion
