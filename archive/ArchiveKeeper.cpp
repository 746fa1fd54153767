#include "ArchiveKeeper.h"

#include "ArchiveWriter.h"
#include "MeterSession.h"

#include <QCoreApplication>

#include <sys/resource.h>
#include <unistd.h>

namespace vemla {

namespace {

// The writer yields to the upload it keeps: on a busy machine the table comes first, and at the
// meter's pace the writer needs next to nothing anyway.
void LowerWriterPriority() {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), ArchiveKeeper::kWriterNice);
}

} // namespace

ArchiveKeeper::ArchiveKeeper(MeterSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_writer(new ArchiveWriter) {
    m_thread.setObjectName(QStringLiteral("archive writer"));
    m_writer->moveToThread(&m_thread);
    m_thread.start();
    // Through the writer's own queue: a thread sanitizer sees that hand-over, not Qt's.
    m_writer->Post(&LowerWriterPriority);
    connect(m_writer, &ArchiveWriter::Problem, this, &ArchiveKeeper::Problem);
    connect(m_writer, &ArchiveWriter::UploadsKept, this, &ArchiveKeeper::TellKept);
    connect(m_writer, &ArchiveWriter::Committed, this, &ArchiveKeeper::Committed,
            Qt::DirectConnection);
    connect(&m_session, &MeterSession::UploadStarted, this, &ArchiveKeeper::OnUploadStarted);
    connect(&m_session, &MeterSession::HeaderChanged, this, &ArchiveKeeper::OnHeaderChanged);
    connect(&m_session, &MeterSession::UploadEnded, this, &ArchiveKeeper::OnUploadEnded);
    connect(&m_session, &MeterSession::PortStateChanged, this, &ArchiveKeeper::OnPortStateChanged);
    m_session.Records().SetObserver(this);
    m_timer.setSingleShot(true);
    m_timer.setInterval(kFlushMs);
    connect(&m_timer, &QTimer::timeout, this, &ArchiveKeeper::HandOver);
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &ArchiveKeeper::Flush);
}

ArchiveKeeper::~ArchiveKeeper() {
    m_session.Records().SetObserver(nullptr);
    FinishWriting();
    // The writer's connection belongs to its thread, so it ends there.
    m_writer->DestroyFrom();
    m_thread.quit();
    m_thread.wait();
}

ArchiveOpenResult ArchiveKeeper::Open(const QString& path) {
    Flush();
    ArchiveOpenResult result;
    const Language language = m_session.Language();
    m_writer->Call([&] { result = m_writer->Open(path, language); });
    m_hasJob = false; // a job of another file is not continued here
    return result;
}

bool ArchiveKeeper::OpenUpload(qint64 jobId) {
    Flush();
    std::optional<ArchivedUpload> upload;
    m_writer->Call([&] { upload = m_writer->Load(jobId); });
    if (!upload)
        return false;
    m_replacing = true;
    m_session.ReplaceRecords(std::move(upload->records), upload->header);
    m_replacing = false;
    // Another station's upload copied here is its own to change: shown, never written. What
    // is done to it in the table is not kept; records that come start a job of this station's.
    const bool copy = !upload->station.isEmpty();
    m_hasJob = !copy;
    m_newVersion = false;
    m_uploading = false;
    m_uploadOpen = false;
    m_language = m_session.Language();
    if (!copy)
        Push(archive_op::AttachJob{jobId});
    return true;
}

// What is held, with a language change not yet told, handed over whole.
std::vector<ArchiveOp> ArchiveKeeper::TakePending() {
    if (m_hasJob && m_session.Language() != m_language)
        Push(archive_op::SetLanguage{m_language = m_session.Language()});
    m_timer.stop(); // after the Push, which may have started it
    std::vector<ArchiveOp> ops;
    ops.swap(m_ops);
    m_records = 0;
    return ops;
}

void ArchiveKeeper::Flush() {
    std::vector<ArchiveOp> ops = TakePending();
    const Language language = m_session.Language();
    m_writer->Call([&] { m_writer->Write(std::move(ops), language); });
}

void ArchiveKeeper::MarkInterrupted() {
    const bool cut = m_hasJob && m_uploadOpen;
    m_uploadOpen = false;
    if (cut) {
        Push(archive_op::MarkInterrupted{});
        emit UploadCut(m_upload);
    }
}

ArchiveLeft ArchiveKeeper::FinishWriting(std::chrono::milliseconds budget) {
    MarkInterrupted();
    std::vector<ArchiveOp> ops = TakePending();
    ArchiveLeft left;
    m_writer->Call([&] { left = m_writer->Finish(std::move(ops), budget); });
    TellKept(); // now: the event loop may not run again
    return left;
}

void ArchiveKeeper::TellKept() {
    for (const KeptUpload& kept : m_writer->TakeKept())
        emit UploadKept(kept.upload, kept.job);
}

