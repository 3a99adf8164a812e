#include "app/LaunchMode.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kestrion;

namespace {

QProcessEnvironment environmentWith(const QStringList& variables)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/someone"));
    for (const QString& variable : variables)
        environment.insert(variable, QString());
    return environment;
}

const QString documents = QStringLiteral("/home/someone/Documents");

struct Row {
    const char* name;
    QStringList arguments;
    QStringList variables;
    bool startsUpdater;
    bool isHidden;
    bool appliesAppearance;
    bool opensUITestFixture;
    bool hasSupervisor;
    bool quitsOnLastWindowClosed;
};

TEST(LaunchModeTest, EachLaunchDoesWhatItsRowSays)
{
    const QString exe = QStringLiteral("kestrion");
    const QString fixture = LaunchMode::uiTestFixtureArgument;
    const QString testRun = LaunchMode::testRunVariable;
    const std::vector<Row> rows {
        { "normal", { exe }, {}, true, false, true, false, true, false },
        { "normal with a file", { exe, QStringLiteral("a.md") }, {}, true, false, true, false, true, false },
        { "fixture", { exe, fixture }, {}, false, false, true, true, false, true },
        { "fixture after files", { exe, QStringLiteral("a.md"), fixture }, {}, false, false, true, true, false, true },
        { "test run", { exe }, { testRun }, false, true, false, false, false, true },
        { "both", { exe, fixture }, { testRun }, false, true, false, false, false, true },
    };
    for (const Row& row : rows) {
        const LaunchMode mode = LaunchMode::detect(row.arguments, environmentWith(row.variables), documents);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(mode.startsUpdater(), row.startsUpdater);
        EXPECT_EQ(mode.isHidden(), row.isHidden);
        EXPECT_EQ(mode.appliesAppearance(), row.appliesAppearance);
        EXPECT_EQ(mode.opensUITestFixture(), row.opensUITestFixture);
        EXPECT_EQ(mode.hasSupervisor(), row.hasSupervisor);
        EXPECT_EQ(mode.quitsOnLastWindowClosed(), row.quitsOnLastWindowClosed);
        // Only a normal launch hands its files to a running instance.
        EXPECT_EQ(mode.handsOverToRunningInstance(), row.hasSupervisor);
    }
}

TEST(LaunchModeTest, FlagsAreExactMatches)
{
    const LaunchMode lookalikes
        = LaunchMode::detect({ QStringLiteral("kestrion"), QStringLiteral("--ui-test-fixture=1"),
                                 QStringLiteral("--UI-TEST-FIXTURE"), QStringLiteral("-ui-test-fixture") },
            environmentWith(
                { QStringLiteral("XCTestConfigurationFilePat"), QStringLiteral("xctestconfigurationfilepath") }),
            documents);
    EXPECT_FALSE(lookalikes.isUITestFixture);
    EXPECT_FALSE(lookalikes.isRunningXCTest);
    EXPECT_FALSE(lookalikes.uiTestFixturePath.has_value());

    // An empty value still marks a test run.
    QProcessEnvironment empty;
    empty.insert(LaunchMode::testRunVariable, QString());
    EXPECT_TRUE(LaunchMode::detect({ QStringLiteral("kestrion") }, empty, documents).isRunningXCTest);
}

TEST(LaunchModeTest, FixturePathIsInTheDocumentsFolderOnlyInTheFixtureMode)
{
    const LaunchMode fixture
        = LaunchMode::detect({ QStringLiteral("kestrion"), LaunchMode::uiTestFixtureArgument }, {}, documents);
    ASSERT_TRUE(fixture.uiTestFixturePath.has_value());
    EXPECT_EQ(*fixture.uiTestFixturePath, QStringLiteral("/home/someone/Documents/kestrion-ui-test.md"));

    EXPECT_FALSE(LaunchMode::detect({ QStringLiteral("kestrion") }, {}, documents).uiTestFixturePath.has_value());

    // No documents folder: the fixture mode still holds, there is just nothing to open.
    const LaunchMode nowhere
        = LaunchMode::detect({ QStringLiteral("kestrion"), LaunchMode::uiTestFixtureArgument }, {}, QString());
    EXPECT_TRUE(nowhere.isUITestFixture);
    EXPECT_FALSE(nowhere.opensUITestFixture());
    EXPECT_FALSE(nowhere.hasSupervisor());
}

TEST(LaunchModeTest, SampleSermonIsTheExactFixtureText)
{
    const QByteArray contents = uiTestFixtureContents();
    EXPECT_EQ(contents.size(), 315);
    const QList<QByteArray> lines = contents.split('\n');
    ASSERT_EQ(lines.size(), 18);
    EXPECT_EQ(lines.at(0), "---");
    EXPECT_EQ(lines.at(2), "scripture: Romans 1:1");
    EXPECT_EQ(lines.at(5), "# Test Sermon");
    EXPECT_EQ(lines.at(17), "Another sentence for testing.");
    EXPECT_FALSE(contents.endsWith('\n'));
}

TEST(LaunchModeTest, WritingTheSampleCreatesTheFolderAndReplacesAnOldFile)
{
    QTemporaryDir home;
    const QString path = QDir(home.path()).filePath(QStringLiteral("Documents/nested/kestrion-ui-test.md"));
    ASSERT_TRUE(writeUITestFixture(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), uiTestFixtureContents());
    file.close();

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("an older, longer text that must not survive in any part");
    file.close();
    ASSERT_TRUE(writeUITestFixture(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), uiTestFixtureContents());
}

TEST(LaunchModeTest, UnwritableFolderFailsWithAMessageNamingTheFile)
{
    QTemporaryDir home;
    // A file where the folder should be.
    const QString blocker = QDir(home.path()).filePath(QStringLiteral("Documents"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QString error;
    EXPECT_FALSE(writeUITestFixture(QDir(blocker).filePath(LaunchMode::uiTestFixtureFileName), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("kestrion-ui-test.md"))) << error.toStdString();
}

} // namespace
