#include "app/RecentSermonsStore.h"

#include "document/MarkdownCodec.h"
#include "document/SermonNode.h"
#include "platform/BackgroundThreads.h"
#include "platform/LongDate.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace kestrion {

namespace {

constexpr qint64 readChunk = 64 * 1024;

QStringView withoutLeadingWhitespace(QStringView line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == u' ' || MarkdownCodec::isFormatWhitespace(line[i])))
        ++i;
    return line.sliced(i);
}

QStringView withoutLineEnd(QStringView line)
{
    return line.endsWith(u'\r') ? line.chopped(1) : line;
}

// A line the body parser may take for the title heading.
bool isTitleCandidate(QStringView line)
{
    const std::optional<MarkdownCodec::HeadingLine> heading
        = MarkdownCodec::parseHeading(withoutLeadingWhitespace(line));
    return heading && heading->level == 0;
}

// The root's text as the body parser makes it. The parser takes the first title heading it
// accepts and never changes it later, so the lines up to the first candidate are enough,
// unless the parser passed that one over (then the root keeps its default text).
QString rootText(const QStringList& bodyLines)
{
    static const QString defaultText = MarkdownCodec::parseDocument({})->text();
    for (qsizetype i = 0; i < bodyLines.size(); ++i) {
        if (!isTitleCandidate(bodyLines[i]))
            continue;
        const QString text = MarkdownCodec::parseDocument(bodyLines.first(i + 1))->text();
        if (text != defaultText)
            return text;
        break;
    }
    return MarkdownCodec::parseDocument(bodyLines)->text();
}

// Follows the lines of a file's start until its front matter and title are known.
class HeadScan {
public:
    void addLine(QStringView line)
    {
        line = withoutLineEnd(line);
        const bool isDelimiter = MarkdownCodec::trimWhitespace(line) == u"---";
        if (m_lineCount++ == 0)
            m_isInFrontMatter = isDelimiter;
        else if (m_isInFrontMatter && isDelimiter)
            m_isInFrontMatter = false;
        else if (!m_isInFrontMatter && !m_hasBodyTitle)
            m_hasBodyTitle = isTitleCandidate(line);
        m_hasTitleLine = m_hasTitleLine || line.startsWith(u"# ");
    }

    bool isComplete() const { return m_lineCount > 0 && !m_isInFrontMatter && m_hasTitleLine && m_hasBodyTitle; }

private:
    qsizetype m_lineCount = 0;
    bool m_isInFrontMatter = false;
    bool m_hasTitleLine = false;
    bool m_hasBodyTitle = false;
};

// The file's text; of a large file only its start. None when it cannot be read or is not
// UTF-8 (as far as it is read). Nothing past the size it had is read: a file that says it is
// empty but never ends (those under /proc) is taken for empty, and reading it would take what
// some of them hold from their other readers.
std::optional<QString> readSermonText(const QString& path, qint64 size)
{
    QFile file(path);
    // Unbuffered: a buffer would read ahead of what is asked for.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    if (size <= RecentSermonsStore::wholeReadLimit) {
        const QByteArray bytes = file.read(size);
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        // Stateless: a sequence cut off at the end of the file is an error too.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(bytes);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }

    // Stateful: a character may be split between two chunks.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text;
    HeadScan scan;
    qsizetype scanned = 0;
    qint64 read = 0;
    const qint64 limit = std::min(size, RecentSermonsStore::headReadLimit);
    while (read < limit) {
        const QByteArray chunk = file.read(std::min(readChunk, limit - read));
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        if (chunk.isEmpty())
            break;
        read += chunk.size();
        text += decoder.decode(chunk);
        if (decoder.hasError())
            return std::nullopt;
        for (qsizetype end = text.indexOf(u'\n', scanned); end >= 0; end = text.indexOf(u'\n', scanned)) {
            scan.addLine(QStringView(text).sliced(scanned, end - scanned));
            scanned = end + 1;
        }
        if (scan.isComplete())
            break;
    }
    // Whole lines only: the last one may be cut anywhere.
    text.truncate(scanned);
    return text;
}

bool hasTitleLine(const QString& text)
{
    qsizetype start = 0;
    while (start <= text.size()) {
        if (QStringView(text).sliced(start).startsWith(u"# "))
            return true;
        const qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            return false;
        start = end + 1;
    }
    return false;
}

std::optional<RecentSermonsStore::Entry> buildEntry(
    const QString& path, const QFileInfo& info, const QDateTime& mtime, const QLocale& locale)
{
    const std::optional<QString> text = readSermonText(path, info.size());
    if (!text)
        return std::nullopt;
    const MarkdownCodec::FrontMatterSplit split = MarkdownCodec::splitFrontMatter(*text);

    RecentSermonsStore::Entry entry;
    entry.path = path;
    entry.mtime = mtime;
    if (hasTitleLine(*text))
        entry.title = rootText(split.bodyLines);
    // A blank title would make a row without anything to click on: the file's name instead.
    if (entry.title.trimmed().isEmpty())
        entry.title = RecentSermonsStore::nameOnlyEntry(path).title;

    const std::vector<SermonOccasion>& occasions = split.metadata.occasions;
    // The newest; among several of that day, the first in the file.
    const auto newest = std::max_element(occasions.begin(), occasions.end(),
        [](const SermonOccasion& a, const SermonOccasion& b) { return a.date < b.date; });
    if (newest != occasions.end())
        entry.occasionLine = RecentSermonsStore::formatOccasionLine(*newest, locale);
    return entry;
}

} // namespace

