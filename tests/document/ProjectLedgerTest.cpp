// Which reading goes to which cable ID, and the operator's corrections. That each direction has
// free IDs of its own is read back from a whole job's CSV (tests/cli's CliProjectTest).
#include "ProjectLedger.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

std::vector<CableLink> Plan(std::initializer_list<const char*> ids) {
    std::vector<CableLink> plan;
    for (const char* id : ids)
        plan.push_back(CableLink{id, {}, {}, {}, {}, {}, {}});
    return plan;
}

MeterRecord Reading(int wavelength, const char* note, float power = -3.0f) {
    MeterRecord record;
    record.values.wavelength = uint16_t(wavelength);
    record.values.power = power;
    record.texts[kTableColumns - 1] = QString::fromUtf8(note);
    return record;
}

// The upload the readings of a slot came from, as "upload:record", current one starred.
std::string Readings(const ProjectLedger& ledger, int id, int wave, Direction d) {
    const ReadingSlot* slot = ledger.Slot(id, wave, d);
    if (!slot)
        return "none";
    std::string out;
    for (size_t i = 0; i < slot->readings.size(); ++i)
        out += (out.empty() ? "" : " ") + std::to_string(slot->readings[i].source.upload) + ":" +
               std::to_string(slot->readings[i].source.record) +
               (int(i) == slot->current ? "*" : "");
    return out;
}

TEST(ProjectLedgerTest, ReadingsGoByNoteElseToTheFirstFreeIdInPlanOrder) {
    ProjectLedger ledger(Plan({"A", "B", "C"}), {1310, 1550}, false);
    const std::vector<MeterRecord> rows{Reading(1310, ""),  Reading(1550, ""), Reading(1310, " C "),
                                        Reading(1310, " "), Reading(850, ""),  Reading(1550, "B"),
                                        Reading(1310, "A"), Reading(1310, ""), Reading(1550, "Z"),
                                        Reading(1550, "")};
    // " C " names C (B stays free for the next plain 1310); 850 nm is not expected; the fourth
    // plain 1310 finds no free ID; "Z" is no ID of the plan
    // and takes the next free one at 1550 (C), so the last plain 1550 finds none.
    EXPECT_EQ(ledger.Assign(7, Direction::AtoB, rows),
              (std::vector<int>{0, 0, 2, 1, -1, 1, 0, -1, 2, -1}));
    EXPECT_EQ(Readings(ledger, 0, 1310, Direction::AtoB), "7:0 7:6*") << "a retest keeps the first";
    EXPECT_EQ(Readings(ledger, 1, 1550, Direction::AtoB), "7:5*");
    EXPECT_EQ(Readings(ledger, 2, 1550, Direction::AtoB), "7:8*");
    EXPECT_EQ(Readings(ledger, 0, 1310, Direction::BtoA), "none") << "one direction only";
    EXPECT_EQ(ledger.Assign(8, Direction::BtoA, {Reading(1310, "")}), std::vector<int>{-1});
}

TEST(ProjectLedgerTest, MoveClearAndChooseAndAClearedIdIsFreeAgain) {
    ProjectLedger ledger(Plan({"A", "B", "C"}), {1310}, false);
    ledger.Assign(1, Direction::AtoB,
                  {Reading(1310, ""), Reading(1310, ""), Reading(1310, ""), Reading(1310, "A")});
    EXPECT_TRUE(ledger.Choose(0, 1310, Direction::AtoB, 0));
    EXPECT_EQ(Readings(ledger, 0, 1310, Direction::AtoB), "1:0* 1:3");
    EXPECT_TRUE(ledger.Move(1, 2, 1310, Direction::AtoB));
    EXPECT_EQ(Readings(ledger, 1, 1310, Direction::AtoB), "");
    EXPECT_EQ(Readings(ledger, 2, 1310, Direction::AtoB), "1:2 1:1*");
    // Every ID had a reading; B is free again, and the next plain reading goes there.
    EXPECT_EQ(ledger.Assign(2, Direction::AtoB, {Reading(1310, "")}), std::vector<int>{1});
    EXPECT_TRUE(ledger.Clear(0, 1310, Direction::AtoB));
    EXPECT_EQ(Readings(ledger, 0, 1310, Direction::AtoB), "1:3*") << "the other reading counts";
    const std::tuple<bool, bool, bool> refused{ledger.Move(0, 9, 1310, Direction::AtoB),
                                               ledger.Clear(0, 850, Direction::AtoB),
                                               ledger.Choose(0, 1310, Direction::AtoB, 5)};
    EXPECT_EQ(refused, std::make_tuple(false, false, false));
}

} // namespace
} // namespace vemla
