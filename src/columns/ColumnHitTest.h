#pragma once

#include "columns/CollapseResolver.h"
#include "columns/ColumnLayout.h"

#include <QPointF>
#include <QUuid>

#include <functional>
#include <optional>
#include <vector>

namespace kestrion {

// The node of a column whose subtree band (its top to the bottom of its subtree, half open)
// holds a height in layout coordinates.
using ColumnNodeAt = std::function<std::optional<QUuid>(qint64 column, qreal y)>;

// The node under a canvas point: the node whose subtree band in the column under the point
// holds the point's height. The column is found through the adjusted (collapsed) columns when
// there are any, else through the edges and the pan.
std::optional<QUuid> hitTestColumnNode(const QPointF& point, const std::vector<qreal>& columnXEdges,
    const std::vector<CollapseResolver::AdjustedColumn>& adjusted, const QPointF& pan, const ColumnNodeAt& nodeAt);
// The same over the frames of a layout value.
std::optional<QUuid> hitTestColumnNode(const QPointF& point, const ColumnLayout& layout,
    const std::vector<CollapseResolver::AdjustedColumn>& adjusted, const QPointF& pan);

} // namespace kestrion
