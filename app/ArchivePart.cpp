#include "ArchivePart.h"

#include "ArchiveKeeper.h"
#include "Certification.h"
#include "HistoryDlg.h"
#include "MeasurementArchive.h"
#include "MessageBox.h"
#include "MeterSession.h"
#include "ProjectWindow.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QTimer>

namespace vemla {

ArchivePart::ArchivePart(MeterSession& session, IMessageBox& boxes, QWidget* window)
    : m_session(session), m_boxes(boxes), m_window(window) {}

ArchivePart::~ArchivePart() {
    // The history window reads through m_archive; the keeper ends writing what it still holds.
    m_historyDlg.reset();
    m_keeper.reset();
}

ArchiveOpenResult ArchivePart::Open(const QString& path) {
    m_historyDlg.reset();
    m_keeper.reset();
    m_keeper = std::make_unique<ArchiveKeeper>(m_session);
    // Faults after the start (a full disk, say), said once each by the keeper.
    connect(m_keeper.get(), &ArchiveKeeper::Problem, this, [this](const QString& message) {
        m_boxes.Show(m_window, kAppBoxCaption, message, BoxButtons::Ok, BoxIcon::Warning);
    });
    const ArchiveOpenResult result = m_keeper->Open(path);
    // Opened after the keeper, so a damaged file is already moved aside and replaced.
    m_archive = std::make_unique<MeasurementArchive>();
    m_archive->Open(path, m_session.Language());
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
        m_projects =
            std::make_unique<ProjectWindow>(m_archive->Path(), m_session.Language(), m_window);
        // An upload given to a project shows in its progress once it has ended and been kept.
        connect(&m_session, &MeterSession::UploadEnded, m_projects.get(), [this] {
            m_keeper->Flush();
            m_projects->Refresh();
        });
    } else {
        m_projects->Refresh();
    }
    m_projects->show();
    m_projects->raise();
    m_projects->activateWindow();
}

} // namespace vemla
