#include "app/RecentSermonsStore.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <semaphore>
#include <thread>

#include <pthread.h>
#include <unistd.h>

using namespace kestrion;

namespace {

using Entry = RecentSermonsStore::Entry;

class RecentSermonsStoreTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        return file.fileName();
    }

    std::vector<Entry> load(const QStringList& paths, const RecentSermonsStore::Cache& cache = {}) const
    {
        return RecentSermonsStore::loadEntries(paths, cache, m_locale);
    }

    static void setModified(const QString& path, const QDateTime& time)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    }

    QTemporaryDir m_folder;
    const QLocale m_locale { QLocale::English, QLocale::UnitedStates };
};

TEST_F(RecentSermonsStoreTest, TitlesOccasionsAndFilesLeftOut)
{
    struct Case {
        const char* name;
        QByteArray contents;
        // Empty: no row.
        QString title;
        std::optional<QString> occasion;
    };
    const QString christmas = QStringLiteral("December 25, 2024");
    const std::vector<Case> cases {
        { "titled.md", "# Easter Hope\n\nA point\n", QStringLiteral("Easter Hope"), std::nullopt },
        { "empty.md", "", QStringLiteral("empty"), std::nullopt },
        { "headless.md", "#NoSpace\n  # Indented\n", QStringLiteral("headless"), std::nullopt },
        { "Advent.sermon.md", "plain words\n", QStringLiteral("Advent.sermon"), std::nullopt },
        // A YAML comment counts as a title line; the body parser gives the root its default.
        { "comment.md", "---\n# comment\nscripture: x\n---\nBody line\n", QStringLiteral("Untitled"), std::nullopt },
        // The newest occasion; of two that day, the first in the file.
        { "occasions.md",
            "---\noccasions:\n  - place: Chapel\n    date: 2024-03-31\n  - place: Cathedral\n    date: 2024-12-25\n"
            "  - place: Hall\n    date: 2024-12-25\n---\n# Christmas\n",
            QStringLiteral("Christmas"), QStringLiteral("Cathedral \u00B7 ") + christmas },
        { "noplace.md", "---\noccasions:\n  - place: ''\n    date: 2024-12-25\n---\n# Night\n", QStringLiteral("Night"),
            christmas },
        // A heading line taken into a bullet is no title; the next one is.
        { "continued.md", "- a bullet\n    # continued\n# Real Title\n", QStringLiteral("Real Title"), std::nullopt },
        { "broken.md", "---\noccasions: [unclosed\n---\n# Broken\n", QStringLiteral("Broken"), std::nullopt },
        // A title that shows nothing gives way to the file's name.
        { "blank-title.md", "#  \n\nPoint\n", QStringLiteral("blank-title"), std::nullopt },
        { "invalid.md", "# Bad \xff\xfe bytes\n", QString(), std::nullopt },
        { "truncated.md", "# Cut \xe2\x82", QString(), std::nullopt },
    };
    QStringList paths;
    for (const Case& c : cases) {
        paths.append(write(QString::fromUtf8(c.name), c.contents));
        if (paths.size() == 3) {
            paths.append(m_folder.filePath(QStringLiteral("deleted.md")));
            QDir(m_folder.path()).mkdir(QStringLiteral("folder.md"));
            paths.append(m_folder.filePath(QStringLiteral("folder.md")));
        }
    }

    const std::vector<Entry> entries = load(paths);
    std::vector<const Case*> listed;
    for (const Case& c : cases) {
        if (!c.title.isEmpty())
            listed.push_back(&c);
    }
    ASSERT_EQ(entries.size(), listed.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(listed[i]->name);
        EXPECT_TRUE(entries[i].path.endsWith(QString::fromUtf8(listed[i]->name)));
        EXPECT_EQ(entries[i].title, listed[i]->title);
        EXPECT_EQ(entries[i].occasionLine, listed[i]->occasion);
        EXPECT_TRUE(entries[i].mtime.isValid());
    }
    EXPECT_TRUE(load({}).empty());
}

