#include "CliStream.h"

#include "CliOutputs.h"
#include "CliPort.h"
#include "CliPresenter.h"
#include "LiveLog.h"
#include "LiveMonitor.h"
#include "MeterSession.h"
#include "MeterSimulator.h"
#include "SharedPortSource.h"
#include "SignalPipe.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace vemla {
namespace {

// A JSON string: quotes, backslashes and control characters escaped, the rest UTF-8 as it is.
QByteArray JsonString(const QString& text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += QByteArray("\\") + c;
        else if (byte < 0x20)
            out += "\\u00" + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out + '"';
}

// One reading as the manual's line: these fields in this order, numbers as numbers, null for
// what is not known. An implausible reading carries no power, only valid:false.
QByteArray JsonLine(const LiveSample& sample, const LiveMeterTag& meter, int wavelength) {
    QByteArray line =
        "{\"v\":1,\"time\":\"" + LocalTimeText(sample.msecs) +
        "\",\"unix\":" + QByteArray::number(static_cast<double>(sample.msecs) / 1000.0, 'f', 3) +
        ",\"port\":" + JsonString(meter.port) +
        ",\"serial\":" + (meter.serial.isEmpty() ? QByteArray("null") : JsonString(meter.serial)) +
        ",\"wavelength\":" + (wavelength > 0 ? QByteArray::number(wavelength) : QByteArray("null"));
    if (sample.valid)
        line += ",\"dBm\":" + QByteArray::number(sample.dBm, 'f', 2) +
                ",\"mW\":" + QByteArray::number(MilliwattsOf(sample.dBm), 'g', 6);
    else
        line += ",\"dBm\":null,\"mW\":null";
    return line + ",\"valid\":" + (sample.valid ? "true" : "false") + "}\n";
}

// One meter of the run: its own session on its own port, polled by its own monitor.
struct StreamMeter {
    StreamMeter(Language language, SharedPortSource& ports)
        : presenter(false), session(presenter, ports.View()), monitor(session) {
        session.SetLanguage(language);
    }
    CliPresenter presenter;
    MeterSession session;
    LiveMonitor monitor;
    LiveMeterTag tag; // the port as --port gave it, the serial number the port list has
    int samples = 0;
    LiveMonitor::Status told = LiveMonitor::Status::Polling; // what stderr last said of it
};

class Stream {
public:
    explicit Stream(const CliOptions& o) : m_o(o), m_signals({SIGINT, SIGTERM}) {}

    int Run() {
        if (const int refused = CheckOutputPaths(m_o))
            return refused;
        if (const int failed = OpenMeters())
            return failed;
        if (const int failed = OpenFiles())
            return failed;
        // A stop signal ends the run as --count does: a script's normal way to end it.
        QObject::connect(&m_signals, &SignalPipe::Interrupted, &m_loop,
                         [this] { m_loop.exit(kExitDone); });
        QTimer duration;
        if (m_o.durationS)
            EndAfter(duration,
                     QDeadlineTimer(static_cast<qint64>(*m_o.durationS * 1000), Qt::PreciseTimer));
        for (const auto& meter : m_meters) {
            Watch(*meter);
            meter->monitor.Start();
        }
        const int code = m_loop.exec();
        for (const auto& meter : m_meters)
            meter->monitor.Pause();
        return code;
    }

private:
    // A timer holds at most 24.8 days of milliseconds: a longer run re-arms it until the end.
    void EndAfter(QTimer& timer, QDeadlineTimer end) {
        static constexpr qint64 kDayMs = 86'400'000;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &m_loop, [this, &timer, end] {
            if (end.hasExpired())
                m_loop.exit(kExitDone);
            else
                timer.start(static_cast<int>(std::min(end.remainingTime(), kDayMs)));
        });
        timer.start(static_cast<int>(std::min(end.remainingTime(), kDayMs)));
    }

