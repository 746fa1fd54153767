// The handlers of the template's buttons and lists, and the data exchange they read the fields
// with. Each command goes to the session, which sends its frame from the monitor thread; replies
// come back through the session's signals.
#include "CommandText.h"
#include "DataExchange.h"
#include "EditList.h"
#include "ExportPart.h"
#include "FrameCodec.h"
#include "MessageBox.h"
#include "MeterDlg.h"
#include "PinTypeDlg.h"
#include "PortStatusPart.h"
#include "WaveListDlg.h"

#include <QComboBox>
#include <QLineEdit>

namespace vemla {
namespace {

constexpr std::array kLaserEdits{idc::kLaser1, idc::kLaser2, idc::kLaser3, idc::kLaser4};

} // namespace

void CMeterDlg::OnConnect() {
    m_session.Connect();
}

void CMeterDlg::OnUpload() {
    m_session.Upload();
}

void CMeterDlg::OnReadPower() {
    m_session.ReadPower();
}

void CMeterDlg::OnDeleteSelect() {
    m_session.DeleteSelected(m_table->GetFirstSelectedRow());
}

void CMeterDlg::OnDeleteAll() {
    m_session.DeleteAll();
}

void CMeterDlg::OnPowerAdj() {
    m_session.PowerAdjust(static_cast<float>(LeadingDouble(EditText(idc::kPower))));
}

void CMeterDlg::OnGetTime() {
    const std::time_t now = m_clock();
    std::tm local{};
    localtime_r(&now, &local);
    const std::array<QString, 5> fields = TimeFieldsFromText(StandardTimeText(local));
    const std::array ids{idc::kYear, idc::kMonth, idc::kDay, idc::kHour, idc::kMinute};
    for (size_t i = 0; i < ids.size(); ++i)
        ControlAs<QLineEdit>(ids[i])->setText(fields[i]);
}

void CMeterDlg::OnTimeSet() {
    std::array<uint32_t, 5> fields{};
    const std::array ids{idc::kYear, idc::kMonth, idc::kDay, idc::kHour, idc::kMinute};
    for (size_t i = 0; i < ids.size(); ++i)
        fields[i] = static_cast<uint32_t>(LeadingUnsigned(EditText(ids[i])));
    m_session.SetTime(fields);
}

void CMeterDlg::OnWaveSelChange() {
    m_session.SelectWave(ControlAs<QComboBox>(idc::kWaveSelect)->currentIndex());
}

void CMeterDlg::OnWaveEditChange() {
    // Kept as the meter's program does it: the meter gets the port list's index here, not the
    // wavelength list's.
    m_session.WaveEditChange(ControlAs<QComboBox>(idc::kPortList)->currentIndex());
}

void CMeterDlg::OnLaserSet() {
    m_session.ReopenPort();
    SaveFields();
    m_session.SendLasers();
}

void CMeterDlg::OnWaveListButton() {
    SaveFields();
    if (!WaveCountInRange(m_session.WaveCount())) {
        ShowAppMessage(m_session.Text(text::kWaveCountOutOfRange));
        return;
    }
    m_waveListDlg->PrepareForCount(m_session.WaveCount(), UiLanguage());
    m_waveListDlg->show();
    m_waveListDlg->raise();
    m_waveListDlg->activateWindow();
    LoadFields();
}

void CMeterDlg::OnSetDeviceWaves() {
    m_session.ReopenPort();
    SaveFields();
    m_session.SetDeviceWaves(m_waveListDlg->WaveList());
}

void CMeterDlg::OnPinTypeButton() {
    m_session.ReopenPort(); // before the dialog, not after it closes
    const std::optional<int32_t> stored = m_session.StoredPinType();
    CPinTypeDlg dialog(UiLanguage(), stored.value_or(0), !stored.has_value(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_session.SendPinType(dialog.PinType());
}

void CMeterDlg::OnSaveOrPrint() {
    m_export->WriteReport(Document());
}

void CMeterDlg::OnPortButton() {
    m_session.TogglePort(ControlAs<QComboBox>(idc::kPortList)->currentIndex());
}

void CMeterDlg::OnPortListDropDown() {
    if (!m_session.PortListDropDown())
        return;
    m_portStatus->FillPortList();
    ControlAs<QComboBox>(idc::kPortList)->setCurrentIndex(-1);
}

void CMeterDlg::accept() {
    if (SaveFields())
        QDialog::accept();
}

bool CMeterDlg::FailField(QLineEdit* edit, const BilingualText& text) {
    m_boxes.Show(this, kAppBoxCaption, m_session.Text(text), BoxButtons::Ok, BoxIcon::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CMeterDlg::SaveFields() {
    auto* waveEdit = ControlAs<QLineEdit>(idc::kWaveCount);
    const auto waves = ParseSignedDecimal(waveEdit->text());
    if (!waves)
        return FailField(waveEdit, text::kEnterWholeNumber);
    m_session.SetWaveCount(*waves);

    for (size_t i = 0; i < kLaserEdits.size(); ++i) {
        auto* edit = ControlAs<QLineEdit>(kLaserEdits[i]);
        const auto value = ParseUnsignedDecimal(edit->text());
        if (!value)
            return FailField(edit, text::kEnterNonNegative);
        // The value read stays even when it is out of range, as the exchange stores before it
        // checks.
        std::array<uint32_t, 4> lasers = m_session.Lasers();
        lasers[i] = *value;
        m_session.SetLasers(lasers);
        if (*value < kLaserMin || *value > kLaserMax)
            return FailField(edit, text::kEnterLaserWavelength);
    }
    return true;
}

void CMeterDlg::LoadFields() {
    ControlAs<QLineEdit>(idc::kWaveCount)->setText(QString::number(m_session.WaveCount()));
    for (size_t i = 0; i < kLaserEdits.size(); ++i)
        ControlAs<QLineEdit>(kLaserEdits[i])->setText(QString::number(m_session.Lasers()[i]));
}

void CMeterDlg::ShowAppMessage(const QString& text) {
    if (!text.isEmpty())
        m_boxes.Show(this, kAppBoxCaption, text);
}

QString CMeterDlg::EditText(int id) const {
    auto* edit = ControlAs<QLineEdit>(id);
    return edit ? edit->text() : QString();
}

} // namespace vemla
