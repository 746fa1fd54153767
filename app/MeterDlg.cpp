#include "MeterDlg.h"

#include "AboutBox.h"
#include "ArchivePart.h"
#include "CertificationPart.h"
#include "ComboBox.h"
#include "EditList.h"
#include "ExportPart.h"
#include "IconButton.h"
#include "IniFile.h"
#include "Language.h"
#include "LanguagePart.h"
#include "LiveWindow.h"
#include "MainMenu.h"
#include "MessageBox.h"
#include "PortStatusPart.h"
#include "SharedArchivePart.h"
#include "ProjectBar.h"
#include "StatusLine.h"
#include "TextBound.h"
#include "TextFit.h"
#include "WaveListDlg.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace vemla {
namespace {

constexpr std::array<std::pair<int, QString HeaderFields::*>, 5> kHeaderEdits{{
    {idc::kCompany, &HeaderFields::company},
    {idc::kModel, &HeaderFields::model},
    {idc::kSerialNumber, &HeaderFields::serialNumber},
    {idc::kOperator, &HeaderFields::testOperator},
    {idc::kNotes, &HeaderFields::notes},
}};

} // namespace

std::span<const std::pair<int, QString HeaderFields::*>> CMeterDlg::HeaderEdits() {
    return kHeaderEdits;
}

// The icon of each table button; 0 for the other controls.
int CMeterDlg::IconFor(int controlId) {
    switch (controlId) {
    case idc::kUpload:
        return idi::kUpload;
    case idc::kDeleteSelect:
        return idi::kDeleteSelect;
    case idc::kDeleteAll:
        return idi::kDeleteAll;
    case idc::kSaveOrPrint:
        return idi::kSave;
    default:
        return 0;
    }
}

QIcon CMeterDlg::LoadIcon(int id) {
    return QIcon(QStringLiteral(":/icons/icon%1.svg").arg(id));
}

