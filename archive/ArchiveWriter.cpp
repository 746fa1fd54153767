#include "ArchiveWriter.h"

#include <QThread>
#include <algorithm>
#include <utility>

namespace vemla {

ArchiveWriter::ArchiveWriter(QObject* parent) : QObject(parent), m_retry(new QTimer(this)) {
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &ArchiveWriter::Commit);
}

ArchiveWriter::~ArchiveWriter() = default;

void ArchiveWriter::Post(std::function<void()> task) {
    {
        const std::lock_guard lock(m_tasksMutex);
        m_tasks.push_back(std::move(task));
    }
    QMetaObject::invokeMethod(this, "RunTasks", Qt::QueuedConnection);
}

void ArchiveWriter::Call(std::function<void()> task) {
    {
        const std::lock_guard lock(m_tasksMutex);
        m_tasks.push_back(std::move(task));
    }
    QMetaObject::invokeMethod(this, "RunTasks", Qt::BlockingQueuedConnection);
    // The task ran before the call returned; taking the mutex its runner released after it
    // orders what it wrote before what the caller reads next.
    const std::lock_guard lock(m_tasksMutex);
}

void ArchiveWriter::DestroyFrom() {
    QMetaObject::invokeMethod(this, "Destroy", Qt::BlockingQueuedConnection);
}

void ArchiveWriter::Destroy() {
    // Ordered after the last caller's release of the mutex, which dies with this object.
    { const std::lock_guard lock(m_tasksMutex); }
    delete this;
}

void ArchiveWriter::RunTasks() {
    for (;;) {
        std::function<void()> task;
        {
            const std::lock_guard lock(m_tasksMutex);
            if (m_tasks.empty())
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
        task = nullptr; // its captures go on this thread, before the mutex is taken again
    }
}

ArchiveOpenResult ArchiveWriter::Open(const QString& path, Language language) {
    m_path = path;
    m_language = language;
    m_cursor = {};
    ArchiveOpenResult result = m_archive.Open(path, language);
    // The front end shows this one; the first failed write does not say it again.
    m_faultShown = result.state == ArchiveState::Off;
    return result;
}

void ArchiveWriter::Take(std::vector<ArchiveOp>& ops) {
    for (ArchiveOp& op : ops) {
        // Past the bound only records are dropped: jobs, versions and edits keep their order.
        // The operator was told the archive is off; the table still holds them.
        if (m_pending.size() >= kMaxPending && std::holds_alternative<archive_op::AddRecord>(op)) {
            ++m_droppedRecords;
            continue;
        }
        m_pending.push_back(std::move(op));
    }
    ops.clear(); // its memory goes back to the keeper for the next batch
}

void ArchiveWriter::Write(std::vector<ArchiveOp>&& ops, Language language) {
    m_language = language;
    Take(ops);
    Commit();
}

ArchiveLeft ArchiveWriter::Finish(std::vector<ArchiveOp>&& ops, std::chrono::milliseconds budget) {
    using Clock = std::chrono::steady_clock;
    Take(ops);
    m_retry->stop();
    const Clock::time_point deadline = Clock::now() + budget;
    QString why;
    bool busy = false;
    while (!m_pending.empty() && m_archive.State() != ArchiveState::ReadOnly) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        m_busyMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        if (TryCommit(&why, &busy) || Clock::now() >= deadline)
            break;
        if (!busy)
            QThread::msleep(static_cast<unsigned long>(std::min<int>(m_busyMs, kFinishPauseMs)));
    }
    m_busyMs = MeasurementArchive::kBusyTimeoutMs;
    m_archive.SetBusyTimeout(m_busyMs);
    if (!m_pending.empty() && m_archive.State() == ArchiveState::ReadOnly)
        why = Pick(text::kArchiveNewer, m_language).arg(m_path);
    ArchiveLeft left;
    left.records = m_droppedRecords +
                   static_cast<std::size_t>(
                       std::count_if(m_pending.begin(), m_pending.end(), [](const ArchiveOp& op) {
                           return std::holds_alternative<archive_op::AddRecord>(op);
                       }));
    left.changes = m_pending.size() + m_droppedRecords;
    left.why = why;
    left.job = m_cursor.job;
    m_pending.clear();
    m_droppedRecords = 0;
    return left;
}

std::optional<ArchivedUpload> ArchiveWriter::Load(qint64 jobId) {
    return m_archive.Load(jobId);
}

void ArchiveWriter::Commit() {
    if (m_pending.empty())
        return;
    // A file from a newer Vemla is never written: keeping is off and was said at the open.
    if (m_archive.State() == ArchiveState::ReadOnly) {
        m_droppedRecords += static_cast<std::size_t>(
            std::count_if(m_pending.begin(), m_pending.end(), [](const ArchiveOp& op) {
                return std::holds_alternative<archive_op::AddRecord>(op);
            }));
        m_pending.clear();
        return;
    }
    QString why;
    bool busy = false;
    if (TryCommit(&why, &busy)) {
        m_faultShown = false;
        return;
    }
    if (m_archive.State() == ArchiveState::ReadOnly)
        return Commit(); // reopened as a newer Vemla's file: said by the reopen
    m_retry->start();
    // Another Vemla holding the lock is not a fault, only later.
    if (!busy && !m_faultShown)
        emit Problem(Pick(text::kArchiveOff, m_language).arg(why));
    m_faultShown = m_faultShown || !busy;
}

bool ArchiveWriter::TryCommit(QString* why, bool* busy) {
    *busy = false;
    if (m_archive.State() == ArchiveState::Off) {
        if (m_path.isEmpty())
            return *why = QStringLiteral("no archive file"), false;
        const ArchiveOpenResult reopened = m_archive.Open(m_path, m_language);
        if (reopened.state == ArchiveState::Off)
            return *why = m_archive.OffReason(), false;
        if (!reopened.message.isEmpty())
            emit Problem(reopened.message);
        if (reopened.state != ArchiveState::ReadWrite)
            return *why = reopened.message, false;
    }
    m_archive.SetBusyTimeout(m_busyMs);
    std::vector<KeptUpload> kept;
    if (!m_archive.Apply(m_pending, m_cursor, why, busy, &kept))
        return false;
    m_pending.clear();
    emit Committed();
    if (!kept.empty()) {
        {
            const std::lock_guard lock(m_keptMutex);
            m_kept.insert(m_kept.end(), kept.begin(), kept.end());
        }
        emit UploadsKept();
    }
    return true;
}

std::vector<KeptUpload> ArchiveWriter::TakeKept() {
    const std::lock_guard lock(m_keptMutex);
    return std::exchange(m_kept, {});
}

} // namespace vemla
