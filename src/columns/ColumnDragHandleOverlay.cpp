#include "columns/ColumnDragHandleOverlay.h"

#include "columns/ColumnMetrics.h"

#include <algorithm>
#include <cmath>

namespace kestrion {

ColumnDragHandleOverlay::ColumnDragHandleOverlay(QWidget* canvas)
    : QObject(canvas)
    , m_canvas(canvas)
{
}

ColumnDragHandleOverlay::~ColumnDragHandleOverlay() = default;

void ColumnDragHandleOverlay::setWidthAccess(DividerHandle::WidthAt widthAt, DividerHandle::SetWidth setWidth)
{
    m_widthAt = std::move(widthAt);
    m_setWidth = std::move(setWidth);
    for (const QPointer<DividerHandle>& handle : std::as_const(m_handles)) {
        if (handle)
            handle->setWidthAccess(m_widthAt, m_setWidth);
    }
}

void ColumnDragHandleOverlay::setOnDragEnded(std::function<void()> callback)
{
    m_onDragEnded = std::move(callback);
    for (const QPointer<DividerHandle>& handle : std::as_const(m_handles)) {
        if (handle)
            handle->setOnDragEnded(m_onDragEnded);
    }
}

bool ColumnDragHandleOverlay::isDragging() const
{
    return std::any_of(m_handles.cbegin(), m_handles.cend(),
        [](const QPointer<DividerHandle>& handle) { return handle && handle->dragStartWidth(); });
}

void ColumnDragHandleOverlay::place(
    const std::vector<CollapseResolver::AdjustedColumn>& columns, const QSizeF& viewportSize)
{
    if (!m_canvas)
        return;
    const qreal half = ColumnMetrics::handleWidth / 2;
    QHash<qint64, QPointer<DividerHandle>> placed;
    for (const CollapseResolver::AdjustedColumn& column : columns) {
        const qreal edge = column.xOrigin + column.displayWidth;
        if (column.isRotated || edge + half < 0 || edge - half > viewportSize.width())
            continue;
        QPointer<DividerHandle> handle = m_handles.take(column.column);
        if (!handle) {
            handle = new DividerHandle(column.column, m_canvas);
            handle->setWidthAccess(m_widthAt, m_setWidth);
            handle->setOnDragEnded(m_onDragEnded);
        }
        handle->setGeometry(QRect(static_cast<int>(std::lround(edge - half)), 0,
            static_cast<int>(ColumnMetrics::handleWidth), static_cast<int>(std::ceil(viewportSize.height()))));
        handle->show();
        placed.insert(column.column, handle);
    }
    // Handles no longer wanted go, except one being dragged: it stays where it is and keeps the
    // pointer until released.
    for (const QPointer<DividerHandle>& handle : std::as_const(m_handles)) {
        if (!handle)
            continue;
        if (handle->dragStartWidth()) {
            placed.insert(handle->depth(), handle);
        } else {
            handle->hide();
            handle->deleteLater();
        }
    }
    m_handles = std::move(placed);
}

DividerHandle* ColumnDragHandleOverlay::handle(qint64 column) const
{
    DividerHandle* handle = m_handles.value(column);
    return handle && handle->isVisibleTo(m_canvas) ? handle : nullptr;
}

std::vector<DividerHandle*> ColumnDragHandleOverlay::visibleHandles() const
{
    std::vector<DividerHandle*> handles;
    for (const QPointer<DividerHandle>& handle : m_handles) {
        if (handle && handle->isVisibleTo(m_canvas))
            handles.push_back(handle);
    }
    std::sort(
        handles.begin(), handles.end(), [](DividerHandle* a, DividerHandle* b) { return a->depth() < b->depth(); });
    return handles;
}

} // namespace kestrion
