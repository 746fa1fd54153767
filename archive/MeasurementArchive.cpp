#include "MeasurementArchive.h"

#include "ProcessMark.h"
#include "Record.h"
#include "ReplyFrame.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <map>
#include <set>

#include <sqlite3.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemla {

namespace {

constexpr int kTexts = kTableColumns;
constexpr int kNoteColumn = kTableColumns - 1;

// Each step takes a file from user_version n to n + 1. A released step is never edited: files
// written by it exist. The records table has no rowid of its own: its key is the row's place,
// which keeps a record at about 20 bytes beyond its frame and texts.
const std::vector<std::vector<const char*>> kMigrations{
    {
        "CREATE TABLE job (id INTEGER PRIMARY KEY, began INTEGER NOT NULL, "
        "port INTEGER NOT NULL, device TEXT NOT NULL, waves TEXT NOT NULL, "
        "lasers TEXT NOT NULL, language INTEGER NOT NULL, company TEXT NOT NULL, "
        "model TEXT NOT NULL, serial_number TEXT NOT NULL, test_operator TEXT NOT NULL, "
        "notes TEXT NOT NULL, search TEXT NOT NULL)",
        "CREATE INDEX job_began ON job (began)",
        "CREATE TABLE version (id INTEGER PRIMARY KEY, "
        "job INTEGER NOT NULL REFERENCES job (id) ON DELETE CASCADE, number INTEGER NOT NULL, "
        "began INTEGER NOT NULL, count INTEGER NOT NULL DEFAULT 0, UNIQUE (job, number))",
        // t0..t6: the seven texts as shown, in the table's column order.
        "CREATE TABLE record (version INTEGER NOT NULL REFERENCES version (id) ON DELETE "
        "CASCADE, row INTEGER NOT NULL, raw BLOB NOT NULL, t0 TEXT, t1 TEXT, t2 TEXT, t3 TEXT, "
        "t4 TEXT, t5 TEXT, t6 TEXT, PRIMARY KEY (version, row)) WITHOUT ROWID",
    },
    {
        // The loss limits and references the upload was judged with, as a JSON object.
        "ALTER TABLE version ADD COLUMN certification TEXT NOT NULL DEFAULT ''",
        // An upload stopped before its end (the command line's Ctrl+C) keeps what came, marked.
        "ALTER TABLE version ADD COLUMN interrupted INTEGER NOT NULL DEFAULT 0",
    },
    {
        // The mark of the process whose upload fills the version, '' once it ended; the index
        // holds only the open ones, so finding those a dead process left costs nothing.
        "ALTER TABLE version ADD COLUMN open_by TEXT NOT NULL DEFAULT ''",
        "CREATE INDEX version_open ON version (open_by) WHERE open_by <> ''",
        // Records the meter sent that arrived damaged and were left out of the upload.
        "ALTER TABLE version ADD COLUMN skipped INTEGER NOT NULL DEFAULT 0",
    },
};
// How many of the full check's findings are told; the rest are counted.
constexpr int kCheckLinesShown = 10;
const int kSchemaVersion = static_cast<int>(kMigrations.size());

QString ConnectionName() {
    static std::atomic<int> next{0}; // only a counter: every instance has its own connection
    return QStringLiteral("vemla-archive-%1").arg(next++);
}

QString Joined(const auto& numbers) {
    QStringList parts;
    for (auto n : numbers)
        parts << QString::number(n);
    return parts.join(QLatin1Char(','));
}

std::vector<int> Numbers(const QString& text) {
    std::vector<int> out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.push_back(part.toInt());
    return out;
}

QString DateText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// NULL and '' read back the same; a null QString would bind as NULL in a NOT NULL column.
QString NotNull(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

int NativeCode(const QSqlError& e) {
    return e.nativeErrorCode().toInt();
}

} // namespace

struct MeasurementArchive::Impl {
    QString connection;
    QSqlDatabase db;
    // The records' insert goes to SQLite itself on the driver's own connection: Qt's binding
    // costs more than the insert (a string key per bound value), and the writer would take that
    // CPU from the upload it keeps.
    sqlite3* handle = nullptr;
    sqlite3_stmt* insertRecord = nullptr;

