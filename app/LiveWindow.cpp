#include "LiveWindow.h"

#include "Certification.h"
#include "LiveChart.h"
#include "MeterSession.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace vemla {
namespace {

// The rows of the statistics, in order.
enum Row { kCurrent, kMinimum, kMaximum, kMean, kDeviation, kCount, kInvalid, kTimeSpan, kRef };
constexpr std::array<const BilingualText*, 9> kRowNames{
    &text::kLiveCurrent, &text::kLiveMinimum,   &text::kLiveMaximum,
    &text::kLiveMean,    &text::kLiveDeviation, &text::kLiveCount,
    &text::kLiveInvalid, &text::kLiveTimeSpan,  &text::kLiveReference};

const QString kDash = QString::fromUtf8("—");
// A redraw at most this often: five readings a second need no more.
constexpr int kRefreshMs = 200;

QString Duration(int64_t msecs) {
    const int64_t s = msecs / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

LiveWindow::LiveWindow(MeterSession& session, QString logFolder, QWidget* parent)
    : QDialog(parent), m_session(session), m_monitor(session), m_logFolder(std::move(logFolder)),
      m_askPath([this](const QString& proposed) {
          return QFileDialog::getSaveFileName(this, QString(), proposed,
                                              Pick(text::kLiveCsvFilter, m_language));
      }),
      m_startPause(new QPushButton(this)), m_interval(new QComboBox(this)),
      m_span(new QComboBox(this)), m_unit(new QComboBox(this)), m_chart(new LiveChart(this)),
      m_reset(new QPushButton(this)), m_setReference(new QPushButton(this)),
      m_hold(new QPushButton(this)), m_record(new QPushButton(this)),
      m_useAsReference(new QPushButton(this)), m_verify(new QPushButton(this)),
      m_status(new QLabel(this)) {
    setModal(false);
    setSizeGripEnabled(true);
    m_hold->setCheckable(true);
    m_record->setCheckable(true);
    for (int ms : LiveMonitor::kIntervalsMs)
        m_interval->addItem(QStringLiteral("%1 s").arg(ms / 1000.0), ms);
    m_interval->setCurrentIndex(1);
    for (int i = 0; i < 5; ++i)
        m_unit->addItem(QString());
    for (std::size_t i = 0; i < kSpansMsecs.size(); ++i)
        m_span->addItem(QString());

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_startPause);
    for (std::size_t i = 0; i < m_captions.size(); ++i) {
        m_captions[i] = new QLabel(this);
        controls->addWidget(m_captions[i]);
        controls->addWidget(std::array<QComboBox*, 3>{m_interval, m_span, m_unit}[i]);
    }
    controls->addStretch();

    auto* stats = new QGridLayout;
    for (std::size_t r = 0; r < m_names.size(); ++r) {
        m_names[r] = new QLabel(this);
        m_values[r] = new QLabel(kDash, this);
        m_values[r]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_values[r]->setMinimumWidth(
            m_values[r]->fontMetrics().horizontalAdvance(QStringLiteral("-000.000 µW")));
        stats->addWidget(m_names[r], static_cast<int>(r), 0);
        stats->addWidget(m_values[r], static_cast<int>(r), 1);
    }
    const int next = static_cast<int>(m_names.size());
    stats->addWidget(m_reset, next, 0, 1, 2);
    stats->addWidget(m_setReference, next + 1, 0, 1, 2);
    stats->addWidget(m_hold, next + 2, 0, 1, 2);
    stats->addWidget(m_record, next + 3, 0, 1, 2);
    stats->addWidget(m_useAsReference, next + 4, 0, 1, 2);
    stats->addWidget(m_verify, next + 5, 0, 1, 2);
    stats->setRowStretch(next + 6, 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_chart, 1);
    middle->addLayout(stats);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(middle, 1);
    layout->addWidget(m_status);

    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &LiveWindow::Refresh);
    connect(m_startPause, &QPushButton::clicked, this, &LiveWindow::OnStartPause);
    connect(m_interval, &QComboBox::activated, this,
            [this] { m_monitor.SetInterval(m_interval->currentData().toInt()); });
    connect(m_span, &QComboBox::activated, this, &LiveWindow::Refresh);
    connect(m_unit, &QComboBox::activated, this, &LiveWindow::Refresh);
    connect(m_reset, &QPushButton::clicked, &m_monitor, &LiveMonitor::ResetStatistics);
    connect(m_setReference, &QPushButton::clicked, this, [this] {
        m_monitor.SetReferenceToCurrent();
        Refresh();
    });
    // Hold freezes only what is shown; the readings go on being taken, logged and counted.
    // Held, it shows the latest reading first, then stays until released.
    connect(m_hold, &QPushButton::toggled, this, [this] { Refresh(); });
    connect(m_record, &QPushButton::clicked, this, &LiveWindow::OnRecord);
    connect(m_useAsReference, &QPushButton::clicked, this, &LiveWindow::OnUseAsReference);
    connect(m_verify, &QPushButton::clicked, this, &LiveWindow::OnVerifyCords);
    // The button names the wavelength the meter acknowledged last.
    connect(&m_session, &MeterSession::WavelengthAcknowledged, this, &LiveWindow::Refresh);
    connect(&m_monitor, &LiveMonitor::SampleAdded, this, &LiveWindow::OnSample);
    connect(&m_monitor, &LiveMonitor::StatisticsReset, this, &LiveWindow::Refresh);
    connect(&m_monitor, &LiveMonitor::StatusChanged, this, &LiveWindow::ShowStatus);
    Retranslate(session.Language());
    resize(900, 480);
}

