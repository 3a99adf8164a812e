#include "platform/SanitizedFileName.h"

#include <QCoreApplication>
#include <QTextBoundaryFinder>

namespace kestrion {

namespace {

bool isRefused(char32_t c)
{
    switch (c) {
    case U'/':
    case U'\\':
    case U':':
    case U'?':
    case U'<':
    case U'>':
    case U'|':
    case U'"':
        return true;
    default:
        return false;
    }
}

// Tabs and line breaks part words: they become spaces rather than vanish.
bool isSpacingControl(char32_t c)
{
    return c == U'\t' || c == U'\n' || c == U'\r' || c == U'\v' || c == U'\f' || c == 0x85 || c == 0x2028
        || c == 0x2029;
}

bool isSpaceOrTab(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimmed(const QString& text, bool (*isTrimmed)(QChar))
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isTrimmed(text[start]))
        ++start;
    while (end > start && isTrimmed(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

// The longest start of the text, cut between grapheme clusters, whose UTF-8 fits.
QString boundedToUtf8Bytes(const QString& text, qsizetype maxBytes)
{
    if (text.toUtf8().size() <= maxBytes)
        return text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype fits = 0;
    for (qsizetype next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
        if (QStringView(text).first(next).toUtf8().size() > maxBytes)
            break;
        fits = next;
    }
    return text.first(fits);
}

} // namespace

QString sanitizedFileName(const QString& title, qsizetype maxBytes)
{
    // By code point: a separator followed by a combining mark is still a separator.
    QString kept;
    kept.reserve(title.size());
    for (qsizetype i = 0; i < title.size(); ++i) {
        char32_t c = title[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < title.size() && title[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(title[i], title[i + 1]);
            ++i;
        }
        if (isRefused(c))
            continue;
        if (isSpacingControl(c)) {
            kept += u' ';
            continue;
        }
        // A surrogate without its pair is no character: a file name cannot hold it.
        if (QChar::category(c) == QChar::Other_Control || QChar::category(c) == QChar::Other_Surrogate)
            continue;
        kept += QChar::fromUcs4(c);
    }

    QString name = trimmed(kept, [](QChar c) { return c.isSpace(); });
    qsizetype dots = 0;
    while (dots < name.size() && name[dots] == u'.')
        ++dots;
    name = trimmed(name.mid(dots), isSpaceOrTab);
    name = trimmed(boundedToUtf8Bytes(name, maxBytes), isSpaceOrTab);
    if (name.isEmpty() || name == u"." || name == u"..")
        return QCoreApplication::translate("kestrion::OpenDocument", "Untitled");
    return name;
}

} // namespace kestrion
