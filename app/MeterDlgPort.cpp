// The port list, the port button and the re-open that most commands run first.
#include "ComboBox.h"
#include "MessageBox.h"
#include "MeterDlg.h"

#include <QFileInfo>
#include <QPushButton>

namespace vemla {

void CMeterDlg::RefreshPortNames() {
    m_portNames = m_ports.Refresh();
    m_portCount = static_cast<int32_t>(m_portNames.size());
}

void CMeterDlg::OnPortListDropDown() {
    if (m_port.IsOpen()) {
        m_portToggle = false;
        m_port.RequestStop();
    }
    RefreshPortNames();
    std::vector<std::string> names;
    for (const PortEntry& e : m_portNames)
        names.push_back(e.name);
    // Refilled when the ports themselves changed, not only their count, so the entry the
    // operator picks is always the device that is opened.
    if (m_portCount != m_previousPortCount || names != m_listedNames) {
        m_previousPortCount = m_portCount;
        m_listedNames = names;
        auto* list = ControlAs<QComboBox>(idc::kPortList);
        list->clear();
        for (const PortEntry& e : m_portNames) {
            list->addItem(QString::fromStdString(e.name));
            list->setItemData(list->count() - 1, QString::fromStdString(e.description),
                              Qt::ToolTipRole);
        }
        list->setCurrentIndex(-1);
    }
    SetCaption(idc::kPortButton, PortButtonCaption(false));
    SetIcon(idc::kPortLamp, idi::kPortClosed);
}

void CMeterDlg::OnPortButton() {
    const int index = ControlAs<QComboBox>(idc::kPortList)->currentIndex();
    if (index < 0) {
        ShowAppMessage(Pick(text::kSelectComPort, m_uiLanguage));
        return;
    }
    m_selectedPortIndex = index;
    m_portToggle = !m_portToggle;
    if (!m_portToggle) {
        m_port.RequestStop();
        m_openRequested = false;
        SetCaption(idc::kPortButton, PortButtonCaption(false));
        SetIcon(idc::kPortLamp, idi::kPortClosed);
        m_portOpen = false;
        return;
    }
    // The number comes from the stored name, as the list may be older than the last refresh.
    const size_t at = static_cast<size_t>(index);
    m_portNumber = at < m_portNames.size() ? PortNumberFromName(m_portNames[at].name) : 0;
    m_openRequested = true;
    if (ReopenPort()) {
        SetCaption(idc::kPortButton, PortButtonCaption(true));
        m_portOpen = true;
        SetIcon(idc::kPortLamp, idi::kPortOpen);
        return;
    }
    m_boxes.Show(this, kAppBoxCaption,
                 Pick(text::kComCannotOpen, m_uiLanguage) + QLatin1Char('\n') + OpenFailureDetail(),
                 BoxButtons::Ok, BoxIcon::Warning);
}

QString CMeterDlg::OpenFailureDetail() const {
    const std::string device = m_ports.DeviceFor(static_cast<uint32_t>(m_portNumber));
    switch (m_port.LastOpenError()) {
    case PortError::NoSuchDevice:
        return Pick(text::kDeviceMissing, m_uiLanguage);
    case PortError::Busy:
        return Pick(text::kDeviceBusy, m_uiLanguage);
    case PortError::PermissionDenied: {
        QString group = QFileInfo(QString::fromStdString(device)).group();
        if (group.isEmpty())
            group = QStringLiteral("dialout");
        return Pick(text::kDevicePermission, m_uiLanguage).arg(group);
    }
    case PortError::None:
    case PortError::Other:
        break;
    }
    return QString::fromStdString(m_port.LastOpenErrorText());
}

bool CMeterDlg::ReopenPort() {
    if (!m_openRequested)
        return false;
    RefreshPortNames();
    PortOwner owner;
    owner.context = this;
    owner.onByte = [this](uint8_t byte, uint32_t port) { OnRxChar(byte, port); };
    owner.onError = [this](const std::string& caption, const std::string& text) {
        m_boxes.Show(this, QString::fromStdString(caption), QString::fromStdString(text),
                     BoxButtons::Ok, BoxIcon::Error);
    };
    if (!m_port.Open(owner, static_cast<uint32_t>(m_portNumber), 9600, 'N', 8, 1, 3, 512))
        return false;
    m_port.StartMonitor();
    return true;
}

} // namespace vemla
