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
    if (!hasText(data))
        return std::nullopt;
    return data->text();
}

bool EditorPaste::hasText(const QMimeData* data)
{
    return data && data->hasText();
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
