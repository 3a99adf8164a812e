#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace kestrion {

// Writes a whole file; on failure, error says why and whatever was there before is left whole.
// The document machinery writes through one of these, so tests can make a write fail in a way
// that binds root too.
using FileWriter = std::function<bool(const QString& path, const QByteArray& contents, QString* error)>;

// The longest file name, in bytes, that writeFileAtomically can write over again: it writes
// beside the file under the file's name and seven bytes more, which must fit in one name too.
constexpr qsizetype longestWritableFileName = 255 - 7;

// Write, flush, check that every byte reached the file, fsync, atomic rename into place, then
// the folder synced: the file ends up holding all of the new contents or, on failure, exactly
// what it held before. A name too long to be written over again is refused before anything
// is written. No direct-write fallback.
bool writeFileAtomically(const QString& path, const QByteArray& contents, QString* error);

} // namespace kestrion
