#pragma once
// The lab's shared archive as the window offers it: File > Shared archive... names the server,
// the sync runs on its own thread beside the archive's writer (nudged by each commit the writer
// makes), and the status line's archive segment says where it stands ("up to date", "412 records
// waiting", "unreachable since 10:42"). Without a server nothing runs and the segment is empty.

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QWidget;

namespace vemla {

class ArchiveKeeper;
class IMessageBox;
class MeterSession;
class SharedSyncThread;
class StatusLine;

class SharedArchivePart : public QObject {
    Q_OBJECT
public:
    SharedArchivePart(MeterSession& session, StatusLine& line, IMessageBox& boxes,
                      QWidget* window);
    ~SharedArchivePart() override;

    // Syncs the local archive at `archivePath`, told of the commits `keeper` makes, with the
    // server in force; stops the sync before when one ran.
    void Start(const QString& archivePath, ArchiveKeeper* keeper);
    // Ends the sync: a transfer under way is cancelled; what it had not sent waits in the local
    // archive for the next start.
    void Stop();
    // File > Shared archive...: a changed server is kept and the sync starts again with it.
    void OpenDialog();
    // Tests shorten the waits between tries.
    void SetRetry(int firstMs, int lastMs);

private:
    void ShowStatus();

    MeterSession& m_session;
    StatusLine& m_line;
    IMessageBox& m_boxes;
    QWidget* m_window;
    QString m_archivePath;
    QPointer<ArchiveKeeper> m_keeper; // the window may end it first
    int m_firstRetryMs = 0; // 0: the sync's own
    int m_lastRetryMs = 0;
    std::unique_ptr<SharedSyncThread> m_sync;
};

} // namespace vemla