LiveWindow::~LiveWindow() = default;

void LiveWindow::Retranslate(Language language) {
    m_language = language;
    const auto t = [language](const BilingualText& text) { return Pick(text, language); };
    setWindowTitle(t(text::kLiveTitle));
    m_startPause->setText(t(m_monitor.Running() ? text::kLivePause : text::kLiveStart));
    m_captions[0]->setText(t(text::kLiveInterval));
    m_captions[1]->setText(t(text::kLiveSpan));
    m_captions[2]->setText(t(text::kLiveUnit));
    const std::array<QString, 5> spans{QStringLiteral("30 s"), QStringLiteral("2 min"),
                                       QStringLiteral("10 min"), QStringLiteral("1 h"),
                                       t(text::kLiveSpanAll)};
    for (int i = 0; i < 5; ++i)
        m_span->setItemText(i, spans[static_cast<std::size_t>(i)]);
    const std::array<QString, 5> units{QStringLiteral("dBm"), QStringLiteral("mW"),
                                       QString::fromUtf8("µW"), QStringLiteral("nW"),
                                       t(text::kLiveRelative)};
    for (int i = 0; i < 5; ++i)
        m_unit->setItemText(i, units[static_cast<std::size_t>(i)]);
    for (std::size_t r = 0; r < m_names.size(); ++r)
        m_names[r]->setText(t(*kRowNames[r]));
    m_reset->setText(t(text::kLiveReset));
    m_setReference->setText(t(text::kLiveSetReference));
    m_hold->setText(t(text::kLiveHold));
    m_record->setText(t(m_monitor.Logging() ? text::kLiveStopRecord : text::kLiveRecord));
    ShowStatus();
    Refresh();
}

void LiveWindow::closeEvent(QCloseEvent* event) {
    // A monitor nobody sees would poll on; the log it wrote stays complete.
    m_monitor.Pause();
    m_monitor.StopLog();
    m_record->setChecked(false);
    Retranslate(m_language);
    QDialog::closeEvent(event);
}

void LiveWindow::OnStartPause() {
    if (m_monitor.Running())
        m_monitor.Pause();
    else
        m_monitor.Start();
    m_startPause->setText(
        Pick(m_monitor.Running() ? text::kLivePause : text::kLiveStart, m_language));
}

void LiveWindow::OnRecord() {
    if (m_monitor.Logging()) {
        m_monitor.StopLog();
    } else {
        const QString proposed =
            QDir(m_logFolder).filePath(LiveLog::DefaultFileName(QDateTime::currentDateTime()));
        const QString path = m_askPath(proposed);
        if (!path.isEmpty() && !m_monitor.StartLog(path))
            m_status->setText(
                Pick(text::kLiveLogFailed, m_language).arg(path, m_monitor.LogError()));
    }
    m_record->setChecked(m_monitor.Logging());
    m_record->setText(
        Pick(m_monitor.Logging() ? text::kLiveStopRecord : text::kLiveRecord, m_language));
    if (m_monitor.Logging())
        ShowStatus();
}

void LiveWindow::OnUseAsReference() {
    const auto current = m_monitor.Statistics().Current();
    const int wavelength = m_session.SelectedWavelength();
    if (!m_takeReference || !current || !current->valid || wavelength <= 0)
        return;
    m_takeReference(wavelength, current->dBm);
    m_status->setText(Pick(text::kLiveReferenceStored, m_language)
                          .arg(wavelength)
                          .arg(QString::number(current->dBm, 'f', 2)));
}

// After a reference, the two cords mated: the reading's loss against it is the pair's.
void LiveWindow::OnVerifyCords() {
    const auto current = m_monitor.Statistics().Current();
    const int wavelength = m_session.SelectedWavelength();
    if (!m_verifyCords || !current || !current->valid || wavelength <= 0)
        return;
    const std::optional<CordVerification> v = m_verifyCords(wavelength, current->dBm);
    m_status->setText(v ? Pick(reftext::kLiveVerified, m_language)
                              .arg(wavelength)
                              .arg(DbText(v->lossDb),
                                   VerdictText(v->pass ? Verdict::Pass : Verdict::Fail, m_language))
                        : Pick(reftext::kLiveNoReference, m_language).arg(wavelength));
}

void LiveWindow::OnSample() {
    if (!m_hold->isChecked() && !m_refresh.isActive())
        m_refresh.start();
}