CMeterDlg::CMeterDlg(IMessageBox& boxes, std::unique_ptr<IPortSource> ports, QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_clock([] { return std::time(nullptr); }),
      m_appIcon(LoadIcon(idi::kApp)),
      m_session(*this, ports ? std::move(ports) : CreateSystemPortSource()) {
    // The template's controls sit in a client area below the menu bar, where they always were
    // relative to it.
    auto* client = new QWidget(this);
    m_built = BuildDialog(client, MainDialogTemplate(), DialogUnits(DialogFont()),
                          [this](const ControlEntry& c, QWidget* parent) -> QWidget* {
                              if (c.id == idc::kTable) {
                                  m_table = new CEditList(parent, &m_session.Records());
                                  return m_table;
                              }
                              if (IconFor(c.id) == 0)
                                  return nullptr;
                              auto* b = new CIconButton(QString::fromUtf8(c.caption), parent);
                              b->setAutoDefault(false);
                              return b;
                          });
    setWindowTitle(client->windowTitle());
    setFont(client->font());
    auto* bar = new QMenuBar(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(bar);
    layout->addWidget(client);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_menu = std::make_unique<MainMenu>(bar);
    MakeParts();
    BuildMenu();
    layout->addWidget(&m_archive->Bar());
    layout->addWidget(m_certification->SummaryLine());
    // Below the client area, not in its bottom strip, where service mode shows its controls.
    layout->addWidget(&m_portStatus->Line());
    ConnectHandlers();
    OnInitDialog();
    m_portStatus->RestoreLastPort();
    // Fixes the window's size now, not first when it shows: the window is never resizable.
    layout->activate();
}

CMeterDlg::~CMeterDlg() {
    // The base class hides and deletes the controls after this object's members are gone; no
    // signal of theirs (a combo closing its list, say) may reach a handler by then.
    for (const auto& [id, w] : m_built.byId)
        w->disconnect(this);
    // The archive's keeper watches the session, which goes first of the members: it ends here,
    // writing what it still holds.
    m_archive.reset();
    m_shared.reset(); // after the keeper: its last writes may still nudge the sync
    // The table shows the session's records; it goes before the session does.
    delete m_table;
    m_live.reset(); // its monitor polls through the session
}

void CMeterDlg::MakeParts() {
    m_language = std::make_unique<LanguagePart>(m_built);
    m_portStatus = std::make_unique<PortStatusPart>(m_session, m_built, this);
    m_certification = std::make_unique<CertificationPart>(m_session, *m_table, m_boxes, this);
    m_certification->LoadSettings();
    m_export = std::make_unique<ExportPart>(m_boxes, this);
    m_archive = std::make_unique<ArchivePart>(m_session, m_boxes, this);
    m_shared = std::make_unique<SharedArchivePart>(m_session, m_portStatus->Line(), m_boxes, this);
    m_archive->SetCsvSaver([this](const UploadDocument& document, QWidget* over) {
        m_export->WriteCsv(document, over);
    });
    connect(m_certification.get(), &CertificationPart::Changed, this,
            [this] { m_archive->KeepCertification(m_certification->Settings()); });
}

void CMeterDlg::OnInitDialog() {
    setWindowIcon(m_appIcon);
    // The window manager owns the system menu on Linux; the About item lives in the context menu.
    setContextMenuPolicy(Qt::DefaultContextMenu);

    m_portStatus->ShowLamp(false);
    m_portStatus->ShowLink(false);
    m_session.SetRecordCounter(0);
    m_session.SetWaveCount(1);
    LoadFields();

    StartupLoadLanguage();

    // After the captions are in: the four table buttons get their icons.
    for (int id : {idc::kUpload, idc::kDeleteSelect, idc::kDeleteAll, idc::kSaveOrPrint})
        ControlAs<CIconButton>(id)->SetButtonIcon(IconFor(id));

    // Lives hidden until SET WAVE shows it; only hidden again afterwards, so values stay typed.
    m_waveListDlg = std::make_unique<CWaveListDlg>(m_boxes, this);
    m_waveListDlg->hide();
}

void CMeterDlg::OpenLiveMonitor() {
    if (!m_live) {
        m_live = std::make_unique<LiveWindow>(m_session, m_export->ReportFolder(), this);
        // The reading becomes the certification's reference at the acknowledged wavelength.
        m_live->SetReferenceTaker([this](int wavelength, double dBm) {
            m_certification->TakeReference(wavelength, dBm);
        });
        m_live->SetCordVerifier(
            [this](int wave, double dBm) { return m_certification->VerifyCords(wave, dBm); });
    }
    m_live->Retranslate(UiLanguage());
    m_live->show();
    m_live->raise();
    m_live->activateWindow();
}

void CMeterDlg::ConnectHandlers() {
    const auto onClick = [this](int id, void (CMeterDlg::*handler)()) {
        connect(ControlAs<QPushButton>(id), &QPushButton::clicked, this, handler);
    };
    onClick(idc::kExit, &CMeterDlg::accept);
    onClick(idc::kPortButton, &CMeterDlg::OnPortButton);
    onClick(idc::kConnect, &CMeterDlg::OnConnect);
    onClick(idc::kUpload, &CMeterDlg::OnUpload);
    onClick(idc::kDeleteSelect, &CMeterDlg::OnDeleteSelect);
    onClick(idc::kDeleteAll, &CMeterDlg::OnDeleteAll);
    onClick(idc::kTimeSet, &CMeterDlg::OnTimeSet);
    onClick(idc::kPowerAdj, &CMeterDlg::OnPowerAdj);
    onClick(idc::kLaserSet, &CMeterDlg::OnLaserSet);
    onClick(idc::kGetTime, &CMeterDlg::OnGetTime);
    onClick(idc::kReadPower, &CMeterDlg::OnReadPower);
    onClick(idc::kSaveOrPrint, &CMeterDlg::OnSaveOrPrint);
    onClick(idc::kSetWave, &CMeterDlg::OnWaveListButton);
    onClick(idc::kSetDeviceWaves, &CMeterDlg::OnSetDeviceWaves);
    onClick(idc::kPinType, &CMeterDlg::OnPinTypeButton);

    // Service staff only: a combination an operator does not hit by chance.
    auto* service = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")), this);
    connect(service, &QShortcut::activated, this, [this] { SetServiceMode(!m_serviceMode); });

    auto* ports = ControlAs<ComboBox>(idc::kPortList);
    connect(ports, &ComboBox::DropDown, this, &CMeterDlg::OnPortListDropDown);
    // The field shows an entry from its start, where its "COM<n>" is, not scrolled to its end.
    connect(ports, &QComboBox::currentIndexChanged, ports,
            [ports] { ports->lineEdit()->setCursorPosition(0); });
    connect(ControlAs<ComboBox>(idc::kLanguageList), &ComboBox::CloseUp, this,
            &CMeterDlg::OnLanguageCloseUp);
    auto* waves = ControlAs<ComboBox>(idc::kWaveSelect);
    // Only the operator's own choices and typing count, never the list being filled.
    connect(waves, &QComboBox::activated, this, &CMeterDlg::OnWaveSelChange);
    connect(waves->lineEdit(), &QLineEdit::textEdited, this, &CMeterDlg::OnWaveEditChange);

    connect(&m_session, &MeterSession::WavesReceived, this, &CMeterDlg::FillWaveList);
    connect(&m_session, &MeterSession::FieldsChanged, this, &CMeterDlg::LoadFields);
    connect(&m_session, &MeterSession::HeaderChanged, this, &CMeterDlg::LoadHeader);
    connect(&m_session, &MeterSession::PowerReceived, this,
            [this](const QString& text) { ControlAs<QLineEdit>(idc::kPower)->setText(text); });
    // The header fields are the session's: what the operator types goes there at once.
    for (const auto& entry : HeaderEdits()) {
        QString HeaderFields::*field = entry.second;
        BoundTyping(ControlAs<QLineEdit>(entry.first));
        connect(ControlAs<QLineEdit>(entry.first), &QLineEdit::textChanged, this,
                [this, field](const QString& text) { m_session.SetHeaderField(field, text); });
    }
}

void CMeterDlg::StartupLoadLanguage() {
    auto* languages = ControlAs<QComboBox>(idc::kLanguageList);
    languages->clear();
    for (std::string_view entry : text::kLanguageEntries)
        languages->addItem(QString::fromUtf8(entry.data(), qsizetype(entry.size())));

    const IniFile ini(ConfigFilePath());
    const int8_t stored = LanguageFromStoredValue(ini.Read(kIniSection, kIniKey));
    m_session.SetLanguage(stored == 0 ? Language::English : Language::Chinese);
    // Written on every start, an unknown value as Chinese's, which also creates the file; a
    // read-only directory is no error.
    ini.Write(kIniSection, kIniKey, StoredValueOf(UiLanguage()));
    ApplyLanguage();
}

void CMeterDlg::OnLanguageCloseUp() {
    const int index = ControlAs<QComboBox>(idc::kLanguageList)->currentIndex();
    if (index == 0 || index == 1) {
        m_session.SetLanguage(LanguageOfListIndex(index));
        ApplyLanguage();
    }
    IniFile(ConfigFilePath()).Write(kIniSection, kIniKey, StoredValueOf(UiLanguage()));
}

void CMeterDlg::ApplyLanguage() {
    const Language language = UiLanguage();
    {
        // Selecting the entry in force is not the operator's choice.
        auto* languages = ControlAs<QComboBox>(idc::kLanguageList);
        const QSignalBlocker block(languages);
        languages->setCurrentIndex(ListIndexOf(language));
    }
    m_language->ShowCaptions(language);
    m_portStatus->ShowPortButton(m_session.PortShownOpen());
    m_menu->Retitle(language);
    m_archive->Retitle(language);
    if (m_live)
        m_live->Retranslate(language);
    // Rows, notes and the record counter stay: a language switch only changes what things say.
    m_table->RebuildColumns(CEditList::ColumnCaptions(language));
    m_certification->Show();
    m_language->TranslateQt(language);
    m_language->NameControls(language);
    m_portStatus->RefreshStatus();
    FitCaptions(m_built);
}

void CMeterDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QString::fromUtf8(kAboutMenuText), this, &CMeterDlg::ShowAbout);
    menu.exec(event->globalPos());
}

