#include "SharedSchema.h"

#include "UserSettings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace vemla {
namespace {

// The tables whose rows belong to a station: a technician writes only its own stations' rows.
constexpr const char* kStationRows[] = {"job",     "version",       "record", "project_upload",
                                        "reading", "project_change"};
constexpr const char* kAllTables =
    "vemla_schema, station, job, version, record, project, cable, project_upload, reading, "
    "project_change";
constexpr const char* kOwnStation =
    "station IN (SELECT id FROM station WHERE owner = current_user)";

// Who may write what. The tables belong to the login that ran init-server, which the policies
// do not bind; every other login's writes pass them.
QStringList StepOneRights() {
    QStringList s{
        "DO $$ DECLARE r text; BEGIN FOREACH r IN ARRAY ARRAY['vemla_viewer', "
        "'vemla_technician', 'vemla_manager'] LOOP IF NOT EXISTS (SELECT FROM pg_roles WHERE "
        "rolname = r) THEN EXECUTE format('CREATE ROLE %I NOLOGIN', r); END IF; END LOOP; END $$",
        QStringLiteral("GRANT SELECT ON %1 TO vemla_viewer, vemla_technician, vemla_manager")
            .arg(QLatin1String(kAllTables)),
        "GRANT INSERT ON station TO vemla_technician",
        "GRANT INSERT, UPDATE, DELETE ON job, version, record, project_upload, reading, "
        "project_change TO vemla_technician",
        "GRANT INSERT, UPDATE, DELETE ON station, job, version, record, project, cable, "
        "project_upload, reading, project_change TO vemla_manager",
        "ALTER TABLE station ENABLE ROW LEVEL SECURITY",
        "CREATE POLICY everyone_reads ON station FOR SELECT USING (true)",
        "CREATE POLICY manager_writes ON station TO vemla_manager USING (true) WITH CHECK (true)",
        "CREATE POLICY technician_registers ON station FOR INSERT TO vemla_technician "
        "WITH CHECK (owner = current_user)",
    };
    for (const char* table : kStationRows) {
        const QString t = QLatin1String(table);
        s << QStringLiteral("ALTER TABLE %1 ENABLE ROW LEVEL SECURITY").arg(t)
          << QStringLiteral("CREATE POLICY everyone_reads ON %1 FOR SELECT USING (true)").arg(t)
          << QStringLiteral("CREATE POLICY manager_writes ON %1 TO vemla_manager USING (true) "
                            "WITH CHECK (true)")
                 .arg(t)
          << QStringLiteral("CREATE POLICY technician_own_station ON %1 TO vemla_technician "
                            "USING (%2) WITH CHECK (%2)")
                 .arg(t, QLatin1String(kOwnStation));
    }
    return s;
}

// The uploads: the stations' own ids (job.id, version.number, record.row) under the station's.
// began is milliseconds since the epoch, as the stations keep it.
QStringList StepOneUploads() {
    return {
        "CREATE EXTENSION IF NOT EXISTS pg_trgm",
        "CREATE TABLE vemla_schema (version integer NOT NULL)",
        "CREATE TABLE station (id text PRIMARY KEY, name text NOT NULL, owner name NOT NULL "
        "DEFAULT current_user, first_seen timestamptz NOT NULL DEFAULT now())",
        "CREATE TABLE job (station text NOT NULL REFERENCES station, id bigint NOT NULL, began "
        "bigint NOT NULL, port integer NOT NULL, device text NOT NULL, waves text NOT NULL, "
        "lasers text NOT NULL, language integer NOT NULL, company text NOT NULL, model text NOT "
        "NULL, serial_number text NOT NULL, test_operator text NOT NULL, notes text NOT NULL, "
        "search text NOT NULL DEFAULT '', PRIMARY KEY (station, id))",
        // A keystroke's search is a substring anywhere in the job's text: trigrams find it.
        "CREATE INDEX job_search ON job USING gin (search gin_trgm_ops)",
        "CREATE INDEX job_began ON job (began DESC)",
        // made_by: the station that made the version, another than the job's for a correction.
        "CREATE TABLE version (station text NOT NULL, job bigint NOT NULL, number integer NOT "
        "NULL, began bigint NOT NULL, count integer NOT NULL, certification text NOT NULL, "
        "interrupted boolean NOT NULL, skipped integer NOT NULL, made_by text NOT NULL, "
        "made_login name NOT NULL DEFAULT current_user, PRIMARY KEY (station, job, number), "
        "FOREIGN KEY (station, job) REFERENCES job ON DELETE CASCADE)",
        "CREATE TABLE record (station text NOT NULL, job bigint NOT NULL, number integer NOT "
        "NULL, row integer NOT NULL, raw bytea NOT NULL, t0 text NOT NULL, t1 text NOT NULL, "
        "t2 text NOT NULL, t3 text NOT NULL, t4 text NOT NULL, t5 text NOT NULL, t6 text NOT "
        "NULL, PRIMARY KEY (station, job, number, row), FOREIGN KEY (station, job, number) "
        "REFERENCES version ON DELETE CASCADE)",
    };
}

// Projects go by name across stations; a reading names its upload by the upload's station.
QStringList StepOneProjects() {
    return {
        "CREATE TABLE project (name text PRIMARY KEY, customer text NOT NULL, site text NOT "
        "NULL, notes text NOT NULL, certification text NOT NULL, waves text NOT NULL, "
        "both_directions boolean NOT NULL, direction_rule integer NOT NULL, "
        "direction_threshold double precision NOT NULL, revision integer NOT NULL DEFAULT 1, "
        "changed_login name NOT NULL DEFAULT current_user, changed_at timestamptz NOT NULL "
        "DEFAULT now())",
        "CREATE TABLE cable (project text NOT NULL REFERENCES project ON DELETE CASCADE ON "
        "UPDATE CASCADE, place integer NOT NULL, cable_id text NOT NULL, length_km double "
        "precision, connections integer, splices integer, from_end text NOT NULL, to_end text "
        "NOT NULL, notes text NOT NULL, PRIMARY KEY (project, place), UNIQUE (project, "
        "cable_id))",
        "CREATE TABLE project_upload (station text NOT NULL, job bigint NOT NULL, project text "
        "NOT NULL REFERENCES project ON DELETE CASCADE ON UPDATE CASCADE, direction integer NOT "
        "NULL, PRIMARY KEY (station, job), FOREIGN KEY (station, job) REFERENCES job ON DELETE "
        "CASCADE)",
        "CREATE TABLE reading (station text NOT NULL, id bigint NOT NULL, project text NOT NULL "
        "REFERENCES project ON DELETE CASCADE ON UPDATE CASCADE, cable_id text NOT NULL, "
        "wavelength integer NOT NULL, direction integer NOT NULL, job bigint NOT NULL, number "
        "integer NOT NULL, row integer NOT NULL, chosen boolean NOT NULL, PRIMARY KEY (station, "
        "id))",
        "CREATE TABLE project_change (station text NOT NULL, id bigint NOT NULL, project text "
        "NOT NULL, at bigint NOT NULL, by_user text NOT NULL, what text NOT NULL, PRIMARY KEY "
        "(station, id))",
    };
}

// Each step takes a server from vemla_schema n to n + 1. A released step is never edited:
// servers made by it exist.
const std::vector<QStringList>& Steps() {
    static const std::vector<QStringList> steps{
        StepOneUploads() + StepOneProjects() + StepOneRights(),
    };
    return steps;
}

// Two init-servers at once take turns: the second finds the first's step done.
constexpr qint64 kInitLock = 0x56454d4c41; // "VEMLA"

struct InitRun {
    QSqlDatabase& db;
    Language language;
    QString* message;
    bool* refused;

