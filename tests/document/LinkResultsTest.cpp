// A link's result from its two directions, by the project's rule, and an ID's status. The
// figures are worked by hand from the budget: length × attenuation + pairs × 0.75 dB. The cells
// a project's row is shown with are read back from the certificate (tests/report), which prints
// them as every view does.
#include "ProjectReport.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 0));

// 1310 nm on a budget of 0.5 dB/km; the project's link is 1.0 km with two pairs: 2.00 dB. B is
// 0.2 km by the plan: 0.1 + 1.5 = 1.60 dB.
CertificationSettings Project() {
    CertificationSettings s;
    s.enabled = true;
    s.link = {1.0, 2, 0.75, 0, 0.3, 0.0, {}};
    s.SetLimit({1310, WaveLimit::Kind::Budget, 0.0, 0.5});
    s.SetLimit({1550, WaveLimit::Kind::Fixed, 2.0, 0.0});
    return s;
}

std::vector<CableLink> Plan() {
    return {CableLink{"A", {}, {}, {}, {}, {}, {}}, CableLink{"B", 0.2, {}, {}, {}, {}, {}}};
}

// A relative reading of the given loss at a wavelength, noted for the ID.
MeterRecord Loss(const char* id, int wavelength, float lossDb) {
    MeterRecord record;
    record.values = {0, uint16_t(wavelength), -lossDb, 0.0f, true, {}};
    record.texts[kTableColumns - 1] = QString::fromLatin1(id);
    return record;
}

std::string Text(const RecordResult& r) {
    return r.lossDb ? QStringLiteral("%1 %2")
                          .arg(*r.lossDb, 0, 'f', 2)
                          .arg(ResultText(r, Language::English))
                          .toStdString()
                    : "none";
}

TEST(LinkResultsTest, TwoDirectionsMakeTheLinksResultByTheRule) {
    // A→B, B→A, the rule, the link's result, whether the directions differ.
    const std::tuple<float, float, DirectionRule, const char*, bool> cases[] = {
        {1.80f, 2.30f, DirectionRule::Average, "2.05 FAIL -0.05 dB", false}, // (1.80 + 2.30) / 2
        {1.50f, 2.10f, DirectionRule::Average, "1.80 PASS +0.20 dB", true},  // 0.60 apart
        {1.50f, 2.10f, DirectionRule::Each, "2.10 FAIL -0.10 dB", true},
        {1.50f, 2.10f, DirectionRule::Worse, "2.10 FAIL -0.10 dB", true},
        {1.50f, 2.00f, DirectionRule::Average, "1.75 PASS +0.25 dB", false}, // 0.50: not above
        {1.90f, 1.70f, DirectionRule::Each, "1.90 PASS +0.10 dB", false},
        {-0.40f, 1.00f, DirectionRule::Average, "-0.40 CHECK REF", true}, // asks for a reference
    };
    for (const auto& [ab, ba, rule, link, differ] : cases) {
        SCOPED_TRACE(testing::Message() << ab << ' ' << ba);
        ProjectLedger ledger(Plan(), {1310}, true);
        ledger.Assign(1, Direction::AtoB, {Loss("A", 1310, ab)});
        ledger.Assign(2, Direction::BtoA, {Loss("A", 1310, ba)});
        const LinkResult r = ResultAt(ledger, 0, 1310, Project(), {rule, 0.5}, kNow);
        EXPECT_TRUE(r.complete);
        EXPECT_EQ(Text(r.link), link);
        EXPECT_EQ(r.directionsDiffer, differ);
    }
}

TEST(LinkResultsTest, AnIdsOwnLengthSetsItsBudgetAndOneDirectionAloneIsNotJudged) {
    ProjectLedger ledger(Plan(), {1310}, true);
    ledger.Assign(1, Direction::AtoB, {Loss("B", 1310, 1.60f), Loss("A", 1310, 1.60f)});
    const LinkResult b = ResultAt(ledger, 1, 1310, Project(), {}, kNow);
    EXPECT_EQ(Text(b.aToB), "1.60 PASS +0.00 dB"); // 1.60 against B's own 1.60 dB
    EXPECT_EQ(Text(ResultAt(ledger, 0, 1310, Project(), {}, kNow).aToB), "1.60 PASS +0.40 dB");
    EXPECT_FALSE(b.complete);
    EXPECT_EQ(b.link.verdict, Verdict::None);
    EXPECT_EQ(b.link.limitDb, 1.6);
}

