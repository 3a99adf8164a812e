#pragma once

#include "document/SermonOccasion.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kestrion {

// The rows of the welcome window's recent list: for each recently used sermon file its
// display title and a line naming its newest occasion. The list of files is the document
// machinery's; the store reads each file itself, each on a thread of its own, and remembers
// what it built per path so that an unchanged file is not read again.
//
// A row is listed as soon as its file is read, whatever the others do. A file on a folder that
// stalls may keep its read waiting for ever, and nothing can cancel it: after answerBound the
// row is listed by its file name alone, no second read of the file starts while the first
// waits, and nothing waits for it when the store or the application goes.
//
// entries() and cache() change on the main thread only. The newest refresh decides the rows.
class RecentSermonsStore : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString path;
        QString title;
        // The newest occasion as "place · long date", or the date alone; none without occasions.
        std::optional<QString> occasionLine;
        // The file's modification time when the entry was built; invalid for a file not read.
        QDateTime mtime;

        bool operator==(const Entry&) const = default;
    };
    using Cache = QHash<QString, Entry>;
    // Builds the entry of one path, or none when it gets no row; the cached entry is the one
    // built last for it, if any. Runs on a thread of its own and may block.
    using Reader = std::function<std::optional<Entry>(const QString& path, const std::optional<Entry>& cached)>;

    // Files up to this size are read whole; of larger ones only as much as the front matter
    // and the title need, and never more than headReadLimit. Nothing past the size the file
    // says it has is read.
    static constexpr qint64 wholeReadLimit = 4 * 1024 * 1024;
    static constexpr qint64 headReadLimit = 1024 * 1024;
    // How long a refresh waits for a file before listing it by its name.
    static constexpr std::chrono::milliseconds defaultAnswerBound { 2000 };

    explicit RecentSermonsStore(QObject* parent = nullptr);
    ~RecentSermonsStore() override;

    const std::vector<Entry>& entries() const { return m_entries; }
    const Cache& cache() const { return m_cache; }
    // Some file of the newest refresh has neither answered nor passed the bound.
    bool isRefreshing() const { return m_isRefreshing; }

    // Reads the files and lists each as it answers; a file still unread from an earlier
    // refresh is not read again meanwhile. Returns at once.
    void refresh(const QStringList& paths);

    // Tests put their own in; the default is loadEntry with the user's locale.
    void setReader(Reader reader) { m_reader = std::move(reader); }
    void setAnswerBound(std::chrono::milliseconds bound) { m_answerBound = bound; }

    // The reader's work: a path whose file is gone, unreadable or not UTF-8 gets no entry; a
    // cached entry is kept while the file's modification time moved less than a second.
    static std::optional<Entry> loadEntry(
        const QString& path, const std::optional<Entry>& cached, const QLocale& locale = QLocale());
    // loadEntry for each path, in order, without the paths that get no entry.
    static std::vector<Entry> loadEntries(
        const QStringList& paths, const Cache& cache, const QLocale& locale = QLocale());
    // The row of a file that did not answer: its name less the last extension.
    static Entry nameOnlyEntry(const QString& path);
    // "place · date" or the date alone, the date a calendar day in the locale's long style
    // without its weekday.
    static QString formatOccasionLine(const SermonOccasion& occasion, const QLocale& locale = QLocale());

Q_SIGNALS:
    // entries() changed.
    void entriesChanged();
    // Every file of the newest refresh answered or passed the bound.
    void refreshFinished();

private:
    // Where the reading threads hand their answers in; cleared when the store goes, after
    // which answers are dropped.
    struct Inbox;

    void startReading(const QString& path);
    void answer(const QString& path, std::optional<Entry> entry);
    void passBound(quint64 generation);
    void updateEntries();
    void finishIfSettled();

    Reader m_reader;
    std::chrono::milliseconds m_answerBound = defaultAnswerBound;
    std::vector<Entry> m_entries;
    Cache m_cache;
    // The newest refresh: its paths, the answers it has had (none: no row), and whether its
    // bound has passed.
    QStringList m_paths;
    QHash<QString, std::optional<Entry>> m_answers;
    bool m_isPastBound = false;
    quint64 m_generation = 0;
    bool m_isRefreshing = false;
    // Paths whose read has not answered yet, from any refresh.
    QSet<QString> m_reading;
    std::shared_ptr<Inbox> m_inbox;
};

} // namespace kestrion
