// The outbox the shared archive is fed from: after each kind of change the writer makes, and
// after a send acknowledged, released or cut off by a crash, exactly the rows the server lacks
// wait. The sending itself is SharedSyncTest's.
#include "MeasurementArchive.h"
#include "SqlOnFile.h"
#include "SyncOutbox.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using Waiting = std::vector<std::pair<int, int>>; // (first row to send, count) per version

archive_op::AddRecord At(int row) {
    archive_op::AddRecord r;
    r.row = row;
    r.texts[0] = QString::number(row);
    return r;
}

std::vector<ArchiveOp> Appended(int from, int n) {
    std::vector<ArchiveOp> ops;
    for (int row = from; row < from + n; ++row)
        ops.push_back(At(row));
    return ops;
}

// An archive whose one job of five records the server has acknowledged.
class Outbox : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void Fresh() {
        path = dir.filePath(QStringLiteral("archive%1.sqlite").arg(++files));
        cursor = {};
        ASSERT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
        std::vector<ArchiveOp> upload = Appended(0, 5);
        upload.insert(upload.begin(), archive_op::BeginJob{});
        ASSERT_TRUE(Apply(upload));
        ASSERT_TRUE(outbox.Open(path, nullptr));
        EXPECT_EQ(outbox.RecordsWaiting(), 5);
        ASSERT_TRUE(outbox.Acknowledge(outbox.Claim(10, 1000, nullptr), nullptr));
        ASSERT_EQ(outbox.RecordsWaiting(), 0);
    }
    // The operations go to the job's latest version, as an opened upload's edits do.
    bool Apply(std::vector<ArchiveOp> ops) {
        if (cursor.job)
            ops.insert(ops.begin(), archive_op::AttachJob{cursor.job});
        return archive.Apply(ops, cursor);
    }
    // What a send would take now; nothing is left claimed.
    Waiting Claimable() {
        Waiting waiting;
        const std::vector<OutboxVersion> claimed = outbox.Claim(10, 1 << 20, nullptr);
        for (const OutboxVersion& v : claimed)
            waiting.emplace_back(v.from, v.count);
        EXPECT_TRUE(outbox.Release(claimed));
        return waiting;
    }

    QTemporaryDir dir;
    int files = 0;
    QString path;
    MeasurementArchive archive;
    ArchiveCursor cursor;
    SyncOutbox outbox;
};

enum class End { Acknowledged, Released, Crashed };

TEST_F(Outbox, ExactlyWhatTheServerLacksWaitsAfterEachChangeAndEachEndOfASend) {
    archive_op::SetText edit6{.row = 6, .column = 6, .text = "dirty"};
    archive_op::SetText edit1{.row = 1, .column = 6, .text = "dirty"};
    const std::vector<ArchiveOp> twoMore = Appended(5, 2);
    const struct {
        const char* name;
        std::vector<ArchiveOp> before; // changes before the send is claimed
        std::vector<ArchiveOp> during; // changes while it is in flight
        End end;
        Waiting waiting;
        qint64 records;
    } cases[]{
        {"two appended, send released", twoMore, {}, End::Released, {{5, 7}}, 2},
        {"row 3 edited", {archive_op::SetText{3, 1, "x"}}, {}, End::Released, {{3, 5}}, 2},
        {"rows 4 then 2 edited", {archive_op::SetText{4, 1, "x"}, archive_op::SetText{2, 1, "y"}},
         {}, End::Released, {{2, 5}}, 3},
        {"a record inserted at row 1", {At(1)}, {}, End::Released, {{1, 6}}, 5},
        {"marked interrupted", {archive_op::MarkInterrupted{}}, {}, End::Released, {{5, 5}}, 0},
        {"header changed", {archive_op::SetHeader{}}, {}, End::Released, {{5, 5}}, 0},
        {"a new version", {archive_op::BeginVersion{}, At(0), At(1)}, {}, End::Released,
         {{0, 2}}, 2},
        {"two appended, send acknowledged", twoMore, {}, End::Acknowledged, {}, 0},
        {"one more appended in flight", twoMore, {At(7)}, End::Acknowledged, {{7, 8}}, 1},
        {"a row sent edited in flight", twoMore, {edit6}, End::Acknowledged, {{6, 7}}, 1},
        {"a row sent before edited in flight", twoMore, {edit1}, End::Acknowledged, {{1, 7}}, 6},
        {"the sync killed", twoMore, {}, End::Crashed, {{5, 7}}, 2},
        {"the sync killed, a row edited in flight", twoMore, {edit6}, End::Crashed, {{5, 7}}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        ASSERT_TRUE(Apply(c.before));
        const std::vector<OutboxVersion> claimed = outbox.Claim(10, 1 << 20, nullptr);
        ASSERT_TRUE(c.during.empty() || Apply(c.during));
        if (c.end == End::Acknowledged)
            ASSERT_TRUE(outbox.Acknowledge(claimed, nullptr));
        else if (c.end == End::Released)
            ASSERT_TRUE(outbox.Release(claimed));
        else
            ASSERT_TRUE(outbox.Open(path, nullptr)); // its claim left as it was
        EXPECT_EQ(outbox.RecordsWaiting(), c.records);
        EXPECT_EQ(Claimable(), c.waiting);
    }
}

// An upload a dead process left open is marked at the next open, and sent again as such.
TEST_F(Outbox, AnUploadMarkedInterruptedAtOpenWaits) {
    ASSERT_TRUE(test::ExecOn(path, {"UPDATE version SET open_by = 'garbage'"}));
    ASSERT_EQ(Claimable(), Waiting{});
    ASSERT_EQ(MeasurementArchive().Open(path, Language::English).state, ArchiveState::ReadWrite);
    EXPECT_EQ(Claimable(), (Waiting{{5, 5}}));
}

// The server knows a job by its id here: the highest id, its job deleted, is not given again.
TEST_F(Outbox, AJobIdIsNeverGivenTwice) {
    const qint64 first = cursor.job;
    ASSERT_TRUE(archive.Delete(first));
    ArchiveCursor next;
    ASSERT_TRUE(archive.Apply(std::vector<ArchiveOp>{archive_op::BeginJob{}}, next));
    EXPECT_EQ(next.job, first + 1);
    const std::optional<QString> station = outbox.StationId();
    ASSERT_TRUE(station && station->size() == 36) << "a UUID";
    SyncOutbox other;
    ASSERT_TRUE(other.Open(path, nullptr));
    EXPECT_EQ(other.StationId(), station) << "made once";
}

} // namespace
} // namespace vemla
