#include "document/MarkdownSyntax.h"

#include "document/MarkdownCodec.h"

namespace kestrion {

QStringView trimView(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && MarkdownCodec::isFormatWhitespace(text[begin]))
        ++begin;
    while (end > begin && MarkdownCodec::isFormatWhitespace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QStringView trimLeadingView(QStringView text)
{
    qsizetype begin = 0;
    while (begin < text.size() && MarkdownCodec::isFormatWhitespace(text[begin]))
        ++begin;
    return text.sliced(begin);
}

qint64 indentationWidth(QStringView line)
{
    qint64 width = 0;
    for (QChar c : line) {
        if (c == u' ')
            width += 1;
        else if (c == u'\t')
            width += 4;
        else
            break;
    }
    return width;
}

qsizetype bulletTextStart(QStringView line, qint64* width)
{
    qint64 columns = 0;
    qsizetype i = 0;
    for (; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u' ')
            columns += 1;
        else if (c == u'\t')
            columns += 4;
        else
            break;
    }
    if (i + 1 >= line.size())
        return -1;
    const QChar marker = line[i];
    if ((marker != u'-' && marker != u'*' && marker != u'+') || line[i + 1] != u' ')
        return -1;
    if (width)
        *width = columns;
    return i + 2;
}

bool isBulletLine(QStringView line)
{
    return bulletTextStart(line, nullptr) >= 0;
}

bool isHeadingLine(QStringView leadingTrimmed)
{
    qsizetype n = 0;
    while (n < leadingTrimmed.size() && leadingTrimmed[n] == u'#')
        ++n;
    return n >= 1 && n <= 6 && n < leadingTrimmed.size() && leadingTrimmed[n] == u' ';
}

QStringView removeIndentation(QStringView line, qint64 columns)
{
    qint64 removed = 0;
    qsizetype i = 0;
    while (removed < columns && i < line.size()) {
        if (line[i] == u' ')
            removed += 1;
        else if (line[i] == u'\t')
            removed += 4;
        else
            break;
        ++i;
    }
    return line.sliced(i);
}

} // namespace kestrion
