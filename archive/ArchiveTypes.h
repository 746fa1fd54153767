#pragma once
// What the archive holds and what it is told: plain data shared by the archive, the writer that
// feeds it on its own thread, and the front ends that read it back.

#include "HeaderFields.h"
#include "RecordList.h"
#include "Texts.h"
#include "UploadDocument.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <variant>
#include <vector>

namespace vemla {

enum class ArchiveState { ReadWrite, ReadOnly, Off };

// How an open went; message is what the operator is told (empty when all is well).
struct ArchiveOpenResult {
    ArchiveState state = ArchiveState::Off;
    QString message;
};

// One line of the history list.
struct ArchivedJob {
    qint64 id = 0;
    QDateTime began;
    uint32_t port = 0;
    QString device;
    int recordCount = 0; // of the latest version
    QString company;
    QString testOperator;
    QString notes;
    int versionCount = 0;
    bool interrupted = false; // the latest version's upload never got the meter's end reply
    QString project;          // the project it was given to, "" for none
};

// An archived upload, enough to fill a session as the upload itself did.
struct ArchivedUpload {
    qint64 jobId = 0;
    QString station; // "" for this station's own upload, else the station it was copied from
    int version = 0; // 1-based
    int versionCount = 0;
    bool interrupted = false; // the upload was stopped before the meter's end reply
    int skippedRecords = 0;   // records that arrived damaged and were left out
    QDateTime began;
    uint32_t port = 0;
    QString device;
    vemla::Language language = vemla::Language::Chinese;
    std::vector<int> waves;
    std::array<uint32_t, 4> lasers{};
    HeaderFields header;
    QString certification;            // the limits it was judged with (JSON), "" when none
    std::vector<MeterRecord> records; // values decoded again from the raw frames
};

// What the archive is told, in the order it happened. Each applies to the job and version a
// cursor points at, so a batch needs no ids from the database.
namespace archive_op {
struct BeginJob {
    QDateTime began;
    uint32_t port = 0;
    QString device;
    std::vector<int> waves;
    std::array<uint32_t, 4> lasers{};
    vemla::Language language = vemla::Language::Chinese;
    HeaderFields header;
};
// The re-upload after a delete-selected acknowledgement, or records after an emptied table.
struct BeginVersion {
    QDateTime began;
};
// Later edits go to this job's latest version.
struct AttachJob {
    qint64 jobId = 0;
};
struct AddRecord {
    int row = 0; // where the table put it; usually the end
    std::array<uint8_t, kRecordFrameBytes> raw{};
    std::array<QString, kTableColumns> texts;
};
struct SetText {
    int row = 0;
    int column = 0;
    QString text;
};
struct SetHeader {
    HeaderFields header;
};
struct SetLanguage {
    vemla::Language language = vemla::Language::Chinese;
};
// The certification in force, kept with the version it is applied to.
struct SetCertification {
    QString json;
};
// The upload of the current version was stopped before its end: the rows are what came.
struct MarkInterrupted {};
// The current version's upload is under way in this process (stamped with its mark), and it
// ended with the meter's end reply. A version still stamped when its process is gone was cut.
struct UploadOpen {};
struct UploadEnded {
    int skipped = 0;    // damaged records left out
    quint64 upload = 0; // the keeper's number for the upload, told back once committed
};
} // namespace archive_op

using ArchiveOp =
    std::variant<archive_op::BeginJob, archive_op::BeginVersion, archive_op::AttachJob,
                 archive_op::AddRecord, archive_op::SetText, archive_op::SetHeader,
                 archive_op::SetLanguage, archive_op::SetCertification, archive_op::MarkInterrupted,
                 archive_op::UploadOpen, archive_op::UploadEnded>;

// Where the next operation lands. Kept by the writer; restored when a transaction fails.
struct ArchiveCursor {
    qint64 job = 0;     // 0: none yet
    qint64 version = 0; // row id of the version
    int versionNumber = 0;
    int count = 0; // rows in that version
};

// An upload whose end reply the archive has committed: the keeper's number for it, and its job.
struct KeptUpload {
    quint64 upload = 0;
    qint64 job = 0;
};

// What could not be written when writing ended (at exit, after the last retries).
struct ArchiveLeft {
    std::size_t records = 0; // records among the unwritten operations
    std::size_t changes = 0; // every unwritten operation, records included
    QString why;             // the last fault, in SQLite's or the system's words
    qint64 job = 0;          // the job the last upload went to; 0 when none was begun
};

// What a full check of the archive found; message is what the operator is told.
struct ArchiveCheckResult {
    bool sound = false;
    QString message;
};

// An archived upload as its writers take it: every row it kept, judged with the limits it was
// kept with, as of its upload.
UploadDocument DocumentOf(const ArchivedUpload& upload);

} // namespace vemla
