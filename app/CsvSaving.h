#pragma once
// Export CSV as the windows offer it: where to save is asked, the file is written, a failure is
// told. The main window and the history window share it.

#include "CsvExport.h"

#include <QString>
#include <functional>

class QWidget;

namespace vemla {

class IMessageBox;

// Asks where to save (title, suggested path, filter); empty when the operator cancels. The
// windows ask through this so tests can answer without a file dialog.
using SavePathAsker = std::function<QString(QWidget* parent, const QString& title,
                                            const QString& suggested, const QString& filter)>;
SavePathAsker FileDialogSavePathAsker();

// Suggests the report folder and a report-like name; "NO DATA!" when the table has no rows.
void SaveCsvAs(QWidget* parent, IMessageBox& boxes, const SavePathAsker& ask,
               const UploadDocument& document, const QString& folder);

} // namespace vemla
