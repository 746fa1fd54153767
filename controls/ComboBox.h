#pragma once

#include <QComboBox>

namespace vemla {

// A drop-down combo that tells when its list opens and closes, which is when the window
// refreshes the port list and takes the operator's language choice.
//
// Qt hides the list before it applies the entry the operator picked in it, so a close-up sent
// from hidePopup() would read the previous entry. The close-up is therefore held until the pick
// is applied (the list's `activated`), or, when nothing was picked (Escape, a click elsewhere),
// until control returns to the event loop.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr) : QComboBox(parent) {
        connect(this, &QComboBox::activated, this, &ComboBox::FinishCloseUp);
    }

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
            m_closing = true;
            QMetaObject::invokeMethod(this, &ComboBox::FinishCloseUp, Qt::QueuedConnection);
        }
    }

private:
    void FinishCloseUp() {
        if (!m_closing)
            return;
        m_closing = false;
        emit CloseUp();
    }

    bool m_open = false;
    bool m_closing = false;

signals:
    void DropDown();
    void CloseUp();
};

} // namespace vemla
