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

bool CMeterDlg::CheckPortOpen() {
    if (m_port.IsOpen())
        return true;
    ShowAppMessage(Pick(text::kComNotOpen, m_uiLanguage));
    return false;
}

void CMeterDlg::Send(const OutFrame& frame) {
    m_port.Write(frame.View());
}

void CMeterDlg::OnConnect() {
    if (!CheckPortOpen())
        return;
    Send(BuildFixedFrame(kConnectHex));
}

void CMeterDlg::OnUpload() {
    m_silentUpload = 0; // also when the port turns out to be closed
    Reupload();
}

void CMeterDlg::Reupload() {
    if (!CheckPortOpen())
        return;
    const OutFrame frame = BuildFixedFrame(kUploadHex);
    m_table->DeleteAllItems();
    m_recordCounter = 0;
    Send(frame);
}

void CMeterDlg::OnReadPower() {
    ReopenPort();
    if (!CheckPortOpen())
        return;
    Send(BuildFixedFrame(kReadPowerHex));
}

void CMeterDlg::OnDeleteSelect() {
    if (m_recordCounter <= 0)
        return;
    const int row = m_table->GetFirstSelectedRow();
    if (row < 0) {
        m_silentUpload = 1;
        return;
    }
    const OutFrame frame = BuildDeleteSelected(row);
    if (!CheckPortOpen())
        return;
    Send(frame);
    m_silentUpload = 1;
}

void CMeterDlg::OnDeleteAll() {
    const BoxAnswer answer =
        m_boxes.Show(this, kMainBoxCaption, Pick(text::kDeleteAllData, m_uiLanguage),
                     BoxButtons::OkCancel, BoxIcon::Question);
    if (answer != BoxAnswer::Ok)
        return;
    // The meter is told the language by the end byte: 0xBB in English, 0x55 in Chinese.
    const OutFrame frame = BuildDeleteAll(m_uiLanguage == Language::Chinese);
    if (!CheckPortOpen())
        return;
    Send(frame);
}

void CMeterDlg::OnPowerAdj() {
    const auto value = static_cast<float>(LeadingDouble(EditText(idc::kPower)));
    const OutFrame frame = BuildSetCalibration(value);
    ReopenPort();
    if (!CheckPortOpen())
        return;
    Send(frame);
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
    ReopenPort();
    std::array<uint32_t, 5> v{};
    const std::array ids{idc::kYear, idc::kMonth, idc::kDay, idc::kHour, idc::kMinute};
    for (size_t i = 0; i < ids.size(); ++i)
        v[i] = static_cast<uint32_t>(LeadingUnsigned(EditText(ids[i])) & 0xFF);
    const OutFrame frame = BuildSetTime(v[0], v[1], v[2], v[3], v[4]);
    if (!CheckPortOpen())
        return;
    Send(frame);
}

void CMeterDlg::OnWaveSelChange() {
    ReopenPort();
    if (!CheckPortOpen())
        return;
    Send(BuildSelectWave(ControlAs<QComboBox>(idc::kWaveSelect)->currentIndex()));
}

void CMeterDlg::OnWaveEditChange() {
    ReopenPort();
    if (!CheckPortOpen())
        return;
    // The meter gets the port list's index here, not the wavelength list's.
    Send(BuildWaveEditChange(ControlAs<QComboBox>(idc::kPortList)->currentIndex()));
}

void CMeterDlg::OnLaserSet() {
    ReopenPort();
    SaveFields();
    const OutFrame frame = BuildSetLasers(m_lasers);
    if (!CheckPortOpen())
        return;
    Send(frame);
}

void CMeterDlg::OnWaveListButton() {
    SaveFields();
    if (!WaveCountInRange(m_waveCount)) {
        ShowAppMessage(Pick(text::kWaveCountOutOfRange, m_uiLanguage));
        return;
    }
    m_waveListDlg->PrepareForCount(m_waveCount, m_uiLanguage);
    m_waveListDlg->show();
    m_waveListDlg->raise();
    m_waveListDlg->activateWindow();
    LoadFields();
}

void CMeterDlg::OnSetDeviceWaves() {
    ReopenPort();
    SaveFields();
    // More than the list's 20 wavelengths would send bytes that were never typed.
    if (m_waveCount > kMaxWaves) {
        ShowAppMessage(Pick(text::kWaveCountOutOfRange, m_uiLanguage));
        return;
    }
    const OutFrame frame = BuildSetDeviceWaves(m_waveCount, m_waveListDlg->WaveList());
    if (!CheckPortOpen())
        return;
    Send(frame);
}

void CMeterDlg::OnPinTypeButton() {
    ReopenPort(); // before the dialog, not after it closes
    CPinTypeDlg dialog(m_uiLanguage, m_pinType.value_or(0), !m_pinType.has_value(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_pinType = dialog.PinType();
    const OutFrame frame = BuildSetPinType(*m_pinType);
    if (!CheckPortOpen())
        return;
    Send(frame);
}

} // namespace vemla
