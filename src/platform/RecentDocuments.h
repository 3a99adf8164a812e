#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace kestrion {

// The recently used files, most recent first, by canonical path, kept in the settings under
// "recentDocuments". Files that no longer exist are left out when the list is read.
class RecentDocuments {
public:
    static inline const QString settingsKey = QStringLiteral("recentDocuments");
    static constexpr qsizetype maximumCount = 10;

    // The settings must outlive this object.
    explicit RecentDocuments(QSettings& settings);

    QStringList paths() const;
    // Moves the file to the front; a path that does not resolve to a file is ignored.
    void add(const QString& path);
    void remove(const QString& path);
    void clear();

private:
    QStringList storedPaths() const;

    QSettings& m_settings;
};

} // namespace kestrion
