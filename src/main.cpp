#include <QApplication>
#include <QCommandLineParser>

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

} // namespace

int main(int argc, char* argv[])
{
    // --help and --version answer without a display.
    std::unique_ptr<QCoreApplication> app;
    if (wantsOnlyInformation(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrion"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("kestrion.app"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRION_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prepare and deliver sermons."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Sermon files to open."),
                                 QStringLiteral("[FILE...]"));
    parser.process(*app);

    return 0;
}
