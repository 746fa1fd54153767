// A station's local archive sent to the lab's server (a real one, tests/support/PgCluster) and
// the others' received: every record there exactly once with its texts and frame, whatever
// happened on the way. The outbox's bookkeeping alone is SyncOutboxTest's; the roles' rights
// are SharedArchiveTest's.
#include "CliOptions.h"
#include "SharedSyncFixture.h"
#include "SharedSyncThread.h"

#include <QElapsedTimer>
#include <QThread>
#include <csignal>

#include <gtest/gtest.h>

namespace vemla {
namespace {

using test::PgCluster;
using test::SharedFixture;

// Texts COPY must escape, and some that are not ASCII.
archive_op::AddRecord Awkward(int row) {
    archive_op::AddRecord r = test::Record(row, 1);
    r.texts[1] = QStringLiteral("tab\there \\ back\nline\r");
    r.texts[6] = QStringLiteral("纤芯 %1").arg(row);
    r.raw[5] = uint8_t(row * 7);
    return r;
}

TEST_F(SharedFixture, WhatTheStationKeptIsOnTheServerOnceAsItChanges) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(Serve(cluster, "push"));
    test::Station tom(dir.filePath("tom.sqlite"));
    std::vector<ArchiveOp> ops{archive_op::BeginJob{}};
    for (int row = 0; row < 3000; ++row)
        ops.push_back(Awkward(row));
    ASSERT_TRUE(tom.Apply(ops));
    ASSERT_TRUE(tom.Upload(10));
    const struct {
        const char* name;
        std::vector<ArchiveOp> change; // to the last upload
        qint64 versions, records;
    } steps[]{
        {"both uploads", {}, 2, 3010},
        {"nothing new", {}, 0, 0},
        {"a row edited in the middle", {archive_op::SetText{4, 6, "dirty"}}, 1, 6},
        {"a record inserted at row 2, one appended", {Awkward(2), Awkward(11)}, 1, 10},
        {"a new version", {archive_op::BeginVersion{}, Awkward(0)}, 1, 1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        ASSERT_TRUE(tom.Apply(s.change));
        const SyncResult r = SharedSync(tom.path, Login(cluster, "tom")).SyncOnce();
        EXPECT_EQ(r.outcome, SyncResult::Outcome::Done) << r.reason.toStdString();
        EXPECT_EQ(r.versionsSent, s.versions);
        EXPECT_EQ(r.recordsSent, s.records);
        EXPECT_EQ(r.recordsWaiting, 0);
        EXPECT_EQ(ServerDigest(tom.Id()), tom.Digest());
    }
}

// A login that may only read, and a server that is not there: nothing is lost, all waits.
TEST_F(SharedFixture, ARefusedOrUnreachableSendLeavesEverythingWaiting) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(Serve(cluster, "refused"));
    test::Station st(dir.filePath("st.sqlite"));
    ASSERT_TRUE(st.Upload(5));
    const struct {
        QString server;
        SyncResult::Outcome outcome;
        const char* reason;
    } cases[]{
        {Login(cluster, "vera"), SyncResult::Outcome::Refused, "permission denied"},
        {QStringLiteral("host=%1 port=1 dbname=x").arg(dir.path()),
         SyncResult::Outcome::Unreachable, "No such file or directory"},
    };
    for (const auto& c : cases) {
        const SyncResult r = SharedSync(st.path, c.server).SyncOnce();
        EXPECT_EQ(r.outcome, c.outcome) << c.reason;
        EXPECT_TRUE(r.reason.contains(QLatin1String(c.reason))) << r.reason.toStdString();
        EXPECT_EQ(r.recordsWaiting, 5);
    }
    EXPECT_EQ(ServerDigest(st.Id()), ServerDigest(QStringLiteral("none")));
}

// Each station holds the others' uploads as copies. A manager corrects tom's upload from a
// copy while tom, offline, makes a version of the same number: neither overwrites the other.
TEST_F(SharedFixture, AManagersCorrectionArrivesAsANewVersionBesideOneMadeOffline) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(Serve(cluster, "pull"));
    test::Station tom(dir.filePath("tom.sqlite")), tina(dir.filePath("tina.sqlite")),
        meg(dir.filePath("meg.sqlite"));
    ASSERT_TRUE(tom.Upload(5, 1) && tina.Upload(3, 2));
    const auto sync = [&](test::Station& st, const char* login) {
        const SyncResult r = SharedSync(st.path, Login(cluster, login)).SyncOnce();
        EXPECT_EQ(r.outcome, SyncResult::Outcome::Done) << login << r.reason.toStdString();
        return std::pair{r.versionsReceived, r.recordsReceived};
    };
    sync(tom, "tom");
    EXPECT_EQ(sync(tina, "tina"), std::pair(1LL, 5LL));
    EXPECT_EQ(sync(meg, "meg"), std::pair(2LL, 8LL));
    EXPECT_EQ(sync(tom, "tom"), std::pair(1LL, 3LL));
    EXPECT_EQ(sync(tom, "tom"), std::pair(0LL, 0LL)) << "nothing new";
    ASSERT_EQ(tom.archive.Jobs({}, 10).size(), 2u) << "the lab's uploads";

