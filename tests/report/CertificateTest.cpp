// The certificate as a reader sees it: its text read back by pdftotext, never by our painter;
// the file rules; vemla-pdf's exit codes. The verdicts themselves are tests/certify's.
#include "Certificate.h"
#include "ProjectCertificate.h"
#include "ProjectSample.h"
#include "ReadBack.h"
#include "UploadJson.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using test::Output;
using test::PdfText;
using test::WriteFile;

const QDateTime kNow(QDate(2026, 12, 7), QTime(14, 3, 22));

// 1310 nm, a fixed 3.00 dB limit, a reference of 0 dBm: record i loses 2.5 + i/2 dB.
UploadDocument Data(Language language, int rows) {
    UploadDocument d;
    d.language = language;
    d.header = {"Acme", "OPM-1", "0042", "李伟", "fibre 3"};
    d.taken = kNow;
    d.certification.enabled = true;
    d.certification.SetLimit({1310, WaveLimit::Kind::Fixed, 3.0, 0.0});
    d.certification.SetReference({1310, 0.0, kNow.addSecs(-60)});
    for (int i = 0; i < rows; ++i)
        d.rows.push_back(
            {{uint16_t(i), 1310, -2.5f - 0.5f * float(i % 2), 0, false, {}},
             {},
             {QString::number(i + 1), "1310", "", "", "", "2026-12-07 14:03  ", "东侧 A-012"}});
    return d;
}

bool WritePdf(const UploadDocument& d, const QString& path, const CertificateProgress& p = {}) {
    return CertificatePdfWriter(p).Write(d, {path, Replace::Never, false}).ok;
}

TEST(CertificateTest, VerdictLimitRecordAndPageNumbersReadBackInBothLanguages) {
    // Per language, texts of pdftotext -layout's text: the reference's account too (the method
    // in the standard, the length's source, the launch cord, a past calibration date and the
    // mated cords at 1310 nm; those at 850 nm verify no reference).
    const std::pair<Language, QStringList> cases[] = {
        {Language::English,
         {"Loss Certificate", "Overall result: FAIL", "1310 fixed 3.00",
          "2 1310 2026-12-07 14:03 3.00 3.00 0.00 PASS 东侧 A-012", "Test Operator: 李伟",
          "Instrument Model: OPM-1", "Instrument Serial Number: 0042",
          "Reference method: one-cord reference", "Method per standard: TIA-526-7 Method A.1",
          "Length from: none: fixed limits (a power meter measures no length)",
          "Launch condition (multimode): encircled-flux compliant launch cord",
          "Calibration due: 2026-12-01 (past)", "1310 0.15 0.20 TRC-1/TRC-2 2026-12-07 14:03 PASS",
          "850 0.05 0.10 TRC-1/TRC-2 2026-12-07 14:03 no reference"}},
        {Language::Chinese,
         {"损耗认证证书", "总体结果: 不合格", "1310 固定值 3.00",
          "1 1310 2026-12-07 14:03 2.50 3.00 0.50 合格 东侧 A-012", "测试操作人: 李伟",
          "标准方法名称: TIA-526-7 Method A.1", "长度来源: 无：固定限值(光功率计不测量长度)",
          "注入条件(多模): 符合环通量(EF)要求的发射跳线", "校准到期日: 2026-12-01 (已过期)",
          "1310 0.15 0.20 TRC-1/TRC-2 2026-12-07 14:03 合格"}},
    };
    // The first records fit the first page; the failing one comes from a 3.5 dB loss further on.
    for (const auto& [language, layout] : cases) {
        QTemporaryDir dir;
        UploadDocument d = Data(language, 120);
        d.rows[100].values.power = -3.5f;
        ReferenceWorkflow& w = d.certification.workflow;
        w.launch = LaunchCondition::EncircledFlux;
        w.calibrationDue = QDate(2026, 12, 1);
        w.SetVerification(VerifyCords(1310, 0.15, "TRC-1/TRC-2", kNow));
        w.SetVerification(VerifyCords(850, 0.05, "TRC-1/TRC-2", kNow));
        const QString pdf = dir.filePath("c.pdf");
        ASSERT_TRUE(WritePdf(d, pdf));
        const QString text = PdfText(pdf);
        for (const QString& want : layout)
            EXPECT_TRUE(text.contains(want)) << want.toStdString();
        // -layout joins "1 / 4" into "1/4"; the raw text order keeps the spaces.
        const QString raw = QString::fromUtf8(Output("pdftotext", {"-raw", pdf, "-"}));
        EXPECT_TRUE(raw.contains("2026-12-07 14:03 1 / 4")) << raw.right(200).toStdString();
        EXPECT_TRUE(raw.contains("4 / 4"));
    }
}

