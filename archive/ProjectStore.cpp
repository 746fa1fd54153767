#include "ProjectStore.h"

#include "Record.h"
#include "ReplyFrame.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <span>
#include <sqlite3.h>
#include <unordered_map>
#include <pwd.h>
#include <unistd.h>

namespace vemla {
namespace {

// Projects as this store keeps them: their tables and what undoing a change needs.
constexpr int kProjectSchema = 5;
// More rows than any upload holds (the meter counts its records in 16 bits): a row number past it
// in the file is not one of ours.
constexpr qint64 kMaxRecordRows = qint64(1) << 20;

QString LocalUser() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::getuid());
}

QVariant Maybe(const auto& value) {
    return value ? QVariant(*value) : QVariant();
}

QString WaveKey(int wavelength, Direction direction) {
    return QStringLiteral("%1 nm %2").arg(wavelength).arg(DirectionText(direction));
}

// A reading slot: (cable ID index, wavelength, direction).
struct SlotKey {
    int place, wavelength;
    Direction direction;
    auto operator<=>(const SlotKey&) const = default;
};

QJsonValue OptionalJson(const auto& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

QJsonArray CableToJson(int place, const CableLink& c) {
    return {place,
            c.id,
            OptionalJson(c.lengthKm),
            OptionalJson(c.connections),
            OptionalJson(c.splices),
            c.from,
            c.to,
            c.notes};
}

CableLink CableFromJson(const QJsonArray& a) {
    const auto opt = [&](int i, auto kind) {
        using T = decltype(kind);
        return a[i].isNull() ? std::optional<T>() : std::optional<T>(T(a[i].toDouble()));
    };
    return {a[1].toString(), opt(2, 0.0),     opt(3, 0),      opt(4, 0),
            a[5].toString(), a[6].toString(), a[7].toString()};
}

bool TextsFit(const ProjectInfo& info) {
    for (const QString* t : {&info.name, &info.customer, &info.site, &info.notes})
        if (t->size() > kMaxProjectText)
            return false;
    return !info.name.trimmed().isEmpty();
}

// The plan, the project's readings and the records they stand for are read from SQLite itself
// on the driver's own connection: the window reads every one at each refresh, and Qt's result
// cache (a QVariant per value) cost more than the reading.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (db && sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // The first value, then any more in order; the statement read again from its start.
    bool Bind(qint64 value, std::initializer_list<qint64> more = {}) {
        if (!m_stmt || sqlite3_reset(m_stmt) != SQLITE_OK ||
            sqlite3_bind_int64(m_stmt, 1, value) != SQLITE_OK)
            return false;
        int at = 2;
        for (qint64 v : more)
            if (sqlite3_bind_int64(m_stmt, at++, v) != SQLITE_OK)
                return false;
        return true;
    }
    // A row, or false at the end and on a fault (told by Failed).
    bool Next() {
        if (!m_stmt)
            return false;
        m_last = sqlite3_step(m_stmt);
        return m_last == SQLITE_ROW;
    }
    bool Failed() const { return !m_stmt || (m_last != SQLITE_DONE && m_last != SQLITE_ROW); }
    // A write, bound then run to its end; false with SQLite's reason.
    bool Write(qint64 value, std::initializer_list<qint64> more, QString* error) {
        if (Bind(value, more) && sqlite3_step(m_stmt) == SQLITE_DONE)
            return true;
        *error = QString::fromUtf8(m_stmt ? sqlite3_errmsg(sqlite3_db_handle(m_stmt))
                                          : "the statement could not be prepared");
        return false;
    }
    qint64 Int(int column) const { return sqlite3_column_int64(m_stmt, column); }
    double Double(int column) const { return sqlite3_column_double(m_stmt, column); }
    bool Null(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    QString Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(text, text ? sqlite3_column_bytes(m_stmt, column) : 0);
    }
    std::span<const uint8_t> Blob(int column) const {
        const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(m_stmt, column));
        return {data, data ? size_t(sqlite3_column_bytes(m_stmt, column)) : 0};
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_last = SQLITE_DONE;
};

