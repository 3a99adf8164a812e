#pragma once

#include <QRectF>
#include <QString>
#include <QUuid>

namespace kestrion {

// One drawable item of the reading page, in content coordinates.
struct DeliveryItem {
    enum class Kind {
        // A node that has children.
        Heading,
        // The rule under a depth-1 heading, at y, width long.
        HeadingDivider,
        // A node without children.
        Leaf,
        // The label of one elapsed minute, its baseline at y.
        TimeMarker,
    };

    Kind kind = Kind::Leaf;
    QUuid id;
    qint64 depth = 0;
    // The node's text unchanged, or the marker's label.
    QString text;
    // The measured text of a heading or leaf.
    QRectF frame;
    bool isQuote = false;
    // A minute label too close below the one shown before it to be read; it is not drawn.
    bool isCrowded = false;
    double y = 0;
    double width = 0;

    bool hasFrame() const { return kind == Kind::Heading || kind == Kind::Leaf; }
    double top() const { return hasFrame() ? frame.top() : y; }
    double bottom() const { return hasFrame() ? frame.bottom() : y; }
};

} // namespace kestrion
