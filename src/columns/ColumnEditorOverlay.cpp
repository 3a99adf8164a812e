#include "columns/ColumnEditorOverlay.h"

#include "columns/ColumnMetrics.h"
#include "platform/Appearance.h"
#include "platform/Typography.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>

namespace kestrion {

namespace {

constexpr QChar lineSeparator(u'\u2028');

// The editor holds one paragraph: every kind of line break is an in-node line break.
QString withLineSeparators(const QString& text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QString(lineSeparator));
    for (QChar& c : result) {
        if (c == u'\n' || c == u'\r' || c == u'\u2029')
            c = lineSeparator;
    }
    return result;
}

bool isReturn(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool has(Qt::KeyboardModifiers modifiers, Qt::KeyboardModifier modifier)
{
    return modifiers.testFlag(modifier);
}

// The editing keys that work on the text with a modifier held.
constexpr std::array textKeys { QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Cut, QKeySequence::Copy,
    QKeySequence::Paste, QKeySequence::SelectAll, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
    QKeySequence::MoveToPreviousWord, QKeySequence::MoveToNextWord, QKeySequence::SelectPreviousWord,
    QKeySequence::SelectNextWord, QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument,
    QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument };

} // namespace

// The text area: a plain text editor without frame, scrolling or background that hands its
// keys and focus changes to the overlay first.
class ColumnEditorTextView : public QTextEdit {
public:
    explicit ColumnEditorTextView(ColumnEditorOverlay* overlay)
        : QTextEdit(overlay)
        , m_overlay(overlay)
    {
    }

    void detach() { m_overlay = nullptr; }

protected:
    bool event(QEvent* event) override
    {
        if (m_overlay && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (event->type() == QEvent::ShortcutOverride) {
                if (takesBeforeShortcuts(*key)) {
                    key->accept();
                    return true;
                }
            } else if (isRoutedKey(*key)) {
                // A held key acts once; its repeats neither act again nor reach the text.
                if (!key->isAutoRepeat())
                    m_overlay->handleKey(key->key(), key->modifiers());
                key->accept();
                return true;
            }
        }
        return QTextEdit::event(event);
    }

    void focusInEvent(QFocusEvent* event) override
    {
        QTextEdit::focusInEvent(event);
        if (m_overlay)
            m_overlay->textViewFocusChanged(true, event->reason());
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        QTextEdit::focusOutEvent(event);
        if (m_overlay)
            m_overlay->textViewFocusChanged(false, event->reason());
    }

    bool canInsertFromMimeData(const QMimeData* source) const override { return source->hasText(); }

    // Pasted or dropped text arrives as plain text with its line breaks kept inside the node.
    void insertFromMimeData(const QMimeData* source) override
    {
        if (source->hasText())
            textCursor().insertText(withLineSeparators(source->text()));
    }

private:
    static bool isRoutedKey(const QKeyEvent& key)
    {
        const int k = key.key();
        const Qt::KeyboardModifiers modifiers = key.modifiers();
        if (isReturn(k))
            return has(modifiers, Qt::ControlModifier) || has(modifiers, Qt::AltModifier)
                || !has(modifiers, Qt::ShiftModifier);
        return k == Qt::Key_Tab || k == Qt::Key_Backtab || k == Qt::Key_Escape;
    }

    // Keys that must reach the editor rather than a shortcut of the window's menus: the routed
    // keys, the keys that edit or move in text, their standard sequences, and text itself.
    static bool takesBeforeShortcuts(const QKeyEvent& key)
    {
        const int k = key.key();
        if (isReturn(k) || k == Qt::Key_Tab || k == Qt::Key_Backtab || k == Qt::Key_Escape)
            return true;
        if (std::any_of(textKeys.begin(), textKeys.end(), [&](QKeySequence::StandardKey s) { return key.matches(s); }))
            return true;
        const Qt::KeyboardModifiers commands
            = key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (commands)
            return false;
        switch (k) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Space:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            break;
        }
        const QString text = key.text();
        return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
    }

