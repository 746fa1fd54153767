#include "ProjectWindow.h"

#include "MessageBox.h"
#include "ProjectOutput.h"
#include "ProjectStore.h"
#include "Report.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace vemla {

ProjectWindow::ProjectWindow(const QString& archivePath, Language language, QWidget* parent,
                             IMessageBox* boxes)
    : QWidget(parent, Qt::Window), m_language(language),
      m_ownBoxes(boxes ? nullptr : new QtMessageBox), m_boxes(boxes ? *boxes : *m_ownBoxes),
      m_store(new ProjectStore), m_projects(new QComboBox(this)), m_filter(new QComboBox(this)),
      m_search(new QLineEdit(this)), m_progress(new QLabel(this)), m_chooseLabel(new QLabel(this)),
      m_showLabel(new QLabel(this)), m_searchLabel(new QLabel(this)),
      m_model(new ProjectTableModel(this)), m_table(new QTableView(this)), m_menu(new QMenu(this)),
      m_askSavePath(ProjectSavePathAsker()), m_reportFolder(DefaultReportFolder()) {
    setObjectName(QStringLiteral("projects"));
    m_progress->setObjectName(QStringLiteral("progress"));
    m_search->setMaxLength(int(kMaxCableIdLength));
    m_table->setModel(m_model);
    m_table->verticalHeader()->hide();
    // Columns sized from the rows in view and a few more, not all of a 10,000-ID plan: the
    // figures are of one width and the IDs of a plan alike, and a refresh must stay quick.
    m_table->horizontalHeader()->setResizeContentsPrecision(64);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    MakeActions();
    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_chooseLabel, m_projects, m_showLabel,
                                                      m_filter, m_searchLabel, m_search})
        bar->addWidget(w);
    auto* buttons = new QHBoxLayout;
    for (QAction* action : actions()) {
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    layout->addWidget(m_table);
    resize(900, 600);
    if (!m_store->Open(archivePath, &m_storeError))
        m_store.reset();
    connect(m_projects, &QComboBox::currentIndexChanged, this, &ProjectWindow::ShowChosen);
    connect(m_filter, &QComboBox::currentIndexChanged, this, &ProjectWindow::ApplyFilter);
    connect(m_search, &QLineEdit::textChanged, this, &ProjectWindow::ApplyFilter);
    connect(m_table, &QWidget::customContextMenuRequested, this, &ProjectWindow::ShowMenu);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ProjectWindow::UpdateActions);
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
    RetranslateActions();
    Reload();
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
    Reload();
}

std::optional<StoredProject> ProjectWindow::Chosen() const {
    return m_store ? m_store->Find(m_projects->currentText()) : std::nullopt;
}

void ProjectWindow::ShowChosen() {
    m_report.reset();
    m_ledger.reset();
    const std::optional<StoredProject> project = Chosen();
    if (std::optional<ProjectLedger> ledger = project ? m_store->Ledger(*project) : std::nullopt) {
        m_ledger = std::make_unique<ProjectLedger>(std::move(*ledger));
        m_report = std::make_unique<ProjectReport>(
            MakeProjectReport(project->info, *m_ledger, m_language, QDateTime::currentDateTime()));
    }
    m_progress->setText(m_report  ? ProgressText(*m_report)
                        : m_store ? Pick(text::kProjectsNone, m_language)
                                  : m_storeError);
    ApplyFilter();
}

void ProjectWindow::ApplyFilter() {
    m_model->Show(m_report.get(), m_filter->currentIndex(), m_search->text().trimmed());
    m_table->resizeColumnsToContents();
    UpdateActions();
}

void ProjectWindow::Reload() {
    const QModelIndex current = m_table->currentIndex();
    const int place = m_model->PlaceAt(current.row());
    const int scrolled = m_table->verticalScrollBar()->value();
    ShowChosen();
    const int row = m_model->RowOf(place);
    if (row >= 0)
        m_table->setCurrentIndex(m_model->index(row, current.column()));
    m_table->verticalScrollBar()->setValue(scrolled);
    UpdateActions();
}

ProjectWindow::Target ProjectWindow::Current() const {
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return {};
    return {m_model->PlaceAt(current.row()), m_model->SlotAt(current.column())};
}

void ProjectWindow::Change(const std::function<bool(const StoredProject&, QString*)>& change) {
    const std::optional<StoredProject> project = Chosen();
    QString error;
    if (project && !change(*project, &error))
        m_boxes.Show(this, kAppBoxCaption, error, BoxButtons::Ok, BoxIcon::Warning);
    Reload();
}

const ProjectReport& ProjectWindow::WithMeter(ProjectReport& report) const {
    report.meter = m_meter ? m_meter() : HeaderFields{};
    return report;
}

void ProjectWindow::Print() {
    if (m_report)
        PrintProject(this, m_boxes, m_askPrinter, WithMeter(*m_report));
}

void ProjectWindow::Export() {
    if (m_report)
        ExportProject(this, m_boxes, m_askSavePath, WithMeter(*m_report), m_reportFolder);
}

} // namespace vemla
