#include "app/KestrionApplication.h"
#include "app/LaunchMode.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <memory>

namespace {

bool wantsOnlyInformation(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" || arg == "--version")
            return true;
    }
    return false;
}

void describeCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Prepare and deliver sermons."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption fixture(kestrion::LaunchMode::uiTestFixtureArgument.mid(2),
        QStringLiteral("Write a sample sermon into the documents folder and open it."));
    fixture.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(fixture);
    parser.addPositionalArgument(
        QStringLiteral("files"), QStringLiteral("Sermon files to open."), QStringLiteral("[FILE...]"));
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Kestrion"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("kestrion.app"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRION_VERSION));
}

} // namespace

int main(int argc, char* argv[])
{
    // --help and --version answer without a display.
    if (wantsOnlyInformation(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        QCommandLineParser parser;
        describeCommandLine(parser);
        parser.process(app);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    nameApplication();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Kestrion"));
    QGuiApplication::setDesktopFileName(kestrion::KestrionApplication::desktopFileName);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/64x64/app.kestrion.Kestrion.png"));
    icon.addFile(QStringLiteral(":/icons/256x256/app.kestrion.Kestrion.png"));
    QApplication::setWindowIcon(QIcon::fromTheme(kestrion::KestrionApplication::desktopFileName, icon));

    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);

    kestrion::KestrionApplication kestrion(kestrion::KestrionApplication::Setup::standard());
    if (const std::optional<int> exitCode = kestrion.launch(parser.positionalArguments()))
        return *exitCode;
    kestrion.handleTerminationSignals();
    return app.exec();
}
