#pragma once

#include <QString>

#include <optional>

namespace kestrion {

// Reads a duration typed into the counter block: whole minutes ("45"), or minutes and seconds
// ("5:30", rounded to the nearest minute, half a minute up). The text is split at every colon
// and empty pieces are dropped, so "5:" reads 5 and ":30" reads 30 minutes; one or two pieces
// must remain. A piece is an optional "+" or "-" and ASCII digits, nothing else: no spaces, no
// digits of other scripts, no U+2212. A result below 1 minute, or above the countdown's day,
// reads as nothing.
std::optional<qint64> parseDurationEntry(const QString& text);

// Whether a text reads as a duration longer than the countdown's day, however many digits it has:
// one that is refused for its length rather than for its form.
bool isDurationEntryAboveBound(const QString& text);

} // namespace kestrion
