#include "document/DocumentController.h"
#include "mindmap/CanvasGeometry.h"
#include "mindmap/MindMapCanvas.h"
#include "mindmap/NodeEditorOverlay.h"
#include "platform/Signposter.h"

namespace kestrion {

// Where the view lies over the map: pan, zoom, scrolling a node into view and the minimap's
// brief showing after a manual move.

void MindMapCanvas::revealInitialSelection()
{
    if (!m_isInitialRevealPending || m_viewportSize.isEmpty() || m_cachedLayouts.isEmpty())
        return;
    m_isInitialRevealPending = false;
    const std::optional<QUuid> selected = m_controller->selectedNodeID();
    const auto layout = selected ? m_cachedLayouts.constFind(*selected) : m_cachedLayouts.cend();
    if (layout == m_cachedLayouts.cend())
        return;
    // Placed, not glided: the window's first frame already shows the title where it stays.
    if (const std::optional<QPointF> target
        = scrollIntoViewPan(layout.value(), { m_scale, m_panOffset }, m_viewportSize))
        setPanOffset(clampPan(*target));
    m_openingView = OpeningView { m_panOffset, m_scale, selected };
}

bool MindMapCanvas::setScale(qreal scale)
{
    const qreal clamped = clampScale(scale);
    if (clamped == m_scale)
        return false;
    m_scale = clamped;
    placeOverlays();
    if (m_nodeEditor)
        m_nodeEditor->setViewTransform(m_scale, m_panOffset);
    update();
    Q_EMIT scaleChanged(m_scale);
    Q_EMIT viewChanged();
    return true;
}

bool MindMapCanvas::setPanOffset(const QPointF& offset)
{
    if (offset == m_panOffset)
        return false;
    m_panOffset = offset;
    placeOverlays();
    if (m_nodeEditor)
        m_nodeEditor->setViewTransform(m_scale, m_panOffset);
    update();
    Q_EMIT viewChanged();
    return true;
}

QPointF MindMapCanvas::clampPan(const QPointF& offset) const
{
    return kestrion::clampPan(offset, m_viewportSize, m_cachedContentBounds, m_scale);
}

void MindMapCanvas::updateViewportSize(const QSizeF& size)
{
    if (size == m_viewportSize)
        return;
    m_viewportSize = size;
    // A window may take its size in steps as it opens (a full-screen one among them): until the
    // view or the selection moves, the selection is placed as on opening at the size reached.
    if (m_openingView && m_openingView->pan == m_panOffset && m_openingView->scale == m_scale
        && m_openingView->selected == m_controller->selectedNodeID()) {
        setPanOffset(QPointF());
        m_isInitialRevealPending = true;
    }
    m_openingView.reset();
    Q_EMIT viewChanged();
    revealInitialSelection();
}

void MindMapCanvas::animatePan(const QPointF& target, double duration)
{
    m_scrollAnimation.stop();
    m_zoomTarget.reset();
    const QPointF end = clampPan(target);
    const QPointF start = m_panOffset;
    m_scrollAnimation.start(duration, [this, start, end](double t) { setPanOffset(start + (end - start) * t); });
}

qreal MindMapCanvas::zoomStepBase() const
{
    // Presses quicker than the glide each go one level further than the last.
    return m_zoomTarget && m_scrollAnimation.isRunning() ? *m_zoomTarget : m_scale;
}

void MindMapCanvas::zoomIn()
{
    if (const std::optional<qreal> level = zoomLevelAbove(zoomStepBase()))
        animateZoom(*level);
}

void MindMapCanvas::zoomOut()
{
    if (const std::optional<qreal> level = zoomLevelBelow(zoomStepBase()))
        animateZoom(*level);
}

void MindMapCanvas::animateZoom(qreal target)
{
    target = clampScale(target);
    if (target == m_scale)
        return;
    const QPointF centre(m_viewportSize.width() * 0.5, m_viewportSize.height() * 0.5);
    const QPointF fixed = toCanvasPoint(centre);
    const qreal start = m_scale;
    m_scrollAnimation.stop();
    m_zoomTarget = target;
    m_scrollAnimation.start(zoomAnimationDuration, [this, start, target, centre, fixed](double t) {
        setScale(start + (target - start) * t);
        setPanOffset(clampPan(panKeeping(centre, fixed, m_scale)));
    });
}

void MindMapCanvas::resetZoom()
{
    const qreal startScale = m_scale;
    const QPointF startPan = m_panOffset;
    m_scrollAnimation.stop();
    m_zoomTarget = 1.0;
    m_scrollAnimation.start(zoomAnimationDuration, [this, startScale, startPan](double t) {
        setScale(startScale + (1 - startScale) * t);
        setPanOffset(clampPan(startPan * (1 - t)));
    });
}

void MindMapCanvas::handleScroll(qreal dx, qreal dy)
{
    performanceSignposter().emitEvent("Scroll",
        [&] { return QStringLiteral("dx=%1 dy=%2").arg(static_cast<qint64>(dx)).arg(static_cast<qint64>(dy)); });
    // The hand on the wheel wins over a glide still running.
    m_scrollAnimation.stop();
    setPanOffset(clampPan(m_panOffset + QPointF(dx, dy)));
    showMinimapBriefly();
}

void MindMapCanvas::handleMagnify(qreal magnification, const QPointF& location)
{
    performanceSignposter().emitEvent(
        "Magnify", [&] { return QString::asprintf("mag=%.3f", static_cast<double>(magnification)); });
    m_scrollAnimation.stop();
    // The location is the event's own, in this canvas's coordinates.
    const ViewTransform next
        = magnifiedAbout(magnification, location, { m_scale, m_panOffset }, m_viewportSize, m_cachedContentBounds);
    setScale(next.scale);
    setPanOffset(next.pan);
    showMinimapBriefly();
}

void MindMapCanvas::scrollNodeIntoView(const QUuid& id)
{
    const auto layout = m_cachedLayouts.constFind(id);
    if (layout == m_cachedLayouts.cend())
        return;
    std::optional<QPointF> target = scrollIntoViewPan(layout.value(), { m_scale, m_panOffset }, m_viewportSize);
    // An open search bar hides what lies under it: the node goes below it.
    if (m_controller->isSearching() && m_searchBarOverlay && !m_searchBarOverlay->isHidden()) {
        if (const std::optional<QPointF> clear = panClearing(
                layout.value(), { m_scale, target.value_or(m_panOffset) }, QRectF(m_searchBarOverlay->geometry())))
            target = clear;
    }
    if (target)
        animatePan(*target, scrollIntoViewDuration);
}

void MindMapCanvas::centreOnPoint(const QPointF& contentPoint)
{
    const QPointF centre(0.5 * m_viewportSize.width(), 0.5 * m_viewportSize.height());
    setPanOffset(clampPan(panKeeping(centre, contentPoint, m_scale)));
    showMinimapBriefly();
}

void MindMapCanvas::showMinimapBriefly()
{
    if (!m_minimapVisible) {
        m_minimapVisible = true;
        Q_EMIT viewChanged();
    }
    m_minimapHideTimer.start();
}

void MindMapCanvas::minimapHideTimerFired()
{
    QMetaObject::invokeMethod(this, &MindMapCanvas::hideMinimap, Qt::QueuedConnection);
}

void MindMapCanvas::hideMinimap()
{
    if (!m_minimapVisible)
        return;
    m_minimapVisible = false;
    Q_EMIT viewChanged();
}

} // namespace kestrion
