#pragma once

#include <QStringView>

#include <optional>

namespace kestrion {

// A whole number typed by the user, read strictly: an optional "+" or "-" and one or more ASCII
// digits, nothing else (no spaces, no digits of other scripts, no U+2212), within 64 bits.
std::optional<qint64> parseWholeNumber(QStringView text);

} // namespace kestrion
