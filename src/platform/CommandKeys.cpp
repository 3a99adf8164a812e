#include "platform/CommandKeys.h"

#include <QKeyEvent>

namespace kestrion {

bool CommandKeys::routeEvent(QEvent* event, const Lookup& lookup)
{
    if (event->type() == QEvent::ShortcutOverride) {
        if (!lookup(*static_cast<QKeyEvent*>(event)))
            return false;
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return runKeyPress(key, lookup);
    }
    return false;
}

bool CommandKeys::runKeyPress(QKeyEvent* event, const Lookup& lookup)
{
    const std::function<void()> command = lookup(*event);
    if (!command)
        return false;
    event->accept();
    command();
    return true;
}

} // namespace kestrion
