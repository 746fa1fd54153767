// One document through every writer: the CSV's bytes, the workbook read back by XlsxReader, the
// certificate by pdftotext, the JSON by its reader. Each prints what the rule gives, one row per
// verdict; the rule itself (resolution, thresholds, staleness) is tests/certify's, the texts a
// record is shown with tests/protocol's, so nothing here repeats them.
#include "Certificate.h"
#include "CsvExport.h"
#include "Report.h"
#include "UploadJson.h"
#include "XlsxReader.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vemla {
namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(14, 3, 22));
const QString kDash = QString::fromUtf8("\u2014");
using test::PdfText;

// 1310 nm: a fixed 3.00 dB limit, a fresh 0 dBm reference; 1550 nm: 3.00 dB, a stale one.
UploadDocument Judged() {
    UploadDocument d;
    d.language = Language::English;
    d.taken = kNow;
    d.certification.enabled = true;
    d.certification.link.lengthKm = 0.842;
    d.certification.SetLimit({1310, WaveLimit::Kind::Fixed, 3.0, 0.0});
    d.certification.SetLimit({1550, WaveLimit::Kind::Fixed, 3.0, 0.0});
    d.certification.SetLimit({850, WaveLimit::Kind::Budget, 0.0, 3.5});
    d.certification.SetReference({1310, 0.0, kNow.addSecs(-60)});
    d.certification.SetReference({1550, -10.0, kNow.addDays(-2)});
    return d;
}

MeterRecord Row(int i, int wave, float power, bool relative = false, float reference = 0) {
    return {{uint16_t(i), uint16_t(wave), power, reference, relative, {26, 12, 7, 14, 3}},
            {},
            {QString::number(i + 1), QString::number(wave), "", "", "", "2026-12-07  14:03  ", ""}};
}

bool Write(IDocumentWriter& writer, const UploadDocument& d, const QString& path,
           QString* error = nullptr) {
    const WriteResult r = writer.Write(d, {path, Replace::Never, false});
    if (error)
        *error = r.error;
    return r.ok;
}

TEST(OutputsAgree, CsvWorkbookAndCertificatePrintTheSameFiguresAndVerdicts) {
    const struct {
        MeterRecord row;
        const char* csv;   // loss_dB,result,reference_stale,marginal
        QStringList sheet; // loss, limit, margin, result on the second sheet
        const char* pdf;   // the record's line, from the loss on
    } cases[] = {
        // Failing by exactly the 0.01 dB uncertainty: not marginal.
        {Row(0, 1310, -3.01f),
         "3.01,FAIL,,",
         {"3.01", "3", "-0.01", "FAIL"},
         "3.01 3.00 -0.01 FAIL"},
        {Row(1, 1310, -9.69f, true, -10.0f),
         "-0.31,CHECK REF,,",
         {"-0.31", "3", kDash, "CHECK REF"},
         "-0.31 3.00 \u2014 CHECK REF"},
        {Row(2, 1550, -12.0f),
         "2.00,PASS,yes,",
         {"2", "3", "1", "PASS (stale reference)"},
         "2.00 3.00 1.00 PASS (stale reference)"},
        {Row(3, 1310, 1500.0f), ",,,", {kDash, "3", kDash, kDash}, "\u2014 3.00 \u2014 \u2014"},
        {Row(4, 1310, -3.0f), "3.00,PASS,,yes", {"3", "3", "0", "PASS*"}, "3.00 3.00 0.00 PASS*"},
    };
    UploadDocument d = Judged();
    d.certification.meterUncertaintyDb = 0.01;
    for (const auto& c : cases)
        d.rows.push_back(c.row);
    QTemporaryDir dir;
    XlsxReportWriter workbook;
    CertificatePdfWriter certificate;
    ASSERT_TRUE(Write(workbook, d, dir.filePath("r.xlsx")));
    ASSERT_TRUE(Write(certificate, d, dir.filePath("c.pdf")));
    const QList<QByteArray> csv = CsvBytes(d).split('\n');
    const test::XlsxReader sheet(dir.filePath("r.xlsx"), "xl/worksheets/sheet2.xml");
    int first = 1; // the records' caption row
    while (first < 100 && sheet.Cell(QStringLiteral("A%1").arg(first)).value != "NUMBER")
        ++first;
    const QString pdf = PdfText(dir.filePath("c.pdf"));
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        EXPECT_TRUE(csv[i + 1].endsWith(QByteArray(c.csv) + "\r")) << csv[i + 1].toStdString();
        for (int col = 0; col < 4; ++col)
            EXPECT_EQ(
                sheet.Cell(QStringLiteral("%1%2").arg(QChar('C' + col)).arg(first + 1 + i)).value,
                c.sheet[col]);
        const QString line = QStringLiteral("%1 %2 2026-12-07 14:03 %3")
                                 .arg(i + 1)
                                 .arg(c.row.values.wavelength)
                                 .arg(QString::fromUtf8(c.pdf));
        EXPECT_TRUE(pdf.contains(line)) << line.toStdString();
    }
    EXPECT_TRUE(csv[0].endsWith(",date_time,loss_dB,result,reference_stale,marginal\r"));
    // A power that is no reading: the machine column empty (its JSON is CertificateTest's).
    EXPECT_TRUE(csv[4].contains(",1310,,,,2026-12-07T14:03,")) << csv[4].toStdString();
}

