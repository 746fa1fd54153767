// SAVE OR PRINT and the File menu's exports from the window: what the operator sees in the table,
// corrections typed in it included, is what the report is given, and each outcome is shown. The
// workbook's layout is the report's own tests; the header fields' way into the document is the
// session's.
#include "FileBytes.h"
#include "WindowTest.h"

#include <QFileInfo>

namespace vemla {
namespace {

using namespace test;

class ExportPartTest : public WindowTest {
protected:
    void SetUp() override {
        dlg.Export().SetReportFolder(folder.path());
        dlg.Export().SetReportOpener(&report);
        dlg.Export().SetReportWriter(&report);
        dlg.Export().SetSavePathAsker(
            [this](QWidget*, const QString&, const QString& path, const QString&) {
                return ++asked, suggested = path, answer;
            });
        dlg.Session().SetLanguage(Language::English);
        Show();
    }
    QStringList Reports() const {
        return QDir(folder.path()).entryList({QStringLiteral("*.xlsx")}, QDir::Files);
    }
    // Two clicks on the cell, the text typed, Enter.
    void Correct(int row, int column, const QString& text) {
        CEditList& t = dlg.Table();
        const QPoint at = CellCentre(t, row, column);
        QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, at);
        ASSERT_NE(t.Editor(), nullptr);
        t.Editor()->selectAll();
        QTest::keyClicks(t.Editor(), text);
        QTest::keyClick(t.Editor(), Qt::Key_Return);
    }
    void ExportCsv() { MenuEntry(MainMenu::Menu::File, 2); }

    int asked = 0;     // times the save dialog was asked
    QString suggested; // the path it was last offered
    QString answer;    // the path it gives back
};

// Which rows are reported is tests/document's and what each outcome says tests/report's; here
// the window hands over the table with the operator's corrections and shows the outcome.
TEST_F(ExportPartTest, WorkbookHoldsTheTableAsShownWithTheOperatorsCorrections) {
    Click(idc::kSaveOrPrint);
    EXPECT_EQ(boxes.Texts(), QStringList{"NO DATA!"});
    EXPECT_TRUE(report.written.empty());
    boxes.shown.clear();
    for (uint16_t i = 0; i < 3; ++i)
        Feed(Record(i, 1550, 1, {13, 10, 9, 15, uint8_t(7 + i)}));
    Correct(1, 6, "splice 7");

    Click(idc::kSaveOrPrint);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
    ASSERT_EQ(report.written.size(), 1u);
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_EQ(report.opened, QStringList{QDir(folder.path()).filePath(Reports()[0])});
    const UploadDocument& data = report.written[0];
    EXPECT_EQ(data.language, Language::English);
    ASSERT_EQ(data.rows.size(), 3u);
    EXPECT_EQ(data.rows[1].texts[6], "splice 7");
    EXPECT_EQ(data.rows[2].texts[1], "1550");
}

// Export CSV from the File menu suggests a report-like name in the report folder; a file that
// cannot be written leaves nothing and is told. The file's bytes are tests/report's.
TEST_F(ExportPartTest, ExportCsvIntoAnUnwritablePlaceLeavesNoFileAndTellsWhy) {
    Feed(Record(0));
    ASSERT_TRUE(WriteFile(folder.filePath("not-a-folder"), {}));
    answer = folder.filePath("not-a-folder/table.csv");
    ExportCsv();
    EXPECT_TRUE(QFileInfo(suggested).fileName().startsWith("Test Report 20"))
        << suggested.toStdString();
    EXPECT_EQ(QFileInfo(suggested).path(), folder.path());
    ASSERT_EQ(boxes.Texts().size(), 1); // that the failed write leaves nothing is tests/io's
    EXPECT_TRUE(boxes.Texts()[0].startsWith("The CSV file could not be written:\n" + answer))
        << boxes.Texts()[0].toStdString();
}

// The dialog asked about replacing "x", not "x.csv": the extension added after it never replaces.
TEST_F(ExportPartTest, ExportCsvNeverReplacesTheNameTheDialogDidNotAskAbout) {
    Feed(Record(0));
    ASSERT_TRUE(WriteFile(folder.filePath("x.csv"), "keep"));
    answer = folder.filePath("x");
    ExportCsv();
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].endsWith("x.csv already exists."))
        << boxes.Texts()[0].toStdString();
    EXPECT_EQ(ReadFile(folder.filePath("x.csv")), "keep");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"x.csv"});
}

// With certification off (a fresh configuration) Export PDF is greyed, as Print is: a click
// asks nothing and writes nothing, though the table has a record. On, it never replaces a file.
TEST_F(ExportPartTest, CertificateEntriesAreGreyedWhileOffAndNeverOverwrite) {
    Feed(Record(0));
    answer = folder.filePath("c.pdf");
    const auto exportPdf = [&] { MenuEntry(MainMenu::Menu::File, 4); };
    exportPdf();
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(boxes.Texts().isEmpty());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    // A greyed entry leaves its menu open.
    QTest::keyClick(dlg.Menu().MenuOf(MainMenu::Menu::File), Qt::Key_Escape);

    CertificationSettings on;
    on.enabled = true;
    dlg.Certification().SetSettings(on);
    ASSERT_TRUE(WriteFile(answer, "issued"));
    exportPdf();
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].contains("never overwritten")) << boxes.Texts()[0].toStdString();
    EXPECT_EQ(ReadFile(folder.filePath("c.pdf")), "issued");
    answer = folder.filePath("d.pdf");
    exportPdf();
    EXPECT_EQ(ReadFile(answer).left(5), "%PDF-");
}

} // namespace
} // namespace vemla
