#include "HistoryDlg.h"

#include "Certification.h"
#include "CsvExport.h"
#include "JobListModel.h"
#include "MeasurementArchive.h"
#include "MessageBox.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vemla {

HistoryDlg::HistoryDlg(MeasurementArchive& archive, IMessageBox& boxes, QWidget* parent)
    : QDialog(parent), m_archive(archive), m_boxes(boxes), m_model(new JobListModel(this)),
      m_search(new QLineEdit(this)), m_view(new QTableView(this)), m_open(new QPushButton(this)),
      m_delete(new QPushButton(this)), m_export(new QPushButton(this)),
      m_give(new QPushButton(this)), m_check(new QPushButton(this)) {
    setModal(false);
    m_search->setClearButtonEnabled(true);
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_open, m_delete, m_export, m_give, m_check}) {
        // Enter belongs to the list (it opens the selected upload), never to a default button.
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    resize(900, 480);

    // A keystroke only asks again: waiting for the archive's writer would make typing lag.
    connect(m_search, &QLineEdit::textChanged, this, &HistoryDlg::Requery);
    // Double-click and Enter on a row.
    connect(m_view, &QAbstractItemView::activated, this, &HistoryDlg::OnOpen);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryDlg::UpdateButtons);
    connect(m_open, &QPushButton::clicked, this, &HistoryDlg::OnOpen);
    connect(m_delete, &QPushButton::clicked, this, &HistoryDlg::OnDelete);
    connect(m_export, &QPushButton::clicked, this, &HistoryDlg::OnExportCsv);
    connect(m_check, &QPushButton::clicked, this, &HistoryDlg::OnCheck);
    connect(m_give, &QPushButton::clicked, this, [this] {
        if (const qint64 job = SelectedJob())
            emit GiveRequested(job);
    });
    UpdateButtons();
}

HistoryDlg::~HistoryDlg() = default;

QPushButton& HistoryDlg::ButtonOf(Button button) const {
    switch (button) {
    case Button::Open:
        return *m_open;
    case Button::Delete:
        return *m_delete;
    case Button::ExportCsv:
        return *m_export;
    case Button::Give:
        return *m_give;
    case Button::Check:
        return *m_check;
    }
    return *m_open;
}

void HistoryDlg::Retitle(Language language) {
    m_language = language;
    setWindowTitle(Pick(text::kHistoryTitle, language));
    m_search->setPlaceholderText(Pick(text::kHistorySearch, language));
    m_open->setText(Pick(text::kHistoryOpen, language));
    m_delete->setText(Pick(text::kHistoryDelete, language));
    m_export->setText(Pick(text::kHistoryExportCsv, language));
    m_give->setText(Pick(text::kHistoryGive, language));
    m_check->setText(Pick(text::kHistoryCheck, language));
    m_model->SetLanguage(language);
}

void HistoryDlg::Refresh() {
    if (m_beforeRead)
        m_beforeRead();
    Requery();
}

void HistoryDlg::Requery() {
    const qint64 selected = SelectedJob();
    m_model->SetJobs(m_archive.Jobs(m_search->text().trimmed(), kListLimit));
    int row = 0;
    for (int r = 0; m_model->JobAt(r); ++r) {
        if (m_model->JobAt(r)->id == selected) {
            row = r;
            break;
        }
    }
    // A row is always chosen, so Enter or Open acts on what the operator sees first.
    if (m_model->JobAt(row))
        m_view->selectRow(row);
    UpdateButtons();
}

void HistoryDlg::changeEvent(QEvent* event) {
    // Coming back to the window shows the uploads made meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Refresh();
    QDialog::changeEvent(event);
}

qint64 HistoryDlg::SelectedJob() const {
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    const ArchivedJob* job = rows.isEmpty() ? nullptr : m_model->JobAt(rows.first().row());
    return job ? job->id : 0;
}

void HistoryDlg::UpdateButtons() {
    const bool any = SelectedJob() != 0;
    for (QPushButton* b : {m_open, m_delete, m_export, m_give})
        b->setEnabled(any);
}

void HistoryDlg::OnOpen() {
    if (const qint64 job = SelectedJob())
        emit OpenRequested(job);
}

void HistoryDlg::OnDelete() {
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    const ArchivedJob* job = rows.isEmpty() ? nullptr : m_model->JobAt(rows.first().row());
    if (!job)
        return;
    const QString question = Pick(text::kHistoryDeleteConfirm, m_language)
                                 .arg(JobListModel::BeganText(*job))
                                 .arg(job->recordCount);
    if (m_boxes.Show(this, kAppBoxCaption, question, BoxButtons::OkCancel, BoxIcon::Question) !=
        BoxAnswer::Ok)
        return;
    if (!m_archive.Delete(job->id))
        m_boxes.Show(this, kAppBoxCaption, Pick(text::kHistoryNotDeleted, m_language),
                     BoxButtons::Ok, BoxIcon::Warning);
    Refresh();
}

void HistoryDlg::OnCheck() {
    // Reads the whole file: seconds for a large archive, which is why opening does not.
    if (m_beforeRead)
        m_beforeRead();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const ArchiveCheckResult checked = MeasurementArchive::Check(m_archive.Path(), m_language);
    QGuiApplication::restoreOverrideCursor();
    m_boxes.Show(this, kAppBoxCaption, checked.message, BoxButtons::Ok,
                 checked.sound ? BoxIcon::Information : BoxIcon::Warning);
}

void HistoryDlg::OnExportCsv() {
    const qint64 id = SelectedJob();
    if (!id || !m_saveCsv)
        return;
    if (m_beforeRead)
        m_beforeRead();
    const std::optional<ArchivedUpload> upload = m_archive.Load(id);
    if (!upload) {
        m_boxes.Show(this, kAppBoxCaption, Pick(text::kHistoryGone, m_language), BoxButtons::Ok,
                     BoxIcon::Warning);
        Refresh();
        return;
    }
    // Judged again with the limits it was kept with, as of its upload; in the window's language.
    UploadDocument document = DocumentOf(*upload);
    document.language = m_language;
    m_saveCsv(document);
}

} // namespace vemla
