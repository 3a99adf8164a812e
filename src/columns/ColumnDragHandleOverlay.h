#pragma once

#include "columns/CollapseResolver.h"
#include "columns/DividerHandle.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

namespace kestrion {

// The width handles of the columns canvas: one DividerHandle on the right edge of every
// column as the canvas shows it (collapsed geometry included), none on a rotated strip, and
// only where the edge is in view. The handles are children of the canvas.
class ColumnDragHandleOverlay : public QObject {
    Q_OBJECT

public:
    explicit ColumnDragHandleOverlay(QWidget* canvas);
    ~ColumnDragHandleOverlay() override;

    // How a handle reads and stores its column's width.
    void setWidthAccess(DividerHandle::WidthAt widthAt, DividerHandle::SetWidth setWidth);
    // Called when the drag of a handle lets go.
    void setOnDragEnded(std::function<void()> callback);
    // Whether a handle is being dragged.
    bool isDragging() const;
    // Puts the handles on the columns' right edges for a canvas of that size.
    void place(const std::vector<CollapseResolver::AdjustedColumn>& columns, const QSizeF& viewportSize);

    // The handle of a column while it is shown; null otherwise.
    DividerHandle* handle(qint64 column) const;
    // The shown handles, by column.
    std::vector<DividerHandle*> visibleHandles() const;

private:
    QPointer<QWidget> m_canvas;
    DividerHandle::WidthAt m_widthAt;
    DividerHandle::SetWidth m_setWidth;
    std::function<void()> m_onDragEnded;
    QHash<qint64, QPointer<DividerHandle>> m_handles;
};

} // namespace kestrion
