#include "platform/EmojiHighlighter.h"

#include "platform/EmojiText.h"

namespace kestrion {

EmojiHighlighter::EmojiHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document)
{
}

void EmojiHighlighter::highlightBlock(const QString& text)
{
    for (const QTextLayout::FormatRange& range : EmojiText::formats(text))
        setFormat(range.start, range.length, range.format);
}

} // namespace kestrion
