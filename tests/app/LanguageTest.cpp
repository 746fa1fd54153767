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
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace vemla {
namespace {

// The group box's title, or the label's or button's text.
QString Caption(const CMeterDlg& dlg, int id) {
    const QVariant title = dlg.Control(id)->property("title");
    return (title.isValid() ? title : dlg.Control(id)->property("text")).toString();
}

TEST(LanguageStartupTest, StoredValueDecidesTheLanguageAndIsWrittenBack) {
    struct Case {
        std::optional<QByteArray> file;
        Language language;
        QByteArray stored;
    };
    const std::vector<Case> cases{
        {std::nullopt, Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=0\n", Language::English, "[Section1]\nItem=0\n"},
        {"[Section1]\nItem=1\n", Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=01\n", Language::English, "[Section1]\nItem=0\n"},
        {"[Section1]\nItem=2\n", Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=x\n", Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=\n", Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=/\n", Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=\xB0\n", Language::Chinese, "[Section1]\nItem=1\n"},
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
        EXPECT_EQ(list->currentIndex(), c.language == Language::English ? 1 : 0);
        EXPECT_TRUE(boxes.shown.empty());
    }
}

// A configuration path that is no regular file is an unreadable file, and a folder that cannot be
// written keeps none: Chinese, nothing written or reported, and the window up at once (a pipe
// once blocked the open, a link to /dev/zero was read without end).
TEST(LanguageStartupTest, ConfigurationThatIsNoRegularFileOrNotWritableStartsChinese) {
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
        {"read-only folder", [&] { return QDir::setCurrent(QStringLiteral("/proc")); },
         [&, before = QDir::currentPath()] { return QDir::setCurrent(before); }},
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
            EXPECT_EQ(dlg.UiLanguage(), Language::Chinese) << c.what;
            test::ClickEntry(dlg.ControlAs<QComboBox>(idc::kLanguageList), 1);
            EXPECT_EQ(dlg.UiLanguage(), Language::English) << c.what;
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

TEST_F(LanguageSwitchTest, RowsNotesAndCounterSurviveASwitch) {
    test::Feed(dlg, test::Record(0));
    dlg.Table().SetItemText(0, 6, QStringLiteral("fibre 7"));
    Choose(1);
    Choose(1); // re-picking the language in force changes nothing either
    ASSERT_EQ(dlg.Table().GetItemCount(), 1);
    EXPECT_EQ(dlg.Table().GetItemText(0, 6), "fibre 7");
    EXPECT_EQ(dlg.Session().RecordCounter(), 1);
}

// Each close-up applies the entry the operator picked in it, however it was picked; closing the
// list without a pick keeps the language and still writes the file. Every caption the switch
// sets is checked each time: the one check of these texts, the meter program's own,
// misspellings included.
TEST_F(LanguageSwitchTest, EachCloseUpAppliesThePickMadeInIt) {
    const struct {
        int id;
        const char* english;
        const char* chinese;
    } kCaptions[] = {
        {1002, "CONNECT", "连接"},
        {1029, "Company", "公司  名称"},
        {1030, "Instrument Model", "仪表  类型"},
        {1031, "Instrument Serial Number", "仪表序列号"},
        {1032, "Test Operator", "测试操作人"},
        {1033, "Notes", "备注"},
        {1034, "YEAR", "年"},
        {1035, "MONTH", "月"},
        {1036, "DAY", "日"},
        {1037, "HOUR", "时"},
        {1038, "MINUTE", "分"},
        {1011, "UPLOAD DATA", "上传数据"},
        {1012, "DELETE SELECT", "删除选中"},
        {1013, "DELETE ALL", "删除全部"},
        {1014, "SAVE OR PRINT", "保存或打印"},
        {1020, "TIME SET", "时间设定"},
        {1024, "GET TIME", "获取时间"},
        {1021, "POWER ADJ", "功率校准"},
        {1025, "READ POWER", "读取功率"},
        {1, "EXIT", "退出"},
        {1039, "COM OPERATE", "串口操作"},
        {1040, "FILL OUT USER'S INFORMATION", "填写用户信息"},
        {1041, "INSTRUMENT TIME SET", "仪表时间设定"},
        {1042, "CALIBRATE", "校准"},
        {1043, "LANGUAGE:", "语言切换:"},
        {1055, "WAVE NUMBER", "输入波长个数："},
        {1052, "WAVE OPTIONS", "波长选项"},
        {1076, "SET WAVE", "设置波长"},
        {1053, "PIN TYPE", "PIN类型设置"},
        {1054, "SET WAVE", "功率计设置"},
        {1100, "WAVE SELECTION", "波长选择"},
        {idc::kPortButton, "OPEN COM", "打开串口"},
    };
    const QStringList englishColumns{"NUMBER", "WAVE LENGTH", "POWER", "RELATIVE POWER",
                                     "REF",    "DATA/TIME",   "NOTE"};
    const QStringList chineseColumns{"序号",   "波长",      "功率值", "相对功率值",
                                     "参考值", "日期/时间", "备注"};
    enum class Input { Click, Keys, Escape };
    struct Case {
        Input input;
        int index;
        Language language;
    };
    const std::vector<Case> cases{
        {Input::Click, 1, Language::English}, {Input::Click, 0, Language::Chinese},
        {Input::Keys, 1, Language::English},  {Input::Escape, 0, Language::English},
        {Input::Keys, 0, Language::Chinese},  {Input::Escape, 1, Language::Chinese},
    };
    for (const Case& c : cases) {
        QFile::remove(QStringLiteral("Vemla.ini"));
        if (c.input == Input::Click)
            test::ClickEntry(List(), c.index);
        else if (c.input == Input::Keys)
            test::KeyToEntry(List(), c.index);
        else
            test::Dismiss(List());
        const bool english = c.language == Language::English;
        EXPECT_EQ(dlg.UiLanguage(), c.language) << int(c.input) << c.index;
        for (const auto& caption : kCaptions)
            EXPECT_EQ(Caption(dlg, caption.id),
                      QString::fromUtf8(english ? caption.english : caption.chinese))
                << caption.id;
        QStringList columns;
        for (int column = 0; column < 7; ++column)
            columns << dlg.Table().model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(columns, english ? englishColumns : chineseColumns);
        EXPECT_EQ(List()->currentIndex(), english ? 1 : 0);
        EXPECT_EQ(test::FreshConfig::Contents(),
                  english ? "[Section1]\nItem=0\n" : "[Section1]\nItem=1\n");
    }
    // Not switched: the title and the laser group.
    EXPECT_EQ(dlg.windowTitle(), "VORN");
    EXPECT_EQ(Caption(dlg, idc::kLaserSet), QString::fromUtf8("激光器设置"));
}

} // namespace
} // namespace vemla
