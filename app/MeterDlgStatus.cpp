// Qt's own texts in the language in force and the accessible names.
#include "MeterDlg.h"

#include "PortStatusPart.h"
#include "QtTranslation.h"

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
    AccessibleName{idc::kPortList, 1039, {}},
    AccessibleName{idc::kCompany, 1029, {}},
    AccessibleName{idc::kModel, 1030, {}},
    AccessibleName{idc::kSerialNumber, 1031, {}},
    AccessibleName{idc::kOperator, 1032, {}},
    AccessibleName{idc::kNotes, 1033, {}},
    AccessibleName{idc::kTable, 0, text::kNameRecords},
    AccessibleName{idc::kYear, 1034, {}},
    AccessibleName{idc::kMonth, 1035, {}},
    AccessibleName{idc::kDay, 1036, {}},
    AccessibleName{idc::kHour, 1037, {}},
    AccessibleName{idc::kMinute, 1038, {}},
    AccessibleName{idc::kPower, 0, text::kNamePower},
    AccessibleName{idc::kLanguageList, 1043, {}},
    AccessibleName{idc::kWaveCount, 1055, {}},
    AccessibleName{idc::kWaveSelect, 1100, {}},
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

} // namespace

void CMeterDlg::ApplyComfortLanguage() {
    m_qtTranslation->Apply(UiLanguage());
    for (const AccessibleName& name : kAccessibleNames)
        if (QWidget* w = Control(name.control))
            w->setAccessibleName(m_session.Text(NameText(name)));
    m_portStatus->RefreshStatus();
}

} // namespace vemla
