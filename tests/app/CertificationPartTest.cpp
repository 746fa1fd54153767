// What the certification part adds, through the operator's input: the limits dialog
// and its effect on the table and the summary line, and fibre labels (the live window's reference
// is tests/app/LiveWindowTest.cpp's). Losses, limits, verdicts and their texts are the core's tests
// (tests/certify).
#include "FillSeriesDlg.h"
#include "LimitsDlg.h"
#include "ReferenceDlg.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace vemla {
namespace {

using namespace test;

constexpr int kLimitsEntry = 5; // in the Measure menu
constexpr int kReferencesEntry = 8;

void Retype(QLineEdit* edit, const QString& text) {
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

// On its box: the check box spans the dialog's width, its text only part of it.
void ClickCheck(QWidget* dialog) {
    auto* check = dialog->findChild<QCheckBox*>();
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
}

// A named preset's figures are its own until copied into "custom": reference-grade ends at
// 0.50 dB make 3.95, typing over them does nothing until the copy, then it counts (4.45 again).
void CopyAPresetIntoCustom(LimitsDlg* limits, QTableWidget* waves) {
    ClickEntry(limits->findChildren<QComboBox*>().at(0), 6); // TIA-568.3-E multimode
    Retype(limits->findChild<QLineEdit*>("End connection loss (dB):"), "0.75");
    EXPECT_EQ(waves->item(0, LimitsDlg::kLimit)->text(), "3.95");
    EXPECT_TRUE(limits->findChild<QLabel*>()->text().startsWith("TIA-568.3-E (2022) \u2014 "));
    auto* copy = limits->findChildren<QPushButton*>().at(0);
    ASSERT_EQ(copy->text(), "Copy to custom");
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(limits->findChildren<QComboBox*>().at(0)->currentText(), "custom");
    Retype(limits->findChild<QLineEdit*>("End connection loss (dB):"), "0.75");
    EXPECT_EQ(waves->item(0, LimitsDlg::kLimit)->text(), "4.45");
}

class CertificationPartTest : public WindowTest {
protected:
    CertificationPartTest() : WindowTest("[Section1]\nItem=0\n") {}
    void SetUp() override { dlg.Certification().SetSettings({}); } // none kept by an earlier test
    LimitsDlg* OpenLimits() {
        MenuEntry(MainMenu::Menu::Measure, kLimitsEntry);
        return dlg.findChild<LimitsDlg*>();
    }
};

TEST_F(CertificationPartTest, LimitsDialogTurnsJudgingOnWithTwoColumnsAndOffAgainAndIsKept) {
    // -24.5, -25.5, -20 and -24.5 dBm against the frames' reference of -20.5 dBm: the counts
    // differ, so a swapped PASS and FAIL shows.
    const std::array<std::pair<uint16_t, uint8_t>, 4> rows{
        {{850, 0xC4}, {850, 0xCC}, {1300, 0xA0}, {850, 0xC4}}};
    for (uint16_t i = 0; i < 4; ++i)
        Feed(Record(i, rows[i].first, 1, {13, 10, 9, 15, 7}, {0xC1, rows[i].second, 0, 0}));
    dlg.show();
    LimitsDlg* limits = OpenLimits();
    ASSERT_TRUE(limits);
    ClickCheck(limits);
    ClickEntry(limits->findChildren<QComboBox*>().at(0), 0); // TIA-568.3-D multimode
    Retype(limits->findChild<QLineEdit*>("Length (km):"), "0.842");
    auto* waves = limits->findChild<QTableWidget*>();
    ASSERT_EQ(waves->rowCount(), 2);
    EXPECT_EQ(waves->item(0, LimitsDlg::kLimit)->text(), "4.45"); // 0.842 × 3.5 + 2 × 0.75
    CopyAPresetIntoCustom(limits, waves);
    Retype(limits->findChild<QLineEdit*>("Splices:"), "1e9");
    Retype(limits->findChild<QLineEdit*>("Meter uncertainty (dB):"), "-0.1");
    ClickOk(limits);
    EXPECT_EQ(boxes.Texts().join('|'), "Splices: enter a number from 0 to 10000.");
    Retype(limits->findChild<QLineEdit*>("Splices:"), "0");
    ClickOk(limits);
    EXPECT_EQ(boxes.Texts().last(), "Meter uncertainty (dB): enter a number from 0 to 10.");
    // 0.55 dB: the +0.45 margins are marginal, the -0.55 one exactly at it is not.
    Retype(limits->findChild<QLineEdit*>("Meter uncertainty (dB):"), "0.55");
    ClickOk(limits);

    const MeasurementModel& model = dlg.Table().Model();
    ASSERT_EQ(model.columnCount(), 9);
    EXPECT_EQ(model.headerData(8, Qt::Horizontal, Qt::DisplayRole), "RESULT");
    const std::tuple<int, const char*, const char*, QVariant> judged[] = {
        {0, "4.00", "PASS* +0.45 dB", QVariant()},
        {1, "5.00", "FAIL -0.55 dB", QColor(Qt::red)},
        {2, "-0.50", "CHECK REF", QColor(0xFF, 0x8C, 0x00)},
    };
    for (const auto& [row, loss, verdict, colour] : judged) {
        EXPECT_EQ(model.index(row, 7).data().toString(), loss);
        EXPECT_EQ(model.index(row, 8).data().toString(), verdict);
        EXPECT_EQ(model.index(row, 8).data(Qt::ForegroundRole), colour);
    }
    EXPECT_EQ(dlg.Certification().SummaryLine()->text(),
              "850 nm: 3 · PASS 2 · FAIL 1 · worst margin -0.55 dB · marginal 2   "
              "1300 nm: 1 · PASS 0 · FAIL 0 · worst margin — · marginal 0");

    CMeterDlg again(boxes); // the settings were kept; what they keep is tests/certify's
    EXPECT_EQ(again.Table().Model().columnCount(), 9);

    limits = OpenLimits();
    ClickCheck(limits);
    ClickOk(limits);
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_FALSE(dlg.Certification().SummaryLine()->isVisible());
}

// The mated cords typed and judged as typed, the launch cord and the meter's calibration date;
// a past date shows on the summary line. The rules themselves are tests/certify's.
TEST_F(CertificationPartTest, ReferencesDialogKeepsTheCordsVerificationAndTheMetersDate) {
    CertificationSettings held;
    held.enabled = true;
    held.SetReference({850, -20.0, QDateTime::currentDateTime().addSecs(-60)});
    dlg.Certification().SetSettings(held);
    dlg.show();
    MenuEntry(MainMenu::Menu::Measure, kReferencesEntry);
    auto* refs = dlg.findChild<ReferenceDlg*>();
    ASSERT_TRUE(refs);
    const auto* result = refs->findChild<QTableWidget*>()->item(0, ReferenceDlg::kResult);
    Retype(refs->findChild<QLineEdit*>("reading 850"), "0.11");
    EXPECT_EQ(result->text(), "FAIL");
    Retype(refs->findChild<QLineEdit*>("reading 850"), "0.10");
    EXPECT_EQ(result->text(), "PASS");
    QTest::keyClicks(refs->findChild<QLineEdit*>("cords 850"), "TRC-1/TRC-2");
    ClickEntry(refs->findChild<QComboBox*>(), 1);
    auto* date = refs->findChild<QLineEdit*>("calibration");
    Retype(date, "2020-02-30");
    ClickOk(refs);
    EXPECT_EQ(boxes.Texts().join('|'), "The calibration date is not a date (yyyy-MM-dd).");
    Retype(date, "2020-01-31");
    ClickOk(refs);

    const ReferenceWorkflow& w = dlg.Certification().Settings().workflow;
    ASSERT_EQ(w.verifications.size(), 1u);
    EXPECT_DOUBLE_EQ(w.verifications[0].lossDb, 0.10);
    EXPECT_TRUE(w.verifications[0].pass);
    EXPECT_EQ(w.verifications[0].cords, "TRC-1/TRC-2");
    EXPECT_EQ(w.launch, LaunchCondition::EncircledFlux);
    EXPECT_EQ(w.calibrationDue, QDate(2020, 1, 31));
    EXPECT_EQ(dlg.Certification().SummaryLine()->text(),
              "The meter's calibration was due on 2020-01-31: the results may not be accepted.");
}

TEST(SeriesLabel, NumberedPaddedAndSigned) {
    const std::vector<std::tuple<QString, int64_t, int64_t, int, int, QString>> cases{
        {"F-", 1, 1, 3, 0, "F-001"},   {"F-", 1, 1, 3, 1, "F-002"}, {"A-", 10, 2, 2, 3, "A-16"},
        {"X", 1000, 1, 3, 0, "X1000"}, {"", 2, -3, 2, 1, "-01"},    {"", 0, 1, 0, 0, "0"},
    };
    for (const auto& [prefix, start, step, width, i, label] : cases)
        EXPECT_EQ(SeriesLabel(prefix, start, step, width, i), label);
}

TEST_F(CertificationPartTest, FillSeriesFromTheContextMenuLabelsTheSelectedRows) {
    dlg.Session().ReplaceRecords(std::vector<MeterRecord>(5), {});
    Show();
    CEditList& table = dlg.Table();
    const auto at = [&](int row) { return CellCentre(table, row, 1); };
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, at(1));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(3));
    ClickFirstContextEntry(&table, at(2));
    auto* fill = dlg.findChild<FillSeriesDlg*>();
    ASSERT_TRUE(fill);
    const auto edits = fill->findChildren<QLineEdit*>();
    Retype(edits.at(0), "F-");
    Retype(edits.at(1), "1");
    Retype(edits.at(3), "3");
    ClickOk(fill);
    QStringList notes;
    for (int row = 0; row < 5; ++row)
        notes << dlg.Session().Records().Text(row, 6);
    EXPECT_EQ(notes.join('|'), "|F-001|F-002|F-003|");
}

} // namespace
} // namespace vemla
