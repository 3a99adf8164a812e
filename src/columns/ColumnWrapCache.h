#pragma once

#include "columns/WrappedLine.h"
#include "document/SermonNode.h"

#include <QHash>
#include <QList>
#include <QStaticText>
#include <QString>
#include <QUuid>

namespace kestrion {

// The wrapped lines of every node of one tree, so that a re-layout after an edit wraps only
// the texts that changed and the drawing does not wrap again what the layout just wrapped.
// One entry per node, kept while the node is in the tree (folded away or not), with the lines
// prepared for drawing once they have been drawn.
class ColumnWrapCache {
public:
    // The lines of the node's text at that width and weight, wrapped afresh when any of the
    // three differ from the node's entry.
    const QList<WrappedLine>& lines(const QUuid& id, const QString& text, qreal width, bool bold);
    // The same lines prepared for drawing, in the columns font of that weight.
    const QList<QStaticText>& drawnLines(const QUuid& id, const QString& text, qreal width, bool bold);
    // Drops the entries of nodes that are not in the map.
    void retainOnly(const SermonNodeMap& nodes);
    qsizetype size() const { return m_entries.size(); }
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        QString text;
        qreal width = 0;
        bool bold = false;
        QList<WrappedLine> lines;
        // Made on first drawing; dropped with the lines.
        QList<QStaticText> drawn;
    };

    Entry& entry(const QUuid& id, const QString& text, qreal width, bool bold);

    QHash<QUuid, Entry> m_entries;
};

} // namespace kestrion
