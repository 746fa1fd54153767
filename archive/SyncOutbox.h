#pragma once
// The local archive's side of the shared archive: what this station has not yet sent, claimed
// and acknowledged version by version, and the other stations' uploads copied in. Its own
// connection on the file, so the sync never takes the upload writer's; every transaction here
// is short (WAL readers never wait for the writer, and the writer waits microseconds for us).

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vemla {

// A job's fields as the server keeps them; `station` and `id` are its key there.
struct SharedJob {
    QString station;
    qint64 id = 0;
    qint64 began = 0; // ms since the epoch
    int port = 0;
    QString device, waves, lasers;
    int language = 0;
    QString company, model, serialNumber, testOperator, notes, search;
};

// A version waiting to be sent, as claimed: its rows from `from` to `count` go.
struct OutboxVersion {
    qint64 localId = 0; // the version's row id here
    qint64 localJob = 0;
    bool ownJob = true; // the job is this station's, not a copy of another's
    SharedJob job;
    int number = 0;
    qint64 began = 0;
    int count = 0;
    QString certification;
    bool interrupted = false;
    int skipped = 0;
    QString madeBy; // the station that made it
    qint64 seq = 0; // its change_seq when claimed
    int from = 0;
};

// One record as read for sending: the frame and the seven texts, UTF-8, valid until the next.
struct OutboxRecord {
    int row = 0;
    std::span<const uint8_t> raw;
    std::array<std::string_view, 7> texts;
};

// A version the server holds that this station did not make, as received.
struct PulledVersion {
    SharedJob job;
    int number = 0;
    qint64 began = 0;
    int count = 0;
    QString certification;
    bool interrupted = false;
    int skipped = 0;
    QString madeBy;
    QString mark; // the server's mark of the state received: a new one means it changed
};

// A received version's rows, given to `put` one by one; false when they could not be had.
using PulledRows = std::function<bool(const std::function<void(const OutboxRecord&)>& put)>;

class SyncOutbox {
public:
    SyncOutbox();
    ~SyncOutbox();
    SyncOutbox(const SyncOutbox&) = delete;
    SyncOutbox& operator=(const SyncOutbox&) = delete;

    // The archive file, already made and brought up to date by MeasurementArchive. False with
    // the reason when it cannot be opened or predates the outbox.
    bool Open(const QString& path, QString* error);
    void Close();

    // This archive's station id, made (a UUID) the first time it is asked for.
    std::optional<QString> StationId(QString* error = nullptr);
    // Records the server lacks or holds in an older state, summed over the waiting versions.
    qint64 RecordsWaiting() const;

    // Up to `maxVersions` waiting versions, stopping once `maxRecords` are among them, marked
    // in flight. Every one claimed must then be acknowledged or released.
    std::vector<OutboxVersion> Claim(int maxVersions, qint64 maxRecords, QString* error);
    // The server committed what was claimed: a version the writer changed meanwhile keeps
    // waiting, for what the writer changed only.
    bool Acknowledge(const std::vector<OutboxVersion>& sent, QString* error);
    // The send failed: what was claimed waits again as before.
    bool Release(const std::vector<OutboxVersion>& claimed);
    // The server holds another station's version under this one's number: this one takes a
    // number past `atLeast` and its own job's, to be sent under it.
    bool Renumber(qint64 localVersion, int atLeast, QString* error);

    // Rows [from, to) of a version in order, read in one read transaction.
    bool ReadRecords(qint64 localVersion, int from, int to,
                     const std::function<void(const OutboxRecord&)>& each, QString* error);

    // The mark of every version received before, by "station/job/number" on the server.
    std::map<QString, QString> PulledMarks();
    // A received version put in place in one transaction: a copy of another station's job is
    // made or updated, and an older received state of the version replaced. Never over a
    // version made here: false with *taken set, to be received once the push has moved it.
    bool PutPulled(const PulledVersion& version, const PulledRows& rows, bool* taken,
                   QString* error);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace vemla
