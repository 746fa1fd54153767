#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace vemla {

QtTranslation::~QtTranslation() {
    Apply(Language::English);
}

void QtTranslation::Apply(Language language) {
    const bool wanted = language == Language::Chinese;
    if (wanted == m_installed || !QCoreApplication::instance())
        return;
    if (!wanted) {
        QCoreApplication::removeTranslator(&m_translator);
        m_installed = false;
        return;
    }
    if (!m_loaded)
        m_loaded = m_translator.load(QStringLiteral("qtbase_zh_CN"),
                                     QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (m_loaded)
        m_installed = QCoreApplication::installTranslator(&m_translator);
}

} // namespace vemla