    ~Impl() { sqlite3_finalize(insertRecord); }
    sqlite3* Handle() {
        const QVariant h = db.driver()->handle();
        if (!handle && h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
            handle = *static_cast<sqlite3* const*>(h.constData());
        return handle;
    }
    bool PrepareInsert(QSqlError* error) {
        if (insertRecord)
            return true;
        if (Handle() && sqlite3_prepare_v2(handle,
                                           "INSERT INTO record (version, row, raw, t0, t1, t2, t3, "
                                           "t4, t5, t6) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                                           -1, &insertRecord, nullptr) == SQLITE_OK)
            return true;
        *error = NativeError();
        return false;
    }
    bool Insert(qint64 version, int row, const archive_op::AddRecord& r, QSqlError* error) {
        sqlite3_bind_int64(insertRecord, 1, version);
        sqlite3_bind_int(insertRecord, 2, row);
        sqlite3_bind_blob(insertRecord, 3, r.raw.data(), int(r.raw.size()), SQLITE_STATIC);
        for (int c = 0; c < kTexts; ++c) {
            const QString& t = r.texts[static_cast<std::size_t>(c)];
            sqlite3_bind_text16(insertRecord, 4 + c, t.utf16(), int(t.size() * 2), SQLITE_STATIC);
        }
        const int code = sqlite3_step(insertRecord);
        sqlite3_reset(insertRecord);
        if (code == SQLITE_DONE)
            return true;
        *error = NativeError();
        return false;
    }
    QSqlError NativeError() const {
        if (!handle)
            return QSqlError(QStringLiteral("no SQLite handle"), {}, QSqlError::ConnectionError);
        return QSqlError({}, QString::fromUtf8(sqlite3_errmsg(handle)), QSqlError::StatementError,
                         QString::number(sqlite3_errcode(handle)));
    }

    QSqlQuery Query() const { return QSqlQuery(db); }
    bool Exec(const QString& sql, QSqlError* error = nullptr) {
        QSqlQuery q(db);
        if (q.exec(sql))
            return true;
        if (error)
            *error = q.lastError();
        return false;
    }
};

MeasurementArchive::MeasurementArchive() = default;

MeasurementArchive::~MeasurementArchive() {
    Close();
}

QString MeasurementArchive::DefaultPath() {
    const QString env = qEnvironmentVariable("VEMLA_ARCHIVE");
    if (!env.isEmpty())
        return env;
    // Spelled out rather than AppDataLocation, so the command-line tool finds the window's file
    // whatever name its QCoreApplication has.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Vemla/archive.sqlite");
}

void MeasurementArchive::Close() {
    if (!m_impl)
        return;
    sqlite3_finalize(m_impl->insertRecord); // before the close, which refuses open statements
    m_impl->insertRecord = nullptr;
    m_impl->db.close();
    m_impl->db = QSqlDatabase();
    const QString name = m_impl->connection;
    m_impl.reset();
    QSqlDatabase::removeDatabase(name);
    m_state = ArchiveState::Off;
}

ArchiveOpenResult MeasurementArchive::Open(const QString& path, Language language) {
    Close();
    m_path = path;
    m_offReason.clear();
    const auto off = [&](const QString& why) {
        Close();
        m_offReason = why;
        return ArchiveOpenResult{ArchiveState::Off, Pick(text::kArchiveOff, language).arg(why)};
    };
    // The archive holds operators' and companies' names: its folder and files are the user's
    // alone. SQLite gives its -wal, -shm and -journal the main file's mode.
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QByteArray folderName = QFile::encodeName(folder);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath()) ||
        (::mkdir(folderName.constData(), 0700) != 0 && errno != EEXIST) ||
        !QFileInfo(folder).isDir())
        return off(QStringLiteral("cannot make the folder %1").arg(folder));
    const QByteArray fileName = QFile::encodeName(path);
    const int created =
        ::open(fileName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (created >= 0)
        ::close(created);

    QString moved;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto connect = [&](bool readOnly) {
            Close();
            m_impl = std::make_unique<Impl>();
            m_impl->connection = ConnectionName();
            m_impl->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_impl->connection);
            m_impl->db.setDatabaseName(path);
            m_impl->db.setConnectOptions(
                QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
                    .arg(kBusyTimeoutMs)
                    .arg(readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
            return m_impl->db.open();
        };
        if (!connect(false))
            return off(m_impl->db.lastError().driverText() + QLatin1Char(' ') +
                       m_impl->db.lastError().databaseText());

        // Nothing is written before the version is known: a newer Vemla's file stays as it is.
        // Only the header and the schema are read, so opening costs the same at any size;
        // SQLite's journal keeps the rest whole across a kill, and Check reads it all on demand.
        QSqlQuery check = m_impl->Query();
        const bool checked =
            check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && check.next();
        const int code = checked ? 0 : NativeCode(check.lastError());
        const bool damaged = !checked && (code == SQLITE_NOTADB || code == SQLITE_CORRUPT);
        check.finish();
        if (!checked && !damaged)
            return off(check.lastError().databaseText());
        if (damaged) {
            if (attempt > 0)
                return off(QStringLiteral("the new archive is damaged too"));
            Close();
            moved = path + QStringLiteral(".corrupt-") +
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
            if (!QFile::rename(path, moved))
                return off(QStringLiteral("cannot move the damaged file aside"));
            // Its journal belongs to it, not to the new file.
            for (const char* tail : {"-wal", "-shm"})
                QFile::rename(path + QLatin1String(tail), moved + QLatin1String(tail));
            continue;
        }

        QSqlQuery version = m_impl->Query();
        if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next())
            return off(version.lastError().databaseText());
        const int found = version.value(0).toInt();
        version.finish();
        if (found > kSchemaVersion) {
            if (!connect(true))
                return off(m_impl->db.lastError().databaseText());
            m_state = ArchiveState::ReadOnly;
            return {m_state, Pick(text::kArchiveNewer, language).arg(path)};
        }

        QSqlError error;
        for (const char* pragma :
             {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON"})
            if (!m_impl->Exec(QLatin1String(pragma), &error))
                return off(error.databaseText());
        // Two processes may meet a fresh file: the version is read again inside the lock.
        if (found < kSchemaVersion) {
            if (!m_impl->Exec(QStringLiteral("BEGIN IMMEDIATE"), &error))
                return off(error.databaseText());
            QSqlQuery again = m_impl->Query();
            int at = again.exec(QStringLiteral("PRAGMA user_version")) && again.next()
                         ? again.value(0).toInt()
                         : kSchemaVersion;
            again.finish();
            bool ok = true;
            for (; ok && at < kSchemaVersion; ++at)
                for (const char* statement : kMigrations[static_cast<std::size_t>(at)])
                    ok = ok && m_impl->Exec(QLatin1String(statement), &error);
            ok = ok &&
                 m_impl->Exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion),
                              &error) &&
                 m_impl->Exec(QStringLiteral("COMMIT"), &error);
            if (!ok) {
                m_impl->Exec(QStringLiteral("ROLLBACK"));
                return off(error.databaseText());
            }
        }
        m_state = ArchiveState::ReadWrite;
        MarkDeadUploadsInterrupted();
        if (moved.isEmpty())
            return {m_state, {}};
        return {m_state, Pick(text::kArchiveCorrupt, language).arg(moved)};
    }
    return off(QStringLiteral("cannot open"));
}

void MeasurementArchive::MarkDeadUploadsInterrupted() {
    // Read first, so an open with nothing to mark takes no lock and writes nothing.
    QSqlQuery open = m_impl->Query();
    QStringList dead;
    if (open.exec(QStringLiteral("SELECT DISTINCT open_by FROM version WHERE open_by <> ''")))
        while (open.next())
            if (!ProcessMarkAlive(open.value(0).toString()))
                dead << open.value(0).toString();
    open.finish();
    for (const QString& mark : dead) {
        QSqlQuery q = m_impl->Query();
        q.prepare(
            QStringLiteral("UPDATE version SET interrupted = 1, open_by = '' WHERE open_by = ?"));
        q.addBindValue(mark);
        q.exec(); // a lock held elsewhere: the next open marks them
    }
}

void MeasurementArchive::SetBusyTimeout(int ms) {
    if (m_impl && m_impl->Handle())
        sqlite3_busy_timeout(m_impl->handle, std::max(ms, 0));
}

ArchiveCheckResult MeasurementArchive::Check(const QString& path, Language language) {
    ArchiveCheckResult result;
    if (!QFileInfo(path).isFile()) {
        result.message = Pick(text::kArchiveCheckMissing, language).arg(path);
        return result;
    }
    const QString name = ConnectionName();
    QStringList found;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_READONLY").arg(kBusyTimeoutMs));
        QSqlQuery q(db);
        if (!db.open())
            found << db.lastError().text();
        else if (!q.exec(QStringLiteral("PRAGMA integrity_check")))
            found << q.lastError().text();
        while (q.isActive() && q.next())
            found << q.value(0).toString();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    result.sound = found == QStringList{QStringLiteral("ok")};
    if (result.sound) {
        result.message = Pick(text::kArchiveCheckSound, language).arg(path);
        return result;
    }
    const qsizetype shown = std::min<qsizetype>(found.size(), kCheckLinesShown);
    result.message = Pick(text::kArchiveCheckDamaged, language)
                         .arg(path, found.mid(0, shown).join(QLatin1Char('\n')))
                         .arg(found.size());
    return result;
}

bool MeasurementArchive::Apply(std::span<const ArchiveOp> ops, ArchiveCursor& cursor,
                               QString* errorText, bool* busy) {
    if (busy)
        *busy = false;
    if (m_state != ArchiveState::ReadWrite || !m_impl) {
        if (errorText)
            *errorText = QStringLiteral("the archive is not open for writing");
        return false;
    }
    Impl& d = *m_impl;
    QSqlError error;
    const auto fail = [&](const QSqlError& e) {
        if (busy)
            // A lock held elsewhere: retried later, never reported as a fault.
            *busy = NativeCode(e) == SQLITE_BUSY || NativeCode(e) == SQLITE_LOCKED;
        if (errorText)
            *errorText = e.databaseText().isEmpty() ? e.text() : e.databaseText();
        return false;
    };
    if (!d.Exec(QStringLiteral("BEGIN IMMEDIATE"), &error))
        return fail(error);

    const ArchiveCursor before = cursor;
    if (cursor.version != 0) {
        // The job may have been deleted meanwhile (the history window, another Vemla): what
        // follows for it has nowhere to go, and must not hold up what comes after.
        QSqlQuery exists = d.Query();
        exists.prepare(QStringLiteral("SELECT 1 FROM version WHERE id = ?"));
        exists.addBindValue(cursor.version);
        if (exists.exec() && !exists.next())
            cursor = ArchiveCursor{};
    }
    std::set<qint64> searchDirty;
    const auto run = [&](QSqlQuery& q) {
        if (q.exec())
            return true;
        error = q.lastError();
        return false;
    };
    const auto saveCount = [&]() {
        if (cursor.version == 0)
            return true;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral("UPDATE version SET count = ? WHERE id = ?"));
        q.addBindValue(cursor.count);
        q.addBindValue(cursor.version);
        return run(q);
    };
    const auto beginVersion = [&](const QDateTime& began) {
        QSqlQuery q = d.Query();
        q.prepare(
            QStringLiteral("INSERT INTO version (job, number, began) VALUES (?, "
                           "(SELECT ifnull(max(number), 0) + 1 FROM version WHERE job = ?), ?)"));
        q.addBindValue(cursor.job);
        q.addBindValue(cursor.job);
        q.addBindValue(began.toMSecsSinceEpoch());
        if (!run(q))
            return false;
        cursor.version = q.lastInsertId().toLongLong();
        cursor.count = 0;
        QSqlQuery n = d.Query();
        n.prepare(QStringLiteral("SELECT number FROM version WHERE id = ?"));
        n.addBindValue(cursor.version);
        if (!run(n) || !n.next())
            return false;
        cursor.versionNumber = n.value(0).toInt();
        return true;
    };
    if (!d.PrepareInsert(&error)) {
        d.Exec(QStringLiteral("ROLLBACK"));
        return fail(error);
    }

