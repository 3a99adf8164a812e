#pragma once

#include "document/MarkdownCodec.h"

#include <QRegularExpression>
#include <QStringList>

#include <vector>

namespace kestrion::fuzz {

// The letter and digit runs of texts, sorted. Markup is neither, so reading and writing
// must keep exactly these; only "collapsed" may turn into a marker.
inline QStringList words(const QStringList& texts)
{
    static const QRegularExpression run(QStringLiteral("[\\p{L}\\p{N}]+"));
    QStringList result;
    for (const QString& text : texts) {
        for (const auto& match : run.globalMatch(text)) {
            if (match.captured() != u"collapsed")
                result.append(match.captured());
        }
    }
    result.sort();
    return result;
}

inline QStringList nodeTexts(const std::vector<SermonNodePtr>& roots)
{
    QStringList texts;
    for (const SermonNodePtr& root : roots) {
        for (const SermonNodePtr& node : root->allNodes())
            texts.append(node->text());
    }
    return texts;
}

inline void quiet()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

} // namespace kestrion::fuzz