// The inputs as typed, the budget they make at the shown resolution.
TEST(OutputsAgree, InputsPrintAsGivenAndTheLimitAsJudged) {
    UploadDocument d = Judged();
    d.rows.push_back(Row(0, 850, -4.0f));
    QTemporaryDir dir;
    XlsxReportWriter workbook;
    CertificatePdfWriter certificate;
    ASSERT_TRUE(Write(workbook, d, dir.filePath("r.xlsx")));
    ASSERT_TRUE(Write(certificate, d, dir.filePath("c.pdf")));
    const QString pdf = PdfText(dir.filePath("c.pdf"));
    for (const char* want : {"Link length (km): 0.842", "Loss per pair (dB): 0.75",
                             "850 budget 3.50 4.45", "1550 -10.00"})
        EXPECT_TRUE(pdf.contains(want)) << want;
    // Without an uncertainty the CSV has no marginal column, as before there was one.
    EXPECT_TRUE(CsvBytes(d).split('\n')[0].endsWith(",reference_stale\r"));
    const test::XlsxReader sheet(dir.filePath("r.xlsx"), "xl/worksheets/sheet2.xml");
    EXPECT_EQ(sheet.Cell("B3").value, "0.842");
    EXPECT_EQ(sheet.Style("B3").numberFormat, "0.00########");
    EXPECT_EQ(sheet.Cell("D12").value + " " + sheet.Cell("C12").value, "4.45 3.5");
}

// A note longer than typing allows (from an archived upload) goes through every writer and the
// JSON reader; one over a cell's capacity is refused by each, with the same message, no file.
TEST(OutputsAgree, EveryWriterTakesWhatACellHoldsAndRefusesMoreAlike) {
    CsvWriter csv;
    UploadJsonWriter json;
    XlsxReportWriter xlsx;
    CertificatePdfWriter pdf;
    const std::pair<IDocumentWriter*, const char*> writers[] = {
        {&csv, "csv"}, {&json, "json"}, {&xlsx, "xlsx"}, {&pdf, "pdf"}};
    const std::pair<Language, const char*> refusals[] = {
        {Language::English, "Row 2, NOTE: the text is longer than 32767 characters, more than a "
                            "spreadsheet cell holds."},
        {Language::Chinese, "第 2 行，备注：文字超过 32767 个字符，超出电子表格单元格的容量。"}};
    QTemporaryDir dir;
    for (const auto& [writer, name] : writers) {
        UploadDocument d = Judged();
        d.rows = {Row(0, 1310, -2.0f), Row(1, 1310, -2.0f)};
        d.rows[1].texts[6] = QString(32767, QChar('n'));
        d.header.notes = QString(32767, QChar('h'));
        QString error;
        EXPECT_TRUE(Write(*writer, d, dir.filePath("long.") + name, &error))
            << name << error.toStdString();
        d.rows[1].texts[6] += QChar('n');
        for (const auto& [language, refusal] : refusals) {
            d.language = language;
            EXPECT_FALSE(Write(*writer, d, dir.filePath("over.") + name, &error));
            EXPECT_EQ(error, QString::fromUtf8(refusal)) << name;
        }
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).join(' '),
              "long.csv long.json long.pdf long.xlsx");
    const QByteArray written = test::ReadFile(dir.filePath("long.json"));
    UploadDocument back;
    QString error;
    EXPECT_TRUE(UploadDocumentFromJson(QJsonDocument::fromJson(written).object(), &back, &error))
        << error.toStdString();
    EXPECT_EQ(back.rows.at(1).texts[6].size(), 32767);
}

} // namespace
} // namespace vemla
