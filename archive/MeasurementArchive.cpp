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
#include <limits>
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
    {
        // Projects: particulars, rules and limits (JSON), expected wavelengths ("850,1300").
        "CREATE TABLE project (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
        "customer TEXT NOT NULL, site TEXT NOT NULL, notes TEXT NOT NULL, "
        "certification TEXT NOT NULL, waves TEXT NOT NULL, both_directions INTEGER NOT NULL, "
        "direction_rule INTEGER NOT NULL, direction_threshold REAL NOT NULL)",
        // The plan in its order; a place stays with its cable ID through renames.
        "CREATE TABLE cable (project INTEGER NOT NULL REFERENCES project (id) ON DELETE CASCADE, "
        "place INTEGER NOT NULL, cable_id TEXT NOT NULL, length_km REAL, connections INTEGER, "
        "splices INTEGER, from_end TEXT NOT NULL, to_end TEXT NOT NULL, notes TEXT NOT NULL, "
        "PRIMARY KEY (project, place), UNIQUE (project, cable_id))",
        "CREATE TABLE project_upload (job INTEGER PRIMARY KEY REFERENCES job (id) ON DELETE "
        "CASCADE, project INTEGER NOT NULL REFERENCES project (id) ON DELETE CASCADE, "
        "direction INTEGER NOT NULL)",
        // Every reading given to a cable ID, in the order given; chosen marks the one that counts
        // at its (place, wavelength, direction), the others are the retests' history.
        "CREATE TABLE reading (id INTEGER PRIMARY KEY, project INTEGER NOT NULL REFERENCES "
        "project (id) ON DELETE CASCADE, place INTEGER NOT NULL, wavelength INTEGER NOT NULL, "
        "direction INTEGER NOT NULL, version INTEGER NOT NULL REFERENCES version (id) ON DELETE "
        "CASCADE, row INTEGER NOT NULL, chosen INTEGER NOT NULL)",
        "CREATE INDEX reading_slot ON reading (project, place, wavelength, direction)",
        "CREATE TABLE project_change (id INTEGER PRIMARY KEY, project INTEGER NOT NULL "
        "REFERENCES project (id) ON DELETE CASCADE, at INTEGER NOT NULL, by_user TEXT NOT NULL, "
        "what TEXT NOT NULL)",
    },
    {
        // What undoing a change needs, as JSON (the readings of the slots it touched, the cable
        // row before an edit, the upload a tie gave); '' where it cannot be or has been undone.
        "ALTER TABLE project_change ADD COLUMN undo TEXT NOT NULL DEFAULT ''",
        // An undo puts readings back under their own ids, so an id must never be given again,
        // not even to another project's reading after this one's was deleted: AUTOINCREMENT.
        "CREATE TABLE reading_kept (id INTEGER PRIMARY KEY AUTOINCREMENT, project INTEGER NOT "
        "NULL REFERENCES project (id) ON DELETE CASCADE, place INTEGER NOT NULL, wavelength "
        "INTEGER NOT NULL, direction INTEGER NOT NULL, version INTEGER NOT NULL REFERENCES "
        "version (id) ON DELETE CASCADE, row INTEGER NOT NULL, chosen INTEGER NOT NULL)",
        "INSERT INTO reading_kept SELECT * FROM reading",
        "DROP TABLE reading",
        "ALTER TABLE reading_kept RENAME TO reading",
        "CREATE INDEX reading_slot ON reading (project, place, wavelength, direction)",
        // A project's readings in the order they came (an index ends in the row id): the ledger
        // every view reads walks it without a sort; a slot's look-ups keep to reading_slot.
        "CREATE INDEX reading_project ON reading (project)",
    },
    {
        // The shared archive's outbox. A version needs sending while change_seq > pushed_seq;
        // rows below pushed_rows are on the server as they are here. claimed_from is set while
        // a send is under way (the rows from there on are then in flight), so a sync that dies
        // mid-send leaves them waiting, not lost. made_by is the station that made a version
        // ('' this one); pulled is the server's mark of a version copied from it.
        "CREATE TABLE sync_station (id INTEGER PRIMARY KEY CHECK (id = 1), station TEXT NOT NULL)",
        "ALTER TABLE version ADD COLUMN change_seq INTEGER NOT NULL DEFAULT 1",
        "ALTER TABLE version ADD COLUMN pushed_seq INTEGER NOT NULL DEFAULT 0",
        "ALTER TABLE version ADD COLUMN pushed_rows INTEGER NOT NULL DEFAULT 0",
        "ALTER TABLE version ADD COLUMN claimed_from INTEGER",
        "ALTER TABLE version ADD COLUMN made_by TEXT NOT NULL DEFAULT ''",
        "ALTER TABLE version ADD COLUMN pulled TEXT NOT NULL DEFAULT ''",
        // Only the waiting versions are in it: finding them costs nothing in a large file.
        "CREATE INDEX version_outbox ON version (id) WHERE change_seq > pushed_seq",
        // Other stations' jobs copied here: their station and their id there ('' ours).
        "ALTER TABLE job ADD COLUMN station TEXT NOT NULL DEFAULT ''",
        "ALTER TABLE job ADD COLUMN remote_id INTEGER",
        "CREATE UNIQUE INDEX job_remote ON job (station, remote_id) WHERE station <> ''",
        // The server knows a job by its id here: an id must never be given again, and SQLite
        // gives the highest one again once its job is deleted. The highest ever given is kept.
        "CREATE TABLE job_id_high (id INTEGER PRIMARY KEY CHECK (id = 1), top INTEGER NOT NULL)",
        "CREATE TRIGGER job_id_kept AFTER DELETE ON job BEGIN INSERT INTO job_id_high VALUES "
        "(1, OLD.id) ON CONFLICT (id) DO UPDATE SET top = max(top, excluded.top); END",
    },
    {
        // Projects beside the shared archive: the last history line whose state the server has
        // (a newer line means the project is sent again), the server's mark of the other
        // stations' readings last taken in, and the shared plan's revision last taken or sent.
        "CREATE TABLE project_sync (project INTEGER PRIMARY KEY REFERENCES project (id) ON "
        "DELETE CASCADE, pushed_change INTEGER NOT NULL DEFAULT 0, readings_mark TEXT NOT NULL "
        "DEFAULT '', plan_revision INTEGER NOT NULL DEFAULT 0)",
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

// The archive holds operators' and companies' names: its folder and files are the user's
// alone. SQLite gives its -wal, -shm and -journal the main file's mode. Empty when done,
// otherwise why not.
QString MakePrivateFile(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray folderName = QFile::encodeName(folder);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath()) ||
        (::mkdir(folderName.constData(), 0700) != 0 && errno != EEXIST) ||
        !QFileInfo(folder).isDir())
        return QStringLiteral("cannot make the folder %1").arg(folder);
    const QByteArray fileName = QFile::encodeName(path);
    const int created =
        ::open(fileName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (created >= 0)
        ::close(created);
    return {};
}

