#pragma once

#include <QString>

namespace kestrion {

// A front matter the YAML decoder could not read, or could read only in part. It is kept so
// that saving writes it back exactly as it was, instead of dropping what the user wrote by hand.
struct UnreadableFrontMatter {
    // The block as read: from the start of the file through the closing "---" line, without
    // that line's line feed. Written back byte for byte.
    QString text;
    // The line of the file where the YAML parser failed, counted from 1; 0 when unknown.
    int line = 0;
    // The parser's description of the problem, or what of the details could not be read.
    QString reason;
    // The details were read, all but what reason names; they are the document's details.
    bool isPartlyRead = false;

    bool operator==(const UnreadableFrontMatter&) const = default;
};

} // namespace kestrion
