#include "document/TextParts.h"

#include "document/DocumentController.h"
#include "document/MarkdownCodec.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace kestrion {

namespace {

QString trimmedBy(const QString& text, bool (*isTrimmed)(QChar))
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

bool isBlankCharacter(QChar c)
{
    return MarkdownCodec::isFormatWhitespace(c) || DocumentController::isNewline(c);
}

bool isBlank(const QString& text)
{
    return std::all_of(text.begin(), text.end(), isBlankCharacter);
}

QStringList lineParts(const QString& text)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !DocumentController::isNewline(text[i]))
            continue;
        const QString piece = MarkdownCodec::trimWhitespace(QStringView(text).mid(start, i - start));
        if (!piece.isEmpty())
            parts.append(piece);
        start = i + 1;
    }
    return parts;
}

QStringList sentenceParts(const QString& text)
{
    QStringList parts;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end <= start)
            continue;
        const QString piece = trimmedBy(text.mid(start, end - start), isBlankCharacter);
        if (!piece.isEmpty())
            parts.append(piece);
        start = end;
    }
    return parts;
}

} // namespace kestrion
