#include "ProjectOutput.h"

#include "MessageBox.h"
#include "ProjectCertificate.h"
#include "ProjectWorkbook.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>

#include <memory>

namespace vemla {
namespace {

// The writer for a file's type; null for a type the project is not exported as.
std::unique_ptr<IProjectWriter> WriterFor(const QString& suffix) {
    const QString type = suffix.toLower();
    if (type == u"pdf")
        return std::make_unique<ProjectCertificatePdfWriter>();
    if (type == u"xlsx")
        return std::make_unique<ProjectXlsxWriter>();
    if (type == u"csv")
        return std::make_unique<ProjectCsvWriter>();
    if (type == u"json")
        return std::make_unique<ProjectJsonWriter>();
    return nullptr;
}

void Warn(QWidget* parent, IMessageBox& boxes, const QString& text) {
    boxes.Show(parent, kAppBoxCaption, text, BoxButtons::Ok, BoxIcon::Warning);
}

} // namespace

SavePathAsker ProjectSavePathAsker() {
    return
        [](QWidget* parent, const QString& title, const QString& suggested, const QString& filter) {
            QString chosen;
            QString path = QFileDialog::getSaveFileName(parent, title, suggested, filter, &chosen);
            static const QRegularExpression kType(QStringLiteral("\\*\\.(\\w+)\\)"));
            if (!path.isEmpty() && !WriterFor(QFileInfo(path).suffix()))
                path += u'.' + kType.match(chosen).captured(1);
            return path;
        };
}

QString ProposedProjectPath(const QString& folder, const QString& project) {
    static const QRegularExpression kUnsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    QString name = project;
    name.replace(kUnsafe, QStringLiteral("_"));
    return QDir(folder).filePath(name.trimmed() + QStringLiteral(".pdf"));
}

void PrintProject(QWidget* parent, IMessageBox& boxes, const PrinterAsker& ask,
                  const ProjectReport& report) {
    if (const QString refusal = ProjectCertificateRefusal(report); !refusal.isEmpty()) {
        boxes.Show(parent, kAppBoxCaption, refusal);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(DefaultCertificatePageSize());
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(Pick(text::kProjectCertificateTitle, report.language));
    if (ask(parent, printer) && !PaintProjectCertificate(printer, report))
        Warn(parent, boxes, Pick(text::kPrintFailed, report.language));
}

void ExportProject(QWidget* parent, IMessageBox& boxes, const SavePathAsker& ask,
                   const ProjectReport& report, const QString& folder) {
    const Language language = report.language;
    QDir().mkpath(folder); // a missing folder would leave the dialog somewhere else
    QString path = ask(parent, Pick(text::kProjectExportTitle, language),
                       ProposedProjectPath(folder, report.info.name),
                       Pick(text::kProjectExportFilter, language));
    if (path.isEmpty())
        return;
    // The dialog asked about replacing the name it returned, not one with a type added.
    Replace replace = Replace::RegularFile;
    std::unique_ptr<IProjectWriter> writer = WriterFor(QFileInfo(path).suffix());
    if (!writer) {
        path += QStringLiteral(".pdf");
        replace = Replace::Never;
        writer = WriterFor(QStringLiteral("pdf"));
    }
    const bool certificate = QFileInfo(path).suffix().toLower() == u"pdf";
    // A certificate handed out is a record of its own: never replaced, whatever the dialog asked.
    if (certificate && (QFileInfo::exists(path) || QFileInfo(path).isSymLink())) {
        Warn(parent, boxes, Pick(text::kPdfExists, language).arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (const QString refusal = ProjectCertificateRefusal(report);
        certificate && !refusal.isEmpty()) {
        boxes.Show(parent, kAppBoxCaption, refusal);
        return;
    }
    const WriteResult written =
        writer->Write(report, {path, certificate ? Replace::Never : replace, false});
    if (!written.ok)
        Warn(parent, boxes,
             Pick(text::kProjectNotWritten, language)
                 .arg(QDir::toNativeSeparators(path), written.error));
}

} // namespace vemla
