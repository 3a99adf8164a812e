#include "sheets/SingleLineField.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include <limits>

namespace kestrion {

namespace {

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case u'\v':
    case u'\f':
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

bool isReturn(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

SingleLineField::SingleLineField(QWidget* parent)
    : QLineEdit(parent)
{
    // A line edit cuts its text at 32767 characters by default; a title or place written
    // elsewhere may be longer, and is written back whole.
    setMaxLength(std::numeric_limits<int>::max());
    // The text before each edit, to tell what the edit inserted.
    connect(this, &QLineEdit::textChanged, this, [this] { m_textBeforeEdit = QLineEdit::text(); });
    connect(this, &QLineEdit::textEdited, this, &SingleLineField::flattenEdit);
}

QString SingleLineField::withLineBreaksAsSpaces(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        result += isLineBreak(text[i]) ? QChar(u' ') : text[i];
    }
    return result;
}

void SingleLineField::flattenEdit(const QString& text)
{
    // One edit replaces one stretch of the text: what lies between the common start and the
    // common end of the texts before and after it is what was typed or pasted. textEdited
    // comes before textChanged, so the text before the edit is still at hand.
    const QString before = m_textBeforeEdit;
    m_textBeforeEdit = text;
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(before.size(), text.size());
    while (prefix < shorter && before[prefix] == text[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    const qsizetype insertedEnd = text.size() - suffix;
    const QString inserted = text.mid(prefix, insertedEnd - prefix);
    const QString flattened = withLineBreaksAsSpaces(inserted);
    if (flattened == inserted) {
        Q_EMIT lineEdited(text);
        return;
    }
    const int caret = cursorPosition();
    const int shift = int(inserted.size() - flattened.size());
    const QString result = text.left(prefix) + flattened + text.mid(insertedEnd);
    setText(result);
    setCursorPosition(caret >= insertedEnd ? caret - shift : std::min<int>(caret, int(prefix + flattened.size())));
    Q_EMIT lineEdited(result);
}

bool SingleLineField::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && m_onSubmit && isReturn(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void SingleLineField::keyPressEvent(QKeyEvent* event)
{
    if (m_onSubmit && isReturn(event)) {
        event->accept();
        m_onSubmit();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void SingleLineField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        Q_EMIT focusLost();
}

} // namespace kestrion