sqlite3* HandleOf(const QSqlDatabase& db) {
    const QVariant h = db.driver()->handle();
    return h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3* const*>(h.constData())
               : nullptr;
}

} // namespace

struct ProjectStore::Impl {
    QString connection;
    QSqlDatabase db;

    // A statement with its values bound in order; false leaves the reason in `error`.
    bool Run(QSqlQuery& q, const QString& sql, const QVariantList& values, QString* error) {
        q = QSqlQuery(db);
        q.prepare(sql);
        // A null QString binds as NULL; every text column here is NOT NULL.
        for (const QVariant& v : values)
            q.addBindValue(v.typeId() == QMetaType::QString && v.toString().isNull()
                               ? QVariant(QStringLiteral(""))
                               : v);
        if (q.exec())
            return true;
        if (error)
            *error = q.lastError().databaseText();
        return false;
    }
    bool Run(const QString& sql, const QVariantList& values, QString* error) {
        QSqlQuery q;
        return Run(q, sql, values, error);
    }
    // `body` as one transaction: all of it written, or nothing.
    bool Transact(QString* error, const std::function<bool()>& body) {
        if (!db.transaction()) {
            *error = db.lastError().databaseText();
            return false;
        }
        if (body()) {
            if (db.commit())
                return true;
            *error = db.lastError().databaseText(); // a busy file
        }
        db.rollback();
        return false;
    }
    // A line of the history; `undo` empty for a change that cannot be undone.
    bool Log(qint64 project, const QString& what, const QJsonObject& undo, QString* error) {
        return Run(QStringLiteral("INSERT INTO project_change (project, at, by_user, what, undo) "
                                  "VALUES (?, ?, ?, ?, ?)"),
                   {project, QDateTime::currentMSecsSinceEpoch(), LocalUser(), what,
                    undo.isEmpty()
                        ? QString()
                        : QString::fromUtf8(QJsonDocument(undo).toJson(QJsonDocument::Compact))},
                   error);
    }
    // `change` inside one transaction, logged as `what` when it succeeds (the project read after
    // it, so a change may make the project). `undo`, taken inside it before the change, says
    // what undoing it needs.
    bool Change(const qint64& project, const QString& what, QString* error,
                const std::function<bool()>& change,
                const std::function<QJsonObject()>& undo = {}) {
        return Transact(error, [&] {
            const QJsonObject before = undo ? undo() : QJsonObject();
            return change() && Log(project, what, before, error);
        });
    }
    struct Undoable {
        qint64 id = 0;
        QString what;
        QJsonObject undo;
    };
    // Without `withUndo` only its id and text: the window asks this at every refresh, and a
    // tie's undo holds every reading the upload gave.
    std::optional<Undoable> LatestUndoable(qint64 project, bool withUndo = true) const;
    // The slots' readings as they are, each [id, place, wavelength, direction, version, row,
    // chosen], so an undo puts them back under their own ids.
    QJsonObject SlotsNow(qint64 project, std::vector<SlotKey> touched) const;
    bool RestoreSlots(qint64 project, const QJsonObject& undo, QString* error);
    bool RestoreCable(qint64 project, const QJsonArray& cable, Language language, QString* error);
    bool InsertCables(qint64 project, int first, const std::vector<CableLink>& cables,
                      QString* error) {
        for (size_t i = 0; i < cables.size(); ++i) {
            const CableLink& c = cables[i];
            if (!Run(QStringLiteral("INSERT INTO cable VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                     {project, first + int(i), c.id, Maybe(c.lengthKm), Maybe(c.connections),
                      Maybe(c.splices), c.from, c.to, c.notes},
                     error))
                return false;
        }
        return true;
    }
    std::vector<CableLink> Plan(qint64 project) const;
    std::optional<StoredProject> Read(const QString& where, const QVariant& value) const;
    // Makes the slot's last reading the chosen one, as the ledger does after a change.
    bool ChooseLast(qint64 project, int place, int wavelength, Direction direction, QString* error);
    // The reading ids of a slot in their order.
    std::vector<qint64> Slot(qint64 project, int place, int wavelength, Direction direction,
                             qint64* chosen) const;
};