TEST(LinkResultsTest, AnIdIsDoneWhenEveryWavelengthAndDirectionHasPassed) {
    const auto status = [](std::initializer_list<MeterRecord> ab,
                           std::initializer_list<MeterRecord> ba) {
        ProjectLedger ledger(Plan(), {1310, 1550}, true);
        ledger.Assign(1, Direction::AtoB, ab);
        ledger.Assign(2, Direction::BtoA, ba);
        return MakeProjectReport({{}, {}, {}, {}, Project(), {}}, ledger, Language::English, kNow)
            .rows[0]
            .status;
    };
    EXPECT_EQ(status({}, {}), IdStatus::Untested);
    EXPECT_EQ(status({Loss("A", 1310, 1.0f)}, {}), IdStatus::Incomplete);
    EXPECT_EQ(status({Loss("A", 1310, 1.0f), Loss("A", 1550, 1.0f)},
                     {Loss("A", 1310, 1.0f), Loss("A", 1550, 1.0f)}),
              IdStatus::Pass);
    // 1550 fails (2.50 against 2.00) while 1310 still waits for its B→A reading.
    EXPECT_EQ(status({Loss("A", 1310, 1.0f), Loss("A", 1550, 2.5f)}, {Loss("A", 1550, 2.5f)}),
              IdStatus::Fail);
    EXPECT_EQ(status({Loss("A", 1310, 1.0f), Loss("A", 1550, -0.5f)},
                     {Loss("A", 1310, 1.0f), Loss("A", 1550, 1.0f)}),
              IdStatus::Incomplete);
    // A reading that rests on no reference at its wavelength asks for one: never untested.
    MeterRecord unreferenced = Loss("A", 1310, 1.0f);
    unreferenced.values.relative = false;
    EXPECT_EQ(status({unreferenced}, {}), IdStatus::Incomplete);
    ProjectLedger one(Plan(), {1310}, false);
    one.Assign(1, Direction::AtoB, {unreferenced});
    EXPECT_EQ(LinkVerdictText(ResultAt(one, 0, 1310, Project(), {}, kNow), Language::English),
              "CHECK REF");
}

// Progress is counted in IDs; the project passes only when every ID has.
TEST(LinkResultsTest, ProjectCountsAndOverallVerdict) {
    struct Case {
        std::vector<float> lossesInPlanOrder; // A, B, C, D at 1310 against 2.00 dB
        int passed, failed, untested;
        const char* passedShare;
        Verdict overall;
    };
    const Case cases[] = {
        {{1.0f, 2.5f}, 1, 1, 2, "25.0%", Verdict::Fail},
        {{1.0f, 1.0f, 1.0f}, 3, 0, 1, "75.0%", Verdict::None},
        {{1.0f, 2.0f, 1.0f, 1.0f}, 4, 0, 0, "100.0%", Verdict::Pass}, // 2.00: at the limit
        {{2.01f, 1.0f, 1.0f, 1.0f}, 3, 1, 0, "75.0%", Verdict::Fail},
    };
    std::vector<CableLink> plan;
    for (const char* id : {"A", "B", "C", "D"})
        plan.push_back({id, {}, {}, {}, {}, {}, {}});
    for (const Case& c : cases) {
        ProjectLedger ledger(plan, {1310}, false);
        std::vector<MeterRecord> rows;
        for (float loss : c.lossesInPlanOrder)
            rows.push_back(Loss("", 1310, loss));
        ledger.Assign(1, Direction::AtoB, rows);
        const ProjectReport report = MakeProjectReport(
            {QStringLiteral("P"), {}, {}, {}, Project(), {}}, ledger, Language::English, kNow);
        SCOPED_TRACE(c.passedShare);
        EXPECT_EQ(report.counts.ids, 4);
        EXPECT_EQ(report.counts.passed, c.passed);
        EXPECT_EQ(report.counts.failed, c.failed);
        EXPECT_EQ(report.counts.untested, c.untested);
        EXPECT_EQ(report.counts.Percent(report.counts.passed), c.passedShare);
        EXPECT_EQ(report.Overall(), c.overall);
        EXPECT_EQ(report.Untested().size(), size_t(c.untested));
    }
    EXPECT_EQ(ProjectCounts{}.Percent(0), "0.0%");
}

} // namespace
} // namespace vemla
