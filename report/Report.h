#pragma once
// The test report: the measurement table and the operator's header fields laid out as a
// spreadsheet, written as a new workbook file and handed to the desktop's spreadsheet program.

#include "Certification.h"
#include "HeaderFields.h"
#include "Texts.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace vemla {

using ReportHeader = HeaderFields;

struct ReportData {
    Language language = Language::Chinese;
    ReportHeader header;
    std::vector<std::array<QString, 6>> rows; // table columns 1..6, texts exactly as shown
    // When enabled, a second sheet judges each row; `values` then holds one entry per row.
    CertificationSettings certification{};
    std::vector<RecordValues> values;
    QDateTime now; // references older than the settings allow are stale against it
};

// Writes one workbook. Another backend (spreadsheet automation elsewhere) can sit beside it.
class IReportWriter {
public:
    virtual ~IReportWriter() = default;
    // All or nothing: on failure no file is left at path.
    virtual bool Write(const ReportData& data, const QString& path, QString* error) = 0;
};

class XlsxReportWriter final : public IReportWriter {
public:
    bool Write(const ReportData& data, const QString& path, QString* error) override;
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
    QString path; // the file written, when one was
};

struct ExportRequest {
    int recordCounter = 0;
    int tableRows = 0;
    std::function<QString(int row, int column)> cell; // the table's text
    ReportHeader header;
    Language language = Language::Chinese;
    QString folder; // created when missing
    QDateTime now;  // names the file
    CertificationSettings certification{};
    std::function<RecordValues(int row)> values{}; // read only when certification is enabled
};

// The report's data as the window takes it from the request: the first min(record counter,
// table rows) rows, columns 1..6.
ReportData ReportDataOf(const ExportRequest& request);

// Exports the first min(record counter, table rows) rows; none means no data. Never overwrites
// an existing file.
ExportResult ExportReport(const ExportRequest& request, IReportWriter& writer,
                          IReportOpener& opener);

// "Vemla" in the user's documents folder.
QString DefaultReportFolder();

// "Test Report 2026-12-07 14-03-22.xlsx", the title in the language, before any " (2)" suffix.
QString ReportFileName(Language language, const QDateTime& now);

// What the window tells the operator about a result; empty when there is nothing to say.
QString ExportMessage(const ExportResult& result, Language language);

} // namespace vemla
