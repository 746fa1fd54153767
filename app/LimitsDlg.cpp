#include "LimitsDlg.h"

#include "MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vemla {
namespace limitsdlg {

QString Number(double value) {
    return QString::number(value, 'g', 10);
}

// Empty for none: the operator has not given the figure.
QString OptionalNumber(const std::optional<double>& value) {
    return value ? Number(*value) : QString();
}

std::optional<double> ParseBounded(const QString& text, double low, double high) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace limitsdlg

namespace {

using namespace limitsdlg;

QString TakenText(const LossReference& reference, double staleAfterHours, const QDateTime& now,
                  Language language) {
    QString text = reference.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    if (IsStale(reference, staleAfterHours, now))
        text += QStringLiteral(" (") + Pick(certtext::kStale, language) + QLatin1Char(')');
    return text;
}

} // namespace

LimitsDlg::LimitsDlg(IMessageBox& boxes, const CertificationSettings& settings,
                     const std::vector<int>& waves, Language language, QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_language(language), m_edited(settings), m_result(settings),
      m_enabled(new QCheckBox(this)), m_preset(new QComboBox(this)), m_method(new QComboBox(this)),
      m_newWave(new QLineEdit(this)), m_table(new QTableWidget(0, 7, this)) {
    setWindowTitle(T(text::kLimitsTitle));
    m_enabled->setText(T(text::kLimitsEnable));
    for (const CertificationPreset& preset : Presets())
        m_preset->addItem(Pick(preset.name, language));
    for (ReferenceMethod m :
         {ReferenceMethod::OneCord, ReferenceMethod::TwoCord, ReferenceMethod::ThreeCord})
        m_method->addItem(MethodText(m, language));
    auto* form = new QFormLayout;
    form->addRow(m_enabled);
    form->addRow(T(text::kLimitsPreset), m_preset);
    m_edition = new QLabel(this);
    m_edition->setWordWrap(true);
    m_copy = new QPushButton(T(text::kLimitsCopyToCustom), this);
    m_copy->setAutoDefault(false);
    auto* edition = new QHBoxLayout;
    edition->addWidget(m_edition, 1);
    edition->addWidget(m_copy);
    form->addRow(T(text::kLimitsEdition), edition);
    form->addRow(T(text::kLimitsMethod), m_method);
    m_length = AddField(form, text::kLimitsLength);
    m_pairs = AddField(form, text::kLimitsPairs);
    m_perPair = AddField(form, text::kLimitsPerPair);
    m_endConnection = AddField(form, text::kLimitsEndConnection);
    m_splices = AddField(form, text::kLimitsSplices);
    m_perSplice = AddField(form, text::kLimitsPerSplice);
    m_margin = AddField(form, text::kLimitsMargin);
    m_staleAfter = AddField(form, text::kLimitsStaleAfter);
    m_meterUncertainty = AddField(form, text::kLimitsMeterUncertainty);
    m_sourceUncertainty = AddField(form, text::kLimitsSourceUncertainty);
    m_fields = {{m_length, &text::kLimitsLength, 0, kMaxKm},
                {m_pairs, &text::kLimitsPairs, 0, kMaxCount},
                {m_perPair, &text::kLimitsPerPair, 0, kMaxDb},
                {m_splices, &text::kLimitsSplices, 0, kMaxCount},
                {m_perSplice, &text::kLimitsPerSplice, 0, kMaxDb},
                {m_margin, &text::kLimitsMargin, 0, kMaxDb},
                {m_staleAfter, &text::kLimitsStaleAfter, 0, kMaxStaleHours}};
    QPushButton* add = Layout(form);
    Fill(settings, waves);

    connect(m_preset, &QComboBox::activated, this, &LimitsDlg::OnPreset);
    connect(m_copy, &QPushButton::clicked, this, &LimitsDlg::OnCopyToCustom);
    connect(add, &QPushButton::clicked, this, &LimitsDlg::OnAddWave);
    connect(m_newWave, &QLineEdit::returnPressed, this, &LimitsDlg::OnAddWave);
    connect(m_table, &QTableWidget::cellChanged, this, &LimitsDlg::OnCellChanged);
    resize(760, 640);
}

QLineEdit* LimitsDlg::AddField(QFormLayout* form, const BilingualText& name) {
    auto* edit = new QLineEdit(this);
    // Named in English whatever the language, so tests and accessibility tools find it.
    edit->setObjectName(QString::fromUtf8(name.english.data(), qsizetype(name.english.size())));
    form->addRow(T(name), edit);
    connect(edit, &QLineEdit::textChanged, this, &LimitsDlg::UpdateLimits);
    return edit;
}

// The table of wavelengths, the wavelength to add and the buttons under the form; returns the
// button that adds a wavelength.
QPushButton* LimitsDlg::Layout(QFormLayout* form) {
    QStringList captions;
    for (const BilingualText& c : text::kLimitsColumns)
        captions << T(c);
    m_table->setHorizontalHeaderLabels(captions);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* add = new QPushButton(T(text::kLimitsAddWave), this);
    add->setAutoDefault(false);
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(m_newWave);
    addRow->addWidget(add);
    addRow->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &LimitsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LimitsDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_table, 1);
    layout->addLayout(addRow);
    layout->addWidget(buttons);
    return add;
}

// The settings as the dialog opens on them: a row for each wavelength known or reported.
void LimitsDlg::Fill(const CertificationSettings& settings, const std::vector<int>& waves) {
    m_filling = true;
    m_enabled->setChecked(settings.enabled);
    m_preset->setCurrentIndex(-1);
    for (int i = 0; i < int(Presets().size()); ++i)
        if (&Presets()[std::size_t(i)] == FindPreset(settings.preset))
            m_preset->setCurrentIndex(i);
    m_method->setCurrentIndex(static_cast<int>(settings.method));
    m_length->setText(Number(settings.link.lengthKm));
    m_pairs->setText(QString::number(settings.link.connectorPairs));
    m_perPair->setText(Number(settings.link.lossPerPairDb));
    m_endConnection->setText(OptionalNumber(settings.link.endConnectionDb));
    m_splices->setText(QString::number(settings.link.splices));
    m_perSplice->setText(Number(settings.link.lossPerSpliceDb));
    m_margin->setText(Number(settings.link.designMarginDb));
    m_staleAfter->setText(Number(settings.staleAfterHours));
    m_meterUncertainty->setText(OptionalNumber(settings.meterUncertaintyDb));
    m_sourceUncertainty->setText(OptionalNumber(settings.sourceUncertaintyDb));
    std::vector<int> rows = waves;
    for (const WaveLimit& l : settings.limits)
        rows.push_back(l.wavelength);
    for (const LossReference& r : settings.references)
        rows.push_back(r.wavelength);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int w : rows)
        if (w > 0 && w <= kMaxWavelength && m_rowWaves.size() < kMaxWaves)
            AddRow(w);
    m_filling = false;
    ShowPreset();
    UpdateLimits();
}

