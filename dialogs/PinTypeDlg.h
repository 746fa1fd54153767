#pragma once
// The PIN type dialog: the operator picks the meter's photodiode type, "A" or "C". Modal, one
// instance per run of the PIN TYPE button.

#include "DialogTemplate.h"
#include "Texts.h"

#include <QDialog>
#include <cstdint>

class QComboBox;

namespace vemla {

class CPinTypeDlg : public QDialog {
    Q_OBJECT
public:
    // choiceRequired: no type has been confirmed yet, so OK waits for the operator's pick and
    // no made-up type is ever sent.
    CPinTypeDlg(Language language, int32_t pinType, bool choiceRequired, QWidget* parent = nullptr);

    // 0 for "A", 1 for any other choice.
    int32_t PinType() const { return m_pinType; }
    QComboBox* TypeList() const;
    QWidget* Control(int id) const { return m_built.Control(id); }
    const BuiltDialog& Built() const { return m_built; }

private:
    void OnInitDialog(Language language);
    void OnPinTypeChange(int index);

    BuiltDialog m_built;
    int32_t m_pinType;
};

} // namespace vemla