// That an existing file is never replaced is tests/io's.
TEST(CertificateTest, CancelledWriteLeavesNoFile) {
    QTemporaryDir dir;
    int calls = 0;
    EXPECT_FALSE(WritePdf(Data(Language::English, 5000), dir.filePath("new.pdf"),
                          [&calls](int, int) { return ++calls < 3; }));
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(CertificateTest, PdfToolExitCodes) {
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& bytes) {
        return WriteFile(dir.filePath(name), bytes);
    };
    const QByteArray good =
        R"({"language":"zh","header":{"company":"Acme"},"certification":{"enabled":true,)"
        R"("limits":[{"wavelength":1310,"kind":"fixed","max_loss_dB":3}]},)"
        R"("generated":"2026-12-07T14:03:22","records":[{"index":0,"texts":["1","1310","","",)"
        R"("","",""],"wavelength_nm":1310,"power_dBm":-2.5,"reference_dBm":0,"relative":true}]})";
    ASSERT_TRUE(write("good.json", good) && write("bad.json", good.chopped(1)) &&
                write("huge.json", QByteArray(good).replace("\"index\":0", "\"index\":1e9")) &&
                write("no-reading.json",
                      QByteArray(good).replace("\"power_dBm\":-2.5", "\"power_dBm\":1500")) &&
                write("taken.pdf", "mine"));
    const std::pair<const char*, int> cases[] = {
        {"--in good.json --out a.pdf", 0},
        {"--in bad.json --out b.pdf", 2},
        {"--in huge.json --out c.pdf", 2},
        // A power beyond any reading is no reading, as vemla-cli writes it: never refused.
        {"--in no-reading.json --out e.pdf", 0},
        {"--in missing.json --out d.pdf", 2},
        {"--in good.json", 2},
        {"--in good.json --out taken.pdf", 5},
        {"--in good.json --out taken.pdf --force", 0},
    };
    for (const auto& [line, exitCode] : cases) {
        QStringList args;
        for (const QString& a : QString(line).split(' '))
            args << (a.endsWith(".json") || a.endsWith(".pdf") ? dir.filePath(a) : a);
        int code = -1;
        Output(VEMLA_PDF_TOOL, args, &code);
        EXPECT_EQ(code, exitCode) << line;
    }
    EXPECT_EQ(QDir(dir.path()).entryList({"*.pdf"}, QDir::Files),
              (QStringList{"a.pdf", "e.pdf", "taken.pdf"}));
    EXPECT_TRUE(PdfText(dir.filePath("taken.pdf")).contains("损耗认证证书")) << "replaced";
}

