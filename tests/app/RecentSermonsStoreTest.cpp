#include "app/RecentSermonsStore.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <ctime>
#include <semaphore>

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
        const std::atomic_bool cancelled = false;
        return RecentSermonsStore::loadEntries(paths, cache, cancelled, m_locale);
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
    EXPECT_EQ(changed.count(), 1);

    store.refresh({ b, a });
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(changed.count(), 1);

    // A file that left the list loses its row; its cache entry stays.
    store.refresh({ a });
    ASSERT_TRUE(finished.wait(5000));
    ASSERT_EQ(store.entries().size(), 1u);
    EXPECT_EQ(store.cache().size(), 2);
}

TEST_F(RecentSermonsStoreTest, AnOlderRefreshThatFinishesLastNeverOverwritesTheNewer)
{
    RecentSermonsStore store;
    std::binary_semaphore release(0);
    std::atomic_bool olderSawCancel = false;
    store.setLoader([&](const QStringList& paths, const RecentSermonsStore::Cache&, const std::atomic_bool& cancelled) {
        if (paths.front() == u"older") {
            release.acquire();
            olderSawCancel = cancelled.load();
        }
        return std::vector<Entry> { Entry { paths.front(), paths.front(), std::nullopt, QDateTime() } };
    });
    QSignalSpy finished(&store, &RecentSermonsStore::refreshFinished);
    store.refresh({ QStringLiteral("older") });
    store.refresh({ QStringLiteral("newer") });
    ASSERT_TRUE(finished.wait(5000));
    release.release();
    QTest::qWait(100);
    QCoreApplication::processEvents();
    ASSERT_EQ(store.entries().size(), 1u);
    EXPECT_EQ(store.entries().front().title, QStringLiteral("newer"));
    EXPECT_FALSE(store.cache().contains(QStringLiteral("older")));
    EXPECT_TRUE(olderSawCancel);
    EXPECT_FALSE(store.isRefreshing());
}

} // namespace
