#pragma once
// The cells every CSV file of ours is made of: RFC 4180 quoting, numbers that never follow the
// user's locale, and shown texts guarded so a spreadsheet never runs one as a formula.

#include <QByteArray>
#include <QString>

namespace vemla::csv {

// Guarded against formula injection (OWASP's CSV-injection advice): a shown text that starts
// with '=', '+', '-', '@', TAB or CR and is not one of the meter's own texts ("-12.34dBm",
// "-3.20dB", plain numbers) gets a leading apostrophe, so spreadsheets take it as text.
QString Guarded(const QString& shown);
// Every field but a line's first is preceded by a comma, empty fields included.
void AppendField(QByteArray& line, const QString& field, bool first = false);
// Two decimals with a decimal point, whatever the locale: a decimal comma would split the field.
QString Number(double value);

} // namespace vemla::csv
