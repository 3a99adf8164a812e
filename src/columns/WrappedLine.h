#pragma once

#include <QList>
#include <QString>

namespace kestrion {

// One line of a node's text as columns mode shows it, with its top relative to the top of the
// node's box (a multiple of the 28-point line grid).
struct WrappedLine {
    QString string;
    qreal yOffset = 0;

    bool operator==(const WrappedLine&) const = default;
};

// The lines of a node's text in a column of the given width, in the columns font (semibold
// when bold). Line separators and other line breaks start a new line; a paragraph is wrapped
// at word boundaries within the width less 28 (at least 1); a paragraph without any white
// space is one line however long, cut off by the drawing. Line k lies at 28 k, so the number
// of lines alone gives the node's height. Never empty: an empty text is one empty line.
QList<WrappedLine> wrapColumnText(const QString& text, qreal width, bool bold);

} // namespace kestrion
