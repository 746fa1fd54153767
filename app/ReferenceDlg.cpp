#include "ReferenceDlg.h"

#include "MessageBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <set>

namespace vemla {
namespace {

constexpr std::array<const BilingualText*, 6> kColumns{
    &reftext::kColWavelength, &reftext::kColReference, &reftext::kColTaken,
    &reftext::kVerifyReading, &reftext::kVerifyCords,  &reftext::kColResult};

std::optional<double> Reading(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value) && std::fabs(value) <= kMaxDb ? std::optional(value)
                                                                    : std::nullopt;
}

QTableWidgetItem* Fixed(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

ReferenceDlg::ReferenceDlg(IMessageBox& boxes, const CertificationSettings& settings,
                           const std::vector<int>& waves, Language language, QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_language(language), m_result(settings),
      m_table(new QTableWidget(0, int(kColumns.size()), this)), m_launch(new QComboBox(this)),
      m_calibration(new QLineEdit(this)), m_renew(new QSpinBox(this)) {
    setWindowTitle(T(reftext::kDlgTitle));
    QStringList captions;
    for (const BilingualText* c : kColumns)
        captions << T(*c);
    m_table->setHorizontalHeaderLabels(captions);
    m_table->verticalHeader()->hide();
    std::set<int> rows(waves.begin(), waves.end());
    for (const LossReference& r : settings.references)
        rows.insert(r.wavelength);
    for (const CordVerification& v : settings.workflow.verifications)
        rows.insert(v.wavelength);
    m_table->setRowCount(int(rows.size()));
    for (int wave : rows)
        AddRow(int(m_rowWaves.size()), wave);
    m_table->resizeColumnsToContents();

    const ReferenceWorkflow& w = settings.workflow;
    for (LaunchCondition l : {LaunchCondition::Unknown, LaunchCondition::EncircledFlux,
                              LaunchCondition::NotEncircledFlux})
        m_launch->addItem(LaunchText(l, language));
    m_launch->setCurrentIndex(int(w.launch));
    m_calibration->setObjectName(QStringLiteral("calibration"));
    m_calibration->setText(w.calibrationDue.toString(Qt::ISODate));
    m_renew->setRange(0, kMaxRenewReadings);
    m_renew->setSpecialValueText(T(reftext::kRenewOff));
    m_renew->setValue(w.renewAfterReadings);

    auto* form = new QFormLayout;
    form->addRow(T(reftext::kLaunchLabel), m_launch);
    form->addRow(T(reftext::kCalibrationLabel), m_calibration);
    form->addRow(T(reftext::kRenewLabel), m_renew);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ReferenceDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ReferenceDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(720, 420);
}

void ReferenceDlg::AddRow(int row, int wavelength) {
    m_rowWaves.push_back(wavelength);
    const LossReference* reference = m_result.ReferenceAt(wavelength);
    m_table->setItem(row, kWave, Fixed(QString::number(wavelength)));
    m_table->setItem(
        row, kReference,
        Fixed(reference ? InputText(reference->dBm) : QString::fromUtf8(kNoResultText)));
    m_table->setItem(row, kTaken,
                     Fixed(reference ? reference->taken.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                     : QString()));
    m_table->setItem(row, kResult, Fixed(QString()));
    // A voided verification is not offered again: the cords are to be mated anew.
    const CordVerification* held = VerificationInForce(m_result, wavelength);
    auto* reading = new QLineEdit(held ? DbText(held->lossDb) : QString(), m_table);
    auto* cords = new QLineEdit(held ? held->cords : LastCords(m_result.workflow), m_table);
    cords->setMaxLength(kMaxCordsText);
    reading->setObjectName(QStringLiteral("reading %1").arg(wavelength));
    cords->setObjectName(QStringLiteral("cords %1").arg(wavelength));
    m_table->setCellWidget(row, kReading, reading);
    m_table->setCellWidget(row, kCords, cords);
    m_readings.push_back(reading);
    m_cords.push_back(cords);
    connect(reading, &QLineEdit::textChanged, this, [this, row] { ShowResult(row); });
    ShowResult(row);
}

void ReferenceDlg::ShowResult(int row) {
    const int wave = m_rowWaves[size_t(row)];
    const auto value = Reading(m_readings[size_t(row)]->text());
    m_table->item(row, kResult)
        ->setText(
            value ? VerdictText(TrcPasses(wave, *value) ? Verdict::Pass : Verdict::Fail, m_language)
                  : QString());
}

std::optional<ReferenceWorkflow> ReferenceDlg::Collect(QString* problem) const {
    ReferenceWorkflow w;
    w.launch = LaunchCondition(std::max(0, m_launch->currentIndex()));
    w.renewAfterReadings = m_renew->value();
    const QString due = m_calibration->text().trimmed();
    w.calibrationDue = QDate::fromString(due, Qt::ISODate);
    if (!due.isEmpty() && !w.calibrationDue.isValid())
        return *problem = T(reftext::kBadDate), std::nullopt;
    for (size_t row = 0; row < m_rowWaves.size(); ++row) {
        const int wave = m_rowWaves[row];
        const QString typed = m_readings[row]->text().trimmed();
        if (typed.isEmpty())
            continue;
        const auto value = Reading(typed);
        if (!value)
            return *problem = T(reftext::kBadReading).arg(wave), std::nullopt;
        const QString cords = m_cords[row]->text().trimmed();
        // Unchanged, the verification keeps the time it was read at.
        const CordVerification* held = VerificationInForce(m_result, wave);
        if (held && DbText(held->lossDb) == typed && held->cords == cords)
            w.SetVerification(*held);
        else
            w.SetVerification(VerifyCords(wave, *value, cords, m_clock()));
    }
    return w;
}

void ReferenceDlg::accept() {
    QString problem;
    const std::optional<ReferenceWorkflow> workflow = Collect(&problem);
    if (!workflow) {
        m_boxes.Show(this, kAppBoxCaption, problem, BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    m_result.workflow = *workflow;
    QDialog::accept();
}

} // namespace vemla
