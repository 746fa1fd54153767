#include "ExportPart.h"

#include "MessageBox.h"

namespace vemla {

ExportPart::ExportPart(IMessageBox& boxes, QWidget* window) : m_boxes(boxes), m_window(window) {}

void ExportPart::WriteReport(const UploadDocument& document) {
    const ExportResult result =
        ExportReport(document, m_reportFolder, *m_reportWriter, *m_reportOpener);
    const QString message = ExportMessage(result, document.language);
    if (!message.isEmpty())
        m_boxes.Show(m_window, kAppBoxCaption, message);
}

void ExportPart::WriteCsv(const UploadDocument& document, QWidget* over) {
    SaveCsvAs(over, m_boxes, m_askSavePath, document, m_reportFolder);
}

void ExportPart::WriteCertificatePdf(const UploadDocument& document) {
    ExportCertificatePdf(m_window, m_boxes, m_askSavePath, document, m_reportFolder);
}

void ExportPart::PrintCertificate(const UploadDocument& document) {
    vemla::PrintCertificate(m_window, m_boxes, m_askPrinter, document);
}

} // namespace vemla
