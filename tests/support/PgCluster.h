#pragma once
// A throwaway PostgreSQL cluster for the shared-archive tests: made once per test binary on a
// Unix socket in a private folder (no TCP), and stopped when the binary exits, crashed or not.
// A test that needs it begins with VEMLA_REQUIRE_PG(cluster) (Google Test's skip or failure).

#include <QString>
#include <QStringList>
#include <memory>

class QProcess;

namespace vemla::test {

class PgCluster {
public:
    // The binary's one cluster, started on the first call; nullptr when it could not be had:
    // Missing() when the server's binaries are not installed (the only reason to skip), else
    // it failed to start. Reason() says which.
    static PgCluster* Shared();
    static bool Missing();
    static QString Reason();

    // libpq connection strings on the cluster's socket: the superuser "postgres", or a login.
    QString SuperConninfo(const QString& database = QStringLiteral("postgres")) const;
    QString Conninfo(const QString& login, const QString& database) const;
    QString SocketDir() const { return m_dir + QStringLiteral("/run"); }
    int Port() const { return m_port; }

    // SQL run as the superuser on `database` (one libpq call, so several statements may go);
    // empty on success, else the server's message.
    QString Exec(const QString& sql, const QString& database = QStringLiteral("postgres")) const;
    // A fresh, empty database of this name owned by `owner` (dropped first when there).
    bool MakeDatabase(const QString& name, const QString& owner = QStringLiteral("postgres")) const;
    // A login role of this name (no password: the cluster trusts its socket), made if absent,
    // member of `groups` (made as NOLOGIN roles when absent too).
    bool MakeLogin(const QString& name, const QStringList& groups = {}) const;

    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

private:
    PgCluster() = default;
    bool Start(QString* reason);
    void StartWatchdog();

    QString m_dir;                        // the private folder: data/ and run/ (the socket) inside
    int m_port = 0;                       // names the socket file only: nothing listens on TCP
    std::unique_ptr<QProcess> m_watchdog; // stops the server when its input ends
};

} // namespace vemla::test

#define VEMLA_REQUIRE_PG(var)                                                                      \
    ::vemla::test::PgCluster* var = ::vemla::test::PgCluster::Shared();                            \
    if (!var && ::vemla::test::PgCluster::Missing())                                               \
        GTEST_SKIP() << ::vemla::test::PgCluster::Reason().toStdString();                          \
    else if (!var)                                                                                 \
    FAIL() << ::vemla::test::PgCluster::Reason().toStdString()
