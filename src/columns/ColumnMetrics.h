#pragma once

#include <QFont>
#include <QtGlobal>

namespace kestrion {

// The fixed measures of columns mode, in points.
class ColumnMetrics {
public:
    static constexpr qreal defaultColumnWidth = 600;
    static constexpr qreal minColumnWidth = 180;
    static constexpr qreal maxColumnWidth = 1200;
    // Every line of text and every ruled line lies on this grid.
    static constexpr qreal lineHeight = 28;
    // A column's text is laid out in its width less this.
    static constexpr qreal textAllowance = 28;
    // The text's left edge from the column's left edge, and its top below its line's top.
    static constexpr qreal textInset = 14;
    static constexpr qreal textTop = 6;
    static constexpr qreal fontSize = 13;
    static constexpr qreal collapsedStripWidth = 44;
    static constexpr qreal handleWidth = 8;

    // The text font: semibold for the title's column, regular elsewhere.
    static QFont font(bool bold);
};

} // namespace kestrion
