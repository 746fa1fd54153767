#include "MeterApp.h"

#include "MessageBox.h"
#include "MeterDlg.h"
#include "MeterSimulator.h"

#include <QCommandLineParser>
#include <QTimer>

#include <memory>

namespace vemla {

CMeterApp::CMeterApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Vemla"));
    setApplicationVersion(QStringLiteral("1.0"));
    setDesktopFileName(QStringLiteral("vemla"));
    setWindowIcon(CMeterDlg::LoadIcon(128));
}

int CMeterApp::Run() {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Companion program of the optical power meter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Add a simulated meter to the port list, for trying Vemla without one."));
    const QCommandLineOption records(QStringLiteral("records"),
                                     QStringLiteral("Readings stored in the simulated meter."),
                                     QStringLiteral("n"), QStringLiteral("25"));
    const QCommandLineOption service(QStringLiteral("service"),
                                     QStringLiteral("Show the meter's settings controls."));
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"),
                                       QStringLiteral("Close the window after this many ms."),
                                       QStringLiteral("ms"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the window to this file once it shows, then close."),
        QStringLiteral("file"));
    parser.addOptions({simulate, records, service, quitAfter, screenshot});
    parser.process(*this);

    std::unique_ptr<MeterSimulator> meter;
    if (parser.isSet(simulate)) {
        SimOptions options;
        options.records = std::clamp(parser.value(records).toInt(), 0, 65536);
        options.paced = true; // like a real meter at 9600 baud
        meter = std::make_unique<MeterSimulator>(options);
        if (!meter->Start())
            meter.reset();
    }

    QtMessageBox boxes;
    CMeterDlg dlg(boxes);
    if (meter)
        dlg.Ports().AddVirtual(meter->DevicePath(), "simulated meter");
    if (parser.isSet(service))
        dlg.SetServiceMode(true);
    if (parser.isSet(quitAfter))
        QTimer::singleShot(parser.value(quitAfter).toInt(), &dlg, &QDialog::reject);
    bool saved = true;
    if (parser.isSet(screenshot)) {
        QTimer::singleShot(500, &dlg, [&] {
            saved = dlg.grab().save(parser.value(screenshot));
            dlg.reject();
        });
    }
    dlg.exec();
    return saved ? 0 : 1;
}

} // namespace vemla
