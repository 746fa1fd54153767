// Projects kept in the archive: a plan made, added to and renamed; uploads tied in each
// direction; corrections; every change in the history; each refusal leaves nothing written.
#include "ProjectStore.h"
#include "MeasurementArchive.h"
#include "OutboxStep.h"
#include "ReplyEncoder.h"
#include "SqlOnFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace vemla {
namespace {

CableLink Cable(const char* id) {
    return {QString::fromLatin1(id), {}, {}, {}, {}, {}, {}};
}

class ProjectStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
        QString error;
        ASSERT_TRUE(store.Open(path, &error)) << error.toStdString();
        project.info.name = QStringLiteral("Tower B");
        project.waves = {1310, 1550};
        project.bothDirections = true;
        ASSERT_TRUE(store.Create(project, {Cable("J01"), Cable("J02"), Cable("J03")},
                                 Language::English, &error))
            << error.toStdString();
    }
    // An upload of relative readings (loss, wavelength, NOTE) kept as the session keeps one.
    qint64 Upload(std::initializer_list<std::tuple<float, int, const char*>> readings) {
        std::vector<ArchiveOp> ops{archive_op::BeginJob{
            QDateTime::currentDateTime(), 0, "sim", {1310, 1550}, {}, Language::English, {}}};
        int row = 0;
        for (const auto& [loss, wave, note] : readings) {
            archive_op::AddRecord add{row, {}, {}};
            const std::vector<uint8_t> frame =
                EncodeRecordReply({uint16_t(row++), uint16_t(wave), -loss, 0.0f, true, {26, 1, 2, 3, 4}});
            std::copy_n(frame.begin(), std::min(frame.size(), add.raw.size()), add.raw.begin());
            add.texts[kTableColumns - 1] = QString::fromLatin1(note);
            ops.push_back(add);
        }
        ArchiveCursor cursor;
        EXPECT_TRUE(archive.Apply(ops, cursor));
        return cursor.job;
    }
    // "J01 1310 A→B 1.50 (of 2)": the current reading of each filled slot, and how many it has.
    std::vector<std::string> Slots() {
        std::vector<std::string> out;
        const std::optional<ProjectLedger> ledger = store.Ledger(*store.Find(project.info.name));
        for (int id = 0; id < int(ledger->Plan().size()); ++id)
            for (int wave : ledger->Waves())
                for (Direction d : {Direction::AtoB, Direction::BtoA}) {
                    const ReadingSlot* slot = ledger->Slot(id, wave, d);
                    if (!slot->Current())
                        continue;
                    out.push_back(QStringLiteral("%1 %2 %3 %4 (of %5)")
                                      .arg(ledger->Plan()[size_t(id)].id)
                                      .arg(wave)
                                      .arg(d == Direction::AtoB ? "ab" : "ba")
                                      .arg(-slot->Current()->values.power, 0, 'f', 2)
                                      .arg(slot->readings.size())
                                      .toStdString());
                }
        return out;
    }

    // The plan ("J02A 0.25 km"), then every filled slot's readings in order, the one that
    // counts starred: "J01 1310 ab 1.50* 1.60".
    std::vector<std::string> State() {
        std::vector<std::string> out;
        const std::optional<ProjectLedger> ledger = store.Ledger(*store.Find(project.info.name));
        for (int id = 0; id < int(ledger->Plan().size()); ++id) {
            const CableLink& cable = ledger->Plan()[size_t(id)];
            out.push_back(QStringLiteral("%1 %2 km")
                              .arg(cable.id)
                              .arg(cable.lengthKm.value_or(0))
                              .toStdString());
            for (Direction d : {Direction::AtoB, Direction::BtoA}) {
                const ReadingSlot* slot = ledger->Slot(id, 1310, d);
                QString line =
                    QStringLiteral("%1 %2").arg(cable.id, d == Direction::AtoB ? "ab" : "ba");
                for (size_t r = 0; r < slot->readings.size(); ++r)
                    line += QStringLiteral(" %1%2")
                                .arg(-slot->readings[r].values.power, 0, 'f', 2)
                                .arg(int(r) == slot->current ? "*" : "");
                if (!slot->readings.empty())
                    out.push_back(line.toStdString());
            }
        }
        return out;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    MeasurementArchive archive;
    ProjectStore store;
    StoredProject project;
    QString error;
};

