#include "platform/RecentDocuments.h"

#include <QFileInfo>
#include <QSettings>

namespace kestrion {

RecentDocuments::RecentDocuments(QSettings& settings)
    : m_settings(settings)
{
}

QStringList RecentDocuments::storedPaths() const
{
    // Outside input: anything may be stored there.
    const QVariant value = m_settings.value(settingsKey);
    return value.canConvert<QStringList>() ? value.toStringList() : QStringList();
}

QStringList RecentDocuments::paths() const
{
    QStringList result;
    for (const QString& path : storedPaths()) {
        const QFileInfo info(path);
        if (info.isAbsolute() && info.isFile() && !result.contains(path))
            result.append(path);
        if (result.size() == maximumCount)
            break;
    }
    return result;
}

void RecentDocuments::add(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isFile())
        return;
    QStringList list = paths();
    list.removeAll(canonical);
    list.prepend(canonical);
    while (list.size() > maximumCount)
        list.removeLast();
    m_settings.setValue(settingsKey, list);
}

void RecentDocuments::remove(const QString& path)
{
    QStringList list = storedPaths();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (list.removeAll(path) + (canonical.isEmpty() ? 0 : list.removeAll(canonical)) > 0)
        m_settings.setValue(settingsKey, list);
}

void RecentDocuments::clear()
{
    m_settings.remove(settingsKey);
}

} // namespace kestrion
