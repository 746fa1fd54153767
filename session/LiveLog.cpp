#include "LiveLog.h"

#include "MeterSession.h"

namespace vemla {
namespace {

// A port or serial as one CSV field: quoted when it holds a separator, a quote or a line end.
QByteArray CsvField(const QString& text) {
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r'))
        field = '"' + field.replace('"', "\"\"") + '"';
    return field;
}

} // namespace

LiveMeterTag MeterTagOf(const MeterSession& session) {
    LiveMeterTag tag{session.PortName(), {}};
    for (const PortEntry& e : session.PortNames())
        if (e.number == session.PortNumber())
            tag.serial = QString::fromStdString(e.serialNumber);
    return tag;
}

QByteArray LocalTimeText(int64_t msecs) {
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(msecs);
    const int offset = at.offsetFromUtc();
    return (at.toString(Qt::ISODateWithMs) +
            QStringLiteral("%1%2:%3")
                .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
                .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0')))
        .toUtf8();
}

QString LiveLog::DefaultFileName(const QDateTime& now) {
    return QStringLiteral("Live %1.csv").arg(now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

bool LiveLog::Open(const QString& path, const Rotation& rotation) {
    m_file.SetRotation(rotation);
    m_file.SetHeader("time,unix_time,dBm,mW,wavelength_nm,relative_dB,port,serial\n");
    return m_file.Open(path, RotatingFile::Mode::New, QDateTime::currentMSecsSinceEpoch());
}

bool LiveLog::Write(const LiveSample& sample, const LiveMeterTag& meter, int wavelength,
                    std::optional<double> reference) {
    if (!m_file.IsOpen())
        return false;
    QByteArray line = LocalTimeText(sample.msecs);
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
    line += ',' + CsvField(meter.port) + ',' + CsvField(meter.serial) + '\n';
    return m_file.WriteLine(line, sample.msecs);
}

} // namespace vemla
