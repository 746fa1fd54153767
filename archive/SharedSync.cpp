#include "SharedSync.h"

#include "SharedLink.h"
#include "SharedProjects.h"
#include <QSysInfo>

#include <libpq-fe.h>

namespace vemla {

namespace {

constexpr int kColumns = 7;

// COPY's text format: a backslash, tab, newline or carriage return in a value is escaped. A NUL
// cannot be held by PostgreSQL's text at all and is left out, so no record blocks the outbox.
void AppendText(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': break;
        default: out += c;
        }
    }
}

// bytea in its hex form, its backslash escaped for COPY.
void AppendBytes(std::string& out, std::span<const uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\\\x";
    for (const uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
}

} // namespace

QString SharedStatusText(const SharedStatus& status, Language language) {
    switch (status.state) {
    case SharedStatus::State::Off:
        return Pick(text::kSharedStatusOff, language);
    case SharedStatus::State::UpToDate:
        return Pick(text::kSharedStatusUpToDate, language);
    case SharedStatus::State::Waiting:
        return Pick(text::kSharedStatusWaiting, language).arg(status.recordsWaiting);
    case SharedStatus::State::Unreachable:
        return Pick(text::kSharedStatusUnreachable, language)
            .arg(status.unreachableSince.toString(QStringLiteral("hh:mm")));
    case SharedStatus::State::Refused:
        return Pick(text::kSharedStatusRefused, language).arg(status.reason);
    }
    return {};
}

struct SharedSync::Impl {
    QString archivePath;
    QString server;
    SyncOutbox outbox;
    bool outboxOpen = false;
    SharedLink link;
    SharedProjects projects;
    QString station;
    bool registered = false; // this connection has made sure the station is known
    std::atomic<bool> stopped{false};

    bool OpenOutbox(SyncResult& r);
    bool Connect(SyncResult& r);
    // One batch: claimed, sent in one server transaction, then acknowledged or released.
    bool PushBatch(SyncResult& r, bool* more);
    bool SendBatch(std::vector<OutboxVersion>& claimed, std::vector<OutboxVersion>& taken,
                   SyncResult& r);
    bool SendVersion(const OutboxVersion& v, bool* taken, int* serverTop, SyncResult& r);
    bool CopyRecords(const std::vector<OutboxVersion>& versions, SyncResult& r);
    // Every version the server holds that this station did not make and has not received in
    // its present state, in one consistent read of the server.
    bool Pull(SyncResult& r);
    bool PullVersion(const PulledVersion& v, SyncResult& r);
    bool Fail(SyncResult& r, SyncResult::Outcome outcome, const QString& reason) {
        r.outcome = outcome;
        r.reason = reason;
        return false;
    }
    bool ServerFault(SyncResult& r) {
        const LinkFault fault = link.LastFault();
        return Fail(r, fault.refused ? SyncResult::Outcome::Refused
                                     : SyncResult::Outcome::Unreachable,
                    fault.message);
    }
};

SharedSync::SharedSync(QString archivePath, QString server) : m_impl(std::make_unique<Impl>()) {
    m_impl->archivePath = std::move(archivePath);
    m_impl->server = std::move(server);
}

SharedSync::~SharedSync() = default;

void SharedSync::Stop() {
    m_impl->stopped = true;
    m_impl->link.Cancel();
}

void SharedSync::Resume() {
    m_impl->stopped = false;
}

qint64 SharedSync::RecordsWaiting() {
    SyncResult unused;
    return m_impl->OpenOutbox(unused) ? m_impl->outbox.RecordsWaiting() : 0;
}

SharedStatus SharedSync::Probe() {
    using State = SharedStatus::State;
    SharedStatus status;
    SyncResult r;
    Impl& d = *m_impl;
    if (!d.OpenOutbox(r))
        return status.state = State::Waiting, status.reason = r.reason, status;
    status.recordsWaiting = d.outbox.RecordsWaiting();
    const std::optional<QString> allowed =
        d.Connect(r) ? d.link.Value("SELECT has_table_privilege('version', 'INSERT')")
                     : std::nullopt;
    if (!allowed) {
        d.link.Close();
        status.state = State::Unreachable;
        status.unreachableSince = QDateTime::currentDateTime();
        status.reason = d.link.LastFault().message;
    } else if (*allowed != QLatin1String("t")) {
        status.state = State::Refused;
        status.reason = QStringLiteral("permission denied for table version");
    } else {
        status.state = status.recordsWaiting > 0 ? State::Waiting : State::UpToDate;
    }
    return status;
}

