#pragma once

#include "mindmap/MindMapCanvas.h"
#include "support/CanvasTestBase.h"

namespace kestrion::test {

// A shown mind map over the small sermon of CanvasTestBase, 800 by 600.
class CanvasFixture : public CanvasTestBase<MindMapCanvas> {
protected:
    void SetUp() override
    {
        makeSmallSermon();
        makeCanvas();
    }

    // A fresh canvas over a title with this many points, shown with its animations run.
    void makeCanvasOverPoints(int count)
    {
        makePoints(count);
        makeCanvas();
        finishAnimations();
    }

    NodeLayout layoutOf(const SermonNodePtr& node) { return canvas->cachedLayouts().value(node->id()); }
    // The centre of a node's box in view points.
    QPoint viewCentre(const SermonNodePtr& node)
    {
        const NodeLayout& l = layoutOf(node);
        const QPointF centre = l.origin + QPointF(l.size.width() / 2, l.size.height() / 2);
        return (centre * canvas->scale() + canvas->panOffset()).toPoint();
    }
};

} // namespace kestrion::test
