#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

class QPainter;

namespace kestrion {

// The common window backdrop: a soft vertical gradient, a vignette that tints the edges and
// a fine grain, each with a light and a dark variant. As a widget it is a container: the
// content goes on top of it as children.
class AppBackground : public QWidget {
    Q_OBJECT
public:
    struct Palette {
        QColor top;
        QColor bottom;
        QColor vignette;
        double vignetteOpacity;
        double grainOpacity;
    };

    // Within this distance of the centre nothing is tinted; from the outer radius on, the
    // tint is at its full opacity.
    static constexpr qreal vignetteInnerRadius = 250.0;
    static constexpr qreal vignetteOuterRadius = 1000.0;

    explicit AppBackground(QWidget* parent = nullptr);

    static Palette colours(bool isDark);
    // The gradient and the vignette, without grain.
    static void paintBase(QPainter& painter, const QRectF& area, bool isDark);
    // The whole backdrop.
    static void paint(QPainter& painter, const QRectF& area, bool isDark);

    // The widget's own colour scheme, judged as the appearance judges palettes.
    bool isDark() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The backdrop as last drawn: canvases above it repaint small areas many times a second,
    // and the gradients and grain are costly to draw again for each.
    QPixmap m_cache;
    bool m_cacheIsDark = false;
};

} // namespace kestrion
