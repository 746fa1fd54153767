#include "CliRun.h"

#include "ArchiveKeeper.h"
#include "Certification.h"
#include "CliOutputs.h"
#include "CliPort.h"
#include "CliPresenter.h"
#include "CliProject.h"
#include "CliShared.h"
#include "CliStream.h"
#include "CliSync.h"
#include "CsvExport.h"
#include "LiveMonitor.h"
#include "MeasurementArchive.h"
#include "MeterSession.h"
#include "MeterSimulator.h"
#include "PdfCertificate.h"
#include "ReplyDecoder.h"
#include "Report.h"
#include "SignalPipe.h"
#include "UploadJson.h"
#include "UserSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include <unistd.h>

namespace vemla {
namespace {

using Clock = std::chrono::steady_clock;

QString Json(const QJsonValue& v) {
    const QJsonDocument doc =
        v.isArray() ? QJsonDocument(v.toArray()) : QJsonDocument(v.toObject());
    return QString::fromUtf8(doc.toJson(QJsonDocument::Compact));
}

int ListPorts(const CliOptions& o) {
    PortList ports(CreateSystemPortSource());
    QJsonArray list;
    for (const PortEntry& e : ports.Refresh()) {
        const auto s = [](const std::string& t) { return QString::fromStdString(t); };
        if (o.json) {
            list.append(QJsonObject{{QStringLiteral("name"), s(e.name)},
                                    {QStringLiteral("number"), static_cast<int>(e.number)},
                                    {QStringLiteral("device"), s(e.device)},
                                    {QStringLiteral("maker"), s(e.maker)},
                                    {QStringLiteral("product"), s(e.product)},
                                    {QStringLiteral("serial_number"), s(e.serialNumber)},
                                    {QStringLiteral("by_id"), s(e.byIdLink)}});
            continue;
        }
        QStringList fields{s(e.name)};
        for (const std::string* f : {&e.maker, &e.product, &e.serialNumber, &e.byIdLink})
            fields << (f->empty() ? QStringLiteral("-") : s(*f));
        Out(fields.join(QLatin1Char('\t')));
    }
    if (o.json)
        Out(Json(list));
    return kExitDone;
}

class Runner {
public:
    explicit Runner(const CliOptions& o)
        : m_o(o), m_presenter(o.yes), m_session(m_presenter, CreateSystemPortSource()) {
        m_session.SetLanguage(o.language);
        // Nothing shows a table here: the upload after a delete costs minutes on a full meter.
        m_session.SetReuploadAfterDelete(o.refresh);
    }

    int Run() {
        if (const int refused = CheckFiles())
            return refused;
        if (const int failed = OpenPort())
            return failed;
        switch (m_o.command) {
        case CliCommand::Connect:
            return Connect();
        case CliCommand::Power:
            return Power();
        case CliCommand::Upload:
            return Upload();
        case CliCommand::SetTime:
            return SetTime();
        case CliCommand::SelectWave:
            return SelectWave();
        case CliCommand::Calibrate:
            return Command([this] { m_session.PowerAdjust(m_o.calibration); });
        case CliCommand::Delete:
            return Delete();
        case CliCommand::DeleteAll:
            return Command([this] { m_session.DeleteAll(); });
        case CliCommand::Ports:
        case CliCommand::Archive:
            break;
        }
        return kExitDone;
    }

private:
    enum class Wait { Done, NoReply, PortLost, Interrupted };

    QString T(const BilingualText& t) const { return Pick(t, m_o.language); }

    // Before the meter is asked anything: a certificate needs limits to judge by; one path
    // named for two outputs is a mistake; an existing file is kept unless --force, a link is
    // never written through; every output's folder must take a new file.
    int CheckFiles() const {
        if (!m_o.pdf.isEmpty() && !m_certification.enabled) {
            Say(T(text::kCliPdfNeedsLimits));
            return kExitFile;
        }
        return CheckOutputPaths(m_o);
    }

    int OpenPort() {
        QString port = m_o.port;
        if (m_o.simulate) {
            SimOptions sim;
            sim.records = m_o.records;
            m_meter = std::make_unique<MeterSimulator>(sim);
            if (!m_meter->Start()) {
                Say(T(text::kCliSimulatorFailed).arg(QString::fromStdString(m_meter->ErrorText())));
                return kExitPort;
            }
            port = QString::fromStdString(m_meter->DevicePath());
        }
        return OpenMeterPort(m_session, port, m_o.language);
    }