void LiveWindow::ShowStatus() {
    const auto t = [this](const BilingualText& text) { return Pick(text, m_language); };
    QString line;
    switch (m_monitor.CurrentStatus()) {
    case LiveMonitor::Status::Idle:
        line = t(text::kLiveIdle);
        break;
    case LiveMonitor::Status::Polling:
        line = t(text::kLivePolling);
        break;
    case LiveMonitor::Status::Waiting:
        line = t(text::kLiveWaiting);
        break;
    case LiveMonitor::Status::NoReply:
        line = t(text::kLiveNoReply);
        break;
    case LiveMonitor::Status::PortNotOpen:
        line = t(text::kComNotOpen);
        break;
    case LiveMonitor::Status::LogFailed:
        line = t(text::kLiveLogFailed).arg(m_monitor.LogPath(), m_monitor.LogError());
        m_record->setChecked(false);
        m_record->setText(t(text::kLiveRecord));
        break;
    }
    if (m_monitor.Logging())
        line += QStringLiteral("  ") + t(text::kLiveRecording).arg(m_monitor.LogPath());
    m_status->setText(line);
}

PowerDecimator::Transform LiveWindow::Transform() const {
    switch (static_cast<Unit>(m_unit->currentIndex())) {
    case Unit::Milliwatt:
        return [](double dBm) { return MilliwattsOf(dBm); };
    case Unit::Microwatt:
        return [](double dBm) { return MilliwattsOf(dBm) * 1e3; };
    case Unit::Nanowatt:
        return [](double dBm) { return MilliwattsOf(dBm) * 1e6; };
    case Unit::Relative: {
        const double reference = m_monitor.Reference().value_or(0.0);
        return [reference](double dBm) { return dBm - reference; };
    }
    case Unit::Dbm:
        break;
    }
    return [](double dBm) { return dBm; };
}

QString LiveWindow::UnitName() const {
    const auto unit = static_cast<Unit>(m_unit->currentIndex());
    return unit == Unit::Relative ? QStringLiteral("dB") : m_unit->currentText();
}

QString LiveWindow::Shown(double dBm) const {
    const auto unit = static_cast<Unit>(m_unit->currentIndex());
    if (unit == Unit::Relative && !m_monitor.Reference())
        return kDash;
    const double value = Transform()(dBm);
    const bool linear = unit != Unit::Dbm && unit != Unit::Relative;
    return (linear ? QString::number(value, 'g', 4) : QString::number(value, 'f', 2)) +
           QLatin1Char(' ') + UnitName();
}

void LiveWindow::Refresh() {
    m_refresh.stop();
    const LiveStatistics& s = m_monitor.Statistics();
    const auto current = s.Current();
    const bool any = s.Count() > 0;
    m_values[kCurrent]->setText(current && current->valid ? Shown(current->dBm) : kDash);
    m_values[kMinimum]->setText(any ? Shown(s.Minimum()) : kDash);
    m_values[kMaximum]->setText(any ? Shown(s.Maximum()) : kDash);
    m_values[kMean]->setText(any ? Shown(s.Mean()) : kDash);
    // The spread of readings in dB whatever the unit: it is how technicians judge stability.
    m_values[kDeviation]->setText(
        any ? QString::number(s.Deviation(), 'f', 3) + QStringLiteral(" dB") : kDash);
    m_values[kCount]->setText(QString::number(s.Count()));
    m_values[kInvalid]->setText(QString::number(s.Invalid()));
    m_values[kTimeSpan]->setText(Duration(s.SpanMsecs()));
    const int wavelength = m_session.SelectedWavelength();
    m_useAsReference->setText(wavelength > 0
                                  ? Pick(text::kLiveUseReference, m_language).arg(wavelength)
                                  : Pick(text::kLiveUseReferenceUnknown, m_language));
    m_useAsReference->setEnabled(m_takeReference && wavelength > 0 && current && current->valid);
    m_verify->setText(wavelength > 0 ? Pick(reftext::kLiveVerify, m_language).arg(wavelength)
                                     : Pick(reftext::kLiveVerifyUnknown, m_language));
    m_verify->setEnabled(m_verifyCords && wavelength > 0 && current && current->valid);
    const auto reference = m_monitor.Reference();
    m_values[kRef]->setText(reference ? QString::number(*reference, 'f', 2) + QStringLiteral(" dBm")
                                      : kDash);
    const auto& samples = m_monitor.Samples();
    const int64_t now =
        samples.empty() ? QDateTime::currentMSecsSinceEpoch() : samples.back().msecs;
    const bool relativeWithout =
        static_cast<Unit>(m_unit->currentIndex()) == Unit::Relative && !reference;
    static const std::deque<LiveSample> kNone;
    m_chart->Redraw(relativeWithout ? kNone : samples,
                    kSpansMsecs[static_cast<std::size_t>(std::max(0, m_span->currentIndex()))], now,
                    Transform());
    m_chart->SetAxisTitles(Pick(text::kLiveTime, m_language), Pick(text::kLivePower, m_language) +
                                                                  QStringLiteral(" (") +
                                                                  UnitName() + QLatin1Char(')'));
}

} // namespace vemla
