#include "ProjectWindow.h"

#include "ProjectStore.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

namespace vemla {

// The rows the filter and the search leave, as the report's table gives them.
class ProjectTableModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Show(const ProjectReport* report, int filter, const QString& search) {
        beginResetModel();
        m_report = report;
        m_rows.clear();
        m_captions = report ? ProjectColumnCaptions(*report) : QStringList();
        static constexpr std::array<IdStatus, 3> kShown{IdStatus::Untested, IdStatus::Incomplete,
                                                        IdStatus::Fail};
        for (int r = 0; report && r < int(report->rows.size()); ++r) {
            const ProjectIdRow& row = report->rows[size_t(r)];
            if ((filter <= 0 || row.status == kShown[size_t(filter - 1)]) &&
                row.id.contains(search, Qt::CaseInsensitive))
                m_rows.push_back(r);
        }
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_captions.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !m_report || index.row() >= int(m_rows.size()))
            return {};
        // Made for the rows on screen only: a plan of 10,000 IDs scrolls without a pause.
        return ProjectRowCells(*m_report, m_report->rows[size_t(m_rows[size_t(index.row())])])
            .value(index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QAbstractTableModel::headerData(section, orientation, role);
        return m_captions.value(section);
    }

private:
    const ProjectReport* m_report = nullptr;
    QStringList m_captions;
    std::vector<int> m_rows;
};

ProjectWindow::ProjectWindow(const QString& archivePath, Language language, QWidget* parent)
    : QWidget(parent, Qt::Window), m_language(language), m_store(new ProjectStore),
      m_projects(new QComboBox(this)), m_filter(new QComboBox(this)), m_search(new QLineEdit(this)),
      m_progress(new QLabel(this)), m_chooseLabel(new QLabel(this)), m_showLabel(new QLabel(this)),
      m_searchLabel(new QLabel(this)), m_model(new ProjectTableModel(this)),
      m_table(new QTableView(this)) {
    setObjectName(QStringLiteral("projects"));
    m_progress->setObjectName(QStringLiteral("progress"));
    m_search->setMaxLength(int(kMaxCableIdLength));
    m_table->setModel(m_model);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_chooseLabel, m_projects, m_showLabel,
                                                      m_filter, m_searchLabel, m_search})
        bar->addWidget(w);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_progress);
    layout->addWidget(m_table);
    resize(900, 600);
    if (!m_store->Open(archivePath, &m_storeError))
        m_store.reset();
    connect(m_projects, &QComboBox::currentIndexChanged, this, &ProjectWindow::ShowChosen);
    connect(m_filter, &QComboBox::currentIndexChanged, this, &ProjectWindow::ApplyFilter);
    connect(m_search, &QLineEdit::textChanged, this, &ProjectWindow::ApplyFilter);
    Retranslate(language);
    Refresh();
}

ProjectWindow::~ProjectWindow() = default;

void ProjectWindow::Retranslate(Language language) {
    m_language = language;
    setWindowTitle(Pick(text::kProjectsTitle, language));
    m_chooseLabel->setText(Pick(text::kProjectsChoose, language));
    m_showLabel->setText(Pick(text::kProjectsShow, language));
    m_searchLabel->setText(Pick(text::kProjectsSearch, language));
    const int filter = std::max(0, m_filter->currentIndex());
    {
        const QSignalBlocker block(m_filter);
        m_filter->clear();
        for (const BilingualText& name : text::kProjectFilters)
            m_filter->addItem(Pick(name, language));
        m_filter->setCurrentIndex(filter);
    }
    ShowChosen();
}

void ProjectWindow::Refresh() {
    const QString chosen = m_projects->currentText();
    {
        const QSignalBlocker block(m_projects);
        m_projects->clear();
        if (m_store)
            for (const StoredProject& project : m_store->Projects())
                m_projects->addItem(project.info.name);
        const int at = m_projects->findText(chosen);
        m_projects->setCurrentIndex(at >= 0 ? at : 0);
    }
    ShowChosen();
}

void ProjectWindow::ShowChosen() {
    m_report.reset();
    const std::optional<StoredProject> project =
        m_store ? m_store->Find(m_projects->currentText()) : std::nullopt;
    const std::optional<ProjectLedger> ledger = project ? m_store->Ledger(*project) : std::nullopt;
    if (ledger)
        m_report = std::make_unique<ProjectReport>(
            MakeProjectReport(project->info, *ledger, m_language, QDateTime::currentDateTime()));
    m_progress->setText(m_report  ? ProgressText(*m_report)
                        : m_store ? Pick(text::kProjectsNone, m_language)
                                  : m_storeError);
    ApplyFilter();
}

void ProjectWindow::ApplyFilter() {
    m_model->Show(m_report.get(), m_filter->currentIndex(), m_search->text().trimmed());
    m_table->resizeColumnsToContents();
}

} // namespace vemla
