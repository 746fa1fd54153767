// Test main for widget tests: an offscreen QApplication unless a platform was chosen.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's settings (XDG config folder) of a test process are its own, never the real ones.
    QTemporaryDir config;
    if (!config.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    // The window reads and writes its configuration in the current directory; every test
    // process gets a fresh one of its own.
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 2;
    QCoreApplication::setOrganizationName(QStringLiteral("Vemla")); // as the program names it
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