int LimitsDlg::RowOf(int wavelength) const {
    const auto at = std::find(m_rowWaves.begin(), m_rowWaves.end(), wavelength);
    return at == m_rowWaves.end() ? -1 : int(at - m_rowWaves.begin());
}

void LimitsDlg::AddRow(int wavelength) {
    const int row = int(m_rowWaves.size());
    m_rowWaves.push_back(wavelength);
    m_table->insertRow(row);
    const auto readOnly = [this, row](int column) {
        auto* item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_table->setItem(row, column, item);
    };
    readOnly(kWave);
    readOnly(kLimit);
    readOnly(kTaken);
    for (int c : {kMaxLoss, kAttenuation, kReference})
        m_table->setItem(row, c, new QTableWidgetItem);
    auto* kind = new QComboBox(m_table);
    kind->addItem(T(text::kLimitsFixed));
    kind->addItem(T(text::kLimitsBudget));
    m_table->setCellWidget(row, kKind, kind);
    connect(kind, &QComboBox::currentIndexChanged, this, &LimitsDlg::UpdateLimits);
    FillRow(row);
}

// Shows the row's wavelength as m_edited holds it.
void LimitsDlg::FillRow(int row) {
    const bool was = m_filling;
    m_filling = true;
    const int w = m_rowWaves[std::size_t(row)];
    m_table->item(row, kWave)->setText(QString::number(w));
    const WaveLimit* limit = m_edited.LimitAt(w);
    qobject_cast<QComboBox*>(m_table->cellWidget(row, kKind))
        ->setCurrentIndex(limit && limit->kind == WaveLimit::Kind::Fixed ? 0 : 1);
    // Empty until the operator gives a value: a wavelength without one has no limit, never a
    // made-up one.
    m_table->item(row, kMaxLoss)->setText(limit ? Number(limit->maxLossDb) : QString());
    m_table->item(row, kAttenuation)
        ->setText(limit ? Number(limit->attenuationDbPerKm) : QString());
    const LossReference* reference = m_edited.ReferenceAt(w);
    m_table->item(row, kReference)
        ->setText(reference ? QString::number(reference->dBm, 'f', 2) : QString());
    m_table->item(row, kTaken)
        ->setText(reference ? TakenText(*reference, m_edited.staleAfterHours, m_clock(), m_language)
                            : QString());
    m_filling = was;
}

