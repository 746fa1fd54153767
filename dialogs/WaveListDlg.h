#pragma once
// The wavelength list dialog: up to 20 typed wavelengths become the byte list (PutWaveList) that
// the set-device-wavelengths command copies into its frame. One modeless instance lives as long
// as the main window; it is only shown and hidden, so typed values stay between showings.

#include "DialogTemplate.h"
#include "FrameCodec.h"
#include "Texts.h"

#include <QDialog>
#include <array>
#include <cstdint>
#include <span>

class QLineEdit;

namespace vemla {

class IMessageBox;

class CWaveListDlg : public QDialog {
    Q_OBJECT
public:
    CWaveListDlg(IMessageBox& boxes, QWidget* parent = nullptr);

    // Captions in the language and the fields for N.
    void PrepareForCount(int32_t count, Language language);

    std::span<const uint8_t> WaveList() const { return m_waveList; }
    // The value held for field WAVEk, k from 1 to 20.
    int32_t WaveValue(int k) const { return m_values[Slot(k)]; }
    int32_t Count() const { return m_count; }

    QLineEdit* Field(int k) const;
    QWidget* Label(int k) const;
    QWidget* Control(int id) const { return m_built.Control(id); }
    const BuiltDialog& Built() const { return m_built; }

public slots:
    // OK: read the fields, build the list, show the values again and hide.
    void accept() override;

private:
    // Values are held, read and written in the order WAVE2..WAVE20, WAVE1.
    static int Slot(int k) { return k == 1 ? kMaxDeviceWaves - 1 : k - 2; }
    static int WaveOfSlot(int slot) { return slot == kMaxDeviceWaves - 1 ? 1 : slot + 2; }
    void ReadFields();
    void WriteFields();

    IMessageBox& m_boxes;
    BuiltDialog m_built;
    int32_t m_count = 0;
    Language m_language = Language::English;
    std::array<uint8_t, kWaveListBytes> m_waveList{};
    std::array<int32_t, kMaxDeviceWaves> m_values{};
};

} // namespace vemla