// The document vemla-cli hands to vemla-pdf comes back whole (an interrupted mark too), and the
// certificate takes each column from its own field: a record's date differs from its reference text
// here.
TEST(CertificateTest, JsonRoundTripKeepsTheDocumentAndThePdfToolPrintsTheRecordsDate) {
    UploadDocument d = Data(Language::English, 2);
    d.waves = {1310, 1550};
    d.lasers = {1310, 1550, 0, 0};
    d.rows[0].texts[4] = "-9.99dBm";
    d.rows[0].texts[5] = "2026-11-30  08:15  ";
    d.rows[1].values.power = NAN; // the meter's bytes made no number
    for (size_t i = 0; i < d.rows[0].raw.size(); ++i)
        d.rows[0].raw[i] = uint8_t(0xF0 + i);
    d.skippedFrames = 2;
    EXPECT_FALSE(UploadJsonBytes(d).contains("interrupted")) << "a whole upload's bytes as before";
    EXPECT_FALSE(UploadJsonBytes(d).contains("marginal")) << "nor a marginal flag without one";
    // Meter 0.30 and source 0.41 dB make 0.51 dB: the 0.50 dB margin is marginal.
    d.certification.meterUncertaintyDb = 0.3;
    d.certification.sourceUncertaintyDb = 0.41;
    d.interrupted = true; // cut before the meter's end reply: the document says so
    const QByteArray json = UploadJsonBytes(d);
    EXPECT_TRUE(json.contains(R"("interrupted":true)"));
    EXPECT_TRUE(json.contains(R"("marginal":true)"));
    UploadDocument back;
    QString error;
    ASSERT_TRUE(UploadDocumentFromJson(QJsonDocument::fromJson(json).object(), &back, &error))
        << error.toStdString();
    EXPECT_EQ(UploadJsonBytes(back), json);
    EXPECT_TRUE(back.interrupted);
    EXPECT_EQ(back.rows[0].raw, d.rows[0].raw);
    EXPECT_TRUE(std::isnan(back.rows[1].values.power));

    QTemporaryDir dir;
    ASSERT_TRUE(WriteFile(dir.filePath("u.json"), json));
    int code = -1;
    Output(VEMLA_PDF_TOOL, {"--in", dir.filePath("u.json"), "--out", dir.filePath("u.pdf")}, &code);
    ASSERT_EQ(code, 0);
    const QString text = PdfText(dir.filePath("u.pdf"));
    EXPECT_TRUE(text.contains("1 1310 2026-11-30 08:15 2.50 3.00 0.50 PASS*"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("Measurement uncertainty: 0.51 dB (root-sum-square of meter 0.30 dB "
                              "and source 0.41 dB)"));
    EXPECT_FALSE(text.contains("Method per standard")) << "limits of before, no edition named";
}

// The project certificate through vemla-pdf as the command line runs it: the summary page,
// then the IDs' table with its header again on each page, then the untested IDs. A plan of 60
// more IDs, untested, pushes the table onto a third page and their list onto a fourth.
TEST(CertificateTest, ProjectCertificateReadsBack) {
    QTemporaryDir dir;
    ProjectReport report = test::ProjectSample(Language::English, 0.11);
    for (int i = 1; i <= 60; ++i)
        report.rows.push_back({QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0')),
                               IdStatus::Untested, std::vector<LinkResult>(1)});
    report.counts = CountsOf(report.rows);
    report.meter = {{}, "OPM-1", "0042", "李伟", {}};
    report.info.certification.workflow.calibrationDue = QDate(2027, 1, 31);
    ASSERT_TRUE(WriteFile(dir.filePath("p.json"), ProjectJsonBytes(report)));
    int code = -1;
    Output(VEMLA_PDF_TOOL, {"--in", dir.filePath("p.json"), "--out", dir.filePath("p.pdf")}, &code);
    ASSERT_EQ(code, 0);
    const QString text = PdfText(dir.filePath("p.pdf"));
    for (const char* want :
         {"Project Loss Certificate", "Customer: Acme", "1310 budget 0.50 2.00",
          "Meter model: OPM-1", "Meter serial number: 0042", "Operator: 李伟",
          "Method per standard: TIA-526-7 Method A.1", "Calibration due: 2027-01-31",
          "Length from: cable plan (typed where the plan has none)",
          "62 cable IDs: 0 passed (0.0%), 1 failed (1.6%), 1 incomplete, 60 untested",
          "Overall result: FAIL",
          "Cable ID 1310 A→B 1310 B→A 1310 link 1310 margin 1310 result Status",
          "A 1.80 2.40 2.10 -0.10 FAIL* (A→B and B→A differ) FAIL", "+B 1.50 — — — — INCOMPLETE",
          "Measurement uncertainty: 0.11 dB (meter)", "1 cable IDs with a marginal result (*)",
          "C60 — — — — — UNTESTED", "Untested cable IDs C01 C02 C03 C04 C05 C06"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(want))) << want;
    EXPECT_EQ(text.count("Cable ID 1310 A→B"), 2) << "the header atop each page of the table";
    const QString raw =
        QString::fromUtf8(Output("pdftotext", {"-raw", dir.filePath("p.pdf"), "-"}));
    EXPECT_TRUE(raw.contains("4 / 4")) << raw.right(300).toStdString();
}

} // namespace
} // namespace vemla