TEST_F(ProjectStoreTest, UploadsTiedInBothDirectionsAndCorrectionsAreKept) {
    const qint64 ab = Upload({{1.5f, 1310, ""}, {1.6f, 1550, ""}, {1.7f, 1310, "J03"}});
    const qint64 ba = Upload({{1.4f, 1310, ""}, {2.2f, 1310, "J01"}});
    ASSERT_TRUE(store.Tie(project, ab, Direction::AtoB, Language::English, &error));
    ASSERT_TRUE(store.Tie(project, ba, Direction::BtoA, Language::English, &error));
    EXPECT_EQ(Slots(),
              (std::vector<std::string>{"J01 1310 ab 1.50 (of 1)",
                                        "J01 1310 ba 2.20 (of 2)", // a retest by NOTE
                                        "J01 1550 ab 1.60 (of 1)", "J03 1310 ab 1.70 (of 1)"}));
    ASSERT_TRUE(store.Choose(project, 0, 1310, Direction::BtoA, 0, Language::English, &error));
    ASSERT_TRUE(store.Move(project, 0, 1, 1550, Direction::AtoB, Language::English, &error));
    ASSERT_TRUE(store.Clear(project, 2, 1310, Direction::AtoB, Language::English, &error));
    EXPECT_EQ(Slots(),
              (std::vector<std::string>{"J01 1310 ab 1.50 (of 1)", "J01 1310 ba 1.40 (of 2)",
                                        "J02 1550 ab 1.60 (of 1)"}));

    // Refused: an upload tied twice, one not in the archive, a reading that is not there.
    EXPECT_FALSE(store.Tie(project, ab, Direction::BtoA, Language::English, &error));
    EXPECT_EQ(error, "Upload 1 is already tied to a project.");
    EXPECT_FALSE(store.Tie(project, 99, Direction::AtoB, Language::English, &error));
    EXPECT_FALSE(store.Clear(project, 2, 1310, Direction::AtoB, Language::Chinese, &error));
    EXPECT_EQ(error, "没有该电缆编号或读数。");
    EXPECT_FALSE(store.Choose(project, 0, 1310, Direction::BtoA, 2, Language::English, &error));
    EXPECT_FALSE(store.Move(project, 1, 7, 1550, Direction::AtoB, Language::English, &error));

    std::vector<std::string> history;
    for (const ProjectChange& c : store.History(project.id))
        history.push_back(c.what.toStdString());
    EXPECT_EQ(history, (std::vector<std::string>{
                           "create with 3 cable IDs", "tie upload 1 A→B", "tie upload 2 B→A",
                           "choose reading 1 of J01 at 1310 nm B→A",
                           "move 1550 nm A→B from J01 to J02", "clear 1310 nm A→B of J03"}));
}

TEST_F(ProjectStoreTest, APlanIsAddedToAndRenamedWithItsReadingsAndRefusalsWriteNothing) {
    ASSERT_TRUE(store.Tie(project, Upload({{1.5f, 1310, "J02"}}), Direction::AtoB,
                          Language::English, &error));
    ASSERT_TRUE(store.AddCables(project.id, {Cable("J04")}, Language::English, &error));
    CableLink renamed = Cable("J02A");
    renamed.lengthKm = 0.25;
    ASSERT_TRUE(store.EditCable(project.id, 1, renamed, Language::English, &error));
    EXPECT_EQ(Slots(), std::vector<std::string>{"J02A 1310 ab 1.50 (of 1)"});

    StoredProject again = project;
    StoredProject unnamed;
    unnamed.info.name = QStringLiteral("  ");
    const std::pair<std::function<bool()>, const char*> refusals[] = {
        {[&] { return store.Create(again, {}, Language::English, &error); },
         "A project named \"Tower B\" already exists."},
        {[&] { return store.Create(unnamed, {}, Language::English, &error); },
         "The project's name is empty, or a field is longer than 1000 characters."},
        {[&] {
             return store.AddCables(project.id, {Cable("J05"), Cable("J01")}, Language::English,
                                    &error);
         },
         "The cable ID \"J01\" is already in the plan."},
        {[&] { return store.EditCable(project.id, 0, Cable("J03"), Language::English, &error); },
         "The cable ID \"J03\" is already in the plan."},
    };
    for (const auto& [refused, message] : refusals) {
        EXPECT_FALSE(refused());
        EXPECT_EQ(error.toStdString(), message);
    }
    const std::optional<ProjectLedger> ledger = store.Ledger(*store.Find(project.info.name));
    ASSERT_EQ(ledger->Plan().size(), 4u); // J05 was not added
    EXPECT_EQ(ledger->Plan()[1].lengthKm, 0.25);
    EXPECT_EQ(store.Projects().size(), 1u);
    EXPECT_EQ(store.History(project.id).back().what, "rename J02 to J02A");
}

