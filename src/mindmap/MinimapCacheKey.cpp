#include "mindmap/MinimapCacheKey.h"

#include <QHash>

#include <bit>
#include <cmath>
#include <vector>

namespace kestrion {

namespace {

void feedUuid(const QUuid& id, Fnv1a64& hash)
{
    // Big-endian fields followed by the last eight bytes: the order of the UUID's own text.
    const quint8 bytes[16] = {
        static_cast<quint8>(id.data1 >> 24),
        static_cast<quint8>(id.data1 >> 16),
        static_cast<quint8>(id.data1 >> 8),
        static_cast<quint8>(id.data1),
        static_cast<quint8>(id.data2 >> 8),
        static_cast<quint8>(id.data2),
        static_cast<quint8>(id.data3 >> 8),
        static_cast<quint8>(id.data3),
        id.data4[0],
        id.data4[1],
        id.data4[2],
        id.data4[3],
        id.data4[4],
        id.data4[5],
        id.data4[6],
        id.data4[7],
    };
    hash.feedBytes(bytes, 16);
}

qint64 pixels(qreal points, qreal displayScale)
{
    const double value = static_cast<double>(points) * static_cast<double>(displayScale);
    if (!std::isfinite(value) || value <= 0)
        return 0;
    return static_cast<qint64>(std::min(value, 1.0e15));
}

} // namespace

void hashTreeForMinimap(const SermonNodePtr& node, Fnv1a64& topology, Fnv1a64& text)
{
    if (!node)
        return;
    std::vector<const SermonNode*> stack { node.get() };
    while (!stack.empty()) {
        const SermonNode* current = stack.back();
        stack.pop_back();
        feedUuid(current->id(), topology);
        topology.mix(static_cast<quint64>(current->depth()));
        topology.mix(current->isCollapsed() ? 1 : 0);
        // A folded node's hidden children count too.
        const auto& children = current->children();
        topology.mix(static_cast<quint64>(children.size()));
        text.mix(static_cast<quint64>(qHash(current->text())));
        if (current->isCollapsed())
            continue;
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(it->get());
    }
}

MinimapCacheKey makeMinimapCacheKey(const SermonNodePtr& root, const NodeLayoutMap& layouts,
    const QRectF& contentBounds, const QSizeF& imageSize, qreal displayScale, bool isDark)
{
    Fnv1a64 topology;
    Fnv1a64 text;
    hashTreeForMinimap(root, topology, text);
    Fnv1a64 layout;
    layout.mix(static_cast<quint64>(layouts.size()));
    for (const qreal value : { contentBounds.x(), contentBounds.y(), contentBounds.width(), contentBounds.height() })
        layout.mix(std::bit_cast<quint64>(static_cast<double>(value)));

    MinimapCacheKey key;
    key.topologyHash = topology.value();
    key.textHash = text.value();
    key.layoutSignature = layout.value();
    key.pixelWidth = pixels(imageSize.width(), displayScale);
    key.pixelHeight = pixels(imageSize.height(), displayScale);
    key.isDark = isDark;
    return key;
}

} // namespace kestrion
