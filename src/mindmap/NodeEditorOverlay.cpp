#include "mindmap/NodeEditorOverlay.h"

#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "platform/Typography.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

constexpr QChar lineSeparator(u'\u2028');
constexpr QChar paragraphSeparator(u'\u2029');
constexpr qreal minimumScale = 0.01;

QString displayedForm(const QString& stored)
{
    QString text = stored;
    text.replace(lineSeparator, u'\n');
    return text;
}

// What the document holds, in stored form: block ends and soft line breaks both become
// U+2028. Raw text keeps every other character as typed (no-break spaces included).
QString storedForm(const QString& raw)
{
    QString text = raw;
    text.replace(paragraphSeparator, lineSeparator);
    text.replace(u'\n', lineSeparator);
    return text;
}

QSizeF measureLines(const QStringList& lines, const QFont& font, qreal scale)
{
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString& line : lines)
        widest = std::max(
            widest, std::ceil(EmojiText::horizontalAdvance(font, metrics, line.isEmpty() ? QStringLiteral(" ") : line)));
    const qreal lineCount = static_cast<qreal>(std::max<qsizetype>(lines.size(), 1));
    return { widest + NodeEditorOverlay::widthSlack * scale, Typography::lineHeight(font) * lineCount };
}

} // namespace

// The text area: a plain-text editor without frame, scrolling or background.
class NodeEditorTextView : public InPlaceEditorView<QPlainTextEdit> {
public:
    NodeEditorTextView(InPlaceEditorHost* host, QWidget* parent)
        : InPlaceEditorView(host, parent)
    {
    }

    void setTextInset(int inset) { setViewportMargins(inset, 0, inset, 0); }
};

NodeEditorOverlay::NodeEditorOverlay(QWidget* parent)
    : QWidget(parent)
    , m_textView(new NodeEditorTextView(this, this))
{
    m_textView->setObjectName(QStringLiteral("nodeEditor"));
    m_textView->setFrameShape(QFrame::NoFrame);
    m_textView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_textView->setTabChangesFocus(false);
    m_textView->document()->setDocumentMargin(0);
    m_textView->setContentsMargins(0, 0, 0, 0);
    m_textView->setAutoFillBackground(false);
    m_textView->viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_textView);

    connect(m_textView, &QPlainTextEdit::textChanged, this, &NodeEditorOverlay::textViewChanged);
    connect(m_textView, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!m_updatingText && m_onCaretMoved)
            m_onCaretMoved();
    });
    connect(&Appearance::shared(), &Appearance::changed, this, &NodeEditorOverlay::refreshColors);
    refreshFont();
    refreshColors();
}

NodeEditorOverlay::~NodeEditorOverlay()
{
    // Destroying the focused editor moves the keyboard away; that is no commit.
    m_textView->detach();
}

bool NodeEditorOverlay::setText(const QString& text)
{
    if (text == m_text)
        return false;
    m_text = text;
    m_updatingText = true;
    m_textView->setPlainText(displayedForm(text));
    m_textView->moveCursor(QTextCursor::End);
    m_updatingText = false;
    relayout();
    return true;
}

void NodeEditorOverlay::setNodeLayout(const NodeLayout& layout)
{
    const bool depthChanged = layout.depth != m_nodeLayout.depth;
    m_nodeLayout = layout;
    if (depthChanged)
        refreshFont();
    relayout();
}

void NodeEditorOverlay::setViewTransform(qreal scale, const QPointF& panOffset)
{
    const qreal clamped = std::isfinite(scale) ? std::max(scale, minimumScale) : 1;
    const bool scaleChanged = clamped != m_scale;
    m_scale = clamped;
    m_panOffset = panOffset;
    if (scaleChanged)
        refreshFont();
    relayout();
}

void NodeEditorOverlay::setFocused(bool focused)
{
    setViewFocused(*m_textView, focused);
}

qreal NodeEditorOverlay::measureEditorText(const QString& text, qint64 depth)
{
    return editorSize(text, depth, 1).width();
}

qreal NodeEditorOverlay::measureEditorHeight(const QString& text, qint64 depth)
{
    return editorSize(text, depth, 1).height();
}

QSizeF NodeEditorOverlay::editorSize(const QString& text, qint64 depth, qreal scale)
{
    return measureLines(text.split(lineSeparator), editorFont(depth, scale), scale);
}

QFont NodeEditorOverlay::editorFont(qint64 depth, qreal scale)
{
    return Typography::systemFont(Typography::nodeFontSize(depth) * scale, Typography::nodeFontWeight(depth));
}