std::vector<CableLink> ProjectStore::Impl::Plan(qint64 project) const {
    std::vector<CableLink> plan;
    Statement q(HandleOf(db), "SELECT cable_id, length_km, connections, splices, from_end, to_end, "
                              "notes FROM cable WHERE project = ? ORDER BY place");
    if (!q.Bind(project))
        return plan;
    const auto count = [&](int c) {
        return q.Null(c) ? std::optional<int>() : std::optional<int>(int(q.Int(c)));
    };
    while (q.Next())
        plan.push_back({q.Text(0), q.Null(1) ? std::optional<double>() : q.Double(1), count(2),
                        count(3), q.Text(4), q.Text(5), q.Text(6)});
    return plan;
}

std::optional<StoredProject> ProjectStore::Impl::Read(const QString& where,
                                                      const QVariant& value) const {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id, name, customer, site, notes, certification, waves, "
                             "both_directions, direction_rule, direction_threshold FROM project ") +
              where);
    if (value.isValid())
        q.addBindValue(value);
    if (!q.exec() || !q.next())
        return std::nullopt;
    StoredProject p;
    p.id = q.value(0).toLongLong();
    p.info = {q.value(1).toString(),
              q.value(2).toString(),
              q.value(3).toString(),
              q.value(4).toString(),
              CertificationFromJson(QJsonDocument::fromJson(q.value(5).toByteArray()).object()),
              {DirectionRule(std::clamp(q.value(8).toInt(), 0, 2)), q.value(9).toDouble()}};
    for (const QString& wave : q.value(6).toString().split(u',', Qt::SkipEmptyParts))
        p.waves.push_back(wave.toInt());
    p.bothDirections = q.value(7).toBool();
    return p;
}

std::vector<qint64> ProjectStore::Impl::Slot(qint64 project, int place, int wavelength,
                                             Direction direction, qint64* chosen) const {
    std::vector<qint64> ids;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id, chosen FROM reading WHERE project = ? AND place = ? AND "
                             "wavelength = ? AND direction = ? ORDER BY id"));
    for (const QVariant& v :
         {QVariant(project), QVariant(place), QVariant(wavelength), QVariant(int(direction))})
        q.addBindValue(v);
    if (q.exec())
        while (q.next()) {
            ids.push_back(q.value(0).toLongLong());
            if (chosen && q.value(1).toBool())
                *chosen = ids.back();
        }
    return ids;
}

bool ProjectStore::Impl::ChooseLast(qint64 project, int place, int wavelength, Direction direction,
                                    QString* error) {
    const QVariantList slot{project, place, wavelength, int(direction)};
    return Run(QStringLiteral("UPDATE reading SET chosen = (id = (SELECT max(id) FROM reading "
                              "WHERE project = ? AND place = ? AND wavelength = ? AND "
                              "direction = ?)) WHERE project = ? AND place = ? AND "
                              "wavelength = ? AND direction = ?"),
               slot + slot, error);
}

std::optional<ProjectStore::Impl::Undoable>
ProjectStore::Impl::LatestUndoable(qint64 project, bool withUndo) const {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id, what, %1 FROM project_change WHERE project = ? AND "
                             "undo <> '' ORDER BY id DESC LIMIT 1")
                  .arg(withUndo ? QStringLiteral("undo") : QStringLiteral("''")));
    q.addBindValue(project);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return Undoable{q.value(0).toLongLong(), q.value(1).toString(),
                    withUndo ? QJsonDocument::fromJson(q.value(2).toByteArray()).object()
                             : QJsonObject()};
}

