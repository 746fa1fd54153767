// Language: the start-up choice from the configuration file, the caption switch, and the
// close-up of the language list.
#include "Language.h"
#include "EditList.h"
#include "FreshConfig.h"
#include "MeterDlg.h"
#include "PopupPick.h"
#include "RecordFrame.h"
#include "RecordingMessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

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

// A configuration path that is no regular file is an unreadable file: Chinese, nothing written
// or reported, and the window up at once (a pipe once blocked the open, a link to /dev/zero was
// read without end).
TEST(LanguageStartupTest, ConfigurationThatIsNoRegularFileIsLeftAloneAndStartsChinese) {
    struct Case {
        const char* what;
        std::function<bool()> make;
        std::function<bool()> unchanged;
    };
    const QString path = QStringLiteral("Vemla.ini");
    const QByteArray native = QFile::encodeName(path);
    const auto type = [&] {
        struct stat info {};
        return ::lstat(native.constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
    };
    const std::vector<Case> cases{
        {"named pipe", [&] { return ::mkfifo(native.constData(), 0600) == 0; },
         [&] { return type() == S_IFIFO; }},
        {"link to /dev/zero", [&] { return QFile::link("/dev/zero", path); },
         [&] { return type() == S_IFLNK && QFile::symLinkTarget(path) == "/dev/zero"; }},
        {"directory", [&] { return QDir().mkdir(path); }, [&] { return type() == S_IFDIR; }},
    };
    ::alarm(20); // a start-up that hangs ends the run instead of stalling it
    for (const Case& c : cases) {
        test::FreshConfig none;
        ASSERT_TRUE(c.make()) << c.what;
        test::RecordingMessageBox boxes;
        QElapsedTimer started;
        started.start();
        {
            CMeterDlg dlg(boxes);
            dlg.show();
            EXPECT_LT(started.elapsed(), 1000) << c.what;
            EXPECT_EQ(dlg.UiLanguage(), kChinese) << c.what;
            test::ClickEntry(dlg.ControlAs<QComboBox>(idc::kLanguageList), 1);
            EXPECT_EQ(dlg.UiLanguage(), kEnglish) << c.what;
        }
        EXPECT_TRUE(c.unchanged()) << c.what;
        EXPECT_TRUE(boxes.shown.empty()) << c.what;
        QDir().rmdir(path);
    }
    ::alarm(0);
}

class LanguageSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    QComboBox* List() { return dlg.ControlAs<QComboBox>(idc::kLanguageList); }
    // The operator clicks the entry in the open list; its close-up is what takes the choice.
    void Choose(int index) { test::ClickEntry(List(), index); }
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
    EXPECT_EQ(dlg.Session().RecordCounter(), 1);
    EXPECT_EQ(dlg.Table().model()->headerData(0, Qt::Horizontal).toString(), "NUMBER");
}

// Each close-up sees the entry the operator picked in it, however it was picked; closing the
// list without a pick keeps the language and still writes the file.
TEST_F(LanguageSwitchTest, EachCloseUpAppliesThePickMadeInIt) {
    enum class Input { Click, Keys, Escape };
    struct Case {
        Input input;
        int index;
        int8_t language;
    };
    const std::vector<Case> cases{
        {Input::Click, 1, kEnglish}, {Input::Click, 0, kChinese}, {Input::Keys, 1, kEnglish},
        {Input::Escape, 0, kEnglish}, {Input::Keys, 0, kChinese}, {Input::Escape, 1, kChinese},
    };
    for (const Case& c : cases) {
        QFile::remove(QStringLiteral("Vemla.ini"));
        if (c.input == Input::Click)
            test::ClickEntry(List(), c.index);
        else if (c.input == Input::Keys)
            test::KeyToEntry(List(), c.index);
        else
            test::Dismiss(List());
        const bool english = c.language == kEnglish;
        EXPECT_EQ(dlg.UiLanguage(), c.language) << int(c.input) << c.index;
        EXPECT_EQ(Caption(dlg, 1002), english ? "CONNECT" : QString::fromUtf8("连接"));
        EXPECT_EQ(List()->currentIndex(), english ? 1 : 0);
        EXPECT_EQ(test::FreshConfig::Contents(),
                  english ? "[Section1]\nItem=0\n" : "[Section1]\nItem=1\n");
    }
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
