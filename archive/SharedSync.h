#pragma once
// The lab's shared archive, fed from this station's local archive: SyncOnce sends what the
// outbox holds, in batches of one server transaction each, then copies in what the other
// stations sent. The local archive never waits for it: it reads and marks the outbox on a
// connection of its own, in short transactions, and holds none open across the network.

#include "SyncOutbox.h"
#include "Texts.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <memory>

namespace vemla {

struct SharedStatus {
    enum class State { Off, UpToDate, Waiting, Unreachable, Refused };
    State state = State::Off;
    qint64 recordsWaiting = 0;
    QDateTime unreachableSince; // when the server was first found unreachable, local time
    QString reason;             // the server's (or libpq's) words, when unreachable or refused
};

// "Shared archive: up to date", "… 412 records waiting", "… unreachable since 10:42", …
QString SharedStatusText(const SharedStatus& status, Language language);

// What one SyncOnce did.
struct SyncResult {
    enum class Outcome { Done, Unreachable, Refused, LocalFault, Stopped };
    Outcome outcome = Outcome::Done;
    QString reason;
    qint64 versionsSent = 0, recordsSent = 0;
    qint64 versionsReceived = 0, recordsReceived = 0;
    qint64 recordsWaiting = 0; // after it
};

class SharedSync {
public:
    // Records per server transaction: large enough that a batch's round trips cost little
    // beside its COPY, small enough that a retry after a failure resends little.
    static constexpr qint64 kBatchRecords = 20000;
    static constexpr int kBatchVersions = 200;
    // How long a connection attempt may take before the server counts as unreachable.
    static constexpr int kConnectTimeoutS = 5;

    // `archivePath`: the local archive (made by MeasurementArchive); `server`: as
    // ConfiguredSharedServer gives it.
    SharedSync(QString archivePath, QString server);
    ~SharedSync();
    SharedSync(const SharedSync&) = delete;
    SharedSync& operator=(const SharedSync&) = delete;

    // Sends everything waiting, then (`receive`) copies in what the other stations sent. On the
    // calling thread, which must be the same on every call (its connections live there).
    SyncResult SyncOnce(bool receive = true);
    // Records waiting, from the local archive alone (no server asked).
    qint64 RecordsWaiting();
    // The state without sending: records waiting, and whether the server can be reached and
    // would take this login's records.
    SharedStatus Probe();
    // From any thread: the call under way ends soon, a server call in flight is cancelled.
    void Stop();
    // From any thread: a later SyncOnce runs again after a Stop.
    void Resume();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace vemla
