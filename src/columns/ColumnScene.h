#pragma once

#include "columns/CollapseResolver.h"
#include "columns/ColumnLayout.h"
#include "columns/ColumnStickyState.h"
#include "document/SermonNode.h"

#include <QColor>
#include <QHash>
#include <QPointF>
#include <QSizeF>
#include <QUuid>

#include <optional>
#include <vector>

namespace kestrion {

class ColumnFrameIndex;
class ColumnWrapCache;

// Everything one drawing of the columns canvas reads, gathered by the canvas. The pointers
// must outlive the drawing.
struct ColumnScene {
    // The frames as shown now (glides included), with the newest layout's columns and edges.
    const ColumnLayout* displayLayout = nullptr;
    // The display layout's frames by column; the drawing indexes them itself when not given.
    const ColumnFrameIndex* frameIndex = nullptr;
    // For each laid-out node, the deepest column its visible subtree reaches.
    const QHash<QUuid, qint64>* subtreeRightmost = nullptr;
    // For each node with a following sibling, that sibling.
    const QHash<QUuid, QUuid>* nextSiblingID = nullptr;
    const SermonNodeMap* nodeLookup = nullptr;
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
