#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QLineEdit;
class QPainter;
class QRectF;
class QWidget;

namespace kestrion {

// The fonts, colours and small shapes the details sheets share, taken from the widget's palette
// so that they follow the appearance.
namespace SheetStyle {

// Secondary text: labels take this role, which the palettes give a grey of their text colour.
inline constexpr QPalette::ColorRole secondaryRole = QPalette::PlaceholderText;

// Sizes of the text styles, in points.
inline constexpr qreal bodySize = 13;
inline constexpr qreal title2Size = 17;
inline constexpr qreal headlineSize = 13;
inline constexpr qreal calloutSize = 12;
inline constexpr qreal captionSize = 10;

QFont title2Font();
QFont headlineFont();
QFont bodyFont();
// Digits of equal width: numbers that change stay in place.
QFont calloutDigitsFont();
QFont captionFont();

// The text colour at the given opacity.
QColor primary(const QPalette& palette, qreal opacity = 1.0);
// The colour of secondary text, optionally faded further.
QColor secondary(const QPalette& palette, qreal opacity = 1.0);
QColor accent(const QPalette& palette);
QColor red(qreal opacity);
QColor withAlpha(QColor color, qreal alpha);

// A capsule (a rectangle with fully rounded ends) filled with one colour.
void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color);
// A text field in the plain style: no frame and no fill of its own, so that it lies on the card.
void makePlainField(QLineEdit* field);
// A one-point rule in the secondary colour at 0.15 that takes no part in horizontal sizing.
QWidget* makeDivider(QWidget* parent);

} // namespace SheetStyle

} // namespace kestrion
