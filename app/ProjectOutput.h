#pragma once
// A project's certificate from its window: printed, or exported as the certificate (PDF), a
// workbook, CSV or JSON through the writers `vemla-cli project report` uses. The dialogs are
// asked through the same seams the main window's certificate uses, so tests answer them.

#include "CertificateSaving.h"
#include "ProjectReport.h"

namespace vemla {

class IMessageBox;

// The file dialog with the project's types; a name typed without one of them takes the type
// chosen in the dialog's filter.
SavePathAsker ProjectSavePathAsker();

// "<folder>/<project name>.pdf", the characters a file name cannot hold replaced.
QString ProposedProjectPath(const QString& folder, const QString& project);

void PrintProject(QWidget* parent, IMessageBox& boxes, const PrinterAsker& ask,
                  const ProjectReport& report);
void ExportProject(QWidget* parent, IMessageBox& boxes, const SavePathAsker& ask,
                   const ProjectReport& report, const QString& folder);

} // namespace vemla
