#include "PgCluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

namespace vemla::test {

namespace {

QString g_reason;
bool g_missing = false;
std::unique_ptr<PgCluster> g_cluster;

// Runs the program to its end, as nobody when root: initdb and the server refuse to run as
// root, and CI runs as root in a fresh root. False with its output's tail in *why.
bool Run(QString program, QStringList args, QString* why) {
    if (geteuid() == 0) {
        args = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                           QStringLiteral("--clear-groups"), program} +
               args;
        program = QStringLiteral("setpriv");
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    *why = program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(" failed: ") +
           p.errorString() + QLatin1Char('\n') + QString::fromLocal8Bit(p.readAll().right(2000));
    return false;
}

// Where initdb and pg_ctl are: pg_config's answer, else Debian's place for version 15.
QString BinDir() {
    QProcess p;
    p.start(QStringLiteral("pg_config"), {QStringLiteral("--bindir")});
    const QString dir = p.waitForFinished() ? QString::fromLocal8Bit(p.readAll()).trimmed() : "";
    return QFileInfo(dir + QStringLiteral("/initdb")).isExecutable()
               ? dir
               : QStringLiteral("/usr/lib/postgresql/15/bin");
}

} // namespace

PgCluster* PgCluster::Shared() {
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::unique_ptr<PgCluster> cluster(new PgCluster);
        if (cluster->Start(&g_reason))
            g_cluster = std::move(cluster);
        // Stopped while the application still is: the watchdog is a QProcess.
        qAddPostRoutine([] { g_cluster.reset(); });
    }
    return g_cluster.get();
}

bool PgCluster::Missing() {
    return g_missing;
}

QString PgCluster::Reason() {
    return g_reason;
}

bool PgCluster::Start(QString* reason) {
    const QString bin = BinDir();
    if (!QFileInfo(bin + QStringLiteral("/pg_ctl")).isExecutable()) {
        g_missing = true;
        *reason = QStringLiteral("no PostgreSQL server in %1: apt install postgresql-15").arg(bin);
        return false;
    }
    // Short and private: a Unix socket's path has room for about 100 bytes.
    QByteArray dir("/tmp/vemla-pg-XXXXXX");
    if (!mkdtemp(dir.data())) {
        *reason = QStringLiteral("no temporary folder");
        return false;
    }
    m_dir = QFile::decodeName(dir);
    const passwd* nobody = getpwnam("nobody");
    if (!QDir().mkdir(SocketDir()) ||
        (geteuid() == 0 &&
         (!nobody || chown(dir.constData(), nobody->pw_uid, nobody->pw_gid) != 0 ||
          chown(QFile::encodeName(SocketDir()).constData(), nobody->pw_uid, nobody->pw_gid)))) {
        *reason = QStringLiteral("cannot prepare ") + m_dir;
        return false;
    }
    StartWatchdog();
    m_port = 20000 + getpid() % 30000;
    const QString data = m_dir + QStringLiteral("/data");
    const QString options = QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off");
    return Run(bin + QStringLiteral("/initdb"),
               {"-D", data, "-U", "postgres", "--auth=trust", "-E", "UTF8", "--locale=C.UTF-8",
                "--no-sync"},
               reason) &&
           Run(bin + QStringLiteral("/pg_ctl"),
               {"-D", data, "-l", m_dir + QStringLiteral("/server.log"), "-o",
                options.arg(SocketDir()).arg(m_port), "-w", "start"},
               reason);
}

// A shell in a session of its own that waits for the end of its input, a pipe only this
// process holds: when the test binary ends, however it ends, the shell stops the server (an
// immediate stop, as pg_ctl's) by the pid in its pid file and removes the folder. Exiting
// normally takes the same path. The server removes its pid file as it ends; its process may
// stay a zombie nobody reaps, so that is the sign.
void PgCluster::StartWatchdog() {
    static const QString script = QStringLiteral(
        "cat >/dev/null; f=\"$1/data/postmaster.pid\"; pid=$(head -n1 \"$f\" 2>/dev/null); "
        "[ -n \"$pid\" ] && kill -QUIT \"$pid\"; i=0; "
        "while [ -f \"$f\" ] && [ $i -lt 250 ]; do sleep 0.02; i=$((i+1)); done; rm -rf \"$1\"");
    m_watchdog = std::make_unique<QProcess>();
    m_watchdog->setChildProcessModifier([] { setsid(); });
    m_watchdog->setStandardOutputFile(QProcess::nullDevice());
    m_watchdog->setStandardErrorFile(QProcess::nullDevice());
    m_watchdog->start(QStringLiteral("/bin/sh"), {"-c", script, "sh", m_dir});
    m_watchdog->waitForStarted();
}

PgCluster::~PgCluster() {
    if (!m_watchdog)
        return;
    m_watchdog->closeWriteChannel();
    m_watchdog->waitForFinished(10000);
}
QString PgCluster::SuperConninfo(const QString& database) const {
    return Conninfo(QStringLiteral("postgres"), database);
}

QString PgCluster::Conninfo(const QString& login, const QString& database) const {
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(SocketDir())
        .arg(m_port)
        .arg(database, login);
}

QString PgCluster::Exec(const QString& sql, const QString& database) const {
    PGconn* conn = PQconnectdb(SuperConninfo(database).toUtf8().constData());
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr); // "skipping" and the like
    QString error;
    if (PQstatus(conn) != CONNECTION_OK) {
        error = QString::fromUtf8(PQerrorMessage(conn));
    } else {
        PGresult* result = PQexec(conn, sql.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            error = QString::fromUtf8(PQresultErrorMessage(result));
        PQclear(result);
    }
    PQfinish(conn);
    return error;
}

bool PgCluster::MakeDatabase(const QString& name, const QString& owner) const {
    // Two calls: CREATE DATABASE refuses to run in the transaction one call's statements share.
    return Exec(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name))
               .isEmpty() &&
           Exec(QStringLiteral("CREATE DATABASE \"%1\" OWNER \"%2\"").arg(name, owner)).isEmpty();
}

bool PgCluster::MakeLogin(const QString& name, const QStringList& groups) const {
    QString sql;
    const QStringList roles = QStringList(groups) << name;
    for (const QString& role : roles) {
        const bool login = role == name;
        sql += QStringLiteral("DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = "
                              "'%1') THEN CREATE ROLE \"%1\" %2; END IF; END$$;")
                   .arg(role, login ? QStringLiteral("LOGIN") : QStringLiteral("NOLOGIN"));
    }
    for (const QString& group : groups)
        sql += QStringLiteral("GRANT \"%1\" TO \"%2\";").arg(group, name);
    return Exec(sql).isEmpty();
}

} // namespace vemla::test
