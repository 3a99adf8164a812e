#pragma once

#include <QList>
#include <QString>
#include <QtNumeric>

#include <memory>
#include <optional>
#include <vector>

namespace kestrion {

class ColumnLineBreaks;

// One line of a node's text as columns mode shows it, with its top relative to the top of the
// node's box (a multiple of the 28-point line grid).
struct WrappedLine {
    QString string;
    qreal yOffset = 0;

    bool operator==(const WrappedLine&) const = default;
};

// The lines of a node's text in a column of the given width, in the columns font (semibold
// when bold). Line separators and other line breaks start a new line; a paragraph is wrapped
// within the width less 28 (at least 1) where its script allows a break: at word boundaries,
// between Chinese or Japanese characters. A paragraph with no such place (one long word) is
// one line however long, cut off by the drawing. Line k lies at 28 k, so the number of lines
// alone gives the node's height. Never empty: an empty text is one empty line.
QList<WrappedLine> wrapColumnText(const QString& text, qreal width, bool bold);

// The text with every kind of line break as a line feed, a carriage return with its line feed
// as one: the paragraphs that the columns and their editor break a text into.
QString columnParagraphs(const QString& text);

// How one text wraps, with what a cache needs to use it again: the column widths over which the
// same lines hold, and where each paragraph's lines lie, so that an edit wraps again only the
// paragraphs it touched.
struct ColumnTextWrap {
    struct Paragraph {
        // In the text's paragraphs (columnParagraphs), without the line feed that ends it.
        qsizetype start = 0;
        qsizetype length = 0;
        qsizetype firstLine = 0;
        qsizetype lineCount = 0;
        qreal minWidth = 0;
        qreal maxWidth = qInf();
        // Where it breaks, measured the first time it is wrapped again at another width: none
        // when its lines cannot be foreseen from it.
        std::shared_ptr<const ColumnLineBreaks> breaks;
        bool isMeasured = false;
    };

    // The text's paragraphs as wrapped.
    QString paragraphs;
    QList<WrappedLine> lines;
    std::vector<Paragraph> parts;
    // Every column width from minWidth to maxWidth gives these lines.
    qreal minWidth = 0;
    qreal maxWidth = qInf();

    // The lines of text at width, wrapping again only what differs from what this holds: the
    // paragraphs an edit touched, or all of them at a width outside the range.
    ColumnTextWrap rewrapped(const QString& text, qreal width, bool bold) const;
    // The same text at another width.
    ColumnTextWrap rewrapped(qreal width, bool bold) const;
    // How many lines the same text has at another width, and the widths over which that holds,
    // found without wrapping when every paragraph holds there or was measured; none otherwise.
    std::optional<qsizetype> lineCount(qreal width, qreal& minWidth, qreal& maxWidth) const;

    static ColumnTextWrap wrap(const QString& text, qreal width, bool bold);
};

} // namespace kestrion