    bool ok = true;
    for (const ArchiveOp& any : ops) {
        if (!ok)
            break;
        if (const auto* job = std::get_if<archive_op::BeginJob>(&any)) {
            ok = saveCount();
            QSqlQuery q = d.Query();
            q.prepare(QStringLiteral(
                "INSERT INTO job (began, port, device, waves, lasers, language, company, model, "
                "serial_number, test_operator, notes, search) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '')"));
            for (const QVariant& v :
                 {QVariant(job->began.toMSecsSinceEpoch()), QVariant(job->port),
                  QVariant(NotNull(job->device)), QVariant(NotNull(Joined(job->waves))),
                  QVariant(NotNull(Joined(job->lasers))), QVariant(static_cast<int>(job->language)),
                  QVariant(NotNull(job->header.company)), QVariant(NotNull(job->header.model)),
                  QVariant(NotNull(job->header.serialNumber)),
                  QVariant(NotNull(job->header.testOperator)),
                  QVariant(NotNull(job->header.notes))})
                q.addBindValue(v);
            ok = ok && run(q);
            if (ok) {
                cursor.job = q.lastInsertId().toLongLong();
                searchDirty.insert(cursor.job);
                ok = beginVersion(job->began);
            }
        } else if (const auto* version = std::get_if<archive_op::BeginVersion>(&any)) {
            if (cursor.job != 0)
                ok = saveCount() && beginVersion(version->began);
        } else if (const auto* attach = std::get_if<archive_op::AttachJob>(&any)) {
            ok = saveCount();
            QSqlQuery q = d.Query();
            q.prepare(QStringLiteral("SELECT id, number, count FROM version WHERE job = ? "
                                     "ORDER BY number DESC LIMIT 1"));
            q.addBindValue(attach->jobId);
            ok = ok && run(q);
            // A job deleted meanwhile takes nothing more.
            cursor = ArchiveCursor{};
            if (ok && q.next())
                cursor = {attach->jobId, q.value(0).toLongLong(), q.value(1).toInt(),
                          q.value(2).toInt()};
        } else if (const auto* record = std::get_if<archive_op::AddRecord>(&any)) {
            if (cursor.version == 0)
                continue;
            const int row = std::clamp(record->row, 0, cursor.count);
            if (row < cursor.count) {
                // Rows after it move down one; through negatives, so no two rows share a key.
                QSqlQuery shift = d.Query();
                shift.prepare(QStringLiteral(
                    "UPDATE record SET row = -row - 1 WHERE version = ? AND row >= ?"));
                shift.addBindValue(cursor.version);
                shift.addBindValue(row);
                QSqlQuery back = d.Query();
                back.prepare(
                    QStringLiteral("UPDATE record SET row = -row WHERE version = ? AND row < 0"));
                back.addBindValue(cursor.version);
                ok = run(shift) && run(back);
            }
            ok = ok && d.Insert(cursor.version, row, *record, &error);
            ++cursor.count;
            if (!record->texts[kNoteColumn].isEmpty())
                searchDirty.insert(cursor.job);
        } else if (const auto* set = std::get_if<archive_op::SetText>(&any)) {
            if (cursor.version == 0 || set->column < 0 || set->column >= kTexts)
                continue;
            QSqlQuery q = d.Query();
            q.prepare(QStringLiteral("UPDATE record SET t%1 = ? WHERE version = ? AND row = ?")
                          .arg(set->column));
            q.addBindValue(set->text);
            q.addBindValue(cursor.version);
            q.addBindValue(set->row);
            ok = run(q);
            if (set->column == kNoteColumn)
                searchDirty.insert(cursor.job);
        } else if (const auto* header = std::get_if<archive_op::SetHeader>(&any)) {
            if (cursor.job == 0)
                continue;
            QSqlQuery q = d.Query();
            q.prepare(QStringLiteral("UPDATE job SET company = ?, model = ?, serial_number = ?, "
                                     "test_operator = ?, notes = ? WHERE id = ?"));
            const HeaderFields& h = header->header;
            for (const QString* s :
                 {&h.company, &h.model, &h.serialNumber, &h.testOperator, &h.notes})
                q.addBindValue(NotNull(*s));
            q.addBindValue(cursor.job);
            ok = run(q);
            searchDirty.insert(cursor.job);
        } else if (const auto* cert = std::get_if<archive_op::SetCertification>(&any)) {
            if (cursor.version == 0)
                continue;
            QSqlQuery q = d.Query();
            q.prepare(QStringLiteral("UPDATE version SET certification = ? WHERE id = ?"));
            q.addBindValue(NotNull(cert->json));
            q.addBindValue(cursor.version);
            ok = run(q);
        } else if (std::holds_alternative<archive_op::MarkInterrupted>(any) ||
                   std::holds_alternative<archive_op::UploadOpen>(any) ||
                   std::holds_alternative<archive_op::UploadEnded>(any)) {
            if (cursor.version == 0)
                continue;
            const bool open = std::holds_alternative<archive_op::UploadOpen>(any);
            const bool cut = std::holds_alternative<archive_op::MarkInterrupted>(any);
            const auto* ended = std::get_if<archive_op::UploadEnded>(&any);
            QSqlQuery q = d.Query();
            q.prepare(QStringLiteral("UPDATE version SET open_by = ?%1 WHERE id = ?")
                          .arg(cut     ? QStringLiteral(", interrupted = 1")
                               : ended ? QStringLiteral(", skipped = %1").arg(ended->skipped)
                                       : QString()));
            q.addBindValue(open ? OwnProcessMark() : QStringLiteral(""));
            q.addBindValue(cursor.version);
            ok = run(q);
        } else if (const auto* language = std::get_if<archive_op::SetLanguage>(&any)) {
            if (cursor.job == 0)
                continue;
            QSqlQuery q = d.Query();
            q.prepare(QStringLiteral("UPDATE job SET language = ? WHERE id = ?"));
            q.addBindValue(static_cast<int>(language->language));
            q.addBindValue(cursor.job);
            ok = run(q);
        }
    }
    ok = ok && saveCount();

