#include "PortStatusPart.h"

#include "DialogTemplate.h"
#include "MeterDlg.h"
#include "MeterSession.h"
#include "StatusLine.h"
#include "TextFit.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace vemla {
namespace {

// How often the upload's figures are shown again while it runs.
constexpr int kStatusTickMs = 250;

} // namespace

PortStatusPart::PortStatusPart(MeterSession& session, const BuiltDialog& built, QWidget* window)
    : m_session(session), m_built(built),
      m_list(qobject_cast<QComboBox*>(built.Control(idc::kPortList))),
      m_status(new StatusLine(window)), m_statusTimer(new QTimer(this)) {
    m_status->ShowStatus(StatusLine::Kind::Port,
                         [this](Language) { return m_session.PortStatusText(); });
    m_status->ShowStatus(StatusLine::Kind::Upload, [this](Language language) {
        return m_session.Progress().Text(language, UploadProgress::Clock::now());
    });
    m_statusTimer->setInterval(kStatusTickMs);
    connect(m_statusTimer, &QTimer::timeout, this, [this] {
        RefreshStatus();
        if (!m_session.Progress().Receiving(UploadProgress::Clock::now()))
            m_statusTimer->stop();
    });
    connect(&m_session, &MeterSession::UploadStarted, m_statusTimer, qOverload<>(&QTimer::start));
    connect(&m_session, &MeterSession::PortListChanged, this, &PortStatusPart::RefillPortList);
    connect(&m_session, &MeterSession::PortStateChanged, this, &PortStatusPart::ShowPortState);
    connect(&m_session, &MeterSession::LinkChanged, this, &PortStatusPart::ShowLink);
}

void PortStatusPart::FillPortList() {
    m_list->clear();
    for (const PortEntry& e : m_session.PortNames()) {
        m_list->addItem(QString::fromStdString(e.name), e.number);
        m_list->setItemData(m_list->count() - 1, QString::fromStdString(e.description),
                            Qt::ToolTipRole);
    }
    FitCaption(m_list);
}

void PortStatusPart::RestoreLastPort() {
    const std::optional<int> at = m_session.FindLastPort();
    if (!at)
        return;
    FillPortList();
    m_list->setCurrentIndex(*at);
}

void PortStatusPart::RefillPortList() {
    // The entry chosen stays chosen while its device is listed; after a reopen, the reopened one.
    const bool reopened = m_session.PortButtonDown();
    const QVariant chosen = reopened ? QVariant(m_session.PortNumber()) : m_list->currentData();
    FillPortList();
    m_list->setCurrentIndex(chosen.isValid() ? m_list->findData(chosen) : -1);
}

void PortStatusPart::ShowPortButton(bool open) {
    auto* button = qobject_cast<QPushButton*>(m_built.Control(idc::kPortButton));
    button->setText(m_session.Text(open ? text::kCloseCom : text::kOpenCom));
}

void PortStatusPart::ShowLamp(bool open) {
    ShowPicture(idc::kPortLamp, open ? idi::kPortOpen : idi::kPortClosed);
}

void PortStatusPart::ShowLink(bool linked) {
    ShowPicture(idc::kLinkPicture, linked ? idi::kConnected : idi::kNotConnected);
}

void PortStatusPart::ShowPicture(int controlId, int iconId) {
    auto* label = qobject_cast<QLabel*>(m_built.Control(controlId));
    if (!label)
        return;
    label->setPixmap(CMeterDlg::LoadIcon(iconId).pixmap(32, 32));
    (controlId == idc::kLinkPicture ? m_linkIconId : m_lampIconId) = iconId;
}

void PortStatusPart::RefreshStatus() {
    m_status->Refresh(m_session.Language());
}

void PortStatusPart::ShowPortState() {
    const bool open = m_session.PortButtonDown() && m_session.Port().IsOpen();
    ShowPortButton(open);
    ShowLamp(open);
    FollowPortState();
}

void PortStatusPart::FollowPortState() {
    RefreshStatus();
    // A port opened again by itself shows its entry chosen, as if the operator had.
    if (m_session.State() == MeterSession::PortState::Reopened) {
        const int at = m_list->findData(m_session.PortNumber());
        if (at >= 0)
            m_list->setCurrentIndex(at);
    }
}

} // namespace vemla
