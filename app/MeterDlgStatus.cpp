// What the window adds to the port that comes back: the remembered port selected at start-up,
// the list refreshed on hot-plug, the status line, Qt's own texts in the language in force and
// the accessible names. The rules themselves are the session's.
#include "MeterDlg.h"

#include "MainMenu.h"
#include "QtTranslation.h"
#include "StatusLine.h"

#include <QComboBox>
#include <QTimer>
#include <QVBoxLayout>

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

// How often the upload's figures are shown again while it runs.
constexpr int kStatusTickMs = 250;

} // namespace

void CMeterDlg::AddStatusLine(QVBoxLayout* layout) {
    // Below the client area, not in its bottom strip, where service mode shows its controls.
    m_status = new CStatusLine(this);
    layout->addWidget(m_status);
    m_status->ShowStatus(CStatusLine::Kind::Port,
                         [this](Language) { return m_session.PortStatusText(); });
    m_status->ShowStatus(CStatusLine::Kind::Upload, [this](Language language) {
        return m_session.Progress().Text(language, UploadProgress::Clock::now());
    });
    m_qtTranslation = std::make_unique<CQtTranslation>();

    m_statusTimer = new QTimer(this);
    m_statusTimer->setInterval(kStatusTickMs);
    connect(m_statusTimer, &QTimer::timeout, this, [this] {
        UpdateStatus();
        if (!m_session.Progress().Receiving(UploadProgress::Clock::now()))
            m_statusTimer->stop();
    });
    connect(&m_session, &MeterSession::UploadStarted, m_statusTimer, qOverload<>(&QTimer::start));
    connect(&m_session, &MeterSession::PortListChanged, this, &CMeterDlg::RefillPortList);
    m_menu->AddOption(CMainMenu::Menu::Measure, text::kMenuAutoReconnect, m_session.AutoReconnect(),
                      [this](bool on) { m_session.SetAutoReconnect(on); });
}

void CMeterDlg::RestoreLastPort() {
    // Only selected: the port opens when the operator clicks, as always.
    const std::optional<int> at = m_session.FindLastPort();
    if (!at)
        return;
    FillPortList();
    ControlAs<QComboBox>(idc::kPortList)->setCurrentIndex(*at);
}

void CMeterDlg::RefillPortList() {
    // The entry chosen stays chosen while its device is listed; after a reopen, the reopened one.
    auto* list = ControlAs<QComboBox>(idc::kPortList);
    const bool reopened = m_session.PortButtonDown();
    const QVariant chosen = reopened ? QVariant(m_session.PortNumber()) : list->currentData();
    FillPortList();
    list->setCurrentIndex(chosen.isValid() ? list->findData(chosen) : -1);
}

void CMeterDlg::UpdateStatus() {
    if (m_status)
        m_status->Refresh(UiLanguage());
}

void CMeterDlg::FollowPortState() {
    UpdateStatus();
    // A port opened again by itself shows its entry chosen, as if the operator had.
    if (m_session.State() == MeterSession::PortState::Reopened) {
        auto* list = ControlAs<QComboBox>(idc::kPortList);
        const int at = list->findData(m_session.PortNumber());
        if (at >= 0)
            list->setCurrentIndex(at);
    }
}

void CMeterDlg::ApplyComfortLanguage() {
    m_qtTranslation->Apply(UiLanguage());
    for (const AccessibleName& name : kAccessibleNames)
        if (QWidget* w = Control(name.control))
            w->setAccessibleName(m_session.Text(NameText(name)));
    UpdateStatus();
}

} // namespace vemla
