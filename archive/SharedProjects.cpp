#include "SharedProjects.h"

#include "SharedLink.h"
#include "SharedSync.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QVariant>

#include <array>
#include <atomic>
#include <vector>

namespace vemla {
namespace {

constexpr int kBusyTimeoutMs = 5000;
// A readings mark no server state has: the others' readings are taken again at the next pull.
const QString kRetake = QStringLiteral("-");

// This station's part of a project, as the server takes it: JSON rows, one statement a table.
constexpr const char* kLocalUploads =
    "SELECT u.job, u.direction FROM project_upload u JOIN job j ON j.id = u.job "
    "WHERE u.project = ? AND j.station = ''";
// Only readings of this station's own uploads: those of copies are the other stations' to send.
constexpr const char* kLocalReadings =
    "SELECT r.id, c.cable_id, r.wavelength, r.direction, v.job, v.number, r.row, r.chosen "
    "FROM reading r JOIN version v ON v.id = r.version JOIN job j ON j.id = v.job "
    "JOIN cable c ON c.project = r.project AND c.place = r.place "
    "WHERE r.project = ? AND j.station = '' ORDER BY r.id";
constexpr const char* kLocalChanges =
    "SELECT id, at, by_user, what FROM project_change WHERE project = ? ORDER BY id";
constexpr const char* kLocalPlan =
    "SELECT cable_id, length_km, connections, splices, from_end, to_end, notes FROM cable "
    "WHERE project = ? ORDER BY place";

// Each set replaces what the server held of this station's in the project ($1 station, $2
// project name, $3 the rows).
constexpr std::array<std::array<const char*, 2>, 3> kServerSets{{
    {"DELETE FROM project_upload WHERE station = $1 AND project = $2",
     "INSERT INTO project_upload SELECT $1, (x->>0)::bigint, $2, (x->>1)::integer "
     "FROM json_array_elements($3::json) x"},
    {"DELETE FROM reading WHERE station = $1 AND project = $2",
     "INSERT INTO reading SELECT $1, (x->>0)::bigint, $2, x->>1, (x->>2)::integer, "
     "(x->>3)::integer, (x->>4)::bigint, (x->>5)::integer, (x->>6)::integer, "
     "(x->>7)::integer <> 0 FROM json_array_elements($3::json) x"},
    {"DELETE FROM project_change WHERE station = $1 AND project = $2",
     "INSERT INTO project_change SELECT $1, (x->>0)::bigint, $2, (x->>1)::bigint, x->>2, x->>3 "
     "FROM json_array_elements($3::json) x"},
}};

// Each project with its plan, a mark of the other stations' readings of it (a new mark means
// some were given, moved or undone there), and the plan's revision.
#define VEMLA_SERVER_PROJECT                                                                   \
    "SELECT p.name, p.customer, p.site, p.notes, p.certification, p.waves, "                   \
    "p.both_directions::integer, p.direction_rule, p.direction_threshold, p.changed_login, "   \
    "coalesce((SELECT json_agg(json_build_array(c.cable_id, c.length_km, c.connections, "      \
    "c.splices, c.from_end, c.to_end, c.notes) ORDER BY c.place) FROM cable c WHERE "          \
    "c.project = p.name), '[]'), coalesce((SELECT md5(string_agg(r.station || '/' || r.id || " \
    "'/' || r.xmin::text, ',' ORDER BY r.station, r.id)) FROM reading r WHERE r.project = "    \
    "p.name AND r.station <> $1), ''), p.revision FROM project p "
constexpr const char* kServerProjects = VEMLA_SERVER_PROJECT "ORDER BY p.name";
constexpr const char* kServerProject = VEMLA_SERVER_PROJECT "WHERE p.name = $2";
#undef VEMLA_SERVER_PROJECT

// A project's particulars as both sides keep them, in kServerProjects' column order and the
// local project table's: name, customer, site, notes, certification, waves, both_directions,
// direction_rule, direction_threshold.
using Particulars = std::array<QString, 9>;

struct ServerProject {
    Particulars info;
    QString changedBy;
    QJsonArray plan; // [cable_id, length_km, connections, splices, from, to, notes] in order
    QString readingsMark;
    int revision = 0;
};

// A reading another station gave: station, job, number, cable_id, wavelength, direction, row,
// chosen.
using ServerReading = std::array<QString, 8>;

QString Json(const QJsonArray& rows) {
    return QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact));
}

