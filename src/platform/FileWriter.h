#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace kestrion {

// Writes a whole file; on failure, error says why and whatever was there before is left whole.
// The document machinery writes through one of these, so tests can make a write fail in a way
// that binds root too.
using FileWriter = std::function<bool(const QString& path, const QByteArray& contents, QString* error)>;

// Write, flush, fsync, atomic rename into place, then the folder synced: a crash leaves the
// old file or the new one, never a mix. No direct-write fallback.
bool writeFileAtomically(const QString& path, const QByteArray& contents, QString* error);

} // namespace kestrion
