#pragma once

#include "document/MarkdownCodec.h"
#include "document/SermonNode.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <ostream>
#include <utility>
#include <vector>

// Readable test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[';
    for (const QString& text : list) {
        PrintTo(text, os);
        *os << ", ";
    }
    *os << ']';
}

namespace kestrion::test {

// A tree written down in tests: text, children and flags; depth -1 means parent's + 1.
struct N {
    QString text;
    std::vector<N> children;
    bool quote = false;
    bool collapsed = false;
    qint64 depth = -1;
};

inline N leaf(const QString& text)
{
    return N { text, {}, false, false, -1 };
}

inline N quote(const QString& text)
{
    return N { text, {}, true, false, -1 };
}

inline N node(const QString& text, std::vector<N> children)
{
    return N { text, std::move(children), false, false, -1 };
}

inline N folded(N outline)
{
    outline.collapsed = true;
    return outline;
}

inline N at(qint64 depth, N outline)
{
    outline.depth = depth;
    return outline;
}

inline SermonNodePtr build(const N& outline, qint64 depth = 0)
{
    const qint64 own = outline.depth >= 0 ? outline.depth : depth;
    SermonNodePtr result = SermonNode::create(outline.text, own);
    result->setQuote(outline.quote);
    result->setCollapsed(outline.collapsed);
    for (const N& child : outline.children)
        result->appendChild(build(child, own + 1));
    return result;
}

inline QString escaped(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\r', QStringLiteral("\\r"));
    text.replace(QChar(0x2028), QStringLiteral("\\L"));
    return text;
}

// One line per node in preorder, indented by its place in the tree; "> " marks a quote and
// "\\" the text of another node that starts with ">", "[+] " a collapsed node, and "@d" a
// depth that differs from the place.
inline QString dump(const SermonNodePtr& root, qint64 rootLevel = 0)
{
    QString out;
    std::vector<std::pair<const SermonNode*, qint64>> stack { { root.get(), rootLevel } };
    while (!stack.empty()) {
        auto [n, level] = stack.back();
        stack.pop_back();
        out += QString(static_cast<qsizetype>(2 * (level - rootLevel)), u' ');
        if (n->isQuote())
            out += QStringLiteral("> ");
        if (n->isCollapsed())
            out += QStringLiteral("[+] ");
        if (!n->isQuote() && n->text().startsWith(u'>'))
            out += u'\\';
        out += escaped(n->text());
        if (n->depth() != level)
            out += QStringLiteral("@%1").arg(n->depth());
        out += u'\n';
        for (auto it = n->children().rbegin(); it != n->children().rend(); ++it)
            stack.emplace_back(it->get(), level + 1);
    }
    return out;
}

inline QString dump(const N& outline)
{
    return dump(build(outline));
}

inline SermonNodePtr readBody(const QString& text)
{
    return MarkdownCodec::parseDocument(MarkdownCodec::splitFrontMatter(text).bodyLines);
}

inline QString readAndWrite(const QString& text)
{
    const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(text);
    return MarkdownCodec::serializeDocument(MarkdownCodec::parseDocument(split.bodyLines), split.metadata);
}

} // namespace kestrion::test