// Cable rows compared by value: a length from the server and one from SQLite differ in type.
bool SamePlan(const QJsonArray& a, const QJsonArray& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        for (int c = 0; c < 7; ++c) {
            const QJsonValue x = a[i].toArray()[c], y = b[i].toArray()[c];
            const bool number = c >= 1 && c <= 3;
            if (x.isNull() != y.isNull() ||
                (number ? x.toDouble() != y.toDouble() : x.toString() != y.toString()))
                return false;
        }
    return true;
}

// Shortest text that reads back the same number, as PostgreSQL writes one.
QString NumberText(const QVariant& v) {
    return v.typeId() == QMetaType::Double
               ? QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest)
               : v.toString();
}

ServerProject ServerProjectAt(const std::function<QByteArray(int)>& value) {
    ServerProject s;
    for (int c = 0; c < 9; ++c)
        s.info[std::size_t(c)] = QString::fromUtf8(value(c));
    s.info[8] = NumberText(s.info[8].toDouble());
    s.changedBy = QString::fromUtf8(value(9));
    s.plan = QJsonDocument::fromJson(value(10)).array();
    s.readingsMark = QString::fromUtf8(value(11));
    s.revision = value(12).toInt();
    return s;
}

} // namespace

struct SharedProjects::Impl {
    QString connection;
    QSqlDatabase db;

    bool OpenLocal(const QString& path, SyncResult& r);
    // A local statement run with its values; inactive (lastError set) when it failed.
    QSqlQuery Run(const QString& sql, const QVariantList& values = {}) {
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        q.exec();
        return q;
    }
    static bool Fail(SyncResult& r, SyncResult::Outcome outcome, const QString& reason) {
        r.outcome = outcome;
        r.reason = reason;
        return false;
    }
    static bool LocalFault(SyncResult& r, const QSqlQuery& q) {
        return Fail(r, SyncResult::Outcome::LocalFault, q.lastError().text());
    }
    static bool ServerFault(SharedLink& link, SyncResult& r) {
        const LinkFault fault = link.LastFault();
        return Fail(r, fault.refused ? SyncResult::Outcome::Refused
                                     : SyncResult::Outcome::Unreachable,
                    fault.message);
    }
    // The rows of a local query about one project, as JSON arrays.
    std::optional<QJsonArray> Rows(const char* sql, qint64 project);

    struct Changed {
        qint64 id = 0;
        QString name;
        qint64 lastChange = 0;
    };
    std::optional<std::vector<Changed>> ChangedProjects();
    bool PushProject(SharedLink& link, const QString& station, const Changed& p, bool manager,
                     SyncResult& r);
    bool SendPlan(SharedLink& link, const QString& station, const Changed& p, bool known,
                  int* sent, SyncResult& r);
    std::optional<Particulars> LocalParticulars(qint64 project);

    bool PullProject(SharedLink& link, const QString& station, const ServerProject& s,
                     SyncResult& r);
    std::optional<qint64> TakeProject(const ServerProject& s, SyncResult& r);
    bool InsertPlan(qint64 project, const QJsonArray& plan, QSqlQuery& failed);
    bool ReplacePlan(qint64 project, const QJsonArray& plan, QSqlQuery& failed);
    bool Log(qint64 project, const QString& by, const QString& what, QSqlQuery& failed);
    bool TakeReadings(qint64 project, const std::vector<ServerReading>& rows, const QString& mark,
                      SyncResult& r);
};

