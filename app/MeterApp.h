#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace vemla {

// What the command line asks the window for.
struct AppOptions {
    bool simulate = false;
    int records = 25; // readings stored in the simulated meter
    bool service = false;
    std::optional<int> quitAfterMs;
    QString screenshot; // empty: none
};

// Reads the program's arguments as given (argv[0] first, Qt's own GUI options such as -platform
// left in). Runs before any GUI object exists, so --help, --version and mistakes need no
// display: those print and come back as the exit code; otherwise the options to run with.
std::variant<AppOptions, int> ParseCommandLine(const QStringList& args);

// The application object: runs the main window modally; the process ends when it closes.
class CMeterApp : public QApplication {
    Q_OBJECT
public:
    CMeterApp(int& argc, char** argv);
    // Runs the window; returns the process exit code.
    int Run(const AppOptions& options);
};

} // namespace vemla
