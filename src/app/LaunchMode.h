#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace kestrion {

// How the process was started. Three modes: a normal launch, the UI-test fixture mode
// (a sample sermon is written and opened) and a test run (the application stays hidden).
// The flags are fixed for the life of the process.
struct LaunchMode {
    static inline const QString uiTestFixtureArgument = QStringLiteral("--ui-test-fixture");
    static inline const QString testRunVariable = QStringLiteral("XCTestConfigurationFilePath");
    static inline const QString uiTestFixtureFileName = QStringLiteral("kestrion-ui-test.md");

    // The exact argument "--ui-test-fixture" at any position.
    bool isUITestFixture = false;
    // The environment has "XCTestConfigurationFilePath", with any value, also empty.
    bool isRunningXCTest = false;
    // Set only in the fixture mode: the sample file in the user's documents folder.
    std::optional<QString> uiTestFixturePath;

    // documentsFolder is the user's documents folder, empty when there is none.
    static LaunchMode detect(
        const QStringList& arguments, const QProcessEnvironment& environment, const QString& documentsFolder);
    // This process's mode, worked out once on first use (after the application object).
    static const LaunchMode& current();

    // What each mode does.
    bool startsUpdater() const { return !isUITestFixture && !isRunningXCTest; }
    // A test run shows no window and takes no part in hand-overs between launches.
    bool isHidden() const { return isRunningXCTest; }
    bool appliesAppearance() const { return !isRunningXCTest; }
    bool opensUITestFixture() const { return !isRunningXCTest && uiTestFixturePath.has_value(); }
    // The window supervisor (welcome window, document window styling).
    bool hasSupervisor() const { return !isUITestFixture && !isRunningXCTest; }
    // Without a supervisor nothing else would ever end a process whose windows are gone.
    bool quitsOnLastWindowClosed() const { return !hasSupervisor(); }
    // Files given to a later launch go to the running instance.
    bool handsOverToRunningInstance() const { return !isUITestFixture && !isRunningXCTest; }
};

// The sample sermon of the fixture mode, exactly as written to disk.
QByteArray uiTestFixtureContents();

// Writes the sample sermon to path atomically, replacing any file there and creating the
// folder when it is missing. On failure returns false with a message naming the file.
bool writeUITestFixture(const QString& path, QString* error = nullptr);

} // namespace kestrion