QJsonObject ProjectStore::Impl::SlotsNow(qint64 project, std::vector<SlotKey> touched) const {
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    QJsonArray keys, readings;
    for (const SlotKey& s : touched)
        keys.append(QJsonArray{s.place, s.wavelength, int(s.direction)});
    // One pass over the project's readings, not a query per slot: an upload given touches
    // thousands.
    Statement q(HandleOf(db), "SELECT id, place, wavelength, direction, version, row, chosen "
                              "FROM reading WHERE project = ? ORDER BY id");
    if (q.Bind(project))
        while (q.Next()) {
            const SlotKey key{int(q.Int(1)), int(q.Int(2)),
                              q.Int(3) ? Direction::BtoA : Direction::AtoB};
            if (std::binary_search(touched.begin(), touched.end(), key))
                readings.append(QJsonArray{q.Int(0), key.place, key.wavelength,
                                           int(key.direction), q.Int(4), int(q.Int(5)),
                                           int(q.Int(6))});
        }
    return {{QStringLiteral("slots"), keys}, {QStringLiteral("readings"), readings}};
}

bool ProjectStore::Impl::RestoreSlots(qint64 project, const QJsonObject& undo, QString* error) {
    for (const QJsonValue& key : undo[QStringLiteral("slots")].toArray()) {
        const QJsonArray k = key.toArray();
        if (!Run(QStringLiteral("DELETE FROM reading WHERE project = ? AND place = ? AND "
                                "wavelength = ? AND direction = ?"),
                 {project, k[0].toInt(), k[1].toInt(), k[2].toInt()}, error))
            return false;
    }
    for (const QJsonValue& reading : undo[QStringLiteral("readings")].toArray()) {
        const QJsonArray r = reading.toArray();
        if (!Run(QStringLiteral("INSERT INTO reading (id, project, place, wavelength, direction, "
                                "version, row, chosen) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                 {r[0].toInteger(), project, r[1].toInt(), r[2].toInt(), r[3].toInt(),
                  r[4].toInteger(), r[5].toInt(), r[6].toInt()},
                 error))
            return false;
    }
    return true;
}

bool ProjectStore::Impl::RestoreCable(qint64 project, const QJsonArray& cable, Language language,
                                      QString* error) {
    const int place = cable[0].toInt();
    const CableLink c = CableFromJson(cable);
    // The old ID may have been given to another cable since: refused as an edit to it would be.
    std::vector<CableLink> plan = Plan(project);
    if (place >= 0 && size_t(place) < plan.size())
        plan.erase(plan.begin() + place);
    return AddToPlan(plan, {c}, language, error) &&
           Run(QStringLiteral("UPDATE cable SET cable_id = ?, length_km = ?, connections = ?, "
                              "splices = ?, from_end = ?, to_end = ?, notes = ? WHERE project = ? "
                              "AND place = ?"),
               {c.id, Maybe(c.lengthKm), Maybe(c.connections), Maybe(c.splices), c.from, c.to,
                c.notes, project, place},
               error);
}

ProjectStore::ProjectStore() = default;

ProjectStore::~ProjectStore() {
    if (!m_impl)
        return;
    const QString name = m_impl->connection;
    m_impl.reset();
    QSqlDatabase::removeDatabase(name);
}

bool ProjectStore::Open(const QString& path, QString* error) {
    static std::atomic<int> counter{0};
    m_impl = std::make_unique<Impl>();
    m_impl->connection = QStringLiteral("vemla-projects-%1").arg(counter++);
    m_impl->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_impl->connection);
    m_impl->db.setDatabaseName(path);
    m_impl->db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    QSqlQuery q;
    if (!m_impl->db.open() || !m_impl->Run(q, QStringLiteral("PRAGMA user_version"), {}, error) ||
        !q.next()) {
        if (error && error->isEmpty())
            *error = m_impl->db.lastError().databaseText();
        return false;
    }
    if (q.value(0).toInt() < kProjectSchema) {
        *error = QStringLiteral("the archive predates this Vemla's projects");
        return false;
    }
    q.finish();
    return m_impl->Run(QStringLiteral("PRAGMA foreign_keys=ON"), {}, error);
}

