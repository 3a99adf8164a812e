#pragma once

#include "columns/CollapseResolver.h"
#include "columns/ColumnStickyState.h"

#include <QColor>
#include <QHash>
#include <QPointF>
#include <QSizeF>
#include <QUuid>

#include <optional>
#include <vector>

namespace kestrion {

class ColumnAnimator;
class ColumnWrapCache;
class LiveColumnLayout;

// Everything one drawing of the columns canvas reads, gathered by the canvas. The pointers
// must outlive the drawing.
struct ColumnScene {
    // The newest layout: its columns, edges and size, its nodes and their siblings.
    const LiveColumnLayout* layout = nullptr;
    // Its boxes as shown now, glides included.
    const ColumnAnimator* shown = nullptr;
    ColumnWrapCache* wrapCache = nullptr;
    // Both coordinates 0 or negative.
    QPointF panOffset;
    QSizeF viewportSize;
    std::optional<QUuid> selectedNodeID;
    std::optional<QUuid> editingNodeID;
    // From the newest layout for the current pan.
    QHash<qint64, ColumnStickyState> stickyStates;
    std::vector<CollapseResolver::AdjustedColumn> adjustedColumns;

    QColor textColor;
    // Ruled lines and separators are drawn in it at low opacity.
    QColor primaryColor;
    QColor accentColor;
};

} // namespace kestrion