bool SharedProjects::Impl::OpenLocal(const QString& path, SyncResult& r) {
    if (db.isOpen())
        return true;
    static std::atomic<int> counter{0};
    connection = QStringLiteral("vemla-shared-projects-%1").arg(counter++);
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    db.setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_READWRITE").arg(kBusyTimeoutMs));
    if (!db.open())
        return Fail(r, SyncResult::Outcome::LocalFault, db.lastError().text());
    QSqlQuery q = Run(QStringLiteral("PRAGMA foreign_keys=ON"));
    if (!q.isActive())
        return LocalFault(r, q);
    q = Run(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'project_sync'"));
    if (q.isActive() && q.next())
        return true;
    db.close();
    return Fail(r, SyncResult::Outcome::LocalFault,
                QStringLiteral("the archive predates the shared projects"));
}

std::optional<QJsonArray> SharedProjects::Impl::Rows(const char* sql, qint64 project) {
    QSqlQuery q = Run(QLatin1String(sql), {project});
    if (!q.isActive())
        return std::nullopt;
    QJsonArray rows;
    const int columns = q.record().count();
    while (q.next()) {
        QJsonArray row;
        for (int c = 0; c < columns; ++c) {
            const QVariant v = q.value(c);
            row.append(q.isNull(c) ? QJsonValue()
                       : v.typeId() == QMetaType::QByteArray
                           ? QJsonValue(QString::fromUtf8(v.toByteArray()))
                           : QJsonValue::fromVariant(v));
        }
        rows.append(row);
    }
    return rows;
}

SharedProjects::SharedProjects() : m_impl(std::make_unique<Impl>()) {}

SharedProjects::~SharedProjects() {
    const QString name = m_impl->connection;
    m_impl.reset();
    if (!name.isEmpty())
        QSqlDatabase::removeDatabase(name);
}

// Projects with a history line newer than the last one sent: the lines are written with every
// change (a tie, a correction, an undo, a plan made or edited).
std::optional<std::vector<SharedProjects::Impl::Changed>> SharedProjects::Impl::ChangedProjects() {
    QSqlQuery q = Run(QStringLiteral(
        "SELECT id, name, last FROM (SELECT p.id, p.name, (SELECT max(c.id) FROM project_change "
        "c WHERE c.project = p.id) AS last, coalesce(s.pushed_change, 0) AS pushed FROM project "
        "p LEFT JOIN project_sync s ON s.project = p.id) WHERE last > pushed ORDER BY name"));
    if (!q.isActive())
        return std::nullopt;
    std::vector<Changed> changed;
    while (q.next())
        changed.push_back({q.value(0).toLongLong(), q.value(1).toString(),
                           q.value(2).toLongLong()});
    return changed;
}

bool SharedProjects::Push(SharedLink& link, const std::function<bool()>& connect,
                          const QString& archivePath, const QString& station, SyncResult& r) {
    Impl& d = *m_impl;
    if (!d.OpenLocal(archivePath, r))
        return false;
    const std::optional<std::vector<Impl::Changed>> changed = d.ChangedProjects();
    if (!changed)
        return Impl::Fail(r, SyncResult::Outcome::LocalFault, d.db.lastError().text());
    if (changed->empty())
        return true;
    if (!connect())
        return false;
    // Asked, not tried: a technician's plan refused by the server is no fault, it stays here.
    const std::optional<QString> manager =
        link.Value("SELECT pg_has_role(current_user, 'vemla_manager', 'MEMBER')");
    if (!manager)
        return Impl::ServerFault(link, r);
    for (const Impl::Changed& p : *changed)
        if (!d.PushProject(link, station, p, *manager == QLatin1String("t"), r))
            return false;
    return true;
}

bool SharedProjects::Impl::PushProject(SharedLink& link, const QString& station,
                                       const Changed& p, bool manager, SyncResult& r) {
    std::array<std::optional<QJsonArray>, 3> sets{Rows(kLocalUploads, p.id),
                                                  Rows(kLocalReadings, p.id),
                                                  Rows(kLocalChanges, p.id)};
    for (const auto& set : sets)
        if (!set)
            return Fail(r, SyncResult::Outcome::LocalFault, db.lastError().text());
    if (!link.Exec("BEGIN"))
        return ServerFault(link, r);
    const auto serverFault = [&] { return link.Rollback(), ServerFault(link, r); };
    if (!link.Exec("INSERT INTO station (id, name) VALUES ($1, $2) ON CONFLICT (id) DO NOTHING",
                   {station, QSysInfo::machineHostName()}))
        return serverFault();
    const std::optional<QString> known =
        link.Value("SELECT count(*) FROM project WHERE name = $1", {p.name});
    if (!known)
        return serverFault();
    if (*known == QLatin1String("0") && !manager)
        return link.Rollback(), true; // stays this station's until a manager shares it
    int sent = 0; // the plan's revision on the server when this station's plan went
    if (manager && !SendPlan(link, station, p, *known != QLatin1String("0"), &sent, r))
        return r.reason.isEmpty() ? serverFault() : (link.Rollback(), false);
    for (std::size_t i = 0; i < kServerSets.size(); ++i)
        if (!link.Exec(kServerSets[i][0], {station, p.name}) ||
            !link.Exec(kServerSets[i][1], {station, p.name, Json(*sets[i])}))
            return serverFault();
    if (!link.Exec("COMMIT"))
        return serverFault();
    // A change made during the send has a later line: the project is sent again next time.
    const QSqlQuery done = Run(
        QStringLiteral("INSERT INTO project_sync (project, pushed_change, plan_revision) VALUES "
                       "(?, ?, ?) ON CONFLICT (project) DO UPDATE SET pushed_change = "
                       "excluded.pushed_change, plan_revision = CASE WHEN "
                       "excluded.plan_revision > 0 THEN excluded.plan_revision ELSE "
                       "project_sync.plan_revision END"),
        {p.id, p.lastChange, sent});
    return done.isActive() || LocalFault(r, done);
}

std::optional<Particulars> SharedProjects::Impl::LocalParticulars(qint64 project) {
    QSqlQuery q = Run(QStringLiteral("SELECT name, customer, site, notes, certification, waves, "
                                     "both_directions, direction_rule, direction_threshold FROM "
                                     "project WHERE id = ?"),
                      {project});
    if (!q.isActive() || !q.next())
        return std::nullopt;
    Particulars info;
    for (int c = 0; c < 9; ++c)
        info[std::size_t(c)] = NumberText(q.value(c));
    return info;
}

// This station's plan to the server, by a manager's login: a project only it knew, or a plan
// changed here since the shared revision it last took. A shared plan another station changed
// meanwhile wins: this one is replaced at the pull. *sent: the revision sent, 0 when none.
bool SharedProjects::Impl::SendPlan(SharedLink& link, const QString& station, const Changed& p,
                                    bool known, int* sent, SyncResult& r) {
    const std::optional<Particulars> info = LocalParticulars(p.id);
    const std::optional<QJsonArray> plan = Rows(kLocalPlan, p.id);
    QSqlQuery q = Run(QStringLiteral("SELECT plan_revision FROM project_sync WHERE project = ?"),
                      {p.id});
    if (!info || !plan || !q.isActive())
        return Fail(r, SyncResult::Outcome::LocalFault, db.lastError().text());
    const int taken = q.next() ? q.value(0).toInt() : 0;
    const Particulars& v = *info;
    if (!known) {
        if (!link.Exec("INSERT INTO project (name, customer, site, notes, certification, waves, "
                       "both_directions, direction_rule, direction_threshold) VALUES ($1, $2, "
                       "$3, $4, $5, $6, $7::integer <> 0, $8::integer, $9::double precision)",
                       {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]}))
            return false;
        *sent = 1;
    } else {
        std::optional<ServerProject> s;
        if (!link.Each(kServerProject, {station, p.name},
                       [&](const auto& value) { s = ServerProjectAt(value); }))
            return false;
        if (!s || (s->info == v && SamePlan(s->plan, *plan)))
            return true;
        const std::optional<int> rows = link.Rows(
            "UPDATE project SET customer = $2, site = $3, notes = $4, certification = $5, waves = "
            "$6, both_directions = $7::integer <> 0, direction_rule = $8::integer, "
            "direction_threshold = $9::double precision, revision = revision + 1, changed_login "
            "= current_user, changed_at = now() WHERE name = $1 AND revision = $10 RETURNING 1",
            {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], taken});
        if (!rows || (*rows == 1 && !link.Exec("DELETE FROM cable WHERE project = $1", {v[0]})))
            return false;
        if (*rows == 0)
            return true;
        *sent = taken + 1;
    }
    return link.Exec("INSERT INTO cable SELECT $1, e.place - 1, e.x->>0, (e.x->>1)::double "
                     "precision, (e.x->>2)::integer, (e.x->>3)::integer, e.x->>4, e.x->>5, "
                     "e.x->>6 FROM json_array_elements($2::json) WITH ORDINALITY AS e(x, place)",
                     {v[0], Json(*plan)});
}