    bool Fail(const QSqlError& error) {
        *refused = IsPermissionRefused(error);
        *message = SharedFailureMessage(error, language);
        db.rollback();
        return false;
    }

    // The step the server is at: 0 on a database without Vemla's tables; -1 when it failed.
    int StepReached() {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kInitLock)) ||
            !q.exec(QStringLiteral("SELECT to_regclass('public.vemla_schema') IS NOT NULL")) ||
            !q.next()) {
            Fail(q.lastError());
            return -1;
        }
        if (!q.value(0).toBool())
            return 0;
        if (!q.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM vemla_schema")) ||
            !q.next()) {
            Fail(q.lastError());
            return -1;
        }
        return q.value(0).toInt();
    }

    bool TakeForward(int from) {
        QSqlQuery q(db);
        for (std::size_t step = std::size_t(from); step < Steps().size(); ++step)
            for (const QString& statement : Steps()[step])
                if (!q.exec(statement))
                    return Fail(q.lastError());
        if (!q.exec(QStringLiteral("DELETE FROM vemla_schema")) ||
            !q.exec(
                QStringLiteral("INSERT INTO vemla_schema VALUES (%1)").arg(kSharedSchemaVersion)) ||
            !db.commit())
            return Fail(q.lastError().isValid() ? q.lastError() : db.lastError());
        *message = Pick(text::kSharedReady, language).arg(kSharedSchemaVersion);
        return true;
    }

    bool Run() {
        if (!db.transaction())
            return Fail(db.lastError());
        const int reached = StepReached();
        if (reached < 0)
            return false;
        if (reached >= kSharedSchemaVersion) {
            db.rollback();
            *message =
                reached == kSharedSchemaVersion
                    ? Pick(text::kSharedUpToDate, language).arg(reached)
                    : Pick(text::kSharedNewer, language).arg(reached).arg(kSharedSchemaVersion);
            return reached == kSharedSchemaVersion;
        }
        return TakeForward(reached);
    }
};

} // namespace

