#pragma once
// The main window's menu bar. Every entry carries its text in both languages, so a language
// switch retitles the whole bar in one pass; features add their entries with one call.

#include "Texts.h"

#include <QKeySequence>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace vemla {

class MainMenu {
public:
    enum class Menu { File, Measure, Help };

    explicit MainMenu(QMenuBar* bar);

    // An entry at the end of `menu`; `shortcut` works wherever the window has the focus.
    QAction* Add(Menu menu, const BilingualText& text, std::function<void()> handler,
                 const QKeySequence& shortcut = {});
    // A checkable entry (an option), initially `checked`.
    QAction* AddOption(Menu menu, const BilingualText& text, bool checked,
                       std::function<void(bool)> handler);
    void AddSeparator(Menu menu);

    void Retitle(Language language);
    QMenu* MenuOf(Menu menu) const;

private:
    struct Titled {
        QAction* action;
        BilingualText text;
    };

    QMenuBar* m_bar;
    std::vector<QMenu*> m_menus; // in the order of Menu
    std::vector<Titled> m_titled;
};

} // namespace vemla