// Changes undone last first, each back to the plan and readings before it (a reading put back
// under its own id keeps its place and whether it counts); a tie undone frees the upload.
TEST_F(ProjectStoreTest, EachChangeIsUndoneLastFirstToExactlyWhatWasBefore) {
    const qint64 first = Upload({{1.5f, 1310, ""}, {1.6f, 1310, "J01"}, {1.7f, 1310, ""}});
    CableLink renamed = Cable("J02A");
    renamed.lengthKm = 0.25;
    const std::pair<const char*, std::function<bool()>> changes[] = {
        {"tie upload 1 A→B",
         [&] { return store.Tie(project, first, Direction::AtoB, Language::English, &error); }},
        {"choose reading 1 of J01 at 1310 nm A→B",
         [&] {
             return store.Choose(project, 0, 1310, Direction::AtoB, 0, Language::English, &error);
         }},
        {"move 1310 nm A→B from J01 to J02",
         [&] {
             return store.Move(project, 0, 1, 1310, Direction::AtoB, Language::English, &error);
         }},
        {"clear 1310 nm A→B of J02",
         [&] { return store.Clear(project, 1, 1310, Direction::AtoB, Language::English, &error); }},
        {"rename J02 to J02A",
         [&] { return store.EditCable(project.id, 1, renamed, Language::English, &error); }},
        {"tie upload 2 B→A",
         [&] {
             return store.Tie(project, Upload({{1.4f, 1310, "J01"}}), Direction::BtoA,
                              Language::English, &error);
         }},
    };
    std::vector<std::vector<std::string>> before;
    for (const auto& [what, change] : changes) {
        before.push_back(State());
        ASSERT_TRUE(change()) << what << error.toStdString();
        EXPECT_NE(State(), before.back()) << what;
    }
    for (size_t c = std::size(changes); c-- > 0;) {
        EXPECT_EQ(store.UndoableChange(project), changes[c].first);
        ASSERT_TRUE(store.Undo(project, Language::English, &error)) << error.toStdString();
        EXPECT_EQ(State(), before[c]) << changes[c].first;
    }
    const size_t logged = store.History(project.id).size();
    EXPECT_EQ(store.UndoableChange(project), "");
    EXPECT_FALSE(store.Undo(project, Language::English, &error));
    EXPECT_EQ(error, "There is nothing to undo.");
    EXPECT_EQ(store.History(project.id).size(), logged);
    EXPECT_EQ(store.History(project.id).back().what, "undo tie upload 1 A→B");
    EXPECT_TRUE(store.Tie(project, first, Direction::AtoB, Language::English, &error));
}

// An archive kept before changes could be undone is taken forward: its readings stay, its
// earlier changes are not undoable, the next one is.
// A file changed by hand or damaged: a reading whose row is past any upload's, whose record is
// gone or whose record's row no upload can have is left out; the rest read as they were.
TEST_F(ProjectStoreTest, ReadingsAFileNoLongerBacksAreLeftOut) {
    ASSERT_TRUE(store.Tie(
        project, Upload({{1.5f, 1310, ""}, {1.6f, 1310, ""}, {1.7f, 1310, ""}, {1.8f, 1550, ""}}),
        Direction::AtoB, Language::English, &error));
    ASSERT_TRUE(test::ExecOn(path, {"UPDATE reading SET row = 1099511627776 WHERE row = 0",
                                    "DELETE FROM record WHERE row = 1",
                                    "UPDATE record SET row = 1099511627776 WHERE row = 2"}));
    EXPECT_EQ(Slots(), std::vector<std::string>{"J01 1550 ab 1.80 (of 1)"});
}

TEST_F(ProjectStoreTest, AnArchiveFromBeforeUndoIsTakenForward) {
    ASSERT_TRUE(store.Tie(project, Upload({{1.5f, 1310, ""}, {1.6f, 1310, "J01"}}), Direction::AtoB,
                          Language::English, &error));
    const std::vector<std::string> tied = State();
    ASSERT_TRUE(test::ExecOn(path, test::WithoutOutbox() +
                                       QStringList{"ALTER TABLE project_change DROP COLUMN undo",
                                                   "PRAGMA user_version=4"}));
    MeasurementArchive again;
    ProjectStore reopened;
    ASSERT_EQ(again.Open(path, Language::English).state, ArchiveState::ReadWrite);
    ASSERT_TRUE(reopened.Open(path, &error)) << error.toStdString();
    EXPECT_EQ(State(), tied);
    EXPECT_EQ(reopened.UndoableChange(project), "");
    ASSERT_TRUE(reopened.Clear(project, 0, 1310, Direction::AtoB, Language::English, &error));
    ASSERT_TRUE(reopened.Undo(project, Language::English, &error));
    EXPECT_EQ(State(), tied);
}

} // namespace
} // namespace vemla
