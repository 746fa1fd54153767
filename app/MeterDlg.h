#pragma once
// The main window: the session's first front end. It owns the template's controls, wires one
// handler per event and the menu bar, gives the session the operator's commands and shows what
// the session reports. Each later concern is a part of its own, owned here: the port and status
// line, the language, loss certification, the archive and the exports.

#include "ArchiveTypes.h"
#include "DialogTemplate.h"
#include "MeterSession.h"
#include "Texts.h"

#include <QDialog>
#include <QIcon>
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <span>

class QAction;
class QLineEdit;

namespace vemla {

class ArchivePart;
class SharedArchivePart;
class CEditList;
class LiveWindow;
class MainMenu;
class CWaveListDlg;
class CertificationPart;
class ExportPart;
class IMessageBox;
class IPortSource;
class LanguagePart;
class PortStatusPart;

class CMeterDlg : public QDialog, private ISessionPresenter {
    Q_OBJECT
public:
    // ports: where the serial devices come from; null for the system's own list.
    explicit CMeterDlg(IMessageBox& boxes, std::unique_ptr<IPortSource> ports = nullptr,
                       QWidget* parent = nullptr);
    ~CMeterDlg() override;

    // One received byte, in arrival order, handed to the session.
    void OnRxChar(uint8_t byte, uint32_t port) { m_session.OnRxChar(byte, port); }

    // Data exchange of the wave count and the four laser wavelengths with their edits.
    bool SaveFields();
    void LoadFields();

    // The menu bar's entries.
    MainMenu& Menu() const { return *m_menu; }
    QWidget* Control(int id) const { return m_built.Control(id); }
    template <class T> T* ControlAs(int id) const { return qobject_cast<T*>(Control(id)); }
    const BuiltDialog& Built() const { return m_built; }
    CEditList& Table() const { return *m_table; }
    MeterSession& Session() { return m_session; }
    const MeterSession& Session() const { return m_session; }
    PortList& Ports() { return m_session.Ports(); }
    const CCommPort& Port() const { return m_session.Port(); }
    Language UiLanguage() const { return m_session.Language(); }

    // The parts, each driven through its own interface.
    PortStatusPart& PortStatus() const { return *m_portStatus; }
    CertificationPart& Certification() const { return *m_certification; }
    ArchivePart& Archive() const { return *m_archive; }
    ExportPart& Export() const { return *m_export; }

    // GET TIME reads this clock; tests set a fixed one.
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }

    // Service mode shows the settings controls the template keeps hidden, where it puts them.
    void SetServiceMode(bool on);
    bool ServiceMode() const { return m_serviceMode; }

    // Keeps every upload in the archive at `path`, with the limits it was judged with. The
    // program opens the user's archive; a window without one (the tests') keeps nothing.
    ArchiveOpenResult OpenArchive(const QString& path);

    // The About box of the window menu.
    void ShowAbout();
    // The live power window, made on first use; null until then.
    LiveWindow* LiveMonitorWindow() const { return m_live.get(); }
    void OpenLiveMonitor();

    static QIcon LoadIcon(int id);

public slots:
    // EXIT: closes only when the fields can be read.
    void accept() override;

    void OnPortListDropDown();
    void OnPortButton();

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
    // The archive's message waits for the window to be on screen.
    void showEvent(QShowEvent* event) override;
    // Every way the window closes: the archive's last writes first.
    void done(int result) override;

private:
    static int IconFor(int controlId);
    void MakeParts();
    void OnInitDialog();
    void BuildMenu();
    void EnableCertificateEntries();
    // The upload as the reports take it, now.
    UploadDocument Document() const;
    void ConnectHandlers();
    void StartupLoadLanguage();
    void OnLanguageCloseUp();
    void ApplyLanguage();

    // ISessionPresenter: the session's boxes, modal over the window.
    void Show(Kind kind, const QString& text, const QString& caption) override;
    bool Confirm(const QString& text) override;
    void FillWaveList();
    // The five header edits show the session's header (an opened upload brings its own).
    void LoadHeader();
    static std::span<const std::pair<int, QString HeaderFields::*>> HeaderEdits();

    void ShowAppMessage(const QString& text);
    bool FailField(QLineEdit* edit, const BilingualText& text);
    QString EditText(int id) const;

    IMessageBox& m_boxes;
    BuiltDialog m_built;
    CEditList* m_table = nullptr;
    std::unique_ptr<MainMenu> m_menu;

    std::unique_ptr<CWaveListDlg> m_waveListDlg;
    std::unique_ptr<LiveWindow> m_live;

    std::function<std::time_t()> m_clock;
    bool m_serviceMode = false;
    QAction* m_exportPdf = nullptr;
    QAction* m_print = nullptr;
    QIcon m_appIcon;

    std::unique_ptr<LanguagePart> m_language;
    std::unique_ptr<PortStatusPart> m_portStatus;
    std::unique_ptr<CertificationPart> m_certification;
    std::unique_ptr<ExportPart> m_export;
    std::unique_ptr<ArchivePart> m_archive;
    std::unique_ptr<SharedArchivePart> m_shared;

    // Last, so it is destroyed first: its monitor thread stops before any widget goes away.
    MeterSession m_session;
};

} // namespace vemla