TEST_F(RecentSermonsStoreTest, OccasionDatesAreCalendarDaysInAnyTimeZone)
{
    const QByteArray zone = qgetenv("TZ");
    SermonOccasion occasion;
    occasion.date = QDate(2024, 12, 25);
    for (const char* tz : { "Pacific/Kiritimati", "Pacific/Pago_Pago", "UTC" }) {
        qputenv("TZ", tz);
        tzset();
        EXPECT_EQ(RecentSermonsStore::formatOccasionLine(occasion, m_locale), QStringLiteral("December 25, 2024"))
            << tz;
    }
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    tzset();
    const QLocale german(QLocale::German, QLocale::Germany);
    occasion.place = QStringLiteral(" Dom ");
    EXPECT_EQ(
        RecentSermonsStore::formatOccasionLine(occasion, german), QStringLiteral(" Dom  \u00B7 25. Dezember 2024"));
}

TEST_F(RecentSermonsStoreTest, UnchangedFilesAreNotReadAgain)
{
    const QString path = write(QStringLiteral("cached.md"), "# First Title\n");
    const QDateTime stamp = QDateTime::currentDateTime().addSecs(-100);
    setModified(path, stamp);
    const std::vector<Entry> first = load({ path });
    ASSERT_EQ(first.size(), 1u);
    RecentSermonsStore::Cache cache { { path, first.front() } };

    // Rewritten within the same second: the cached entry stands.
    write(QStringLiteral("cached.md"), "# Second Title\n");
    setModified(path, stamp.addMSecs(900));
    EXPECT_EQ(load({ path }, cache).front().title, QStringLiteral("First Title"));
    // A second or more later: read again.
    setModified(path, stamp.addSecs(1));
    EXPECT_EQ(load({ path }, cache).front().title, QStringLiteral("Second Title"));
}

TEST_F(RecentSermonsStoreTest, LargeFilesAreReadOnlyAsFarAsTheirTitle)
{
    QByteArray contents = "---\noccasions:\n  - place: Chapel\n    date: 2024-12-25\n---\n# Big Sermon\n\n";
    const QByteArray line = "A line of wording that fills the file\n";
    while (contents.size() <= RecentSermonsStore::wholeReadLimit)
        contents += line;
    // Never reached: reading it would drop the row as not UTF-8.
    contents += "\xff\xff\n";
    const QString path = write(QStringLiteral("big.md"), contents);
    const std::vector<Entry> entries = load({ path });
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.front().title, QStringLiteral("Big Sermon"));
    EXPECT_EQ(entries.front().occasionLine, QStringLiteral("Chapel \u00B7 December 25, 2024"));
}

TEST_F(RecentSermonsStoreTest, AFileIsReadNoFurtherThanTheSizeItGives)
{
    // Files under /proc say they are empty and hold text all the same; some never end, some
    // block, some give their text to one reader only. This thread's name is such a file.
    char name[16] = {};
    ASSERT_EQ(pthread_getname_np(pthread_self(), name, sizeof name), 0);
    ASSERT_EQ(pthread_setname_np(pthread_self(), "# Proc Title"), 0);
    const QString path = QStringLiteral("/proc/self/task/%1/comm").arg(gettid());
    const std::vector<Entry> entries = load({ path });
    pthread_setname_np(pthread_self(), name);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.front().title, QStringLiteral("comm"));
}

TEST_F(RecentSermonsStoreTest, RefreshStoresInOrderAndChangesNothingWhenNothingChanged)
{
    const QString a = write(QStringLiteral("a.md"), "# A\n");
    const QString b = write(QStringLiteral("b.md"), "# B\n");
    RecentSermonsStore store;
    QSignalSpy changed(&store, &RecentSermonsStore::entriesChanged);
    QSignalSpy finished(&store, &RecentSermonsStore::refreshFinished);
    store.refresh({ b, a });
    ASSERT_TRUE(finished.wait(5000));
    ASSERT_EQ(store.entries().size(), 2u);
    EXPECT_EQ(store.entries()[0].title, QStringLiteral("B"));
    EXPECT_EQ(store.cache().size(), 2);
    const qsizetype changes = changed.count();

    store.refresh({ b, a });
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(changed.count(), changes);

    // A file that left the list loses its row; its cache entry stays.
    store.refresh({ a });
    ASSERT_TRUE(finished.wait(5000));
    ASSERT_EQ(store.entries().size(), 1u);
    EXPECT_EQ(store.cache().size(), 2);
}

