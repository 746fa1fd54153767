#pragma once
// Puts the configuration file of the current directory, and the user's settings (the test
// process's own), in a known state before a window starts.

#include <QFile>
#include <QSettings>
#include <optional>

namespace vemla::test {

struct FreshConfig {
    explicit FreshConfig(std::optional<QByteArray> contents = std::nullopt) {
        QSettings().clear();
        QFile::remove(QStringLiteral("Vemla.ini"));
        if (contents) {
            QFile f(QStringLiteral("Vemla.ini"));
            if (f.open(QIODevice::WriteOnly))
                f.write(*contents);
        }
    }
    static QByteArray Contents() {
        QFile f(QStringLiteral("Vemla.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

} // namespace vemla::test
