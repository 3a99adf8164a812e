#pragma once

#include <QString>

namespace kestrion {

// Whether two texts are alike, at once when they share their characters: texts copied from one
// another do, so only edited ones are compared.
inline bool isSameText(const QString& a, const QString& b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

} // namespace kestrion
