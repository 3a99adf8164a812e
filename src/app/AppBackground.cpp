#include "app/AppBackground.h"

#include "app/GrainOverlay.h"
#include "platform/Appearance.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QRadialGradient>

namespace kestrion {

namespace {

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(alpha));
    return colour;
}

} // namespace

AppBackground::AppBackground(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

AppBackground::Palette AppBackground::colours(bool isDark)
{
    if (isDark)
        return { QColor::fromRgbF(0.14f, 0.13f, 0.17f), QColor::fromRgbF(0.07f, 0.06f, 0.09f),
            QColor::fromRgbF(0.02f, 0.02f, 0.04f), 0.55, 0.22 };
    return { QColor::fromRgbF(0.998f, 0.99f, 0.972f), QColor::fromRgbF(0.978f, 0.955f, 0.918f),
        QColor::fromRgbF(0.875f, 0.765f, 0.665f), 0.15, 0.4 };
}

void AppBackground::paintBase(QPainter& painter, const QRectF& area, bool isDark)
{
    const Palette scheme = AppBackground::colours(isDark);
    painter.save();

    QLinearGradient base(QPointF(area.center().x(), area.top()), QPointF(area.center().x(), area.bottom()));
    base.setColorAt(0.0, scheme.top);
    base.setColorAt(1.0, scheme.bottom);
    painter.fillRect(area, base);

    QRadialGradient vignette(area.center(), vignetteOuterRadius);
    vignette.setColorAt(0.0, withAlpha(scheme.vignette, 0.0));
    vignette.setColorAt(vignetteInnerRadius / vignetteOuterRadius, withAlpha(scheme.vignette, 0.0));
    vignette.setColorAt(1.0, withAlpha(scheme.vignette, scheme.vignetteOpacity));
    vignette.setSpread(QGradient::PadSpread);
    painter.fillRect(area, vignette);

    painter.restore();
}

void AppBackground::paint(QPainter& painter, const QRectF& area, bool isDark)
{
    paintBase(painter, area, isDark);
    painter.save();
    painter.translate(area.topLeft());
    GrainOverlay(colours(isDark).grainOpacity).draw(painter, area.size());
    painter.restore();
}

bool AppBackground::isDark() const
{
    return Appearance::isDarkPalette(palette());
}

void AppBackground::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    const bool dark = isDark();
    if (m_cache.size() != pixels || m_cache.devicePixelRatio() != ratio || m_cacheIsDark != dark) {
        m_cache = QPixmap(pixels);
        m_cache.setDevicePixelRatio(ratio);
        QPainter cachePainter(&m_cache);
        paint(cachePainter, rect(), dark);
        m_cacheIsDark = dark;
    }
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.drawPixmap(exposed, m_cache, QRectF(QPointF(exposed.topLeft()) * ratio, QSizeF(exposed.size()) * ratio));
}

void AppBackground::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}

} // namespace kestrion
