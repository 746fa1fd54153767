#include "SharedArchivePart.h"

#include "ArchiveKeeper.h"
#include "MeterSession.h"
#include "PrivateSettings.h"
#include "SharedArchiveDlg.h"
#include "SharedSyncThread.h"
#include "StatusLine.h"
#include "SharedSchema.h"
#include "UserSettings.h"

#include <QSettings>

namespace vemla {
namespace {

QSettings UserSettings() {
    return QSettings(QString::fromLatin1(kSettingsOrganization),
                     QString::fromLatin1(kSettingsApplication));
}

// The setting alone, as the dialog edits it; a hand-edited file is not trusted with any length.
QString SavedServer() {
    const QString server = UserSettings().value(QLatin1String(kSharedServerKey)).toString();
    return server.size() <= kMaxSharedServerText ? server.trimmed() : QString();
}

void KeepServer(const QString& server) {
    QSettings settings = UserSettings();
    if (server.isEmpty())
        settings.remove(QLatin1String(kSharedServerKey));
    else
        settings.setValue(QLatin1String(kSharedServerKey), server);
    SyncPrivate(settings);
}

} // namespace

SharedArchivePart::SharedArchivePart(MeterSession& session, StatusLine& line, IMessageBox& boxes,
                                     QWidget* window)
    : m_session(session), m_line(line), m_boxes(boxes), m_window(window) {}

SharedArchivePart::~SharedArchivePart() {
    Stop();
}

void SharedArchivePart::Start(const QString& archivePath, ArchiveKeeper* keeper) {
    Stop();
    m_archivePath = archivePath;
    m_keeper = keeper;
    const QString server = ConfiguredSharedServer();
    if (server.isEmpty() || archivePath.isEmpty())
        return;
    m_sync = std::make_unique<SharedSyncThread>(archivePath, server);
    if (m_firstRetryMs > 0)
        m_sync->SetRetry(std::chrono::milliseconds(m_firstRetryMs),
                         std::chrono::milliseconds(m_lastRetryMs));
    // Queued to this thread, so the writer never calls into an object the window may be ending.
    if (keeper)
        connect(keeper, &ArchiveKeeper::Committed, this, [this] {
            if (m_sync)
                m_sync->Nudge();
        });
    connect(m_sync.get(), &SharedSyncThread::StatusChanged, this, &SharedArchivePart::ShowStatus,
            Qt::QueuedConnection);
    m_line.ShowStatus(StatusLine::Kind::Archive, [this](Language language) {
        return m_sync ? SharedStatusText(m_sync->Status(), language) : QString();
    });
    m_sync->Start();
    ShowStatus();
}

void SharedArchivePart::Stop() {
    if (m_keeper)
        m_keeper->disconnect(this);
    m_keeper = nullptr;
    if (!m_sync)
        return;
    m_sync->disconnect(this);
    m_sync->Stop();
    m_sync.reset();
    m_line.ClearStatus(StatusLine::Kind::Archive);
}

void SharedArchivePart::OpenDialog() {
    auto* dlg = new SharedArchiveDlg(m_boxes, SavedServer(),
                                     qEnvironmentVariable(kSharedServerVariable).trimmed(),
                                     m_session.Language(), m_window);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(dlg, &QDialog::accepted, this, [this, dlg] {
        if (dlg->Result() == SavedServer())
            return;
        KeepServer(dlg->Result());
        if (!m_archivePath.isEmpty())
            Start(m_archivePath, m_keeper);
    });
    dlg->open();
}

void SharedArchivePart::SetRetry(int firstMs, int lastMs) {
    m_firstRetryMs = firstMs;
    m_lastRetryMs = lastMs;
}

void SharedArchivePart::ShowStatus() {
    m_line.Refresh(m_session.Language());
}

} // namespace vemla
