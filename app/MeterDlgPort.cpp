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
        ShowAppMessage(Pick("PLEASE SELSECT THE COM PORT!", "请选择端口号!"));
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
    const QString text = Pick("COM CANN'T OPEN!", "串口打不开!");
    if (!text.isEmpty())
        m_boxes.Show(this, kAppBoxCaption, text + QLatin1Char('\n') + OpenFailureDetail(),
                     BoxButtons::Ok, BoxIcon::Warning);
}

QString CMeterDlg::OpenFailureDetail() const {
    const std::string device = m_ports.DeviceFor(static_cast<uint32_t>(m_portNumber));
    switch (m_port.LastOpenError()) {
    case PortError::NoSuchDevice:
        return Pick("The device is not there (unplugged?).", "设备不存在（是否已拔出？）。");
    case PortError::Busy:
        return Pick("The device is in use by another program.", "设备正被其他程序占用。");
    case PortError::PermissionDenied: {
        QString group = QFileInfo(QString::fromStdString(device)).group();
        if (group.isEmpty())
            group = QStringLiteral("dialout");
        return Pick("Permission denied: join the group \"%1\" that owns the device "
                    "(dialout on Debian and Ubuntu), then log in again.",
                    "没有访问权限：请把用户加入设备所属的组“%1”（Debian 和 Ubuntu 上是 "
                    "dialout），然后重新登录。")
            .arg(group);
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
