#include "ArchiveWriter.h"

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

void ArchiveWriter::Write(std::vector<ArchiveOp>&& ops, Language language) {
    m_language = language;
    for (ArchiveOp& op : ops) {
        // Past the bound only records are dropped: jobs, versions and edits keep their order.
        // The operator was told the archive is off; the table still holds them.
        if (m_pending.size() >= kMaxPending && std::holds_alternative<archive_op::AddRecord>(op))
            continue;
        m_pending.push_back(std::move(op));
    }
    ops.clear(); // its memory goes back to the keeper for the next batch
    Commit();
}

std::optional<ArchivedUpload> ArchiveWriter::Load(qint64 jobId) {
    return m_archive.Load(jobId);
}

void ArchiveWriter::Commit() {
    if (m_pending.empty())
        return;
    // A file from a newer Vemla is never written: keeping is off and was said at the open.
    if (m_archive.State() == ArchiveState::ReadOnly) {
        m_pending.clear();
        return;
    }
    const auto fault = [this](const QString& why) {
        if (!m_faultShown)
            emit Problem(Pick(text::kArchiveOff, m_language).arg(why));
        m_faultShown = true;
        m_retry->start();
    };
    if (m_archive.State() == ArchiveState::Off) {
        if (m_path.isEmpty())
            return fault(QStringLiteral("no archive file"));
        const ArchiveOpenResult reopened = m_archive.Open(m_path, m_language);
        if (reopened.state == ArchiveState::Off)
            return fault(reopened.message);
        if (!reopened.message.isEmpty())
            emit Problem(reopened.message);
        if (reopened.state != ArchiveState::ReadWrite)
            return Commit();
    }
    QString error;
    bool busy = false;
    if (m_archive.Apply(m_pending, m_cursor, &error, &busy)) {
        m_pending.clear();
        m_faultShown = false;
        return;
    }
    if (busy) {
        m_retry->start(); // another Vemla holds the lock: not a fault, only later
        return;
    }
    fault(error);
}

} // namespace vemla