// Moves a damaged file aside, its journal with it (it belongs to it, not to a new file); the
// name it now has, or empty when it could not be moved.
QString MoveAside(const QString& path) {
    const QString moved = path + QStringLiteral(".corrupt-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    if (!QFile::rename(path, moved))
        return {};
    for (const char* tail : {"-wal", "-shm"})
        QFile::rename(path + QLatin1String(tail), moved + QLatin1String(tail));
    return moved;
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

    enum class Header { Sound, Damaged, Unreadable };
    Header CheckHeader(QString* why);
    std::optional<int> UserVersion(QString* why);
    bool Upgrade(int found, QSqlError* error);

    bool ReadJob(qint64 jobId, ArchivedUpload& up);
    std::optional<qint64> ReadVersion(ArchivedUpload& up);
    bool ReadRecords(qint64 versionId, std::vector<MeterRecord>& records);

    class Batch;
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
    if (const QString why = MakePrivateFile(path); !why.isEmpty())
        return TurnOff(why, language);
    QString moved;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!Connect(path, false))
            return TurnOff(m_impl->db.lastError().driverText() + QLatin1Char(' ') +
                               m_impl->db.lastError().databaseText(),
                           language);
        QString why;
        switch (m_impl->CheckHeader(&why)) {
        case Impl::Header::Sound:
            return OpenSound(path, moved, language);
        case Impl::Header::Unreadable:
            return TurnOff(why, language);
        case Impl::Header::Damaged:
            break;
        }
        if (attempt > 0)
            return TurnOff(QStringLiteral("the new archive is damaged too"), language);
        Close();
        moved = MoveAside(path);
        if (moved.isEmpty())
            return TurnOff(QStringLiteral("cannot move the damaged file aside"), language);
    }
    return TurnOff(QStringLiteral("cannot open"), language);
}

ArchiveOpenResult MeasurementArchive::TurnOff(const QString& why, Language language) {
    Close();
    m_offReason = why;
    return {ArchiveState::Off, Pick(text::kArchiveOff, language).arg(why)};
}

