#include "platform/TextWrapMode.h"

namespace kestrion {

namespace {

// Far wider than any line, and short enough that Qt's search stays in milliseconds.
constexpr qsizetype longestRunBrokenAtWords = 10'000;

} // namespace

QTextOption::WrapMode wrapModeFor(QStringView text)
{
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > longestRunBrokenAtWords)
            return QTextOption::WrapAnywhere;
    }
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

} // namespace kestrion
