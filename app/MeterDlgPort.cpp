// The port list and the port button; the port itself is the session's.
#include "MeterDlg.h"

#include "TextFit.h"

#include <QComboBox>

namespace vemla {

void CMeterDlg::OnPortListDropDown() {
    if (!m_session.PortListDropDown())
        return;
    FillPortList();
    ControlAs<QComboBox>(idc::kPortList)->setCurrentIndex(-1);
}

void CMeterDlg::FillPortList() {
    auto* list = ControlAs<QComboBox>(idc::kPortList);
    list->clear();
    for (const PortEntry& e : m_session.PortNames()) {
        list->addItem(QString::fromStdString(e.name), e.number);
        list->setItemData(list->count() - 1, QString::fromStdString(e.description),
                          Qt::ToolTipRole);
    }
    FitCaption(list);
}

void CMeterDlg::OnPortButton() {
    m_session.TogglePort(ControlAs<QComboBox>(idc::kPortList)->currentIndex());
}

} // namespace vemla