void LimitsDlg::OnAddWave() {
    const auto w = ParseBounded(m_newWave->text(), 1, kMaxWavelength);
    if (!w || *w != std::floor(*w) || m_rowWaves.size() >= kMaxWaves) {
        m_boxes.Show(this, kAppBoxCaption,
                     T(text::kLimitsBadNumber)
                         .arg(T(text::kLimitsColumns[kWave]), QStringLiteral("1"),
                              QString::number(kMaxWavelength)),
                     BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    if (RowOf(int(*w)) < 0)
        AddRow(int(*w));
    m_newWave->clear();
    UpdateLimits();
}

void LimitsDlg::OnCellChanged(int row, int column) {
    if (m_filling)
        return;
    if (column == kReference) {
        // A reference typed anew was taken now, whatever the old one's time.
        LossReference r;
        r.wavelength = m_rowWaves[std::size_t(row)];
        r.taken = m_clock();
        const bool none = m_table->item(row, kReference)->text().trimmed().isEmpty();
        std::erase_if(m_edited.references,
                      [&r](const LossReference& old) { return old.wavelength == r.wavelength; });
        if (!none)
            m_edited.references.push_back(r);
        m_filling = true;
        m_table->item(row, kTaken)
            ->setText(none ? QString()
                           : TakenText(r, m_edited.staleAfterHours, r.taken, m_language));
        m_filling = false;
    }
    UpdateLimits();
}

bool LimitsDlg::CollectFields(CertificationSettings& s, QString* problem) const {
    std::array<double, 7> values{};
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const Field& f = m_fields[i];
        const auto v = ParseBounded(f.edit->text(), f.low, f.high);
        const bool whole = f.edit == m_pairs || f.edit == m_splices;
        if (!v || (whole && *v != std::floor(*v))) {
            *problem = T(text::kLimitsBadNumber).arg(T(*f.name), Number(f.low), Number(f.high));
            return false;
        }
        values[i] = *v;
    }
    s.enabled = m_enabled->isChecked();
    s.method = static_cast<ReferenceMethod>(std::max(0, m_method->currentIndex()));
    s.link = {values[0], int(values[1]), values[2], int(values[3]), values[4], values[5], {}};
    s.staleAfterHours = values[6];
    return CollectOptional(s, problem);
}

std::optional<CertificationSettings> LimitsDlg::Collect(QString* problem) const {
    CertificationSettings s = m_edited;
    const auto bad = [&](const QString& name, double low, double high) {
        *problem = T(text::kLimitsBadNumber).arg(name, Number(low), Number(high));
        return std::nullopt;
    };
    if (!CollectFields(s, problem))
        return std::nullopt;
    s.limits.clear();
    std::vector<LossReference> references;
    for (int row = 0; row < int(m_rowWaves.size()); ++row) {
        const int w = m_rowWaves[std::size_t(row)];
        const QString at = QStringLiteral(" (%1 nm)").arg(w);
        const auto cell = [&](int c) { return m_table->item(row, c)->text(); };
        WaveLimit limit;
        limit.wavelength = w;
        limit.kind = qobject_cast<QComboBox*>(m_table->cellWidget(row, kKind))->currentIndex() == 0
                         ? WaveLimit::Kind::Fixed
                         : WaveLimit::Kind::Budget;
        const auto value = [&](int column, double* out) {
            if (cell(column).trimmed().isEmpty())
                return true; // 0, and no limit when it is the kind's own value
            const auto v = ParseBounded(cell(column), 0, kMaxDb);
            if (v)
                *out = *v;
            return v.has_value();
        };
        if (!value(kMaxLoss, &limit.maxLossDb))
            return bad(T(text::kLimitsColumns[kMaxLoss]) + at, 0, kMaxDb);
        if (!value(kAttenuation, &limit.attenuationDbPerKm))
            return bad(T(text::kLimitsColumns[kAttenuation]) + at, 0, kMaxDb);
        const int own = limit.kind == WaveLimit::Kind::Fixed ? kMaxLoss : kAttenuation;
        if (!cell(own).trimmed().isEmpty())
            s.SetLimit(limit);
        if (cell(kReference).trimmed().isEmpty())
            continue;
        const auto dBm = ParseBounded(cell(kReference), -kMaxDb, kMaxDb);
        if (!dBm)
            return bad(T(text::kLimitsColumns[kReference]) + at, -kMaxDb, kMaxDb);
        LossReference r;
        r.wavelength = w;
        r.dBm = *dBm;
        const LossReference* old = m_edited.ReferenceAt(w);
        r.taken = old ? old->taken : m_clock();
        references.push_back(r);
    }
    s.references = std::move(references);
    KeepPresetHonest(s);
    return s;
}

void LimitsDlg::UpdateLimits() {
    if (m_filling)
        return;
    QString problem;
    const auto s = Collect(&problem);
    m_filling = true;
    for (int row = 0; row < int(m_rowWaves.size()); ++row) {
        const auto limit = s ? LimitDb(*s, m_rowWaves[std::size_t(row)]) : std::nullopt;
        m_table->item(row, kLimit)
            ->setText(limit ? DbText(*limit) : QString::fromUtf8(kNoResultText));
    }
    m_filling = false;
}

void LimitsDlg::accept() {
    QString problem;
    const auto s = Collect(&problem);
    if (!s) {
        m_boxes.Show(this, kAppBoxCaption, problem, BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    m_result = *s;
    QDialog::accept();
}

} // namespace vemla