    // Runs the loop until done() holds, the meter has been silent for the timeout, or SIGINT.
    Wait WaitFor(const std::function<bool()>& done,
                 const std::function<Clock::time_point()>& lastSign = {}) {
        const auto timeout = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(m_o.timeoutS));
        QTimer tick;
        tick.start(20); // the loop wakes to look at the clock even when the line is quiet
        while (!done()) {
            if (m_signals.Caught())
                return Wait::Interrupted;
            // A line that went dead is told as such at once, not as a meter that kept silent.
            if (m_session.State() == MeterSession::PortState::Lost)
                return Wait::PortLost;
            const Clock::time_point last = lastSign ? lastSign() : m_session.LastReplySign();
            if (Clock::now() - last > timeout)
                return Wait::NoReply;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return Wait::Done;
    }

    // The meter refused the command last sent, or answered it with a code that means nothing.
    bool MeterFailed() const {
        return m_session.LastOutcome().value_or(MeterSession::ReplyOutcome::Success) !=
               MeterSession::ReplyOutcome::Success;
    }

    int Finish(Wait wait) const {
        switch (wait) {
        case Wait::Done:
            return MeterFailed() ? kExitMeterFailed : kExitDone;
        case Wait::NoReply:
            Say(T(text::kCliNoReply).arg(m_o.timeoutS));
            return kExitNoReply;
        case Wait::PortLost:
            Say(T(text::kCliPortLost).arg(m_session.PortName()));
            return kExitPort;
        case Wait::Interrupted:
            break;
        }
        return kExitInterrupted;
    }

    int Command(const std::function<void()>& send) {
        send();
        return Finish(WaitFor([this] { return !m_session.AwaitingReply(); }));
    }

    int Connect() {
        const int done = Command([this] { m_session.Connect(); });
        if (done != kExitDone)
            return done;
        QJsonArray waves, lasers;
        QStringList wavesText, lasersText;
        for (int w : m_session.Waves()) {
            waves.append(w);
            wavesText << QString::number(w);
        }
        for (uint32_t l : m_session.Lasers()) {
            lasers.append(static_cast<qint64>(l));
            lasersText << QString::number(l);
        }
        if (m_o.json)
            Out(Json(QJsonObject{{QStringLiteral("wavelengths"), waves},
                                 {QStringLiteral("lasers"), lasers}}));
        else
            Out(QStringLiteral("wavelengths: %1\nlasers: %2")
                    .arg(wavesText.join(QLatin1Char(' ')), lasersText.join(QLatin1Char(' '))));
        return kExitDone;
    }

    int SelectWave() {
        const int done = Command([this] { m_session.Connect(); });
        if (done != kExitDone)
            return done;
        const std::vector<int>& waves = m_session.Waves();
        const auto at = std::find(waves.begin(), waves.end(), m_o.wavelength);
        if (at == waves.end()) {
            QStringList offered;
            for (int w : waves)
                offered << QString::number(w);
            Say(T(text::kCliNoSuchWave).arg(m_o.wavelength).arg(offered.join(QLatin1Char(' '))));
            return kExitUsage;
        }
        const int index = static_cast<int>(at - waves.begin());
        return Command([this, index] { m_session.SelectWave(index); });
    }

    int SetTime() {
        std::array<int, 5> f{};
        if (m_o.time) {
            f = *m_o.time;
        } else {
            const QDateTime now = QDateTime::currentDateTime();
            f = {now.date().year(), now.date().month(), now.date().day(), now.time().hour(),
                 now.time().minute()};
        }
        // The meter keeps the year after 2000.
        const std::array<uint32_t, 5> fields{
            static_cast<uint32_t>(f[0] - 2000), static_cast<uint32_t>(f[1]),
            static_cast<uint32_t>(f[2]), static_cast<uint32_t>(f[3]), static_cast<uint32_t>(f[4])};
        return Command([this, fields] { m_session.SetTime(fields); });
    }

    int Delete() {
        // Nothing is uploaded first: the meter numbers its records itself, the session only
        // needs to know there is a record N.
        m_session.SetRecordCounter(m_o.recordNumber);
        const int done = Command([this] { m_session.DeleteSelected(m_o.recordNumber - 1); });
        if (done != kExitDone || !m_o.refresh)
            return done;
        const int left = m_session.Records().Count();
        if (m_o.json)
            Out(Json(QJsonObject{{QStringLiteral("records"), left}}));
        else
            Say(T(text::kCliRecordsLeft).arg(left));
        return kExitDone;
    }

