#pragma once
// A lab for the shared-archive sync tests: a database on the test cluster with the schema and
// its logins, stations' local archives filled directly (the upload is not the point), and one
// digest of a station's records as the server holds them and as the station does.
#include "MeasurementArchive.h"
#include "PgCluster.h"
#include "SharedLink.h"
#include "SharedSchema.h"
#include "SharedSync.h"
#include "SyncOutbox.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace vemla::test {

inline archive_op::AddRecord Record(int row, int seed) {
    archive_op::AddRecord r;
    r.row = row;
    r.raw[0] = 0x7B;
    r.raw[3] = uint8_t(row >> 8);
    r.raw[4] = uint8_t(row);
    r.raw[6] = uint8_t(seed);
    for (std::size_t c = 0; c < r.texts.size(); ++c)
        r.texts[c] = QStringLiteral("%1-%2-%3").arg(seed).arg(row).arg(c);
    return r;
}

// "count:md5" of the records, one line each: station|job|number|row|frame|t0|…|t6.
inline QString DigestOf(const QStringList& lines) {
    return QStringLiteral("%1:%2").arg(lines.size()).arg(
        lines.isEmpty() ? QString()
                        : QString::fromLatin1(QCryptographicHash::hash(
                                                  lines.join(QLatin1Char('\n')).toUtf8(),
                                                  QCryptographicHash::Md5)
                                                  .toHex()));
}

// A station's local archive, its operations applied as the writer applies them.
struct Station {
    explicit Station(const QString& file) : path(file) {
        EXPECT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
    }
    // To the job in hand, as an opened upload's edits go.
    bool Apply(std::vector<ArchiveOp> ops) {
        if (cursor.job)
            ops.insert(ops.begin(), archive_op::AttachJob{cursor.job});
        return archive.Apply(ops, cursor);
    }
    bool Upload(int records, int seed = 0) {
        cursor = {};
        std::vector<ArchiveOp> ops{archive_op::BeginJob{}};
        for (int row = 0; row < records; ++row)
            ops.push_back(Record(row, seed));
        return Apply(ops);
    }
    QString Id() {
        SyncOutbox outbox;
        return outbox.Open(path, nullptr) ? outbox.StationId().value_or(QString()) : QString();
    }
    // The station's own uploads, as the server should hold them.
    QString Digest() {
        const QString station = Id();
        QStringList lines;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "digest");
            db.setDatabaseName(path);
            QSqlQuery q(db);
            EXPECT_TRUE(db.open() &&
                        q.exec("SELECT v.job, v.number, r.row, lower(hex(r.raw)), r.t0, r.t1, "
                               "r.t2, r.t3, r.t4, r.t5, r.t6 FROM record r JOIN version v ON v.id "
                               "= r.version JOIN job j ON j.id = v.job WHERE j.station = '' "
                               "ORDER BY v.job, v.number, r.row"));
            while (q.next()) {
                QStringList line{station};
                for (int c = 0; c < 11; ++c)
                    line << q.value(c).toString();
                lines << line.join(QLatin1Char('|'));
            }
        }
        QSqlDatabase::removeDatabase("digest");
        return DigestOf(lines);
    }

    QString path;
    MeasurementArchive archive;
    ArchiveCursor cursor;
};

class SharedFixture : public ::testing::Test {
protected:
    // A fresh database with the schema; technicians tom and tina, viewer vera, manager meg.
    bool Serve(PgCluster* cluster, const char* database) {
        db = QLatin1String(database);
        QString message;
        const bool made = cluster->MakeDatabase(db) &&
                          InitServer(cluster->SuperConninfo(db), Language::English, &message);
        EXPECT_TRUE(made) << message.toStdString();
        for (const auto& [login, role] : {std::pair{"vera", "vemla_viewer"},
                                          {"tom", "vemla_technician"},
                                          {"tina", "vemla_technician"},
                                          {"meg", "vemla_manager"}})
            if (!cluster->MakeLogin(QLatin1String(login), {QLatin1String(role)}))
                return false;
        return made && super.Open(cluster->SuperConninfo(db), 5);
    }
    QString Login(PgCluster* cluster, const char* login) const {
        return cluster->Conninfo(QLatin1String(login), db);
    }
    // The cluster stopped at once, as a power cut would (pg_ctl stop -m immediate), or started.
    static bool Server(PgCluster* cluster, bool up) {
        QStringList argv{QStringLiteral("/usr/lib/postgresql/15/bin/pg_ctl"), "-D",
                         cluster->SocketDir() + "/../data", "-w", "-l",
                         cluster->SocketDir() + "/../server.log"};
        argv << (up ? QStringList{"-o",
                                  QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off")
                                      .arg(cluster->SocketDir())
                                      .arg(cluster->Port()),
                                  "start"}
                    : QStringList{"-m", "immediate", "stop"});
        if (geteuid() == 0)
            argv = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"} +
                   argv;
        QProcess p;
        p.start(argv.takeFirst(), argv);
        return p.waitForFinished(30000) && p.exitCode() == 0;
    }
    bool Reconnect(PgCluster* cluster) { return super.Open(cluster->SuperConninfo(db), 5); }
    // The records the server holds, as the superuser sees them; -1 when it cannot be asked.
    qint64 ServerRecords(PgCluster*) {
        const std::optional<QString> n = super.Value("SELECT count(*) FROM record");
        return n ? n->toLongLong() : -1;
    }
    QString ServerDigest(const QString& station) {
        QStringList lines;
        EXPECT_TRUE(super.Each(
            "SELECT concat_ws('|', station, job, number, row, encode(raw, 'hex'), t0, t1, t2, t3, "
            "t4, t5, t6) FROM record WHERE station = $1 ORDER BY job, number, row",
            {station}, [&](const auto& value) { lines << QString::fromUtf8(value(0)); }))
            << super.LastFault().message.toStdString();
        return DigestOf(lines);
    }

    QTemporaryDir dir;
    QString db;
    SharedLink super; // the cluster's superuser on db
};

} // namespace vemla::test
