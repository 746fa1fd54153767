#include "LiveWindow.h"

#include "Certification.h"
#include "LiveChart.h"
#include "LiveMeterTable.h"
#include "MeterSession.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

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
    : QDialog(parent), m_session(session), m_meters(session), m_logFolder(std::move(logFolder)),
      m_askPath([this](const QString& proposed) {
          return QFileDialog::getSaveFileName(this, QString(), proposed,
                                              Pick(text::kLiveCsvFilter, m_language));
      }),
      m_startPause(new QPushButton(this)), m_interval(new QComboBox(this)),
      m_span(new QComboBox(this)), m_unit(new QComboBox(this)), m_chart(new LiveChart(this)),
      m_reset(new QPushButton(this)), m_setReference(new QPushButton(this)),
      m_hold(new QPushButton(this)), m_record(new QPushButton(this)),
      m_useAsReference(new QPushButton(this)), m_verify(new QPushButton(this)),
      m_status(new QLabel(this)), m_addMeter(new QPushButton(this)), m_portMenu(new QMenu(this)),
      m_table(new LiveMeterTable(m_meters, this)) {
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
    PlaceControls();
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshMs);
    ConnectControls();
    ConnectMeters();
    Retranslate(session.Language());
    resize(900, 600);
}

void LiveWindow::PlaceControls() {
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_startPause);
    for (std::size_t i = 0; i < m_captions.size(); ++i) {
        m_captions[i] = new QLabel(this);
        controls->addWidget(m_captions[i]);
        controls->addWidget(std::array<QComboBox*, 3>{m_interval, m_span, m_unit}[i]);
    }
    controls->addStretch();
    controls->addWidget(m_addMeter);

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
    int next = static_cast<int>(m_names.size());
    for (QPushButton* b : {m_reset, m_setReference, m_hold, m_record, m_useAsReference, m_verify})
        stats->addWidget(b, next++, 0, 1, 2);
    stats->setRowStretch(next, 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_chart, 1);
    middle->addLayout(stats);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(middle, 3);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
}

void LiveWindow::ConnectControls() {
    connect(&m_refresh, &QTimer::timeout, this, &LiveWindow::Refresh);
    connect(m_startPause, &QPushButton::clicked, this, &LiveWindow::OnStartPause);
    connect(m_addMeter, &QPushButton::clicked, this, &LiveWindow::ShowPortMenu);
    connect(m_interval, &QComboBox::activated, this,
            [this] { m_meters.SetInterval(m_interval->currentData().toInt()); });
    connect(m_span, &QComboBox::activated, this, &LiveWindow::Refresh);
    connect(m_unit, &QComboBox::activated, this, &LiveWindow::Refresh);
    connect(m_reset, &QPushButton::clicked, this, [this] {
        for (int row = 0; row < m_meters.Count(); ++row)
            m_meters.At(row).monitor->ResetStatistics();
    });
    connect(m_setReference, &QPushButton::clicked, this, &LiveWindow::OnSetReference);
    // Hold freezes only what is shown; the readings go on being taken, logged and counted.
    // Held, it shows the latest reading first, then stays until released.
    connect(m_hold, &QPushButton::toggled, this, [this] { Refresh(); });
    connect(m_record, &QPushButton::clicked, this, &LiveWindow::OnRecord);
    connect(m_useAsReference, &QPushButton::clicked, this, &LiveWindow::OnUseAsReference);
    connect(m_verify, &QPushButton::clicked, this, &LiveWindow::OnVerifyCords);
    // The button names the wavelength the meter acknowledged last.
    connect(&m_session, &MeterSession::WavelengthAcknowledged, this, &LiveWindow::Refresh);
}

