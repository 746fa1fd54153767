#pragma once
// The measurement table as a CSV file for spreadsheet programs and scripts: the seven columns as
// shown (the operator's corrections included), then machine-readable columns with fixed names.
// QtCore only, so a command-line front end can write the same file.

#include "DocumentWriter.h"
#include "Texts.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace vemla {

// UTF-8 with a byte-order mark (without it spreadsheet programs misread the Chinese texts),
// RFC 4180 quoting and CRLF line ends. With certification on, loss_dB, result and
// reference_stale follow the machine columns, judged at the document's time; off, the file is
// exactly as without it. A shown text a spreadsheet would run as a formula is guarded with a
// leading apostrophe; the meter's own texts and the machine columns are written as they are.
QByteArray CsvBytes(const UploadDocument& document);

class CsvWriter final : public IDocumentWriter {
public:
    bool Prepare(const UploadDocument& document, FileCommit& file, QString* error) override;
};

// "Test Report 2026-12-07 14-03-22.csv", named as the report is.
QString CsvFileName(Language language, const QDateTime& now);

// What the operator is told when the file could not be written.
QString CsvFailureMessage(const QString& path, const QString& error, Language language);

} // namespace vemla
