#include "PgCluster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>
#include <libpq-fe.h>
#include <memory>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vemla::test {

namespace {

QString g_reason;
bool g_missing = false;

// Waits for a spawned child; its exit status, or -1 when it did not exit normally.
int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Spawns argv with stdin from `in` (or /dev/null) and stdout+stderr to `log`; a new session so
// a signal sent to the test's process group does not reach it. 0 when it could not start.
pid_t Spawn(const QStringList& argv, const QString& log, int in = -1) {
    std::vector<QByteArray> bytes;
    for (const QString& a : argv)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char*> raw;
    for (QByteArray& b : bytes)
        raw.push_back(b.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0)
        posix_spawn_file_actions_adddup2(&actions, in, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const QByteArray logName = QFile::encodeName(log);
    posix_spawn_file_actions_addopen(&actions, 1, logName.constData(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    if (posix_spawnp(&pid, raw[0], &actions, &attr, raw.data(), environ) != 0)
        pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return pid;
}

// initdb and the server refuse to run as root: as root (CI's fresh root), they run as nobody.
QStringList AsServerUser(const QStringList& argv) {
    if (geteuid() != 0)
        return argv;
    return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                       QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")} +
           argv;
}

QByteArray Tail(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll().right(2000) : QByteArray();
}

// Runs argv (as the server's user) to its end; false with the log's tail in *why when it failed.
bool Run(const QStringList& argv, const QString& log, QString* why) {
    const pid_t pid = Spawn(AsServerUser(argv), log);
    if (pid > 0 && WaitFor(pid) == 0)
        return true;
    *why = argv.first() + QStringLiteral(" failed: ") + QString::fromLocal8Bit(Tail(log));
    return false;
}

// Where initdb and pg_ctl are: pg_config's answer, else Debian's place for version 15.
QString BinDir() {
    const QString tmp = QDir::tempPath() + QStringLiteral("/vemla-pg-config-%1").arg(getpid());
    QString dir;
    const pid_t pid = Spawn({QStringLiteral("pg_config"), QStringLiteral("--bindir")}, tmp);
    if (pid > 0 && WaitFor(pid) == 0) {
        QFile f(tmp);
        if (f.open(QIODevice::ReadOnly))
            dir = QString::fromLocal8Bit(f.readAll()).trimmed();
    }
    QFile::remove(tmp);
    if (QFileInfo(dir + QStringLiteral("/initdb")).isExecutable())
        return dir;
    return QStringLiteral("/usr/lib/postgresql/15/bin");
}

std::unique_ptr<PgCluster>& Instance() {
    static std::unique_ptr<PgCluster> cluster;
    return cluster;
}

} // namespace

PgCluster* PgCluster::Shared() {
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::unique_ptr<PgCluster> cluster(new PgCluster);
        if (cluster->Start(&g_reason))
            Instance() = std::move(cluster);
    }
    return Instance().get();
}

bool PgCluster::Missing() { return g_missing; }

QString PgCluster::Reason() { return g_reason; }

bool PgCluster::Start(QString* reason) {
    const QString bin = BinDir();
    if (!QFileInfo(bin + QStringLiteral("/initdb")).isExecutable() ||
        !QFileInfo(bin + QStringLiteral("/pg_ctl")).isExecutable()) {
        g_missing = true;
        *reason = QStringLiteral("PostgreSQL's server is not installed (no initdb in ") + bin +
                  QStringLiteral("): apt install postgresql-15");
        return false;
    }
    // Short and private: a Unix socket's path has room for about 100 bytes.
    QByteArray dir = QFile::encodeName(QStringLiteral("/tmp/vemla-pg-XXXXXX"));
    if (!mkdtemp(dir.data())) {
        *reason = QStringLiteral("no temporary folder");
        return false;
    }
    m_dir = QFile::decodeName(dir);
    QDir().mkdir(SocketDir());
    const passwd* nobody = getpwnam("nobody");
    const QByteArray run = QFile::encodeName(SocketDir());
    if (geteuid() == 0 && (!nobody || chown(dir.constData(), nobody->pw_uid, nobody->pw_gid) != 0 ||
                           chown(run.constData(), nobody->pw_uid, nobody->pw_gid) != 0)) {
        *reason = QStringLiteral("cannot give ") + m_dir + QStringLiteral(" to nobody");
        return false;
    }
    StartWatchdog();
    m_port = 20000 + getpid() % 30000;
    const QString data = m_dir + QStringLiteral("/data");
    const QString log = m_dir + QStringLiteral("/setup.log");
    const QString serverLog = m_dir + QStringLiteral("/server.log");
    const bool started = Run({bin + QStringLiteral("/initdb"), QStringLiteral("-D"), data,
                QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("--auth=trust"),
                QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                QStringLiteral("--no-sync")},
               log, reason) &&
           Run({bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), data,
                QStringLiteral("-l"), serverLog, QStringLiteral("-o"),
                QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off")
                    .arg(SocketDir())
                    .arg(m_port),
                QStringLiteral("-w"), QStringLiteral("start")},
               log, reason);
    if (!started)
        *reason += QString::fromLocal8Bit(Tail(serverLog));
    return started;
}

// A shell that waits for the end of a pipe only this process holds: when the test binary
// ends, however it ends, the shell stops the server (an immediate stop, as pg_ctl's) by the
// pid in its pid file and removes the folder. Exiting normally takes the same path. The server
// removes its pid file as it ends; its process may stay a zombie nobody reaps, so that is the sign.
void PgCluster::StartWatchdog() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return;
    static const QString script = QStringLiteral(
        "cat >/dev/null; f=\"$1/data/postmaster.pid\"; pid=$(head -n1 \"$f\" 2>/dev/null); "
        "[ -n \"$pid\" ] && kill -QUIT \"$pid\"; i=0; "
        "while [ -f \"$f\" ] && [ $i -lt 250 ]; do sleep 0.02; i=$((i+1)); done; rm -rf \"$1\"");
    m_watchdogPid = Spawn({QStringLiteral("/bin/sh"), QStringLiteral("-c"), script,
                           QStringLiteral("sh"), m_dir},
                          QStringLiteral("/dev/null"), fds[0]);
    close(fds[0]);
    m_watchdog = fds[1];
}

PgCluster::~PgCluster() {
    if (m_watchdog >= 0)
        close(m_watchdog);
    if (m_watchdogPid > 0)
        WaitFor(m_watchdogPid);
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
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr); // "skipping" and the like
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
    return Exec(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name)).isEmpty() &&
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
