#include "platform/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kestrion {

std::optional<QString> SystemClipboard::text() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

void SystemClipboard::setText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Drop every other format first, so no stale rich text or image outlives the copy.
    clipboard->clear(QClipboard::Clipboard);
    clipboard->setText(text, QClipboard::Clipboard);
}

} // namespace kestrion
