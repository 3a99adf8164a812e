#pragma once

#include "columns/ColumnNodeFrame.h"
#include "document/SermonNode.h"

#include <QHash>
#include <QSizeF>
#include <QUuid>

#include <vector>

namespace kestrion {

class ColumnWrapCache;
class ColumnWidthsConfig;

using ColumnFrameMap = QHash<QUuid, ColumnNodeFrame>;

// The geometry of a whole outline in columns, as a value: the title in column 0, its children
// in column 1 and so on. Each node's box sits in its depth's column, top-aligned with its first
// child; a subtree is as tall as its node's text or its children, whichever is taller. The
// children of a folded node are not placed. The canvas keeps its layout as a LiveColumnLayout,
// which gives this value on request.
struct ColumnLayout {
    ColumnFrameMap frames;
    // The last column edge by the bottom of the title's subtree; zero when empty.
    QSizeF totalSize { 0, 0 };
    qint64 columnCount = 0;
    // columnCount + 1 running sums of the widths, from 0; empty when there are no columns.
    std::vector<qreal> columnXEdges;

    bool operator==(const ColumnLayout&) const = default;

    // Lays out the tree under root. Each node is measured in the weight it is drawn in
    // (semibold for the title), through the cache. An empty layout for no root.
    static ColumnLayout build(const SermonNodePtr& root, const ColumnWidthsConfig& widths, ColumnWrapCache& cache);
};

} // namespace kestrion
