#include "document/MarkdownCodec.h"

#include "document/BodyParser.h"
#include "document/MarkdownSyntax.h"
#include "document/Yaml.h"

#include <algorithm>
#include <utility>

namespace kestrion {

namespace {

// Whether the text holds nothing but whitespace and line ends.
bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
        [](QChar c) { return c == u'\n' || c == u'\r' || MarkdownCodec::isFormatWhitespace(c); });
}

// Where the line with that index ends: the position of its line feed, or the end of text.
qsizetype endOfLine(QStringView text, qsizetype line)
{
    qsizetype position = -1;
    for (qsizetype i = 0; i <= line; ++i) {
        position = text.indexOf(u'\n', position + 1);
        if (position < 0)
            return text.size();
    }
    return position;
}

} // namespace

MarkdownCodec::FrontMatterSplit MarkdownCodec::splitFrontMatter(const QString& text)
{
    FrontMatterSplit result;
    result.bodyLines = text.split(u'\n');
    // A file saved with CR LF line ends reads like one with LF.
    for (QString& line : result.bodyLines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    QStringList& lines = result.bodyLines;
    if (trimView(lines.first()) != delimiter)
        return result;

    qsizetype closing = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (trimView(lines[i]) == delimiter) {
            closing = i;
            break;
        }
    }
    if (closing < 0) {
        qCDebug(markdownCodecLog, "Opening --- found but no closing --- ; treating file as body only");
        return result;
    }

    // Each line of the block with its line feed, the last one's too: a block scalar ending
    // on the block's last line keeps its final line feed there as it does anywhere else.
    QString yaml;
    for (qsizetype i = 1; i < closing; ++i)
        yaml += lines[i] + u'\n';
    const YamlParseResult parsed = Yaml::parse(yaml);
    std::optional<UnreadableFrontMatter> unreadable;
    QString error = parsed.error;
    if (!parsed.root) {
        // The YAML text starts on the file's second line; an error past its end is at the
        // closing delimiter.
        const int line = parsed.line > 0 ? static_cast<int>(std::min<qsizetype>(parsed.line + 1, closing + 1)) : 0;
        unreadable = UnreadableFrontMatter { QString(), line, parsed.problem };
    } else if (std::optional<SermonMetadata> metadata = SermonMetadata::decode(*parsed.root, &error)) {
        result.metadata = std::move(*metadata);
        // What the details leave out would be gone with the first save: the block is kept.
        if (QString leftOut = SermonMetadata::describeLeftOut(*parsed.root); !leftOut.isEmpty())
            unreadable = UnreadableFrontMatter { QString(), 0, std::move(leftOut), true };
    } else {
        unreadable = UnreadableFrontMatter { QString(), 0, error };
    }
    if (unreadable) {
        if (!unreadable->isPartlyRead)
            qCCritical(markdownCodecLog, "Failed to decode frontmatter: %s", qUtf8Printable(error));
        // A block with nothing in it holds nothing to keep.
        if (!isBlank(yaml)) {
            unreadable->text = text.first(endOfLine(text, closing));
            result.unreadableFrontMatter = std::move(unreadable);
        }
    }
    lines.remove(0, closing + 1);
    return result;
}

SermonNodePtr MarkdownCodec::parseDocument(const QStringList& lines)
{
    return parseLines(lines, BodyParser::Titles::One, nullptr).front();
}

std::optional<MarkdownCodec::HeadingLine> MarkdownCodec::parseHeading(QStringView line)
{
    if (!isHeadingLine(line))
        return std::nullopt;
    qsizetype n = 0;
    while (line[n] == u'#')
        ++n;
    return HeadingLine { static_cast<int>(n - 1), trimView(line.sliced(n)).toString() };
}

std::optional<MarkdownCodec::BulletLine> MarkdownCodec::parseBullet(QStringView line)
{
    qint64 width = 0;
    const qsizetype start = bulletTextStart(line, &width);
    if (start < 0)
        return std::nullopt;
    return BulletLine { width, line.sliced(start).toString() };
}

} // namespace kestrion