void ArchiveKeeper::OnUploadEnded() {
    if (m_uploadOpen && m_hasJob)
        Push(archive_op::UploadEnded{std::max(0, m_session.SkippedRecords()), m_upload});
    m_uploadOpen = false;
}

void ArchiveKeeper::OnPortStateChanged() {
    // The port went away under the upload: its end reply cannot come.
    if (m_session.State() == MeterSession::PortState::Lost)
        MarkInterrupted();
}

void ArchiveKeeper::HandOver() {
    m_timer.stop();
    if (m_ops.empty())
        return;
    std::vector<ArchiveOp> ops;
    ops.swap(m_ops);
    // Batches go back and forth in the same memory: fresh pages for every batch cost the upload
    // more (page faults) than everything else the keeper does.
    {
        const std::lock_guard lock(m_spareMutex);
        if (!m_spare.empty()) {
            m_ops = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    if (m_ops.capacity() == 0)
        m_ops.reserve(kFlushRecords + 8);
    m_records = 0;
    m_writer->Post([w = m_writer, keeper = this, ops = std::move(ops),
                    language = m_session.Language()]() mutable {
        w->Write(std::move(ops), language);
        // The keeper outlives its writer's tasks: its destructor waits for the last one.
        const std::lock_guard lock(keeper->m_spareMutex);
        if (keeper->m_spare.size() < kSpareBatches)
            keeper->m_spare.push_back(std::move(ops));
    });
}

void ArchiveKeeper::Push(ArchiveOp op) {
    // A language switch keeps the job; the job only learns the language now in force.
    if (m_hasJob && m_session.Language() != m_language &&
        !std::holds_alternative<archive_op::BeginJob>(op))
        m_ops.push_back(archive_op::SetLanguage{m_language = m_session.Language()});
    m_ops.push_back(std::move(op));
    if (!m_timer.isActive())
        m_timer.start();
}

void ArchiveKeeper::BeginJob() {
    archive_op::BeginJob job;
    job.began = QDateTime::currentDateTime();
    job.port = m_session.PortNumber();
    for (const PortEntry& entry : m_session.PortNames())
        if (entry.number == job.port)
            job.device = QString::fromStdString(entry.device);
    job.waves = m_session.Waves();
    job.lasers = m_session.Lasers();
    job.language = m_language = m_session.Language();
    job.header = m_session.Header();
    m_hasJob = true;
    m_newVersion = false;
    Push(std::move(job));
    if (!m_certification.isEmpty())
        Push(archive_op::SetCertification{m_certification});
}

void ArchiveKeeper::BeginVersion() {
    Push(archive_op::BeginVersion{QDateTime::currentDateTime()});
    if (!m_certification.isEmpty())
        Push(archive_op::SetCertification{m_certification});
}

void ArchiveKeeper::SetCertification(const QString& json) {
    if (json == m_certification)
        return;
    m_certification = json;
    if (m_hasJob && !m_replacing)
        Push(archive_op::SetCertification{m_certification});
}

void ArchiveKeeper::OnUploadStarted(bool reupload) {
    MarkInterrupted(); // an upload still waiting for its end never gets it now
    emit UploadBegun(++m_upload, reupload && m_hasJob);
    m_uploading = true;
    if (reupload && m_hasJob) {
        m_newVersion = false;
        BeginVersion();
    } else {
        BeginJob();
    }
    m_uploadOpen = true;
    Push(archive_op::UploadOpen{});
}

void ArchiveKeeper::OnHeaderChanged() {
    // Before the first upload the session holds the fields; the job takes them when it begins.
    if (m_replacing || !m_hasJob)
        return;
    Push(archive_op::SetHeader{m_session.Header()});
}

void ArchiveKeeper::RowAboutToBeInserted(int row) {
    m_insertRow = row;
}

void ArchiveKeeper::RowInserted() {
    m_uploading = false;
    if (m_replacing)
        return;
    if (!m_hasJob) {
        BeginJob(); // records nobody asked for are kept too
    } else if (m_newVersion) {
        m_newVersion = false;
        BeginVersion();
    }
    const MeterRecord& record = m_session.Records().At(m_insertRow);
    Push(archive_op::AddRecord{m_insertRow, record.raw, record.texts});
    if (++m_records >= kFlushRecords)
        HandOver();
}

void ArchiveKeeper::AboutToClear() {}

void ArchiveKeeper::Cleared() {
    // An upload empties the table itself; any other emptying (delete-all) keeps the job, and
    // records that come after it start a new version of it.
    if (!m_replacing && !m_uploading)
        m_newVersion = true;
    m_uploading = false;
}

void ArchiveKeeper::TextChanged(int row, int column) {
    if (m_replacing || !m_hasJob)
        return;
    Push(archive_op::SetText{row, column, m_session.Records().Text(row, column)});
}

} // namespace vemla
