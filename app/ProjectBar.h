#pragma once
// The project an upload is given to, chosen beside the table: a project of the archive (or none)
// and the direction the link was measured in. The history window asks the same through a small
// dialog made of the same row. Giving is the archive part's; this only chooses.

#include "ProjectStore.h"
#include "Texts.h"

#include <QDialog>
#include <QWidget>
#include <vector>

class QComboBox;
class QDialogButtonBox;
class QLabel;

namespace vemla {

class ProjectBar : public QWidget {
    Q_OBJECT
public:
    explicit ProjectBar(QWidget* parent);

    // The projects to choose from, by name after "none". The project chosen stays chosen while
    // it is listed; one that is not listed (gone, or not read yet) shows as none.
    void SetProjects(std::vector<StoredProject> projects);
    bool HasProjects() const { return !m_projects.empty(); }
    // Chooses the project of that name ("" for none) and the direction.
    void Choose(const QString& name, Direction direction);
    // Null for none.
    const StoredProject* Project() const;
    // A→B for a project that tests one direction only.
    Direction ChosenDirection() const;
    QString ChosenName() const { return m_name; }
    Direction DirectionAsked() const { return m_direction; }
    void Retitle(Language language);

    QComboBox& ProjectList() const { return *m_projectList; }
    QComboBox& DirectionList() const { return *m_directionList; }

signals:
    // The operator chose a project or a direction.
    void Changed();

private:
    void ShowChoice();

    std::vector<StoredProject> m_projects;
    QString m_name;                          // the operator's project, listed or not
    Direction m_direction = Direction::AtoB; // the operator's direction, kept for two-way ones
    QLabel* m_projectLabel;
    QComboBox* m_projectList;
    QLabel* m_directionLabel;
    QComboBox* m_directionList;
};

// History > Give to project...: window-modal; OK only once a project is chosen.
class GiveToProjectDlg : public QDialog {
    Q_OBJECT
public:
    GiveToProjectDlg(std::vector<StoredProject> projects, Language language, QWidget* parent);
    const ProjectBar& Bar() const { return *m_bar; }

private:
    ProjectBar* m_bar;
    QDialogButtonBox* m_buttons;
};

} // namespace vemla
