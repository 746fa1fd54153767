// Language: the start-up choice from the configuration file, the caption switch, and the
// close-up of the language list.
#include "Language.h"
#include "EditList.h"
#include "FreshConfig.h"
#include "MeterDlg.h"
#include "RecordFrame.h"
#include "RecordingMessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

namespace vemla {
namespace {

QString Caption(const CMeterDlg& dlg, int id) {
    QWidget* w = dlg.Control(id);
    if (auto* b = qobject_cast<QPushButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return QStringLiteral("<no caption>");
}

TEST(LanguageStartupTest, StoredValueDecidesTheLanguageAndIsWrittenBack) {
    struct Case {
        std::optional<QByteArray> file;
        int8_t language;
        QByteArray stored;
    };
    const std::vector<Case> cases{
        {std::nullopt, kChinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=0\n", kEnglish, "[Section1]\nItem=0\n"},
        {"[Section1]\nItem=1\n", kChinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=01\n", kEnglish, "[Section1]\nItem=0\n"},
        {"[Section1]\nItem=2\n", kChinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=x\n", kChinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=\n", kChinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=/\n", kChinese, "[Section1]\nItem=1\n"},
        {"; keep\n[Other]\nItem=0\n", kChinese, "; keep\n[Other]\nItem=0\n[Section1]\nItem=1\n"},
    };
    for (const Case& c : cases) {
        test::FreshConfig config(c.file);
        test::RecordingMessageBox boxes;
        CMeterDlg dlg(boxes);
        EXPECT_EQ(dlg.UiLanguage(), c.language) << c.file.value_or("<none>").constData();
        EXPECT_EQ(test::FreshConfig::Contents(), c.stored) << c.file.value_or("<none>").constData();
        auto* list = dlg.ControlAs<QComboBox>(idc::kLanguageList);
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->itemText(0), QString::fromUtf8("中文"));
        EXPECT_EQ(list->itemText(1), "ENGLISH");
        EXPECT_EQ(list->currentIndex(), c.language == kEnglish ? 1 : 0);
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST(LanguageStartupTest, ReadOnlyCurrentDirectoryStillStartsAndReportsNothing) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral("/proc")));
    test::RecordingMessageBox boxes;
    {
        CMeterDlg dlg(boxes);
        EXPECT_EQ(dlg.UiLanguage(), kChinese);
    }
    QDir::setCurrent(before);
    EXPECT_TRUE(boxes.shown.empty());
}

class LanguageSwitchTest : public ::testing::Test {
protected:
    void Choose(int index) {
        auto* list = dlg.ControlAs<QComboBox>(idc::kLanguageList);
        list->showPopup();
        list->setCurrentIndex(index);
        list->hidePopup(); // the close-up is what takes the choice
    }
    test::FreshConfig config;
    test::RecordingMessageBox boxes;
    CMeterDlg dlg{boxes};
};

TEST_F(LanguageSwitchTest, EveryCaptionFollowsTheLanguage) {
    for (int index : {1, 0, 1}) {
        Choose(index);
        const bool english = index == 1;
        EXPECT_EQ(dlg.UiLanguage(), english ? kEnglish : kChinese);
        for (const CaptionPair& c : CaptionTable())
            EXPECT_EQ(Caption(dlg, c.id), QString::fromUtf8(english ? c.english : c.chinese))
                << c.id;
        EXPECT_EQ(Caption(dlg, idc::kPortButton),
                  english ? "OPEN COM" : QString::fromUtf8("打开串口"));
        EXPECT_EQ(dlg.Table().model()->headerData(3, Qt::Horizontal).toString(),
                  english ? "RELATIVE POWER" : QString::fromUtf8("相对功率值"));
        EXPECT_EQ(test::FreshConfig::Contents(),
                  english ? "[Section1]\nItem=0\n" : "[Section1]\nItem=1\n");
    }
    // Not switched: the title, the fixed labels and the laser group.
    EXPECT_EQ(dlg.windowTitle(), "VORN");
    EXPECT_EQ(Caption(dlg, idc::kLaserSet), QString::fromUtf8("激光器设置"));
}

TEST_F(LanguageSwitchTest, SpotCheckOfTheTableTexts) {
    Choose(1);
    EXPECT_EQ(Caption(dlg, 1040), "FILL OUT USER'S INFORMATION");
    EXPECT_EQ(Caption(dlg, 1024), "GET TIME");
    EXPECT_EQ(Caption(dlg, 1054), "SET WAVE");
    EXPECT_EQ(Caption(dlg, 1076), "SET WAVE");
    EXPECT_EQ(Caption(dlg, 1), "EXIT");
    Choose(0);
    EXPECT_EQ(Caption(dlg, 1024), QString::fromUtf8("获取时间"));
    EXPECT_EQ(Caption(dlg, 1055), QString::fromUtf8("输入波长个数："));
    EXPECT_EQ(Caption(dlg, 1029), QString::fromUtf8("公司  名称"));
}

TEST_F(LanguageSwitchTest, RowsNotesAndCounterSurviveASwitch) {
    for (uint8_t b : test::Record(0))
        dlg.OnRxChar(b, 1);
    dlg.Table().SetItemText(0, 6, QStringLiteral("fibre 7"));
    Choose(1);
    Choose(1); // re-picking the language in force changes nothing either
    ASSERT_EQ(dlg.Table().GetItemCount(), 1);
    EXPECT_EQ(dlg.Table().GetItemText(0, 6), "fibre 7");
    EXPECT_EQ(dlg.Table().GetItemText(0, 2), "-10.00dBm");
    EXPECT_EQ(dlg.RecordCounter(), 1);
    EXPECT_EQ(dlg.Table().model()->headerData(0, Qt::Horizontal).toString(), "NUMBER");
}

TEST_F(LanguageSwitchTest, CloseUpWithNothingSelectedKeepsTheLanguageButWritesTheFile) {
    Choose(1);
    QFile::remove(QStringLiteral("Vemla.ini"));
    Choose(-1);
    EXPECT_EQ(dlg.UiLanguage(), kEnglish);
    EXPECT_EQ(test::FreshConfig::Contents(), "[Section1]\nItem=0\n");
}

TEST(LanguageRuleTest, FirstByteMinusZeroInSignedEightBits) {
    EXPECT_EQ(LanguageFromStoredValue("0"), 0);
    EXPECT_EQ(LanguageFromStoredValue("1abc"), 1);
    EXPECT_EQ(LanguageFromStoredValue("9"), 9);
    EXPECT_LT(LanguageFromStoredValue(""), 0);
    EXPECT_LT(LanguageFromStoredValue("\xB0"), 0); // a high byte wraps negative, never 0 or 1
}

} // namespace
} // namespace vemla