bool SharedProjects::Pull(SharedLink& link, const QString& archivePath, const QString& station,
                          SyncResult& r) {
    Impl& d = *m_impl;
    if (!d.OpenLocal(archivePath, r))
        return false;
    // One consistent read of the server: plans and readings as they were at one moment.
    if (!link.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"))
        return Impl::ServerFault(link, r);
    std::vector<ServerProject> projects;
    if (!link.Each(kServerProjects, {station},
                   [&](const auto& value) { projects.push_back(ServerProjectAt(value)); }))
        return link.Rollback(), Impl::ServerFault(link, r);
    bool ok = true;
    for (std::size_t i = 0; ok && i < projects.size(); ++i)
        ok = d.PullProject(link, station, projects[i], r);
    link.Rollback(); // read only: nothing to keep
    return ok;
}

bool SharedProjects::Impl::PullProject(SharedLink& link, const QString& station,
                                       const ServerProject& s, SyncResult& r) {
    const std::optional<qint64> id = TakeProject(s, r);
    if (!id)
        return false;
    QSqlQuery mark = Run(QStringLiteral("SELECT readings_mark FROM project_sync WHERE project = ?"),
                         {*id});
    if (!mark.isActive())
        return LocalFault(r, mark);
    if ((mark.next() ? mark.value(0).toString() : QString()) == s.readingsMark)
        return true;
    std::vector<ServerReading> rows;
    if (!link.Each("SELECT station, job, number, cable_id, wavelength, direction, row, "
                   "chosen::integer FROM reading WHERE project = $1 AND station <> $2 ORDER BY "
                   "station, id",
                   {s.info[0], station}, [&](const auto& value) {
                       ServerReading row;
                       for (int c = 0; c < 8; ++c)
                           row[std::size_t(c)] = QString::fromUtf8(value(c));
                       rows.push_back(std::move(row));
                   }))
        return ServerFault(link, r);
    return TakeReadings(*id, rows, s.readingsMark, r);
}

// The server's project in the local store, made or brought to the server's particulars and plan;
// its local id.
std::optional<qint64> SharedProjects::Impl::TakeProject(const ServerProject& s, SyncResult& r) {
    if (!db.transaction())
        return Fail(r, SyncResult::Outcome::LocalFault, db.lastError().text()), std::nullopt;
    QSqlQuery q = Run(QStringLiteral("SELECT id FROM project WHERE name = ?"), {s.info[0]});
    bool ok = q.isActive();
    const bool found = ok && q.next();
    qint64 id = found ? q.value(0).toLongLong() : 0;
    const Particulars local = found ? LocalParticulars(id).value_or(Particulars()) : Particulars();
    const QVariantList values{s.info[1], s.info[2], s.info[3], s.info[4], s.info[5],
                              s.info[6].toInt(), s.info[7].toInt(), s.info[8].toDouble()};
    if (ok && !found) {
        q = Run(QStringLiteral("INSERT INTO project (customer, site, notes, certification, "
                               "waves, both_directions, direction_rule, direction_threshold, "
                               "name) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                values + QVariantList{s.info[0]});
        id = q.lastInsertId().toLongLong();
        ok = q.isActive() && InsertPlan(id, s.plan, q) &&
             Log(id, s.changedBy,
                 QStringLiteral("take from the shared archive with %1 cable IDs").arg(s.plan.size()),
                 q);
    } else if (const bool planDiffers =
                   ok && !SamePlan(Rows(kLocalPlan, id).value_or(QJsonArray()), s.plan);
               planDiffers || (ok && local != s.info)) {
        // The server's plan wins over one changed here: the others' readings are given to it.
        q = Run(QStringLiteral("UPDATE project SET customer = ?, site = ?, notes = ?, "
                               "certification = ?, waves = ?, both_directions = ?, "
                               "direction_rule = ?, direction_threshold = ? WHERE id = ?"),
                values + QVariantList{id});
        ok = q.isActive() && (!planDiffers || ReplacePlan(id, s.plan, q)) &&
             Log(id, s.changedBy,
                 planDiffers ? QStringLiteral("plan replaced by the shared plan")
                             : QStringLiteral("particulars replaced by the shared ones"),
                 q);
    }
    // The shared revision this station's plan now is: a manager's change to it goes from there.
    if (ok)
        q = Run(QStringLiteral("INSERT INTO project_sync (project, plan_revision) VALUES (?, ?) "
                               "ON CONFLICT (project) DO UPDATE SET plan_revision = "
                               "excluded.plan_revision"),
                {id, s.revision});
    if (ok && q.isActive() && db.commit())
        return id;
    db.rollback();
    return LocalFault(r, q), std::nullopt;
}

bool SharedProjects::Impl::InsertPlan(qint64 project, const QJsonArray& plan, QSqlQuery& failed) {
    for (qsizetype place = 0; place < plan.size(); ++place) {
        const QJsonArray c = plan[place].toArray();
        QVariantList values{project, int(place)};
        for (int i = 0; i < 7; ++i)
            values << (c[i].isNull() ? QVariant() : c[i].toVariant());
        failed = Run(QStringLiteral("INSERT INTO cable (project, place, cable_id, length_km, "
                                    "connections, splices, from_end, to_end, notes) VALUES (?, ?, "
                                    "?, ?, ?, ?, ?, ?, ?)"),
                     values);
        if (!failed.isActive())
            return false;
    }
    return true;
}

bool SharedProjects::Impl::Log(qint64 project, const QString& by, const QString& what,
                               QSqlQuery& failed) {
    failed = Run(QStringLiteral("INSERT INTO project_change (project, at, by_user, what) VALUES "
                                "(?, ?, ?, ?)"),
                 {project, QDateTime::currentMSecsSinceEpoch(), by, what});
    return failed.isActive();
}

// The plan's cable rows replaced; the readings given here follow their cable ID to its place in
// the new plan (a renamed one keeps its place when its new ID was not in the plan before), and
// those whose cable is not in it are dropped. Changes before it are not undone across it.
bool SharedProjects::Impl::ReplacePlan(qint64 project, const QJsonArray& plan, QSqlQuery& failed) {
    QStringList before, after;
    failed = Run(QStringLiteral("SELECT cable_id FROM cable WHERE project = ? ORDER BY place"),
                 {project});
    while (failed.next())
        before << failed.value(0).toString();
    for (const QJsonValue& c : plan)
        after << c.toArray()[0].toString();
    const auto run = [&](const char* sql, const QVariantList& values) {
        failed = Run(QLatin1String(sql), values);
        return failed.isActive();
    };
    if (!failed.isActive() || !run("DELETE FROM cable WHERE project = ?", {project}) ||
        !InsertPlan(project, plan, failed) ||
        !run("UPDATE reading SET place = -1 - place WHERE project = ?", {project}))
        return false;
    for (qsizetype old = 0; old < before.size(); ++old) {
        qsizetype place = after.indexOf(before[old]);
        if (place < 0 && old < after.size() && !before.contains(after[old]))
            place = old;
        if (place >= 0 &&
            !run("UPDATE reading SET place = ? WHERE project = ? AND place = ?",
                 {int(place), project, int(-1 - old)}))
            return false;
    }
    return run("DELETE FROM reading WHERE project = ? AND place < 0", {project}) &&
           run("UPDATE project_change SET undo = '' WHERE project = ?", {project}) &&
           run("INSERT INTO project_sync (project, readings_mark) VALUES (?, ?) ON CONFLICT "
               "(project) DO UPDATE SET readings_mark = excluded.readings_mark",
               {project, kRetake});
}

// The other stations' readings of a project replaced by the server's, each on the local copy of
// its upload. Readings of copies are theirs: none is given here, so all of them go first.
bool SharedProjects::Impl::TakeReadings(qint64 project, const std::vector<ServerReading>& rows,
                                        const QString& mark, SyncResult& r) {
    if (!db.transaction())
        return Fail(r, SyncResult::Outcome::LocalFault, db.lastError().text());
    QSqlQuery q = Run(QStringLiteral("DELETE FROM reading WHERE project = ? AND version IN "
                                     "(SELECT v.id FROM version v JOIN job j ON j.id = v.job "
                                     "WHERE j.station <> '')"),
                      {project});
    bool ok = q.isActive();
    int missing = 0;
    for (std::size_t i = 0; ok && i < rows.size(); ++i) {
        const ServerReading& g = rows[i];
        QSqlQuery version = Run(QStringLiteral("SELECT v.id FROM version v JOIN job j ON j.id = "
                                               "v.job WHERE j.station = ? AND j.remote_id = ? "
                                               "AND v.number = ?"),
                                {g[0], g[1].toLongLong(), g[2].toInt()});
        QSqlQuery place = Run(QStringLiteral("SELECT place FROM cable WHERE project = ? AND "
                                             "cable_id = ?"),
                              {project, g[3]});
        if (!version.next() || !place.next()) {
            ++missing; // its upload not received yet, or a cable ID the plan lacks
            continue;
        }
        q = Run(QStringLiteral("INSERT INTO reading (project, place, wavelength, direction, "
                               "version, row, chosen) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {project, place.value(0), g[4].toInt(), g[5].toInt(), version.value(0),
                 g[6].toInt(), g[7].toInt()});
        ok = q.isActive();
    }
    if (ok)
        q = Run(QStringLiteral("INSERT INTO project_sync (project, readings_mark) VALUES (?, ?) "
                               "ON CONFLICT (project) DO UPDATE SET readings_mark = "
                               "excluded.readings_mark"),
                {project, missing > 0 ? kRetake : mark});
    if (ok && q.isActive() && db.commit())
        return true;
    db.rollback();
    return LocalFault(r, q);
}

} // namespace vemla
