#pragma once

#include <QApplication>

namespace vemla {

// The application object: runs the main window modally; the process ends when it closes.
class CMeterApp : public QApplication {
    Q_OBJECT
public:
    CMeterApp(int& argc, char** argv);
    int Run();
};

} // namespace vemla
