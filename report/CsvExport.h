#pragma once
// The measurement table as a CSV file for spreadsheet programs and scripts: the seven columns as
// shown (the operator's corrections included), then machine-readable columns with fixed names.
// QtCore only, so a command-line front end can write the same file.

#include "Certification.h"
#include "RecordList.h"
#include "Texts.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

namespace vemla {

struct CsvTable {
    int rows = 0;
    std::function<const MeterRecord&(int row)> record;
    Language language = Language::Chinese;
    // When enabled: loss_dB and result after the machine columns, judged
    // at `now`. Off, the file is exactly as without certification.
    CertificationSettings certification{};
    QDateTime now{};
};

// The first min(record counter, rows) records, as the report takes them.
CsvTable CsvTableOf(const RecordList& records, int recordCounter, Language language);

// UTF-8 with a byte-order mark (without it spreadsheet programs misread the Chinese texts),
// RFC 4180 quoting and CRLF line ends.
QByteArray CsvBytes(const CsvTable& table);

// All or nothing: written under a temporary name and renamed. On failure `error` holds the
// system's reason.
bool WriteCsv(const CsvTable& table, const QString& path, QString* error);

// "Test Report 2026-12-07 14-03-22.csv", named as the report is.
QString CsvFileName(Language language, const QDateTime& now);

// What the operator is told when the file could not be written.
QString CsvFailureMessage(const QString& path, const QString& error, Language language);

} // namespace vemla
