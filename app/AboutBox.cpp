#include "AboutBox.h"

#include <QLabel>
#include <QPushButton>

namespace vemla {

CAboutBox::CAboutBox(const QIcon& appIcon, QWidget* parent) : QDialog(parent) {
    m_built = BuildDialog(this, AboutDialogTemplate(), DialogUnits(DialogFont()));
    if (auto* icon = qobject_cast<QLabel*>(m_built.statics.front()))
        icon->setPixmap(appIcon.pixmap(32, 32));
    if (auto* ok = qobject_cast<QPushButton*>(m_built.Control(1)))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setWindowIcon(appIcon);
}

} // namespace vemla
