#pragma once

#include <QApplication>

namespace vemla {

// The application object: runs the main window modally; the process ends when it closes.
class CMeterApp : public QApplication {
    Q_OBJECT
public:
    CMeterApp(int& argc, char** argv);
    // Reads the command line, runs the window; returns the process exit code.
    int Run();
};

} // namespace vemla
