// The main window's part of loss certification: the settings it keeps, the limits dialog, the
// judged columns and the summary line, fibre labels.
#include "EditList.h"
#include "LimitsDlg.h"
#include "MainMenu.h"
#include "MeterDlg.h"
#include "UserSettings.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

namespace vemla {
namespace {

// An upload brings rows several hundred a second; the summary follows four times a second,
// less often when judging every row takes a noticeable share of that (tens of thousands of
// rows), so the window stays responsive.
constexpr int kSummaryThrottleMs = 250;
constexpr int kSummaryThrottleMaxMs = 5000;
// A reference goes stale while the window is open: the results are judged again this often.
constexpr int kStaleCheckMs = 60 * 1000;

} // namespace

void CMeterDlg::AddSummaryLine(QVBoxLayout* layout) {
    m_certification = LoadCertificationInForce();
    m_summary = new QLabel(this);
    m_summary->setContentsMargins(6, 2, 6, 2);
    m_summary->setVisible(false);
    layout->addWidget(m_summary);
    m_summaryTimer = new QTimer(this);
    m_summaryTimer->setSingleShot(true);
    m_summaryTimer->setInterval(kSummaryThrottleMs);
    connect(m_summaryTimer, &QTimer::timeout, this, &CMeterDlg::UpdateSummary);
    const MeasurementModel* model = &m_table->Model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &CMeterDlg::ScheduleSummary);
    connect(model, &QAbstractItemModel::modelReset, this, &CMeterDlg::ScheduleSummary);
    connect(model, &QAbstractItemModel::dataChanged, this, &CMeterDlg::ScheduleSummary);
    auto* stale = new QTimer(this);
    connect(stale, &QTimer::timeout, this, [this] {
        if (m_certification.enabled && !m_certification.references.empty())
            ShowCertification();
    });
    stale->start(kStaleCheckMs);
}

void CMeterDlg::AddCertificationEntries() {
    using Menu = CMainMenu::Menu;
    m_menu->Add(Menu::Measure, text::kMenuLossLimits, [this] { OnLossLimits(); });
    m_menu->Add(Menu::Measure, text::kMenuFillSeries, [this] { OnFillSeries(); });
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, &CMeterDlg::OnTableMenu);
}

void CMeterDlg::SetCertification(const CertificationSettings& settings) {
    m_certification = settings;
    KeepCertificationInForce(m_certification);
    ShowCertification();
    emit CertificationChanged();
}

void CMeterDlg::ShowCertification() {
    m_table->ShowCertification(m_certification, UiLanguage(), QDateTime::currentDateTime());
    m_summary->setVisible(m_certification.enabled);
    UpdateSummary();
}

void CMeterDlg::ScheduleSummary() {
    if (m_certification.enabled && !m_summaryTimer->isActive())
        m_summaryTimer->start();
}

void CMeterDlg::UpdateSummary() {
    m_summaryTimer->stop();
    if (!m_certification.enabled) {
        m_summary->clear();
        return;
    }
    QElapsedTimer took;
    took.start();
    const RecordList& records = m_session.Records();
    std::vector<RecordValues> values;
    values.reserve(std::size_t(records.Count()));
    for (int row = 0; row < records.Count(); ++row)
        values.push_back(records.At(row).values);
    m_summary->setText(SummaryText(Summarize(values, m_certification, QDateTime::currentDateTime()),
                                   UiLanguage()));
    m_summaryTimer->setInterval(
        std::clamp(int(took.elapsed()) * 4, kSummaryThrottleMs, kSummaryThrottleMaxMs));
}

QString CMeterDlg::SummaryText(const std::vector<WaveSummary>& summary, Language language) {
    QStringList waves;
    for (const WaveSummary& s : summary) {
        const QString worst = s.worstMarginDb ? QString::asprintf("%.2f dB", *s.worstMarginDb)
                                              : QString::fromUtf8(kNoResultText);
        waves << Pick(text::kSummaryWave, language)
                     .arg(s.wavelength)
                     .arg(s.count)
                     .arg(s.pass)
                     .arg(s.fail)
                     .arg(worst);
    }
    return waves.join(QStringLiteral("   "));
}

void CMeterDlg::OnLossLimits() {
    auto* dlg = new CLimitsDlg(m_boxes, m_certification, m_session.Waves(), UiLanguage(), this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(dlg, &QDialog::accepted, this, [this, dlg] { SetCertification(dlg->Result()); });
    dlg->open();
}

void CMeterDlg::OnTableMenu(const QPoint& at) {
    QMenu menu(this);
    menu.addAction(Pick(text::kMenuFillSeries, UiLanguage()), this, &CMeterDlg::OnFillSeries);
    menu.exec(m_table->viewport()->mapToGlobal(at));
}

void CMeterDlg::OnFillSeries() {
    std::vector<int> rows;
    if (const QItemSelectionModel* selection = m_table->selectionModel())
        for (const QModelIndex& row : selection->selectedRows())
            rows.push_back(row.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) {
        ShowAppMessage(m_session.Text(text::kFillNoRows));
        return;
    }
    auto* dlg = new CFillSeriesDlg(m_boxes, m_series, UiLanguage(), this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    // Window-modal: the rows chosen now are the rows labelled, in table order.
    connect(dlg, &QDialog::accepted, this, [this, dlg, rows] {
        m_series = dlg->Pattern();
        // Through the records, so the archive keeps the labels as it keeps any correction.
        RecordList& records = m_session.Records();
        for (std::size_t i = 0; i < rows.size(); ++i)
            records.SetText(rows[i], kTableColumns - 1,
                            SeriesLabel(m_series.prefix, m_series.start, m_series.step,
                                        m_series.width, int(i)));
    });
    dlg->open();
}

} // namespace vemla
