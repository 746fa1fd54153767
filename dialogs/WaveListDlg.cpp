#include "WaveListDlg.h"

#include "DataExchange.h"
#include "MessageBox.h"
#include "TextFit.h"

#include <QLineEdit>
#include <QPushButton>

namespace vemla {

CWaveListDlg::CWaveListDlg(IMessageBox& boxes, QWidget* parent) : QDialog(parent), m_boxes(boxes) {
    const DialogLayout& layout = WaveListDialogTemplate();
    m_built = BuildDialog(this, layout, DialogUnits(DialogFont(layout.fontPoints)));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setModal(false);
    connect(qobject_cast<QPushButton*>(Control(idw::kOk)), &QPushButton::clicked, this,
            &CWaveListDlg::accept);
    connect(qobject_cast<QPushButton*>(Control(idw::kCancel)), &QPushButton::clicked, this,
            &CWaveListDlg::reject);
    WriteFields(); // every field first shows "0"
}

QLineEdit* CWaveListDlg::Field(int k) const {
    if (k < 1 || k > kMaxDeviceWaves)
        return nullptr;
    return qobject_cast<QLineEdit*>(Control(idw::kFields[k - 1]));
}

QWidget* CWaveListDlg::Label(int k) const {
    if (k < 1 || k > kMaxDeviceWaves)
        return nullptr;
    return Control(idw::kFirstLabel + k - 1);
}

void CWaveListDlg::PrepareForCount(int32_t count, Language language) {
    m_count = count;
    m_language = language;
    Control(idw::kGroup)->setProperty("title", Pick(text::kSetWavelength, language));
    Control(idw::kPrompt)->setProperty("text", Pick(text::kEnterWavelengths, language));
    Control(idw::kOk)->setProperty("text", Pick(text::kOk, language));
    // Screen readers name each field by its label, WAVE1..WAVE20 in both languages.
    for (int k = 1; k <= kMaxDeviceWaves; ++k)
        Field(k)->setAccessibleName(Label(k)->property("text").toString());
    FitCaptions(m_built);
    if (!WaveCountInRange(count))
        return;
    // WAVE1 always stays visible; the others follow the count, their typed values kept.
    for (int k = 2; k <= kMaxDeviceWaves; ++k) {
        Label(k)->setVisible(k <= count);
        Field(k)->setVisible(k <= count);
    }
}

void CWaveListDlg::ReadFields() {
    for (int slot = 0; slot < kMaxDeviceWaves; ++slot) {
        QLineEdit* field = Field(WaveOfSlot(slot));
        const std::optional<int32_t> value = ParseSignedDecimal(field->text());
        if (!value) {
            // This field and the ones after it keep their previous values.
            m_boxes.Show(this, kAppBoxCaption, Pick(text::kEnterInteger, m_language),
                         BoxButtons::Ok, BoxIcon::Warning);
            field->setFocus();
            return;
        }
        m_values[slot] = *value;
    }
}

void CWaveListDlg::WriteFields() {
    for (int slot = 0; slot < kMaxDeviceWaves; ++slot)
        Field(WaveOfSlot(slot))->setText(QString::number(m_values[slot]));
}

void CWaveListDlg::accept() {
    ReadFields();
    std::array<int32_t, kMaxDeviceWaves> waves{};
    for (int k = 1; k <= kMaxDeviceWaves; ++k)
        waves[k - 1] = WaveValue(k);
    PutWaveList(m_count, waves, m_waveList);
    WriteFields();
    QDialog::accept();
}

} // namespace vemla