    ColumnEditorOverlay* m_overlay;
};

ColumnEditorOverlay::ColumnEditorOverlay(bool isRoot, QWidget* parent)
    : QWidget(parent)
    , m_textView(new ColumnEditorTextView(this))
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
    m_textView->setPlainText(withLineSeparators(text));
    m_lastText = withLineSeparators(text);
    applyLineGrid();
    m_textView->moveCursor(QTextCursor::End);
    m_updatingText = false;
    m_textView->verticalScrollBar()->setValue(0);
}

void ColumnEditorOverlay::setText(const QString& text)
{
    if (withLineSeparators(text) == this->text())
        return;
    const QTextCursor old = m_textView->textCursor();
    const int anchor = old.anchor();
    const int position = old.position();
    m_updatingText = true;
    m_textView->setPlainText(withLineSeparators(text));
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
    m_textView->setLineWrapColumnOrWidth(static_cast<int>(std::floor(textWidth())));
}

qreal ColumnEditorOverlay::textWidth() const
{
    return std::max(m_columnWidth - ColumnMetrics::textAllowance, qreal(1));
}

qreal ColumnEditorOverlay::contentHeight() const
{
    return std::ceil(m_textView->document()->size().height());
}

bool ColumnEditorOverlay::isFocused() const
{
    return m_textView->hasFocus();
}

void ColumnEditorOverlay::setFocused(bool focused)
{
    if (focused) {
        m_textView->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!m_textView->hasFocus())
        return;
    m_releasingFocus = true;
    m_textView->clearFocus();
    m_releasingFocus = false;
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

void ColumnEditorOverlay::textViewChanged()
{
    if (m_updatingText)
        return;
    const QString stored = text();
    if (stored == m_lastText)
        return;
    m_lastText = stored;
    m_textView->verticalScrollBar()->setValue(0);
    if (m_onTextEdited)
        m_onTextEdited(stored);
}

void ColumnEditorOverlay::textViewFocusChanged(bool focused, Qt::FocusReason reason)
{
    if (focused || m_dispatching || m_releasingFocus)
        return;
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason || !isVisible())
        return;
    dispatch(m_onCommit);
}

bool ColumnEditorOverlay::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Escape) {
        dispatch(m_onCancel);
        return true;
    }
    if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && has(modifiers, Qt::ShiftModifier))) {
        dispatch(m_onShiftTab);
        return true;
    }
    if (key == Qt::Key_Tab) {
        dispatch(m_onTab);
        return true;
    }
    if (!isReturn(key))
        return false;
    if (has(modifiers, Qt::ControlModifier)) {
        dispatch(m_onCommandEnter);
    } else if (has(modifiers, Qt::AltModifier)) {
        const qint64 position = caret();
        dispatch([this, position] {
            if (m_onOptionEnter)
                m_onOptionEnter(position);
        });
    } else if (!has(modifiers, Qt::ShiftModifier)) {
        dispatch(m_onEnter);
    } else {
        return false;
    }
    return true;
}

void ColumnEditorOverlay::dispatch(const Callback& callback)
{
    if (!callback)
        return;
    // The callback may end the edit and move the keyboard; that is no commit of its own.
    const bool wasDispatching = m_dispatching;
    m_dispatching = true;
    QPointer<ColumnEditorOverlay> self(this);
    const Callback run = callback;
    run();
    if (self)
        m_dispatching = wasDispatching;
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
    // Lines 28 points apart, each line's text at its top, as the canvas draws them. A text shown
    // afresh starts a new undo history, which does not hold this look.
    const qreal spacing = ColumnMetrics::lineHeight - Typography::lineHeight(ColumnMetrics::font(m_isRoot));
    QTextCursor cursor(m_textView->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(spacing, QTextBlockFormat::LineDistanceHeight);
    cursor.mergeBlockFormat(format);
    m_textView->document()->clearUndoRedoStacks();
}

} // namespace kestrion
