#pragma once
// The history window: the archived uploads, newest first, filtered as the operator types, and
// opened into the main window, deleted, exported as CSV or given to a project; the whole file
// checked on demand.
// Modeless; the main window owns it and does the opening, since that changes its session.

#include "CsvExport.h"
#include "Texts.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;
class QTableView;

namespace vemla {

class JobListModel;
class IMessageBox;
class MeasurementArchive;

class HistoryDlg final : public QDialog {
    Q_OBJECT
public:
    // Uploads beyond this many matches are not listed; the search finds older ones.
    static constexpr int kListLimit = 5000;
    enum class Button { Open, Delete, ExportCsv, Give, Check };

    HistoryDlg(MeasurementArchive& archive, IMessageBox& boxes, QWidget* parent);
    ~HistoryDlg() override;

    // Runs before every read, so uploads still on their way to the archive are listed.
    void SetBeforeRead(std::function<void()> beforeRead) { m_beforeRead = std::move(beforeRead); }
    // Asks where and writes; the main window's Export CSV, so both suggest the same place.
    void SetCsvSaver(std::function<void(const UploadDocument&)> save) {
        m_saveCsv = std::move(save);
    }

    void Retitle(Language language);
    // Reads the list again with the search box's text, keeping the selected upload.
    void Refresh();

    QLineEdit& SearchBox() const { return *m_search; }
    QTableView& JobView() const { return *m_view; }
    QPushButton& ButtonOf(Button button) const;
    const JobListModel& Model() const { return *m_model; }

signals:
    void OpenRequested(qint64 jobId);
    void GiveRequested(qint64 jobId);

protected:
    void changeEvent(QEvent* event) override;

private:
    void Requery();
    qint64 SelectedJob() const;
    void OnOpen();
    void OnDelete();
    void OnExportCsv();
    void OnCheck();
    void UpdateButtons();

    MeasurementArchive& m_archive;
    IMessageBox& m_boxes;
    Language m_language = Language::Chinese;
    std::function<void()> m_beforeRead;
    std::function<void(const UploadDocument&)> m_saveCsv;
    JobListModel* m_model;
    QLineEdit* m_search;
    QTableView* m_view;
    QPushButton* m_open;
    QPushButton* m_delete;
    QPushButton* m_export;
    QPushButton* m_give;
    QPushButton* m_check;
};

} // namespace vemla
