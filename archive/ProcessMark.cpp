#include "ProcessMark.h"

#include <QFile>
#include <QStringList>

#include <unistd.h>

namespace vemla {

namespace {

QByteArray ReadSmall(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(4096) : QByteArray();
}

QString BootId() {
    return QString::fromLatin1(ReadSmall(QStringLiteral("/proc/sys/kernel/random/boot_id")))
        .trimmed();
}

// Field 22 of /proc/PID/stat, counted after the command name, which may hold spaces and ')'.
QString StartTime(qint64 pid) {
    const QByteArray stat = ReadSmall(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    constexpr int kStartTimeAfterName = 22 - 3; // fields 1 and 2 are the pid and the name
    return fields.size() > kStartTimeAfterName ? QString::fromLatin1(fields[kStartTimeAfterName])
                                               : QString();
}

} // namespace

QString OwnProcessMark() {
    const qint64 pid = ::getpid();
    return QStringLiteral("%1/%2/%3").arg(BootId()).arg(pid).arg(StartTime(pid));
}

bool ProcessMarkAlive(const QString& mark) {
    const QStringList parts = mark.split(QLatin1Char('/'));
    bool number = false;
    const qint64 pid = parts.size() == 3 ? parts[1].toLongLong(&number) : 0;
    if (!number || pid <= 0 || parts[0] != BootId())
        return false;
    const QString started = StartTime(pid);
    return !started.isEmpty() && started == parts[2];
}

} // namespace vemla
