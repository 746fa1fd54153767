#include "CliSync.h"

#include "CliOutputs.h"
#include "MeasurementArchive.h"
#include "SharedSchema.h"
#include "SharedSync.h"

#include <optional>

namespace vemla {

namespace {

int ExitOf(const SharedStatus& status) {
    switch (status.state) {
    case SharedStatus::State::Off:
    case SharedStatus::State::UpToDate:
        return kExitDone;
    case SharedStatus::State::Waiting:
        return kExitSharedWaiting;
    case SharedStatus::State::Unreachable:
        return kExitSharedUnreachable;
    case SharedStatus::State::Refused:
        return kExitRefused;
    }
    return kExitArchive;
}

// The local archive opened once by its owner, so a file of an older Vemla has the outbox.
bool PrepareArchive(const CliOptions& o, QString* path) {
    *path = MeasurementArchive::DefaultPath();
    MeasurementArchive archive;
    const ArchiveOpenResult opened = archive.Open(*path, o.language);
    if (opened.state == ArchiveState::ReadWrite)
        return true;
    Say(opened.message);
    return false;
}

SharedStatus StatusAfter(const SyncResult& r) {
    SharedStatus status;
    status.recordsWaiting = r.recordsWaiting;
    status.reason = r.reason;
    using Outcome = SyncResult::Outcome;
    using State = SharedStatus::State;
    status.state = r.outcome == Outcome::Refused       ? State::Refused
                   : r.outcome == Outcome::Unreachable ? State::Unreachable
                   : r.recordsWaiting > 0              ? State::Waiting
                                                       : State::UpToDate;
    if (status.state == State::Unreachable)
        status.unreachableSince = QDateTime::currentDateTime();
    return status;
}

// The server named and the local archive ready; otherwise the exit code, having said why (no
// server named is the "off" status, which is no failure).
std::optional<int> ServerAndArchive(const CliOptions& o, QString* server, QString* path) {
    *server = o.server.isEmpty() ? ConfiguredSharedServer() : o.server;
    if (server->isEmpty()) {
        Out(SharedStatusText({}, o.language));
        return kExitDone;
    }
    if (!PrepareArchive(o, path))
        return kExitArchive;
    return std::nullopt;
}

} // namespace

int RunArchiveStatus(const CliOptions& o) {
    QString server, path;
    if (const std::optional<int> exit = ServerAndArchive(o, &server, &path))
        return *exit;
    const SharedStatus status = SharedSync(path, server).Probe();
    Out(SharedStatusText(status, o.language));
    if (!status.reason.isEmpty() && status.state != SharedStatus::State::Waiting)
        Say(status.reason);
    return ExitOf(status);
}

int RunArchiveSync(const CliOptions& o) {
    QString server, path;
    if (const std::optional<int> exit = ServerAndArchive(o, &server, &path))
        return *exit;
    const SyncResult r = SharedSync(path, server).SyncOnce();
    if (r.outcome == SyncResult::Outcome::LocalFault) {
        Say(Pick(text::kArchiveOff, o.language).arg(r.reason));
        return kExitArchive;
    }
    Out(Pick(text::kSharedSynced, o.language)
            .arg(r.recordsSent)
            .arg(r.versionsSent)
            .arg(r.versionsReceived)
            .arg(r.recordsReceived));
    const SharedStatus status = StatusAfter(r);
    Out(SharedStatusText(status, o.language));
    if (status.state == SharedStatus::State::Refused)
        Say(Pick(text::kSharedRefused, o.language).arg(r.reason));
    else if (status.state == SharedStatus::State::Unreachable)
        Say(Pick(text::kSharedUnreachable, o.language).arg(r.reason));
    return ExitOf(status);
}

} // namespace vemla
