#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

class QPainter;
class QRectF;

namespace kestrion {

// The few symbol images the interface shows, drawn here by name: "circle.lefthalf.filled",
// "sun.max", "moon", "doc.text", "chevron.down", "chevron.up", "chevron.left", "chevron.right",
// "xmark.circle.fill", "xmark", "plus", "minus" and "magnifyingglass". An unknown name draws
// nothing.
class Symbols {
public:
    static bool hasSymbol(const QString& name);
    // Draws the symbol into the square given, in one colour.
    static void draw(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour);
    // An icon of the symbol at the given size in device-independent pixels, sharp at 1x and 2x.
    static QIcon icon(const QString& name, const QColor& colour, int size = 18);
};

} // namespace kestrion
