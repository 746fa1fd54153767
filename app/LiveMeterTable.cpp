#include "LiveMeterTable.h"

#include "MeterSession.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPixmap>
#include <QPushButton>

namespace vemla {
namespace {

const QString kDash = QString::fromUtf8("—");

// Headers in column order; the two button columns have none.
constexpr std::array<const BilingualText*, LiveMeterTable::kColumns> kHeaders{
    &text::kLivePort,
    &text::kLiveWavelength,
    &text::kLiveCurrent,
    &text::kLiveMinimum,
    &text::kLiveMaximum,
    &text::kLiveMean,
    &text::kLiveMissed,
    &text::kLiveState,
    nullptr,
    nullptr};

QIcon Swatch(const QColor& colour) {
    QPixmap pixmap(12, 12);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QString WaveText(int wavelength) {
    return wavelength > 0 ? QStringLiteral("%1 nm").arg(wavelength) : kDash;
}

} // namespace

QString LiveStatusText(const LiveMonitor& monitor, Language language) {
    const auto t = [language](const BilingualText& text) { return Pick(text, language); };
    switch (monitor.CurrentStatus()) {
    case LiveMonitor::Status::Idle:
        return t(text::kLiveIdle);
    case LiveMonitor::Status::Polling:
        return t(text::kLivePolling);
    case LiveMonitor::Status::Waiting:
        return t(text::kLiveWaiting);
    case LiveMonitor::Status::NoReply:
        return t(text::kLiveNoReply);
    case LiveMonitor::Status::PortNotOpen:
        return t(text::kComNotOpen);
    case LiveMonitor::Status::LogFailed:
        break;
    }
    return t(text::kLiveLogFailed).arg(monitor.LogPath(), monitor.LogError());
}

LiveMeterTable::LiveMeterTable(const LiveMeters& meters, QWidget* parent)
    : QTableWidget(0, kColumns, parent), m_meters(meters) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(kState, QHeaderView::Stretch);
    Rebuild();
}

void LiveMeterTable::Retranslate(Language language) {
    m_language = language;
    QStringList headers;
    for (const BilingualText* header : kHeaders)
        headers << (header ? Pick(*header, language) : QString());
    setHorizontalHeaderLabels(headers);
    ShowButtons();
}

void LiveMeterTable::ShowButtons() {
    for (int row = 0; row < rowCount() && row < m_meters.Count(); ++row)
        ShowButtons(row);
}

void LiveMeterTable::Rebuild() {
    setRowCount(0);
    setRowCount(m_meters.Count());
    for (int row = 0; row < m_meters.Count(); ++row)
        AddRow(row);
}

void LiveMeterTable::AddRow(int row) {
    const LiveMeters::Meter& meter = m_meters.At(row);
    for (int column = kPort; column <= kState; ++column) {
        auto* item = new QTableWidgetItem;
        if (column != kPort && column != kState)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setItem(row, column, item);
    }
    item(row, kPort)->setIcon(Swatch(m_meters.Colour(meter)));
    const int id = meter.id;
    auto* run = new QPushButton;
    connect(run, &QPushButton::clicked, this, [this, id] { emit StartPauseClicked(id); });
    setCellWidget(row, kRun, run);
    if (id != 0) {
        auto* waves = new QComboBox;
        connect(waves, &QComboBox::activated, this,
                [this, id](int index) { emit WaveChosen(id, index); });
        setCellWidget(row, kWave, waves);
        auto* remove = new QPushButton;
        connect(remove, &QPushButton::clicked, this, [this, id] { emit RemoveClicked(id); });
        setCellWidget(row, kRemove, remove);
        ShowWaves(row);
    }
    ShowButtons(row);
}

void LiveMeterTable::ShowButtons(int row) {
    const LiveMeters::Meter& meter = m_meters.At(row);
    if (auto* run = qobject_cast<QPushButton*>(cellWidget(row, kRun)))
        run->setText(
            Pick(meter.monitor->Running() ? text::kLivePause : text::kLiveStart, m_language));
    if (auto* remove = qobject_cast<QPushButton*>(cellWidget(row, kRemove)))
        remove->setText(Pick(text::kLiveRemoveMeter, m_language));
}

void LiveMeterTable::ShowWaves(int row) {
    auto* waves = qobject_cast<QComboBox*>(cellWidget(row, kWave));
    if (!waves)
        return;
    const MeterSession& session = *m_meters.At(row).session;
    QStringList texts;
    for (int wave : session.Waves())
        texts << WaveText(wave);
    QStringList shown;
    for (int i = 0; i < waves->count(); ++i)
        shown << waves->itemText(i);
    if (shown != texts) {
        waves->clear();
        waves->addItems(texts);
    }
    const auto& offered = session.Waves();
    const auto at = std::find(offered.begin(), offered.end(), session.SelectedWavelength());
    waves->setCurrentIndex(at == offered.end() ? -1 : static_cast<int>(at - offered.begin()));
}

void LiveMeterTable::ShowValues(const Shown& shown) {
    for (int row = 0; row < rowCount() && row < m_meters.Count(); ++row) {
        const LiveMeters::Meter& meter = m_meters.At(row);
        const LiveStatistics& s = meter.monitor->Statistics();
        const auto current = s.Current();
        const bool any = s.Count() > 0;
        item(row, kPort)->setText(m_meters.PortName(meter));
        if (meter.id == 0)
            item(row, kWave)->setText(WaveText(meter.session->SelectedWavelength()));
        item(row, kCurrent)
            ->setText(current && current->valid ? shown(meter, current->dBm) : kDash);
        item(row, kMinimum)->setText(any ? shown(meter, s.Minimum()) : kDash);
        item(row, kMaximum)->setText(any ? shown(meter, s.Maximum()) : kDash);
        item(row, kMean)->setText(any ? shown(meter, s.Mean()) : kDash);
        item(row, kMissed)->setText(QString::number(meter.monitor->MissedPolls()));
        item(row, kState)->setText(LiveStatusText(*meter.monitor, m_language));
        item(row, kState)->setToolTip(meter.notice);
        ShowButtons(row);
    }
}

} // namespace vemla
