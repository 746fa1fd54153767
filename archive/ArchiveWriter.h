#pragma once
// The archive's writing side, on a thread of its own so the table never waits for the disk. It
// takes batches of operations, commits everything it holds in one transaction, and keeps what
// could not be written (bounded) to try again, reporting a fault once until writing works again.

#include "ArchiveTypes.h"
#include "MeasurementArchive.h"

#include <QObject>
#include <QTimer>
#include <optional>
#include <vector>

namespace vemla {

class ArchiveWriter : public QObject {
    Q_OBJECT
public:
    // Unwritten operations kept while the archive is off; beyond this, new ones are dropped.
    static constexpr std::size_t kMaxPending = 1u << 18;
    static constexpr int kRetryMs = 1000;

    explicit ArchiveWriter(QObject* parent = nullptr);
    ~ArchiveWriter() override;

    // Run on the writer's thread (queued or blocking-queued calls).
    ArchiveOpenResult Open(const QString& path, vemla::Language language);
    // Takes the operations out of `ops` and leaves it empty with its capacity.
    void Write(std::vector<ArchiveOp>&& ops, vemla::Language language);
    std::optional<ArchivedUpload> Load(qint64 jobId);
    std::size_t Pending() const { return m_pending.size(); }

signals:
    // Something the operator must know: the archive is off and why.
    void Problem(const QString& message);

private:
    void Commit();

    MeasurementArchive m_archive;
    QString m_path;
    vemla::Language m_language = vemla::Language::Chinese;
    ArchiveCursor m_cursor;
    std::vector<ArchiveOp> m_pending;
    QTimer* m_retry;
    bool m_faultShown = false;
};

} // namespace vemla