    const qint64 tomsJob = tom.cursor.job;
    std::optional<qint64> copy;
    for (const ArchivedJob& job : meg.archive.Jobs({}, 10))
        if (meg.archive.Load(job.id)->records.size() == 5)
            copy = job.id;
    ASSERT_TRUE(copy);
    EXPECT_EQ(meg.archive.Load(*copy)->station, tom.Id());
    meg.cursor = {};
    archive_op::AddRecord corrected = test::Record(0, 3);
    corrected.texts[6] = QStringLiteral("corrected");
    ASSERT_TRUE(meg.Apply({archive_op::AttachJob{*copy}, archive_op::BeginVersion{}, corrected}));
    ASSERT_TRUE(tom.Apply({archive_op::BeginVersion{}, test::Record(0, 4)}));
    sync(meg, "meg");
    EXPECT_EQ(sync(tom, "tom"), std::pair(1LL, 1LL));
    EXPECT_EQ(sync(tina, "tina"), std::pair(2LL, 2LL)) << "both versions, as the server has them";

    const std::optional<ArchivedUpload> second = tom.archive.Load(tomsJob, 2),
                                        third = tom.archive.Load(tomsJob, 3);
    ASSERT_TRUE(second && third);
    EXPECT_EQ(second->records.at(0).texts[6], "corrected") << "the manager's, received";
    EXPECT_EQ(third->records.at(0).texts[6], "4-0-6") << "tom's own, moved past it";
    EXPECT_EQ(ServerDigest(tom.Id()), tom.Digest());
}

// `vemla-cli archive sync` for the station whose archive is at `path`, started.
std::unique_ptr<QProcess> StartSync(const QString& path, const QString& server) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VEMLA_ARCHIVE"), path);
    env.insert(QStringLiteral("VEMLA_ARCHIVE_SERVER"), server);
    p->setProcessEnvironment(env);
    p->start(QStringLiteral(VEMLA_CLI), {QStringLiteral("archive"), QStringLiteral("sync")});
    return p;
}

int Finished(QProcess& p) {
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Ten stations, each its own vemla-cli and login, send 10,000 records each at the same time.
TEST_F(SharedFixture, TenStationsAtOnceLeaveEachRecordOnTheServerOnce) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(Serve(cluster, "ten"));
    std::vector<std::unique_ptr<test::Station>> stations;
    std::vector<std::unique_ptr<QProcess>> syncs;
    for (int i = 0; i < 10; ++i) {
        const QString login = QStringLiteral("tech%1").arg(i);
        ASSERT_TRUE(cluster->MakeLogin(login, {QStringLiteral("vemla_technician")}));
        stations.push_back(
            std::make_unique<test::Station>(dir.filePath(login + QStringLiteral(".sqlite"))));
        ASSERT_TRUE(stations.back()->Upload(4000, i) && stations.back()->Upload(6000, i + 10));
        stations.back()->archive.Close();
    }
    for (int i = 0; i < 10; ++i)
        syncs.push_back(StartSync(stations[std::size_t(i)]->path,
                                  cluster->Conninfo(QStringLiteral("tech%1").arg(i), db)));
    for (auto& p : syncs)
        EXPECT_EQ(Finished(*p), kExitDone) << p->readAllStandardError().toStdString();
    EXPECT_EQ(ServerRecords(cluster), 100000);
    for (auto& st : stations)
        EXPECT_EQ(ServerDigest(st->Id()), st->Digest());
}