bool SharedSync::Impl::OpenOutbox(SyncResult& r) {
    QString error;
    if (!outboxOpen)
        outboxOpen = outbox.Open(archivePath, &error);
    if (!outboxOpen)
        return Fail(r, SyncResult::Outcome::LocalFault, error);
    if (station.isEmpty())
        station = outbox.StationId(&error).value_or(QString());
    return !station.isEmpty() || Fail(r, SyncResult::Outcome::LocalFault, error);
}

bool SharedSync::Impl::Connect(SyncResult& r) {
    if (link.IsOpen())
        return true;
    registered = false;
    if (!link.Open(server, kConnectTimeoutS))
        return ServerFault(r);
    return true;
}

SyncResult SharedSync::SyncOnce(bool receive) {
    SyncResult r;
    Impl& d = *m_impl;
    if (!d.OpenOutbox(r))
        return r;
    bool more = true;
    while (more && r.outcome == SyncResult::Outcome::Done) {
        if (d.stopped) {
            r.outcome = SyncResult::Outcome::Stopped;
            break;
        }
        d.PushBatch(r, &more);
    }
    if (r.outcome == SyncResult::Outcome::Done && !d.stopped)
        d.projects.Push(d.link, [&] { return d.Connect(r); }, d.archivePath, d.station, r);
    if (receive && r.outcome == SyncResult::Outcome::Done && !d.stopped)
        d.Pull(r) && d.projects.Pull(d.link, d.archivePath, d.station, r);
    if (r.outcome == SyncResult::Outcome::Unreachable)
        d.link.Close(); // a new connection next time, whatever state this one is in
    r.recordsWaiting = d.outbox.RecordsWaiting();
    return r;
}

bool SharedSync::Impl::PushBatch(SyncResult& r, bool* more) {
    QString error;
    std::vector<OutboxVersion> claimed = outbox.Claim(kBatchVersions, kBatchRecords, &error);
    *more = !claimed.empty();
    if (claimed.empty())
        return error.isEmpty() || Fail(r, SyncResult::Outcome::LocalFault, error);
    std::vector<OutboxVersion> taken; // another station's version holds their number there
    if (!Connect(r) || !SendBatch(claimed, taken, r)) {
        outbox.Release(claimed);
        outbox.Release(taken);
        return false;
    }
    if (!outbox.Acknowledge(claimed, &error))
        return Fail(r, SyncResult::Outcome::LocalFault, error);
    // Sent again under its new number, in a later batch.
    outbox.Release(taken);
    for (const OutboxVersion& v : taken)
        if (!outbox.Renumber(v.localId, v.number + 1, &error))
            return Fail(r, SyncResult::Outcome::LocalFault, error);
    for (const OutboxVersion& v : claimed) {
        ++r.versionsSent;
        r.recordsSent += v.count - v.from;
    }
    return true;
}

bool SharedSync::Impl::SendBatch(std::vector<OutboxVersion>& claimed,
                                 std::vector<OutboxVersion>& taken, SyncResult& r) {
    if (!link.Exec("BEGIN"))
        return ServerFault(r);
    if (!registered &&
        !link.Exec("INSERT INTO station (id, name) VALUES ($1, $2) ON CONFLICT (id) DO NOTHING",
                   {station, QSysInfo::machineHostName()}))
        return link.Rollback(), ServerFault(r);
    std::vector<OutboxVersion> sent;
    for (OutboxVersion& v : claimed) {
        bool isTaken = false;
        int serverTop = 0;
        if (!SendVersion(v, &isTaken, &serverTop, r))
            return link.Rollback(), false;
        if (!isTaken) {
            sent.push_back(v);
            continue;
        }
        v.number = std::max(v.number, serverTop); // Renumber goes past it
        taken.push_back(v);
    }
    if (!CopyRecords(sent, r) || !link.Exec("COMMIT"))
        return link.Rollback(), r.reason.isEmpty() ? ServerFault(r) : false;
    registered = true;
    claimed = std::move(sent);
    return true;
}

