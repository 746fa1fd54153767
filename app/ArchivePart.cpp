#include "ArchivePart.h"

#include "ArchiveKeeper.h"
#include "Certification.h"
#include "HistoryDlg.h"
#include "MeasurementArchive.h"
#include "MessageBox.h"
#include "MeterSession.h"
#include "PrivateSettings.h"
#include "ProjectBar.h"
#include "ProjectStore.h"
#include "ProjectWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLayout>
#include <QSettings>
#include <QTimer>

namespace vemla {
namespace {

constexpr char kBarProjectKey[] = "ProjectBar/Project";
constexpr char kBarDirectionKey[] = "ProjectBar/Direction"; // "ab" or "ba", as the CLI says it

} // namespace

ArchivePart::ArchivePart(MeterSession& session, IMessageBox& boxes, QWidget* window)
    : m_session(session), m_boxes(boxes), m_window(window), m_bar(new ProjectBar(window)) {
    m_bar->hide();
    const QSettings settings;
    m_bar->Choose(settings.value(QLatin1String(kBarProjectKey)).toString(),
                  settings.value(QLatin1String(kBarDirectionKey)).toString() == "ba"
                      ? Direction::BtoA
                      : Direction::AtoB);
    connect(m_bar, &ProjectBar::Changed, this, &ArchivePart::RememberBarChoice);
    m_window->installEventFilter(this);
}

ArchivePart::~ArchivePart() {
    // The keeper's last writes tell nothing to a part going away.
    if (m_keeper)
        m_keeper->disconnect(this);
    // The history window reads through m_archive; the keeper ends writing what it still holds.
    m_historyDlg.reset();
    m_keeper.reset();
}

ArchiveOpenResult ArchivePart::Open(const QString& path) {
    if (m_keeper)
        m_keeper->disconnect(this); // its uploads' numbers are not the next keeper's
    m_ties.clear();
    m_historyDlg.reset();
    m_keeper.reset();
    m_keeper = std::make_unique<ArchiveKeeper>(m_session);
    // Faults after the start (a full disk, say), said once each by the keeper.
    connect(m_keeper.get(), &ArchiveKeeper::Problem, this, [this](const QString& message) {
        m_boxes.Show(m_window, kAppBoxCaption, message, BoxButtons::Ok, BoxIcon::Warning);
    });
    connect(m_keeper.get(), &ArchiveKeeper::UploadBegun, this, &ArchivePart::OnUploadBegun);
    connect(m_keeper.get(), &ArchiveKeeper::UploadKept, this, &ArchivePart::OnUploadKept);
    connect(m_keeper.get(), &ArchiveKeeper::UploadCut, this, &ArchivePart::OnUploadCut);
    const ArchiveOpenResult result = m_keeper->Open(path);
    // Opened after the keeper, so a damaged file is already moved aside and replaced.
    m_archive = std::make_unique<MeasurementArchive>();
    m_archive->Open(path, m_session.Language());
    m_store = std::make_unique<ProjectStore>();
    if (QString why; !m_store->Open(path, &why))
        m_store.reset(); // no projects: the bar stays hidden
    ReadProjects();
    m_openingMessage = result.message;
    return result;
}

void ArchivePart::KeepCertification(const CertificationSettings& settings) {
    if (!m_keeper)
        return;
    m_keeper->SetCertification(
        settings.enabled
            ? QString::fromUtf8(
                  QJsonDocument(CertificationToJson(settings)).toJson(QJsonDocument::Compact))
            : QString());
}

void ArchivePart::TellOpeningMessage() {
    if (m_openingMessage.isEmpty())
        return;
    // After the window is on screen, so the box has its owner to sit over.
    QTimer::singleShot(0, this, [this] {
        const QString message = std::exchange(m_openingMessage, QString());
        if (!message.isEmpty())
            m_boxes.Show(m_window, kAppBoxCaption, message, BoxButtons::Ok, BoxIcon::Warning);
    });
}

void ArchivePart::FinishWriting() {
    // A lock another process holds is waited for, within the keeper's budget.
    if (!m_keeper)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const ArchiveLeft left = m_keeper->FinishWriting();
    QGuiApplication::restoreOverrideCursor();
    if (left.changes > 0)
        m_boxes.Show(m_window, kAppBoxCaption,
                     m_session.Text(text::kArchiveNotWritten).arg(left.records).arg(left.why),
                     BoxButtons::Ok, BoxIcon::Warning);
}

void ArchivePart::ShowHistory() {
    if (!m_archive) {
        m_boxes.Show(m_window, kAppBoxCaption, m_session.Text(text::kHistoryNoArchive));
        return;
    }
    if (!m_historyDlg) {
        m_historyDlg = std::make_unique<HistoryDlg>(*m_archive, m_boxes, m_window);
        m_historyDlg->SetBeforeRead([this] { m_keeper->Flush(); });
        m_historyDlg->SetCsvSaver([this](const UploadDocument& document) {
            if (m_saveCsv)
                m_saveCsv(document, m_historyDlg.get());
        });
        connect(m_historyDlg.get(), &HistoryDlg::OpenRequested, this, &ArchivePart::OpenArchived);
        connect(m_historyDlg.get(), &HistoryDlg::GiveRequested, this,
                &ArchivePart::GiveFromHistory);
        m_historyDlg->Retitle(m_session.Language());
    }
    m_historyDlg->Refresh();
    m_historyDlg->show();
    m_historyDlg->raise();
    m_historyDlg->activateWindow();
}

void ArchivePart::OpenArchived(qint64 jobId) {
    if (!m_keeper->OpenUpload(jobId)) {
        m_boxes.Show(m_historyDlg.get(), kAppBoxCaption, m_session.Text(text::kHistoryGone),
                     BoxButtons::Ok, BoxIcon::Warning);
        m_historyDlg->Refresh();
        return;
    }
    m_window->raise();
    m_window->activateWindow();
}

void ArchivePart::Retitle(Language language) {
    m_bar->Retitle(language);
    if (m_historyDlg)
        m_historyDlg->Retitle(language);
    if (m_projects)
        m_projects->Retranslate(language);
}

void ArchivePart::ShowProjects() {
    if (!m_archive) {
        m_boxes.Show(m_window, kAppBoxCaption, m_session.Text(text::kHistoryNoArchive));
        return;
    }
    if (!m_projects) {
        m_keeper->Flush();
        // Read again whenever an upload's end is kept (OnUploadKept).
        m_projects = std::make_unique<ProjectWindow>(m_archive->Path(), m_session.Language(),
                                                     m_window, &m_boxes);
        m_projects->SetMeter([this] { return m_session.Header(); });
    } else {
        m_projects->Refresh();
    }
    m_projects->show();
    m_projects->raise();
    m_projects->activateWindow();
}

bool ArchivePart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Show)
        ReadProjects();
    // Once the event is over: a list of the bar that closes activates the window too, before
    // it tells the operator's choice.
    if (watched == m_window && event->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &ArchivePart::ReadProjects);
    return QObject::eventFilter(watched, event);
}

