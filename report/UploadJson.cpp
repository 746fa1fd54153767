#include "UploadJson.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

namespace vemla {
namespace {

constexpr qsizetype kMaxRows = 100000;
// As much as any writer takes (a spreadsheet cell's capacity): what one output wrote, the
// others can read.
constexpr qsizetype kMaxText = kMaxCellCharacters;
constexpr qsizetype kMaxWaves = 64;

// The float as the meter meant it (-12.34, not -12.3400001526); null when it is no reading.
QJsonValue Number(float value) {
    if (!IsPowerReading(value))
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

QJsonObject RecordJson(const MeterRecord& record) {
    QJsonArray texts;
    for (const QString& t : record.texts)
        texts.append(t);
    const RecordValues& v = record.values;
    const QByteArray raw(reinterpret_cast<const char*>(record.raw.data()),
                         qsizetype(record.raw.size()));
    return {{QStringLiteral("index"), v.index},
            {QStringLiteral("texts"), texts},
            {QStringLiteral("wavelength_nm"), v.wavelength},
            {QStringLiteral("power_dBm"), Number(v.power)},
            {QStringLiteral("reference_dBm"), Number(v.reference)},
            {QStringLiteral("relative"), v.relative},
            {QStringLiteral("date_time"), DateTime(v.date)},
            {QStringLiteral("raw"), QString::fromLatin1(raw.toHex())}};
}

bool Fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

QString Text(const QJsonValue& value, bool* ok) {
    if (!value.isString() && !value.isUndefined() && !value.isNull())
        *ok = false;
    const QString s = value.toString();
    if (s.size() > kMaxText)
        *ok = false;
    return s;
}

bool Whole(const QJsonValue& value, double max, double* out) {
    const double v = value.toDouble(-1);
    *out = v;
    return value.isDouble() && v >= 0 && v <= max && v == std::floor(v);
}

// null: the meter's bytes made no number. A number beyond any reading is no reading either
// (NaN), as this writer would have written it, never a refusal.
float Level(const QJsonValue& value, bool* ok) {
    if (value.isNull())
        return NAN;
    *ok = *ok && value.isDouble();
    const double dBm = value.toDouble();
    return std::fabs(dBm) <= double(kMaxPowerDbm) ? float(dBm) : NAN;
}

bool HeaderFrom(const QJsonValue& header, HeaderFields* h) {
    if (!header.isObject() && !header.isUndefined())
        return false;
    const QJsonObject o = header.toObject();
    bool ok = true;
    h->company = Text(o.value(QLatin1String("company")), &ok);
    h->model = Text(o.value(QLatin1String("model")), &ok);
    h->serialNumber = Text(o.value(QLatin1String("serial_number")), &ok);
    h->testOperator = Text(o.value(QLatin1String("operator")), &ok);
    h->notes = Text(o.value(QLatin1String("notes")), &ok);
    return ok;
}

bool InstrumentFrom(const QJsonObject& json, UploadDocument* d) {
    const QJsonArray waves = json.value(QLatin1String("wavelengths")).toArray();
    const QJsonArray lasers = json.value(QLatin1String("lasers")).toArray();
    if (waves.size() > kMaxWaves || lasers.size() > qsizetype(d->lasers.size()))
        return false;
    double v = 0;
    for (const QJsonValue& w : waves) {
        if (!Whole(w, 65535, &v))
            return false;
        d->waves.push_back(int(v));
    }
    for (qsizetype i = 0; i < lasers.size(); ++i) {
        if (!Whole(lasers.at(i), 4294967295.0, &v))
            return false;
        d->lasers[size_t(i)] = uint32_t(v);
    }
    return true;
}

bool RecordFrom(const QJsonValue& value, MeterRecord* record) {
    const QJsonObject r = value.toObject();
    const QJsonArray texts = r.value(QLatin1String("texts")).toArray();
    double index = 0, wavelength = 0;
    bool ok = value.isObject() && texts.size() == kTableColumns &&
              Whole(r.value(QLatin1String("index")), 65535, &index) &&
              Whole(r.value(QLatin1String("wavelength_nm")), 65535, &wavelength) &&
              r.value(QLatin1String("relative")).isBool();
    RecordValues& v = record->values;
    v.power = Level(r.value(QLatin1String("power_dBm")), &ok);
    v.reference = Level(r.value(QLatin1String("reference_dBm")), &ok);
    for (qsizetype t = 0; ok && t < kTableColumns; ++t) {
        ok = texts.at(t).isString();
        record->texts[size_t(t)] = Text(texts.at(t), &ok);
    }
    const QJsonValue raw = r.value(QLatin1String("raw"));
    const QByteArray bytes = QByteArray::fromHex(raw.toString().toLatin1());
    if (!raw.isUndefined() && (!raw.isString() || bytes.size() > qsizetype(kRecordFrameBytes) ||
                               bytes.toHex() != raw.toString().toLatin1().toLower()))
        ok = false;
    if (!ok)
        return false;
    std::copy(bytes.begin(), bytes.end(), record->raw.begin());
    v.index = uint16_t(index);
    v.wavelength = uint16_t(wavelength);
    v.relative = r.value(QLatin1String("relative")).toBool();
    return true;
}

} // namespace

QByteArray UploadJsonBytes(const UploadDocument& document) {
    const HeaderFields& h = document.header;
    QJsonObject header{{QStringLiteral("company"), h.company},
                       {QStringLiteral("model"), h.model},
                       {QStringLiteral("serial_number"), h.serialNumber},
                       {QStringLiteral("operator"), h.testOperator},
                       {QStringLiteral("notes"), h.notes}};
    QJsonArray waves, lasers, records;
    for (int w : document.waves)
        waves.append(w);
    for (uint32_t l : document.lasers)
        lasers.append(static_cast<qint64>(l));
    // Each record's marginal flag once an uncertainty is set: the mark a reader sees on "PASS*".
    const bool judged = document.certification.enabled && UncertaintyDb(document.certification);
    for (const MeterRecord& record : document.rows) {
        QJsonObject json = RecordJson(record);
        if (judged)
            json.insert(QStringLiteral("marginal"),
                        Evaluate(record.values, document.certification, document.taken).marginal);
        records.append(json);
    }
    QJsonObject doc{{QStringLiteral("language"), document.language == Language::English
                                                     ? QStringLiteral("en")
                                                     : QStringLiteral("zh")},
                    {QStringLiteral("header"), header},
                    {QStringLiteral("wavelengths"), waves},
                    {QStringLiteral("lasers"), lasers},
                    {QStringLiteral("records"), records}};
    if (document.certification.enabled)
        doc.insert(QStringLiteral("certification"), CertificationToJson(document.certification));
    if (document.taken.isValid())
        doc.insert(QStringLiteral("generated"), document.taken.toString(Qt::ISODate));
    // Only when records are missing, so a whole upload's document stays as it always was.
    if (document.skippedFrames > 0)
        doc.insert(QStringLiteral("skipped_frames"), document.skippedFrames);
    // Only when true, so a whole upload's bytes are as they were.
    if (document.interrupted)
        doc.insert(QStringLiteral("interrupted"), true);
    return QJsonDocument(doc).toJson(QJsonDocument::Compact);
}

bool UploadJsonWriter::Prepare(const UploadDocument& document, FileCommit& file, QString* error) {
    if (const QString tooLong = TextTooLong(document); !tooLong.isEmpty())
        return *error = tooLong, false;
    return PrepareBytes(file, UploadJsonBytes(document), document.language, error);
}

bool UploadDocumentFromJson(const QJsonObject& json, UploadDocument* document, QString* error) {
    UploadDocument d;
    const QString language = json.value(QLatin1String("language")).toString();
    if (language != QLatin1String("en") && language != QLatin1String("zh"))
        return Fail(error, QStringLiteral("\"language\" must be \"en\" or \"zh\""));
    d.language = language == QLatin1String("en") ? Language::English : Language::Chinese;
    if (!HeaderFrom(json.value(QLatin1String("header")), &d.header))
        return Fail(
            error,
            QStringLiteral("a header field is not a text of at most %1 characters").arg(kMaxText));
    if (!InstrumentFrom(json, &d))
        return Fail(error, QStringLiteral("\"wavelengths\" or \"lasers\" is not valid"));
    const QJsonValue certification = json.value(QLatin1String("certification"));
    if (!certification.isObject() && !certification.isUndefined())
        return Fail(error, QStringLiteral("\"certification\" must be an object"));
    d.certification = CertificationFromJson(certification.toObject());
    const QJsonValue generated = json.value(QLatin1String("generated"));
    d.taken = QDateTime::fromString(generated.toString(), Qt::ISODate);
    if (!generated.isUndefined() && !d.taken.isValid())
        return Fail(error, QStringLiteral("\"generated\" must be an ISO 8601 date and time"));
    const QJsonValue skipped = json.value(QLatin1String("skipped_frames"));
    d.skippedFrames = skipped.toInt(-1);
    if (!skipped.isUndefined() && (d.skippedFrames < 0 || d.skippedFrames > kMaxRows))
        return Fail(
            error,
            QStringLiteral("\"skipped_frames\" must be a whole number from 0 to %1").arg(kMaxRows));
    d.skippedFrames = std::max(d.skippedFrames, 0);
    const QJsonValue interrupted = json.value(QLatin1String("interrupted"));
    if (!interrupted.isBool() && !interrupted.isUndefined())
        return Fail(error, QStringLiteral("\"interrupted\" must be true or false"));
    d.interrupted = interrupted.toBool();

    const QJsonValue records = json.value(QLatin1String("records"));
    if (!records.isArray())
        return Fail(error, QStringLiteral("\"records\" must be an array"));
    const QJsonArray list = records.toArray();
    if (list.size() > kMaxRows)
        return Fail(error, QStringLiteral("more than %1 records").arg(kMaxRows));
    d.rows.resize(size_t(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i)
        if (!RecordFrom(list.at(i), &d.rows[size_t(i)]))
            return Fail(error, QStringLiteral("record %1 is not valid").arg(i + 1));
    *document = std::move(d);
    return true;
}

} // namespace vemla