void LiveWindow::ConnectMeters() {
    connect(&m_meters, &LiveMeters::SampleAdded, this, &LiveWindow::OnSample);
    connect(&m_meters, &LiveMeters::StatusChanged, this, [this](int id) {
        if (id == 0)
            ShowStatus();
        OnSample();
    });
    connect(&m_meters, &LiveMeters::MeterChanged, this, [this](int id) {
        for (int row = 0; row < m_meters.Count(); ++row)
            if (m_meters.At(row).id == id)
                m_table->ShowWaves(row);
        OnSample();
    });
    connect(&m_meters, &LiveMeters::MetersChanged, this, [this] {
        m_table->Rebuild();
        Refresh();
    });
    connect(m_table, &LiveMeterTable::StartPauseClicked, this, &LiveWindow::OnStartPauseMeter);
    connect(m_table, &LiveMeterTable::WaveChosen, &m_meters, &LiveMeters::SelectWave);
    // Later: the row's button is the one being clicked.
    connect(m_table, &LiveMeterTable::RemoveClicked, &m_meters, &LiveMeters::Remove,
            Qt::QueuedConnection);
}

LiveWindow::~LiveWindow() = default;

void LiveWindow::Retranslate(Language language) {
    m_language = language;
    const auto t = [language](const BilingualText& text) { return Pick(text, language); };
    setWindowTitle(t(text::kLiveTitle));
    m_captions[0]->setText(t(text::kLiveInterval));
    m_captions[1]->setText(t(text::kLiveSpan));
    m_captions[2]->setText(t(text::kLiveUnit));
    m_addMeter->setText(t(text::kLiveAddMeter));
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
    m_record->setText(t(Monitor().Logging() ? text::kLiveStopRecord : text::kLiveRecord));
    m_table->Retranslate(language);
    m_meters.SetLanguage(language);
    ShowStartPause();
    ShowStatus();
    Refresh();
}

void LiveWindow::closeEvent(QCloseEvent* event) {
    // A monitor nobody sees would poll on; the log it wrote stays complete.
    for (int row = 0; row < m_meters.Count(); ++row)
        m_meters.At(row).monitor->Pause();
    Monitor().StopLog();
    m_record->setChecked(false);
    Retranslate(m_language);
    QDialog::closeEvent(event);
}

bool LiveWindow::AnyRunning() const {
    for (int row = 0; row < m_meters.Count(); ++row)
        if (m_meters.At(row).monitor->Running())
            return true;
    return false;
}

// The whole set: any meter reading pauses them all, none starts them all.
void LiveWindow::OnStartPause() {
    const bool pause = AnyRunning();
    for (int row = 0; row < m_meters.Count(); ++row) {
        LiveMonitor& monitor = *m_meters.At(row).monitor;
        if (pause)
            monitor.Pause();
        else
            monitor.Start();
    }
    ShowStartPause();
}

void LiveWindow::OnStartPauseMeter(int id) {
    if (const LiveMeters::Meter* meter = m_meters.Find(id)) {
        if (meter->monitor->Running())
            meter->monitor->Pause();
        else
            meter->monitor->Start();
    }
    ShowStartPause();
}

void LiveWindow::ShowStartPause() {
    m_startPause->setText(Pick(AnyRunning() ? text::kLivePause : text::kLiveStart, m_language));
    m_table->ShowButtons();
}

// Each meter's current reading becomes its own relative reference.
void LiveWindow::OnSetReference() {
    for (int row = 0; row < m_meters.Count(); ++row)
        m_meters.At(row).monitor->SetReferenceToCurrent();
    Refresh();
}

void LiveWindow::ShowPortMenu() {
    m_portMenu->clear();
    const std::vector<PortEntry> ports = m_meters.FreePorts();
    for (const PortEntry& port : ports) {
        QAction* action = m_portMenu->addAction(QString::fromStdString(port.name));
        action->setToolTip(QString::fromStdString(port.description));
        connect(action, &QAction::triggered, this, [this, port] { AddMeter(port); });
    }
    if (ports.empty())
        m_portMenu->addAction(Pick(text::kLiveNoFreePort, m_language))->setEnabled(false);
    m_portMenu->popup(m_addMeter->mapToGlobal(QPoint(0, m_addMeter->height())));
}

void LiveWindow::AddMeter(const PortEntry& port) {
    if (const std::optional<QString> refused = m_meters.Add(port))
        m_status->setText(*refused);
}

