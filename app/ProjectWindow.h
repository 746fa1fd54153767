#pragma once
// Measure > Projects…: a project's progress as the contractor follows it. The plan as a table,
// one row per cable ID with each wavelength's losses, the link's result and the ID's status;
// filters for what is left to do, a search by ID, the counts. The operator's corrections (move,
// clear, which reading counts, a cable ID's values), their undo and history, and the project's
// certificate printed or exported. Read from the archive on a connection of its own, again
// whenever an upload has ended and after every change.

#include "CertificateSaving.h"
#include "ProjectReport.h"
#include "ProjectTableModel.h"
#include "Texts.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;

namespace vemla {

class IMessageBox;
class ProjectStore;
struct StoredProject;

class ProjectWindow : public QWidget {
    Q_OBJECT
public:
    // Boxes go through `boxes` when given, Qt's own otherwise.
    ProjectWindow(const QString& archivePath, Language language, QWidget* parent,
                  IMessageBox* boxes = nullptr);
    ~ProjectWindow() override;

    // The projects listed again and the chosen one judged again, as of now.
    void Refresh();
    void Retranslate(Language language);

    // In place of the print and file dialogs, and where exports are suggested.
    void SetPrinterAsker(PrinterAsker ask) { m_askPrinter = std::move(ask); }
    void SetSavePathAsker(SavePathAsker ask) { m_askSavePath = std::move(ask); }
    void SetReportFolder(QString folder) { m_reportFolder = std::move(folder); }
    // The meter's model and serial and the operator as the main window has them when a
    // certificate is printed or exported; a project keeps none of its own.
    void SetMeter(std::function<HeaderFields()> meter) { m_meter = std::move(meter); }

private:
    // The cell the operator acts on: its cable ID's plan index and the slot it shows.
    struct Target {
        int place = -1;
        std::optional<SlotColumn> slot;
    };

    void MakeActions();
    void RetranslateActions();
    void ShowChosen();
    void ApplyFilter();
    // The chosen project read again after a change, the current cell and scroll kept.
    void Reload();
    void UpdateActions();
    Target Current() const;
    std::optional<StoredProject> Chosen() const;
    // A store change on the chosen project; its refusal told in one box.
    void Change(const std::function<bool(const StoredProject&, QString*)>& change);
    void ShowMenu(const QPoint& at);

    void MoveReading();
    void ClearReading();
    void ChooseReading();
    void EditCable();
    void UndoChange();
    void ShowHistory();
    void Print();
    // The report with the main window's meter and operator filled in, for its certificate.
    const ProjectReport& WithMeter(ProjectReport& report) const;
    void Export();

    Language m_language;
    std::unique_ptr<IMessageBox> m_ownBoxes;
    IMessageBox& m_boxes;
    std::unique_ptr<ProjectStore> m_store;
    QString m_storeError; // why the archive cannot be read, when it cannot
    std::unique_ptr<ProjectReport> m_report;
    std::unique_ptr<ProjectLedger> m_ledger;
    QComboBox* m_projects;
    QComboBox* m_filter;
    QLineEdit* m_search;
    QLabel* m_progress;
    QLabel* m_chooseLabel;
    QLabel* m_showLabel;
    QLabel* m_searchLabel;
    ProjectTableModel* m_model;
    QTableView* m_table;
    QMenu* m_menu;
    QAction* m_move = nullptr;
    QAction* m_clear = nullptr;
    QAction* m_readings = nullptr;
    QAction* m_edit = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_history = nullptr;
    QAction* m_print = nullptr;
    QAction* m_export = nullptr;
    PrinterAsker m_askPrinter = PrintDialogAsker();
    SavePathAsker m_askSavePath;
    QString m_reportFolder;
    std::function<HeaderFields()> m_meter;
};

} // namespace vemla