    // The history filter looks in one lower-case text per job, kept here whenever a part of it
    // changes, so a keystroke's search never reads the records.
    for (qint64 job : searchDirty) {
        if (!ok)
            break;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral(
            "SELECT began, port, device, company, test_operator, notes FROM job WHERE id = ?"));
        q.addBindValue(job);
        if (!(ok = run(q)) || !q.next())
            continue;
        QStringList parts{DateText(q.value(0).toLongLong()),
                          QStringLiteral("COM%1").arg(q.value(1).toUInt()),
                          q.value(2).toString(),
                          q.value(3).toString(),
                          q.value(4).toString(),
                          q.value(5).toString()};
        QSqlQuery notes = d.Query();
        notes.prepare(QStringLiteral("SELECT r.t6 FROM record r JOIN version v ON r.version = "
                                     "v.id WHERE v.job = ? AND r.t6 <> ''"));
        notes.addBindValue(job);
        ok = run(notes);
        while (ok && notes.next())
            parts << notes.value(0).toString();
        QSqlQuery update = d.Query();
        update.prepare(QStringLiteral("UPDATE job SET search = ? WHERE id = ?"));
        update.addBindValue(parts.join(QLatin1Char('\n')).toLower());
        update.addBindValue(job);
        ok = ok && run(update);
    }