    int OpenMeters() {
        QStringList ports = m_o.ports;
        if (m_o.simulate) {
            m_simulator = std::make_unique<MeterSimulator>(SimOptions{});
            if (!m_simulator->Start()) {
                Say(Pick(text::kCliSimulatorFailed, m_o.language)
                        .arg(QString::fromStdString(m_simulator->ErrorText())));
                return kExitPort;
            }
            ports = {QString::fromStdString(m_simulator->DevicePath())};
        }
        for (const QString& port : ports) {
            auto meter = std::make_unique<StreamMeter>(m_o.language, m_ports);
            if (const int failed = OpenMeterPort(meter->session, port, m_o.language))
                return failed;
            meter->tag = {port, MeterTagOf(meter->session).serial};
            if (m_o.intervalS)
                meter->monitor.SetInterval(static_cast<int>(*m_o.intervalS * 1000));
            m_meters.push_back(std::move(meter));
        }
        return kExitDone;
    }

    // The lines file is continued, never replaced; the CSV log is new as power's one-meter log.
    int OpenFiles() {
        if (!m_o.jsonlFile.isEmpty()) {
            m_lines.SetRotation(m_o.rotation);
            if (!m_lines.Open(m_o.jsonlFile, RotatingFile::Mode::Continue,
                              QDateTime::currentMSecsSinceEpoch())) {
                Say(m_lines.ErrorText(m_o.language));
                return kExitFile;
            }
        }
        if (m_o.csv.isEmpty())
            return kExitDone;
        if (const int refused = RemoveForcedLog(m_o))
            return refused;
        if (!m_log.Open(m_o.csv, m_o.rotation)) {
            Say(m_log.ErrorText());
            return kExitFile;
        }
        return kExitDone;
    }

    void Watch(StreamMeter& meter) {
        QObject::connect(&meter.monitor, &LiveMonitor::SampleAdded, &m_loop,
                         [this, &meter](const LiveSample& sample) { OnSample(meter, sample); });
        QObject::connect(&meter.monitor, &LiveMonitor::StatusChanged, &m_loop,
                         [this, &meter](LiveMonitor::Status status) { Tell(meter, status); });
    }

    void OnSample(StreamMeter& meter, const LiveSample& sample) {
        if (m_ending || (m_o.count && meter.samples >= *m_o.count))
            return;
        const int wavelength = meter.session.SelectedWavelength();
        const QByteArray line = JsonLine(sample, meter.tag, wavelength);
        if (m_o.jsonl) {
            std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
            std::fflush(stdout);
        }
        if (!m_o.jsonlFile.isEmpty() && !m_lines.WriteLine(line, sample.msecs))
            return End(kExitFile, m_lines.ErrorText(m_o.language));
        if (!m_o.csv.isEmpty() && !m_log.Write(sample, meter.tag, wavelength, std::nullopt))
            return End(kExitFile, m_log.ErrorText());
        if (!m_o.count || ++meter.samples < *m_o.count)
            return;
        meter.monitor.Pause(); // its count is in: the others go on to theirs
        if (std::all_of(m_meters.begin(), m_meters.end(),
                        [this](const auto& m) { return m->samples >= *m_o.count; }))
            End(kExitDone, {});
    }

    // Said once as a meter goes silent or its port closes, and once as it answers again.
    void Tell(StreamMeter& meter, LiveMonitor::Status status) {
        const BilingualText* text = nullptr;
        if (status == LiveMonitor::Status::NoReply || status == LiveMonitor::Status::PortNotOpen)
            text = status == LiveMonitor::Status::NoReply ? &text::kCliMeterSilent
                                                          : &text::kCliMeterPortClosed;
        else if (status == LiveMonitor::Status::Polling && meter.told != status)
            text = &text::kCliMeterAnswers;
        if (text == nullptr || status == meter.told)
            return;
        meter.told = status;
        Say(Pick(*text, m_o.language).arg(meter.tag.port));
    }

    void End(int code, const QString& why) {
        if (!why.isEmpty())
            Say(why);
        m_ending = true;
        m_loop.exit(code);
    }

    const CliOptions& m_o;
    SignalPipe m_signals;
    QEventLoop m_loop;
    std::unique_ptr<MeterSimulator> m_simulator; // outlives the sessions' ports
    SharedPortSource m_ports{CreateSystemPortSource()};
    std::vector<std::unique_ptr<StreamMeter>> m_meters;
    RotatingFile m_lines;
    LiveLog m_log;
    bool m_ending = false;
};

} // namespace

int RunPowerStream(const CliOptions& options) {
    return Stream(options).Run();
}

} // namespace vemla