std::vector<StoredProject> ProjectStore::Projects() const {
    std::vector<StoredProject> projects;
    QSqlQuery q(m_impl->db);
    if (q.exec(QStringLiteral("SELECT name FROM project ORDER BY name")))
        while (q.next())
            if (auto p = Find(q.value(0).toString()))
                projects.push_back(std::move(*p));
    return projects;
}

std::optional<StoredProject> ProjectStore::Find(const QString& name) const {
    return m_impl->Read(QStringLiteral("WHERE name = ?"), name);
}

bool ProjectStore::Create(StoredProject& project, const std::vector<CableLink>& plan,
                          Language language, QString* error) {
    const ProjectInfo& info = project.info;
    std::vector<CableLink> checked;
    if (!TextsFit(info)) {
        *error = Pick(text::kProjectBadText, language).arg(kMaxProjectText);
        return false;
    }
    if (Find(info.name)) {
        *error = Pick(text::kProjectNameTaken, language).arg(info.name);
        return false;
    }
    if (!AddToPlan(checked, plan, language, error))
        return false;
    QStringList waves;
    for (int wave : project.waves)
        waves << QString::number(wave);
    qint64 id = 0;
    const auto insert = [&] {
        QSqlQuery q;
        if (!m_impl->Run(
                q,
                QStringLiteral("INSERT INTO project (name, customer, site, notes, certification, "
                               "waves, both_directions, direction_rule, direction_threshold) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {info.name, info.customer, info.site, info.notes,
                 QJsonDocument(CertificationToJson(info.certification))
                     .toJson(QJsonDocument::Compact),
                 waves.join(u','), project.bothDirections, int(info.rules.rule),
                 info.rules.directionThresholdDb},
                error))
            return false;
        id = q.lastInsertId().toLongLong();
        return m_impl->InsertCables(id, 0, checked, error);
    };
    if (!m_impl->Change(id, QStringLiteral("create with %1 cable IDs").arg(checked.size()), error,
                        insert))
        return false;
    project.id = id;
    return true;
}

bool ProjectStore::AddCables(qint64 project, const std::vector<CableLink>& added, Language language,
                             QString* error) {
    std::vector<CableLink> plan = m_impl->Plan(project);
    const int first = int(plan.size());
    if (!AddToPlan(plan, added, language, error))
        return false;
    return m_impl->Change(project, QStringLiteral("add %1 cable IDs").arg(added.size()), error,
                          [&] { return m_impl->InsertCables(project, first, added, error); });
}

bool ProjectStore::EditCable(qint64 project, int place, const CableLink& changed, Language language,
                             QString* error) {
    std::vector<CableLink> plan = m_impl->Plan(project);
    if (place < 0 || size_t(place) >= plan.size()) {
        *error = Pick(text::kProjectNoReading, language);
        return false;
    }
    const CableLink old = plan[size_t(place)];
    plan.erase(plan.begin() + place);
    if (!AddToPlan(plan, {changed}, language, error))
        return false;
    const QString what = old.id == changed.id
                             ? QStringLiteral("edit %1").arg(old.id)
                             : QStringLiteral("rename %1 to %2").arg(old.id, changed.id);
    const auto edit = [&] {
        return m_impl->Run(QStringLiteral("UPDATE cable SET cable_id = ?, length_km = ?, "
                                          "connections = ?, splices = ?, from_end = ?, "
                                          "to_end = ?, notes = ? WHERE project = ? AND place = ?"),
                           {changed.id, Maybe(changed.lengthKm), Maybe(changed.connections),
                            Maybe(changed.splices), changed.from, changed.to, changed.notes,
                            project, place},
                           error);
    };
    return m_impl->Change(project, what, error, edit, [&] {
        return QJsonObject{{QStringLiteral("cable"), CableToJson(place, old)}};
    });
}

