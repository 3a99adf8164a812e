#include "document/BodyParser.h"

#include "document/MarkdownSyntax.h"

#include <utility>

namespace kestrion {

BodyParser::BodyParser(Titles titles)
    : m_titles(titles)
{
    m_roots.push_back(SermonNode::create(QStringLiteral("Untitled"), 0));
    m_chain.push_back(m_roots.back().get());
}

void BodyParser::readLine(QStringView line)
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

std::vector<SermonNodePtr> BodyParser::finish(bool* sawTitle)
{
    flushQuote();
    commitContinuation();
    if (sawTitle)
        *sawTitle = m_sawTitle;
    return std::move(m_roots);
}

SermonNode* BodyParser::addChild(SermonNode* parent, const QString& text, bool isQuote)
{
    SermonNodePtr node = SermonNode::create(text, parent->depth() + 1);
    node->setQuote(isQuote);
    SermonNode* raw = node.get();
    parent->appendChild(std::move(node));
    return raw;
}

void BodyParser::addBullet(QStringView text, qint64 width)
{
    bool isQuote = false;
    if (text.startsWith(u"> ")) {
        isQuote = true;
        text = text.sliced(2);
    } else if (text == u">") {
        isQuote = true;
        text = {};
    } else if (text.startsWith(bulletEscape) && looksLikeQuoteBullet(text.sliced(1))) {
        text = text.sliced(1);
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

void BodyParser::addHeading(const MarkdownCodec::HeadingLine& heading)
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

void BodyParser::popBullets(qint64 width)
{
    while (!m_bullets.empty() && m_bullets.back().width >= width)
        m_bullets.pop_back();
}

void BodyParser::flushQuote()
{
    if (m_quoteLines.isEmpty())
        return;
    addChild(lastHeading(), m_quoteLines.join(u'\n'), true);
    m_quoteLines.clear();
}

bool BodyParser::continueBullet(QStringView line, QStringView trimmed)
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
    if (last.node->isQuote() || isBulletLine(line) || isHeadingLine(trimLeadingView(line)) || trimmed.startsWith(u'>'))
        return false;
    appendLine(last.node, trimmed);
    return true;
}

// Continuation lines collect in a buffer and reach the node when another bullet
// takes them, so a bullet of a million lines is not copied a million times.
void BodyParser::appendLine(SermonNode* node, QStringView line)
{
    if (m_continued != node) {
        commitContinuation();
        m_continued = node;
        m_continuation = node->text();
    }
    m_continuation += u'\n';
    m_continuation += line;
}

void BodyParser::commitContinuation()
{
    if (!m_continued)
        return;
    m_continued->setText(m_continuation);
    m_continued = nullptr;
    m_continuation.clear();
}

std::vector<SermonNodePtr> parseLines(const QStringList& lines, BodyParser::Titles titles, bool* sawTitle)
{
    BodyParser parser(titles);
    for (const QString& line : lines)
        parser.readLine(line);
    return parser.finish(sawTitle);
}

} // namespace kestrion