    int Power() {
        LiveMonitor monitor(m_session);
        // 0: until Ctrl+C or --duration
        const int wanted = m_o.count.value_or(m_o.intervalS || m_o.durationS ? 0 : 1);
        if (m_o.intervalS)
            monitor.SetInterval(static_cast<int>(*m_o.intervalS * 1000));
        if (!m_o.csv.isEmpty()) {
            if (const int refused = RemoveForcedLog(m_o))
                return refused;
            if (!monitor.StartLog(m_o.csv, m_o.rotation)) {
                Say(monitor.LogError());
                return kExitFile;
            }
        }
        int samples = 0;
        Clock::time_point last = Clock::now();
        QObject::connect(&monitor, &LiveMonitor::SampleAdded, [&](const LiveSample& s) {
            ++samples;
            last = Clock::now();
            const QString at = QDateTime::fromMSecsSinceEpoch(s.msecs).toString(Qt::ISODateWithMs);
            const QString dBm = QString::fromStdString(FormatPower(s.dBm));
            if (m_o.json)
                Out(Json(QJsonObject{{QStringLiteral("time"), at},
                                     {QStringLiteral("power_dBm"),
                                      s.valid ? QJsonValue(dBm.toDouble()) : QJsonValue()},
                                     {QStringLiteral("valid"), s.valid}}));
            else
                Out(QStringLiteral("%1\t%2").arg(at, dBm));
        });
        monitor.Start();
        // A reading is missed when the meter is silent for the timeout beyond one interval.
        const auto interval = std::chrono::milliseconds(monitor.Interval());
        const auto end = m_o.durationS
                             ? Clock::now() + std::chrono::milliseconds(
                                                  static_cast<int64_t>(*m_o.durationS * 1000))
                             : Clock::time_point::max();
        const Wait wait = WaitFor(
            [&] {
                return (wanted > 0 && samples >= wanted) || Clock::now() >= end ||
                       monitor.CurrentStatus() == LiveMonitor::Status::LogFailed;
            },
            [&] { return last + interval; });
        monitor.Pause();
        if (monitor.CurrentStatus() == LiveMonitor::Status::LogFailed) {
            Say(monitor.LogError());
            return kExitFile;
        }
        return wait == Wait::Interrupted ? kExitInterrupted : Finish(wait);
    }

    int Upload() {
        std::unique_ptr<ArchiveKeeper> keeper;
        if (m_o.archive) {
            keeper = std::make_unique<ArchiveKeeper>(m_session);
            QObject::connect(keeper.get(), &ArchiveKeeper::Problem,
                             [](const QString& m) { Say(m); });
            const ArchiveOpenResult opened = keeper->Open(MeasurementArchive::DefaultPath());
            if (!opened.message.isEmpty())
                Say(opened.message);
        }
        if (keeper && m_certification.enabled)
            keeper->SetCertification(
                QString::fromUtf8(QJsonDocument(CertificationToJson(m_certification))
                                      .toJson(QJsonDocument::Compact)));
        m_session.SetHeader(m_o.header);
        // As an operator does: connect first, so the archive and the JSON document know the
        // meter's wavelengths.
        if (const int connected = Command([this] { m_session.Connect(); }); connected != kExitDone)
            return connected;

        // Progress only for a person watching: a script's stderr stays free of it.
        QTimer progress;
        const bool tty = ::isatty(STDERR_FILENO) == 1;
        const auto show = [this] {
            std::fprintf(stderr, "\r%s\x1b[K",
                         qPrintable(m_session.Progress().Text(m_o.language, Clock::now())));
        };
        if (tty) {
            QObject::connect(&progress, &QTimer::timeout, show);
            progress.start(250);
        }
        m_session.Upload();
        const Wait wait = WaitFor([this] { return !m_session.AwaitingReply(); });
        progress.stop();
        if (tty) {
            show();
            std::fputc('\n', stderr);
        }
        // An upload without the meter's end reply (Ctrl+C, no reply, the port gone) is archived
        // marked interrupted by FinishArchive.
        if (wait == Wait::Interrupted) {
            FinishArchive(keeper.get());
            Say(T(text::kCliInterrupted).arg(m_session.Records().Count()));
            return kExitInterrupted;
        }
        if (wait != Wait::Done || MeterFailed()) {
            FinishArchive(keeper.get());
            return Finish(wait);
        }
        // The archive commits its last records while the files are written.
        const int written = WriteFiles();
        const int archived = FinishAndGive(keeper.get());
        if (const int skipped = m_session.SkippedRecords(); skipped > 0) {
            Say(T(text::kCliSkipped).arg(skipped));
            if (written == kExitDone && archived == kExitDone)
                return kExitSkipped;
        }
        return written != kExitDone ? written : archived;
    }

    // The archive's last writes, then the upload given to the project named, if any.
    int FinishAndGive(ArchiveKeeper* keeper) {
        const int archived = FinishArchive(keeper);
        if (m_o.project.isEmpty() || archived != kExitDone)
            return archived;
        return TieUpload(m_o, m_archivedJob);
    }

