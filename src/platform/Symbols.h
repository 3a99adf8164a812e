#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

class QPainter;
class QPainterPath;
class QRectF;

namespace kestrion {

// The few symbol images the interface shows, drawn here by name: "circle.lefthalf.filled",
// "sun.max", "moon", "doc.text", "chevron.down", "chevron.up", "chevron.left", "chevron.right",
// "xmark.circle.fill", "xmark", "plus", "minus", "magnifyingglass", "eye" and "eye.fill" in one
// colour, and the filled discs "play.circle.fill", "pause.circle.fill" and "stop.circle.fill" in
// two. An unknown name draws nothing.
class Symbols {
public:
    static bool hasSymbol(const QString& name);
    // Draws the symbol into the square given, in one colour. A filled disc draws its glyph as a
    // cut-out.
    static void draw(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour);
    // Draws a filled disc in one colour with its glyph in another.
    static void drawDisc(
        QPainter& painter, const QString& name, const QRectF& box, const QColor& disc, const QColor& glyph);
    // The glyph of a filled disc as a path in the square given; empty for other names.
    static QPainterPath discGlyph(const QString& name, const QRectF& box);
    // An icon of the symbol at the given size in device-independent pixels, sharp at 1x and 2x.
    static QIcon icon(const QString& name, const QColor& colour, int size = 18);
};

} // namespace kestrion
