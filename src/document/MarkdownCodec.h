#pragma once

#include "document/SermonMetadata.h"
#include "document/SermonNode.h"
#include "document/UnreadableFrontMatter.h"

#include <QLoggingCategory>
#include <QSet>
#include <QStringList>
#include <QStringView>
#include <QUuid>

#include <optional>
#include <utility>
#include <vector>

namespace kestrion {

Q_DECLARE_LOGGING_CATEGORY(markdownCodecLog)

// The sermon file format: a YAML front matter for the details, then the outline as
// headings, plain lines, quotes and bullets. Stateless; safe on any thread.
class MarkdownCodec {
public:
    struct FrontMatterSplit {
        SermonMetadata metadata;
        QStringList bodyLines;
        // Set when a front matter with something in it could not be decoded; metadata is
        // then the default.
        std::optional<UnreadableFrontMatter> unreadableFrontMatter;
    };

    // level 0 is the title, 1 to 5 the depth of a section heading.
    struct HeadingLine {
        int level = 0;
        QString text;
    };

    // width is the indentation in columns: a space counts 1, a tab 4.
    struct BulletLine {
        qint64 width = 0;
        QString text;
    };

    // Bullets nest at most this deep (counted within one list); deeper ones become siblings
    // at the deepest level, on reading and on writing alike, so no later walk can run out
    // of stack and no line grows without bound.
    static constexpr int maxBulletNesting = 1000;
    // Deepest node written as a heading.
    static constexpr qint64 deepestHeadingDepth = 5;

    // A node's text written in place of the one it holds (words still being typed).
    struct ReplacedText {
        const SermonNode* node = nullptr;
        QString text;
    };
    using ReplacedTexts = std::vector<ReplacedText>;

    // Writing. A kept unreadable front matter is written as it was read, in place of the
    // details. The nodes with an id in folded are written folded whatever their flag says.
    static QString serializeDocument(const SermonNodePtr& root, const SermonMetadata& metadata,
        const std::optional<UnreadableFrontMatter>& unreadableFrontMatter = std::nullopt,
        const ReplacedTexts& replacedTexts = {}, const QSet<QUuid>& folded = {});
    static std::optional<QString> encodeFrontMatter(const SermonMetadata& metadata);
    // A branch as outline text for Copy Branch, headings counted from level.
    static void writeNodeTree(const SermonNodePtr& node, int level, QStringList& lines, bool isFirst);
    // Copy Branch's text of the nodes: a node with children as its outline under a heading of
    // its own, a quotation as "> " lines, any other node as its text.
    static QString writeBranches(const std::vector<SermonNodePtr>& nodes);
    // Text that Paste rebuilds as these nodes side by side, each with its branch, quotations
    // and folds: Copy Branch's text where it does, else a bullet list.
    static QString writeRemovableBranches(const std::vector<SermonNodePtr>& nodes);

    // Reading.
    static FrontMatterSplit splitFrontMatter(const QString& text);
    static SermonNodePtr parseDocument(const QStringList& lines);
    // A line with its leading whitespace removed; trailing whitespace may remain, so that
    // "## " reads as a heading with empty text.
    static std::optional<HeadingLine> parseHeading(QStringView line);
    // An untrimmed line.
    static std::optional<BulletLine> parseBullet(QStringView line);

    // Pasting: detached nodes at targetDepth + 1, their subtrees numbered from there.
    static std::vector<SermonNodePtr> parsePastedMarkdown(const QString& text, qint64 targetDepth);
    static QStringList splitPlainText(const QString& text);
    // node at depth, each descendant at its parent's depth + 1.
    static void setDepthRecursively(const SermonNodePtr& node, qint64 depth);
    // The same for the node's children from depth; the node itself keeps its depth.
    static void setChildDepths(const SermonNodePtr& node, qint64 depth);

    // The format's whitespace: tab and the Unicode space separators. Line breaks of any
    // kind are not whitespace here.
    static bool isFormatWhitespace(QChar c);
    static QString trimWhitespace(QStringView text);
};

} // namespace kestrion
