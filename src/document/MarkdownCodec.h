#pragma once

#include "document/SermonMetadata.h"
#include "document/SermonNode.h"

#include <QLoggingCategory>
#include <QStringList>

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
    };

    // Writing.
    static QString serializeDocument(const SermonNodePtr& root, const SermonMetadata& metadata);
    static std::optional<QString> encodeFrontMatter(const SermonMetadata& metadata);
    // A branch as outline text for Copy Branch, headings counted from level.
    static void writeNodeTree(const SermonNodePtr& node, int level, QStringList& lines, bool isFirst);

    // Reading.
    static FrontMatterSplit splitFrontMatter(const QString& text);
    static SermonNodePtr parseDocument(const QStringList& lines);

    // Pasting: detached nodes at targetDepth + 1, their subtrees numbered from there.
    static std::vector<SermonNodePtr> parsePastedMarkdown(const QString& text, qint64 targetDepth);
    static QStringList splitPlainText(const QString& text);
};

} // namespace kestrion
