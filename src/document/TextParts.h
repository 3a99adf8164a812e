#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace kestrion {

// The format's white space or a line break.
bool isBlankCharacter(QChar c);
// Whether the text holds nothing but white space and line breaks.
bool isBlank(const QString& text);
// The lines of a text, trimmed of the file format's white space, empty ones dropped.
QStringList lineParts(const QString& text);
// The sentences of a text, trimmed of white space and line breaks, empty ones dropped.
QStringList sentenceParts(const QString& text);

} // namespace kestrion