    if (ok && d.Exec(QStringLiteral("COMMIT"), &error))
        return true;
    d.Exec(QStringLiteral("ROLLBACK"));
    cursor = before;
    return fail(error);
}

std::vector<ArchivedJob> MeasurementArchive::Jobs(const QString& filter, int limit) const {
    std::vector<ArchivedJob> jobs;
    if (!m_impl)
        return jobs;
    QSqlQuery q = m_impl->Query();
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT j.id, j.began, j.port, j.device, j.company, j.test_operator, j.notes, v.count, "
        "v.number, v.interrupted FROM job j JOIN version v ON v.job = j.id AND v.number = "
        "(SELECT max(number) FROM version WHERE job = j.id) "
        "WHERE ? = '' OR instr(j.search, ?) > 0 ORDER BY j.began DESC, j.id DESC LIMIT ?"));
    const QString needle = NotNull(filter.toLower());
    q.addBindValue(needle);
    q.addBindValue(needle);
    q.addBindValue(std::max(limit, 0));
    if (!q.exec())
        return jobs;
    while (q.next()) {
        ArchivedJob j;
        j.id = q.value(0).toLongLong();
        j.began = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong());
        j.port = q.value(2).toUInt();
        j.device = q.value(3).toString();
        j.company = q.value(4).toString();
        j.testOperator = q.value(5).toString();
        j.notes = q.value(6).toString();
        j.recordCount = q.value(7).toInt();
        j.versionCount = q.value(8).toInt();
        j.interrupted = q.value(9).toInt() != 0;
        jobs.push_back(std::move(j));
    }
    return jobs;
}

