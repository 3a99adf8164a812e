#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QStringView>
#include <QTextLayout>

class QFontMetricsF;
class QPainter;
class QPointF;

namespace kestrion {

// Draws and measures text so that the circle emoji of the node markers all show alike, in
// colour and at one size. Seven of the nine come from the colour emoji font by themselves; the
// black and the white circle (U+26AB, U+26AA) are found in the interface font as small plain
// dots, so they are taken from the colour emoji font too. Only the drawing changes: the text
// is drawn and measured as it is stored.
//
// Safe from any thread.
class EmojiText {
public:
    // The colour emoji family, empty when none is installed (then text is drawn as it is).
    static const QString& emojiFamily();
    // Whether the text holds a character drawn from the emoji font here.
    static bool needsEmojiFont(QStringView text);
    // The font of those characters beside text in this font.
    static QFont emojiFont(const QFont& font);

    // For a QTextLayout or a text document of the text: the ranges drawn from the emoji font.
    // Empty when there are none.
    static QList<QTextLayout::FormatRange> formats(QStringView text);
    // The advance of one line of text (no line breaks) in the font.
    static qreal horizontalAdvance(const QFont& font, const QFontMetricsF& metrics, const QString& line);
    // Draws one line in the painter's font and pen, its baseline starting at the point.
    static void drawLine(QPainter& painter, const QPointF& baseline, const QString& line);
};

} // namespace kestrion
