#include "MeterApp.h"

#include "MeasurementArchive.h"
#include "MessageBox.h"
#include "MeterDlg.h"
#include "MeterSimulator.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <array>
#include <climits>
#include <cstdio>
#include <memory>

namespace vemla {

namespace {

constexpr int kMaxRecords = 65536; // what the meter's memory holds

// Qt's own GUI options: QApplication takes them off the command line itself; here they are only
// let through. Qt spells them with one dash, hence long options with one dash below.
constexpr std::array kQtValueOptions{"platform",    "platformpluginpath", "platformtheme",
                                     "plugin",      "qmljsdebugger",      "qwindowgeometry",
                                     "qwindowicon", "qwindowtitle",       "session",
                                     "display",     "geometry",           "style",
                                     "stylesheet"};
constexpr std::array kQtFlagOptions{"reverse", "widgetcount", "nograb", "dograb", "sync"};

std::optional<int> WholeNumber(const QString& text, int max) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 0 || n > max)
        return std::nullopt;
    return n;
}

int Fail(const QString& message) {
    std::fprintf(stderr, "vemla: %s\nTry 'vemla --help'.\n", qPrintable(message));
    return 1;
}

// The program's own options, in the order --help lists them.
struct ProgramOptions {
    // Not addHelpOption(): its --help-all promises Qt's options, which only an application
    // object could list.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Displays help on commandline options.")};
    QCommandLineOption simulate{
        QStringLiteral("simulate"),
        QStringLiteral("Add a simulated meter to the port list, for trying Vemla without one.")};
    QCommandLineOption records{QStringLiteral("records"),
                               QStringLiteral("Readings stored in the simulated meter."),
                               QStringLiteral("n"), QStringLiteral("25")};
    QCommandLineOption service{QStringLiteral("service"),
                               QStringLiteral("Show the meter's settings controls.")};
    QCommandLineOption quitAfter{QStringLiteral("quit-after"),
                                 QStringLiteral("Close the window after this many ms."),
                                 QStringLiteral("ms")};
    QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the window to this file once it shows, then close."),
        QStringLiteral("file")};
};

void LetQtOptionsThrough(QCommandLineParser& parser) {
    for (const char* name : kQtValueOptions) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char* name : kQtFlagOptions) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
}

int PrintHelp(const QCommandLineParser& parser, const QStringList& args) {
    // Without an application object Qt cannot name the program in the usage line.
    QString text = parser.helpText();
    text.replace(QStringLiteral("<executable_name>"),
                 args.isEmpty() ? QStringLiteral("vemla") : args.first());
    std::fputs(qPrintable(text), stdout);
    return 0;
}

// The options the window runs with, from a command line parsed without mistakes.
std::variant<AppOptions, int> ReadOptions(const QCommandLineParser& parser,
                                          const ProgramOptions& own) {
    AppOptions options;
    options.simulate = parser.isSet(own.simulate);
    const auto count = WholeNumber(parser.value(own.records), kMaxRecords);
    if (!count)
        return Fail(QStringLiteral("--records wants a whole number from 0 to %1, not '%2'.")
                        .arg(kMaxRecords)
                        .arg(parser.value(own.records)));
    options.records = *count;
    options.service = parser.isSet(own.service);
    if (parser.isSet(own.quitAfter)) {
        options.quitAfterMs = WholeNumber(parser.value(own.quitAfter), INT_MAX);
        if (!options.quitAfterMs)
            return Fail(QStringLiteral("--quit-after wants a whole number of milliseconds, not "
                                       "'%1'.")
                            .arg(parser.value(own.quitAfter)));
    }
    options.screenshot = parser.value(own.screenshot);
    if (parser.isSet(own.screenshot) && options.screenshot.isEmpty())
        return Fail(QStringLiteral("--screenshot wants a file name."));
    return options;
}

} // namespace

std::variant<AppOptions, int> ParseCommandLine(const QStringList& args) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Companion program of the optical power meter."));
    const ProgramOptions own;
    parser.addOption(own.help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({own.simulate, own.records, own.service, own.quitAfter, own.screenshot});
    LetQtOptionsThrough(parser);

    if (!parser.parse(args))
        return Fail(parser.errorText());
    if (parser.isSet(own.help))
        return PrintHelp(parser, args);
    if (parser.isSet(version)) {
        std::printf("Vemla %s\n", VEMLA_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return Fail(
            QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    return ReadOptions(parser, own);
}

CMeterApp::CMeterApp(int& argc, char** argv) : QApplication(argc, argv) {
    // With the application name, where QSettings keeps the user's settings:
    // $XDG_CONFIG_HOME/Vemla/Vemla.conf.
    setOrganizationName(QStringLiteral("Vemla"));
    setApplicationName(QStringLiteral("Vemla"));
    setApplicationVersion(QStringLiteral(VEMLA_VERSION));
    setDesktopFileName(QStringLiteral("vemla"));
    setWindowIcon(CMeterDlg::LoadIcon(128));
}

int CMeterApp::Run(const AppOptions& options) {
    std::unique_ptr<MeterSimulator> meter;
    if (options.simulate) {
        SimOptions sim;
        sim.records = options.records;
        sim.paced = true; // like a real meter at 9600 baud
        meter = std::make_unique<MeterSimulator>(sim);
        if (!meter->Start())
            meter.reset();
    }

    QtMessageBox boxes;
    CMeterDlg dlg(boxes);
    if (meter)
        dlg.Ports().AddVirtual(meter->DevicePath(), "simulated meter");
    if (options.service)
        dlg.SetServiceMode(true);
    // Not for pictures of the window: a box about the archive must not cover them.
    if (options.screenshot.isEmpty())
        dlg.OpenArchive(MeasurementArchive::DefaultPath());
    if (options.quitAfterMs) {
        QTimer::singleShot(*options.quitAfterMs, &dlg, [&dlg] {
            // A box still open over the window (the archive's, say) would keep a scripted run
            // waiting for an operator; it is answered as Escape would.
            for (int boxes = 0; boxes < 8; ++boxes) {
                auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!box || box == &dlg)
                    break;
                box->reject();
            }
            dlg.reject();
        });
    }
    bool saved = true;
    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(500, &dlg, [&] {
            saved = dlg.grab().save(options.screenshot);
            dlg.reject();
        });
    }
    dlg.exec();
    if (!saved)
        std::fprintf(stderr, "vemla: could not save the picture to %s\n",
                     qPrintable(options.screenshot));
    return saved ? 0 : 1;
}

} // namespace vemla
