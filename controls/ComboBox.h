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
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        emit CloseUp();
    }

signals:
    void DropDown();
    void CloseUp();
};

} // namespace vemla
