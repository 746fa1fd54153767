#pragma once
// A throwaway PostgreSQL server for the shared archive's benchmarks, on a Unix socket in a
// private folder, stopped and removed at the end. The benchmarks build without the tests, so
// the tests' cluster is not at hand; this is the least of it. As root (CI), the server runs as
// nobody, which initdb and postgres insist on.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <pwd.h>
#include <unistd.h>

namespace vemla::bench {

class BenchPg {
public:
    BenchPg() {
        const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin");
        m_dir = QDir::tempPath() + QStringLiteral("/vemla-bench-pg-%1").arg(getpid());
        QDir().mkpath(m_dir);
        const passwd* nobody = getpwnam("nobody");
        if (geteuid() == 0 && (!nobody || chown(QFile::encodeName(m_dir).constData(),
                                                nobody->pw_uid, nobody->pw_gid) != 0))
            return;
        m_ok = QFileInfo(bin + QStringLiteral("/initdb")).isExecutable() &&
               Run({bin + "/initdb", "-D", m_dir + "/data", "-U", "postgres", "--auth=trust",
                    "-E", "UTF8", "--no-sync"}) &&
               Run({bin + "/pg_ctl", "-D", m_dir + "/data", "-l", m_dir + "/log", "-o",
                    QStringLiteral("-k %1 -c listen_addresses='' -p 5433 -c fsync=off").arg(m_dir),
                    "-w", "start"});
        m_pgCtl = bin + QStringLiteral("/pg_ctl");
    }
    ~BenchPg() {
        if (m_ok)
            Run({m_pgCtl, "-D", m_dir + "/data", "-m", "immediate", "stop"});
        QDir(m_dir).removeRecursively();
    }
    bool Ok() const { return m_ok; }
    QString Conninfo() const {
        return QStringLiteral("host=%1 port=5433 dbname=postgres user=postgres").arg(m_dir);
    }

private:
    static bool Run(QStringList argv) {
        if (geteuid() == 0)
            argv = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"} +
                   argv;
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(argv.takeFirst(), argv);
        return p.waitForFinished(60000) && p.exitCode() == 0;
    }

    QString m_dir;
    QString m_pgCtl;
    bool m_ok = false;
};

} // namespace vemla::bench
