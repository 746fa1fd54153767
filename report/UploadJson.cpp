#include "UploadJson.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace vemla {
namespace {

// The float as the meter meant it (-12.34, not -12.3400001526); null when it is no number.
QJsonValue Number(float value) {
    if (!std::isfinite(value))
        return QJsonValue::Null;
    return QString::number(value, 'g', 7).toDouble();
}

// ISO 8601 local time; null when the meter's bytes make no date (a damaged record).
QJsonValue DateTime(const RecordDate& d) {
    const QDate date(2000 + d.year, d.month, d.day);
    if (!date.isValid() || d.hour > 23 || d.minute > 59)
        return QJsonValue::Null;
    return QStringLiteral("%1T%2:%3:00")
        .arg(date.toString(Qt::ISODate))
        .arg(d.hour, 2, 10, QLatin1Char('0'))
        .arg(d.minute, 2, 10, QLatin1Char('0'));
}

} // namespace

QByteArray UploadJsonBytes(const UploadJsonInput& input) {
    QJsonObject header{{QStringLiteral("company"), input.header.company},
                       {QStringLiteral("model"), input.header.model},
                       {QStringLiteral("serial_number"), input.header.serialNumber},
                       {QStringLiteral("operator"), input.header.testOperator},
                       {QStringLiteral("notes"), input.header.notes}};
    QJsonArray waves, lasers, records;
    for (int w : input.waves)
        waves.append(w);
    for (uint32_t l : input.lasers)
        lasers.append(static_cast<qint64>(l));
    const int rows =
        input.records ? std::max(0, std::min(input.recordCounter, input.records->Count())) : 0;
    for (int r = 0; r < rows; ++r) {
        const MeterRecord& record = input.records->At(r);
        QJsonArray texts;
        for (const QString& t : record.texts)
            texts.append(t);
        const RecordValues& v = record.values;
        records.append(QJsonObject{{QStringLiteral("index"), v.index},
                                   {QStringLiteral("texts"), texts},
                                   {QStringLiteral("wavelength_nm"), v.wavelength},
                                   {QStringLiteral("power_dBm"), Number(v.power)},
                                   {QStringLiteral("reference_dBm"), Number(v.reference)},
                                   {QStringLiteral("relative"), v.relative},
                                   {QStringLiteral("date_time"), DateTime(v.date)}});
    }
    QJsonObject doc{{QStringLiteral("language"), input.language == Language::English
                                                     ? QStringLiteral("en")
                                                     : QStringLiteral("zh")},
                    {QStringLiteral("header"), header},
                    {QStringLiteral("wavelengths"), waves},
                    {QStringLiteral("lasers"), lasers},
                    {QStringLiteral("records"), records}};
    if (!input.certification.isEmpty())
        doc.insert(QStringLiteral("certification"), input.certification);
    if (input.generated.isValid())
        doc.insert(QStringLiteral("generated"), input.generated.toString(Qt::ISODate));
    return QJsonDocument(doc).toJson(QJsonDocument::Compact);
}

bool WriteUploadJson(const UploadJsonInput& input, const QString& path, QString* error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        const QByteArray bytes = UploadJsonBytes(input);
        if (file.write(bytes) == bytes.size() && file.commit())
            return true;
    }
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace vemla
