#include "platform/EditorPaste.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kestrion {

namespace {

const QMimeData* selectionStandIn = nullptr;

} // namespace

std::optional<QString> EditorPaste::text(const QMimeData* data)
{
    if (!data || !data->hasText())
        return std::nullopt;
    QString text = data->text();
    // An empty text would only take the selected words away.
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

bool EditorPaste::hasText(const QMimeData* data)
{
    return text(data).has_value();
}

const QMimeData* EditorPaste::selection()
{
    if (selectionStandIn)
        return selectionStandIn;
    return QGuiApplication::clipboard()->mimeData(QClipboard::Selection);
}

void EditorPaste::setSelectionForTesting(const QMimeData* data)
{
    selectionStandIn = data;
}

} // namespace kestrion
