#include "MainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace vemla {

MainMenu::MainMenu(QMenuBar* bar) : m_bar(bar) {
    for (const BilingualText& title : {text::kMenuFile, text::kMenuMeasure, text::kMenuHelp}) {
        QMenu* menu = m_bar->addMenu(QString());
        m_menus.push_back(menu);
        m_titled.push_back({menu->menuAction(), title});
    }
}

QMenu* MainMenu::MenuOf(Menu menu) const {
    return m_menus[static_cast<std::size_t>(menu)];
}

QAction* MainMenu::Add(Menu menu, const BilingualText& text, std::function<void()> handler,
                       const QKeySequence& shortcut) {
    QAction* action = MenuOf(menu)->addAction(QString());
    action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, action,
                     [handler = std::move(handler)] { handler(); });
    m_titled.push_back({action, text});
    return action;
}

QAction* MainMenu::AddOption(Menu menu, const BilingualText& text, bool checked,
                             std::function<void(bool)> handler) {
    QAction* action = MenuOf(menu)->addAction(QString());
    action->setCheckable(true);
    action->setChecked(checked);
    QObject::connect(action, &QAction::toggled, action, std::move(handler));
    m_titled.push_back({action, text});
    return action;
}

void MainMenu::AddSeparator(Menu menu) {
    MenuOf(menu)->addSeparator();
}

void MainMenu::Retitle(Language language) {
    for (const Titled& t : m_titled)
        t.action->setText(Pick(t.text, language));
}

} // namespace vemla
