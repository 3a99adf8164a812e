#pragma once

#include "columns/WrappedLine.h"
#include "document/SameText.h"

#include <QHash>
#include <QList>
#include <QStaticText>
#include <QString>
#include <QUuid>

#include <vector>

namespace kestrion {

// The wrapped lines of every node of one tree, so that a layout after an edit wraps only what
// changed and the drawing does not wrap again what the layout wrapped. One entry per node,
// kept while the node is in the tree (folded away or not), with the lines prepared for drawing
// once they have been drawn. An entry holds over the range of widths at which its text wraps
// the same, so dragging a column's width wraps again only the texts whose lines change, and
// an edit wraps again only the paragraphs it touched.
class ColumnWrapCache {
public:
    // The lines of the node's text at that width and weight.
    const QList<WrappedLine>& lines(const QUuid& id, const QString& text, qreal width, bool bold)
    {
        return wrap(id, text, width, bold).lines;
    }
    // The same with the widths over which they hold.
    const ColumnTextWrap& wrap(const QUuid& id, const QString& text, qreal width, bool bold)
    {
        return entry(id, text, width, bold).wrap;
    }
    // The number of those lines and the widths over which it holds, without making the lines
    // where the text's measures give them: the layout needs no more.
    qsizetype lineCount(const QUuid& id, const QString& text, qreal width, bool bold, qreal& minWidth, qreal& maxWidth);
    // A node's text to be wrapped at a width and weight.
    struct Request {
        QUuid id;
        QString text;
        qreal width = 0;
        bool bold = false;
    };
    // Wraps at once the texts of the nodes that have no lines of that weight yet, many of them
    // on the worker threads too, so that lines() and lineCount() find them wrapped.
    void wrapAll(const std::vector<Request>& requests);
    // The same lines prepared for drawing, in the columns font of that weight.
    const QList<QStaticText>& drawnLines(const QUuid& id, const QString& text, qreal width, bool bold);
    // Forgets a node that has left the tree.
    void remove(const QUuid& id) { m_entries.remove(id); }
    qsizetype size() const { return m_entries.size(); }
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        QString text;
        bool bold = false;
        bool isWrapped = false;
        ColumnTextWrap wrap;
        // Made on first drawing; dropped when the lines change.
        QList<QStaticText> drawn;
    };

    Entry& entry(const QUuid& id, const QString& text, qreal width, bool bold);

    QHash<QUuid, Entry> m_entries;
};

} // namespace kestrion
