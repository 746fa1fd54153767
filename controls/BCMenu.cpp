#include "BCMenu.h"

#include <QMenu>

namespace vemla {

BCMenu::BCMenu() = default;
BCMenu::~BCMenu() = default;

void BCMenu::Attach(std::unique_ptr<QMenu> menu) {
    m_menu = std::move(menu);
}

QMenu* BCMenu::FirstSubMenu() const {
    if (!m_menu)
        return nullptr;
    for (QAction* a : m_menu->actions())
        if (a->menu())
            return a->menu();
    return nullptr;
}

} // namespace vemla