std::optional<ArchivedUpload> MeasurementArchive::Load(qint64 jobId, int version) const {
    if (!m_impl)
        return std::nullopt;
    QSqlQuery job = m_impl->Query();
    job.prepare(QStringLiteral(
        "SELECT began, port, device, waves, lasers, language, company, model, serial_number, "
        "test_operator, notes, (SELECT max(number) FROM version WHERE job = job.id) "
        "FROM job WHERE id = ?"));
    job.addBindValue(jobId);
    if (!job.exec() || !job.next())
        return std::nullopt;
    ArchivedUpload up;
    up.jobId = jobId;
    up.began = QDateTime::fromMSecsSinceEpoch(job.value(0).toLongLong());
    up.port = job.value(1).toUInt();
    up.device = job.value(2).toString();
    up.waves = Numbers(job.value(3).toString());
    const std::vector<int> lasers = Numbers(job.value(4).toString());
    for (std::size_t i = 0; i < up.lasers.size() && i < lasers.size(); ++i)
        up.lasers[i] = static_cast<uint32_t>(lasers[i]);
    up.language = job.value(5).toInt() == 0 ? Language::English : Language::Chinese;
    up.header = {job.value(6).toString(), job.value(7).toString(), job.value(8).toString(),
                 job.value(9).toString(), job.value(10).toString()};
    up.versionCount = job.value(11).toInt();
    up.version = version == kLatest ? up.versionCount : version;

    QSqlQuery v = m_impl->Query();
    v.prepare(QStringLiteral("SELECT id, count, certification, interrupted, skipped FROM version "
                             "WHERE job = ? AND number = ?"));
    v.addBindValue(jobId);
    v.addBindValue(up.version);
    if (!v.exec() || !v.next())
        return std::nullopt;
    const qint64 versionId = v.value(0).toLongLong();
    up.certification = v.value(2).toString();
    up.interrupted = v.value(3).toInt() != 0;
    up.skippedRecords = std::max(0, v.value(4).toInt());
    up.records.reserve(static_cast<std::size_t>(std::max(0, v.value(1).toInt())));

    // Read through SQLite itself, like the insert: a QVariant per value would double the time.
    sqlite3_stmt* r = nullptr;
    if (!m_impl->Handle() ||
        sqlite3_prepare_v2(m_impl->handle,
                           "SELECT raw, t0, t1, t2, t3, t4, t5, t6 FROM record WHERE version = ? "
                           "ORDER BY row",
                           -1, &r, nullptr) != SQLITE_OK)
        return std::nullopt;
    sqlite3_bind_int64(r, 1, versionId);
    int code;
    while ((code = sqlite3_step(r)) == SQLITE_ROW) {
        MeterRecord record;
        const std::size_t n = std::min(record.raw.size(), std::size_t(sqlite3_column_bytes(r, 0)));
        if (n > 0)
            std::copy_n(static_cast<const uint8_t*>(sqlite3_column_blob(r, 0)), n,
                        record.raw.begin());
        record.values = DecodeRecord(ReplyFrame(record.raw));
        for (int c = 0; c < kTexts; ++c) {
            const void* text = sqlite3_column_text16(r, 1 + c);
            record.texts[std::size_t(c)] =
                QString(static_cast<const QChar*>(text), sqlite3_column_bytes16(r, 1 + c) / 2);
        }
        up.records.push_back(std::move(record));
    }
    sqlite3_finalize(r);
    if (code != SQLITE_DONE)
        return std::nullopt;
    return up;
}

bool MeasurementArchive::Delete(qint64 jobId) {
    if (m_state != ArchiveState::ReadWrite || !m_impl)
        return false;
    QSqlQuery q = m_impl->Query();
    q.prepare(QStringLiteral("DELETE FROM job WHERE id = ?"));
    q.addBindValue(jobId);
    return q.exec() && q.numRowsAffected() > 0;
}

} // namespace vemla
