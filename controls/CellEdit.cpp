#include "CellEdit.h"

#include "TextBound.h"

#include <QKeyEvent>

namespace vemla {

CCellEdit::CCellEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(true);
    BoundTyping(this);
}

void CCellEdit::Finish(bool store) {
    if (m_finishing)
        return; // closing the editor moves the focus, which must not finish it a second time
    m_finishing = true;
    emit Finished(store);
    m_finishing = false;
}

void CCellEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        Finish(true);
        return;
    case Qt::Key_Escape:
        event->accept();
        Finish(false);
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void CCellEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The editor's own context menu takes the focus for a moment; the edit goes on.
    if (isVisible() && event->reason() != Qt::PopupFocusReason)
        Finish(true);
}

} // namespace vemla
