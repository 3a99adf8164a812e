#pragma once

#include "document/SermonNode.h"
#include "mindmap/MinimapCacheKey.h"
#include "mindmap/MinimapRenderScheduler.h"
#include "mindmap/MinimapRenderer.h"
#include "mindmap/NodeLayout.h"
#include "platform/FrameAnimation.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace kestrion {

class AnimationClock;
class MinimapCache;

// The minimap: a small panel in the canvas's corner with the whole tree in miniature and a
// frame around the part the canvas shows. A click or a drag in it moves the canvas there.
//
// It fades in when shown and out when hidden; while hidden it takes no clicks, so the canvas's
// corner stays usable. The bitmap comes from its MinimapCache, rendered off the main thread and
// asked for again only when the tree, the layout, the size or the appearance changes, and not
// before the panel is shown: until then the last bitmap waits, and edits cost the map nothing.
class MinimapOverlay : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal defaultMaxSize = 180;
    static constexpr qreal defaultPadding = 8;
    static constexpr double fadeDuration = 0.3;
    static constexpr qreal cornerRadius = 6;

    explicit MinimapOverlay(QWidget* parent = nullptr, std::unique_ptr<MinimapRenderScheduler> scheduler = {});
    ~MinimapOverlay() override;

    // The tree and its layout as the canvas has them.
    void setContent(const SermonNodePtr& root, const NodeLayoutMap& layouts, const QRectF& contentBounds);
    // The canvas's view: its size in points, its pan (screen = content × scale + pan), its scale.
    void setView(const QSizeF& viewportSize, const QPointF& panOffset, qreal scale);
    bool isMinimapVisible() const { return m_isVisible; }
    // Fades to fully shown or fully hidden over 0.3 s.
    void setMinimapVisible(bool visible);
    qreal opacity() const { return m_opacity; }
    // Called with a content point to centre the canvas on.
    void setOnNavigate(std::function<void(const QPointF&)> action) { m_onNavigate = std::move(action); }

    QRectF contentBounds() const { return m_contentBounds; }
    qreal maxWidth() const { return m_maxWidth; }
    qreal maxHeight() const { return m_maxHeight; }
    qreal padding() const { return m_padding; }
    MinimapCache& cache() const { return *m_cache; }
    // The bitmap the panel draws: the cache's, except while that one shows the tree from
    // before changes made while the panel was hidden; then none until the new one comes.
    const QImage* shownImage() const;

    // The current key and the input a render of it reads, for the display scale given.
    MinimapCacheKey renderKey(qreal displayScale) const;
    MinimapRenderer::Input renderInput(qreal displayScale) const;

    // The fade's clock; tests give their own and call tickAnimations.
    void setAnimationClock(const AnimationClock* clock);
    void tickAnimations();

    QSize sizeHint() const override;

    // Geometry, for content bounds of width w and height h, padding p and largest panel W × H.
    // The scale s = min((W − 2p) / w, (H − 2p) / h), or 1 without content; small content is
    // scaled up too.
    static qreal minimapScale(const QRectF& contentBounds, qreal maxWidth, qreal maxHeight, qreal padding);
    // (w × s + 2p, h × s + 2p).
    static QSizeF minimapOverallSize(const QRectF& contentBounds, qreal scale, qreal padding);
    // The image: origin (p, p), size (w × s, h × s).
    static QRectF minimapImageRect(const QRectF& contentBounds, qreal scale, qreal padding);
    // A panel point as a content point, unclamped.
    static QPointF minimapToContentPoint(const QPointF& point, const QRectF& contentBounds, qreal scale, qreal padding);
    // The frame of the canvas's visible part in panel coordinates, cut to the panel; none when
    // nothing of it lies on the panel.
    static std::optional<QRectF> viewportFrame(const QRectF& contentBounds, qreal minimapScale, qreal padding,
        const QSizeF& viewportSize, const QPointF& panOffset, qreal scale, const QSizeF& overallSize);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    qreal currentMinimapScale() const;
    void requestRender();
    void navigate(const QPointF& panelPoint);

    std::unique_ptr<MinimapCache> m_cache;
    SermonNodePtr m_root;
    NodeLayoutMap m_layouts;
    QRectF m_contentBounds;
    QSizeF m_viewportSize;
    QPointF m_panOffset;
    qreal m_scale = 1;
    qreal m_maxWidth = defaultMaxSize;
    qreal m_maxHeight = defaultMaxSize;
    qreal m_padding = defaultPadding;
    bool m_isVisible = false;
    qreal m_opacity = 0;
    FrameAnimation m_fade;
    std::function<void(const QPointF&)> m_onNavigate;
    // The key last asked for and the display scale it was asked for at.
    std::optional<MinimapCacheKey> m_requestedKey;
    qreal m_requestedDisplayScale = 0;
    bool m_isNavigating = false;
    // Something the bitmap shows changed while the panel was hidden.
    bool m_needsRender = true;
    // The cache's bitmap is older than what the panel was shown again with.
    bool m_isImageStale = false;
};

} // namespace kestrion