UploadDocument CMeterDlg::Document() const {
    return m_session.Document(UiLanguage(), m_certification->Settings(),
                              QDateTime::currentDateTime());
}

// Greyed while there is nothing to certify; the handlers still refuse with the reason, for a
// shortcut or a state that changed since the menu opened.
void CMeterDlg::EnableCertificateEntries() {
    const bool can = m_certification->Settings().enabled &&
                     ReportableRowCount(m_session.RecordCounter(), m_session.Records().Count()) > 0;
    m_exportPdf->setEnabled(can);
    m_print->setEnabled(can);
}

ArchiveOpenResult CMeterDlg::OpenArchive(const QString& path) {
    const ArchiveOpenResult result = m_archive->Open(path);
    m_archive->KeepCertification(m_certification->Settings());
    m_shared->Start(path, m_archive->Keeper());
    return result;
}

void CMeterDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_archive->TellOpeningMessage();
}

void CMeterDlg::done(int result) {
    // While the window is still there, so what the archive could not take is told over it.
    m_archive->FinishWriting();
    QDialog::done(result);
}

void CMeterDlg::SetServiceMode(bool on) {
    m_serviceMode = on;
    size_t statics = 0;
    for (const ControlEntry& c : MainDialogTemplate().controls) {
        QWidget* w = c.id == kNoId ? m_built.statics[statics++] : Control(c.id);
        if (!c.visible)
            w->setVisible(on);
    }
}

