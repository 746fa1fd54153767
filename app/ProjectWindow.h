#pragma once
// Measure > Projects…: a project's progress as the contractor follows it. The plan as a table,
// one row per cable ID with each wavelength's losses, the link's result and the ID's status;
// filters for what is left to do, a search by ID, the counts. Read from the archive on a
// connection of its own, again whenever an upload has ended.

#include "ProjectReport.h"
#include "Texts.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace vemla {

class ProjectStore;
class ProjectTableModel;

class ProjectWindow : public QWidget {
    Q_OBJECT
public:
    ProjectWindow(const QString& archivePath, Language language, QWidget* parent);
    ~ProjectWindow() override;

    // The projects listed again and the chosen one judged again, as of now.
    void Refresh();
    void Retranslate(Language language);

private:
    void ShowChosen();
    void ApplyFilter();

    Language m_language;
    std::unique_ptr<ProjectStore> m_store;
    QString m_storeError; // why the archive cannot be read, when it cannot
    std::unique_ptr<ProjectReport> m_report;
    QComboBox* m_projects;
    QComboBox* m_filter;
    QLineEdit* m_search;
    QLabel* m_progress;
    QLabel* m_chooseLabel;
    QLabel* m_showLabel;
    QLabel* m_searchLabel;
    ProjectTableModel* m_model;
    QTableView* m_table;
};

} // namespace vemla
