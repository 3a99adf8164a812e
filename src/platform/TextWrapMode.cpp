#include "platform/TextWrapMode.h"

namespace kestrion {

namespace {

// Far wider than any line, and short enough that Qt's search stays in milliseconds.
constexpr qsizetype longestRunBrokenAtWords = 10'000;

} // namespace

QTextOption::WrapMode wrapModeFor(QStringView text)
{
    // Every text a page or column lays out passes here: most are far too short to hold such a run.
    if (text.size() <= longestRunBrokenAtWords)
        return QTextOption::WrapAtWordBoundaryOrAnywhere;
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > longestRunBrokenAtWords)
            return QTextOption::WrapAnywhere;
    }
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

} // namespace kestrion
