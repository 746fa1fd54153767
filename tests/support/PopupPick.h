#pragma once
// Drives a drop-down list as the operator does: the list opened, then a click on the entry's
// rectangle in the open list, or arrow keys and Enter, or Escape. The combo's own notifications
// then arrive in the order Qt really delivers them. Menus and dialog buttons are clicked alike.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vemla::test {

inline QAbstractItemView* OpenList(QComboBox* combo) {
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    // A list that never shows only makes the pick miss, which the caller's expectations catch.
    static_cast<void>(QTest::qWaitForWindowExposed(view->window()));
    return view;
}

inline void ClickEntry(QComboBox* combo, int index) {
    QAbstractItemView* view = OpenList(combo);
    const QRect rect = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QCoreApplication::processEvents();
}

inline void KeyToEntry(QComboBox* combo, int index) {
    QAbstractItemView* view = OpenList(combo);
    const int from = view->currentIndex().isValid() ? view->currentIndex().row() : -1;
    const Qt::Key step = index > from ? Qt::Key_Down : Qt::Key_Up;
    for (int i = from; i != index; i += index > from ? 1 : -1)
        QTest::keyClick(view, step);
    QTest::keyClick(view, Qt::Key_Return);
    QCoreApplication::processEvents();
}

inline void Dismiss(QComboBox* combo) {
    QTest::keyClick(OpenList(combo), Qt::Key_Escape);
    QCoreApplication::processEvents();
}

// Clicks a menu's title on the bar, then the entry in the menu that opens.
inline void ClickMenuEntry(QMenuBar* bar, QMenu* menu, int entry) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    static_cast<void>(QTest::qWaitForWindowExposed(menu));
    QAction* action = menu->actions().value(entry);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    QCoreApplication::processEvents();
}

// Opens the view's context menu at `at` (in its viewport) and clicks the menu's first entry.
inline void ClickFirstContextEntry(QAbstractItemView* view, QPoint at) {
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions()[0]).center());
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
}

// Clicks the OK button of the dialog's button box.
inline void ClickOk(QWidget* dialog) {
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

} // namespace vemla::test
