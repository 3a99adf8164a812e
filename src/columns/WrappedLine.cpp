#include "columns/WrappedLine.h"

#include "columns/ColumnMetrics.h"
#include "platform/EmojiText.h"
#include "platform/TextWrapMode.h"

#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

namespace kestrion {

namespace {

// Every kind of line break as a line feed, a carriage return with its line feed as one.
QString paragraphsOf(const QString& text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar& c : result) {
        const char16_t u = c.unicode();
        if (u == u'\r' || u == u'\u2028' || u == u'\u2029' || u == u'\u0085' || u == u'\v' || u == u'\f')
            c = u'\n';
    }
    return result;
}

bool hasWhiteSpace(QStringView paragraph)
{
    return std::any_of(paragraph.begin(), paragraph.end(), [](QChar c) { return c.isSpace(); });
}

} // namespace

QList<WrappedLine> wrapColumnText(const QString& text, qreal width, bool bold)
{
    const QString paragraphs = paragraphsOf(text);
    QList<WrappedLine> lines;
    qreal extra = 0;
    const auto nextY
        = [&lines, &extra] { return static_cast<qreal>(lines.size()) * ColumnMetrics::lineHeight + extra; };
    const qreal layoutWidth = std::max(width - ColumnMetrics::textAllowance, qreal(1));
    const QFont font = ColumnMetrics::font(bold);
    QTextOption option;

    qsizetype start = 0;
    while (start <= paragraphs.size()) {
        qsizetype end = paragraphs.indexOf(u'\n', start);
        if (end < 0)
            end = paragraphs.size();
        const QString paragraph = paragraphs.mid(start, end - start);
        start = end + 1;
        // One unbroken run stays whole: no layout needed.
        if (!hasWhiteSpace(paragraph)) {
            lines.append({ paragraph, nextY() });
            continue;
        }
        QTextLayout layout(paragraph, font);
        layout.setFormats(EmojiText::formats(paragraph));
        option.setWrapMode(wrapModeFor(paragraph));
        layout.setTextOption(option);
        layout.setCacheEnabled(false);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(layoutWidth);
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            lines.append({ paragraph.mid(line.textStart(), line.textLength()), nextY() });
        }
    }
    if (lines.isEmpty())
        lines.append({ QString(), 0 });
    return lines;
}

} // namespace kestrion
