#pragma once
// A file's bytes read or written whole: the files a test starts from and the ones it reads back.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vemla::test {

// A file's bytes, none when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace vemla::test
