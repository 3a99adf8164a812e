#pragma once

#include "mindmap/NodeCommand.h"

#include <QKeySequence>
#include <QList>
#include <QString>

namespace kestrion {

// One entry of the node context menu as described before any menu exists.
struct ContextMenuItem {
    enum class Kind {
        Command,
        Separator,
        Submenu,
    };

    Kind kind = Kind::Command;
    QString title;
    // Shown beside the title only; the canvas's own key handling acts on keys.
    QKeySequence shortcut;
    NodeCommand command = NodeCommand::Edit;
    // The marker a SetMarker item sets.
    QString marker;
    QList<ContextMenuItem> submenu;

    static ContextMenuItem separator() { return { Kind::Separator, {}, {}, NodeCommand::Edit, {}, {} }; }

    friend bool operator==(const ContextMenuItem&, const ContextMenuItem&) = default;
};

} // namespace kestrion
