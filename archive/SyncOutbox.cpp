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
    "FROM version v JOIN job j ON j.id = v.job WHERE v.change_seq > v.pushed_seq "
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
    // Runs `body` in a write transaction: committed when it returns true, else rolled back.
    bool InWrite(const std::function<bool()>& body, QString* error) {
        if (!Exec(QStringLiteral("BEGIN IMMEDIATE"), error))
            return false;
        if (body() && Exec(QStringLiteral("COMMIT"), error))
            return true;
        Exec(QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    sqlite3* Handle() const {
        const QVariant h = db.driver()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
            return *static_cast<sqlite3* const*>(h.constData());
        return nullptr;
    }
};

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
            "count)), 0) FROM version WHERE change_seq > pushed_seq")) &&
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
            QSqlQuery mark = m_impl->Query();
            mark.prepare(QStringLiteral(
                "UPDATE version SET claimed_from = ?, pushed_rows = count WHERE id = ?"));
            for (const OutboxVersion& v : claimed) {
                mark.addBindValue(v.from);
                mark.addBindValue(v.localId);
                if (!m_impl->Run(mark, error))
                    return false;
            }
            return true;
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
            QSqlQuery q = m_impl->Query();
            q.prepare(QStringLiteral(
                "UPDATE version SET claimed_from = NULL, pushed_seq = max(pushed_seq, ?) "
                "WHERE id = ?"));
            for (const OutboxVersion& v : sent) {
                q.addBindValue(v.seq);
                q.addBindValue(v.localId);
                if (!m_impl->Run(q, error))
                    return false;
            }
            return true;
        },
        error);
}

bool SyncOutbox::Release(const std::vector<OutboxVersion>& claimed) {
    if (!m_impl)
        return false;
    return m_impl->InWrite(
        [&] {
            QSqlQuery q = m_impl->Query();
            q.prepare(QStringLiteral(
                "UPDATE version SET pushed_rows = min(pushed_rows, claimed_from), claimed_from = "
                "NULL WHERE id = ? AND claimed_from IS NOT NULL"));
            for (const OutboxVersion& v : claimed) {
                q.addBindValue(v.localId);
                if (!m_impl->Run(q, nullptr))
                    return false;
            }
            return true;
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

} // namespace vemla
