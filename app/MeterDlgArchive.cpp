// The archive as the window offers it: opened at start-up, its one message, the history window
// and an archived upload brought back into the table.
#include "MeterDlg.h"

#include "ArchiveKeeper.h"
#include "CertificationPart.h"
#include "ExportPart.h"
#include "HistoryDlg.h"
#include "MeasurementArchive.h"
#include "MessageBox.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTimer>

namespace vemla {

ArchiveOpenResult CMeterDlg::OpenArchive(const QString& path) {
    m_historyDlg.reset();
    m_keeper.reset();
    m_keeper = std::make_unique<ArchiveKeeper>(m_session);
    // Faults after the start (a full disk, say), said once each by the keeper.
    connect(m_keeper.get(), &ArchiveKeeper::Problem, this, [this](const QString& message) {
        m_boxes.Show(this, kAppBoxCaption, message, BoxButtons::Ok, BoxIcon::Warning);
    });
    const ArchiveOpenResult result = m_keeper->Open(path);
    // Every upload keeps the limits it was judged with.
    const auto keepCertification = [this] {
        const CertificationSettings& settings = m_certification->Settings();
        m_keeper->SetCertification(
            settings.enabled ? QString::fromUtf8(QJsonDocument(CertificationToJson(settings))
                                                     .toJson(QJsonDocument::Compact))
                             : QString());
    };
    keepCertification();
    connect(m_certification.get(), &CertificationPart::Changed, m_keeper.get(),
            keepCertification);
    // Opened after the keeper, so a damaged file is already moved aside and replaced.
    m_archive = std::make_unique<MeasurementArchive>();
    m_archive->Open(path, UiLanguage());
    m_archiveMessage = result.message;
    return result;
}

void CMeterDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_archiveMessage.isEmpty())
        return;
    // After the window is on screen, so the box has its owner to sit over.
    QTimer::singleShot(0, this, [this] {
        const QString message = std::exchange(m_archiveMessage, QString());
        if (!message.isEmpty())
            m_boxes.Show(this, kAppBoxCaption, message, BoxButtons::Ok, BoxIcon::Warning);
    });
}

void CMeterDlg::done(int result) {
    // The archive gets its last writes while the window is still there (a lock another process
    // holds is waited for, within the keeper's budget), so what it could not take is told over
    // the window, not lost with it.
    if (m_keeper) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const ArchiveLeft left = m_keeper->FinishWriting();
        QGuiApplication::restoreOverrideCursor();
        if (left.changes > 0)
            m_boxes.Show(this, kAppBoxCaption,
                         m_session.Text(text::kArchiveNotWritten).arg(left.records).arg(left.why),
                         BoxButtons::Ok, BoxIcon::Warning);
    }
    QDialog::done(result);
}

void CMeterDlg::OnHistory() {
    if (!m_archive) {
        ShowAppMessage(m_session.Text(text::kHistoryNoArchive));
        return;
    }
    if (!m_historyDlg) {
        m_historyDlg = std::make_unique<CHistoryDlg>(*m_archive, m_boxes, this);
        m_historyDlg->SetBeforeRead([this] { m_keeper->Flush(); });
        m_historyDlg->SetCsvSaver([this](const UploadDocument& document) {
            m_export->WriteCsv(document, m_historyDlg.get());
        });
        connect(m_historyDlg.get(), &CHistoryDlg::OpenRequested, this, &CMeterDlg::OnOpenArchived);
        m_historyDlg->Retitle(UiLanguage());
    }
    m_historyDlg->Refresh();
    m_historyDlg->show();
    m_historyDlg->raise();
    m_historyDlg->activateWindow();
}

void CMeterDlg::OnOpenArchived(qint64 jobId) {
    if (!m_keeper->OpenUpload(jobId)) {
        m_boxes.Show(m_historyDlg.get(), kAppBoxCaption, m_session.Text(text::kHistoryGone),
                     BoxButtons::Ok, BoxIcon::Warning);
        m_historyDlg->Refresh();
        return;
    }
    raise();
    activateWindow();
}

void CMeterDlg::LoadHeader() {
    const HeaderFields& header = m_session.Header();
    for (const auto& [id, field] : HeaderEdits()) {
        auto* edit = ControlAs<QLineEdit>(id);
        // Setting the same text again would move the cursor of the edit being typed in.
        if (edit->text() != header.*field)
            edit->setText(header.*field);
    }
}

} // namespace vemla
