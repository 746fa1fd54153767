// SAVE OR PRINT from the window: what the operator sees in the table, corrections typed in it
// included, and the header fields are what the report is given. The workbook's layout is the
// report's own tests.
#include "CellEdit.h"
#include "EditList.h"
#include "FixedPortSource.h"
#include "FreshConfig.h"
#include "MainMenu.h"
#include "MeterDlg.h"
#include "PopupPick.h"
#include "RecordFrame.h"
#include "RecordingMessageBox.h"
#include "RecordingReport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace vemla {
namespace {

class SaveOrPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        dlg.SetReportFolder(folder.path());
        dlg.SetReportOpener(&report);
        dlg.SetReportWriter(&report);
        dlg.SetUiLanguage(Language::English);
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    void Feed(const test::Bytes& bytes) { test::Feed(dlg, bytes); }
    void SaveOrPrint() { dlg.ControlAs<QPushButton>(idc::kSaveOrPrint)->click(); }
    QStringList Reports() const {
        return QDir(folder.path()).entryList({QStringLiteral("*.xlsx")}, QDir::Files);
    }
    // Two clicks on the cell, the text typed, Enter.
    void Correct(int row, int column, const QString& text) {
        CEditList& t = dlg.Table();
        const QPoint at = t.visualRect(t.Model().index(row, column)).center();
        QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, at);
        ASSERT_NE(t.Editor(), nullptr);
        t.Editor()->selectAll();
        QTest::keyClicks(t.Editor(), text);
        QTest::keyClick(t.Editor(), Qt::Key_Return);
    }

    test::FreshConfig config;
    test::RecordingMessageBox boxes;
    CMeterDlg dlg{boxes, std::make_unique<test::FixedPortSource>(
                             std::make_shared<std::vector<PortCandidate>>())};
    QTemporaryDir folder;
    test::RecordingReport report;
};

TEST_F(SaveOrPrintTest, WorkbookHoldsTheTableAsShownWithTheOperatorsCorrections) {
    for (uint16_t i = 0; i < 3; ++i)
        Feed(test::Record(i, 1550, 1, {13, 10, 9, 15, uint8_t(7 + i)}));
    dlg.ControlAs<QLineEdit>(idc::kCompany)->setText("Fibre Works");
    Correct(1, 6, "splice 7");
    Correct(2, 1, "1625");
    ASSERT_EQ(dlg.Table().GetItemText(1, 6), "splice 7");

    SaveOrPrint();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
    ASSERT_EQ(report.written.size(), 1u);
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_EQ(report.opened, QStringList{QDir(folder.path()).filePath(Reports()[0])});
    const test::RecordingReport::Written& data = report.written[0];
    EXPECT_EQ(data.language, Language::English);
    EXPECT_EQ(data.header.company, "Fibre Works");
    ASSERT_EQ(data.rows.size(), 3u) << "only the rows the table holds";
    for (int row = 0; row < 3; ++row)
        for (int c = 1; c < 7; ++c)
            EXPECT_EQ(data.rows[size_t(row)][size_t(c - 1)], dlg.Table().GetItemText(row, c));
    EXPECT_EQ(data.rows[1][5], "splice 7");
    EXPECT_EQ(data.rows[2][0], "1625");
}

TEST_F(SaveOrPrintTest, AfterDeleteAllTheEmptyTableGivesNoDataAndNoFile) {
    for (uint16_t i = 0; i < 2; ++i)
        Feed(test::Record(i));
    Feed({0xAA, 0x04, 0x07, 0x55}); // delete-all acknowledged: rows gone, counter kept
    boxes.shown.clear();
    ASSERT_EQ(dlg.Table().GetItemCount(), 0);
    ASSERT_EQ(dlg.Session().RecordCounter(), 2);
    SaveOrPrint();
    EXPECT_EQ(boxes.Texts(), QStringList{"NO DATA!"});
    EXPECT_TRUE(Reports().isEmpty());
    EXPECT_TRUE(report.written.empty());
}

// Export CSV from the File menu suggests a report-like name in the report folder; a file that
// cannot be written leaves nothing and is told. The file's bytes are tests/report's.
TEST_F(SaveOrPrintTest, ExportCsvIntoAnUnwritablePlaceLeavesNoFileAndTellsWhy) {
    Feed(test::Record(0));
    QFile blocker(folder.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const QString target = blocker.fileName() + "/table.csv";
    QString suggested;
    dlg.SetSavePathAsker([&](QWidget*, const QString&, const QString& path, const QString&) {
        suggested = path;
        return target;
    });
    test::ClickMenuEntry(dlg.findChild<QMenuBar*>(), dlg.Menu().MenuOf(CMainMenu::Menu::File), 1);
    EXPECT_TRUE(QFileInfo(suggested).fileName().startsWith("Test Report 20"))
        << suggested.toStdString();
    EXPECT_EQ(QFileInfo(suggested).path(), folder.path());
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].startsWith("The CSV file could not be written:\n" + target))
        << boxes.Texts()[0].toStdString();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"not-a-folder"});
}

// The dialog asked about replacing "x", not "x.csv": the extension added after it never replaces.
TEST_F(SaveOrPrintTest, ExportCsvNeverReplacesTheNameTheDialogDidNotAskAbout) {
    Feed(test::Record(0));
    QFile kept(folder.filePath("x.csv"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly) && kept.write("keep") == 4);
    kept.close();
    dlg.SetSavePathAsker([&](QWidget*, const QString&, const QString&, const QString&) {
        return folder.filePath("x");
    });
    test::ClickMenuEntry(dlg.findChild<QMenuBar*>(), dlg.Menu().MenuOf(CMainMenu::Menu::File), 1);
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].endsWith("x.csv already exists."))
        << boxes.Texts()[0].toStdString();
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"x.csv"});
}

// With certification off (a fresh configuration) Export PDF is greyed, as Print is: a click
// asks nothing and writes nothing, though the table has a record. On, it never replaces a file.
TEST_F(SaveOrPrintTest, CertificateEntriesAreGreyedWhileOffAndNeverOverwrite) {
    Feed(test::Record(0));
    int asked = 0;
    QString chosen = folder.filePath("c.pdf");
    dlg.SetSavePathAsker(
        [&](QWidget*, const QString&, const QString&, const QString&) { return ++asked, chosen; });
    const auto exportPdf = [&] {
        test::ClickMenuEntry(dlg.findChild<QMenuBar*>(), dlg.Menu().MenuOf(CMainMenu::Menu::File),
                             3);
    };
    exportPdf();
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(boxes.Texts().isEmpty());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    // A greyed entry leaves its menu open.
    QTest::keyClick(dlg.Menu().MenuOf(CMainMenu::Menu::File), Qt::Key_Escape);

    CertificationSettings on;
    on.enabled = true;
    dlg.SetCertification(on);
    QFile issued(chosen);
    ASSERT_TRUE(issued.open(QIODevice::WriteOnly) && issued.write("issued") == 6);
    issued.close();
    exportPdf();
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].contains("never overwritten")) << boxes.Texts()[0].toStdString();
    ASSERT_TRUE(issued.open(QIODevice::ReadOnly));
    EXPECT_EQ(issued.readAll(), "issued");
    chosen = folder.filePath("d.pdf");
    exportPdf();
    QFile made(chosen);
    ASSERT_TRUE(made.open(QIODevice::ReadOnly));
    EXPECT_EQ(made.read(5), "%PDF-");
}

} // namespace
} // namespace vemla
