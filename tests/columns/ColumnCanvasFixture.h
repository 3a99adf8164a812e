#pragma once

#include "columns/ColumnCanvas.h"
#include "columns/ColumnEditorOverlay.h"
#include "support/CanvasTestBase.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTextEdit>

namespace kestrion::test {

// A drag with the left button from a point of the canvas: the widget under the press gets
// every event of the drag, with the positions a real event would carry.
class Drag {
public:
    Drag(QWidget* canvas, const QPointF& start)
        : m_canvas(canvas)
        , m_target(canvas->childAt(start.toPoint()) ? canvas->childAt(start.toPoint()) : canvas)
    {
        send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    }
    void moveTo(const QPointF& point) { send(QEvent::MouseMove, point, Qt::LeftButton); }
    void release(const QPointF& point) { send(QEvent::MouseButtonRelease, point, Qt::NoButton); }

private:
    void send(QEvent::Type type, const QPointF& canvasPoint, Qt::MouseButtons buttons)
    {
        const QPointF global = m_canvas->mapToGlobal(canvasPoint);
        QMouseEvent event(type, m_target->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(m_target, &event);
    }

    QWidget* m_canvas;
    QWidget* m_target;
};

// One frame of the canvas as it stands, on white.
inline QImage drawingOf(ColumnCanvas& canvas)
{
    QImage image(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    canvas.renderCanvas(painter, QSizeF(canvas.size()));
    return image;
}

// A shown columns canvas, 1000 by 600, over the small sermon of CanvasTestBase.
class ColumnCanvasFixture : public CanvasTestBase<ColumnCanvas> {
protected:
    void SetUp() override
    {
        makeSmallSermon();
        makeCanvas(QSize(1000, 600));
    }

    ColumnNodeFrame frameOf(const SermonNodePtr& node)
    {
        return canvas->layout().frame(node->id()).value_or(ColumnNodeFrame {});
    }
    // A point on a node's first line, in canvas coordinates.
    QPoint pointOn(const SermonNodePtr& node)
    {
        const ColumnNodeFrame frame = frameOf(node);
        return (frame.origin + QPointF(30, 14) + canvas->panOffset()).toPoint();
    }
    std::optional<QUuid> selected() { return controller().selectedNodeID(); }
    void select(const SermonNodePtr& node) { controller().setSelectedNodeID(node->id()); }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : canvas.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
    QTextEdit* editorText() { return canvas->editorOverlay() ? canvas->editorOverlay()->textView() : nullptr; }
    void type(const QString& text) { QTest::keyClicks(editorText(), text); }
    qsizetype undoCount() { return static_cast<qsizetype>(document->undoStack().size()); }
};

} // namespace kestrion::test
