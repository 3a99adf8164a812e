#pragma once

#include "document/SermonOccasion.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kestrion {

// The rows of the welcome window's recent list: for each recently used sermon file its
// display title and a line naming its newest occasion. The list of files is the document
// machinery's; the store reads each file itself, in a worker thread, and remembers what it
// built per path so that an unchanged file is not read again.
//
// entries() and cache() change on the main thread only. A refresh started while another
// runs cancels the older one, whose result is then dropped: the newest request decides.
class RecentSermonsStore : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString path;
        QString title;
        // The newest occasion as "place · long date", or the date alone; none without occasions.
        std::optional<QString> occasionLine;
        // The file's modification time when the entry was built.
        QDateTime mtime;

        bool operator==(const Entry&) const = default;
    };
    using Cache = QHash<QString, Entry>;
    // Builds the entries of the paths that can be read, in order; runs in a worker. It should
    // give up early once cancelled becomes true (its result is dropped then).
    using Loader = std::function<std::vector<Entry>(
        const QStringList& paths, const Cache& cache, const std::atomic_bool& cancelled)>;

    // Files up to this size are read whole; of larger ones only as much as the front matter
    // and the title need, and never more than headReadLimit.
    static constexpr qint64 wholeReadLimit = 4 * 1024 * 1024;
    static constexpr qint64 headReadLimit = 1024 * 1024;

    explicit RecentSermonsStore(QObject* parent = nullptr);
    ~RecentSermonsStore() override;

    const std::vector<Entry>& entries() const { return m_entries; }
    const Cache& cache() const { return m_cache; }
    bool isRefreshing() const { return m_isRefreshing; }

    // Reads the files in a worker and, unless a newer refresh has started meanwhile, stores
    // the result. Returns at once.
    void refresh(const QStringList& paths);

    // Tests put their own loader in; the default is loadEntries with the user's locale.
    void setLoader(Loader loader) { m_loader = std::move(loader); }

    // The loader's work: a path whose file is gone, unreadable or not UTF-8 gets no entry; a
    // cached entry is kept while the file's modification time moved less than a second.
    static std::vector<Entry> loadEntries(const QStringList& paths, const Cache& cache,
        const std::atomic_bool& cancelled, const QLocale& locale = QLocale());
    // "place · date" or the date alone, the date a calendar day in the locale's long style
    // without its weekday.
    static QString formatOccasionLine(const SermonOccasion& occasion, const QLocale& locale = QLocale());

Q_SIGNALS:
    // entries() changed.
    void entriesChanged();
    // A refresh ended and its result, if still the newest, was stored.
    void refreshFinished();

private:
    void apply(quint64 generation, std::vector<Entry> entries);

    Loader m_loader;
    std::vector<Entry> m_entries;
    Cache m_cache;
    quint64 m_generation = 0;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    bool m_isRefreshing = false;
};

} // namespace kestrion
