#include "CertificateSaving.h"

#include "MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <algorithm>

namespace vemla {
namespace {

// Below this a certificate is written faster than a progress dialog would show.
constexpr int kProgressFromRows = 2000;

// Runs `paint` with a cancellable progress dialog when the certificate is long.
bool WithProgress(QWidget* parent, const UploadDocument& data,
                  const std::function<bool(const CertificateProgress&)>& paint) {
    const int rows = static_cast<int>(data.rows.size());
    if (rows <= kProgressFromRows)
        return paint({});
    QProgressDialog dialog(parent); // with Qt's own, translated, Cancel button
    dialog.setLabelText(Pick(text::kPdfProgress, data.language));
    dialog.setRange(0, rows);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    return paint([&dialog](int done, int) {
        dialog.setValue(done); // a modal dialog's setValue lets the cancel click through
        return !dialog.wasCanceled();
    });
}

// A certificate made with an overdue meter is still made, once told.
void WarnIfCalibrationPast(QWidget* parent, IMessageBox& boxes, const UploadDocument& data) {
    const QString overdue =
        CalibrationWarning(data.certification.workflow, data.taken.date(), data.language);
    if (!overdue.isEmpty())
        boxes.Show(parent, kAppBoxCaption, overdue, BoxButtons::Ok, BoxIcon::Warning);
}

} // namespace

PrinterAsker PrintDialogAsker() {
    return [](QWidget* parent, QPrinter& printer) {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
}

QString ProposedCertificatePath(const QString& folder, Language language, const QDateTime& now) {
    const QString name = CertificateFileName(language, now);
    const QDir dir(folder);
    for (int n = 2; n < 1000; ++n) {
        if (!QFileInfo::exists(dir.filePath(name)))
            break;
        const QString next = QStringLiteral("%1 (%2).pdf").arg(name.chopped(4)).arg(n);
        if (!QFileInfo::exists(dir.filePath(next)))
            return dir.filePath(next);
    }
    return dir.filePath(name);
}

void ExportCertificatePdf(QWidget* parent, IMessageBox& boxes, const SavePathAsker& ask,
                          const UploadDocument& data, const QString& folder) {
    const Language language = data.language;
    if (const QString refusal = CertificateRefusal(data); !refusal.isEmpty()) {
        boxes.Show(parent, kAppBoxCaption, refusal);
        return;
    }
    WarnIfCalibrationPast(parent, boxes, data);
    QDir().mkpath(folder);
    QString path = ask(parent, Pick(text::kPdfDialogTitle, language),
                       ProposedCertificatePath(folder, language, data.taken),
                       Pick(text::kPdfFilter, language));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    // A certificate handed out is a record of its own: never replaced, whatever the dialog asked.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        boxes.Show(parent, kAppBoxCaption,
                   Pick(text::kPdfExists, language).arg(QDir::toNativeSeparators(path)),
                   BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    WriteResult written;
    bool cancelled = false;
    WithProgress(parent, data, [&](const CertificateProgress& progress) {
        CertificatePdfWriter writer(progress);
        written = writer.Write(data, {path, Replace::Never, false});
        cancelled = writer.Cancelled();
        return written.ok;
    });
    if (!written.ok && !cancelled)
        boxes.Show(
            parent, kAppBoxCaption,
            Pick(text::kPdfNotWritten, language).arg(QDir::toNativeSeparators(path), written.error),
            BoxButtons::Ok, BoxIcon::Warning);
}

void PrintCertificate(QWidget* parent, IMessageBox& boxes, const PrinterAsker& ask,
                      const UploadDocument& data) {
    if (const QString refusal = CertificateRefusal(data); !refusal.isEmpty()) {
        boxes.Show(parent, kAppBoxCaption, refusal);
        return;
    }
    WarnIfCalibrationPast(parent, boxes, data);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(DefaultCertificatePageSize());
    printer.setDocName(Pick(text::kCertificateTitle, data.language));
    if (!ask(parent, printer))
        return;
    bool cancelled = false;
    const bool printed = WithProgress(parent, data, [&](const CertificateProgress& progress) {
        return PaintCertificate(printer, data, [&](int done, int total) {
            cancelled = progress && !progress(done, total);
            return !cancelled;
        });
    });
    if (!printed && !cancelled)
        boxes.Show(parent, kAppBoxCaption, Pick(text::kPrintFailed, data.language), BoxButtons::Ok,
                   BoxIcon::Warning);
}

} // namespace vemla
