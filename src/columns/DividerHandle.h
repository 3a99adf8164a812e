#pragma once

#include <QWidget>

#include <functional>
#include <optional>

namespace kestrion {

// The grip on a column's right edge: an invisible 8-point strip with the resize cursor.
// Dragging it sets the column's width to the width it had when the drag began plus how far the
// pointer has moved, measured in the canvas's coordinates (the handle itself moves with the
// edge). A press alone changes nothing.
class DividerHandle : public QWidget {
    Q_OBJECT

public:
    using WidthAt = std::function<qreal(qint64 column)>;
    using SetWidth = std::function<void(qint64 column, qreal width)>;

    DividerHandle(qint64 depth, QWidget* canvas);

    // The column whose right edge the handle sits on.
    qint64 depth() const { return m_depth; }
    void setWidthAccess(WidthAt widthAt, SetWidth setWidth);
    // Called when a drag lets go.
    void setOnDragEnded(std::function<void()> callback) { m_onDragEnded = std::move(callback); }
    // The column's width when the running drag began; none between drags.
    std::optional<qreal> dragStartWidth() const { return m_dragStartWidth; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    qreal canvasX(const QMouseEvent& event) const;

    qint64 m_depth;
    WidthAt m_widthAt;
    SetWidth m_setWidth;
    std::function<void()> m_onDragEnded;
    std::optional<qreal> m_dragStartWidth;
    qreal m_dragStartX = 0;
};

} // namespace kestrion