namespace {

// An upload version's records decoded once, by row, so a project's readings are look-ups rather
// than a seek into the record table each.
struct DecodedVersion {
    qint64 job = 0;
    std::vector<std::optional<RecordValues>> rows;
};

std::optional<DecodedVersion> ReadVersion(Statement& job, Statement& records, qint64 version) {
    DecodedVersion decoded;
    if (!job.Bind(version) || !job.Next())
        return std::nullopt;
    decoded.job = job.Int(0);
    if (!records.Bind(version))
        return std::nullopt;
    while (records.Next()) {
        const qint64 row = records.Int(0);
        if (row < 0 || row >= kMaxRecordRows)
            continue; // no row a meter's upload can have
        if (size_t(row) >= decoded.rows.size())
            decoded.rows.resize(size_t(row) + 1);
        const std::span<const uint8_t> raw = records.Blob(1);
        decoded.rows[size_t(row)] =
            DecodeRecord(ReplyFrame(raw.first(std::min(raw.size(), kRecordFrameBytes))));
    }
    if (records.Failed())
        return std::nullopt;
    return decoded;
}

} // namespace

std::optional<ProjectLedger> ProjectStore::Ledger(const StoredProject& project) const {
    ProjectLedger ledger(m_impl->Plan(project.id), project.waves, project.bothDirections);
    sqlite3* db = HandleOf(m_impl->db);
    Statement readings(db, "SELECT place, wavelength, direction, version, row, chosen FROM "
                           "reading WHERE project = ? ORDER BY id");
    Statement job(db, "SELECT job FROM version WHERE id = ?");
    Statement records(db, "SELECT row, raw FROM record WHERE version = ? ORDER BY row");
    if (!readings.Bind(project.id))
        return std::nullopt;
    struct Chosen {
        int place, wavelength;
        Direction direction;
        int index;
    };
    std::vector<Chosen> chosen;
    std::unordered_map<qint64, std::optional<DecodedVersion>> versions;
    while (readings.Next()) {
        const qint64 version = readings.Int(3), row = readings.Int(4);
        auto found = versions.find(version);
        if (found == versions.end())
            found = versions.emplace(version, ReadVersion(job, records, version)).first;
        const std::optional<DecodedVersion>& decoded = found->second;
        if (!decoded || row < 0 || size_t(row) >= decoded->rows.size() ||
            !decoded->rows[size_t(row)])
            continue; // its record is gone: nothing to show for it
        const int place = int(readings.Int(0)), wave = int(readings.Int(1));
        const Direction direction = readings.Int(2) ? Direction::BtoA : Direction::AtoB;
        if (!ledger.Put(place, wave, direction,
                        {{decoded->job, int(row)}, *decoded->rows[size_t(row)]}))
            continue;
        if (readings.Int(5))
            chosen.push_back({place, wave, direction,
                              int(ledger.Slot(place, wave, direction)->readings.size()) - 1});
    }
    if (readings.Failed())
        return std::nullopt;
    for (const Chosen& c : chosen)
        ledger.Choose(c.place, c.wavelength, c.direction, c.index);
    return ledger;
}