bool MeasurementArchive::Connect(const QString& path, bool readOnly) {
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
}

// Nothing is written before the version is known: a newer Vemla's file stays as it is. The
// damaged file was moved aside to `moved` (empty when none was).
ArchiveOpenResult MeasurementArchive::OpenSound(const QString& path, const QString& moved,
                                                Language language) {
    QString why;
    const std::optional<int> found = m_impl->UserVersion(&why);
    if (!found)
        return TurnOff(why, language);
    if (*found > kSchemaVersion) {
        if (!Connect(path, true))
            return TurnOff(m_impl->db.lastError().databaseText(), language);
        m_state = ArchiveState::ReadOnly;
        return {m_state, Pick(text::kArchiveNewer, language).arg(path)};
    }
    QSqlError error;
    if (!m_impl->Upgrade(*found, &error))
        return TurnOff(error.databaseText(), language);
    m_state = ArchiveState::ReadWrite;
    MarkDeadUploadsInterrupted();
    if (moved.isEmpty())
        return {m_state, {}};
    return {m_state, Pick(text::kArchiveCorrupt, language).arg(moved)};
}

// Only the header and the schema are read, so opening costs the same at any size; SQLite's
// journal keeps the rest whole across a kill, and Check reads it all on demand.
MeasurementArchive::Impl::Header MeasurementArchive::Impl::CheckHeader(QString* why) {
    QSqlQuery check = Query();
    if (check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && check.next())
        return Header::Sound;
    const int code = NativeCode(check.lastError());
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        return Header::Damaged;
    *why = check.lastError().databaseText();
    return Header::Unreadable;
}

std::optional<int> MeasurementArchive::Impl::UserVersion(QString* why) {
    QSqlQuery version = Query();
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        *why = version.lastError().databaseText();
        return std::nullopt;
    }
    return version.value(0).toInt();
}

