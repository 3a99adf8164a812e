#include "mindmap/MinimapOverlay.h"

#include "mindmap/MinimapCache.h"
#include "platform/AnimationClock.h"
#include "platform/Appearance.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

// Ease in and out: slow at both ends.
double easeInOut(double t)
{
    return t * t * (3 - 2 * t);
}

} // namespace

MinimapOverlay::MinimapOverlay(QWidget* parent, std::unique_ptr<MinimapRenderScheduler> scheduler)
    : QWidget(parent)
    , m_cache(std::make_unique<MinimapCache>(std::move(scheduler)))
    , m_fade(&AnimationClock::system())
{
    setObjectName(QStringLiteral("minimap"));
    setAccessibleName(tr("Minimap"));
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    // Hidden at first, and hidden it lets every click through to the canvas below.
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    connect(m_cache.get(), &MinimapCache::currentImageChanged, this, [this] {
        if (m_cache->currentKey() == m_requestedKey)
            m_isImageStale = false;
        update();
    });
    connect(&Appearance::shared(), &Appearance::changed, this, [this] {
        requestRender();
        update();
    });
}

MinimapOverlay::~MinimapOverlay() = default;

// --- Geometry ------------------------------------------------------------------------------

qreal MinimapOverlay::minimapScale(const QRectF& bounds, qreal maxWidth, qreal maxHeight, qreal padding)
{
    if (!(bounds.width() > 0 && bounds.height() > 0))
        return 1;
    return std::min((maxWidth - 2 * padding) / bounds.width(), (maxHeight - 2 * padding) / bounds.height());
}

QSizeF MinimapOverlay::minimapOverallSize(const QRectF& bounds, qreal scale, qreal padding)
{
    return { bounds.width() * scale + 2 * padding, bounds.height() * scale + 2 * padding };
}

QRectF MinimapOverlay::minimapImageRect(const QRectF& bounds, qreal scale, qreal padding)
{
    return { padding, padding, bounds.width() * scale, bounds.height() * scale };
}

QPointF MinimapOverlay::minimapToContentPoint(const QPointF& point, const QRectF& bounds, qreal scale, qreal padding)
{
    return { (point.x() - padding) / scale + bounds.x(), (point.y() - padding) / scale + bounds.y() };
}

std::optional<QRectF> MinimapOverlay::viewportFrame(const QRectF& bounds, qreal s, qreal padding,
    const QSizeF& viewportSize, const QPointF& panOffset, qreal scale, const QSizeF& overallSize)
{
    if (!(scale > 0))
        return std::nullopt;
    const QRectF visible(
        -panOffset.x() / scale, -panOffset.y() / scale, viewportSize.width() / scale, viewportSize.height() / scale);
    const QRectF frame((visible.x() - bounds.x()) * s + padding, (visible.y() - bounds.y()) * s + padding,
        visible.width() * s, visible.height() * s);
    const QRectF shown = frame.intersected(QRectF(QPointF(0, 0), overallSize));
    if (shown.isEmpty())
        return std::nullopt;
    return shown;
}

qreal MinimapOverlay::currentMinimapScale() const
{
    return minimapScale(m_contentBounds, m_maxWidth, m_maxHeight, m_padding);
}

QSize MinimapOverlay::sizeHint() const
{
    const QSizeF size = minimapOverallSize(m_contentBounds, currentMinimapScale(), m_padding);
    return { static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height())) };
}

// --- Inputs --------------------------------------------------------------------------------

void MinimapOverlay::setContent(const SermonNodePtr& root, const NodeLayoutMap& layouts, const QRectF& contentBounds)
{
    const bool resized = contentBounds.size() != m_contentBounds.size();
    m_root = root;
    m_layouts = layouts;
    m_contentBounds = contentBounds;
    if (resized)
        updateGeometry();
    requestRender();
    update();
}

void MinimapOverlay::setView(const QSizeF& viewportSize, const QPointF& panOffset, qreal scale)
{
    if (viewportSize == m_viewportSize && panOffset == m_panOffset && scale == m_scale)
        return;
    m_viewportSize = viewportSize;
    m_panOffset = panOffset;
    m_scale = scale;
    update();
}

void MinimapOverlay::setMinimapVisible(bool visible)
{
    if (visible == m_isVisible)
        return;
    m_isVisible = visible;
    setAttribute(Qt::WA_TransparentForMouseEvents, !visible);
    if (!visible)
        m_isNavigating = false;
    if (visible && m_needsRender) {
        requestRender();
        // A moment of the old tree on the first pan after edits would be a wrong picture.
        m_isImageStale = m_cache->currentKey() != m_requestedKey;
    }
    const qreal from = m_opacity;
    const qreal to = visible ? 1.0 : 0.0;
    m_fade.start(
        fadeDuration,
        [this, from, to](double t) {
            m_opacity = from + (to - from) * t;
            update();
        },
        {}, easeInOut);
}