bool ProjectStore::Tie(const StoredProject& project, qint64 job, Direction direction,
                       Language language, QString* error) {
    QSqlQuery q;
    if (!m_impl->Run(q,
                     QStringLiteral("SELECT id FROM version WHERE job = ? ORDER BY number DESC "
                                    "LIMIT 1"),
                     {job}, error))
        return false;
    if (!q.next()) {
        *error = Pick(text::kProjectNoUpload, language).arg(job);
        return false;
    }
    const qint64 version = q.value(0).toLongLong();
    if (!m_impl->Run(q, QStringLiteral("SELECT count(*) FROM project_upload WHERE job = ?"), {job},
                     error) ||
        (q.next() && q.value(0).toInt() > 0)) {
        if (error->isEmpty())
            *error = Pick(text::kProjectUploadTied, language).arg(job);
        return false;
    }
    std::vector<MeterRecord> rows;
    if (!m_impl->Run(q, QStringLiteral("SELECT raw, t6 FROM record WHERE version = ? ORDER BY row"),
                     {version}, error))
        return false;
    while (q.next()) {
        const QByteArray raw = q.value(0).toByteArray();
        MeterRecord record;
        record.values =
            DecodeRecord(ReplyFrame({reinterpret_cast<const uint8_t*>(raw.constData()),
                                     size_t(std::min<qsizetype>(raw.size(), kRecordFrameBytes))}));
        record.texts[kTableColumns - 1] = q.value(1).toString();
        rows.push_back(std::move(record));
    }
    std::optional<ProjectLedger> ledger = Ledger(project);
    if (!ledger)
        return false;
    const std::vector<int> assigned = ledger->Assign(job, direction, rows);
    const auto tie = [&] {
        if (!m_impl->Run(QStringLiteral("INSERT INTO project_upload VALUES (?, ?, ?)"),
                         {job, project.id, int(direction)}, error))
            return false;
        Statement insert(HandleOf(m_impl->db),
                         "INSERT INTO reading (project, place, wavelength, direction, version, "
                         "row, chosen) VALUES (?, ?, ?, ?, ?, ?, 1)");
        for (size_t r = 0; r < rows.size(); ++r) {
            if (assigned[r] < 0)
                continue;
            if (!insert.Write(project.id,
                              {assigned[r], rows[r].values.wavelength, int(direction), version,
                               qint64(r)},
                              error))
                return false;
        }
        // In every slot this upload reached, its last reading counts (as the ledger assigned
        // them): one statement, not one a reading. The upload is given once, so the readings
        // of its version in the project are this tie's.
        Statement choose(HandleOf(m_impl->db),
                         "UPDATE reading SET chosen = 0 WHERE project = ?1 AND chosen = 1 AND "
                         "EXISTS (SELECT 1 FROM reading n WHERE n.project = ?1 AND n.place = "
                         "reading.place AND n.wavelength = reading.wavelength AND n.direction = "
                         "reading.direction AND n.version = ?2 AND n.id > reading.id)");
        return choose.Write(project.id, {version}, error);
    };
    std::vector<SlotKey> touched;
    for (size_t r = 0; r < rows.size(); ++r)
        if (assigned[r] >= 0)
            touched.push_back({assigned[r], rows[r].values.wavelength, direction});
    return m_impl->Change(project.id,
                          QStringLiteral("tie upload %1 %2").arg(job).arg(DirectionText(direction)),
                          error, tie, [&] {
                              QJsonObject undo = m_impl->SlotsNow(project.id, touched);
                              undo[QStringLiteral("upload")] = job;
                              return undo;
                          });
}

bool ProjectStore::Move(const StoredProject& project, int from, int to, int wavelength,
                        Direction direction, Language language, QString* error) {
    qint64 chosen = 0;
    m_impl->Slot(project.id, from, wavelength, direction, &chosen);
    const std::vector<CableLink> plan = m_impl->Plan(project.id);
    if (chosen == 0 || from == to || to < 0 || size_t(to) >= plan.size()) {
        *error = Pick(text::kProjectNoReading, language);
        return false;
    }
    const QString what =
        QStringLiteral("move %1 from %2 to %3")
            .arg(WaveKey(wavelength, direction), plan[size_t(from)].id, plan[size_t(to)].id);
    return m_impl->Change(
        project.id, what, error,
        [&] {
            // A new id puts the moved reading last in its new slot, where the ledger adds it.
            return m_impl->Run(QStringLiteral("INSERT INTO reading (project, place, wavelength, "
                                              "direction, version, row, chosen) SELECT project, ?, "
                                              "wavelength, direction, version, row, 1 FROM reading "
                                              "WHERE id = ?"),
                               {to, chosen}, error) &&
                   m_impl->Run(QStringLiteral("DELETE FROM reading WHERE id = ?"), {chosen},
                               error) &&
                   m_impl->ChooseLast(project.id, from, wavelength, direction, error) &&
                   m_impl->ChooseLast(project.id, to, wavelength, direction, error);
        },
        [&] {
            return m_impl->SlotsNow(project.id,
                                    {{from, wavelength, direction}, {to, wavelength, direction}});
        });
}

