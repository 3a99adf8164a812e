#include "document/MarkdownCodec.h"

#include "document/MarkdownSyntax.h"
#include "document/Yaml.h"

#include <algorithm>
#include <utility>

namespace kestrion {

namespace {

constexpr QStringView headingMarks = u"######";

// Collects lines into one text joined by line feeds.
class TextSink {
public:
    void line(QStringView a = {}, QStringView b = {}, QStringView c = {})
    {
        if (m_count > 0)
            m_text += u'\n';
        m_text += a;
        m_text += b;
        m_text += c;
        ++m_count;
        m_lastIsEmpty = a.isEmpty() && b.isEmpty() && c.isEmpty();
    }
    bool isEmpty() const { return m_count == 0; }
    bool lastIsEmpty() const { return m_lastIsEmpty; }
    QString take() { return std::move(m_text); }

private:
    QString m_text;
    qsizetype m_count = 0;
    bool m_lastIsEmpty = false;
};

class ListSink {
public:
    explicit ListSink(QStringList& lines)
        : m_lines(lines)
    {
    }
    void line(QStringView a = {}, QStringView b = {}, QStringView c = {})
    {
        QString text;
        text.reserve(a.size() + b.size() + c.size());
        text += a;
        text += b;
        text += c;
        m_lines.append(std::move(text));
    }

private:
    QStringList& m_lines;
};

QStringView spaces(qint64 count)
{
    static const QString blank(2 * MarkdownCodec::maxBulletNesting + 2, u' ');
    return QStringView(blank).first(static_cast<qsizetype>(count));
}

QStringView hashes(qint64 level)
{
    return headingMarks.first(static_cast<qsizetype>(std::clamp<qint64>(level + 1, 1, headingMarks.size())));
}

// Whether a childless plain node, written in heading mode as the bare lines of its text,
// reads back as that one node. A text with a line feed, or one that looks like a bullet,
// a heading, a quote or the collapsed marker, would not: a bullet swallows the plain lines
// after it, a heading adopts them, a quote line joins the quote before it. Nor would an
// empty one (a blank line) or one with blanks at its ends (the line is trimmed). A later
// title line is a plain line in a file, but starts a branch of its own in pasted text.
bool readsBackAsPlainLine(const QString& text, bool titleLinesArePlain)
{
    if (text.contains(u'\n') || isBulletLine(text))
        return false;
    const QStringView trimmed = trimView(text);
    if (trimmed.isEmpty() || trimmed.size() != text.size() || trimmed == collapsedMarker || trimmed.startsWith(u'>'))
        return false;
    return !isHeadingLine(trimmed) || (titleLinesArePlain && trimmed.startsWith(u"# "));
}

// Whether a childless quote written in heading mode, one "> " line per part, reads back as
// itself: the lines are trimmed, and one with nothing after the ">" adds nothing.
bool readsBackAsQuoteLines(QStringView text)
{
    bool kept = true;
    forEachPart(text,
        [&](QStringView part) { kept = kept && !part.isEmpty() && !MarkdownCodec::isFormatWhitespace(part.back()); });
    return kept;
}

// Children go in bullet mode when a child with children is too deep for a heading or has
// a line feed or blanks at its ends in its text (a heading is one trimmed line), when a
// childless child follows one with children (headings cannot take leaves back), or when a
// leaf would not read back as itself (a bullet keeps its text exactly).
template <typename TextOf> bool needsBulletMode(const SermonNode& node, bool titleLinesArePlain, const TextOf& textOf)
{
    bool seenParent = false;
    for (const SermonNodePtr& child : node.children()) {
        const QString& text = textOf(*child);
        if (child->hasChildren()) {
            if (child->depth() > MarkdownCodec::deepestHeadingDepth || text.contains(u'\n')
                || trimView(text).size() != text.size())
                return true;
            seenParent = true;
        } else if (seenParent) {
            return true;
        } else if (child->isQuote() ? !readsBackAsQuoteLines(text) : !readsBackAsPlainLine(text, titleLinesArePlain)) {
            return true;
        }
    }
    return false;
}

// Writes the outline with an explicit stack: trees built in memory may be far deeper
// than any stack. In document mode a heading has "#" x (depth + 1); for Copy Branch
// headings count from the level the branch starts at.
template <typename Sink> class OutlineWriter {
public:
    enum class Levels { FromDepth, FromBranch };

    OutlineWriter(Sink& sink, Levels levels, const MarkdownCodec::ReplacedTexts* replacedTexts = nullptr,
        const QSet<QUuid>* folded = nullptr)
        : m_sink(sink)
        , m_levels(levels)
        , m_replacedTexts(replacedTexts)
        , m_folded(folded && !folded->isEmpty() ? folded : nullptr)
    {
    }

    void writeHeadingSection(const SermonNode& node, qint64 level, bool isFirst)
    {
        beginHeadingSection(node, level, isFirst);
        drain();
    }

    void writeBulletItem(const SermonNode& node)
    {
        beginBulletItem(node, 0);
        drain();
    }

private:
    struct Frame {
        const SermonNode* node;
        qint64 level; // heading level, or bullet nesting of the children
        size_t next;
        bool isBulletMode;
        bool previousWasQuote;
    };

    // The text written for node: the latest replacement given for it, else its own.
    const QString& textOf(const SermonNode& node) const
    {
        if (!m_replacedTexts)
            return node.text();
        for (auto replaced = m_replacedTexts->rbegin(); replaced != m_replacedTexts->rend(); ++replaced) {
            if (replaced->node == &node)
                return replaced->text;
        }
        return node.text();
    }

    bool isFolded(const SermonNode& node) const
    {
        return node.isCollapsed() || (m_folded && m_folded->contains(node.id()));
    }

    void beginHeadingSection(const SermonNode& node, qint64 level, bool isFirst)
    {
        if (!isFirst)
            m_sink.line();
        m_sink.line(hashes(level), u" ", textOf(node));
        if (isFolded(node))
            m_sink.line(collapsedMarker);
        if (!node.hasChildren())
            return;
        m_sink.line();
        if (needsBulletMode(node, m_levels == Levels::FromDepth,
                [this](const SermonNode& n) -> const QString& { return textOf(n); }))
            m_stack.push_back({ &node, 0, 0, true, false });
        else
            m_stack.push_back({ &node, level, 0, false, false });
    }

    void beginBulletItem(const SermonNode& node, qint64 nesting)
    {
        const qint64 indent = 2 * std::min<qint64>(nesting, MarkdownCodec::maxBulletNesting - 1);
        if (!node.hasChildren()) {
            writeBulletLeaf(node, spaces(indent), spaces(indent + 2));
            return;
        }
        // Further lines carry the continuation indentation, as a leaf's do: written raw they
        // would lose their own leading blanks to the indentation rule on every save.
        writeBulletLines(node, spaces(indent), spaces(indent + 2), false);
        if (isFolded(node))
            m_sink.line(spaces(indent + 2), collapsedMarker);
        m_stack.push_back({ &node, nesting + 1, 0, true, false });
    }

    void writeBulletLeaf(const SermonNode& node, QStringView item, QStringView continuation)
    {
        writeBulletLines(node, item, continuation, node.isQuote());
    }

    void writeBulletLines(const SermonNode& node, QStringView item, QStringView continuation, bool isQuote)
    {
        bool first = true;
        forEachPart(textOf(node), [&](QStringView part) {
            if (first && !isQuote && looksLikeQuoteBullet(part))
                m_sink.line(item, u"- \\", part);
            else if (first)
                m_sink.line(item, isQuote ? u"- > " : u"- ", part);
            else
                m_sink.line(continuation, isQuote ? u"> " : u"", part);
            first = false;
        });
    }

    void writeHeadingChild(Frame& frame, const SermonNode& child)
    {
        if (child.hasChildren()) {
            frame.previousWasQuote = false;
            if (m_levels == Levels::FromDepth) {
                beginHeadingSection(child, child.depth(), false);
            } else if (frame.level + 1 > MarkdownCodec::deepestHeadingDepth) {
                beginBulletItem(child, 0);
            } else {
                beginHeadingSection(child, frame.level + 1, false);
            }
            return; // frame may dangle now
        }
        if (child.isQuote()) {
            if (frame.previousWasQuote)
                m_sink.line();
            forEachPart(textOf(child), [&](QStringView part) { m_sink.line(u"> ", part); });
            frame.previousWasQuote = true;
            return;
        }
        m_sink.line(textOf(child));
        frame.previousWasQuote = false;
    }

    void drain()
    {
        while (!m_stack.empty()) {
            Frame& frame = m_stack.back();
            const auto& children = frame.node->children();
            if (frame.next == children.size()) {
                m_stack.pop_back();
                continue;
            }
            const SermonNode& child = *children[frame.next++];
            if (frame.isBulletMode)
                beginBulletItem(child, frame.level);
            else
                writeHeadingChild(frame, child);
        }
    }

    Sink& m_sink;
    Levels m_levels;
    // Few: one per editor open on the sermon.
    const MarkdownCodec::ReplacedTexts* m_replacedTexts;
    const QSet<QUuid>* m_folded;
    std::vector<Frame> m_stack;
};

} // namespace

QString MarkdownCodec::serializeDocument(const SermonNodePtr& root, const SermonMetadata& metadata,
    const std::optional<UnreadableFrontMatter>& unreadableFrontMatter, const ReplacedTexts& replacedTexts,
    const QSet<QUuid>& folded)
{
    TextSink sink;
    if (unreadableFrontMatter) {
        sink.line(unreadableFrontMatter->text);
        sink.line();
    } else if (const std::optional<QString> yaml = encodeFrontMatter(metadata)) {
        QStringView body = *yaml;
        if (body.endsWith(u'\n'))
            body.chop(1);
        sink.line(delimiter);
        forEachPart(body, [&](QStringView part) { sink.line(part); });
        sink.line(delimiter);
        sink.line();
    }
    if (root) {
        // The root is the title, whatever depth it carries.
        OutlineWriter<TextSink> writer(sink, OutlineWriter<TextSink>::Levels::FromDepth, &replacedTexts, &folded);
        writer.writeHeadingSection(*root, 0, true);
    }
    if (sink.isEmpty() || !sink.lastIsEmpty())
        sink.line();
    return sink.take();
}

std::optional<QString> MarkdownCodec::encodeFrontMatter(const SermonMetadata& metadata)
{
    if (metadata.isEmpty())
        return std::nullopt;
    return Yaml::emit(metadata.encode());
}

void MarkdownCodec::writeNodeTree(const SermonNodePtr& node, int level, QStringList& lines, bool isFirst)
{
    if (!node)
        return;
    ListSink sink(lines);
    OutlineWriter<ListSink> writer(sink, OutlineWriter<ListSink>::Levels::FromBranch);
    if (level > deepestHeadingDepth)
        writer.writeBulletItem(*node);
    else
        writer.writeHeadingSection(*node, std::max(level, 0), isFirst);
}

QString MarkdownCodec::writeBranches(const std::vector<SermonNodePtr>& nodes)
{
    QStringList pieces;
    for (const SermonNodePtr& node : nodes) {
        if (node->hasChildren()) {
            QStringList lines;
            writeNodeTree(node, 0, lines, true);
            pieces.append(lines.join(u'\n'));
        } else if (node->isQuote()) {
            QStringList lines = node->text().split(u'\n');
            for (QString& line : lines)
                line.prepend(QStringLiteral("> "));
            pieces.append(lines.join(u'\n'));
        } else {
            pieces.append(node->text());
        }
    }
    return pieces.join(u'\n');
}

QString MarkdownCodec::writeRemovableBranches(const std::vector<SermonNodePtr>& nodes)
{
    // Pasted, each title heading starts a branch of its own. A point without children written
    // after a branch would become its child, and a title of more than one line or with blanks
    // at its ends would not read back; bullets keep every point in its place and every text
    // exactly.
    const bool isEachAHeading = std::all_of(nodes.cbegin(), nodes.cend(), [](const SermonNodePtr& node) {
        return node->hasChildren() && !node->text().contains(u'\n')
            && trimView(node->text()).size() == node->text().size();
    });
    if (isEachAHeading)
        return writeBranches(nodes);
    QStringList lines;
    ListSink sink(lines);
    OutlineWriter<ListSink> writer(sink, OutlineWriter<ListSink>::Levels::FromBranch);
    for (const SermonNodePtr& node : nodes)
        writer.writeBulletItem(*node);
    return lines.join(u'\n');
}

} // namespace kestrion