void LiveWindow::OnRecord() {
    if (Monitor().Logging()) {
        Monitor().StopLog();
    } else {
        const QString proposed =
            QDir(m_logFolder).filePath(LiveLog::DefaultFileName(QDateTime::currentDateTime()));
        const QString path = m_askPath(proposed);
        if (!path.isEmpty() && !Monitor().StartLog(path))
            m_status->setText(
                Pick(text::kLiveLogFailed, m_language).arg(path, Monitor().LogError()));
    }
    m_record->setChecked(Monitor().Logging());
    m_record->setText(
        Pick(Monitor().Logging() ? text::kLiveStopRecord : text::kLiveRecord, m_language));
    if (Monitor().Logging())
        ShowStatus();
}

void LiveWindow::OnUseAsReference() {
    const auto current = Monitor().Statistics().Current();
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
    const auto current = Monitor().Statistics().Current();
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
    QString line = LiveStatusText(Monitor(), m_language);
    if (Monitor().CurrentStatus() == LiveMonitor::Status::LogFailed) {
        m_record->setChecked(false);
        m_record->setText(Pick(text::kLiveRecord, m_language));
    }
    if (Monitor().Logging())
        line +=
            QStringLiteral("  ") + Pick(text::kLiveRecording, m_language).arg(Monitor().LogPath());
    m_status->setText(line);
}

LivePowerUnit LiveWindow::UnitFor(const LiveMonitor& monitor) const {
    const auto unit = static_cast<LiveUnit>(m_unit->currentIndex());
    return {unit, monitor.Reference(),
            unit == LiveUnit::Relative ? QStringLiteral("dB") : m_unit->currentText()};
}

void LiveWindow::Refresh() {
    m_refresh.stop();
    ShowFirstMeter();
    m_table->ShowValues(
        [this](const LiveMeters::Meter& m, double dBm) { return UnitFor(*m.monitor).Shown(dBm); });
    RedrawChart();
}

// The main window's meter's statistics and what its reading can become.
void LiveWindow::ShowFirstMeter() {
    const LiveMonitor& monitor = Monitor();
    const LiveStatistics& s = monitor.Statistics();
    const auto current = s.Current();
    const bool any = s.Count() > 0;
    const LivePowerUnit unit = UnitFor(monitor);
    m_values[kCurrent]->setText(current && current->valid ? unit.Shown(current->dBm) : kDash);
    m_values[kMinimum]->setText(any ? unit.Shown(s.Minimum()) : kDash);
    m_values[kMaximum]->setText(any ? unit.Shown(s.Maximum()) : kDash);
    m_values[kMean]->setText(any ? unit.Shown(s.Mean()) : kDash);
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
    const auto reference = monitor.Reference();
    m_values[kRef]->setText(reference ? QString::number(*reference, 'f', 2) + QStringLiteral(" dBm")
                                      : kDash);
}

// A trace per meter, named by its port and the wavelength it acknowledged, against the latest
// reading of any of them.
void LiveWindow::RedrawChart() {
    std::vector<LiveChart::Trace> traces;
    int64_t now = std::numeric_limits<int64_t>::min();
    for (int row = 0; row < m_meters.Count(); ++row) {
        const LiveMeters::Meter& meter = m_meters.At(row);
        const LiveMonitor& monitor = *meter.monitor;
        if (!monitor.Samples().empty())
            now = std::max(now, monitor.Samples().back().msecs);
        const int wavelength = meter.session->SelectedWavelength();
        QString name = m_meters.PortName(meter);
        if (wavelength > 0)
            name += QStringLiteral(" %1 nm").arg(wavelength);
        const LivePowerUnit unit = UnitFor(monitor);
        traces.push_back({meter.id, name, m_meters.Colour(meter),
                          unit.Showable() ? &monitor.Samples() : nullptr, unit.Transform()});
    }
    if (now == std::numeric_limits<int64_t>::min())
        now = QDateTime::currentMSecsSinceEpoch();
    m_chart->Redraw(
        traces, kSpansMsecs[static_cast<std::size_t>(std::max(0, m_span->currentIndex()))], now);
    m_chart->SetAxisTitles(Pick(text::kLiveTime, m_language),
                           Pick(text::kLivePower, m_language) + QStringLiteral(" (") +
                               UnitFor(Monitor()).name + QLatin1Char(')'));
}

} // namespace vemla
