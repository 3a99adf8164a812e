#include "document/MarkdownCodec.h"

#include "document/BodyParser.h"
#include "document/MarkdownSyntax.h"

#include <utility>

namespace kestrion {

namespace {

QString normaliseLineEnds(const QString& text)
{
    if (!text.contains(u'\r'))
        return text;
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(u'\r', u'\n');
    return result;
}

} // namespace

std::vector<SermonNodePtr> MarkdownCodec::parsePastedMarkdown(const QString& text, qint64 targetDepth)
{
    const QStringList lines = normaliseLineEnds(text).split(u'\n');

    bool hasHeading = false;
    bool hasOutline = false;
    for (const QString& line : lines) {
        if (isHeadingLine(trimLeadingView(line))) {
            hasHeading = true;
            break;
        }
        if (!hasOutline)
            hasOutline = isBulletLine(line) || trimView(line).startsWith(u'>');
    }

    std::vector<SermonNodePtr> result;
    if (hasHeading || hasOutline) {
        bool sawTitle = false;
        std::vector<SermonNodePtr> roots = parseLines(lines, BodyParser::Titles::StartBranches, &sawTitle);
        // Title headings mean whole branches, whatever their titles say.
        if (sawTitle) {
            for (const SermonNodePtr& root : roots) {
                root->setDepth(targetDepth + 1);
                setChildDepths(root, targetDepth + 2);
            }
            return roots;
        }
        result = std::move(roots.front()->mutableChildren());
        for (const SermonNodePtr& node : result)
            setDepthRecursively(node, targetDepth + 1);
        return result;
    }

    for (const QString& piece : splitPlainText(text))
        result.push_back(SermonNode::create(piece, targetDepth + 1));
    return result;
}

QStringList MarkdownCodec::splitPlainText(const QString& text)
{
    QStringList lines;
    forEachPart(normaliseLineEnds(text), [&](QStringView line) {
        const QStringView trimmed = trimView(line);
        if (!trimmed.isEmpty())
            lines.append(trimmed.toString());
    });
    // Several lines are a node each; no line at all means the text was blank, and blank
    // pieces make no nodes.
    if (lines.size() != 1)
        return lines;

    // One line: one piece per sentence.
    QStringList pieces;
    const QStringView sentence = lines.first();
    qsizetype start = 0;
    auto addPiece = [&](qsizetype end) {
        const QStringView piece = trimView(sentence.sliced(start, end - start));
        if (!piece.isEmpty())
            pieces.append(piece.toString());
        start = end;
    };
    for (qsizetype i = 0; i + 1 < sentence.size(); ++i) {
        const QChar c = sentence[i];
        if ((c == u'.' || c == u'!' || c == u'?') && sentence[i + 1].isSpace())
            addPiece(i + 1);
    }
    addPiece(sentence.size());
    return pieces;
}

void MarkdownCodec::setDepthRecursively(const SermonNodePtr& node, qint64 depth)
{
    if (!node)
        return;
    std::vector<std::pair<SermonNode*, qint64>> stack { { node.get(), depth } };
    while (!stack.empty()) {
        auto [current, d] = stack.back();
        stack.pop_back();
        current->setDepth(d);
        for (const SermonNodePtr& child : current->children())
            stack.emplace_back(child.get(), d + 1);
    }
}

void MarkdownCodec::setChildDepths(const SermonNodePtr& node, qint64 depth)
{
    if (!node)
        return;
    for (const SermonNodePtr& child : node->children())
        setDepthRecursively(child, depth);
}

} // namespace kestrion
