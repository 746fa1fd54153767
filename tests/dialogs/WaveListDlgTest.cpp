// The wavelength list dialog: captions, which fields show for a count, the reading order with
// its stop at the first bad field, and which values go into the list (its bytes are
// tests/protocol/FrameCodecTest's).
#include "WaveListDlg.h"
#include "RecordingMessageBox.h"

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
    Bytes List() const { return {dlg.WaveList().begin(), dlg.WaveList().end()}; }
    // The list of WAVE1..WAVEcount holding waves, laid over an empty one.
    static Bytes ListOf(int32_t count, std::array<int32_t, kMaxDeviceWaves> waves) {
        std::array<uint8_t, kWaveListBytes> list{};
        PutWaveList(count, waves, list);
        return {list.begin(), list.end()};
    }
    // The group box's title, or the label's or button's text.
    QString Caption(int id) const {
        const QVariant title = dlg.Control(id)->property("title");
        return (title.isValid() ? title : dlg.Control(id)->property("text")).toString();
    }
    // Per wave its field then its label: F or L when the operator sees it, - when not.
    QString Shown() const {
        QString shown;
        for (int k = 1; k <= kMaxDeviceWaves; ++k)
            shown += QString(dlg.Field(k)->isVisibleTo(&dlg) ? "F" : "-") +
                     (dlg.Label(k)->isVisibleTo(&dlg) ? "L" : "-");
        return shown;
    }
    static QString FirstShown(int n) { return QString("FL").repeated(n).leftJustified(40, '-'); }

    test::RecordingMessageBox boxes;
    CWaveListDlg dlg{boxes};
};

TEST_F(WaveListDlgTest, StartsWithEveryFieldZeroAndAnEmptyListUnderTheLanguagesCaptions) {
    EXPECT_TRUE(dlg.windowTitle().isEmpty());
    for (int k = 1; k <= kMaxDeviceWaves; ++k) {
        EXPECT_EQ(dlg.Field(k)->text(), "0") << k;
        EXPECT_EQ(qobject_cast<QLabel*>(dlg.Label(k))->text(), QString("WAVE%1").arg(k));
    }
    EXPECT_EQ(List(), Bytes(kWaveListBytes, 0));
    for (auto [language, group, prompt, ok] :
         {std::tuple{Language::English, "SET WAVELENGTH", "Please enter the desired wavelength",
                     "OK"},
          {Language::Chinese, "设置波长", "请输入所需波长：", "确定"}}) {
        dlg.PrepareForCount(3, language);
        EXPECT_EQ(Caption(idw::kGroup), group);
        EXPECT_EQ(Caption(idw::kPrompt), prompt);
        EXPECT_EQ(Caption(idw::kOk), ok);
    }
}

TEST_F(WaveListDlgTest, CountShowsThatManyFieldsEnterIsOkAndNumbersAreHeldAsTyped) {
    dlg.PrepareForCount(20, Language::English);
    for (int k = 1; k <= 20; ++k)
        Type(k, QString::number(1000 + k));
    dlg.PrepareForCount(2, Language::English);
    EXPECT_EQ(Shown(), FirstShown(2));
    Type(1, "70000"); // outside sixteen bits, yet no bad field
    Type(2, "-1");
    dlg.show();
    QTest::keyClick(dlg.Field(2), Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dlg.WaveValue(20), 1020) << "hidden fields are read all the same";
    EXPECT_EQ(List(), ListOf(2, {70000, -1}));
    // A count outside 1..20 shows and hides nothing.
    for (int count : {1, 0, 21}) {
        dlg.PrepareForCount(count, Language::English);
        EXPECT_EQ(Shown(), FirstShown(1)) << count;
    }
    EXPECT_EQ(dlg.Count(), 21);
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
    std::array<int32_t, kMaxDeviceWaves> held{};
    for (int k = 1; k <= 20; ++k) {
        held[k - 1] = k >= 2 && k <= 4 ? 7 * k : 100 * k;
        EXPECT_EQ(dlg.WaveValue(k), held[k - 1]) << k;
    }
    // The list is built from what is held; the fields show it again and the dialog closes.
    EXPECT_EQ(List(), ListOf(20, held));
    for (auto [k, text] : {std::pair{5, "500"}, {1, "100"}, {3, "21"}})
        EXPECT_EQ(dlg.Field(k)->text(), text) << k;
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
    const Bytes before = List();
    for (bool escape : {true, false}) {
        dlg.show();
        Type(1, "1310");
        escape ? QTest::keyClick(&dlg, Qt::Key_Escape) : void(dlg.close());
        EXPECT_FALSE(dlg.isVisible()) << escape;
        EXPECT_EQ(List(), before);
        EXPECT_EQ(dlg.WaveValue(1), 1550);
    }
}

} // namespace
} // namespace vemla
