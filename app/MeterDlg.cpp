#include "MeterDlg.h"

#include "AboutBox.h"
#include "ComboBox.h"
#include "DataExchange.h"
#include "EditList.h"
#include "IconButton.h"
#include "IniFile.h"
#include "Language.h"
#include "MessageBox.h"
#include "ReplyDecoder.h"
#include "WaveListDlg.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

namespace vemla {
namespace {

constexpr std::array kLaserEdits{idc::kLaser1, idc::kLaser2, idc::kLaser3, idc::kLaser4};

} // namespace

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
    : QDialog(parent), m_boxes(boxes), m_units(DialogFont()),
      m_ports(ports ? std::move(ports) : CreateSystemPortSource()),
      m_clock([] { return std::time(nullptr); }), m_appIcon(LoadIcon(idi::kApp)),
      m_port([this](uint32_t number) { return m_ports.DeviceFor(number); }) {
    m_built = BuildDialog(this, MainDialogTemplate(), m_units,
                          [this](const ControlEntry& c, QWidget* parent) -> QWidget* {
                              if (c.id == idc::kTable) {
                                  m_table = new CEditList(parent);
                                  return m_table;
                              }
                              if (IconFor(c.id) == 0)
                                  return nullptr;
                              auto* b = new CIconButton(QString::fromUtf8(c.caption), parent);
                              b->setAutoDefault(false);
                              return b;
                          });
    ConnectHandlers();
    OnInitDialog();
}

CMeterDlg::~CMeterDlg() {
    // The base class hides and deletes the controls after this object's members are gone; no
    // signal of theirs (a combo closing its list, say) may reach a handler by then.
    for (const auto& [id, w] : m_built.byId)
        w->disconnect(this);
}

void CMeterDlg::OnInitDialog() {
    LoadFields();
    setWindowIcon(m_appIcon);
    // The window manager owns the system menu on Linux; the About item lives in the context menu.
    setContextMenuPolicy(Qt::DefaultContextMenu);

    SetIcon(idc::kPortLamp, idi::kPortClosed);
    SetIcon(idc::kLinkPicture, idi::kNotConnected);
    m_assembler.Reset();
    m_recordCounter = 0;

    SaveFields();
    m_waveCount = 1;
    LoadFields();

    StartupLoadLanguage();

    // After the captions are in: the four table buttons get their icons and the raised look.
    for (int id : {idc::kUpload, idc::kDeleteSelect, idc::kDeleteAll, idc::kSaveOrPrint}) {
        auto* button = ControlAs<CIconButton>(id);
        button->SetButtonIcons(IconFor(id), 0);
        button->SetFlatLook(false, true);
    }

    // Lives hidden until SET WAVE shows it; only hidden again afterwards, so values stay typed.
    m_waveListDlg = std::make_unique<CWaveListDlg>(m_boxes, this);
    m_waveListDlg->hide();
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

    connect(ControlAs<CComboBox>(idc::kPortList), &CComboBox::DropDown, this,
            &CMeterDlg::OnPortListDropDown);
    connect(ControlAs<CComboBox>(idc::kLanguageList), &CComboBox::CloseUp, this,
            &CMeterDlg::OnLanguageCloseUp);
    auto* waves = ControlAs<CComboBox>(idc::kWaveSelect);
    // Only the operator's own choices and typing count, never the list being filled.
    connect(waves, &QComboBox::activated, this, &CMeterDlg::OnWaveSelChange);
    connect(waves->lineEdit(), &QLineEdit::textEdited, this, &CMeterDlg::OnWaveEditChange);
}

void CMeterDlg::StartupLoadLanguage() {
    auto* languages = ControlAs<QComboBox>(idc::kLanguageList);
    languages->clear();
    for (std::string_view entry : text::kLanguageEntries)
        languages->addItem(QString::fromUtf8(entry.data(), qsizetype(entry.size())));

    const IniFile ini(ConfigFilePath());
    const int8_t stored = LanguageFromStoredValue(ini.Read(kIniSection, kIniKey));
    m_uiLanguage = stored == 0 ? Language::English : Language::Chinese;
    if (stored > 1 || stored < 0) {
        ini.Write(kIniSection, kIniKey, "1");
        languages->setCurrentIndex(0);
    }
    // Written on every start, which also creates the file; a read-only directory is no error.
    ini.Write(kIniSection, kIniKey, StoredValueOf(m_uiLanguage));
    ApplyLanguage();
}

void CMeterDlg::OnLanguageCloseUp() {
    const int index = ControlAs<QComboBox>(idc::kLanguageList)->currentIndex();
    if (index == 0 || index == 1) {
        m_uiLanguage = LanguageOfListIndex(index);
        ApplyLanguage();
    }
    IniFile(ConfigFilePath()).Write(kIniSection, kIniKey, StoredValueOf(m_uiLanguage));
}

void CMeterDlg::SetCaption(int id, const QString& caption) {
    QWidget* w = Control(id);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(caption);
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(caption);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(caption);
}

void CMeterDlg::ApplyLanguage() {
    {
        // Selecting the entry in force is not the operator's choice.
        auto* languages = ControlAs<QComboBox>(idc::kLanguageList);
        const QSignalBlocker block(languages);
        languages->setCurrentIndex(ListIndexOf(m_uiLanguage));
    }
    for (const CaptionText& c : CaptionTable())
        SetCaption(c.id, Pick(c.text, m_uiLanguage));
    SetCaption(idc::kPortButton, PortButtonCaption(m_portOpen));
    // Rows, notes and the record counter stay: a language switch only changes what things say.
    m_table->RebuildColumns(CEditList::ColumnCaptions(m_uiLanguage));
}

QString CMeterDlg::PortButtonCaption(bool open) const {
    return Pick(open ? text::kCloseCom : text::kOpenCom, m_uiLanguage);
}

void CMeterDlg::SetIcon(int controlId, int iconId) {
    auto* label = ControlAs<QLabel>(controlId);
    if (!label)
        return;
    label->setPixmap(LoadIcon(iconId).pixmap(32, 32));
    if (controlId == idc::kLinkPicture)
        m_linkIconId = iconId;
    else if (controlId == idc::kPortLamp)
        m_lampIconId = iconId;
}

void CMeterDlg::LoadFields() {
    ControlAs<QLineEdit>(idc::kWaveCount)->setText(QString::number(m_waveCount));
    for (size_t i = 0; i < kLaserEdits.size(); ++i)
        ControlAs<QLineEdit>(kLaserEdits[i])->setText(QString::number(m_lasers[i]));
}

bool CMeterDlg::FailField(QLineEdit* edit, const BilingualText& text) {
    m_boxes.Show(this, kAppBoxCaption, Pick(text, m_uiLanguage), BoxButtons::Ok, BoxIcon::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CMeterDlg::SaveFields() {
    auto* waveEdit = ControlAs<QLineEdit>(idc::kWaveCount);
    const auto waves = ParseSignedDecimal(waveEdit->text());
    if (!waves)
        return FailField(waveEdit, text::kEnterWholeNumber);
    m_waveCount = *waves;

    for (size_t i = 0; i < kLaserEdits.size(); ++i) {
        auto* edit = ControlAs<QLineEdit>(kLaserEdits[i]);
        const auto value = ParseUnsignedDecimal(edit->text());
        if (!value)
            return FailField(edit, text::kEnterNonNegative);
        // The value read stays even when it is out of range, as the exchange stores before it
        // checks.
        m_lasers[i] = *value;
        if (*value < kLaserMin || *value > kLaserMax)
            return FailField(edit, text::kEnterLaserWavelength);
    }
    return true;
}

void CMeterDlg::accept() {
    if (SaveFields())
        QDialog::accept();
}

void CMeterDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QString::fromUtf8(kAboutMenuText), this, &CMeterDlg::ShowAbout);
    menu.exec(event->globalPos());
}

void CMeterDlg::OnSaveOrPrint() {
    ExportRequest request;
    request.recordCounter = m_recordCounter;
    request.tableRows = m_table->GetItemCount();
    request.cell = [this](int row, int column) { return m_table->GetItemText(row, column); };
    request.header = {EditText(idc::kCompany), EditText(idc::kModel), EditText(idc::kSerialNumber),
                      EditText(idc::kOperator), EditText(idc::kNotes)};
    request.language = m_uiLanguage;
    request.folder = m_reportFolder;
    request.now = QDateTime::currentDateTime();
    const ExportResult result = ExportReport(request, m_reportWriter, *m_reportOpener);
    ShowAppMessage(ExportMessage(result, m_uiLanguage));
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

void CMeterDlg::OnRxChar(uint8_t byte, uint32_t /*port*/) {
    m_assembler.Feed(byte, [this](const ReplyFrame& frame) { DispatchReply(frame); });
}

void CMeterDlg::ShowAppMessage(const QString& text) {
    if (!text.isEmpty())
        m_boxes.Show(this, kAppBoxCaption, text);
}

QString CMeterDlg::EditText(int id) const {
    auto* edit = ControlAs<QLineEdit>(id);
    return edit ? edit->text() : QString();
}

void CMeterDlg::ShowReply(const QString& text) {
    if (!text.isEmpty())
        m_boxes.Show(this, kMainBoxCaption, text);
}

void CMeterDlg::DispatchReply(const ReplyFrame& frame) {
    const uint8_t code = frame.Code();
    const QString text = Pick(ReplyMessage(code), m_uiLanguage);
    switch (static_cast<FrameCode>(code)) {
    case FrameCode::Connect: {
        const ConnectReply reply = DecodeConnect(frame);
        auto* waves = ControlAs<QComboBox>(idc::kWaveSelect);
        // Filling the list must not look like the operator choosing a wavelength.
        const QSignalBlocker block(waves);
        waves->clear();
        for (int w : reply.waves)
            waves->addItem(QString::number(w));
        waves->setCurrentIndex(-1);
        m_lasers = reply.lasers;
        LoadFields();
        ShowReply(text);
        SetIcon(idc::kLinkPicture, idi::kConnected);
        return;
    }
    case FrameCode::ReadPower:
        ControlAs<QLineEdit>(idc::kPower)->setText(QString::fromStdString(DecodePowerText(frame)));
        LoadFields();
        return;
    case FrameCode::Upload:
        if (IsUploadEnd(frame)) {
            if (m_silentUpload == 0)
                ShowReply(text);
        } else {
            AddRecord(frame);
        }
        return;
    case FrameCode::DeleteSelected:
        ShowReply(text);
        Reupload();
        return;
    case FrameCode::DeleteAll:
        ShowReply(text);
        m_table->DeleteAllItems();
        return;
    default:
        ShowReply(text);
        return;
    }
}

void CMeterDlg::AddRecord(const ReplyFrame& frame) {
    const RecordRow record = DecodeRecord(frame);
    m_recordCounter = record.number;
    m_lastReference = record.reference;
    // A record numbered past the end (after a lost frame) lands at the end; its cells go to the
    // row it actually got, not to a row that does not exist.
    const int row = m_table->InsertItem(record.number - 1, QString::fromStdString(record.cells[0]));
    for (int c = 1; c < kTableColumns; ++c)
        m_table->SetItemText(row, c, QString::fromStdString(record.cells[static_cast<size_t>(c)]));
}

} // namespace vemla