// A reader whose reads of "stalled" paths wait until released, as on a folder that stalls.
struct StallingReader {
    struct State {
        std::counting_semaphore<> release { 0 };
        std::atomic_int stalledReads = 0;
        std::atomic_int answered = 0;
    };

    RecentSermonsStore::Reader reader() const
    {
        return [state = state](const QString& path, const std::optional<Entry>&) {
            if (path.startsWith(u"stalled")) {
                ++state->stalledReads;
                state->release.acquire();
            }
            ++state->answered;
            return std::optional(Entry { path, path.toUpper(), std::nullopt, QDateTime::currentDateTime() });
        };
    }

    std::shared_ptr<State> state = std::make_shared<State>();
};

std::vector<QString> titles(const RecentSermonsStore& store)
{
    std::vector<QString> titles;
    for (const Entry& entry : store.entries())
        titles.push_back(entry.title);
    return titles;
}

TEST_F(RecentSermonsStoreTest, RowsAreListedAsTheyAreReadAndAFileThatStallsByItsNameAfterTheBound)
{
    StallingReader stalling;
    RecentSermonsStore store;
    store.setReader(stalling.reader());
    store.setAnswerBound(std::chrono::hours(1));
    const QStringList paths { QStringLiteral("first.md"), QStringLiteral("stalled.sermon.md"),
        QStringLiteral("last.md") };
    store.refresh(paths);
    const std::vector<QString> read { QStringLiteral("FIRST.MD"), QStringLiteral("LAST.MD") };
    EXPECT_TRUE(QTest::qWaitFor([&] { return titles(store) == read; }, 5000));
    EXPECT_TRUE(store.isRefreshing());

    // Asked again while it still waits, the file is not read a second time; past the bound
    // it is listed by its name.
    store.setAnswerBound(std::chrono::milliseconds(0));
    QSignalSpy finished(&store, &RecentSermonsStore::refreshFinished);
    store.refresh(paths);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(titles(store), (std::vector { read[0], QStringLiteral("stalled.sermon"), read[1] }));
    EXPECT_EQ(store.entries()[1].occasionLine, std::nullopt);

    // When it answers at last, its row is the file's.
    stalling.state->release.release(2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return titles(store)[1] == u"STALLED.SERMON.MD"; }, 5000));
    EXPECT_EQ(stalling.state->stalledReads, 1);
}

TEST_F(RecentSermonsStoreTest, ALateAnswerForAFileNoLongerListedAddsNoRow)
{
    StallingReader stalling;
    RecentSermonsStore store;
    store.setReader(stalling.reader());
    QSignalSpy finished(&store, &RecentSermonsStore::refreshFinished);
    store.refresh({ QStringLiteral("stalled.md") });
    store.refresh({ QStringLiteral("newer.md") });
    ASSERT_TRUE(finished.wait(5000));
    stalling.state->release.release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return store.cache().contains(QStringLiteral("stalled.md")); }, 5000));
    EXPECT_EQ(titles(store), std::vector { QStringLiteral("NEWER.MD") });
    EXPECT_FALSE(store.isRefreshing());
}

TEST_F(RecentSermonsStoreTest, NothingWaitsAtTheEndForAReadThatNeverReturns)
{
    // The application's end runs in a process of its own: on failure it hangs there, and the
    // alarm ends it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto endWhileAReadBlocks = [] {
        StallingReader stalling;
        auto* store = new RecentSermonsStore;
        store->setReader(stalling.reader());
        store->refresh({ QStringLiteral("stalled.md") });
        while (stalling.state->stalledReads == 0)
            std::this_thread::yield();
        delete store;
        alarm(30);
        // What returning from main() does; the application lives on main()'s stack.
        QCoreApplication::instance()->~QCoreApplication();
        std::_Exit(0);
    };
    EXPECT_EXIT(endWhileAReadBlocks(), ::testing::ExitedWithCode(0), "");
}

} // namespace
