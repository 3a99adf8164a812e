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

// Draws and measures text so that the nine circle markers (MarkerCircles) all show alike, in
// colour and at one size, whatever other fonts are installed: each is taken from the colour
// emoji font by name. Left to fallback, some would come from a font found first that draws them
// as plain dots or hatched circles (DejaVu Sans for the black and the white circle, Noto Sans
// Symbols 2 for five of the coloured ones). Every other character, other emoji included, is
// drawn as the font machinery finds it. Only the drawing changes: the text is drawn and
// measured as it is stored.
//
// Safe from any thread.
class EmojiText {
public:
    // The colour emoji family, empty when none is installed (then text is drawn as it is).
    static const QString& emojiFamily();
    // Whether the text holds a marker drawn from the emoji font here.
    static bool needsEmojiFont(QStringView text);
    // The font of those characters beside text in this font.
    static QFont emojiFont(const QFont& font);

    // For a QTextLayout or a text document of the text: the markers' ranges, drawn from the
    // emoji font. Empty when there are none.
    static QList<QTextLayout::FormatRange> formats(QStringView text);
    // The advance of one line of text (no line breaks) in the font.
    static qreal horizontalAdvance(const QFont& font, const QFontMetricsF& metrics, const QString& line);
    // Draws one line in the painter's font and pen, its baseline starting at the point.
    static void drawLine(QPainter& painter, const QPointF& baseline, const QString& line);
};

} // namespace kestrion
