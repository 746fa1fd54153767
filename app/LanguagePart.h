#pragma once
// The window's own words in the language in force: the template's captions, Qt's texts (the
// buttons of message boxes, the file and print dialogs) and the names screen readers give the
// edits and lists. What each part says (the port button, the menus, the status line) the part
// retitles itself.

#include "QtTranslation.h"
#include "Texts.h"

namespace vemla {

struct BuiltDialog;

class LanguagePart {
public:
    // The controls are the window's template's.
    explicit LanguagePart(const BuiltDialog& built) : m_built(built) {}

    void ShowCaptions(Language language);
    // Qt's Chinese translation is installed while the language is Chinese.
    void TranslateQt(Language language) { m_qtTranslation.Apply(language); }
    void NameControls(Language language);

private:
    const BuiltDialog& m_built;
    QtTranslation m_qtTranslation;
};

} // namespace vemla
