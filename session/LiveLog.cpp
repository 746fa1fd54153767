#include "LiveLog.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace vemla {

QString LiveLog::DefaultFileName(const QDateTime& now) {
    return QStringLiteral("Live %1.csv").arg(now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

bool LiveLog::Open(const QString& path) {
    Close();
    m_error.clear();
    const QFileInfo info(path);
    // A folder that cannot be made shows as the system's reason the file cannot be opened.
    QDir().mkpath(info.absolutePath());
    // NewOnly: a file of the same name, perhaps another run's log, is never replaced; the new
    // log gets a number instead, as a report does.
    const QString stem = info.absoluteDir().filePath(info.completeBaseName());
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1; n <= kMaxNumber; ++n) {
        m_file.setFileName(
            n == 1 ? path : QStringLiteral("%1 (%2)%3").arg(stem, QString::number(n), suffix));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text))
            break;
        m_error = m_file.errorString();
        if (!m_file.exists() || info.isDir())
            return false; // not a name clash: another number would fail alike
    }
    if (!m_file.isOpen())
        return false;
    const QByteArray columns("time,unix_time,dBm,mW,wavelength_nm,relative_dB\n");
    if (m_file.write(columns) != columns.size() || !m_file.flush()) {
        m_error = m_file.errorString();
        m_file.close();
        return false;
    }
    return true;
}

void LiveLog::Close() {
    if (m_file.isOpen())
        m_file.close();
}

bool LiveLog::Write(const LiveSample& sample, int wavelength, std::optional<double> reference) {
    if (!m_file.isOpen())
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
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        m_error = m_file.errorString();
        m_file.close();
        return false;
    }
    return true;
}

} // namespace vemla
