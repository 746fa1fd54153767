#pragma once
// Drives a drop-down list as the operator does: the list opened, then a click on the entry's
// rectangle in the open list, or arrow keys and Enter, or Escape. The combo's own notifications
// then arrive in the order Qt really delivers them.

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

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

} // namespace vemla::test
