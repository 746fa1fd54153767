#include "BCMenu.h"

#include <QMenu>
#include <algorithm>
#include <vector>

namespace vemla {
namespace {

// Every menu of a live BCMenu, submenus included. Window thread only.
std::vector<const QMenu*>& Registry() {
    static std::vector<const QMenu*> menus;
    return menus;
}

void Register(const QMenu* menu) {
    Registry().push_back(menu);
    for (const QAction* a : menu->actions())
        if (a->menu())
            Register(a->menu());
}

void Unregister(const QMenu* menu) {
    for (const QAction* a : menu->actions())
        if (a->menu())
            Unregister(a->menu());
    auto& r = Registry();
    r.erase(std::remove(r.begin(), r.end(), menu), r.end());
}

} // namespace

BCMenu::BCMenu() = default;

BCMenu::~BCMenu() {
    if (m_menu)
        Unregister(m_menu.get());
}

void BCMenu::Attach(std::unique_ptr<QMenu> menu) {
    if (m_menu)
        Unregister(m_menu.get());
    m_menu = std::move(menu);
    if (m_menu)
        Register(m_menu.get());
}

QMenu* BCMenu::FirstSubMenu() const {
    if (!m_menu)
        return nullptr;
    for (QAction* a : m_menu->actions())
        if (a->menu())
            return a->menu();
    return nullptr;
}

bool BCMenu::IsMenu(const QMenu* menu) {
    const auto& r = Registry();
    return menu && std::find(r.begin(), r.end(), menu) != r.end();
}

} // namespace vemla
