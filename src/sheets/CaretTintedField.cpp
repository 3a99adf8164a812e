#include "sheets/CaretTintedField.h"

#include "sheets/SheetStyle.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QTextBoundaryFinder>
#include <QTimer>

namespace kestrion {

namespace {

bool isReturn(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

CaretTintedField::CaretTintedField(QWidget* parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    setFont(SheetStyle::calloutDigitsFont());
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setColors(palette().color(QPalette::Text), palette().color(QPalette::Highlight));
    connect(this, &QLineEdit::textEdited, this, &CaretTintedField::filterEdit);
}

QString CaretTintedField::digitsOnly(const QString& text)
{
    QString digits;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end <= start)
            end = text.size();
        if (end - start == 1 && text[start] >= u'0' && text[start] <= u'9')
            digits += text[start];
        start = end;
    }
    return digits;
}

void CaretTintedField::setColors(const QColor& textColor, const QColor& selectionColor)
{
    if (textColor == m_textColor && selectionColor == m_selectionColor)
        return;
    m_textColor = textColor;
    m_selectionColor = selectionColor;
    QPalette colors = palette();
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive }) {
        colors.setColor(group, QPalette::Text, textColor);
        colors.setColor(group, QPalette::HighlightedText, textColor);
        colors.setColor(group, QPalette::Highlight, selectionColor);
        QColor placeholder = textColor;
        placeholder.setAlphaF(textColor.alphaF() * 0.5f);
        colors.setColor(group, QPalette::PlaceholderText, placeholder);
    }
    // The capsule behind the field shows through.
    colors.setColor(QPalette::Base, Qt::transparent);
    setPalette(colors);
}

void CaretTintedField::filterEdit(const QString& text)
{
    const QString digits = digitsOnly(text);
    if (digits != text) {
        // The caret stays after the digits that stood before it.
        const int caret = int(digitsOnly(text.left(cursorPosition())).size());
        setText(digits);
        setCursorPosition(caret);
    }
    Q_EMIT digitsEdited(digits);
}

void CaretTintedField::setFocused(bool focused)
{
    storeFocused(focused);
    // Like a binding, the keyboard follows on the next turn, once the field can take it.
    if (!m_focusSyncPending) {
        m_focusSyncPending = true;
        QTimer::singleShot(0, this, [this] {
            m_focusSyncPending = false;
            syncFocus();
        });
    }
}

void CaretTintedField::syncFocus()
{
    if (!window())
        return;
    if (m_isFocused && !hasFocus())
        setFocus(Qt::OtherFocusReason);
    else if (!m_isFocused && hasFocus())
        (m_focusKeeper ? m_focusKeeper.data() : window())->setFocus(Qt::OtherFocusReason);
}

void CaretTintedField::storeFocused(bool focused)
{
    if (focused == m_isFocused)
        return;
    m_isFocused = focused;
    Q_EMIT focusedChanged(focused);
}

bool CaretTintedField::event(QEvent* event)
{
    // Return belongs to the field even where a window or sheet binds it to its default action.
    if (event->type() == QEvent::ShortcutOverride && isReturn(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void CaretTintedField::keyPressEvent(QKeyEvent* event)
{
    if (isReturn(event)) {
        event->accept();
        if (m_onSubmit)
            m_onSubmit();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CaretTintedField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    storeFocused(true);
}

void CaretTintedField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The window losing activation, or a menu opening, leaves the field its keyboard.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        storeFocused(false);
}

} // namespace kestrion
