#pragma once

#include "mindmap/NodeLayout.h"
#include "mindmap/TreeNodeSnapshot.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>

namespace kestrion {

// Draws the minimap's bitmap of the whole tree: connectors, brackets, node boxes, leaf
// underlines and one line of text per box, in white (dark appearance) or black at their
// opacities. It reads nothing but its input, so it runs on any thread.
class MinimapRenderer {
public:
    // Everything one render reads; plain values, copied for the render task.
    struct Input {
        TreeNodeSnapshot root;
        NodeLayoutMap layouts;
        // The bounding box of all layouts in canvas content coordinates.
        QRectF contentBounds;
        // The bitmap size in pixels, possibly fractional; cut toward zero when drawn.
        QSizeF pixelSize;
        bool isDark = false;
    };
    using CancelCheck = std::function<bool()>;

    // The node pass looks for cancellation before every this many-th box.
    static constexpr int cancelCheckInterval = 64;
    // Text is never smaller than this many pixels.
    static constexpr qreal minimumTextPixels = 2;

    // The bitmap, inside the performance interval "MinimapRender"; none without a size or
    // content, when the image cannot be made, or when cancelled.
    static std::optional<QImage> renderMinimap(const Input& input, const CancelCheck& isCancelled = {});

    // The text size of a node in content units at the bitmap's scale k (pixels per content
    // unit): the depth's size, raised so the text is at least 2 pixels high.
    static qreal textSize(qint64 depth, qreal k);
};

} // namespace kestrion
