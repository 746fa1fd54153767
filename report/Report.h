#pragma once
// The test report: the measurement table and the operator's header fields laid out as a
// spreadsheet, written as a new workbook file and handed to the desktop's spreadsheet program.

#include "DocumentWriter.h"
#include "Texts.h"

#include <QDateTime>
#include <QString>

namespace vemla {

// The workbook: the seed's sheet, and with certification on a second sheet that judges each row.
// libxlsxwriter writes by file name only, so it writes into the write path's private folder.
class XlsxReportWriter final : public IDocumentWriter {
public:
    bool Prepare(const UploadDocument& document, FileCommit& file, QString* error) override;
};

// Hands a written report to the operator. The desktop's opener lives with the window (app/), so
// this library stays QtCore only for the command line.
class IReportOpener {
public:
    virtual ~IReportOpener() = default;
    virtual bool Open(const QString& path) = 0;
};

enum class ExportOutcome { NoData, CannotCreate, Opened, WrittenNotOpened };

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::NoData;
    QString path;  // the file written, when one was
    QString cause; // why none was, when the system said
};

// Exports the document's rows, none meaning no data, as a new file in `folder` (created when
// missing) named for the document's time. Never overwrites an existing file.
ExportResult ExportReport(const UploadDocument& document, const QString& folder,
                          IDocumentWriter& writer, IReportOpener& opener);

// "Vemla" in the user's documents folder.
QString DefaultReportFolder();

// "Test Report 2026-12-07 14-03-22.xlsx", the title in the language, before any " (2)" suffix.
QString ReportFileName(Language language, const QDateTime& now);

// What the window tells the operator about a result; empty when there is nothing to say. A
// failure's cause follows the seed's words on a line of its own.
QString ExportMessage(const ExportResult& result, Language language);

} // namespace vemla
