#pragma once

#include <QFont>
#include <QString>
#include <QTextLayout>

#include <memory>
#include <utility>
#include <vector>

namespace kestrion {

// One line of node text laid out as the map draws it (EmojiText::drawLine with a painter that
// takes each text's direction from the text itself): the stretches drawn from the emoji font
// and those between them one after another from the left, each in the direction of its own
// first strong character. Tells where any of its characters are shown, in whichever direction
// they run.
class ShownTextLine {
public:
    ShownTextLine(const QString& line, const QFont& font);

    // The horizontal extents, from the line's left edge, left to right, of the characters
    // [from, to) (UTF-16 offsets): one for text of one direction, more where the characters
    // cross from one direction into the other. Empty for an empty range.
    std::vector<std::pair<qreal, qreal>> spans(qsizetype from, qsizetype to) const;

private:
    struct Piece {
        qsizetype start = 0;
        qsizetype end = 0;
        qreal x = 0;
        std::unique_ptr<QTextLayout> layout;
    };

    std::vector<Piece> m_pieces;
};

} // namespace kestrion
