// vemla-cli's shared archive commands against a throwaway PostgreSQL server: where the server
// is named, the exit codes, and the lines printed. What the server allows each role is
// tests/archive's SharedArchiveTest, and so is the search's matching.
#include "CliFixture.h"
#include "PgCluster.h"

#include <QDir>

namespace vemla {
namespace {

class CliShared : public test::CliFixture {
protected:
    // The window's setting, as the Shared archive dialog keeps it.
    void KeepServerSetting(const QString& server) {
        QSettings window(Path("Vemla/Vemla.conf"), QSettings::IniFormat);
        window.setValue(QStringLiteral("SharedArchive/Server"), server);
    }
    QString Output() { return QString::fromUtf8(cli.readAllStandardOutput()); }
};

TEST_F(CliShared, InitServerTakesTheServerFromOptionEnvironmentOrSettingAndSaysWhyNot) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(cluster->MakeDatabase(QStringLiteral("cli")));
    ASSERT_TRUE(cluster->MakeLogin(QStringLiteral("lee")));
    const QString super = cluster->SuperConninfo(QStringLiteral("cli"));
    const QString gone = QStringLiteral("host=%1 dbname=cli").arg(Path("nowhere"));
    const struct {
        QString setting, environment;
        QStringList args;
        int exit;
        const char* said; // on stderr; a success is said on stdout
    } runs[] = {
        {{}, {}, {}, 2, "no shared archive server is named: give --server CONNINFO"},
        {super, {}, {"--server", gone}, 6, "The shared archive server cannot be reached: "},
        {{},
         {},
         {"--server", cluster->Conninfo("lee", "cli")},
         8,
         "The shared archive server refused: your login has no right to do this. Ask the lab's "
         "archive manager for the role it needs. (permission denied to create extension "
         "\"pg_trgm\" "
         "HINT: Must have CREATE privilege on current database to create this extension.)\n"},
        {super, {}, {}, 0, ""},
        {gone, super, {}, 0, ""}, // the environment wins
    };
    for (const auto& run : runs) {
        KeepServerSetting(run.setting);
        qputenv("VEMLA_ARCHIVE_SERVER", run.environment.toUtf8());
        EXPECT_EQ(Run(QStringList{"archive", "init-server"} + run.args), run.exit)
            << err.toStdString();
        EXPECT_TRUE(err.contains(QLatin1String(run.said))) << err.toStdString();
        EXPECT_EQ(Output().isEmpty(), run.exit != 0);
    }
    qunsetenv("VEMLA_ARCHIVE_SERVER");
}

TEST_F(CliShared, SearchPrintsAStationsUploadsOneALine) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(cluster->MakeDatabase(QStringLiteral("clisearch")));
    const QString server = cluster->SuperConninfo(QStringLiteral("clisearch"));
    ASSERT_EQ(Run({"archive", "init-server", "--server", server}), 0) << err.toStdString();
    const QDateTime began(QDate(2024, 5, 6), QTime(7, 8, 9));
    ASSERT_EQ(cluster->Exec(
                  QStringLiteral("INSERT INTO station VALUES ('S1', 'bench 1', 'postgres');"
                                 "INSERT INTO job VALUES ('S1', 12, %1, 3, 'OPM-4', '1310', '', 0, "
                                 "'ACME', '', '', 'Ann', 'line\nbreak', 'acme ann');"
                                 "INSERT INTO version VALUES ('S1', 12, 1, 0, 7, '', false, 0, "
                                 "'S1'), ('S1', 12, 2, 0, 5, '', true, 0, 'S1');")
                      .arg(began.toMSecsSinceEpoch()),
                  QStringLiteral("clisearch")),
              QString());
    EXPECT_EQ(Run({"archive", "search", "ANN", "--server", server}), 0) << err.toStdString();
    EXPECT_EQ(Output(), "2024-05-06 07:08:09\tbench 1\t12\tCOM3\tOPM-4\t5 (interrupted)\t2\t"
                        "ACME\tAnn\tline break\n");
    EXPECT_EQ(Run({"archive", "search", "", "--limit", "0", "--server", server}), 2);
}

} // namespace
} // namespace vemla
