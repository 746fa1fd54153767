#include "CsvCells.h"

#include <algorithm>

namespace vemla::csv {
namespace {

// Kept byte for byte although it starts with '-': the meter's own texts ("-12.34dBm",
// "-3.20dB") and plain numbers (-?digits[.digits][dBm|dB]), which no spreadsheet reads as a
// formula. By hand rather than a regular expression: every power cell of a full meter passes.
bool IsMeterText(QStringView text) {
    if (text.startsWith(u'-'))
        text = text.mid(1);
    if (text.endsWith(u"dBm"))
        text.chop(3);
    else if (text.endsWith(u"dB"))
        text.chop(2);
    const auto digits = [](QStringView v) {
        return !v.isEmpty() &&
               std::all_of(v.begin(), v.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    const qsizetype dot = text.indexOf(u'.');
    return dot < 0 ? digits(text) : digits(text.left(dot)) && digits(text.mid(dot + 1));
}

} // namespace

QString Guarded(const QString& shown) {
    static constexpr QStringView kTriggers = u"=+-@\t\r";
    if (shown.isEmpty() || !kTriggers.contains(shown.front()) || IsMeterText(shown))
        return shown;
    return QLatin1Char('\'') + shown;
}

void AppendField(QByteArray& line, const QString& field, bool first) {
    if (!first)
        line += ',';
    QByteArray bytes = field.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') &&
        !bytes.contains('\n')) {
        line += bytes;
        return;
    }
    line += '"';
    line += bytes.replace("\"", "\"\"");
    line += '"';
}

QString Number(double value) {
    return QString::number(value, 'f', 2);
}

} // namespace vemla::csv
