#pragma once
// SAVE OR PRINT and the File menu's exports: each takes the upload as a document and writes it
// (the workbook, a CSV file, the PDF certificate, a printout), then tells how it went. Where the
// files go, who opens a workbook and what the file dialog answers are replaceable, so tests write
// into a folder of their own without the desktop's programs and dialogs.

#include "CertificateSaving.h"
#include "CsvSaving.h"
#include "DesktopReportOpener.h"
#include "Report.h"

class QWidget;

namespace vemla {

class IMessageBox;

class ExportPart {
public:
    // Boxes and dialogs sit over `window`.
    ExportPart(IMessageBox& boxes, QWidget* window);

    // The workbook, under a name of its own in the report folder, handed to the desktop.
    void WriteReport(const UploadDocument& document);
    // Asks where, over `over` (the main or the history window), and writes the CSV there.
    void WriteCsv(const UploadDocument& document, QWidget* over);
    void WriteCertificatePdf(const UploadDocument& document);
    void PrintCertificate(const UploadDocument& document);

    const QString& ReportFolder() const { return m_reportFolder; }
    void SetReportFolder(QString folder) { m_reportFolder = std::move(folder); }
    // null puts back the workbook writer, the desktop's program.
    void SetReportWriter(IDocumentWriter* writer) {
        m_reportWriter = writer ? writer : &m_xlsxWriter;
    }
    void SetReportOpener(IReportOpener* opener) {
        m_reportOpener = opener ? opener : &m_desktopOpener;
    }
    // In place of the file dialog (CSV, PDF).
    void SetSavePathAsker(SavePathAsker ask) { m_askSavePath = std::move(ask); }

private:
    IMessageBox& m_boxes;
    QWidget* m_window;
    XlsxReportWriter m_xlsxWriter;
    IDocumentWriter* m_reportWriter = &m_xlsxWriter;
    DesktopReportOpener m_desktopOpener;
    IReportOpener* m_reportOpener = &m_desktopOpener;
    QString m_reportFolder = DefaultReportFolder();
    SavePathAsker m_askSavePath = FileDialogSavePathAsker();
    PrinterAsker m_askPrinter = PrintDialogAsker();
};

} // namespace vemla