bool ProjectStore::Clear(const StoredProject& project, int place, int wavelength,
                         Direction direction, Language language, QString* error) {
    qint64 chosen = 0;
    m_impl->Slot(project.id, place, wavelength, direction, &chosen);
    const std::vector<CableLink> plan = m_impl->Plan(project.id);
    if (chosen == 0) {
        *error = Pick(text::kProjectNoReading, language);
        return false;
    }
    const QString what = QStringLiteral("clear %1 of %2")
                             .arg(WaveKey(wavelength, direction), plan[size_t(place)].id);
    return m_impl->Change(
        project.id, what, error,
        [&] {
            return m_impl->Run(QStringLiteral("DELETE FROM reading WHERE id = ?"), {chosen},
                               error) &&
                   m_impl->ChooseLast(project.id, place, wavelength, direction, error);
        },
        [&] {
            return m_impl->SlotsNow(project.id, {{place, wavelength, direction}});
        });
}

bool ProjectStore::Choose(const StoredProject& project, int place, int wavelength,
                          Direction direction, int reading, Language language, QString* error) {
    const std::vector<qint64> ids = m_impl->Slot(project.id, place, wavelength, direction, nullptr);
    if (reading < 0 || size_t(reading) >= ids.size()) {
        *error = Pick(text::kProjectNoReading, language);
        return false;
    }
    const QString what =
        QStringLiteral("choose reading %1 of %2 at %3")
            .arg(reading + 1)
            .arg(m_impl->Plan(project.id)[size_t(place)].id, WaveKey(wavelength, direction));
    return m_impl->Change(
        project.id, what, error,
        [&] {
            return m_impl->Run(
                QStringLiteral("UPDATE reading SET chosen = (id = ?) WHERE project = ? "
                               "AND place = ? AND wavelength = ? AND direction = ?"),
                {ids[size_t(reading)], project.id, place, wavelength, int(direction)}, error);
        },
        [&] {
            return m_impl->SlotsNow(project.id, {{place, wavelength, direction}});
        });
}

bool ProjectStore::Undo(const StoredProject& project, Language language, QString* error) {
    return m_impl->Transact(error, [&] {
        const std::optional<Impl::Undoable> latest = m_impl->LatestUndoable(project.id);
        if (!latest) {
            *error = Pick(text::kProjectNothingToUndo, language);
            return false;
        }
        const QJsonObject& undo = latest->undo;
        const QJsonValue upload = undo[QStringLiteral("upload")];
        return (!undo.contains(QStringLiteral("cable")) ||
                m_impl->RestoreCable(project.id, undo[QStringLiteral("cable")].toArray(), language,
                                     error)) &&
               m_impl->RestoreSlots(project.id, undo, error) &&
               (upload.isUndefined() ||
                m_impl->Run(QStringLiteral("DELETE FROM project_upload WHERE job = ?"),
                            {upload.toInteger()}, error)) &&
               m_impl->Run(QStringLiteral("UPDATE project_change SET undo = '' WHERE id = ?"),
                           {latest->id}, error) &&
               m_impl->Log(project.id, QStringLiteral("undo ") + latest->what, {}, error);
    });
}

QString ProjectStore::UndoableChange(const StoredProject& project) const {
    const std::optional<Impl::Undoable> latest = m_impl->LatestUndoable(project.id, false);
    return latest ? latest->what : QString();
}

std::vector<ProjectChange> ProjectStore::History(qint64 project) const {
    std::vector<ProjectChange> changes;
    QSqlQuery q(m_impl->db);
    q.prepare(QStringLiteral("SELECT at, by_user, what FROM project_change WHERE project = ? "
                             "ORDER BY id"));
    q.addBindValue(project);
    if (q.exec())
        while (q.next())
            changes.push_back({QDateTime::fromMSecsSinceEpoch(q.value(0).toLongLong()),
                               q.value(1).toString(), q.value(2).toString()});
    return changes;
}

} // namespace vemla
