#pragma once
// The popup menu an icon button may carry. This program never attaches one, so only what the
// button asks of it is here: whether a menu is attached, and its first submenu to pop up.

#include <memory>

class QMenu;

namespace vemla {

class BCMenu {
public:
    BCMenu();
    ~BCMenu();
    BCMenu(const BCMenu&) = delete;
    BCMenu& operator=(const BCMenu&) = delete;

    void Attach(std::unique_ptr<QMenu> menu);
    bool IsAttached() const { return m_menu != nullptr; }
    // What the button pops up; null when none is attached or it has no submenu.
    QMenu* FirstSubMenu() const;

private:
    std::unique_ptr<QMenu> m_menu;
};

} // namespace vemla
