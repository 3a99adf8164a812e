#include "document/MarkdownCodec.h"

#include "document/Yaml.h"

#include <algorithm>

namespace kestrion {

Q_LOGGING_CATEGORY(markdownCodecLog, "app.kestrion.Kestrion.MarkdownCodec")

namespace {

constexpr QStringView delimiter = u"---";
constexpr QStringView collapsedMarker = u"[//]: # (collapsed)";
constexpr QStringView headingMarks = u"######";

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

// Position of the bullet's text, or -1 when the line is no bullet.
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

// Removes indentation until at least `columns` are gone; a tab crossing the limit goes
// whole, anything but a space or tab stops the removal.
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

QString normaliseLineEnds(const QString& text)
{
    if (!text.contains(u'\r'))
        return text;
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(u'\r', u'\n');
    return result;
}

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

// ---- Reading ------------------------------------------------------------------------

class BodyParser {
public:
    // A file has one title; a later title heading is a plain line, so that a node whose
    // text begins with "# " never takes the title's place. Pasted text may hold several
    // branches, each starting at its own title heading.
    enum class Titles { One, StartBranches };

    explicit BodyParser(Titles titles)
        : m_titles(titles)
    {
        m_roots.push_back(SermonNode::create(QStringLiteral("Untitled"), 0));
        m_chain.push_back(m_roots.back().get());
    }

    void readLine(QStringView line)
    {
        const QStringView trimmed = trimView(line);
        if (trimmed == collapsedMarker) {
            SermonNode* target = m_bullets.empty() ? lastHeading() : m_bullets.back().node;
            target->setCollapsed(true);
            return;
        }
        if (!m_bullets.empty() && continueBullet(line, trimmed))
            return;
        if (trimmed.startsWith(u'>')) {
            m_bullets.clear();
            QStringView content = trimmed.sliced(1);
            if (content.startsWith(u' '))
                content = content.sliced(1);
            if (!content.isEmpty())
                m_quoteLines.append(content.toString());
            return;
        }
        qint64 width = 0;
        if (const qsizetype start = bulletTextStart(line, &width); start >= 0) {
            flushQuote();
            addBullet(line.sliced(start), width);
            return;
        }
        flushQuote();
        if (trimmed.isEmpty())
            return;
        const auto heading = MarkdownCodec::parseHeading(trimLeadingView(line));
        if (heading && !(heading->level == 0 && m_sawTitle && m_titles == Titles::One)) {
            m_bullets.clear();
            addHeading(*heading);
            return;
        }
        m_bullets.clear();
        addChild(lastHeading(), trimmed.toString(), false);
    }

    // The root; with Titles::StartBranches one root per title heading.
    std::vector<SermonNodePtr> finish(bool* sawTitle)
    {
        flushQuote();
        commitContinuation();
        if (sawTitle)
            *sawTitle = m_sawTitle;
        return std::move(m_roots);
    }

private:
    struct OpenBullet {
        SermonNode* node;
        qint64 width;
    };

    SermonNode* lastHeading() const { return m_chain.back(); }

    SermonNode* addChild(SermonNode* parent, const QString& text, bool isQuote)
    {
        SermonNodePtr node = SermonNode::create(text, parent->depth() + 1);
        node->setQuote(isQuote);
        SermonNode* raw = node.get();
        parent->appendChild(std::move(node));
        return raw;
    }

    void addBullet(QStringView text, qint64 width)
    {
        bool isQuote = false;
        if (text.startsWith(u"> ")) {
            isQuote = true;
            text = text.sliced(2);
        } else if (text == u">") {
            isQuote = true;
            text = {};
        }
        if (width == 0)
            m_bullets.clear();
        else
            popBullets(width);
        if (m_bullets.size() >= static_cast<size_t>(MarkdownCodec::maxBulletNesting))
            m_bullets.pop_back();
        SermonNode* parent = m_bullets.empty() ? lastHeading() : m_bullets.back().node;
        // A quotation never has children: the bullet that gains one is an ordinary node.
        if (!m_bullets.empty())
            parent->setQuote(false);
        m_bullets.push_back({ addChild(parent, text.toString(), isQuote), width });
    }

    void addHeading(const MarkdownCodec::HeadingLine& heading)
    {
        if (heading.level == 0) {
            if (m_sawTitle)
                m_roots.push_back(SermonNode::create(QString(), 0));
            m_roots.back()->setText(heading.text);
            m_chain.assign(1, m_roots.back().get());
            m_sawTitle = true;
            return;
        }
        // Cut back to a shallower heading, so skipped levels give siblings, not nesting.
        while (m_chain.size() > 1 && m_chain.back()->depth() >= heading.level)
            m_chain.pop_back();
        SermonNodePtr node = SermonNode::create(heading.text, heading.level);
        m_chain.push_back(node.get());
        m_chain[m_chain.size() - 2]->appendChild(std::move(node));
    }

