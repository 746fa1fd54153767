// The lab's shared archive on a real PostgreSQL server (tests/support/PgCluster): the schema's
// steps, and what the server itself allows each role, by raw SQL as those logins; the program's
// use of it is tested where it lives (tests/cli: init-server's exit codes and messages).
#include "PgCluster.h"
#include "SharedSchema.h"
#include "SharedSearch.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using test::PgCluster;

TEST(SharedSchema, SecondRunIsUpToDateAndANewerServerIsLeftAlone) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(cluster->MakeDatabase(QStringLiteral("steps")));
    // Then named by a service alone, as a station may name its server.
    QTemporaryFile services;
    ASSERT_TRUE(services.open());
    services.write(QStringLiteral("[lab]\nhost=%1\nport=%2\ndbname=steps\nuser=postgres\n")
                       .arg(cluster->SocketDir())
                       .arg(cluster->Port())
                       .toUtf8());
    services.flush();
    qputenv("PGSERVICEFILE", QFile::encodeName(services.fileName()));
    const struct {
        QString conninfo;
        const char* before; // SQL run first, as the superuser
        Language language;
        bool done;
        const char* message;
    } runs[] = {
        {cluster->SuperConninfo(QStringLiteral("steps")), "", Language::English, true,
         "The shared archive is ready (schema step 1)."},
        {"service=lab", "", Language::Chinese, true, "共享存档已是最新（结构版本 1）。"},
        {"service=lab", "UPDATE vemla_schema SET version = 7", Language::English, false,
         "The shared archive was made by a newer Vemla (schema step 7; this one knows up to 1). "
         "It is left as it is."},
    };
    for (const auto& run : runs) {
        ASSERT_EQ(cluster->Exec(QLatin1String(run.before), QStringLiteral("steps")), QString());
        QString message;
        bool refused = true;
        EXPECT_EQ(InitServer(run.conninfo, run.language, &message, &refused), run.done);
        EXPECT_EQ(message, QString::fromUtf8(run.message));
        EXPECT_FALSE(refused);
    }
    qunsetenv("PGSERVICEFILE");
}

// Two technicians' stations with an upload each, a project with a cable; a viewer, a manager.
constexpr const char* kSeed =
    "INSERT INTO station (id, name, owner) VALUES ('S-tom', 'bench 1', 'tom'), "
    "('S-tina', 'bench 2', 'tina');"
    "INSERT INTO job SELECT s, 1, 0, 1, 'OPM', '1310', '', 0, '', '', '', '', '', '' "
    "FROM unnest(ARRAY['S-tom', 'S-tina']) s;"
    "INSERT INTO version SELECT station, 1, 1, 0, 2, '', false, 0, station FROM job;"
    "INSERT INTO record SELECT station, 1, 1, r, '\\x01', '', '', '', '', '', '', '' "
    "FROM version, generate_series(0, 1) r;"
    "INSERT INTO project VALUES ('P', '', '', '', '', '1310', false, 0, 0);"
    "INSERT INTO cable VALUES ('P', 0, 'J01', NULL, NULL, NULL, '', '', '');";

constexpr int kRefused = -1;

class SharedRoles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PgCluster* cluster = PgCluster::Shared();
        if (!cluster)
            return;
        QString message;
        ASSERT_TRUE(cluster->MakeDatabase(QStringLiteral("roles")));
        ASSERT_TRUE(InitServer(cluster->SuperConninfo(QStringLiteral("roles")), Language::English,
                               &message))
            << message.toStdString();
        for (const auto& [login, role] : {std::pair{"vera", "vemla_viewer"},
                                          {"tom", "vemla_technician"},
                                          {"tina", "vemla_technician"},
                                          {"meg", "vemla_manager"}})
            ASSERT_TRUE(cluster->MakeLogin(QLatin1String(login), {QLatin1String(role)}));
        ASSERT_EQ(cluster->Exec(QLatin1String(kSeed), QStringLiteral("roles")), QString());
    }

    // The rows the statement touched as `login`, or kRefused when the server said 42501;
    // undone after, so each case starts from the seed.
    static int RowsAs(PgCluster* cluster, const QString& login, const QString& sql) {
        const QString name = QStringLiteral("roles-") + login;
        QString error;
        QSqlDatabase db =
            QSqlDatabase::contains(name)
                ? QSqlDatabase::database(name)
                : OpenShared(cluster->Conninfo(login, QStringLiteral("roles")), name, &error);
        EXPECT_TRUE(db.isOpen()) << error.toStdString();
        db.transaction();
        QSqlQuery q(db);
        const bool ran = q.exec(sql);
        const int rows = ran                                  ? q.numRowsAffected()
                         : IsPermissionRefused(q.lastError()) ? kRefused
                                                              : -2;
        EXPECT_NE(rows, -2) << q.lastError().text().toStdString();
        db.rollback();
        return rows;
    }
};

