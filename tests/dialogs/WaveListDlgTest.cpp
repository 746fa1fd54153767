// The wavelength list dialog: captions, which fields show for a count, the reading order with
// its stop at the first bad field, and the bytes of the list.
#include "WaveListDlg.h"
#include "RecordingMessageBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;

class WaveListDlgTest : public ::testing::Test {
protected:
    void Type(int k, const QString& text) { dlg.Field(k)->setText(text); }
    void Ok() { qobject_cast<QPushButton*>(dlg.Control(idw::kOk))->click(); }
    Bytes List(std::size_t n) const {
        return Bytes(dlg.WaveList().begin(), dlg.WaveList().begin() + n);
    }
    QString Caption(int id) const {
        QWidget* w = dlg.Control(id);
        if (auto* g = qobject_cast<QGroupBox*>(w))
            return g->title();
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text();
        return qobject_cast<QPushButton*>(w)->text();
    }

    test::RecordingMessageBox boxes;
    CWaveListDlg dlg{boxes};
};

TEST(WaveCount, OneToTwentyOnly) {
    for (auto [count, ok] : {std::pair{0, false}, {1, true}, {20, true}, {21, false}, {-1, false}})
        EXPECT_EQ(WaveCountInRange(count), ok) << count;
}

TEST_F(WaveListDlgTest, StartsHiddenWithEveryFieldZeroAndAnEmptyList) {
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.windowTitle().isEmpty());
    for (int k = 1; k <= kMaxDeviceWaves; ++k) {
        EXPECT_EQ(dlg.Field(k)->text(), "0") << k;
        EXPECT_EQ(qobject_cast<QLabel*>(dlg.Label(k))->text(), QString("WAVE%1").arg(k));
    }
    EXPECT_EQ(dlg.WaveList().size(), kWaveListBytes);
    EXPECT_EQ(Bytes(dlg.WaveList().begin(), dlg.WaveList().end()), Bytes(kWaveListBytes, 0));
    EXPECT_EQ(dlg.Control(idw::kFields[14])->objectName(), "1020"); // WAVE15
}

TEST_F(WaveListDlgTest, CaptionsFollowTheLanguage) {
    dlg.PrepareForCount(3, Language::English);
    EXPECT_EQ(Caption(idw::kGroup), "SET WAVELENGTH");
    EXPECT_EQ(Caption(idw::kPrompt), "Please enter the desired wavelength");
    EXPECT_EQ(Caption(idw::kOk), "OK");
    dlg.PrepareForCount(3, Language::Chinese);
    EXPECT_EQ(Caption(idw::kGroup), QString::fromUtf8("设置波长"));
    EXPECT_EQ(Caption(idw::kPrompt), QString::fromUtf8("请输入所需波长："));
    EXPECT_EQ(Caption(idw::kOk), QString::fromUtf8("确定"));
}

TEST_F(WaveListDlgTest, CountShowsThatManyFieldsAndKeepsTheHiddenValues) {
    dlg.PrepareForCount(20, Language::English);
    for (int k = 1; k <= 20; ++k)
        Type(k, QString::number(1000 + k));
    dlg.PrepareForCount(2, Language::English);
    for (int k = 1; k <= 20; ++k) {
        EXPECT_EQ(dlg.Field(k)->isVisibleTo(&dlg), k <= 2) << k;
        EXPECT_EQ(dlg.Label(k)->isVisibleTo(&dlg), k <= 2) << k;
    }
    Ok();
    EXPECT_EQ(dlg.WaveValue(20), 1020) << "hidden fields are read all the same";
    // Two pairs and the end byte; after it the bytes of no longer list stay 0.
    EXPECT_EQ(List(6), (Bytes{0x03, 0xE9, 0x03, 0xEA, 0xBB, 0x00}));

    dlg.PrepareForCount(1, Language::English);
    for (int k = 2; k <= 20; ++k)
        EXPECT_FALSE(dlg.Field(k)->isVisibleTo(&dlg)) << k;
    EXPECT_TRUE(dlg.Field(1)->isVisibleTo(&dlg));
    // A count outside 1..20 shows and hides nothing.
    dlg.PrepareForCount(0, Language::English);
    EXPECT_FALSE(dlg.Field(2)->isVisibleTo(&dlg));
    dlg.PrepareForCount(21, Language::English);
    EXPECT_FALSE(dlg.Field(2)->isVisibleTo(&dlg));
    EXPECT_EQ(dlg.Count(), 21);
}

TEST_F(WaveListDlgTest, NumbersOutsideSixteenBitsGoOutModulo65536) {
    dlg.PrepareForCount(3, Language::English);
    Type(1, "70000");
    Type(2, "-1");
    Type(3, "65536");
    Ok();
    EXPECT_EQ(List(7), (Bytes{0x11, 0x70, 0xFF, 0xFF, 0x00, 0x00, 0xBB}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WaveListDlgTest, BadFieldStopsTheReadingThereAndLaterFieldsKeepTheirValues) {
    dlg.PrepareForCount(20, Language::Chinese);
    for (int k = 1; k <= 20; ++k)
        Type(k, QString::number(100 * k));
    Ok(); // every field a number: all 20 held
    ASSERT_TRUE(boxes.shown.empty());
    // Reading order is WAVE2..WAVE20, then WAVE1: a bad WAVE5 leaves WAVE5..WAVE20 and WAVE1.
    for (int k = 1; k <= 20; ++k)
        Type(k, QString::number(7 * k));
    Type(5, "15x0");
    dlg.show();
    Ok();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Vemla");
    EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8("请输入一个整数。"));
    for (int k = 2; k <= 4; ++k)
        EXPECT_EQ(dlg.WaveValue(k), 7 * k) << k;
    for (int k = 5; k <= 20; ++k)
        EXPECT_EQ(dlg.WaveValue(k), 100 * k) << k;
    EXPECT_EQ(dlg.WaveValue(1), 100);
    // The list is built from what is held; the fields show it again and the dialog closes.
    EXPECT_EQ(List(4), (Bytes{0x00, 0x64, 0x00, 0x0E}));
    EXPECT_EQ(dlg.Field(5)->text(), "500");
    EXPECT_EQ(dlg.Field(1)->text(), "100");
    EXPECT_EQ(dlg.Field(3)->text(), "21");
    EXPECT_FALSE(dlg.isVisible());

    boxes.shown.clear();
    dlg.PrepareForCount(1, Language::English);
    Type(1, "");
    Ok();
    EXPECT_EQ(boxes.Texts(), QStringList{"Please enter an integer."});
}

TEST_F(WaveListDlgTest, EscapeAndCloseChangeNothing) {
    dlg.PrepareForCount(1, Language::English);
    Type(1, "1550");
    Ok();
    const Bytes before = List(kWaveListBytes);
    dlg.show();
    Type(1, "1310");
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(List(kWaveListBytes), before);
    EXPECT_EQ(dlg.WaveValue(1), 1550);
    dlg.show();
    dlg.close();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(List(kWaveListBytes), before);
}

TEST_F(WaveListDlgTest, EnterInAFieldIsOk) {
    dlg.PrepareForCount(1, Language::English);
    dlg.show();
    Type(1, "1490");
    QTest::keyClick(dlg.Field(1), Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(List(3), (Bytes{0x05, 0xD2, 0xBB}));
}

} // namespace
} // namespace vemla