void MinimapOverlay::setAnimationClock(const AnimationClock* clock)
{
    m_fade.setClock(clock ? clock : &AnimationClock::system());
}

void MinimapOverlay::tickAnimations()
{
    m_fade.tick();
}

MinimapCacheKey MinimapOverlay::renderKey(qreal displayScale) const
{
    const QRectF image = minimapImageRect(m_contentBounds, currentMinimapScale(), m_padding);
    return makeMinimapCacheKey(m_root, m_layouts, m_contentBounds, image.size(), displayScale, isDarkAppearance());
}

MinimapRenderer::Input MinimapOverlay::renderInput(qreal displayScale) const
{
    const QRectF image = minimapImageRect(m_contentBounds, currentMinimapScale(), m_padding);
    MinimapRenderer::Input input;
    input.root = TreeNodeSnapshot::make(m_root, m_layouts.size());
    input.layouts = m_layouts;
    input.contentBounds = m_contentBounds;
    input.pixelSize = image.size() * displayScale;
    input.isDark = isDarkAppearance();
    return input;
}

void MinimapOverlay::requestRender()
{
    // Hidden, the map shows nothing: the key and the snapshot, each a walk of the whole tree on
    // the main thread, wait until it is shown again.
    if (!m_isVisible) {
        m_needsRender = true;
        return;
    }
    m_needsRender = false;
    const qreal displayScale = devicePixelRatioF();
    const MinimapCacheKey key = renderKey(displayScale);
    if (m_requestedKey == key)
        return;
    m_requestedKey = key;
    m_requestedDisplayScale = displayScale;
    m_cache->requestMinimapRender(renderInput(displayScale), key);
}

const QImage* MinimapOverlay::shownImage() const
{
    const std::optional<QImage>& image = m_cache->currentImage();
    return image && !m_isImageStale ? &*image : nullptr;
}

void MinimapOverlay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    requestRender();
}

// --- Drawing and navigation ----------------------------------------------------------------

void MinimapOverlay::paintEvent(QPaintEvent*)
{
    // A move to a screen of another pixel density wants a sharper or smaller bitmap.
    if (devicePixelRatioF() != m_requestedDisplayScale)
        QMetaObject::invokeMethod(this, &MinimapOverlay::requestRender, Qt::QueuedConnection);
    if (m_opacity <= 0)
        return;

    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = currentMinimapScale();
    const QSizeF overall = minimapOverallSize(m_contentBounds, s, m_padding);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(QPointF(0, 0), overall), cornerRadius, cornerRadius);

    // A thin, translucent panel of the window's colour in place of the blurred material.
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.72f);
    painter.fillPath(panel, material);
    painter.save();
    painter.setClipPath(panel);
    if (const QImage* image = shownImage()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(minimapImageRect(m_contentBounds, s, m_padding), *image);
    }
    if (const std::optional<QRectF> frame
        = viewportFrame(m_contentBounds, s, m_padding, m_viewportSize, m_panOffset, m_scale, overall)) {
        const bool dark = isDarkAppearance();
        QColor tone = dark ? QColor(Qt::white) : palette().color(QPalette::Highlight);
        QColor fill = tone;
        fill.setAlphaF(0.06f);
        QColor stroke = tone;
        stroke.setAlphaF(dark ? 0.6f : 0.7f);
        QPainterPath shape;
        shape.addRoundedRect(*frame, 2, 2);
        painter.fillPath(shape, fill);
        painter.strokePath(shape, QPen(stroke, 1.5));
    }
    painter.restore();
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.1f);
    painter.strokePath(panel, QPen(edge, 0.5));
}

void MinimapOverlay::navigate(const QPointF& panelPoint)
{
    if (m_onNavigate)
        m_onNavigate(minimapToContentPoint(panelPoint, m_contentBounds, currentMinimapScale(), m_padding));
}

void MinimapOverlay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        // Shown, the panel is not part of the map: no other button reaches the nodes below it.
        event->accept();
        return;
    }
    // The press itself jumps; the drag then follows the pointer.
    m_isNavigating = true;
    navigate(event->position());
    event->accept();
}

void MinimapOverlay::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_isNavigating || !event->buttons().testFlag(Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    navigate(event->position());
    event->accept();
}

void MinimapOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_isNavigating) {
        m_isNavigating = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace kestrion
