#include "columns/DividerHandle.h"

#include <QMouseEvent>

namespace kestrion {

DividerHandle::DividerHandle(qint64 depth, QWidget* canvas)
    : QWidget(canvas)
    , m_depth(depth)
{
    setObjectName(QStringLiteral("columnWidthHandle"));
    setCursor(Qt::SizeHorCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoSystemBackground);
}

void DividerHandle::setWidthAccess(WidthAt widthAt, SetWidth setWidth)
{
    m_widthAt = std::move(widthAt);
    m_setWidth = std::move(setWidth);
}

qreal DividerHandle::canvasX(const QMouseEvent& event) const
{
    const QWidget* canvas = parentWidget();
    return canvas ? canvas->mapFromGlobal(event.globalPosition()).x() : event.globalPosition().x();
}

void DividerHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_widthAt) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragStartWidth = m_widthAt(m_depth);
    m_dragStartX = canvasX(*event);
    event->accept();
}

void DividerHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragStartWidth || !event->buttons().testFlag(Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (m_setWidth)
        m_setWidth(m_depth, *m_dragStartWidth + (canvasX(*event) - m_dragStartX));
    event->accept();
}

void DividerHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragStartWidth) {
        m_dragStartWidth.reset();
        if (m_onDragEnded)
            m_onDragEnded();
    }
    event->accept();
}

} // namespace kestrion