NodeEditorOverlay::Placement NodeEditorOverlay::placement(
    const NodeLayout& layout, const QSizeF& editorSize, qreal scale, const QPointF& panOffset)
{
    const QPointF contentTopLeft = layout.origin + QPointF(editorLeft, layout.isLeaf ? leafEditorTop : parentEditorTop);
    Placement result;
    result.editor = QRectF(contentTopLeft * scale + panOffset, editorSize);
    result.outline = result.editor.adjusted(
        -outlineLeading * scale, -outlineVertical * scale, outlineTrailing * scale, outlineVertical * scale);
    const qreal halfStroke = outlineWidth * scale / 2;
    result.bounds = result.outline.adjusted(-halfStroke, -halfStroke, halfStroke, halfStroke);
    return result;
}

void NodeEditorOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::Highlight), outlineWidth * m_scale);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal radius = outlineRadius * m_scale;
    painter.drawRoundedRect(m_outline, radius, radius);
}

void NodeEditorOverlay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    relayout();
    setFocused(true);
    // Whatever else reacts to the same change may still take the keyboard in this turn;
    // ask once more when it is over, unless the user has moved on to another widget.
    QTimer::singleShot(0, this, [this] {
        QWidget* focus = QApplication::focusWidget();
        if (isVisible() && !m_isFocused && (!focus || focus->isAncestorOf(this)))
            setFocused(true);
    });
}

void NodeEditorOverlay::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        update();
}

void NodeEditorOverlay::textViewChanged()
{
    if (m_updatingText)
        return;
    const QString stored = storedForm(m_textView->document()->toRawText());
    if (stored == m_text) {
        relayout();
        return;
    }
    m_text = stored;
    relayout();
    if (m_onTextEdited)
        m_onTextEdited(m_text);
    // The caret may have moved before the editor grew; where it is now is known only here.
    if (m_onCaretMoved)
        m_onCaretMoved();
}

void NodeEditorOverlay::editorFocusChanged(bool focused, Qt::FocusReason reason)
{
    m_isFocused = focused;
    // Hiding the overlay, which only the canvas does once editing has ended, is no moving on.
    if (!focused && isMovingOn(reason, isVisible()))
        dispatch(m_onCommit);
}

QRectF NodeEditorOverlay::caretRect() const
{
    const QRect caret = m_textView->cursorRect();
    QWidget* target = parentWidget() ? parentWidget() : const_cast<NodeEditorOverlay*>(this);
    return QRectF(m_textView->viewport()->mapTo(target, caret.topLeft()), QSizeF(caret.size()));
}

void NodeEditorOverlay::editorKeyPressed(InPlaceEditorKeys::Action action)
{
    dispatch(m_keys.callFor(action, m_textView->textCursor().selectionStart()));
}

void NodeEditorOverlay::refreshFont()
{
    m_textView->setFont(editorFont(m_nodeLayout.depth, m_scale));
    m_textView->setTextInset(static_cast<int>(std::lround(textInset * m_scale)));
}

void NodeEditorOverlay::refreshColors()
{
    QPalette palette = m_textView->palette();
    const QColor ink = Appearance::inkColor(isDarkAppearance());
    palette.setColor(QPalette::Text, ink);
    palette.setColor(QPalette::Base, Qt::transparent);
    m_textView->setPalette(palette);
    update();
}

QStringList NodeEditorOverlay::displayedLines() const
{
    QStringList lines;
    for (QTextBlock block = m_textView->document()->firstBlock(); block.isValid(); block = block.next())
        lines.append(block.text().split(lineSeparator));
    return lines;
}

void NodeEditorOverlay::relayout()
{
    const QSizeF size = measureLines(displayedLines(), m_textView->font(), m_scale);
    const Placement placed = placement(m_nodeLayout, size, m_scale, m_panOffset);
    const QRect bounds = placed.bounds.toAlignedRect();
    const QPointF origin = bounds.topLeft();
    setGeometry(bounds);
    // The text view wants a pixel beyond its last line before it stops scrolling; that pixel
    // lies inside the outline's margin.
    m_textView->setGeometry(placed.editor.translated(-origin).toAlignedRect().adjusted(0, 0, 0, 1));
    m_outline = placed.outline.translated(-origin);
    // A grown editor has room for every line: show the text from its start.
    m_textView->horizontalScrollBar()->setValue(0);
    m_textView->verticalScrollBar()->setValue(0);
    update();
}

} // namespace kestrion
