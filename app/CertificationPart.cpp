#include "CertificationPart.h"

#include "EditList.h"
#include "LimitsDlg.h"
#include "MessageBox.h"
#include "MeterSession.h"
#include "ReferenceDlg.h"
#include "UserSettings.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <algorithm>

namespace vemla {
namespace {

// An upload brings rows several hundred a second; the summary follows four times a second,
// less often when judging every row takes a noticeable share of that (tens of thousands of
// rows), so the window stays responsive.
constexpr int kSummaryThrottleMs = 250;
constexpr int kSummaryThrottleMaxMs = 5000;
// A reference goes stale while the window is open: the results are judged again this often.
constexpr int kStaleCheckMs = 60 * 1000;

// Per wavelength in rising order, "   " between them; the marginal count once an uncertainty
// is set.
QString SummaryText(const std::vector<WaveSummary>& summary, bool marginal, Language language) {
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
        if (marginal)
            waves.back() += Pick(text::kSummaryMarginal, language).arg(s.marginal);
    }
    return waves.join(QStringLiteral("   "));
}

} // namespace

CertificationPart::CertificationPart(MeterSession& session, CEditList& table, IMessageBox& boxes,
                                     QWidget* window)
    : m_session(session), m_table(table), m_boxes(boxes), m_window(window),
      m_summary(new QLabel(window)), m_summaryTimer(new QTimer(this)) {
    m_summary->setContentsMargins(6, 2, 6, 2);
    m_summary->setVisible(false);
    m_summaryTimer->setSingleShot(true);
    m_summaryTimer->setInterval(kSummaryThrottleMs);
    connect(m_summaryTimer, &QTimer::timeout, this, &CertificationPart::UpdateSummary);
    const MeasurementModel* model = &m_table.Model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &CertificationPart::ScheduleSummary);
    connect(model, &QAbstractItemModel::modelReset, this, &CertificationPart::ScheduleSummary);
    connect(model, &QAbstractItemModel::dataChanged, this, &CertificationPart::ScheduleSummary);
    auto* stale = new QTimer(this);
    connect(stale, &QTimer::timeout, this, [this] {
        if (m_settings.enabled && !m_settings.references.empty())
            Show();
    });
    stale->start(kStaleCheckMs);
    connect(&m_session, &MeterSession::PortStateChanged, this, [this] {
        const auto state = m_session.State();
        if (state == MeterSession::PortState::Lost || state == MeterSession::PortState::Reopened) {
            m_lastReconnect = QDateTime::currentDateTime();
            ScheduleSummary();
        }
    });
    m_table.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_table, &QWidget::customContextMenuRequested, this, &CertificationPart::OnTableMenu);
}

void CertificationPart::LoadSettings() {
    m_settings = LoadCertificationInForce();
}

void CertificationPart::SetSettings(const CertificationSettings& settings) {
    m_settings = settings;
    KeepCertificationInForce(m_settings);
    Show();
    emit Changed();
}

void CertificationPart::TakeReference(int wavelength, double dBm) {
    CertificationSettings next = m_settings;
    next.SetReference({wavelength, dBm, QDateTime::currentDateTime()});
    SetSettings(next);
}

std::optional<CordVerification> CertificationPart::VerifyCords(int wavelength, double dBm) {
    const LossReference* reference = m_settings.ReferenceAt(wavelength);
    if (reference == nullptr)
        return std::nullopt;
    const CordVerification verification =
        vemla::VerifyCords(wavelength, reference->dBm - dBm, LastCords(m_settings.workflow),
                           QDateTime::currentDateTime());
    CertificationSettings next = m_settings;
    next.workflow.SetVerification(verification);
    SetSettings(next);
    return verification;
}

void CertificationPart::Show() {
    m_table.ShowCertification(m_settings, m_session.Language(), QDateTime::currentDateTime());
    m_summary->setVisible(m_settings.enabled);
    UpdateSummary();
}

void CertificationPart::ScheduleSummary() {
    if (m_settings.enabled && !m_summaryTimer->isActive())
        m_summaryTimer->start();
}

void CertificationPart::UpdateSummary() {
    m_summaryTimer->stop();
    if (!m_settings.enabled) {
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
    const QDateTime now = QDateTime::currentDateTime();
    const Language language = m_session.Language();
    QStringList parts{SummaryText(Summarize(values, m_settings, now),
                                  UncertaintyDb(m_settings).has_value(), language),
                      ReferencesDueText(ReferencesDue(values, m_settings, m_lastReconnect, now),
                                        m_settings, language),
                      CalibrationWarning(m_settings.workflow, now.date(), language)};
    parts.removeAll(QString());
    m_summary->setText(parts.join(QStringLiteral("   ")));
    m_summaryTimer->setInterval(
        std::clamp(int(took.elapsed()) * 4, kSummaryThrottleMs, kSummaryThrottleMaxMs));
}

void CertificationPart::OpenLimitsDialog() {
    auto* dlg =
        new LimitsDlg(m_boxes, m_settings, m_session.Waves(), m_session.Language(), m_window);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(dlg, &QDialog::accepted, this, [this, dlg] { SetSettings(dlg->Result()); });
    dlg->open();
}

void CertificationPart::OpenReferenceDialog() {
    auto* dlg =
        new ReferenceDlg(m_boxes, m_settings, m_session.Waves(), m_session.Language(), m_window);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(dlg, &QDialog::accepted, this, [this, dlg] { SetSettings(dlg->Result()); });
    dlg->open();
}

void CertificationPart::OnTableMenu(const QPoint& at) {
    QMenu menu(m_window);
    menu.addAction(Pick(text::kMenuFillSeries, m_session.Language()), this,
                   &CertificationPart::FillSeries);
    menu.exec(m_table.viewport()->mapToGlobal(at));
}

void CertificationPart::FillSeries() {
    std::vector<int> rows;
    if (const QItemSelectionModel* selection = m_table.selectionModel())
        for (const QModelIndex& row : selection->selectedRows())
            rows.push_back(row.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) {
        m_boxes.Show(m_window, kAppBoxCaption, m_session.Text(text::kFillNoRows));
        return;
    }
    auto* dlg = new FillSeriesDlg(m_boxes, m_series, m_session.Language(), m_window);
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
