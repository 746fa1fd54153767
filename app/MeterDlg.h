#pragma once
// The main window: owns the program's state and controls and wires one handler per event.
// Decoding, framing and table storage live in their own classes.

#include "DialogTemplate.h"
#include "ReplyAssembler.h"

#include <QDialog>
#include <QIcon>
#include <array>
#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vemla {

class CEditList;
class IMessageBox;
class ReplyFrame;

class CMeterDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMeterDlg(IMessageBox& boxes, QWidget* parent = nullptr);
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

    int8_t UiLanguage() const { return m_uiLanguage; }
    void SetUiLanguage(int8_t language) { m_uiLanguage = language; }
    int32_t SilentUpload() const { return m_silentUpload; }
    void SetSilentUpload(int32_t value) { m_silentUpload = value; }

    int32_t RecordCounter() const { return m_recordCounter; }
    int32_t WaveCount() const { return m_waveCount; }
    const std::array<uint32_t, 4>& Lasers() const { return m_lasers; }
    float LastReference() const { return m_lastReference; }
    int LinkIconId() const { return m_linkIconId; }
    int LampIconId() const { return m_lampIconId; }
    const ReplyAssembler& Assembler() const { return m_assembler; }

    // The About box of the window menu.
    void ShowAbout();

    static QIcon LoadIcon(int id);

public slots:
    // EXIT: closes only when the fields can be read.
    void accept() override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnInitDialog();
    void StartupLoadLanguage();
    void OnLanguageCloseUp();
    void ApplyLanguage();
    void SetCaption(int id, const QString& caption);
    QString PortButtonCaption(bool open) const;
    void DispatchReply(const ReplyFrame& frame);
    void AddRecord(const ReplyFrame& frame);
    void SetIcon(int controlId, int iconId);
    // The text of the language in force; a null text (nothing shown) for any other value.
    QString Pick(const char* english, const char* chinese) const;
    void ShowReply(const QString& text);
    bool FailField(QLineEdit* edit, const char* english, const char* chinese);

    IMessageBox& m_boxes;
    DialogUnits m_units;
    BuiltDialog m_built;
    CEditList* m_table = nullptr;

    ReplyAssembler m_assembler;
    int32_t m_recordCounter = 0;
    float m_lastReference = 0.0f;
    int32_t m_waveCount = 1;
    std::array<uint32_t, 4> m_lasers{};
    int8_t m_uiLanguage = 1;
    int32_t m_silentUpload = 0;

    bool m_portToggle = false;
    bool m_portOpen = false;
    bool m_openRequested = false;
    int32_t m_selectedPortIndex = -1;

    QIcon m_appIcon;
    int m_linkIconId = 0;
    int m_lampIconId = 0;
};

} // namespace vemla
