#include "columns/ColumnEditorOverlay.h"

#include "columns/ColumnMetrics.h"
#include "columns/WrappedLine.h"
#include "platform/Appearance.h"
#include "platform/TextWrapMode.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>

namespace kestrion {

namespace {

constexpr QChar lineSeparator(u'\u2028');

// Every kind of line break that the columns break lines at is an in-node line break.
QString withLineSeparators(const QString& text)
{
    QString result = columnParagraphs(text);
    result.replace(u'\n', lineSeparator);
    return result;
}

// The text as the editor shows it: a block per paragraph, so that a keystroke lays out again
// only its own paragraph, however long the text.
QString asBlocks(const QString& text)
{
    return columnParagraphs(text);
}

} // namespace

// The text area: a plain text editor without frame, scrolling or background.
class ColumnEditorTextView : public InPlaceEditorView<QTextEdit> {
public:
    ColumnEditorTextView(InPlaceEditorHost* host, QWidget* parent)
        : InPlaceEditorView(host, parent)
    {
    }

protected:
    // Pasted or dropped line breaks stay inside the node.
    void insertPastedText(const QString& pasted) override
    {
        const QString text = withLineSeparators(pasted);
        // Chosen before the text goes in: laid out with the old mode, a long run takes minutes.
        if (wrapModeFor(text) == QTextOption::WrapAnywhere)
            setWordWrapMode(QTextOption::WrapAnywhere);
        textCursor().insertText(text);
    }
};

ColumnEditorOverlay::ColumnEditorOverlay(bool isRoot, QWidget* parent)
    : QWidget(parent)
    , m_textView(new ColumnEditorTextView(this, this))
    , m_isRoot(isRoot)
{
    setObjectName(QStringLiteral("columnEditorOverlay"));
    m_textView->setObjectName(QStringLiteral("columnEditor"));
    m_textView->setFrameShape(QFrame::NoFrame);
    m_textView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textView->setAcceptRichText(false);
    m_textView->setTabChangesFocus(false);
    m_textView->setLineWrapMode(QTextEdit::FixedPixelWidth);
    m_textView->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_textView->document()->setDocumentMargin(0);
    m_textView->setContentsMargins(0, 0, 0, 0);
    m_textView->setAutoFillBackground(false);
    m_textView->viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_textView);

    connect(m_textView, &QTextEdit::textChanged, this, &ColumnEditorOverlay::textViewChanged);
    m_textView->setFont(ColumnMetrics::font(m_isRoot));
    connect(&Appearance::shared(), &Appearance::changed, this, &ColumnEditorOverlay::applyColors);
    applyColors();
    applyLineGrid();
}

ColumnEditorOverlay::~ColumnEditorOverlay()
{
    // Destroying the focused editor moves the keyboard away; that is no commit.
    m_textView->detach();
}

QTextEdit* ColumnEditorOverlay::textView() const
{
    return m_textView;
}

QString ColumnEditorOverlay::text() const
{
    return withLineSeparators(m_textView->document()->toRawText());
}

void ColumnEditorOverlay::showText(const QString& text)
{
    m_updatingText = true;
    m_textView->setWordWrapMode(wrapModeFor(text));
    m_textView->setPlainText(asBlocks(text));
    m_lastText = withLineSeparators(text);
    applyLineGrid();
    m_textView->moveCursor(QTextCursor::End);
    m_updatingText = false;
    m_textView->verticalScrollBar()->setValue(0);
}

void ColumnEditorOverlay::setText(const QString& text)
{
    // The text the editor reported last comes back from the canvas: nothing to show.
    if ((text.constData() == m_lastText.constData() && text.size() == m_lastText.size())
        || withLineSeparators(text) == this->text())
        return;
    const QTextCursor old = m_textView->textCursor();
    const int anchor = old.anchor();
    const int position = old.position();
    m_updatingText = true;
    m_textView->setWordWrapMode(wrapModeFor(text));
    m_textView->setPlainText(asBlocks(text));
    m_lastText = withLineSeparators(text);
    applyLineGrid();
    QTextCursor cursor(m_textView->document());
    const int end = static_cast<int>(withLineSeparators(text).size());
    cursor.setPosition(std::min(anchor, end));
    cursor.setPosition(std::min(position, end), QTextCursor::KeepAnchor);
    m_textView->setTextCursor(cursor);
    m_updatingText = false;
}

qint64 ColumnEditorOverlay::caret() const
{
    return m_textView->textCursor().selectionStart();
}

void ColumnEditorOverlay::setColumnWidth(qreal width)
{
    if (width == m_columnWidth)
        return;
    m_columnWidth = width;
    applyTextGeometry();
}

qreal ColumnEditorOverlay::textWidth() const
{
    return std::max(m_columnWidth - ColumnMetrics::textAllowance, qreal(1));
}

qreal ColumnEditorOverlay::contentHeight() const
{
    return std::ceil(m_textView->document()->size().height());
}