void ArchivePart::ReadProjects() {
    m_bar->SetProjects(m_store ? m_store->Projects() : std::vector<StoredProject>());
    // Who never makes a project sees the window as it always was.
    if (m_bar->isHidden() == m_bar->HasProjects()) {
        m_bar->setVisible(m_bar->HasProjects());
        // The window takes its new size now, before the operator can reach the bar.
        if (QLayout* layout = m_window->layout())
            layout->activate();
    }
}

void ArchivePart::RememberBarChoice() {
    QSettings settings;
    settings.setValue(QLatin1String(kBarProjectKey), m_bar->ChosenName());
    settings.setValue(QLatin1String(kBarDirectionKey),
                      m_bar->DirectionAsked() == Direction::BtoA ? "ba" : "ab");
    SyncPrivate(settings);
}

void ArchivePart::OnUploadBegun(quint64 upload, bool reupload) {
    ReadProjects();
    // A re-upload after a delete-selected continues a job that was given, or not, already.
    if (const StoredProject* project = m_bar->Project(); project && !reupload)
        m_ties[upload] = {project->info.name, m_bar->ChosenDirection()};
}

void ArchivePart::OnUploadKept(quint64 upload, qint64 job) {
    if (auto tie = m_ties.extract(upload))
        Give(job, tie.mapped(), m_window);
    // Also when given elsewhere (the command line) or not at all: its counts may have moved.
    if (m_projects)
        m_projects->Refresh();
}

void ArchivePart::OnUploadCut(quint64 upload) {
    // Rows that stop short would fill the plan's first IDs wrongly: the operator decides.
    if (auto tie = m_ties.extract(upload))
        m_boxes.Show(m_window, kAppBoxCaption,
                     m_session.Text(text::kGiveCutShort).arg(tie.mapped().project), BoxButtons::Ok,
                     BoxIcon::Warning);
}

void ArchivePart::GiveFromHistory(qint64 job) {
    std::vector<StoredProject> projects =
        m_store ? m_store->Projects() : std::vector<StoredProject>();
    if (projects.empty()) {
        m_boxes.Show(m_historyDlg.get(), kAppBoxCaption, m_session.Text(text::kProjectsNone));
        return;
    }
    auto* dlg = new GiveToProjectDlg(std::move(projects), m_session.Language(), m_historyDlg.get());
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(dlg, &QDialog::accepted, this, [this, dlg, job] {
        const StoredProject* project = dlg->Bar().Project();
        if (!project ||
            !Give(job, {project->info.name, dlg->Bar().ChosenDirection()}, m_historyDlg.get()))
            return;
        m_historyDlg->Refresh(); // its project column
        if (m_projects)
            m_projects->Refresh();
    });
    dlg->open();
}

bool ArchivePart::Give(qint64 job, const Choice& choice, QWidget* over) {
    QString why;
    // Found again by name: the project may have gone since it was chosen.
    const std::optional<StoredProject> project =
        m_store ? m_store->Find(choice.project) : std::nullopt;
    if (!project)
        why = m_session.Text(text::kGiveProjectGone);
    else if (m_store->Tie(*project, job, choice.direction, m_session.Language(), &why))
        return true;
    m_boxes.Show(over, kAppBoxCaption, m_session.Text(text::kGiveRefused).arg(choice.project, why),
                 BoxButtons::Ok, BoxIcon::Warning);
    return false;
}

} // namespace vemla