    void popBullets(qint64 width)
    {
        while (!m_bullets.empty() && m_bullets.back().width >= width)
            m_bullets.pop_back();
    }

    void flushQuote()
    {
        if (m_quoteLines.isEmpty())
            return;
        addChild(lastHeading(), m_quoteLines.join(u'\n'), true);
        m_quoteLines.clear();
    }

    bool continueBullet(QStringView line, QStringView trimmed)
    {
        if (trimmed.isEmpty())
            return false;
        const OpenBullet& last = m_bullets.back();
        const qint64 limit = last.width + 2;
        if (indentationWidth(line) >= limit) {
            if (isBulletLine(line))
                return false;
            QStringView rest = removeIndentation(line, limit);
            if (last.node->isQuote()) {
                if (rest.startsWith(u"> "))
                    rest = rest.sliced(2);
                else if (rest == u">")
                    rest = {};
                else
                    return false;
            }
            appendLine(last.node, rest);
            return true;
        }
        if (last.node->isQuote() || isBulletLine(line) || isHeadingLine(trimLeadingView(line))
            || trimmed.startsWith(u'>'))
            return false;
        appendLine(last.node, trimmed);
        return true;
    }

    // Continuation lines collect in a buffer and reach the node when another bullet
    // takes them, so a bullet of a million lines is not copied a million times.
    void appendLine(SermonNode* node, QStringView line)
    {
        if (m_continued != node) {
            commitContinuation();
            m_continued = node;
            m_continuation = node->text();
        }
        m_continuation += u'\n';
        m_continuation += line;
    }

    void commitContinuation()
    {
        if (!m_continued)
            return;
        m_continued->setText(m_continuation);
        m_continued = nullptr;
        m_continuation.clear();
    }

    Titles m_titles;
    std::vector<SermonNodePtr> m_roots;
    std::vector<SermonNode*> m_chain;
    std::vector<OpenBullet> m_bullets;
    QStringList m_quoteLines;
    SermonNode* m_continued = nullptr;
    QString m_continuation;
    bool m_sawTitle = false;
};

std::vector<SermonNodePtr> parseLines(const QStringList& lines, BodyParser::Titles titles, bool* sawTitle)
{
    BodyParser parser(titles);
    for (const QString& line : lines)
        parser.readLine(line);
    return parser.finish(sawTitle);
}

// ---- Writing ------------------------------------------------------------------------

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
// after it, a heading adopts them, a quote line joins the quote before it. A later title
// line is a plain line in a file, but starts a branch of its own in pasted text.
bool readsBackAsPlainLine(const QString& text, bool titleLinesArePlain)
{
    if (text.contains(u'\n') || isBulletLine(text))
        return false;
    const QStringView trimmed = trimView(text);
    if (trimmed == collapsedMarker || trimmed.startsWith(u'>'))
        return false;
    const QStringView leading = trimLeadingView(text);
    return !isHeadingLine(leading) || (titleLinesArePlain && leading.startsWith(u"# "));
}

// Children go in bullet mode when a child with children is too deep for a heading or has
// a line feed in its text (a heading is one line), when a childless child follows one with
// children (headings cannot take leaves back), or when a plain leaf would not read back as
// itself (a bullet keeps its text exactly).
bool needsBulletMode(const SermonNode& node, bool titleLinesArePlain)
{
    bool seenParent = false;
    for (const SermonNodePtr& child : node.children()) {
        if (child->hasChildren()) {
            if (child->depth() > MarkdownCodec::deepestHeadingDepth || child->text().contains(u'\n'))
                return true;
            seenParent = true;
        } else if (seenParent) {
            return true;
        } else if (!child->isQuote() && !readsBackAsPlainLine(child->text(), titleLinesArePlain)) {
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

    OutlineWriter(Sink& sink, Levels levels)
        : m_sink(sink)
        , m_levels(levels)
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

    void beginHeadingSection(const SermonNode& node, qint64 level, bool isFirst)
    {
        if (!isFirst)
            m_sink.line();
        m_sink.line(hashes(level), u" ", node.text());
        if (node.isCollapsed())
            m_sink.line(collapsedMarker);
        if (!node.hasChildren())
            return;
        m_sink.line();
        if (needsBulletMode(node, m_levels == Levels::FromDepth))
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
        if (node.isCollapsed())
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
        forEachPart(node.text(), [&](QStringView part) {
            if (first)
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
            forEachPart(child.text(), [&](QStringView part) { m_sink.line(u"> ", part); });
            frame.previousWasQuote = true;
            return;
        }
        m_sink.line(child.text());
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
    std::vector<Frame> m_stack;
};

} // namespace

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

QString MarkdownCodec::serializeDocument(const SermonNodePtr& root, const SermonMetadata& metadata,
    const std::optional<UnreadableFrontMatter>& unreadableFrontMatter)
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
        OutlineWriter<TextSink> writer(sink, OutlineWriter<TextSink>::Levels::FromDepth);
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

    const QString yaml = lines.mid(1, closing - 1).join(u'\n');
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
