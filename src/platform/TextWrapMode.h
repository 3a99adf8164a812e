#pragma once

#include <QStringView>
#include <QTextOption>

namespace kestrion {

// How a wrapped text breaks its lines: at word boundaries, and anywhere only inside a word too
// long for a line. Qt looks for the end of such a word once per line, so a very long unbroken
// run (a pasted megabyte without spaces) would take minutes; a text holding one breaks anywhere.
QTextOption::WrapMode wrapModeFor(QStringView text);

} // namespace kestrion
