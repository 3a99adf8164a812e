#pragma once

#include <QString>

namespace kestrion {

// A title made safe as a file name and as a document's display name: no path separators,
// none of the characters other systems refuse in names (\ : ? < > | "), no control
// characters (tabs and line breaks become spaces), no leading run of full stops, no white
// space at the ends, never "." or "..", and at most maxBytes bytes of UTF-8, cut between
// whole characters. "Untitled" when nothing is left.
QString sanitizedFileName(const QString& title, qsizetype maxBytes = 255);

} // namespace kestrion