void CMeterDlg::ShowAbout() {
    CAboutBox about(m_appIcon, this);
    about.exec();
}

void CMeterDlg::Show(Kind kind, const QString& text, const QString& caption) {
    switch (kind) {
    case Kind::Reply:
        m_boxes.Show(this, kMainBoxCaption, text);
        return;
    case Kind::Message:
        m_boxes.Show(this, kAppBoxCaption, text);
        return;
    case Kind::Warning:
        m_boxes.Show(this, kAppBoxCaption, text, BoxButtons::Ok, BoxIcon::Warning);
        return;
    case Kind::PortError:
        m_boxes.Show(this, caption, text, BoxButtons::Ok, BoxIcon::Error);
        return;
    }
}

bool CMeterDlg::Confirm(const QString& text) {
    return m_boxes.Show(this, kMainBoxCaption, text, BoxButtons::OkCancel, BoxIcon::Question) ==
           BoxAnswer::Ok;
}

void CMeterDlg::FillWaveList() {
    auto* waves = ControlAs<QComboBox>(idc::kWaveSelect);
    // Filling the list must not look like the operator choosing a wavelength.
    const QSignalBlocker block(waves);
    waves->clear();
    for (int w : m_session.Waves())
        waves->addItem(QString::number(w));
    waves->setCurrentIndex(-1);
}

void CMeterDlg::LoadHeader() {
    const HeaderFields& header = m_session.Header();
    for (const auto& [id, field] : HeaderEdits()) {
        auto* edit = ControlAs<QLineEdit>(id);
        // Setting the same text again would move the cursor of the edit being typed in.
        if (edit->text() != header.*field)
            edit->setText(header.*field);
    }
}

} // namespace vemla
