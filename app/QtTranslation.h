#pragma once
// Qt's own texts (the buttons of message boxes, the file and print dialogs) in the language in
// force: Qt's Chinese translation is installed on the application while the language is Chinese.

#include "Texts.h"

#include <QTranslator>

namespace vemla {

class QtTranslation {
public:
    QtTranslation() = default;
    ~QtTranslation();
    QtTranslation(const QtTranslation&) = delete;
    QtTranslation& operator=(const QtTranslation&) = delete;

    // A missing translation file leaves Qt's English in place; nothing else changes.
    void Apply(Language language);
    bool Installed() const { return m_installed; }

private:
    QTranslator m_translator;
    bool m_loaded = false;
    bool m_installed = false;
};

} // namespace vemla
