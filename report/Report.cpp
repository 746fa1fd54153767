#include "Report.h"

#include <QDir>
#include <QStandardPaths>

namespace vemla {

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

ExportResult ExportReport(const UploadDocument& document, const QString& folder,
                          IDocumentWriter& writer, IReportOpener& opener) {
    if (document.rows.empty())
        return {ExportOutcome::NoData, {}, {}};
    if (!QDir().mkpath(folder))
        return {ExportOutcome::CannotCreate, {}, {}};
    const QString path = QDir(folder).filePath(ReportFileName(document.language, document.taken));
    const WriteResult written = writer.Write(document, {path, Replace::Never, true});
    if (!written.ok)
        return {ExportOutcome::CannotCreate, {}, written.error};
    return {opener.Open(written.path) ? ExportOutcome::Opened : ExportOutcome::WrittenNotOpened,
            written.path,
            {}};
}

QString ExportMessage(const ExportResult& result, Language language) {
    switch (result.outcome) {
    case ExportOutcome::NoData:
        return Pick(text::kNoData, language);
    case ExportOutcome::CannotCreate:
        return result.cause.isEmpty() ? Pick(text::kCannotCreateSpreadsheet, language)
                                      : Pick(text::kCannotCreateSpreadsheet, language) +
                                            QLatin1Char('\n') + result.cause;
    case ExportOutcome::Opened:
        return {};
    case ExportOutcome::WrittenNotOpened:
        return Pick(text::kReportNotOpened, language).arg(QDir::toNativeSeparators(result.path));
    }
    return {};
}

} // namespace vemla
