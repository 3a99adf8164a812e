#include "document/MarkdownCodec.h"

#include "document/MarkdownSyntax.h"

namespace kestrion {

Q_LOGGING_CATEGORY(markdownCodecLog, "app.kestrion.Kestrion.MarkdownCodec")

bool MarkdownCodec::isFormatWhitespace(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u == u' ' || u == u'\t';
    return c.category() == QChar::Separator_Space;
}

QString MarkdownCodec::trimWhitespace(QStringView text)
{
    return trimView(text).toString();
}

} // namespace kestrion
