#pragma once
// The main window: owns the program's state and controls and wires one handler per event.
// Decoding, framing, port handling, INI editing and table storage live in their own classes.

#include "CommPort.h"
#include "DialogTemplate.h"
#include "PortList.h"
#include "ReplyAssembler.h"
#include "Report.h"
#include "Texts.h"

#include <QDialog>
#include <QIcon>
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vemla {

class CEditList;
class CWaveListDlg;
class IMessageBox;
class IPortSource;
class ReplyFrame;
struct OutFrame;

class CMeterDlg : public QDialog {
    Q_OBJECT
public:
    // ports: where the serial devices come from; null for the system's own list.
    explicit CMeterDlg(IMessageBox& boxes, std::unique_ptr<IPortSource> ports = nullptr,
                       QWidget* parent = nullptr);
    ~CMeterDlg() override;

    // WM_PORT_BYTE: one received byte, in arrival order. The port number is not used.
    void OnRxChar(uint8_t byte, uint32_t port);

    // Data exchange of the wave count and the four laser wavelengths with their edits.
    bool SaveFields();
    void LoadFields();

    QWidget* Control(int id) const { return m_built.Control(id); }
    template <class T> T* ControlAs(int id) const { return qobject_cast<T*>(Control(id)); }
    const BuiltDialog& Built() const { return m_built; }
    const DialogUnits& Units() const { return m_units; }
    CEditList& Table() const { return *m_table; }
    PortList& Ports() { return m_ports; }
    const CCommPort& Port() const { return m_port; }

    Language UiLanguage() const { return m_uiLanguage; }
    void SetUiLanguage(Language language) { m_uiLanguage = language; }
    int32_t SilentUpload() const { return m_silentUpload; }
    void SetSilentUpload(int32_t value) { m_silentUpload = value; }

    int32_t RecordCounter() const { return m_recordCounter; }
    int32_t WaveCount() const { return m_waveCount; }
    const std::array<uint32_t, 4>& Lasers() const { return m_lasers; }
    float LastReference() const { return m_lastReference; }
    int LinkIconId() const { return m_linkIconId; }
    int LampIconId() const { return m_lampIconId; }
    const ReplyAssembler& Assembler() const { return m_assembler; }

    bool PortToggle() const { return m_portToggle; }
    bool PortOpenFlag() const { return m_portOpen; }
    bool OpenRequested() const { return m_openRequested; }
    int32_t PortNumber() const { return m_portNumber; }

    // GET TIME reads this clock; tests set a fixed one.
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }

    // Service mode shows the settings controls the template keeps hidden, where it puts them.
    void SetServiceMode(bool on);
    bool ServiceMode() const { return m_serviceMode; }

    // Where SAVE OR PRINT puts reports and who opens them; tests point these elsewhere.
    void SetReportFolder(QString folder) { m_reportFolder = std::move(folder); }
    void SetReportOpener(IReportOpener* opener) {
        m_reportOpener = opener ? opener : &m_desktopOpener;
    }

    // The modeless wavelength list dialog, created hidden with the window.
    CWaveListDlg& WaveListDialog() const { return *m_waveListDlg; }
    // The PIN type last confirmed; none before the first confirmation.
    std::optional<int32_t> StoredPinType() const { return m_pinType; }

    // The About box of the window menu.
    void ShowAbout();

    static QIcon LoadIcon(int id);
    static int IconFor(int controlId);

public slots:
    // EXIT: closes only when the fields can be read.
    void accept() override;

    void OnPortListDropDown();
    void OnPortButton();
    bool ReopenPort();
    void RefreshPortNames();

    void OnConnect();
    void OnUpload();
    void OnReadPower();
    void OnDeleteSelect();
    void OnDeleteAll();
    void OnPowerAdj();
    void OnGetTime();
    void OnTimeSet();
    void OnWaveSelChange();
    void OnWaveEditChange();
    void OnLaserSet();
    void OnWaveListButton();
    void OnSetDeviceWaves();
    void OnPinTypeButton();
    void OnSaveOrPrint();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnInitDialog();
    void ConnectHandlers();
    void StartupLoadLanguage();
    void OnLanguageCloseUp();
    void ApplyLanguage();
    void SetCaption(int id, const QString& caption);
    QString PortButtonCaption(bool open) const;

    void DispatchReply(const ReplyFrame& frame);
    void AddRecord(const ReplyFrame& frame);
    // The upload that follows a delete-selected acknowledgement: SilentUpload keeps its value.
    void Reupload();
    // Port check: true when the port is open, otherwise the not-open message.
    bool CheckPortOpen();
    void Send(const OutFrame& frame);
    QString OpenFailureDetail() const;

    void SetIcon(int controlId, int iconId);
    void ShowReply(const QString& text);
    void ShowAppMessage(const QString& text);
    bool FailField(QLineEdit* edit, const BilingualText& text);
    QString EditText(int id) const;

    IMessageBox& m_boxes;
    DialogUnits m_units;
    BuiltDialog m_built;
    CEditList* m_table = nullptr;

    PortList m_ports;
    std::vector<PortEntry> m_portNames; // as of the last refresh, in list order
    int32_t m_portCount = 0;
    int32_t m_previousPortCount = -1;
    std::vector<std::string> m_listedNames; // what the port list shows
    bool m_portToggle = false;
    bool m_portOpen = false;
    bool m_openRequested = false;
    int32_t m_portNumber = 0;
    int32_t m_selectedPortIndex = -1;

    ReplyAssembler m_assembler;
    int32_t m_recordCounter = 0;
    float m_lastReference = 0.0f;
    int32_t m_waveCount = 1;
    std::array<uint32_t, 4> m_lasers{};
    Language m_uiLanguage = Language::Chinese;
    int32_t m_silentUpload = 0;
    std::optional<int32_t> m_pinType;
    std::unique_ptr<CWaveListDlg> m_waveListDlg;

    std::function<std::time_t()> m_clock;
    bool m_serviceMode = false;
    XlsxReportWriter m_reportWriter;
    DesktopReportOpener m_desktopOpener;
    IReportOpener* m_reportOpener = &m_desktopOpener;
    QString m_reportFolder = DefaultReportFolder();
    QIcon m_appIcon;
    int m_linkIconId = 0;
    int m_lampIconId = 0;

    // Last, so it is destroyed first: its monitor thread stops before any widget goes away.
    CCommPort m_port;
};

} // namespace vemla
