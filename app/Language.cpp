#include "Language.h"

#include <QDir>

namespace vemla {

int8_t LanguageFromStoredValue(const QByteArray& value) {
    const auto first = static_cast<int8_t>(value.isEmpty() ? 0 : value[0]);
    return static_cast<int8_t>(first - '0');
}

QByteArray StoredValueOf(Language language) {
    return QByteArray::number(static_cast<int>(language));
}

QString ConfigFilePath() {
    return QDir::currentPath() + QLatin1Char('/') + QLatin1String(kIniFileName);
}

} // namespace vemla
