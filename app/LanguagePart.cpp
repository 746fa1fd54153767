#include "LanguagePart.h"

#include "DialogTemplate.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

namespace vemla {

namespace {

// Each edit, list and table of the window, named for screen readers by its label's text (the
// static beside or above it, or the group it sits in), or by a text of its own where the
// template's label is Chinese only or missing.
struct AccessibleName {
    int control;
    int label; // 0: `own` names it
    BilingualText own;
};

constexpr std::array kAccessibleNames{
    AccessibleName{idc::kPortList, idc::kPortGroup, {}},
    AccessibleName{idc::kCompany, idc::kCompanyLabel, {}},
    AccessibleName{idc::kModel, idc::kModelLabel, {}},
    AccessibleName{idc::kSerialNumber, idc::kSerialNumberLabel, {}},
    AccessibleName{idc::kOperator, idc::kOperatorLabel, {}},
    AccessibleName{idc::kNotes, idc::kNotesLabel, {}},
    AccessibleName{idc::kTable, 0, text::kNameRecords},
    AccessibleName{idc::kYear, idc::kYearLabel, {}},
    AccessibleName{idc::kMonth, idc::kMonthLabel, {}},
    AccessibleName{idc::kDay, idc::kDayLabel, {}},
    AccessibleName{idc::kHour, idc::kHourLabel, {}},
    AccessibleName{idc::kMinute, idc::kMinuteLabel, {}},
    AccessibleName{idc::kPower, 0, text::kNamePower},
    AccessibleName{idc::kLanguageList, idc::kLanguageLabel, {}},
    AccessibleName{idc::kWaveCount, idc::kWaveCountLabel, {}},
    AccessibleName{idc::kWaveSelect, idc::kWaveSelectGroup, {}},
    AccessibleName{idc::kLaser1, 0, text::kNameLasers[0]},
    AccessibleName{idc::kLaser2, 0, text::kNameLasers[1]},
    AccessibleName{idc::kLaser3, 0, text::kNameLasers[2]},
    AccessibleName{idc::kLaser4, 0, text::kNameLasers[3]},
};

BilingualText NameText(const AccessibleName& name) {
    for (const CaptionText& c : CaptionTable())
        if (c.id == name.label)
            return c.text;
    return name.own;
}

void SetCaption(QWidget* control, const QString& caption) {
    if (auto* b = qobject_cast<QAbstractButton*>(control))
        b->setText(caption);
    else if (auto* l = qobject_cast<QLabel*>(control))
        l->setText(caption);
    else if (auto* g = qobject_cast<QGroupBox*>(control))
        g->setTitle(caption);
}

} // namespace

void LanguagePart::ShowCaptions(Language language) {
    for (const CaptionText& c : CaptionTable())
        SetCaption(m_built.Control(c.id), Pick(c.text, language));
}

void LanguagePart::NameControls(Language language) {
    for (const AccessibleName& name : kAccessibleNames)
        if (QWidget* w = m_built.Control(name.control))
            w->setAccessibleName(Pick(NameText(name), language));
}

} // namespace vemla