// A send cut off mid-way, by the server's power cut or the sync's own kill, then run again:
// each record on the server once, nothing left waiting.
TEST_F(SharedFixture, ASendCutOffMidWayAndRunAgainLeavesEachRecordOnce) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(Serve(cluster, "cut"));
    for (const bool serverDies : {true, false}) {
        SCOPED_TRACE(serverDies ? "server stopped" : "sync killed");
        test::Station st(dir.filePath(serverDies ? "a.sqlite" : "b.sqlite"));
        for (int job = 0; job < 4; ++job)
            ASSERT_TRUE(st.Upload(10000, job));
        const qint64 before = ServerRecords(cluster);
        const auto sync = StartSync(st.path, Login(cluster, "tom"));
        // Once the first batch is committed, before the last.
        while (ServerRecords(cluster) == before && sync->state() == QProcess::Running)
            QThread::msleep(5);
        if (serverDies)
            ASSERT_TRUE(Server(cluster, false));
        else
            ::kill(pid_t(sync->processId()), SIGKILL);
        const int cut = Finished(*sync);
        EXPECT_EQ(cut, serverDies ? kExitSharedUnreachable : -1);
        ASSERT_TRUE(!serverDies || (Server(cluster, true) && Reconnect(cluster)));
        const SyncResult again = SharedSync(st.path, Login(cluster, "tom")).SyncOnce();
        EXPECT_EQ(again.outcome, SyncResult::Outcome::Done) << again.reason.toStdString();
        EXPECT_GT(again.recordsSent, 0);
        EXPECT_EQ(again.recordsWaiting, 0);
        EXPECT_EQ(ServerDigest(st.Id()), st.Digest());
    }
}

bool WaitFor(SharedSyncThread& sync, SharedStatus::State state) {
    for (int i = 0; i < 2000 && sync.Status().state != state; ++i)
        QThread::msleep(10);
    return sync.Status().state == state;
}

// The station keeps uploading while the server is away (a second here; a minute with
// VEMLA_SHARED_OUTAGE_S=60): the sync says since when, tries again, and once the server is back
// sends everything. That the upload's own time does not change is BM_UploadWithSharedSync's.
TEST_F(SharedFixture, AServerAwayWhileTheStationUploadsGetsEverythingOnceBack) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(Serve(cluster, "away"));
    const int outageS = qEnvironmentVariableIsSet("VEMLA_SHARED_OUTAGE_S")
                            ? qEnvironmentVariableIntValue("VEMLA_SHARED_OUTAGE_S")
                            : 1;
    test::Station st(dir.filePath("st.sqlite"));
    SharedSyncThread sync(st.path, Login(cluster, "tom"));
    sync.SetRetry(std::chrono::milliseconds(50), std::chrono::milliseconds(400));
    ASSERT_TRUE(Server(cluster, false));
    sync.Start();
    ASSERT_TRUE(WaitFor(sync, SharedStatus::State::Unreachable));
    const SharedStatus away = sync.Status();
    EXPECT_EQ(SharedStatusText(away, Language::English),
              "Shared archive: unreachable since " + away.unreachableSince.toString("hh:mm"));
    QElapsedTimer outage;
    outage.start();
    for (int upload = 0; outage.elapsed() < outageS * 1000; ++upload) {
        ASSERT_TRUE(st.Upload(1000, upload));
        sync.Nudge();
        QThread::msleep(100);
    }
    EXPECT_EQ(sync.Status().state, SharedStatus::State::Unreachable);
    EXPECT_EQ(sync.Status().unreachableSince, away.unreachableSince) << "since the first try";
    ASSERT_TRUE(Server(cluster, true) && Reconnect(cluster));
    EXPECT_TRUE(WaitFor(sync, SharedStatus::State::UpToDate)) << sync.Status().reason.toStdString();
    EXPECT_EQ(ServerDigest(st.Id()), st.Digest());
    sync.Stop();
}

} // namespace
} // namespace vemla
