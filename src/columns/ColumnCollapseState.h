#pragma once

#include <QtGlobal>

namespace kestrion {

// A column whose left edge has been panned past the canvas's left edge: shrunk to what is
// still visible, and shown as a 44-point rotated strip once that is 44 points or less.
struct ColumnCollapseState {
    qint64 column = 0;
    qreal fullWidth = 0;
    // Never less than 44.
    qreal visibleWidth = 0;
    bool isRotated = false;

    bool operator==(const ColumnCollapseState&) const = default;
};

} // namespace kestrion