// The job (when it is this station's own), the version unless another station's version holds
// its number there (`taken`, with the highest number there), and room for its rows from `from`.
bool SharedSync::Impl::SendVersion(const OutboxVersion& v, bool* taken, int* serverTop,
                                   SyncResult& r) {
    const SharedJob& j = v.job;
    if (v.ownJob &&
        !link.Exec("INSERT INTO job (station, id, began, port, device, waves, lasers, language, "
                   "company, model, serial_number, test_operator, notes, search) VALUES ($1, $2, "
                   "$3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14) ON CONFLICT (station, id) "
                   "DO UPDATE SET began = EXCLUDED.began, port = EXCLUDED.port, device = "
                   "EXCLUDED.device, waves = EXCLUDED.waves, lasers = EXCLUDED.lasers, language = "
                   "EXCLUDED.language, company = EXCLUDED.company, model = EXCLUDED.model, "
                   "serial_number = EXCLUDED.serial_number, test_operator = "
                   "EXCLUDED.test_operator, notes = EXCLUDED.notes, search = EXCLUDED.search",
                   {j.station, j.id, j.began, j.port, j.device, j.waves, j.lasers, j.language,
                    j.company, j.model, j.serialNumber, j.testOperator, j.notes, j.search}))
        return ServerFault(r);
    // Never over a version another station made: the row is left as it is and none returned.
    const std::optional<int> rows = link.Rows(
        "INSERT INTO version (station, job, number, began, count, certification, interrupted, "
        "skipped, made_by) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9) ON CONFLICT (station, job, "
        "number) DO UPDATE SET began = EXCLUDED.began, count = EXCLUDED.count, certification = "
        "EXCLUDED.certification, interrupted = EXCLUDED.interrupted, skipped = EXCLUDED.skipped "
        "WHERE version.made_by = EXCLUDED.made_by RETURNING 1",
        {j.station, j.id, v.number, v.began, v.count, v.certification, v.interrupted, v.skipped,
         v.madeBy});
    if (!rows)
        return ServerFault(r);
    *taken = *rows == 0;
    if (*taken) {
        const std::optional<QString> top =
            link.Value("SELECT max(number) FROM version WHERE station = $1 AND job = $2",
                       {j.station, j.id});
        *serverTop = top ? top->toInt() : v.number;
        return top.has_value() || ServerFault(r);
    }
    return link.Exec("DELETE FROM record WHERE station = $1 AND job = $2 AND number = $3 AND "
                     "row >= $4",
                     {j.station, j.id, v.number, v.from}) ||
           ServerFault(r);
}

bool SharedSync::Impl::CopyRecords(const std::vector<OutboxVersion>& versions, SyncResult& r) {
    // PostgreSQL takes no COPY into a table with row level security from anyone but its owner:
    // the rows go through a table of this connection's own.
    if (!link.Exec("CREATE TEMP TABLE IF NOT EXISTS record_in (LIKE record) ON COMMIT DELETE "
                   "ROWS") ||
        !link.BeginCopy("COPY record_in (station, job, number, row, raw, t0, t1, t2, t3, t4, t5, "
                        "t6) FROM STDIN"))
        return ServerFault(r);
    std::string buffer;
    buffer.reserve(SharedLink::kCopyChunk + 4096);
    bool sending = true;
    QString error;
    for (const OutboxVersion& v : versions) {
        const std::string head = QStringLiteral("%1\t%2\t%3\t")
                                     .arg(v.job.station)
                                     .arg(v.job.id)
                                     .arg(v.number)
                                     .toStdString();
        const bool read = outbox.ReadRecords(
            v.localId, v.from, v.count,
            [&](const OutboxRecord& record) {
                buffer += head;
                buffer += std::to_string(record.row);
                buffer += '\t';
                AppendBytes(buffer, record.raw);
                for (int c = 0; c < kColumns; ++c) {
                    buffer += '\t';
                    AppendText(buffer, record.texts[std::size_t(c)]);
                }
                buffer += '\n';
                if (buffer.size() >= SharedLink::kCopyChunk && sending) {
                    sending = link.PutCopy(buffer);
                    buffer.clear();
                }
            },
            &error);
        if (!read) {
            link.EndCopy("the local archive could not be read");
            return Fail(r, SyncResult::Outcome::LocalFault, error);
        }
    }
    if (!sending || !link.PutCopy(buffer) || !link.EndCopy() ||
        !link.Exec("INSERT INTO record SELECT * FROM record_in"))
        return ServerFault(r);
    return true;
}

