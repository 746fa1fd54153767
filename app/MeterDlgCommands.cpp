// The instrument commands: each builds one frame and hands it to the engine, which sends it
// from its monitor thread. Replies arrive later through OnRxChar.
#include "CommandText.h"
#include "EditList.h"
#include "FrameCodec.h"
#include "MessageBox.h"
#include "MeterDlg.h"
#include "PinTypeDlg.h"
#include "WaveListDlg.h"

#include <QComboBox>
#include <QLineEdit>

namespace vemla {

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

} // namespace vemla
