#pragma once
// Keeps the session's uploads in the archive as they happen: each upload begins a job, a
// re-upload after a delete-selected a new version of it, and every record, corrected cell and
// header field follows within a quarter of a second (a thousand records at most per hand-over).
// The writing is done on the writer's thread; the session and its table never wait for it.

#include "ArchiveTypes.h"
#include "MeasurementArchive.h"

#include <QObject>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <mutex>
#include <vector>

namespace vemla {

class ArchiveWriter;
class MeterSession;

class ArchiveKeeper : public QObject, private IRecordListener {
    Q_OBJECT
public:
    static constexpr int kFlushMs = 250;
    static constexpr std::size_t kFlushRecords = 1000;
    static constexpr int kWriterNice = 5;
    static constexpr std::size_t kSpareBatches = 4;
    // How long the end waits for the archive: as long as one write waits for another
    // process's lock.
    static constexpr std::chrono::milliseconds kFinishBudget{MeasurementArchive::kBusyTimeoutMs};

    // Destroyed before the session it watches.
    explicit ArchiveKeeper(MeterSession& session, QObject* parent = nullptr);
    // Finishes writing first (what could not be written is then given up silently: a front
    // end that must tell calls FinishWriting before).
    ~ArchiveKeeper() override;

    // Opens the archive for keeping; the state and the message to show (empty when none).
    ArchiveOpenResult Open(const QString& path);
    // Fills the session with the job's latest version (rows, header, record counter); later
    // edits go to that version, unless the job is another station's copied here (read-only).
    // False when the job is not there.
    bool OpenUpload(qint64 jobId);
    // The certification in force (JSON, "" for none): kept with the version being written and
    // with every later upload.
    void SetCertification(const QString& json);
    // Hands everything buffered to the writer and waits until it has been tried.
    void Flush();
    // The upload under way was stopped: its version keeps the rows so far, marked as cut short.
    void MarkInterrupted();
    // At the end: an upload still under way is marked interrupted, and everything buffered is
    // written, retried within `budget`. What could not be written is counted and given up.
    ArchiveLeft FinishWriting(std::chrono::milliseconds budget = kFinishBudget);

signals:
    // Shown to the operator once per fault: the archive is off and why.
    void Problem(const QString& message);
    // An upload began, numbered in this keeper's order; a re-upload continues the job in hand.
    void UploadBegun(quint64 upload, bool reupload);
    // The upload's end reply is committed in `job`: what it holds can be read from the file.
    void UploadKept(quint64 upload, qint64 job);
    // The upload stopped before its end reply; its version is marked so.
    void UploadCut(quint64 upload);
    // The writer committed a batch; emitted on the writer's thread (see ArchiveWriter), for a
    // direct connection to SharedSyncThread::Nudge.
    void Committed();

private:
    void OnUploadStarted(bool reupload);
    void OnHeaderChanged();
    void OnUploadEnded();
    void OnPortStateChanged();
    void BeginJob();
    void BeginVersion();
    void Push(ArchiveOp op);
    std::vector<ArchiveOp> TakePending();
    void HandOver();
    // The writer's committed upload ends, told in order on this thread.
    void TellKept();

    // IRecordListener: told after the table.
    void RowAboutToBeInserted(int row) override;
    void RowInserted() override;
    void AboutToClear() override;
    void Cleared() override;
    void TextChanged(int row, int column) override;

    MeterSession& m_session;
    QThread m_thread;
    ArchiveWriter* m_writer; // lives on m_thread
    QTimer m_timer;
    std::vector<ArchiveOp> m_ops;
    std::mutex m_spareMutex;                     // the writer's thread gives batches back
    std::vector<std::vector<ArchiveOp>> m_spare; // emptied batches the writer gave back
    std::size_t m_records = 0;                   // records among m_ops
    bool m_hasJob = false;
    bool m_newVersion = false; // the table was emptied: the next record starts a version
    bool m_uploading = false;  // the clear that follows UploadStarted is the upload's own
    bool m_uploadOpen = false; // an upload began and its end reply has not come yet
    bool m_replacing = false;  // OpenUpload fills the session: nothing to write
    int m_insertRow = -1;
    quint64 m_upload = 0; // the number of the upload begun last
    vemla::Language m_language = vemla::Language::Chinese;
    QString m_certification;
};

} // namespace vemla
