#pragma once

#include <QString>

#include <optional>

class QMimeData;

namespace kestrion {

// How text comes into the multi-line editors from the clipboard, the primary selection or a
// drop: as plain text, and only when the data holds text. Qt 6.4's own paste into a text editor
// reads the first of the data's formats without checking that there is one, and the X11 desktop
// hands over data with no formats at all while nothing owns the clipboard or the selection
// (the program that copied has quit, or nothing was copied yet in this session).
class EditorPaste {
public:
    // The data's plain text; none for no data and for data that holds no text or an empty one.
    static std::optional<QString> text(const QMimeData* data);
    static bool hasText(const QMimeData* data);

    // What a middle click pastes: the primary selection's data, null where the desktop keeps
    // no selection.
    static const QMimeData* selection();
    // Stands this data in for the primary selection, which the test platform lacks; null puts
    // the desktop's back. Not owned.
    static void setSelectionForTesting(const QMimeData* data);

    EditorPaste() = delete;
};

} // namespace kestrion
