// A project's CSV byte for byte, its workbook and its JSON read back (ProjectSample.h).
#include "ProjectSample.h"
#include "ProjectWorkbook.h"
#include "XlsxReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vemla {
namespace {

TEST(ProjectExportTest, CsvHasOneLinePerIdWavelengthAndDirection) {
    // A: (1.80 + 2.40) / 2 = 2.10 against 2.00, the directions 0.60 apart, failing by 0.10: within
    // a 0.11 dB uncertainty; +B waits for B→A.
    const QByteArray expected =
        "\xEF\xBB\xBF"
        "project,cable_id,wavelength_nm,direction,loss_dB,limit_dB,margin_dB,result,"
        "reference_stale,link_loss_dB,link_margin_dB,link_result,directions_differ,id_status,"
        "marginal\r\n"
        "P,A,1310,ab,1.80,2.00,0.20,PASS,,2.10,-0.10,FAIL,yes,FAIL,yes\r\n"
        "P,A,1310,ba,2.40,2.00,-0.40,FAIL,,2.10,-0.10,FAIL,yes,FAIL,yes\r\n"
        "P,'+B,1310,ab,1.50,1.60,0.10,PASS,,,,,,INCOMPLETE,\r\n"
        "P,'+B,1310,ba,,,,,,,,,,INCOMPLETE,\r\n";
    EXPECT_EQ(ProjectCsvBytes(test::ProjectSample(Language::Chinese, 0.11)).toStdString(),
              expected.toStdString());
}

TEST(ProjectExportTest, JsonCarriesCountsOverallAndEachDirection) {
    const QJsonObject doc =
        QJsonDocument::fromJson(ProjectJsonBytes(test::ProjectSample())).object();
    EXPECT_EQ(doc["project"]["name"].toString(), "P");
    EXPECT_EQ(doc["project"]["direction_rule"].toString(), "average");
    EXPECT_EQ(doc["counts"]["failed"].toInt(), 1);
    EXPECT_EQ(doc["counts"]["incomplete"].toInt(), 1);
    EXPECT_EQ(doc["overall"].toString(), "FAIL");
    const QJsonObject a = doc["ids"][0]["results"][0].toObject();
    EXPECT_DOUBLE_EQ(a["link"]["loss_dB"].toDouble(), 2.10);
    EXPECT_DOUBLE_EQ(a["ba"]["margin_dB"].toDouble(), -0.40);
    EXPECT_TRUE(a["directions_differ"].toBool());
    EXPECT_TRUE(doc["ids"][1]["results"][0]["ba"]["loss_dB"].isNull());
    EXPECT_EQ(doc["ids"][1]["status"].toString(), "INCOMPLETE");
    EXPECT_EQ(std::tuple(doc["counts"]["marginal"].toInt(), a["link"]["marginal"].toBool()),
              std::tuple(0, false));
}

// The Project sheet in the report's language: figures as numbers, the ID and flags as texts.
TEST(ProjectExportTest, WorkbookProjectSheet) {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.xlsx");
    ASSERT_TRUE(ProjectXlsxWriter().Write(test::ProjectSample(), {path}).ok);
    const test::XlsxReader x(path);
    const auto text = [&](const char* ref) { return x.Cell(ref).value.toStdString(); };
    EXPECT_EQ(text("A3"), "项目:");
    EXPECT_EQ(text("B9"), "不合格"); // overall
    EXPECT_EQ(text("A16"), "电缆编号");
    EXPECT_EQ(text("F16"), "1310 结果");
    EXPECT_EQ(text("A17"), "A");
    EXPECT_TRUE(x.Cell("D17").IsNumber());
    EXPECT_EQ(text("D17"), "2.1"); // (1.80 + 2.40) / 2
    EXPECT_EQ(text("F17"), "不合格 (A→B 与 B→A 相差过大)");
    EXPECT_EQ(text("A18"), "+B");
    EXPECT_TRUE(x.Cell("A18").IsText());
    EXPECT_EQ(text("C18"), "—");
    EXPECT_EQ(text("G18"), "未完成");
    EXPECT_EQ(text("A20"), "未测试的电缆编号");
    EXPECT_EQ(text("A21"), "");
}

// What the command line writes, the certificate program reads back whole; anything else it
// refuses with the reason.
TEST(ProjectExportTest, JsonReadsBackWholeAndBadInputIsRefused) {
    const QByteArray json = ProjectJsonBytes(test::ProjectSample(Language::Chinese, 0.11));
    ProjectReport back;
    QString error;
    ASSERT_TRUE(ProjectReportFromJson(QJsonDocument::fromJson(json).object(), &back, &error))
        << error.toStdString();
    EXPECT_EQ(ProjectJsonBytes(back).toStdString(), json.toStdString());
    EXPECT_EQ(std::tuple(back.counts.failed, back.counts.marginal), std::tuple(1, 1));

    // Each bad value in place of a good one; the ID's keys are the first ID's, the result's keys
    // its A→B result's (the first in the text).
    const QByteArray compact = QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact);
    const std::tuple<QByteArray, QByteArray, const char*> cases[] = {
        // good, bad, reason
        {R"("language":"zh")", R"("language":"fr")", "\"language\" must be \"en\" or \"zh\""},
        {R"("taken":"2026-12-08T09:00:00")", R"("taken":"yesterday")",
         "\"taken\" must be an ISO 8601 date and time"},
        {"[1310]", "[1310,0]", "a wavelength is not valid"},
        {"[1310]", "[]", "\"wavelengths_nm\" must list 1 to 64"},
        {R"("status":"FAIL")", R"("status":"DONE")", "cable ID 1 is not valid"},
        {R"("id":"A")", R"("id":")" + QByteArray(129, 'x') + '"', "cable ID 1 is not valid"},
        {R"("loss_dB":1.8,)", R"("loss_dB":1e7,)", "cable ID 1 is not valid"},
        {R"("result":"PASS")", R"("result":"OK")", "cable ID 1 is not valid"},
    };
    for (const auto& [good, bad, reason] : cases) {
        ASSERT_TRUE(compact.contains(good)) << good.toStdString();
        const QByteArray text = QByteArray(compact).replace(good, bad);
        EXPECT_FALSE(ProjectReportFromJson(QJsonDocument::fromJson(text).object(), &back, &error))
            << bad.toStdString();
        EXPECT_EQ(error.toStdString(), reason);
    }
}

} // namespace
} // namespace vemla
