#include "app/RecentSermonsStore.h"

#include "document/MarkdownCodec.h"
#include "document/SermonNode.h"
#include "platform/LongDate.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QStringDecoder>
#include <QtConcurrent>

#include <algorithm>

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
// UTF-8 (as far as it is read).
std::optional<QString> readSermonText(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (size <= RecentSermonsStore::wholeReadLimit) {
        const QByteArray bytes = file.readAll();
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
    while (read < RecentSermonsStore::headReadLimit) {
        const QByteArray chunk = file.read(readChunk);
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
    if (entry.title.trimmed().isEmpty()) {
        // The name less its last extension only.
        const QString name = info.fileName();
        const qsizetype dot = name.lastIndexOf(u'.');
        entry.title = dot > 0 ? name.first(dot) : name;
    }

    const std::vector<SermonOccasion>& occasions = split.metadata.occasions;
    // The newest; among several of that day, the first in the file.
    const auto newest = std::max_element(occasions.begin(), occasions.end(),
        [](const SermonOccasion& a, const SermonOccasion& b) { return a.date < b.date; });
    if (newest != occasions.end())
        entry.occasionLine = RecentSermonsStore::formatOccasionLine(*newest, locale);
    return entry;
}

} // namespace

RecentSermonsStore::RecentSermonsStore(QObject* parent)
    : QObject(parent)
    , m_loader([](const QStringList& paths, const Cache& cache, const std::atomic_bool& cancelled) {
        return loadEntries(paths, cache, cancelled);
    })
{
}

RecentSermonsStore::~RecentSermonsStore()
{
    if (m_cancelled)
        *m_cancelled = true;
}

QString RecentSermonsStore::formatOccasionLine(const SermonOccasion& occasion, const QLocale& locale)
{
    // A calendar day: formatted as it stands, never through a time zone.
    const QString date = LongDate::text(occasion.date, locale);
    if (occasion.place.isEmpty())
        return date;
    return occasion.place + QStringLiteral(" \u00B7 ") + date;
}

std::vector<RecentSermonsStore::Entry> RecentSermonsStore::loadEntries(
    const QStringList& paths, const Cache& cache, const std::atomic_bool& cancelled, const QLocale& locale)
{
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(paths.size()));
    for (const QString& path : paths) {
        if (cancelled)
            return {};
        const QFileInfo info(path);
        if (!info.isFile())
            continue;
        const QDateTime mtime = info.lastModified();
        if (!mtime.isValid())
            continue;
        const auto cached = cache.constFind(path);
        if (cached != cache.cend() && qAbs(cached->mtime.msecsTo(mtime)) < 1000) {
            entries.push_back(*cached);
            continue;
        }
        if (std::optional<Entry> entry = buildEntry(path, info, mtime, locale))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

void RecentSermonsStore::refresh(const QStringList& paths)
{
    if (m_cancelled)
        *m_cancelled = true;
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    m_cancelled = cancelled;
    const quint64 generation = ++m_generation;
    m_isRefreshing = true;
    // The watcher goes with the store: a result that arrives after it is dropped.
    auto* watcher = new QFutureWatcher<std::vector<Entry>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        apply(generation, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(
        [loader = m_loader, paths, cache = m_cache, cancelled] { return loader(paths, cache, *cancelled); }));
}

void RecentSermonsStore::apply(quint64 generation, std::vector<Entry> entries)
{
    // A newer refresh started meanwhile: its result, not this older one, decides.
    if (generation != m_generation)
        return;
    m_isRefreshing = false;
    m_cancelled.reset();
    for (const Entry& entry : entries)
        m_cache.insert(entry.path, entry);
    const bool changed = entries != m_entries;
    if (changed) {
        m_entries = std::move(entries);
        Q_EMIT entriesChanged();
    }
    Q_EMIT refreshFinished();
}

} // namespace kestrion
