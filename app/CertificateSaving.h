#pragma once
// The loss certificate as the window offers it: Export PDF and Print. Where to save and which
// printer are asked through replaceable functions so tests answer without the desktop's dialogs.

#include "Certificate.h"
#include "CsvSaving.h"

#include <QString>
#include <functional>

class QPrinter;
class QWidget;

namespace vemla {

class IMessageBox;

// Shows the print dialog for `printer`; false when the operator cancels.
using PrinterAsker = std::function<bool(QWidget* parent, QPrinter& printer)>;
PrinterAsker PrintDialogAsker();

// "Loss Certificate <date time>.pdf" in `folder`, with " (2)", " (3)"... when the name is taken.
QString ProposedCertificatePath(const QString& folder, Language language, const QDateTime& now);

void ExportCertificatePdf(QWidget* parent, IMessageBox& boxes, const SavePathAsker& ask,
                          const UploadDocument& document, const QString& folder);
void PrintCertificate(QWidget* parent, IMessageBox& boxes, const PrinterAsker& ask,
                      const UploadDocument& document);

} // namespace vemla