// The connection's settings, then the schema steps from version `found` on.
bool MeasurementArchive::Impl::Upgrade(int found, QSqlError* error) {
    for (const char* pragma :
         {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON"})
        if (!Exec(QLatin1String(pragma), error))
            return false;
    if (found >= kSchemaVersion)
        return true;
    // Two processes may meet a fresh file: the version is read again inside the lock.
    if (!Exec(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    QSqlQuery again = Query();
    int at = again.exec(QStringLiteral("PRAGMA user_version")) && again.next()
                 ? again.value(0).toInt()
                 : kSchemaVersion;
    again.finish();
    bool ok = true;
    for (; ok && at < kSchemaVersion; ++at)
        for (const char* statement : kMigrations[static_cast<std::size_t>(at)])
            ok = ok && Exec(QLatin1String(statement), error);
    ok = ok && Exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion), error) &&
         Exec(QStringLiteral("COMMIT"), error);
    if (!ok)
        Exec(QStringLiteral("ROLLBACK"));
    return ok;
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
            QStringLiteral("UPDATE version SET interrupted = 1, open_by = '', "
                           "change_seq = change_seq + 1 WHERE open_by = ?"));
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

// One batch of operations inside its transaction: each operation is a call on this, and the
// cursor moves as they go. A call that fails leaves `error` set and the batch is rolled back.
class MeasurementArchive::Impl::Batch {
public:
    Batch(Impl& impl, ArchiveCursor& at) : d(impl), cursor(at) {}

    QSqlError error;
    std::vector<KeptUpload> kept; // told only once the batch is committed

    // The job may have been deleted meanwhile (the history window, another Vemla): what
    // follows for it has nowhere to go, and must not hold up what comes after.
    void ForgetDeletedVersion() {
        if (cursor.version == 0)
            return;
        QSqlQuery exists = d.Query();
        exists.prepare(QStringLiteral("SELECT 1 FROM version WHERE id = ?"));
        exists.addBindValue(cursor.version);
        if (exists.exec() && !exists.next())
            cursor = ArchiveCursor{};
    }

    bool operator()(const archive_op::BeginJob& job) {
        if (!SaveCount())
            return false;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral(
            "INSERT INTO job (id, began, port, device, waves, lasers, language, company, model, "
            "serial_number, test_operator, notes, search) VALUES (max(ifnull((SELECT max(id) "
            "FROM job), 0), ifnull((SELECT top FROM job_id_high), 0)) + 1, "
            "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '')"));
        for (const QVariant& v :
             {QVariant(job.began.toMSecsSinceEpoch()), QVariant(job.port),
              QVariant(NotNull(job.device)), QVariant(NotNull(Joined(job.waves))),
              QVariant(NotNull(Joined(job.lasers))), QVariant(static_cast<int>(job.language)),
              QVariant(NotNull(job.header.company)), QVariant(NotNull(job.header.model)),
              QVariant(NotNull(job.header.serialNumber)),
              QVariant(NotNull(job.header.testOperator)), QVariant(NotNull(job.header.notes))})
            q.addBindValue(v);
        if (!Run(q))
            return false;
        cursor.job = q.lastInsertId().toLongLong();
        searchDirty.insert(cursor.job);
        return BeginVersion(job.began);
    }

    bool operator()(const archive_op::BeginVersion& version) {
        return cursor.job == 0 || (SaveCount() && BeginVersion(version.began));
    }

    bool operator()(const archive_op::AttachJob& attach) {
        if (!SaveCount())
            return false;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral("SELECT id, number, count FROM version WHERE job = ? "
                                 "ORDER BY number DESC LIMIT 1"));
        q.addBindValue(attach.jobId);
        if (!Run(q))
            return false;
        // A job deleted meanwhile takes nothing more.
        cursor = ArchiveCursor{};
        if (q.next())
            cursor = {attach.jobId, q.value(0).toLongLong(), q.value(1).toInt(),
                      q.value(2).toInt()};
        return true;
    }

    bool operator()(const archive_op::AddRecord& record) {
        if (cursor.version == 0)
            return true;
        const int row = std::clamp(record.row, 0, cursor.count);
        if (row < cursor.count && !MakeRoomAt(row))
            return false;
        if (!d.Insert(cursor.version, row, record, &error))
            return false;
        // An append leaves what the server holds as it is; an insert shifts the rows after it.
        Touch(row < cursor.count ? row : kNoRowChanged);
        ++cursor.count;
        if (!record.texts[kNoteColumn].isEmpty())
            searchDirty.insert(cursor.job);
        return true;
    }

    bool operator()(const archive_op::SetText& set) {
        if (cursor.version == 0 || set.column < 0 || set.column >= kTexts)
            return true;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral("UPDATE record SET t%1 = ? WHERE version = ? AND row = ?")
                      .arg(set.column));
        q.addBindValue(set.text);
        q.addBindValue(cursor.version);
        q.addBindValue(set.row);
        if (set.column == kNoteColumn)
            searchDirty.insert(cursor.job);
        Touch(set.row);
        return Run(q);
    }

    bool operator()(const archive_op::SetHeader& header) {
        if (cursor.job == 0)
            return true;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral("UPDATE job SET company = ?, model = ?, serial_number = ?, "
                                 "test_operator = ?, notes = ? WHERE id = ?"));
        const HeaderFields& h = header.header;
        for (const QString* s : {&h.company, &h.model, &h.serialNumber, &h.testOperator, &h.notes})
            q.addBindValue(NotNull(*s));
        q.addBindValue(cursor.job);
        searchDirty.insert(cursor.job);
        Touch(); // the job's fields go to the server with its version
        return Run(q);
    }

    bool operator()(const archive_op::SetLanguage& language) {
        if (cursor.job == 0)
            return true;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral("UPDATE job SET language = ? WHERE id = ?"));
        q.addBindValue(static_cast<int>(language.language));
        q.addBindValue(cursor.job);
        Touch();
        return Run(q);
    }

    bool operator()(const archive_op::SetCertification& cert) {
        if (cursor.version == 0)
            return true;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral("UPDATE version SET certification = ? WHERE id = ?"));
        q.addBindValue(NotNull(cert.json));
        q.addBindValue(cursor.version);
        Touch();
        return Run(q);
    }

    bool operator()(const archive_op::MarkInterrupted&) {
        return MarkUpload(QStringLiteral(""), QStringLiteral(", interrupted = 1"));
    }
    bool operator()(const archive_op::UploadOpen&) { return MarkUpload(OwnProcessMark(), {}); }
    bool operator()(const archive_op::UploadEnded& ended) {
        if (cursor.version != 0)
            kept.push_back({ended.upload, cursor.job});
        return MarkUpload(QStringLiteral(""), QStringLiteral(", skipped = %1").arg(ended.skipped));
    }

    // The version's row count, kept in the version row as the cursor moves on, and what the
    // shared archive must be sent again: one statement per version a batch touched, whatever
    // the number of records.
    bool SaveCount() {
        if (cursor.version == 0 || !touched)
            return true;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral("UPDATE version SET count = ?, change_seq = change_seq + 1, "
                                 "pushed_rows = min(pushed_rows, ?) WHERE id = ?"));
        q.addBindValue(cursor.count);
        q.addBindValue(lowestChanged);
        q.addBindValue(cursor.version);
        touched = false;
        lowestChanged = kNoRowChanged;
        return Run(q);
    }

    // The history filter looks in one lower-case text per job, kept here whenever a part of it
    // changes, so a keystroke's search never reads the records.
    bool UpdateSearchTexts() {
        for (qint64 job : searchDirty)
            if (!UpdateSearchText(job))
                return false;
        return true;
    }

