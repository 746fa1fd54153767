// The engine hands bytes over through the window thread's event loop, so the tests run one.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The session keeps the last port in the user's settings: a test's are its own.
    QTemporaryDir config;
    if (!config.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vemla")); // as the program names it
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
