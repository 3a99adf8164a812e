#pragma once

#include <QWidget>

#include <functional>

namespace kestrion {

class PlainButton;

// The zoom group at the end of the status bar: a minus that zooms out, the scale as a
// percentage that returns to actual size, and a plus that zooms in. It shows the scale and
// calls its closures; the canvas owns the steps, limits and animation.
class ZoomControlsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int symbolButtonSide = 28;
    static constexpr int percentageMinimumWidth = 40;

    explicit ZoomControlsView(QWidget* parent = nullptr);

    qreal scale() const { return m_scale; }
    void setScale(qreal scale);

    void setOnZoomIn(std::function<void()> action) { m_onZoomIn = std::move(action); }
    void setOnZoomOut(std::function<void()> action) { m_onZoomOut = std::move(action); }
    void setOnReset(std::function<void()> action) { m_onReset = std::move(action); }

    // scale × 100 to the nearest whole number, halves away from zero, then "%": 0.125 gives
    // "13%". A scale that is not finite shows "100%".
    static QString percentageText(qreal scale);

    PlainButton* zoomOutButton() const { return m_zoomOutButton; }
    PlainButton* percentageButton() const { return m_percentageButton; }
    PlainButton* zoomInButton() const { return m_zoomInButton; }

private:
    qreal m_scale = 1.0;
    std::function<void()> m_onZoomIn;
    std::function<void()> m_onZoomOut;
    std::function<void()> m_onReset;
    PlainButton* m_zoomOutButton = nullptr;
    PlainButton* m_percentageButton = nullptr;
    PlainButton* m_zoomInButton = nullptr;
};

} // namespace kestrion
