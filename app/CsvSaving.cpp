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

void SaveCsvAs(QWidget* parent, IMessageBox& boxes, const SavePathAsker& ask,
               const UploadDocument& document, const QString& folder) {
    const Language language = document.language;
    if (document.rows.empty()) {
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
    // The dialog asked about replacing the name it returned, not one with the extension the
    // operator left out: that name is never replaced.
    Replace replace = Replace::RegularFile;
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".csv");
        replace = Replace::Never;
    }
    const WriteResult written = CsvWriter().Write(document, {path, replace, false});
    if (!written.ok)
        boxes.Show(parent, kAppBoxCaption, CsvFailureMessage(path, written.error, language),
                   BoxButtons::Ok, BoxIcon::Warning);
}

} // namespace vemla
