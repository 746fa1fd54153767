#pragma once
// The archive's writing side, on a thread of its own so the table never waits for the disk. It
// takes batches of operations, commits everything it holds in one transaction, and keeps what
// could not be written (bounded) to try again, reporting a fault once until writing works again.

#include "ArchiveTypes.h"
#include "MeasurementArchive.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace vemla {

class ArchiveWriter : public QObject {
    Q_OBJECT
public:
    // Unwritten operations kept while the archive is off; beyond this, new ones are dropped.
    static constexpr std::size_t kMaxPending = 1u << 18;
    static constexpr int kRetryMs = 1000;
    // Between two attempts at the end when the fault is not a lock (a read-only file, say).
    static constexpr int kFinishPauseMs = 200;

    explicit ArchiveWriter(QObject* parent = nullptr);
    ~ArchiveWriter() override;

    // Run on the writer's thread (queued or blocking-queued calls).
    ArchiveOpenResult Open(const QString& path, vemla::Language language);
    // Takes the operations out of `ops` and leaves it empty with its capacity.
    void Write(std::vector<ArchiveOp>&& ops, vemla::Language language);
    std::optional<ArchivedUpload> Load(qint64 jobId);
    // At the end: takes `ops` and tries everything pending until it is written or `budget` has
    // passed (a lock held elsewhere is waited for within it), with no message and no timer left
    // running. What is still unwritten then is given up and counted.
    ArchiveLeft Finish(std::vector<ArchiveOp>&& ops, std::chrono::milliseconds budget);

    // From another thread: runs `task` on the writer's thread, in the order posted; Call waits
    // until it has run. The tasks pass through a queue under a mutex of ours and Qt's event only
    // says "run what is queued": Qt's own locks are invisible to a thread sanitizer (Qt is not
    // built with it), this mutex is not, so it sees every hand-over as ordered.
    void Post(std::function<void()> task);
    void Call(std::function<void()> task);
    // From any thread: the uploads whose end has been committed since the last call, in order.
    std::vector<KeptUpload> TakeKept();
    // From another thread: deletes the writer on its own thread (its connection lives there)
    // and returns when it is gone.
    void DestroyFrom();

signals:
    // Something the operator must know: the archive is off and why.
    void Problem(const QString& message);
    // Uploads' ends were committed; TakeKept() has them. It carries nothing: what crosses the
    // threads passes through a mutex of ours, as Post's tasks do.
    void UploadsKept();
    // A batch was committed: the shared archive's sync has something to send. Emitted on the
    // writer's thread; a receiver connected directly must only wake its own thread.
    void Committed();

private:
    Q_INVOKABLE void RunTasks();
    Q_INVOKABLE void Destroy();
    void Commit();
    void Take(std::vector<ArchiveOp>& ops);
    // One attempt: reopens the file when it is off, then applies everything pending.
    bool TryCommit(QString* why, bool* busy);

    std::mutex m_tasksMutex;
    std::deque<std::function<void()>> m_tasks;
    std::mutex m_keptMutex;
    std::vector<KeptUpload> m_kept;

    MeasurementArchive m_archive;
    QString m_path;
    vemla::Language m_language = vemla::Language::Chinese;
    ArchiveCursor m_cursor;
    std::vector<ArchiveOp> m_pending;
    QTimer* m_retry;
    bool m_faultShown = false;
    std::size_t m_droppedRecords = 0; // past kMaxPending, or kept from a newer Vemla's file
    int m_busyMs = MeasurementArchive::kBusyTimeoutMs;
};

} // namespace vemla
