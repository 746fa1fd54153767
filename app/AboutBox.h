#pragma once

#include "DialogTemplate.h"

#include <QDialog>
#include <QIcon>

namespace vemla {

// The About box: no state, no handlers; OK closes it.
class CAboutBox : public QDialog {
    Q_OBJECT
public:
    CAboutBox(const QIcon& appIcon, QWidget* parent);
    const BuiltDialog& Built() const { return m_built; }

private:
    BuiltDialog m_built;
};

} // namespace vemla
