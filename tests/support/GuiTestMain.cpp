#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // Widget tests never need a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KestrionTests"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("kestrion.app"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