const int kSharedSchemaVersion = static_cast<int>(Steps().size());

QString ConfiguredSharedServer() {
    const QString fromEnvironment = qEnvironmentVariable(kSharedServerVariable).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QSettings settings(QString::fromLatin1(kSettingsOrganization),
                             QString::fromLatin1(kSettingsApplication));
    return settings.value(QLatin1String(kSharedServerKey)).toString().trimmed();
}

QSqlDatabase OpenShared(const QString& conninfo, const QString& connectionName, QString* error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    // The whole connection string goes as the driver's options, which it hands to libpq as
    // they are: a service name, a socket folder, sslmode... all work. Its database name would be
    // quoted as one value instead.
    db.setConnectOptions(conninfo);
    if (!db.open() && error)
        *error = ServerWords(db.lastError());
    return db;
}

bool IsPermissionRefused(const QString& sqlState) {
    return sqlState == QLatin1String("42501");
}

bool IsPermissionRefused(const QSqlError& error) {
    return IsPermissionRefused(error.nativeErrorCode());
}

QString ServerWords(const QSqlError& error) {
    QString words = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // "ERROR:  permission denied ...\nHINT:  ...\n(42501)"
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL|PANIC):\\s+"));
    static const QRegularExpression state(QStringLiteral("\\s*\\([0-9A-Z]{5}\\)\\s*$"));
    words.remove(severity).remove(state);
    return words.simplified();
}

QString SharedFailureMessage(const QSqlError& error, Language language) {
    return Pick(IsPermissionRefused(error) ? text::kSharedRefused : text::kSharedFailed, language)
        .arg(ServerWords(error));
}

bool InitServer(const QString& conninfo, Language language, QString* message, bool* refused) {
    bool refusedHere = false;
    bool done = false;
    const QString name = QStringLiteral("vemla-init-server");
    {
        QString error;
        QSqlDatabase db = OpenShared(conninfo, name, &error);
        if (!db.isOpen())
            *message = Pick(text::kSharedUnreachable, language).arg(error.trimmed());
        else
            done = InitRun{db, language, message, &refusedHere}.Run();
    }
    QSqlDatabase::removeDatabase(name);
    if (refused)
        *refused = refusedHere;
    return done;
}

} // namespace vemla
