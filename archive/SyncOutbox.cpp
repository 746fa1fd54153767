#include "SyncOutbox.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <atomic>

#include <sqlite3.h>

namespace vemla {

namespace {

constexpr int kBusyTimeoutMs = 5000;

QString ConnectionName() {
    static std::atomic<int> next{0}; // only a counter: every outbox has its own connection
    return QStringLiteral("vemla-outbox-%1").arg(next++);
}

QString ErrorText(const QSqlError& e) {
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

// The columns Claim reads, in this order.
constexpr const char* kClaimSelect =
    "SELECT v.id, v.job, v.number, v.began, v.count, v.certification, v.interrupted, v.skipped, "
    "v.made_by, v.change_seq, min(v.pushed_rows, ifnull(v.claimed_from, v.pushed_rows), v.count), "
    "j.station, j.remote_id, j.began, j.port, j.device, j.waves, j.lasers, j.language, "
    "j.company, j.model, j.serial_number, j.test_operator, j.notes, j.search "
    "FROM version v JOIN job j ON j.id = v.job WHERE v.change_seq > v.pushed_seq AND "
    "v.made_by = '' "
    "ORDER BY v.id LIMIT ?";

SharedJob JobAt(const QSqlQuery& q, const QString& station) {
    SharedJob job;
    const QString owner = q.value(11).toString();
    job.station = owner.isEmpty() ? station : owner;
    job.id = owner.isEmpty() ? q.value(1).toLongLong() : q.value(12).toLongLong();
    job.began = q.value(13).toLongLong();
    job.port = q.value(14).toInt();
    job.device = q.value(15).toString();
    job.waves = q.value(16).toString();
    job.lasers = q.value(17).toString();
    job.language = q.value(18).toInt();
    job.company = q.value(19).toString();
    job.model = q.value(20).toString();
    job.serialNumber = q.value(21).toString();
    job.testOperator = q.value(22).toString();
    job.notes = q.value(23).toString();
    job.search = q.value(24).toString();
    return job;
}

OutboxVersion VersionAt(const QSqlQuery& q, const QString& station) {
    OutboxVersion v;
    v.localId = q.value(0).toLongLong();
    v.localJob = q.value(1).toLongLong();
    v.number = q.value(2).toInt();
    v.began = q.value(3).toLongLong();
    v.count = q.value(4).toInt();
    v.certification = q.value(5).toString();
    v.interrupted = q.value(6).toInt() != 0;
    v.skipped = q.value(7).toInt();
    const QString madeBy = q.value(8).toString();
    v.madeBy = madeBy.isEmpty() ? station : madeBy;
    v.seq = q.value(9).toLongLong();
    v.from = q.value(10).toInt();
    v.ownJob = q.value(11).toString().isEmpty();
    v.job = JobAt(q, station);
    return v;
}

} // namespace

struct SyncOutbox::Impl {
    QString connection;
    QSqlDatabase db;
    QString station; // once read or made

