#pragma once

#include "columns/CollapseResolver.h"
#include "columns/ColumnLayout.h"

#include <QPointF>
#include <QUuid>

#include <optional>
#include <vector>

namespace kestrion {

// The node under a canvas point: the node whose subtree band (its top to the bottom of its
// subtree, half open) in the column under the point holds the point's height. The column is
// found through the adjusted (collapsed) columns when there are any, else through the
// layout's edges and the pan.
std::optional<QUuid> hitTestColumnNode(const QPointF& point, const ColumnLayout& layout,
    const std::vector<CollapseResolver::AdjustedColumn>& adjusted, const QPointF& pan);

} // namespace kestrion