TEST_F(SharedRoles, TheServerLetsEachLoginWriteOnlyWhatItsRoleAllows) {
    VEMLA_REQUIRE_PG(cluster);
    const QString newJob = QStringLiteral(
        "INSERT INTO job VALUES ('%1', 2, 0, 1, 'OPM', '1310', '', 0, '', '', '', '', '', '')");
    const QString newVersion =
        QStringLiteral("INSERT INTO version VALUES ('%1', 1, 2, 0, 0, '', false, 0, '%2')");
    const struct {
        const char* login;
        QString sql;
        int rows;
    } cases[] = {
        {"vera", QStringLiteral("SELECT * FROM record"), 4},
        {"vera", QStringLiteral("INSERT INTO station (id, name) VALUES ('S-vera', '')"), kRefused},
        {"vera", newJob.arg("S-tom"), kRefused},
        {"vera", QStringLiteral("UPDATE record SET t0 = 'x'"), kRefused},
        {"vera", QStringLiteral("DELETE FROM version"), kRefused},
        {"tom", QStringLiteral("INSERT INTO station (id, name) VALUES ('S-tom2', '')"), 1},
        {"tom", QStringLiteral("INSERT INTO station VALUES ('S-x', '', 'tina')"), kRefused},
        {"tom", newJob.arg("S-tom"), 1},
        {"tom", newJob.arg("S-tina"), kRefused},
        {"tom", newVersion.arg("S-tina", "S-tom"), kRefused},
        {"tom", QStringLiteral("UPDATE record SET t0 = 'x'"), 2},
        {"tom", QStringLiteral("DELETE FROM version WHERE station = 'S-tina'"), 0},
        {"tom", QStringLiteral("UPDATE job SET notes = 'x' WHERE station = 'S-tina'"), 0},
        {"tom", QStringLiteral("DELETE FROM record WHERE station = 'S-tina'"), 0},
        {"tom",
         QStringLiteral("INSERT INTO reading VALUES ('S-tina', 1, 'P', 'J01', 1310, 0, 1, 1, 0, "
                        "true)"),
         kRefused},
        {"tom", QStringLiteral("UPDATE project SET notes = 'x'"), kRefused},
        {"tom", QStringLiteral("DELETE FROM cable"), kRefused},
        {"tom",
         QStringLiteral("INSERT INTO project_change VALUES ('S-tom', 1, 'P', 0, 'tom', 'x')"), 1},
        {"meg", newVersion.arg("S-tina", "S-meg"), 1},
        {"meg", QStringLiteral("UPDATE record SET t0 = 'x'"), 4},
        {"meg", QStringLiteral("UPDATE project SET notes = 'x'"), 1},
        {"meg", QStringLiteral("INSERT INTO cable VALUES ('P', 1, 'J02', 1, 2, 3, '', '', '')"), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RowsAs(cluster, QLatin1String(c.login), c.sql), c.rows)
            << c.login << ": " << c.sql.toStdString();
}

// Four uploads of two stations, newest first: their search texts as the stations keep them.
constexpr const char* kSearchSeed =
    "INSERT INTO station VALUES ('A', 'a', 'postgres'), ('B', 'b', 'postgres');"
    "INSERT INTO job (station, id, began, port, device, waves, lasers, language, company, model, "
    "serial_number, test_operator, notes, search) VALUES "
    "('A', 1, 4000, 1, '', '', '', 0, '', '', '', '', '', 'acme 50% loss'),"
    "('B', 1, 3000, 1, '', '', '', 0, '', '', '', '', '', 'acme 500 loss'),"
    "('A', 2, 2000, 1, '', '', '', 0, '', '', '', '', '', 'a_c 光纤 hall'),"
    "('B', 2, 1000, 1, '', '', '', 0, '', '', '', '', '', 'abc hall');"
    "INSERT INTO version SELECT station, id, 1, 0, 9, '', false, 0, station FROM job;";

TEST(SharedSearch, FindsTheTextLiterallyInAnyCaseNewestFirst) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(cluster->MakeDatabase(QStringLiteral("search")));
    QString message;
    ASSERT_TRUE(
        InitServer(cluster->SuperConninfo(QStringLiteral("search")), Language::English, &message));
    ASSERT_EQ(cluster->Exec(QString::fromUtf8(kSearchSeed), QStringLiteral("search")), QString());
    QString error;
    const QSqlDatabase db =
        OpenShared(cluster->SuperConninfo(QStringLiteral("search")), QStringLiteral("s"), &error);
    const struct {
        const char* filter;
        int limit;
        const char* found; // station and id of each, in order
    } cases[] = {
        {"", 10, "A1 B1 A2 B2"}, {"ACME", 10, "A1 B1"}, {"acme", 1, "A1"},
        {"50%", 10, "A1"},       {"a_c", 10, "A2"},     {"光纤 HALL", 10, "A2"},
        {"hall", 10, "A2 B2"},   {"\\", 10, ""},        {"acme", 0, ""},
    };
    for (const auto& c : cases) {
        const auto jobs = SearchShared(db, QString::fromUtf8(c.filter), c.limit);
        ASSERT_TRUE(jobs);
        QStringList found;
        for (const SharedJob& job : *jobs)
            found << job.station + QString::number(job.id);
        EXPECT_EQ(found.join(' '), QLatin1String(c.found)) << c.filter;
    }
}

} // namespace
} // namespace vemla
