#pragma once

#include <QString>

namespace kestrion {

// A front matter the YAML decoder could not read. It is kept so that saving writes it back
// exactly as it was, instead of dropping the details the user wrote by hand.
struct UnreadableFrontMatter {
    // The block as read: from the start of the file through the closing "---" line, without
    // that line's line feed. Written back byte for byte.
    QString text;
    // The line of the file where the YAML parser failed, counted from 1; 0 when unknown.
    int line = 0;
    // The parser's description of the problem.
    QString reason;

    bool operator==(const UnreadableFrontMatter&) const = default;
};

} // namespace kestrion
