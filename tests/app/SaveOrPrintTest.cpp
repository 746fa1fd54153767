// SAVE OR PRINT from the window: what the operator sees in the table, corrections included,
// is what the workbook holds; the counter and the table decide how many rows go out.
#include "CellEdit.h"
#include "EditList.h"
#include "FixedPortSource.h"
#include "FreshConfig.h"
#include "MeterDlg.h"
#include "RecordFrame.h"
#include "RecordingMessageBox.h"
#include "XlsxReader.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace vemla {
namespace {

class RecordingOpener final : public IReportOpener {
public:
    bool Open(const QString& path) override {
        opened << path;
        return true;
    }
    QStringList opened;
};

class SaveOrPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        dlg.SetReportFolder(folder.path());
        dlg.SetReportOpener(&opener);
        dlg.SetUiLanguage(Language::English);
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    void Feed(const std::vector<uint8_t>& bytes) {
        for (uint8_t b : bytes)
            dlg.OnRxChar(b, 1);
    }
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
    RecordingOpener opener;
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
    ASSERT_EQ(Reports().size(), 1);
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.opened[0], QDir(folder.path()).filePath(Reports()[0]));

    const test::XlsxReader book(opener.opened[0]);
    ASSERT_TRUE(book.wellFormed);
    EXPECT_EQ(book.Cell("C2").value, "Fibre Works");
    for (int row = 0; row < 3; ++row) {
        const QString n = QString::number(7 + row);
        EXPECT_TRUE(book.Cell("A" + n).IsNumber()) << row;
        EXPECT_EQ(book.Cell("A" + n).value, QString::number(row + 1));
        const char* columns = "BCDEFG";
        for (int c = 1; c < 7; ++c) {
            const QString ref = QChar(columns[c - 1]) + n;
            const test::XlsxCell cell = book.Cell(ref);
            const QString shown = dlg.Table().GetItemText(row, c);
            if (shown.isEmpty())
                continue;
            EXPECT_TRUE(cell.IsText()) << ref.toStdString();
            EXPECT_EQ(cell.value, shown) << ref.toStdString();
        }
    }
    EXPECT_EQ(book.Cell("G8").value, "splice 7");
    EXPECT_EQ(book.Cell("B9").value, "1625");
    EXPECT_TRUE(book.Cell("A10").value.isEmpty()) << "only the rows the table holds";
    EXPECT_EQ(dlg.Table().GetItemText(1, 6), "splice 7") << "the table is only read";
    EXPECT_EQ(dlg.Session().RecordCounter(), 3);
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
    EXPECT_TRUE(opener.opened.isEmpty());
}

} // namespace
} // namespace vemla