private:
    static constexpr int kNoRowChanged = std::numeric_limits<int>::max();

    // The version under the cursor changed; from `row` on its rows differ from what was sent.
    void Touch(int row = kNoRowChanged) {
        touched = true;
        lowestChanged = std::min(lowestChanged, std::max(row, 0));
    }

    bool Run(QSqlQuery& q) {
        if (q.exec())
            return true;
        error = q.lastError();
        return false;
    }

    bool BeginVersion(const QDateTime& began) {
        QSqlQuery q = d.Query();
        q.prepare(
            QStringLiteral("INSERT INTO version (job, number, began) VALUES (?, "
                           "(SELECT ifnull(max(number), 0) + 1 FROM version WHERE job = ?), ?)"));
        q.addBindValue(cursor.job);
        q.addBindValue(cursor.job);
        q.addBindValue(began.toMSecsSinceEpoch());
        if (!Run(q))
            return false;
        cursor.version = q.lastInsertId().toLongLong();
        cursor.count = 0;
        touched = false; // a new version waits to be sent by its defaults
        lowestChanged = kNoRowChanged;
        QSqlQuery n = d.Query();
        n.prepare(QStringLiteral("SELECT number FROM version WHERE id = ?"));
        n.addBindValue(cursor.version);
        if (!Run(n) || !n.next())
            return false;
        cursor.versionNumber = n.value(0).toInt();
        return true;
    }

    // Rows from `row` on move down one; through negatives, so no two rows share a key.
    bool MakeRoomAt(int row) {
        QSqlQuery shift = d.Query();
        shift.prepare(
            QStringLiteral("UPDATE record SET row = -row - 1 WHERE version = ? AND row >= ?"));
        shift.addBindValue(cursor.version);
        shift.addBindValue(row);
        QSqlQuery back = d.Query();
        back.prepare(QStringLiteral("UPDATE record SET row = -row WHERE version = ? AND row < 0"));
        back.addBindValue(cursor.version);
        return Run(shift) && Run(back);
    }

    // The upload's mark (this process's while it runs, '' once it ended) and what else its end
    // sets: `alsoSet` is ", column = value" or empty.
    bool MarkUpload(const QString& openBy, const QString& alsoSet) {
        if (cursor.version == 0)
            return true;
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral("UPDATE version SET open_by = ?%1 WHERE id = ?").arg(alsoSet));
        q.addBindValue(openBy);
        q.addBindValue(cursor.version);
        if (!alsoSet.isEmpty())
            Touch();
        return Run(q);
    }

    bool UpdateSearchText(qint64 job) {
        QSqlQuery q = d.Query();
        q.prepare(QStringLiteral(
            "SELECT began, port, device, company, test_operator, notes FROM job WHERE id = ?"));
        q.addBindValue(job);
        if (!Run(q))
            return false;
        if (!q.next())
            return true;
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
        if (!Run(notes))
            return false;
        while (notes.next())
            parts << notes.value(0).toString();
        QSqlQuery update = d.Query();
        update.prepare(QStringLiteral("UPDATE job SET search = ? WHERE id = ?"));
        update.addBindValue(parts.join(QLatin1Char('\n')).toLower());
        update.addBindValue(job);
        return Run(update);
    }

    Impl& d;
    ArchiveCursor& cursor;
    std::set<qint64> searchDirty;
    bool touched = false; // the version under the cursor changed in this batch
    int lowestChanged = kNoRowChanged;
};

