// A station's local archive sent to the lab's server (a real one, tests/support/PgCluster) and
// the others' received: every record there exactly once with its texts and frame, whatever
// happened on the way. The outbox's bookkeeping alone is SyncOutboxTest's; the roles' rights
// are SharedArchiveTest's.
#include "SharedSyncFixture.h"

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

} // namespace
} // namespace vemla
