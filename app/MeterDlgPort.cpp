// The port list and the port button; the port itself is the session's.
#include "MeterDlg.h"

#include "PortStatusPart.h"

#include <QComboBox>

namespace vemla {

void CMeterDlg::OnPortListDropDown() {
    if (!m_session.PortListDropDown())
        return;
    m_portStatus->FillPortList();
    ControlAs<QComboBox>(idc::kPortList)->setCurrentIndex(-1);
}

void CMeterDlg::OnPortButton() {
    m_session.TogglePort(ControlAs<QComboBox>(idc::kPortList)->currentIndex());
}

} // namespace vemla
