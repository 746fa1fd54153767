#include "MeterApp.h"

#include "MessageBox.h"
#include "MeterDlg.h"

namespace vemla {

CMeterApp::CMeterApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Vemla"));
    setApplicationVersion(QStringLiteral("1.0"));
    setDesktopFileName(QStringLiteral("vemla"));
    setWindowIcon(CMeterDlg::LoadIcon(128));
}

int CMeterApp::Run() {
    QtMessageBox boxes;
    CMeterDlg dlg(boxes);
    dlg.exec();
    return 0;
}

} // namespace vemla
