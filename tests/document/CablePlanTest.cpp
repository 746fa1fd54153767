// Plans of cable IDs: patterns and the CSV import, every bad case refusing the whole input.
#include "CablePlan.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

TEST(CablePlanTest, PatternsExpandInOrderKeepingZeroPadding) {
    // The pattern, how many IDs it gives, the first, second and last of them.
    const std::tuple<const char*, size_t, const char*, const char*, const char*> cases[] = {
        {"B1-PP1-J[01..48]", 48, "B1-PP1-J01", "B1-PP1-J02", "B1-PP1-J48"},
        {"R[1..3]-P[A..D]-[1..24]", 288, "R1-PA-1", "R1-PA-2", "R3-PD-24"},
        {"F[0..10]x[a..b]", 22, "F0xa", "F0xb", "F10xb"},
        {" B2-PP7 ", 1, "B2-PP7", "", "B2-PP7"},
        {"[1..100000]", 100000, "1", "2", "100000"},
    };
    for (const auto& [pattern, count, first, second, last] : cases) {
        SCOPED_TRACE(pattern);
        std::vector<QString> ids;
        QString error;
        ASSERT_TRUE(ExpandPattern(pattern, &ids, Language::English, &error));
        ASSERT_EQ(ids.size(), count);
        EXPECT_EQ((std::vector<QString>{ids.front(), ids.size() > 1 ? ids[1] : "", ids.back()}),
                  (std::vector<QString>{first, second, last}));
    }
}

TEST(CablePlanTest, MalformedOrHugePatternsAreRefusedByName) {
    const QString bad =
        "The pattern \"%1\" is not valid: write ranges as [01..48] or [A..D], rising.";
    const QString huge = "\"%1\" gives more than 100000 cable IDs.";
    const std::pair<const char*, QString> cases[] = {
        {"", bad},         {"J[01..]", bad},   {"J[..4]", bad},       {"J[4..1]", bad},
        {"J[A..d]", bad},  {"J[1..C]", bad},   {"J[1-4]", bad},       {"J[01..48", bad},
        {"J01..48]", bad}, {"J[[1..2]]", bad}, {"[1..100001]", huge}, {"[1..1000]-[1..101]", huge},
    };
    for (const auto& [pattern, message] : cases) {
        std::vector<QString> ids{"kept"};
        QString error;
        EXPECT_FALSE(ExpandPattern(pattern, &ids, Language::English, &error)) << pattern;
        EXPECT_EQ(error, message.arg(pattern));
        EXPECT_EQ(ids, std::vector<QString>{"kept"});
    }
    QString error;
    std::vector<QString> ids;
    ExpandPattern("J[4..1]", &ids, Language::Chinese, &error);
    EXPECT_EQ(error, "模式“J[4..1]”无效：范围应写成 [01..48] 或 [A..D]，且由小到大。");
}

TEST(CablePlanTest, CsvWithBomChineseHeaderQuotesAndExtraColumnsIsRead) {
    const QByteArray csv = "\xEF\xBB\xBF"
                           "电缆编号,备注,长度(km),连接数,熔接数,起点,终点,楼层\r\n"
                           "B1-J01,\"east, riser\",0.842,2,1,IDF1,MDF,2\r\n"
                           "\r\n"
                           "\"B1-J\"\"02\",,,,,,,\n"
                           "B1-J03";
    std::vector<CableLink> plan;
    QString error;
    ASSERT_TRUE(ParsePlanCsv(csv, &plan, Language::English, &error)) << error.toStdString();
    ASSERT_EQ(plan.size(), 3u);
    const CableLink& a = plan[0];
    EXPECT_EQ(a.id, "B1-J01");
    EXPECT_EQ(a.notes, "east, riser");
    EXPECT_EQ(a.lengthKm, 0.842);
    EXPECT_EQ(a.connections, 2);
    EXPECT_EQ(a.splices, 1);
    EXPECT_EQ(a.from + ">" + a.to, "IDF1>MDF");
    EXPECT_EQ(plan[1].id, "B1-J\"02");
    EXPECT_FALSE(plan[1].lengthKm || plan[1].connections || plan[1].splices);
    EXPECT_EQ(plan[2].id, "B1-J03");
}

TEST(CablePlanTest, AnyBadLineRefusesTheWholePlanNamingTheLine) {
    const QByteArray head = "Cable_ID,length_km,connections\n";
    const std::pair<QByteArray, const char*> cases[] = {
        {"id,length\nA\n", "The first line names no cable_id (电缆编号) column."},
        {head + "A,1,2\n ,1,2\n", "Line 3: the cable ID is empty."},
        {head + "A\nB\nA\n", "Line 4: the cable ID \"A\" is already in the plan."},
        {head + "A,abc\n", "Line 2: \"abc\" is not a valid length_km."},
        {head + "A,-0.1\n", "Line 2: \"-0.1\" is not a valid length_km."},
        {head + "A,1,2.5\n", "Line 2: \"2.5\" is not a valid connections."},
        {head + "A,nan\n", "Line 2: \"nan\" is not a valid length_km."},
        {head + "\"A,1\n", "Line 2: a quoted field is not closed."},
        {head + QByteArray(129, 'x') + "\n", "Line 2: a field is too long."},
        {head + "A\xFF\n", "The plan is not UTF-8 text."},
    };
    for (const auto& [csv, message] : cases) {
        std::vector<CableLink> plan{{"kept", {}, {}, {}, {}, {}, {}}};
        QString error;
        EXPECT_FALSE(ParsePlanCsv(csv, &plan, Language::English, &error)) << message;
        EXPECT_EQ(error, message);
        ASSERT_EQ(plan.size(), 1u);
    }
}

// An ID the plan holds already is refused where the project's plan is added to (ProjectStoreTest).
TEST(CablePlanTest, AnIdTwiceInOneAdditionRefusesItWhole) {
    std::vector<CableLink> plan, twice(2, CableLink{"D", {}, {}, {}, {}, {}, {}});
    QString error;
    EXPECT_FALSE(AddToPlan(plan, twice, Language::English, &error));
    EXPECT_EQ(error, "The cable ID \"D\" is already in the plan.");
    EXPECT_TRUE(plan.empty());
}

} // namespace
} // namespace vemla
