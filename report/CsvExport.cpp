#include "CsvExport.h"
#include "CsvCells.h"

#include <QDate>
#include <QDir>

#include <algorithm>

namespace vemla {
namespace {

using csv::AppendField;
using csv::Guarded;
using csv::Number;

constexpr std::array<const char*, 5> kMachineColumns{"wavelength_nm", "power_dBm", "reference_dBm",
                                                     "relative_dB", "date_time"};

// Empty when the meter's bytes are no reading (IsPowerReading), as NaN always was.
QString Level(float dBm) {
    return IsPowerReading(dBm) ? Number(double(dBm)) : QString();
}

// Empty when the meter's date bytes are not a real moment.
QString IsoDateTime(const RecordDate& d) {
    const QDate date(2000 + d.year, d.month, d.day);
    if (!date.isValid() || d.hour > 23 || d.minute > 59)
        return {};
    return QStringLiteral("%1T%2:%3")
        .arg(date.toString(Qt::ISODate))
        .arg(d.hour, 2, 10, QLatin1Char('0'))
        .arg(d.minute, 2, 10, QLatin1Char('0'));
}

// Scripts compare these: fixed names and English verdicts whatever the language. result keeps
// its PASS/FAIL/CHECK REF words; reference_stale is "yes" when the loss rests on a stale
// reference, empty otherwise.
constexpr std::array<const char*, 3> kCertificationColumns{"loss_dB", "result", "reference_stale"};

QString Optional(const std::optional<double>& value) {
    return value ? Number(*value) : QString();
}

void AppendCertification(QByteArray& line, const RecordValues& values,
                         const UploadDocument& document) {
    const RecordResult r = Evaluate(values, document.certification, document.taken);
    AppendField(line, Optional(r.lossDb));
    AppendField(line,
                r.verdict == Verdict::None ? QString() : VerdictText(r.verdict, Language::English));
    AppendField(line, r.staleReference ? QStringLiteral("yes") : QString());
    if (UncertaintyDb(document.certification))
        AppendField(line, r.marginal ? QStringLiteral("yes") : QString());
}

} // namespace

QByteArray CsvBytes(const UploadDocument& document) {
    QByteArray out("\xEF\xBB\xBF");
    QByteArray line;
    for (const BilingualText& caption : text::kTableColumnCaptions)
        AppendField(line, Pick(caption, document.language), line.isEmpty());
    for (const char* name : kMachineColumns)
        AppendField(line, QString::fromLatin1(name));
    if (document.certification.enabled) {
        for (const char* name : kCertificationColumns)
            AppendField(line, QString::fromLatin1(name));
        if (UncertaintyDb(document.certification))
            AppendField(line, QStringLiteral("marginal"));
    }
    out += line + "\r\n";

    for (const MeterRecord& record : document.rows) {
        const RecordValues& v = record.values;
        line.clear();
        bool first = true;
        for (const QString& shown : record.texts) {
            AppendField(line, Guarded(shown), first);
            first = false;
        }
        const bool both = IsPowerReading(v.power) && IsPowerReading(v.reference);
        AppendField(line, QString::number(v.wavelength));
        AppendField(line, Level(v.power));
        AppendField(line, v.relative ? Level(v.reference) : QString());
        AppendField(line,
                    v.relative && both ? Number(double(v.power) - double(v.reference)) : QString());
        AppendField(line, IsoDateTime(v.date));
        if (document.certification.enabled)
            AppendCertification(line, v, document);
        out += line + "\r\n";
    }
    return out;
}

bool CsvWriter::Prepare(const UploadDocument& document, FileCommit& file, QString* error) {
    if (const QString tooLong = TextTooLong(document); !tooLong.isEmpty())
        return *error = tooLong, false;
    return PrepareBytes(file, CsvBytes(document), document.language, error);
}

QString CsvFileName(Language language, const QDateTime& now) {
    return QStringLiteral("%1 %2.csv")
        .arg(Pick(text::kReportTitle, language),
             now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

QString CsvFailureMessage(const QString& path, const QString& error, Language language) {
    return Pick(text::kCsvNotWritten, language).arg(QDir::toNativeSeparators(path), error);
}

} // namespace vemla
