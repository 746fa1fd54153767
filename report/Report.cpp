#include "Report.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace vemla {
namespace {

// Moves the finished file to its name without ever replacing another file: QFile::rename
// refuses a name that is taken (atomically where the file system allows), and then the next
// suffix is tried.
bool PlaceWithoutOverwriting(const QString& temp, const QString& folder, const QString& fileName,
                             QString* placed) {
    const QString stem = fileName.chopped(5); // ".xlsx"
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? fileName : QStringLiteral("%1 (%2).xlsx").arg(stem).arg(n);
        const QString path = QDir(folder).filePath(name);
        QFile file(temp);
        if (file.rename(path)) {
            *placed = path;
            return true;
        }
        if (!QFileInfo::exists(path))
            return false;
    }
    return false;
}

} // namespace

QString DefaultReportFolder() {
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        docs = QDir::homePath();
    return QDir(docs).filePath(QStringLiteral("Vemla"));
}

QString ReportFileName(Language language, const QDateTime& now) {
    return QStringLiteral("%1 %2.xlsx")
        .arg(Pick(text::kReportTitle, language),
             now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

ReportData ReportDataOf(const ExportRequest& request) {
    // The counter keeps its value after a delete-all; rows that are gone are not reported.
    const int rows = std::max(0, std::min(request.recordCounter, request.tableRows));
    ReportData data;
    data.language = request.language;
    data.header = request.header;
    data.rows.resize(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 6; ++c)
            data.rows[static_cast<size_t>(r)][static_cast<size_t>(c)] =
                request.cell ? request.cell(r, c + 1) : QString();
    }
    data.certification = request.certification;
    data.now = request.now;
    if (request.certification.enabled && request.values) {
        data.values.reserve(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r)
            data.values.push_back(request.values(r));
    }
    return data;
}

ExportResult ExportReport(const ExportRequest& request, IReportWriter& writer,
                          IReportOpener& opener) {
    const ReportData data = ReportDataOf(request);
    if (data.rows.empty())
        return {ExportOutcome::NoData, {}};

    if (!QDir().mkpath(request.folder))
        return {ExportOutcome::CannotCreate, {}};
    const QString fileName = ReportFileName(request.language, request.now);
    const QString temp = QDir(request.folder)
                             .filePath(QStringLiteral(".%1.%2.part")
                                           .arg(fileName)
                                           .arg(QCoreApplication::applicationPid()));
    QString error;
    if (!writer.Write(data, temp, &error)) {
        QFile::remove(temp);
        return {ExportOutcome::CannotCreate, {}};
    }
    QString placed;
    if (!PlaceWithoutOverwriting(temp, request.folder, fileName, &placed)) {
        QFile::remove(temp);
        return {ExportOutcome::CannotCreate, {}};
    }
    return {opener.Open(placed) ? ExportOutcome::Opened : ExportOutcome::WrittenNotOpened, placed};
}

QString ExportMessage(const ExportResult& result, Language language) {
    switch (result.outcome) {
    case ExportOutcome::NoData:
        return Pick(text::kNoData, language);
    case ExportOutcome::CannotCreate:
        return Pick(text::kCannotCreateSpreadsheet, language);
    case ExportOutcome::Opened:
        return {};
    case ExportOutcome::WrittenNotOpened:
        return Pick(text::kReportNotOpened, language).arg(QDir::toNativeSeparators(result.path));
    }
    return {};
}

} // namespace vemla