bool MeasurementArchive::Apply(std::span<const ArchiveOp> ops, ArchiveCursor& cursor,
                               QString* errorText, bool* busy, std::vector<KeptUpload>* kept) {
    if (busy)
        *busy = false;
    if (m_state != ArchiveState::ReadWrite || !m_impl) {
        if (errorText)
            *errorText = QStringLiteral("the archive is not open for writing");
        return false;
    }
    const auto fail = [&](const QSqlError& e) {
        if (busy)
            // A lock held elsewhere: retried later, never reported as a fault.
            *busy = NativeCode(e) == SQLITE_BUSY || NativeCode(e) == SQLITE_LOCKED;
        if (errorText)
            *errorText = e.databaseText().isEmpty() ? e.text() : e.databaseText();
        return false;
    };
    Impl& d = *m_impl;
    Impl::Batch batch(d, cursor);
    if (!d.Exec(QStringLiteral("BEGIN IMMEDIATE"), &batch.error))
        return fail(batch.error);
    const ArchiveCursor before = cursor;
    batch.ForgetDeletedVersion();
    bool ok = d.PrepareInsert(&batch.error);
    for (std::size_t i = 0; ok && i < ops.size(); ++i)
        ok = std::visit(batch, ops[i]);
    if (ok && batch.SaveCount() && batch.UpdateSearchTexts() &&
        d.Exec(QStringLiteral("COMMIT"), &batch.error)) {
        if (kept)
            kept->insert(kept->end(), batch.kept.begin(), batch.kept.end());
        return true;
    }
    d.Exec(QStringLiteral("ROLLBACK"));
    cursor = before;
    return fail(batch.error);
}

std::vector<ArchivedJob> MeasurementArchive::Jobs(const QString& filter, int limit) const {
    std::vector<ArchivedJob> jobs;
    if (!m_impl)
        return jobs;
    QSqlQuery q = m_impl->Query();
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT j.id, j.began, j.port, j.device, j.company, j.test_operator, j.notes, v.count, "
        "v.number, v.interrupted, (SELECT p.name FROM project_upload u JOIN project p ON p.id = "
        "u.project WHERE u.job = j.id) FROM job j JOIN version v ON v.job = j.id AND v.number = "
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
        j.project = q.value(10).toString();
        jobs.push_back(std::move(j));
    }
    return jobs;
}

std::optional<ArchivedUpload> MeasurementArchive::Load(qint64 jobId, int version) const {
    ArchivedUpload up;
    if (!m_impl || !m_impl->ReadJob(jobId, up))
        return std::nullopt;
    up.version = version == kLatest ? up.versionCount : version;
    const std::optional<qint64> versionId = m_impl->ReadVersion(up);
    if (!versionId || !m_impl->ReadRecords(*versionId, up.records))
        return std::nullopt;
    return up;
}

// The job's own fields and how many versions it has; false when the job is not there.
bool MeasurementArchive::Impl::ReadJob(qint64 jobId, ArchivedUpload& up) {
    QSqlQuery job = Query();
    job.prepare(QStringLiteral(
        "SELECT began, port, device, waves, lasers, language, company, model, serial_number, "
        "test_operator, notes, (SELECT max(number) FROM version WHERE job = job.id), station "
        "FROM job WHERE id = ?"));
    job.addBindValue(jobId);
    if (!job.exec() || !job.next())
        return false;
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
    up.station = job.value(12).toString();
    return true;
}

// The fields of up.version; its row id, or nothing when the job has no such version.
std::optional<qint64> MeasurementArchive::Impl::ReadVersion(ArchivedUpload& up) {
    QSqlQuery v = Query();
    v.prepare(QStringLiteral("SELECT id, count, certification, interrupted, skipped FROM version "
                             "WHERE job = ? AND number = ?"));
    v.addBindValue(up.jobId);
    v.addBindValue(up.version);
    if (!v.exec() || !v.next())
        return std::nullopt;
    up.certification = v.value(2).toString();
    up.interrupted = v.value(3).toInt() != 0;
    up.skippedRecords = std::max(0, v.value(4).toInt());
    up.records.reserve(static_cast<std::size_t>(std::max(0, v.value(1).toInt())));
    return v.value(0).toLongLong();
}

// Read through SQLite itself, like the insert: a QVariant per value would double the time.
bool MeasurementArchive::Impl::ReadRecords(qint64 versionId, std::vector<MeterRecord>& records) {
    sqlite3_stmt* r = nullptr;
    if (!Handle() ||
        sqlite3_prepare_v2(handle,
                           "SELECT raw, t0, t1, t2, t3, t4, t5, t6 FROM record WHERE version = ? "
                           "ORDER BY row",
                           -1, &r, nullptr) != SQLITE_OK)
        return false;
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
        records.push_back(std::move(record));
    }
    sqlite3_finalize(r);
    return code == SQLITE_DONE;
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