struct RecentSermonsStore::Inbox {
    std::mutex mutex;
    RecentSermonsStore* store = nullptr;
};

RecentSermonsStore::RecentSermonsStore(QObject* parent)
    : QObject(parent)
    , m_reader([](const QString& path, const std::optional<Entry>& cached) { return loadEntry(path, cached); })
    , m_inbox(std::make_shared<Inbox>())
{
    m_inbox->store = this;
}

RecentSermonsStore::~RecentSermonsStore()
{
    // Reads still under way run on and drop their answers; answers already sent go with this
    // object's posted events.
    const std::lock_guard lock(m_inbox->mutex);
    m_inbox->store = nullptr;
}

QString RecentSermonsStore::formatOccasionLine(const SermonOccasion& occasion, const QLocale& locale)
{
    // A calendar day: formatted as it stands, never through a time zone.
    const QString date = LongDate::text(occasion.date, locale);
    if (occasion.place.isEmpty())
        return date;
    return occasion.place + QStringLiteral(" \u00B7 ") + date;
}

RecentSermonsStore::Entry RecentSermonsStore::nameOnlyEntry(const QString& path)
{
    // The name less its last extension only.
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return Entry { path, dot > 0 ? name.first(dot) : name, std::nullopt, QDateTime() };
}

std::optional<RecentSermonsStore::Entry> RecentSermonsStore::loadEntry(
    const QString& path, const std::optional<Entry>& cached, const QLocale& locale)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    const QDateTime mtime = info.lastModified();
    if (!mtime.isValid())
        return std::nullopt;
    if (cached && cached->mtime.isValid() && qAbs(cached->mtime.msecsTo(mtime)) < 1000)
        return cached;
    return buildEntry(path, info, mtime, locale);
}

std::vector<RecentSermonsStore::Entry> RecentSermonsStore::loadEntries(
    const QStringList& paths, const Cache& cache, const QLocale& locale)
{
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(paths.size()));
    for (const QString& path : paths) {
        const auto cached = cache.constFind(path);
        if (std::optional<Entry> entry
            = loadEntry(path, cached != cache.cend() ? std::optional(*cached) : std::nullopt, locale))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

void RecentSermonsStore::refresh(const QStringList& paths)
{
    const quint64 generation = ++m_generation;
    m_paths = paths;
    m_answers.clear();
    m_isPastBound = false;
    m_isRefreshing = true;
    for (const QString& path : paths) {
        if (!m_reading.contains(path))
            startReading(path);
    }
    QTimer::singleShot(m_answerBound, this, [this, generation] { passBound(generation); });
    // Rows of files that left the list go on the next turn, as every change the refresh makes.
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation != m_generation)
                return;
            updateEntries();
            finishIfSettled();
        },
        Qt::QueuedConnection);
}

void RecentSermonsStore::startReading(const QString& path)
{
    const auto cached = m_cache.constFind(path);
    std::optional<Entry> entry = cached != m_cache.cend() ? std::optional(*cached) : std::nullopt;
    // A thread of its own that nothing ever waits for: a read that blocks for good holds
    // neither the other rows nor the end of the application.
    try {
        std::thread([inbox = m_inbox, reader = m_reader, path, cached = std::move(entry)] {
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), BackgroundThreads::niceness);
            std::optional<Entry> read = reader(path, cached);
            const std::lock_guard lock(inbox->mutex);
            if (RecentSermonsStore* store = inbox->store) {
                QMetaObject::invokeMethod(
                    store, [store, path, read = std::move(read)]() mutable { store->answer(path, std::move(read)); },
                    Qt::QueuedConnection);
            }
        }).detach();
        m_reading.insert(path);
    } catch (const std::system_error&) {
        // No thread to be had: the row waits for the bound, and the next refresh tries again.
    }
}

void RecentSermonsStore::answer(const QString& path, std::optional<Entry> entry)
{
    m_reading.remove(path);
    if (entry)
        m_cache.insert(path, *entry);
    // Whenever it was asked for, it is the newest word on the file.
    if (!m_paths.contains(path))
        return;
    m_answers.insert(path, std::move(entry));
    updateEntries();
    finishIfSettled();
}

void RecentSermonsStore::passBound(quint64 generation)
{
    if (generation != m_generation)
        return;
    m_isPastBound = true;
    updateEntries();
    finishIfSettled();
}

void RecentSermonsStore::updateEntries()
{
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(m_paths.size()));
    for (const QString& path : std::as_const(m_paths)) {
        if (const auto answered = m_answers.constFind(path); answered != m_answers.cend()) {
            if (*answered)
                entries.push_back(**answered);
            continue;
        }
        // Not answered yet: the row shown for it stays meanwhile; a file shown for the first
        // time waits for the bound.
        const auto shown = std::find_if(
            m_entries.begin(), m_entries.end(), [&path](const Entry& entry) { return entry.path == path; });
        if (shown != m_entries.end())
            entries.push_back(*shown);
        else if (m_isPastBound)
            entries.push_back(nameOnlyEntry(path));
    }
    if (entries == m_entries)
        return;
    m_entries = std::move(entries);
    Q_EMIT entriesChanged();
}

void RecentSermonsStore::finishIfSettled()
{
    if (!m_isRefreshing)
        return;
    const bool isAnswered = std::all_of(
        m_paths.cbegin(), m_paths.cend(), [this](const QString& path) { return m_answers.contains(path); });
    if (!isAnswered && !m_isPastBound)
        return;
    m_isRefreshing = false;
    Q_EMIT refreshFinished();
}

} // namespace kestrion