void ColumnEditorOverlay::applyTextGeometry()
{
    // In the text layout's own steps of 1/64 point, so that nothing rounds: the text starts the
    // fraction of a point right of the editor's left edge that the canvas's does, and its lines
    // are as wide as the canvas wraps them. Both through document properties, which typing's
    // undo does not record.
    const auto steps = [](qreal points) { return std::round(points * 64) / 64; };
    const qreal indent = steps(m_textOffset);
    const qreal width = steps(textWidth());
    m_textView->setLineWrapColumnOrWidth(static_cast<int>(std::ceil(indent + width)));
    QTextDocument* document = m_textView->document();
    document->setIndentWidth(indent);
    document->setTextWidth(indent + width);
}

qreal ColumnEditorOverlay::firstBaseline() const
{
    const QTextLayout* layout = m_textView->document()->firstBlock().layout();
    if (!layout || layout->lineCount() == 0)
        return QFontMetricsF(m_textView->font()).ascent();
    const QTextLine line = layout->lineAt(0);
    return layout->position().y() + line.y() + line.ascent();
}

void ColumnEditorOverlay::place(const QPointF& textTopLeft, qreal boxBottom)
{
    const int left = static_cast<int>(std::floor(textTopLeft.x()));
    if (const qreal offset = textTopLeft.x() - left; offset != m_textOffset) {
        m_textOffset = offset;
        applyTextGeometry();
    }
    // Glyphs sit on whole pixel rows: the first baseline goes on the row the canvas's falls on.
    const qreal baseline = textTopLeft.y() + QFontMetricsF(m_textView->font()).ascent();
    const qreal row = std::floor(baseline + 0.5);
    const int top = static_cast<int>(std::ceil(row - 0.5 - firstBaseline()));
    setBoxHeight(boxBottom - top);
    const qreal bottom = std::max(boxBottom + ColumnMetrics::textTop, top + contentHeight());
    setGeometry(QRect(left, top, m_textView->lineWrapColumnOrWidth(), static_cast<int>(std::ceil(bottom - top))));
}

void ColumnEditorOverlay::setBoxHeight(qreal height)
{
    if (height == m_boxHeight)
        return;
    m_boxHeight = height;
    update();
}

bool ColumnEditorOverlay::isFocused() const
{
    return m_textView->hasFocus();
}

void ColumnEditorOverlay::setFocused(bool focused)
{
    setViewFocused(*m_textView, focused);
}

void ColumnEditorOverlay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setFocused(true);
    // Whatever else reacts to the same change may still take the keyboard in this turn;
    // ask once more when it is over, unless the user has moved on to another widget.
    QTimer::singleShot(0, this, [this] {
        QWidget* focus = QApplication::focusWidget();
        if (isVisible() && !isFocused() && (!focus || focus->isAncestorOf(this)))
            setFocused(true);
    });
}

void ColumnEditorOverlay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_textView->setGeometry(rect());
    // Tall enough for every line: always show the text from its start.
    m_textView->verticalScrollBar()->setValue(0);
}

void ColumnEditorOverlay::paintEvent(QPaintEvent*)
{
    // Clear, as long as the text keeps to the node's lines. Only where a long unbroken word
    // wraps here but not in the columns do lines run on below the box, and there they hide the
    // rows the canvas draws: from just under the ruled line that ends the box.
    const qreal boxLinesEnd = m_boxHeight + ColumnMetrics::textTop;
    if (contentHeight() < boxLinesEnd + ColumnMetrics::lineHeight / 2)
        return;
    const qreal top = m_boxHeight + 1;
    if (height() <= top)
        return;
    QPainter painter(this);
    painter.fillRect(QRectF(0, top, width(), height() - top), palette().color(QPalette::Base));
}

void ColumnEditorOverlay::textViewChanged()
{
    if (m_updatingText)
        return;
    const QString stored = text();
    if (stored == m_lastText)
        return;
    m_lastText = stored;
    // Back to word breaks once no long run is left; only a paste brings one in.
    if (wrapModeFor(stored) == QTextOption::WrapAtWordBoundaryOrAnywhere)
        m_textView->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_textView->verticalScrollBar()->setValue(0);
    if (m_onTextEdited)
        m_onTextEdited(stored);
}

void ColumnEditorOverlay::editorFocusChanged(bool focused, Qt::FocusReason reason)
{
    if (!focused && isMovingOn(reason, isVisible()))
        dispatch(m_onCommit);
}

void ColumnEditorOverlay::editorKeyPressed(InPlaceEditorKeys::Action action)
{
    dispatch(m_keys.callFor(action, caret()));
}

void ColumnEditorOverlay::applyColors()
{
    QPalette palette = m_textView->palette();
    const QColor ink = Appearance::inkColor(isDarkAppearance());
    palette.setColor(QPalette::Text, ink);
    palette.setColor(QPalette::Base, Qt::transparent);
    m_textView->setPalette(palette);
}

void ColumnEditorOverlay::applyLineGrid()
{
    // Lines 28 points apart, from the left edge whatever the text's direction, as the canvas
    // draws them. A text shown afresh starts a new undo history, which does not hold this look.
    QTextCursor cursor(m_textView->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    // Exactly 28 points whatever font a line falls back to.
    format.setLineHeight(ColumnMetrics::lineHeight, QTextBlockFormat::FixedHeight);
    // Indented by the document's indent width: the fraction of a point the text starts at.
    format.setIndent(1);
    format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    cursor.mergeBlockFormat(format);
    applyTextGeometry();
    m_textView->document()->clearUndoRedoStacks();
}

} // namespace kestrion
