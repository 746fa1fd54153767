// The limits dialog's presets: choosing one, its edition and source, copying its figures into
// "custom", and the figures that may be left empty.
#include "LimitsDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vemla {

using namespace limitsdlg;

// A result names the preset it was judged with: values that are no longer the preset's own (an
// attenuation typed over) are the operator's, "custom".
void limitsdlg::KeepPresetHonest(CertificationSettings& s) {
    const CertificationPreset* preset = FindPreset(s.preset);
    if (preset == nullptr || preset->IsCustom())
        return;
    bool own = s.link.lossPerPairDb == preset->lossPerPairDb &&
               s.link.lossPerSpliceDb == preset->lossPerSpliceDb &&
               s.link.endConnectionDb == preset->endConnectionDb;
    for (const auto& [wave, attenuation] : preset->attenuation) {
        const WaveLimit* limit = s.LimitAt(wave);
        own = own && limit && limit->kind == WaveLimit::Kind::Budget &&
              limit->attenuationDbPerKm == attenuation;
    }
    if (!own)
        ApplyPreset(s, Presets().back());
}

void LimitsDlg::OnPreset(int index) {
    if (index < 0 || index >= int(Presets().size()))
        return;
    QString problem;
    if (auto typed = Collect(&problem))
        m_edited = *typed;
    ApplyPreset(m_edited, Presets()[std::size_t(index)]);
    m_filling = true;
    m_perPair->setText(Number(m_edited.link.lossPerPairDb));
    m_perSplice->setText(Number(m_edited.link.lossPerSpliceDb));
    m_endConnection->setText(OptionalNumber(m_edited.link.endConnectionDb));
    for (const WaveLimit& l : m_edited.limits)
        if (RowOf(l.wavelength) < 0 && m_rowWaves.size() < kMaxWaves)
            AddRow(l.wavelength);
    for (int row = 0; row < int(m_rowWaves.size()); ++row)
        FillRow(row);
    m_filling = false;
    ShowPreset();
    UpdateLimits();
}

void LimitsDlg::OnCopyToCustom() {
    m_preset->setCurrentIndex(int(Presets().size()) - 1);
    OnPreset(m_preset->currentIndex());
}

void LimitsDlg::ShowPreset() {
    const int index = m_preset->currentIndex();
    const CertificationPreset* preset =
        index >= 0 && index < int(Presets().size()) ? &Presets()[std::size_t(index)] : nullptr;
    const bool fixed = preset && !preset->IsCustom();
    m_edition->setText(
        fixed ? QStringLiteral("%1 \u2014 %2")
                    .arg(QString::fromUtf8(preset->edition), QString::fromUtf8(preset->source))
              : m_edited.edition);
    m_copy->setEnabled(fixed);
    // A named preset's figures are the standard's: changed only as the operator's own.
    for (QLineEdit* edit : {m_perPair, m_perSplice, m_endConnection})
        edit->setReadOnly(fixed);
}

bool LimitsDlg::CollectOptional(CertificationSettings& s, QString* problem) const {
    const std::array<std::tuple<QLineEdit*, const BilingualText*, double, std::optional<double>*>,
                     3>
        fields{{{m_endConnection, &text::kLimitsEndConnection, kMaxDb, &s.link.endConnectionDb},
                {m_meterUncertainty, &text::kLimitsMeterUncertainty, kMaxUncertaintyDb,
                 &s.meterUncertaintyDb},
                {m_sourceUncertainty, &text::kLimitsSourceUncertainty, kMaxUncertaintyDb,
                 &s.sourceUncertaintyDb}}};
    for (const auto& [edit, name, high, out] : fields) {
        out->reset();
        if (edit->text().trimmed().isEmpty())
            continue; // not given: none, never a made-up figure
        *out = ParseBounded(edit->text(), 0, high);
        if (!*out) {
            *problem = T(text::kLimitsBadNumber).arg(T(*name), Number(0), Number(high));
            return false;
        }
    }
    return true;
}

} // namespace vemla
