#pragma once

#include <QString>
#include <QStringView>

namespace kestrion {

// The line syntax of the sermon file that the reader, the writer and the paste parser share.

inline constexpr QStringView delimiter = u"---";
inline constexpr QStringView collapsedMarker = u"[//]: # (collapsed)";

// Without the format's whitespace at both ends, or at the start only.
QStringView trimView(QStringView text);
QStringView trimLeadingView(QStringView text);

// The leading indentation in columns: a space counts 1, a tab 4.
qint64 indentationWidth(QStringView line);

// Position of the bullet's text, or -1 when the line is no bullet.
qsizetype bulletTextStart(QStringView line, qint64* width);

bool isBulletLine(QStringView line);

bool isHeadingLine(QStringView leadingTrimmed);

// Whether a bullet's text, past any backslashes, begins as a quotation's does: "> ", or ">"
// alone. Such a text of a point that is no quotation is written with one more backslash in
// front, which the reader takes off again.
inline constexpr QChar bulletEscape = u'\\';
inline bool looksLikeQuoteBullet(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == bulletEscape)
        ++i;
    return i < text.size() && text[i] == u'>' && (i + 1 == text.size() || text[i + 1] == u' ');
}

// Removes indentation until at least `columns` are gone; a tab crossing the limit goes
// whole, anything but a space or tab stops the removal.
QStringView removeIndentation(QStringView line, qint64 columns);

// Calls part(view) for every line-feed-separated part of text, empty ones included.
template <typename Function> void forEachPart(QStringView text, Function part)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) {
            part(text.sliced(start));
            return;
        }
        part(text.sliced(start, end - start));
        start = end + 1;
    }
}

} // namespace kestrion
