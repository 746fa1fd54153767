#pragma once
// The measurement archive: one SQLite file (through Qt SQL) holding every upload as a job, its
// versions (a re-upload after a delete-selected is a new version of the same job) and their
// records (raw frame and the seven texts as shown). QtCore only; each instance has its own
// connection, so a writer thread and a reader may share a file, and two processes too (WAL).

#include "ArchiveTypes.h"

#include <QString>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vemla {

class MeasurementArchive {
public:
    static constexpr int kLatest = -1;

    MeasurementArchive();
    ~MeasurementArchive();
    MeasurementArchive(const MeasurementArchive&) = delete;
    MeasurementArchive& operator=(const MeasurementArchive&) = delete;

    // $VEMLA_ARCHIVE when set, otherwise archive.sqlite in the user's Vemla data folder.
    static QString DefaultPath();

    static constexpr int kBusyTimeoutMs = 5000;

    // Opens (or creates, private to the user) the file. Its time does not grow with the file: a
    // header that is not SQLite's is found and the file moved aside and a new one started, but
    // damage deeper in is left to Check. A file from a newer Vemla is opened read-only. Uploads
    // left open by a process that is gone are marked interrupted. The message is in `language`.
    ArchiveOpenResult Open(const QString& path, vemla::Language language);
    // Reads the whole file at `path` (read-only, never creating it) with SQLite's full check.
    static ArchiveCheckResult Check(const QString& path, vemla::Language language);
    // How long a write waits for another process's lock (kBusyTimeoutMs until told otherwise).
    void SetBusyTimeout(int ms);
    void Close();
    ArchiveState State() const { return m_state; }
    // Why the last open left the archive off, in SQLite's or the system's words.
    QString OffReason() const { return m_offReason; }
    QString Path() const { return m_path; }

    // Applies the operations in one transaction. On failure nothing is written, the cursor is as
    // before, and `error` says why; `busy` tells a lock held by another process from a fault.
    // Once committed, `kept` is given the uploads whose end the batch wrote, in order.
    bool Apply(std::span<const ArchiveOp> ops, ArchiveCursor& cursor, QString* error = nullptr,
               bool* busy = nullptr, std::vector<KeptUpload>* kept = nullptr);

    // Newest first. The filter matches, ignoring case, the date text, device, company, operator,
    // notes and the records' notes; empty matches all.
    std::vector<ArchivedJob> Jobs(const QString& filter, int limit) const;
    std::optional<ArchivedUpload> Load(qint64 jobId, int version = kLatest) const;
    bool Delete(qint64 jobId);

private:
    // Closes and remembers why; the result tells the operator in `language`.
    ArchiveOpenResult TurnOff(const QString& why, vemla::Language language);
    // A new connection to `path`, the one before closed.
    bool Connect(const QString& path, bool readOnly);
    // The rest of Open once the file's header has been read as SQLite's.
    ArchiveOpenResult OpenSound(const QString& path, const QString& moved,
                                vemla::Language language);
    void MarkDeadUploadsInterrupted();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    ArchiveState m_state = ArchiveState::Off;
    QString m_path;
    QString m_offReason;
};

} // namespace vemla