namespace {

// A version and its job as the pull's query gives them, columns in its order.
PulledVersion PulledAt(const std::function<QByteArray(int)>& value) {
    const auto text = [&](int c) { return QString::fromUtf8(value(c)); };
    PulledVersion v;
    v.job.station = text(0);
    v.job.id = value(1).toLongLong();
    v.number = value(2).toInt();
    v.began = value(3).toLongLong();
    v.count = value(4).toInt();
    v.certification = text(5);
    v.interrupted = value(6) == "t";
    v.skipped = value(7).toInt();
    v.madeBy = text(8);
    v.mark = text(9);
    v.job.began = value(10).toLongLong();
    v.job.port = value(11).toInt();
    v.job.device = text(12);
    v.job.waves = text(13);
    v.job.lasers = text(14);
    v.job.language = value(15).toInt();
    v.job.company = text(16);
    v.job.model = text(17);
    v.job.serialNumber = text(18);
    v.job.testOperator = text(19);
    v.job.notes = text(20);
    v.job.search = text(21);
    return v;
}

QString KeyOf(const PulledVersion& v) {
    return QStringLiteral("%1/%2/%3").arg(v.job.station).arg(v.job.id).arg(v.number);
}

} // namespace

bool SharedSync::Impl::Pull(SyncResult& r) {
    if (!Connect(r) || !link.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"))
        return link.IsOpen() ? ServerFault(r) : false;
    const std::map<QString, QString> marks = outbox.PulledMarks();
    std::vector<PulledVersion> wanted;
    // A row's xmin is new whenever a push rewrote it, as every push of a version does (a job's
    // fields changed push its latest version too, and come with it).
    const bool listed = link.Each(
        "SELECT v.station, v.job, v.number, v.began, v.count, v.certification, v.interrupted, "
        "v.skipped, v.made_by, v.xmin::text, j.began, j.port, j.device, "
        "j.waves, j.lasers, j.language, j.company, j.model, j.serial_number, j.test_operator, "
        "j.notes, j.search FROM version v JOIN job j ON j.station = v.station AND j.id = v.job "
        "WHERE v.made_by <> $1 ORDER BY v.station, v.job, v.number",
        {station}, [&](const auto& value) {
            PulledVersion v = PulledAt(value);
            const auto known = marks.find(KeyOf(v));
            if (known == marks.end() || known->second != v.mark)
                wanted.push_back(std::move(v));
        });
    if (!listed)
        return link.Rollback(), ServerFault(r);
    bool ok = true;
    for (std::size_t i = 0; ok && i < wanted.size() && !stopped; ++i)
        ok = PullVersion(wanted[i], r);
    link.Rollback(); // read only: nothing to keep
    return ok;
}

// The version's rows fetched whole first: no local transaction is held across the network.
bool SharedSync::Impl::PullVersion(const PulledVersion& v, SyncResult& r) {
    std::vector<std::array<QByteArray, 9>> fetched;
    fetched.reserve(std::size_t(std::max(v.count, 0)));
    if (!link.Each("SELECT row, encode(raw, 'hex'), t0, t1, t2, t3, t4, t5, t6 FROM record WHERE station = $1 AND job = $2 AND number = $3 ORDER "
                   "BY row",
                   {v.job.station, v.job.id, v.number}, [&](const auto& value) {
                       std::array<QByteArray, 9> row;
                       for (int c = 0; c < 9; ++c)
                           row[std::size_t(c)] = value(c);
                       fetched.push_back(std::move(row));
                   }))
        return ServerFault(r);
    const PulledRows rows = [&](const std::function<void(const OutboxRecord&)>& put) {
        OutboxRecord record;
        QByteArray raw;
        for (const std::array<QByteArray, 9>& f : fetched) {
            record.row = f[0].toInt();
            // Asked for in hex: Qt's driver sets the connection's bytea output to escapes.
            raw = QByteArray::fromHex(f[1]);
            record.raw = {reinterpret_cast<const uint8_t*>(raw.constData()),
                          std::size_t(raw.size())};
            for (int c = 0; c < kColumns; ++c)
                record.texts[std::size_t(c)] = {f[std::size_t(c) + 2].constData(),
                                                std::size_t(f[std::size_t(c) + 2].size())};
            put(record);
        }
        return true;
    };
    bool taken = false;
    QString error;
    if (!outbox.PutPulled(v, rows, &taken, &error))
        return Fail(r, SyncResult::Outcome::LocalFault, error);
    if (taken)
        return true; // received once the push has moved this station's own version
    ++r.versionsReceived;
    r.recordsReceived += qint64(fetched.size());
    return true;
}

} // namespace vemla
