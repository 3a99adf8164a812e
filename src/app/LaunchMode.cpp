#include "app/LaunchMode.h"

#include "platform/FileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kestrion {

LaunchMode LaunchMode::detect(
    const QStringList& arguments, const QProcessEnvironment& environment, const QString& documentsFolder)
{
    LaunchMode mode;
    mode.isUITestFixture = arguments.contains(uiTestFixtureArgument);
    mode.isRunningXCTest = environment.contains(testRunVariable);
    if (mode.isUITestFixture && !documentsFolder.isEmpty())
        mode.uiTestFixturePath = QDir(documentsFolder).filePath(uiTestFixtureFileName);
    return mode;
}

const LaunchMode& LaunchMode::current()
{
    static const LaunchMode mode = detect(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    return mode;
}

QByteArray uiTestFixtureContents()
{
    return QByteArrayLiteral("---\n"
                             "title: Test Sermon\n"
                             "scripture: Romans 1:1\n"
                             "---\n"
                             "\n"
                             "# Test Sermon\n"
                             "\n"
                             "## First Point\n"
                             "\n"
                             "The quick brown fox jumps over the lazy dog.\n"
                             "Second sentence here.\n"
                             "Short line.\n"
                             "This is a much longer sentence that spans many more words to create varying "
                             "widths for testing.\n"
                             "Final leaf.\n"
                             "\n"
                             "## Second Point\n"
                             "\n"
                             "Another sentence for testing.");
}

bool writeUITestFixture(const QString& path, QString* error)
{
    const QFileInfo info(path);
    const QString name = QDir::toNativeSeparators(info.absoluteFilePath());
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QCoreApplication::translate("kestrion::LaunchMode", "The folder for “%1” could not be created.")
                         .arg(name);
        return false;
    }
    QString reason;
    if (!writeFileAtomically(path, uiTestFixtureContents(), &reason)) {
        if (error)
            *error = QCoreApplication::translate("kestrion::LaunchMode", "“%1” could not be written: %2")
                         .arg(name, reason);
        return false;
    }
    return true;
}

} // namespace kestrion
