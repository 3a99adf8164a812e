#pragma once

#include "document/MarkdownCodec.h"
#include "document/SermonNode.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace kestrion {

// Builds outline nodes from the body lines of a sermon file or from pasted outline text,
// one line at a time.
class BodyParser {
public:
    // A file has one title; a later title heading is a plain line, so that a node whose
    // text begins with "# " never takes the title's place. Pasted text may hold several
    // branches, each starting at its own title heading.
    enum class Titles { One, StartBranches };

    explicit BodyParser(Titles titles);

    void readLine(QStringView line);

    // The root; with Titles::StartBranches one root per title heading.
    std::vector<SermonNodePtr> finish(bool* sawTitle);

private:
    struct OpenBullet {
        SermonNode* node;
        qint64 width;
    };

    SermonNode* lastHeading() const { return m_chain.back(); }

    SermonNode* addChild(SermonNode* parent, const QString& text, bool isQuote);
    void addBullet(QStringView text, qint64 width);
    void addHeading(const MarkdownCodec::HeadingLine& heading);
    void popBullets(qint64 width);
    void flushQuote();
    bool continueBullet(QStringView line, QStringView trimmed);
    void appendLine(SermonNode* node, QStringView line);
    void commitContinuation();

    Titles m_titles;
    std::vector<SermonNodePtr> m_roots;
    std::vector<SermonNode*> m_chain;
    std::vector<OpenBullet> m_bullets;
    QStringList m_quoteLines;
    SermonNode* m_continued = nullptr;
    QString m_continuation;
    bool m_sawTitle = false;
};

// Reads all the lines; sawTitle, when given, tells whether a title heading was among them.
std::vector<SermonNodePtr> parseLines(const QStringList& lines, BodyParser::Titles titles, bool* sawTitle);

} // namespace kestrion
