#pragma once

#include <QString>
#include <QUuid>

namespace kestrion {

// A heading to jump to.
struct NavTarget {
    QUuid id;
    qint64 depth = 0;
    QString text;

    bool operator==(const NavTarget&) const = default;
};

} // namespace kestrion
