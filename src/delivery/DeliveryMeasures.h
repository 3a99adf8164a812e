#pragma once

#include <QHash>
#include <QSizeF>
#include <QString>
#include <QUuid>

namespace kestrion {

class DeliveryFonts;

// What laying out the reading page learned of each node's text, its measured size and its
// words, kept from one layout to the next so that a layout measures only the texts that
// changed since. An entry serves only the very text it was measured for, set in the same font
// at the same width and base size: anything else misses, so a measure is never stale.
//
// One entry per node. Entries of nodes that left the tree go by a sweep over the tree: every
// entry found or stored after it began counts as the tree's, and the others go at its end. Main
// thread only.
class DeliveryMeasures {
public:
    // What a measure depends on besides the text.
    struct Key {
        double baseSize = 0;
        // The width the text is set in: the page's text width less the item's indent.
        double width = 0;
        // Headings by depth (the last for every depth from 4 on), then leaves and quote leaves.
        qint8 font = 0;

        bool operator==(const Key&) const = default;
    };
    struct Measure {
        QSizeF size;
        qint64 words = 0;
    };

    static constexpr qint8 leafFont = 5;
    static constexpr qint8 quoteFont = 6;

    // The key of an item of the page: a node at a depth of the page, with children or not.
    static Key key(qint64 depth, bool isLeaf, bool isQuote, double textWidth, double baseSize);
    // Measures a text as the page sets it, in fonts of the key's base size.
    static Measure measure(DeliveryFonts& fonts, const QString& text, const Key& key);

    // The measure of the node's text in that font and width; null when none is kept for them.
    // The node's entry, of whatever text, counts as found for the sweep.
    const Measure* find(const QUuid& id, const QString& text, const Key& key);
    void store(const QUuid& id, const QString& text, const Key& key, const Measure& measure);

    void beginSweep()
    {
        ++m_stamp;
        m_found = 0;
    }
    // Drops the entries neither found nor stored since the sweep began.
    void endSweep();

    qsizetype size() const { return m_entries.size(); }
    // Room for that many entries, before storing many.
    void reserve(qsizetype count)
    {
        // Reserving rehashes the whole table, even to the room it has.
        if (m_entries.capacity() < count)
            m_entries.reserve(count);
    }
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        // Shares the node's characters while the node keeps them.
        QString text;
        Key key;
        Measure measure;
        // The sweep that last found the node.
        quint32 stamp = 0;
    };

    // Marks an entry as found in this sweep.
    void mark(Entry& entry);

    QHash<QUuid, Entry> m_entries;
    quint32 m_stamp = 0;
    // Entries found or stored since the sweep began.
    qsizetype m_found = 0;
};

} // namespace kestrion
