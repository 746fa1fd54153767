#include "CsvSaving.h"

#include "MessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace vemla {

SavePathAsker FileDialogSavePathAsker() {
    return
        [](QWidget* parent, const QString& title, const QString& suggested, const QString& filter) {
            return QFileDialog::getSaveFileName(parent, title, suggested, filter);
        };
}

void SaveCsvAs(QWidget* parent, IMessageBox& boxes, const SavePathAsker& ask, const CsvTable& table,
               const QString& folder) {
    const Language language = table.language;
    if (table.rows == 0) {
        boxes.Show(parent, kAppBoxCaption, Pick(text::kNoData, language));
        return;
    }
    // A missing folder would leave the dialog in some other place; failing here changes nothing.
    QDir().mkpath(folder);
    const QString suggested =
        QDir(folder).filePath(CsvFileName(language, QDateTime::currentDateTime()));
    QString path = ask(parent, Pick(text::kCsvDialogTitle, language), suggested,
                       Pick(text::kCsvFilter, language));
    if (path.isEmpty())
        return;
    // The dialog does not add the extension the operator left out.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    QString error;
    if (!WriteCsv(table, path, &error))
        boxes.Show(parent, kAppBoxCaption, CsvFailureMessage(path, error, language), BoxButtons::Ok,
                   BoxIcon::Warning);
}

} // namespace vemla
