#include "ProjectBar.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vemla {

ProjectBar::ProjectBar(QWidget* parent)
    : QWidget(parent), m_projectLabel(new QLabel(this)), m_projectList(new QComboBox(this)),
      m_directionLabel(new QLabel(this)), m_directionList(new QComboBox(this)) {
    m_projectList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_projectList->setMinimumContentsLength(16);
    for (Direction d : {Direction::AtoB, Direction::BtoA})
        m_directionList->addItem(DirectionText(d));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(m_projectLabel);
    layout->addWidget(m_projectList);
    layout->addSpacing(12);
    layout->addWidget(m_directionLabel);
    layout->addWidget(m_directionList);
    layout->addStretch();
    // Only the operator's choices count, never the lists being filled.
    connect(m_projectList, &QComboBox::activated, this, [this](int index) {
        m_name = index > 0 ? m_projects[std::size_t(index - 1)].info.name : QString();
        ShowChoice();
        emit Changed();
    });
    connect(m_directionList, &QComboBox::activated, this, [this](int index) {
        m_direction = index == 1 ? Direction::BtoA : Direction::AtoB;
        emit Changed();
    });
    Retitle(Language::Chinese);
}

void ProjectBar::SetProjects(std::vector<StoredProject> projects) {
    m_projects = std::move(projects);
    const QSignalBlocker block(m_projectList);
    for (int i = 0; i < int(m_projects.size()); ++i)
        if (i + 1 < m_projectList->count()) {
            if (m_projectList->itemText(i + 1) != m_projects[std::size_t(i)].info.name)
                m_projectList->setItemText(i + 1, m_projects[std::size_t(i)].info.name);
        } else
            m_projectList->addItem(m_projects[std::size_t(i)].info.name);
    while (m_projectList->count() > int(m_projects.size()) + 1)
        m_projectList->removeItem(m_projectList->count() - 1);
    ShowChoice();
}

void ProjectBar::Choose(const QString& name, Direction direction) {
    m_name = name;
    m_direction = direction;
    ShowChoice();
}

const StoredProject* ProjectBar::Project() const {
    for (const StoredProject& project : m_projects)
        if (project.info.name == m_name)
            return &project;
    return nullptr;
}

Direction ProjectBar::ChosenDirection() const {
    const StoredProject* project = Project();
    return project && project->bothDirections ? m_direction : Direction::AtoB;
}

void ProjectBar::ShowChoice() {
    const StoredProject* project = Project();
    m_projectList->setCurrentIndex(project ? int(project - m_projects.data()) + 1 : 0);
    m_directionList->setCurrentIndex(ChosenDirection() == Direction::BtoA ? 1 : 0);
    m_directionList->setEnabled(project && project->bothDirections);
}

void ProjectBar::Retitle(Language language) {
    m_projectLabel->setText(Pick(text::kProjectsChoose, language));
    m_directionLabel->setText(Pick(text::kBarDirection, language));
    if (m_projectList->count() == 0)
        m_projectList->addItem(Pick(text::kBarNone, language));
    else
        m_projectList->setItemText(0, Pick(text::kBarNone, language));
}

GiveToProjectDlg::GiveToProjectDlg(std::vector<StoredProject> projects, Language language,
                                   QWidget* parent)
    : QDialog(parent), m_bar(new ProjectBar(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(Pick(text::kGiveTitle, language));
    m_bar->Retitle(language);
    m_bar->SetProjects(std::move(projects));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_buttons);
    QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(m_bar, &ProjectBar::Changed, ok, [this, ok] { ok->setEnabled(m_bar->Project()); });
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

} // namespace vemla