    // Waits for the archive (a lock held elsewhere, within its budget) and says what it could
    // not take.
    int FinishArchive(ArchiveKeeper* keeper) {
        if (!keeper)
            return kExitDone;
        const ArchiveLeft left = keeper->FinishWriting();
        m_archivedJob = left.job;
        if (left.changes == 0)
            return kExitDone;
        Say(T(text::kArchiveNotWritten).arg(left.records).arg(left.why));
        return kExitArchive;
    }

    // One run's outputs are all or nothing: each is prepared under a temporary name, and only
    // when every one is whole are they placed; a failure then removes those already placed.
    int WriteFiles() {
        const UploadDocument document = m_session.Document(m_o.language, m_certification, m_now);
        StagedOutputs outputs(m_o.language, m_o.force ? Replace::RegularFile : Replace::Never);
        QString error;
        const auto failed = [&](const QString& path) {
            Say(T(text::kCliCannotWrite).arg(path, error));
            return kExitFile;
        };
        // The window refuses to save an empty report with the same box; a script that asked for
        // a report learns that none was made, and gets no other output of the run either.
        if ((!m_o.xlsx.isEmpty() || !m_o.csv.isEmpty()) && document.rows.empty()) {
            Say(T(text::kNoData));
            return kExitFile;
        }
        {
            // Two files from the same document: the CSV on a second core.
            bool csvOk = true;
            QString csvError;
            std::thread csv;
            if (!m_o.csv.isEmpty()) {
                FileCommit& file = outputs.Stage(m_o.csv);
                csv = std::thread([&] { csvOk = CsvWriter().Prepare(document, file, &csvError); });
            }
            const bool xlsxOk =
                m_o.xlsx.isEmpty() ||
                XlsxReportWriter().Prepare(document, outputs.Stage(m_o.xlsx), &error);
            if (csv.joinable())
                csv.join();
            if (!xlsxOk)
                return failed(m_o.xlsx);
            if (!csvOk) {
                error = csvError;
                return failed(m_o.csv);
            }
        }
        if (!m_o.jsonFile.isEmpty() &&
            !UploadJsonWriter().Prepare(document, outputs.Stage(m_o.jsonFile), &error))
            return failed(m_o.jsonFile);
        if (!m_o.pdf.isEmpty()) {
            if (const QString overdue =
                    CalibrationWarning(m_certification.workflow, m_now.date(), m_o.language);
                !overdue.isEmpty())
                Say(overdue);
            QByteArray pdf;
            if (!PdfFromJson(UploadJsonBytes(document), &pdf, m_o.language, &error)) {
                Say(error);
                return kExitFile;
            }
            if (!PrepareBytes(outputs.Stage(m_o.pdf), pdf, m_o.language, &error))
                return failed(m_o.pdf);
        }
        return outputs.PlaceAll();
    }

    const CliOptions& m_o;
    SignalPipe m_signals;
    std::unique_ptr<MeterSimulator> m_meter; // outlives the session's port
    CliPresenter m_presenter;
    MeterSession m_session;
    // The limits set in the window (its settings file, only read here): the files are judged
    // as the window would judge them.
    CertificationSettings m_certification = LoadCertificationInForce();
    QDateTime m_now = QDateTime::currentDateTime();
    qint64 m_archivedJob = 0; // the upload's job in the archive, once written
};

} // namespace

int CheckArchive(const CliOptions& o) {
    const ArchiveCheckResult checked =
        MeasurementArchive::Check(MeasurementArchive::DefaultPath(), o.language);
    if (!checked.sound) {
        Say(checked.message);
        return kExitArchive;
    }
    Out(checked.message);
    return kExitDone;
}

int RunCli(const CliOptions& options) {
    if (options.command == CliCommand::Ports)
        return ListPorts(options);
    if (options.command == CliCommand::Archive)
        return options.archiveAction == ArchiveAction::Check    ? CheckArchive(options)
               : options.archiveAction == ArchiveAction::Status ? RunArchiveStatus(options)
               : options.archiveAction == ArchiveAction::Sync   ? RunArchiveSync(options)
                                                                : RunSharedArchive(options);
    if (options.command == CliCommand::Project)
        return RunProject(options);
    // A project named for an upload must be there before the meter is asked anything.
    if (!options.project.isEmpty())
        if (const int found = CheckProject(options); found != kExitDone)
            return found;
    if (StreamsLines(options))
        return RunPowerStream(options);
    Runner runner(options);
    return runner.Run();
}

} // namespace vemla
