#pragma once

#include "document/SermonNode.h"
#include "mindmap/Fnv1a64.h"
#include "mindmap/NodeLayout.h"

#include <QRectF>
#include <QSizeF>

namespace kestrion {

// Everything a minimap bitmap depends on, compactly: equal keys mean the same bitmap. Keys
// live in memory only; the text hash may differ from one run of the program to the next.
struct MinimapCacheKey {
    // The shape of the visible tree: ids, depths, folds and child counts.
    quint64 topologyHash = Fnv1a64::offsetBasis;
    // The visible nodes' texts.
    quint64 textHash = Fnv1a64::offsetBasis;
    // The number of layouts and the content bounds.
    quint64 layoutSignature = Fnv1a64::offsetBasis;
    qint64 pixelWidth = 0;
    qint64 pixelHeight = 0;
    bool isDark = false;

    friend bool operator==(const MinimapCacheKey&, const MinimapCacheKey&) = default;
};

// Feeds a subtree in preorder: for each node its id's 16 bytes (in the UUID's own order), its
// depth, its fold flag and its number of children into topology, and its text's hash into
// text. The descendants of a folded node are not visited. Iterative, for any depth.
void hashTreeForMinimap(const SermonNodePtr& node, Fnv1a64& topology, Fnv1a64& text);

// The key of a minimap of this tree and layout drawn into an image of imageSize points at
// displayScale pixels per point; the pixel sizes are cut toward zero.
MinimapCacheKey makeMinimapCacheKey(const SermonNodePtr& root, const NodeLayoutMap& layouts,
    const QRectF& contentBounds, const QSizeF& imageSize, qreal displayScale, bool isDark);

} // namespace kestrion