    QSqlQuery Query() const { return QSqlQuery(db); }
    bool Exec(const QString& sql, QString* error) {
        QSqlQuery q(db);
        if (q.exec(sql))
            return true;
        if (error)
            *error = ErrorText(q.lastError());
        return false;
    }
    bool Run(QSqlQuery& q, QString* error) {
        if (q.exec())
            return true;
        if (error)
            *error = ErrorText(q.lastError());
        return false;
    }
    // One statement run for each version, its values bound by `bind`; stops at the first fault.
    template <typename Bind>
    bool RunForEach(const char* sql, const std::vector<OutboxVersion>& versions, Bind bind,
                    QString* error) {
        QSqlQuery q = Query();
        q.prepare(QString::fromLatin1(sql));
        for (const OutboxVersion& v : versions) {
            bind(q, v);
            if (!Run(q, error))
                return false;
        }
        return true;
    }
    // Runs `body` in a write transaction: committed when it returns true, else rolled back.
    bool InWrite(const std::function<bool()>& body, QString* error) {
        if (!Exec(QStringLiteral("BEGIN IMMEDIATE"), error))
            return false;
        if (body() && Exec(QStringLiteral("COMMIT"), error))
            return true;
        Exec(QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    std::optional<qint64> PulledJob(const SharedJob& job, const QString& own, QString* error);
    std::optional<qint64> PulledVersionRow(qint64 job, const PulledVersion& v, bool* taken,
                                           QString* error);
    bool PutPulledRows(qint64 version, const PulledRows& rows, QString* error);

    sqlite3* Handle() const {
        const QVariant h = db.driver()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
            return *static_cast<sqlite3* const*>(h.constData());
        return nullptr;
    }
};

// The local job a received version goes to: this station's own, or the copy of another's, made
// or brought up to date; 0 when this station's own job is no longer here.
std::optional<qint64> SyncOutbox::Impl::PulledJob(const SharedJob& job, const QString& own,
                                                  QString* error) {
    QSqlQuery q = Query();
    if (job.station == own) {
        q.prepare(QStringLiteral("SELECT id FROM job WHERE id = ? AND station = ''"));
        q.addBindValue(job.id);
        if (!Run(q, error))
            return std::nullopt;
        return q.next() ? q.value(0).toLongLong() : 0;
    }
    // Its id here is never one given before, as the writer's own jobs' (job_id_high).
    q.prepare(QStringLiteral(
        "INSERT INTO job (id, station, remote_id, began, port, device, waves, lasers, language, "
        "company, model, serial_number, test_operator, notes, search) VALUES (max(ifnull((SELECT "
        "max(id) FROM job), 0), ifnull((SELECT top FROM job_id_high), 0)) + 1, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (station, remote_id) WHERE station <> '' DO UPDATE "
        "SET began = excluded.began, port = excluded.port, device = excluded.device, waves = "
        "excluded.waves, lasers = excluded.lasers, language = excluded.language, company = "
        "excluded.company, model = excluded.model, serial_number = excluded.serial_number, "
        "test_operator = excluded.test_operator, notes = excluded.notes, search = "
        "excluded.search"));
    for (const QVariant& v :
         {QVariant(job.station), QVariant(job.id), QVariant(job.began), QVariant(job.port),
          QVariant(job.device), QVariant(job.waves), QVariant(job.lasers), QVariant(job.language),
          QVariant(job.company), QVariant(job.model), QVariant(job.serialNumber),
          QVariant(job.testOperator), QVariant(job.notes), QVariant(job.search)})
        q.addBindValue(v);
    QSqlQuery id = Query();
    id.prepare(QStringLiteral("SELECT id FROM job WHERE station = ? AND remote_id = ?"));
    id.addBindValue(job.station);
    id.addBindValue(job.id);
    if (!Run(q, error) || !Run(id, error) || !id.next())
        return std::nullopt;
    return id.value(0).toLongLong();
}

// The version's row, emptied of an older received state; 0 when there is nowhere to put it.
std::optional<qint64> SyncOutbox::Impl::PulledVersionRow(qint64 job, const PulledVersion& v,
                                                         bool* taken, QString* error) {
    if (job == 0)
        return 0;
    QSqlQuery find = Query();
    find.prepare(QStringLiteral("SELECT id, made_by FROM version WHERE job = ? AND number = ?"));
    find.addBindValue(job);
    find.addBindValue(v.number);
    if (!Run(find, error))
        return std::nullopt;
    const bool found = find.next();
    if (found && find.value(1).toString().isEmpty())
        return *taken = true, 0; // made here and not yet sent: it moves first
    QSqlQuery q = Query();
    q.prepare(found ? QStringLiteral("UPDATE version SET began = ?, count = ?, certification = ?, "
                                     "interrupted = ?, skipped = ?, made_by = ?, pulled = ?, "
                                     "pushed_rows = ?, pushed_seq = change_seq WHERE id = ?")
                    : QStringLiteral("INSERT INTO version (began, count, certification, "
                                     "interrupted, skipped, made_by, pulled, pushed_rows, job, "
                                     "number, pushed_seq) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"));
    for (const QVariant& value : {QVariant(v.began), QVariant(v.count), QVariant(v.certification),
                                  QVariant(v.interrupted ? 1 : 0), QVariant(v.skipped),
                                  QVariant(v.madeBy), QVariant(v.mark), QVariant(v.count)})
        q.addBindValue(value);
    if (found) {
        q.addBindValue(find.value(0));
    } else {
        q.addBindValue(job);
        q.addBindValue(v.number);
    }
    if (!Run(q, error))
        return std::nullopt;
    const qint64 id = found ? find.value(0).toLongLong() : q.lastInsertId().toLongLong();
    QSqlQuery clear = Query();
    clear.prepare(QStringLiteral("DELETE FROM record WHERE version = ?"));
    clear.addBindValue(id);
    return Run(clear, error) ? std::optional<qint64>(id) : std::nullopt;
}

bool SyncOutbox::Impl::PutPulledRows(qint64 version, const PulledRows& rows, QString* error) {
    sqlite3* handle = Handle();
    sqlite3_stmt* insert = nullptr;
    if (!handle || sqlite3_prepare_v2(handle,
                                      "INSERT INTO record (version, row, raw, t0, t1, t2, t3, t4, "
                                      "t5, t6) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                                      -1, &insert, nullptr) != SQLITE_OK)
        return *error = QStringLiteral("cannot insert received records"), false;
    bool ok = true;
    const bool had = rows([&](const OutboxRecord& r) {
        sqlite3_bind_int64(insert, 1, version);
        sqlite3_bind_int(insert, 2, r.row);
        sqlite3_bind_blob(insert, 3, r.raw.data(), int(r.raw.size()), SQLITE_STATIC);
        for (int c = 0; c < 7; ++c)
            // An empty view may have no data at all, which SQLite would take for NULL.
            sqlite3_bind_text(insert, 4 + c, r.texts[std::size_t(c)].data() ? r.texts[std::size_t(c)].data() : "",
                              int(r.texts[std::size_t(c)].size()), SQLITE_STATIC);
        ok = ok && sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    });
    if (!ok && error)
        *error = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(insert);
    return had && ok;
}

SyncOutbox::SyncOutbox() = default;

SyncOutbox::~SyncOutbox() {
    Close();
}

void SyncOutbox::Close() {
    if (!m_impl)
        return;
    m_impl->db.close();
    m_impl->db = QSqlDatabase();
    const QString name = m_impl->connection;
    m_impl.reset();
    QSqlDatabase::removeDatabase(name);
}

bool SyncOutbox::Open(const QString& path, QString* error) {
    Close();
    m_impl = std::make_unique<Impl>();
    m_impl->connection = ConnectionName();
    m_impl->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_impl->connection);
    m_impl->db.setDatabaseName(path);
    // Never creating the file: an archive the program has not made is not one to send.
    m_impl->db.setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_READWRITE").arg(kBusyTimeoutMs));
    QSqlQuery check(m_impl->db);
    const bool ok = m_impl->db.open() && m_impl->Exec(QStringLiteral("PRAGMA foreign_keys=ON"), error) &&
                    check.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = "
                                              "'sync_station'")) &&
                    check.next();
    if (ok)
        return true;
    if (error)
        *error = !m_impl->db.isOpen() ? ErrorText(m_impl->db.lastError())
                 : check.lastError().isValid()
                     ? ErrorText(check.lastError())
                     : QStringLiteral("the archive predates the shared archive");
    check.finish();
    Close();
    return false;
}

std::optional<QString> SyncOutbox::StationId(QString* error) {
    if (!m_impl) {
        if (error)
            *error = QStringLiteral("the archive is not open");
        return std::nullopt;
    }
    if (!m_impl->station.isEmpty())
        return m_impl->station;
    const auto read = [&] {
        QSqlQuery q = m_impl->Query();
        if (q.exec(QStringLiteral("SELECT station FROM sync_station WHERE id = 1")) && q.next())
            m_impl->station = q.value(0).toString();
        return !m_impl->station.isEmpty();
    };
    if (read())
        return m_impl->station;
    // Two processes may meet here: the first one's id stands.
    const bool made = m_impl->InWrite(
        [&] {
            QSqlQuery q = m_impl->Query();
            q.prepare(QStringLiteral("INSERT OR IGNORE INTO sync_station VALUES (1, ?)"));
            q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
            return m_impl->Run(q, error);
        },
        error);
    if (made && read())
        return m_impl->station;
    return std::nullopt;
}

qint64 SyncOutbox::RecordsWaiting() const {
    if (!m_impl)
        return 0;
    QSqlQuery q = m_impl->Query();
    if (q.exec(QStringLiteral(
            "SELECT ifnull(sum(count - min(pushed_rows, ifnull(claimed_from, pushed_rows), "
            "count)), 0) FROM version WHERE change_seq > pushed_seq AND made_by = ''")) &&
        q.next())
        return q.value(0).toLongLong();
    return 0;
}

std::vector<OutboxVersion> SyncOutbox::Claim(int maxVersions, qint64 maxRecords,
                                             QString* error) {
    std::vector<OutboxVersion> claimed;
    const std::optional<QString> station = StationId(error);
    if (!station)
        return claimed;
    const bool ok = m_impl->InWrite(
        [&] {
            QSqlQuery q = m_impl->Query();
            q.setForwardOnly(true);
            q.prepare(QLatin1String(kClaimSelect));
            q.addBindValue(std::max(maxVersions, 1));
            if (!m_impl->Run(q, error))
                return false;
            qint64 records = 0;
            while (records < maxRecords && q.next()) {
                claimed.push_back(VersionAt(q, *station));
                records += claimed.back().count - claimed.back().from;
            }
            q.finish();
            // In flight: rows from `from` on go now; the writer lowers pushed_rows again for
            // any row it changes from here on.
            return m_impl->RunForEach(
                "UPDATE version SET claimed_from = ?, pushed_rows = count WHERE id = ?", claimed,
                [](QSqlQuery& q, const OutboxVersion& v) {
                    q.addBindValue(v.from);
                    q.addBindValue(v.localId);
                },
                error);
        },
        error);
    if (!ok)
        claimed.clear();
    return claimed;
}

bool SyncOutbox::Acknowledge(const std::vector<OutboxVersion>& sent, QString* error) {
    if (!m_impl)
        return false;
    return m_impl->InWrite(
        [&] {
            return m_impl->RunForEach(
                "UPDATE version SET claimed_from = NULL, pushed_seq = max(pushed_seq, ?) "
                "WHERE id = ?",
                sent,
                [](QSqlQuery& q, const OutboxVersion& v) {
                    q.addBindValue(v.seq);
                    q.addBindValue(v.localId);
                },
                error);
        },
        error);
}

bool SyncOutbox::Release(const std::vector<OutboxVersion>& claimed) {
    if (!m_impl)
        return false;
    return m_impl->InWrite(
        [&] {
            return m_impl->RunForEach(
                "UPDATE version SET pushed_rows = min(pushed_rows, claimed_from), claimed_from = "
                "NULL WHERE id = ? AND claimed_from IS NOT NULL",
                claimed, [](QSqlQuery& q, const OutboxVersion& v) { q.addBindValue(v.localId); },
                nullptr);
        },
        nullptr);
}

bool SyncOutbox::Renumber(qint64 localVersion, int atLeast, QString* error) {
    if (!m_impl)
        return false;
    return m_impl->InWrite(
        [&] {
            QSqlQuery q = m_impl->Query();
            // Nothing of it is on the server under the number it leaves.
            q.prepare(QStringLiteral(
                "UPDATE version SET number = max(?, (SELECT max(number) FROM version o WHERE "
                "o.job = version.job) + 1), pushed_rows = 0, claimed_from = NULL WHERE id = ?"));
            q.addBindValue(atLeast);
            q.addBindValue(localVersion);
            return m_impl->Run(q, error);
        },
        error);
}

bool SyncOutbox::ReadRecords(qint64 localVersion, int from, int to,
                             const std::function<void(const OutboxRecord&)>& each,
                             QString* error) {
    sqlite3* handle = m_impl ? m_impl->Handle() : nullptr;
    sqlite3_stmt* r = nullptr;
    if (!handle || sqlite3_prepare_v2(handle,
                                      "SELECT row, raw, t0, t1, t2, t3, t4, t5, t6 FROM record "
                                      "WHERE version = ? AND row >= ? AND row < ? ORDER BY row",
                                      -1, &r, nullptr) != SQLITE_OK) {
        if (error)
            *error = handle ? QString::fromUtf8(sqlite3_errmsg(handle))
                            : QStringLiteral("no SQLite handle");
        return false;
    }
    sqlite3_bind_int64(r, 1, localVersion);
    sqlite3_bind_int(r, 2, from);
    sqlite3_bind_int(r, 3, to);
    OutboxRecord record;
    int code;
    while ((code = sqlite3_step(r)) == SQLITE_ROW) {
        record.row = sqlite3_column_int(r, 0);
        const auto* raw = static_cast<const uint8_t*>(sqlite3_column_blob(r, 1));
        record.raw = {raw, std::size_t(sqlite3_column_bytes(r, 1))};
        for (int c = 0; c < 7; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(r, 2 + c));
            record.texts[std::size_t(c)] = text ? std::string_view(text, std::size_t(sqlite3_column_bytes(r, 2 + c))) : std::string_view();
        }
        each(record);
    }
    if (code != SQLITE_DONE && error)
        *error = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(r);
    return code == SQLITE_DONE;
}

std::map<QString, QString> SyncOutbox::PulledMarks() {
    std::map<QString, QString> marks;
    const std::optional<QString> station = StationId();
    QSqlQuery q = m_impl ? m_impl->Query() : QSqlQuery();
    if (!station || !q.exec(QStringLiteral(
                        "SELECT j.station, ifnull(j.remote_id, j.id), v.number, v.pulled FROM "
                        "version v JOIN job j ON j.id = v.job WHERE v.made_by <> ''")))
        return marks;
    while (q.next())
        marks[QStringLiteral("%1/%2/%3")
                  .arg(q.value(0).toString().isEmpty() ? *station : q.value(0).toString())
                  .arg(q.value(1).toLongLong())
                  .arg(q.value(2).toInt())] = q.value(3).toString();
    return marks;
}

bool SyncOutbox::PutPulled(const PulledVersion& version, const PulledRows& rows, bool* taken,
                           QString* error) {
    *taken = false;
    const std::optional<QString> station = StationId(error);
    if (!station)
        return false;
    return m_impl->InWrite(
        [&] {
            const std::optional<qint64> job = m_impl->PulledJob(version.job, *station, error);
            if (!job)
                return false;
            const std::optional<qint64> id = m_impl->PulledVersionRow(*job, version, taken, error);
            return id && (*id == 0 || m_impl->PutPulledRows(*id, rows, error));
        },
        error);
}

} // namespace vemla
