#pragma once

#include <QComboBox>

namespace vemla {

// A drop-down combo that tells when its list opens and closes, which is when the window
// refreshes the port list and takes the operator's language choice.
class CComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override {
        emit DropDown();
        QComboBox::showPopup();
        m_open = true;
    }
    // Only a list that was open closes up; hiding the window does not count.
    void hidePopup() override {
        QComboBox::hidePopup();
        if (m_open) {
            m_open = false;
            emit CloseUp();
        }
    }

private:
    bool m_open = false;

signals:
    void DropDown();
    void CloseUp();
};

} // namespace vemla
