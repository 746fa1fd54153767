// vemla-cli: every meter errand without a window, on the window's own session, writers and
// archive. QtCore only: it runs without a display.
#include "CliOptions.h"
#include "CliRun.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const auto parsed = vemla::ParseCliOptions(args);
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    QCoreApplication app(argc, argv);
    // Its own settings (the last port it opened), not the window's.
    QCoreApplication::setOrganizationName(QStringLiteral("Vemla"));
    QCoreApplication::setApplicationName(QStringLiteral("vemla-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEMLA_VERSION));
    return vemla::RunCli(std::get<vemla::CliOptions>(parsed));
}
