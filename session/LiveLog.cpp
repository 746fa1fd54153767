#include "LiveLog.h"

#include "FileCommit.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

#include <unistd.h>

namespace vemla {

QString LiveLog::DefaultFileName(const QDateTime& now) {
    return QStringLiteral("Live %1.csv").arg(now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

bool LiveLog::Open(const QString& path) {
    Close();
    m_error.clear();
    const QFileInfo info(path);
    // A folder that cannot be made shows as the system's reason the file cannot be created.
    QDir().mkpath(info.absolutePath());
    // A file of the same name, perhaps another run's log, is never replaced nor written through
    // if it is a link; the new log gets a number instead, as a report does.
    const QString stem = info.absoluteDir().filePath(info.completeBaseName());
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1; n <= kMaxNumber; ++n) {
        m_path = n == 1 ? path : QStringLiteral("%1 (%2)%3").arg(stem, QString::number(n), suffix);
        WriteFailure failure;
        m_fd = CreateNew(m_path, &failure);
        if (m_fd >= 0)
            break;
        m_error = WriteFailureText(failure, Language::English);
        if (failure.fault != WriteFault::Exists && failure.fault != WriteFault::Link)
            return false; // not a name clash: another number would fail alike
    }
    if (m_fd < 0)
        return false;
    m_whole = 0;
    return WriteLine("time,unix_time,dBm,mW,wavelength_nm,relative_dB\n");
}

void LiveLog::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

// Straight to the kernel, no buffer of ours: a crash of the program loses no written line.
bool LiveLog::WriteLine(const QByteArray& line) {
    WriteFailure failure;
    if (WriteAll(m_fd, line, m_path, &failure)) {
        m_whole += line.size();
        return true;
    }
    m_error = WriteFailureText(failure, Language::English);
    // A full disk takes part of the line: the half line goes, so a reader of the log never
    // meets a reading that was never taken. Shrinking needs no room.
    if (::ftruncate(m_fd, m_whole) != 0)
        m_error += QStringLiteral(" (%1)").arg(qt_error_string(errno));
    Close();
    return false;
}

bool LiveLog::Write(const LiveSample& sample, int wavelength, std::optional<double> reference) {
    if (m_fd < 0)
        return false;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(sample.msecs);
    QByteArray line = at.toString(Qt::ISODateWithMs).toUtf8();
    // Local time with its offset, so the line stays unambiguous across a clock change.
    const int offset = at.offsetFromUtc();
    line += QStringLiteral("%1%2:%3")
                .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
                .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'))
                .toUtf8();
    line += ',' + QByteArray::number(static_cast<double>(sample.msecs) / 1000.0, 'f', 3) + ',';
    if (sample.valid) {
        line += QByteArray::number(sample.dBm, 'f', 2) + ',' +
                QByteArray::number(MilliwattsOf(sample.dBm), 'g', 6);
    } else {
        line += ','; // no believable reading: both fields stay empty
    }
    line += ',' + (wavelength > 0 ? QByteArray::number(wavelength) : QByteArray()) + ',';
    if (sample.valid && reference)
        line += QByteArray::number(sample.dBm - *reference, 'f', 2);
    line += '\n';
    return WriteLine(line);
}

} // namespace vemla
