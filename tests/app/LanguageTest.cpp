// The configuration file (one key read and written, every other byte kept) and the language:
// the start-up choice from that file, the caption switch, the close-up of the language list,
// and every caption fitting its control in both languages.
#include "Language.h"
#include "IniFile.h"
#include "PinTypeDlg.h"
#include "TextFit.h"
#include "WaveListDlg.h"
#include "WindowTest.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>

#include <sys/stat.h>
#include <unistd.h>

namespace vemla {
namespace {

using namespace test;

TEST(IniValueTest, ReadsTheKeyOfTheSectionOnly) {
    struct Case {
        const char* text;
        std::optional<QByteArray> value;
    };
    const std::vector<Case> cases{
        {"[section1]\nitem = 01 \n", "01"},
        {"  [ Section1 ]  \n  Item  =  1", "1"},
        {"[Other]\nItem=0\n[Section1]\nItem=1\n", "1"},
        {"[Section1]\n;Item=0\nItem=1\n", "1"},
        {"[Section1]\n[Next]\nItem=0\n", std::nullopt},
        {"Item=0\n", std::nullopt},
        {"[Section1]\nItem=\n", ""},
        {"[Section1]\nItem=a=b\n", "a=b"},
        {"[Section1\nItem=0\n", std::nullopt},
        {"[Section1]\rItem=0\r", "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IniValue(c.text, "Section1", "Item"), c.value) << c.text;
}

TEST(IniValueTest, WritingChangesOnlyTheValue) {
    struct Case {
        const char* before;
        const char* after;
    };
    const std::vector<Case> cases{
        {"", "[Section1]\nItem=1\n"},
        {"; mine\r\n[Other]\r\nA = b\r\n",
         "; mine\r\n[Other]\r\nA = b\r\n[Section1]\r\nItem=1\r\n"},
        {"[Other]\nA=b", "[Other]\nA=b\n[Section1]\nItem=1\n"}, // no newline at the end
        {"[Section1]\r\nItem = 0\r\n\r\n[X]\r\n", "[Section1]\r\nItem = 1\r\n\r\n[X]\r\n"},
        {"[Section1]\nOther=7\n\n\n[X]\ny=1\n", "[Section1]\nOther=7\nItem=1\n\n\n[X]\ny=1\n"},
        {"[SECTION1]\n# c\nITEM=2\n", "[SECTION1]\n# c\nITEM=1\n"},
        {"[Section1]\nItem=0\n[Section1]\nItem=0\n", "[Section1]\nItem=1\n[Section1]\nItem=0\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IniWithValue(c.before, "Section1", "Item", "1"), QByteArray(c.after)) << c.before;
}

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("Vemla.ini");
};

// A missing file, an unwritable folder and a path that is no regular file are the language
// tests' start-up cases; here the bound.
TEST_F(IniFileTest, OversizedFileIsNeitherParsedNorRewritten) {
    QByteArray big = "[Section1]\nItem=0\n";
    big += QByteArray(IniFile::kMaxSize, 'x');
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(big) == big.size());
    f.close();
    IniFile ini(path);
    EXPECT_EQ(ini.Read("Section1", "Item"), QByteArray());
    EXPECT_FALSE(ini.Write("Section1", "Item", "1"));
    EXPECT_EQ(QFileInfo(path).size(), big.size());
}

// A link at the name is read through, and a write goes to the one write path, which neither
// follows nor replaces it (its cases, a dangling link among them, are tests/io's).
TEST_F(IniFileTest, LinkAtTheNameIsReadThroughButNeverWrittenThrough) {
    const QString real = dir.filePath("real.ini");
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("[Section1]\nItem=0\n") > 0);
    f.close();
    ASSERT_TRUE(QFile::link(real, path));
    IniFile ini(path);
    EXPECT_EQ(ini.Read("Section1", "Item"), "0");
    EXPECT_FALSE(ini.Write("Section1", "Item", "1"));
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), real);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "[Section1]\nItem=0\n");
}

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
        {"[Section1]\nItem=/\n", Language::Chinese, "[Section1]\nItem=1\n"},
    };
    for (const Case& c : cases) {
        FreshConfig config(c.file);
        RecordingMessageBox boxes;
        CMeterDlg dlg(boxes);
        EXPECT_EQ(dlg.UiLanguage(), c.language) << c.file.value_or("<none>").constData();
        EXPECT_EQ(FreshConfig::Contents(), c.stored) << c.file.value_or("<none>").constData();
        auto* list = dlg.ControlAs<QComboBox>(idc::kLanguageList);
        EXPECT_EQ(list->itemText(0), QString::fromUtf8("中文"));
        EXPECT_EQ(list->itemText(1), "ENGLISH");
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
        {"read-only folder", [&] { return QDir::setCurrent(QStringLiteral("/proc")); },
         [&, before = QDir::currentPath()] { return QDir::setCurrent(before); }},
    };
    ::alarm(20); // a start-up that hangs ends the run instead of stalling it
    for (const Case& c : cases) {
        FreshConfig none;
        ASSERT_TRUE(c.make()) << c.what;
        RecordingMessageBox boxes;
        QElapsedTimer started;
        started.start();
        {
            CMeterDlg dlg(boxes);
            dlg.show();
            EXPECT_LT(started.elapsed(), 1000) << c.what;
            EXPECT_EQ(dlg.UiLanguage(), Language::Chinese) << c.what;
            ClickEntry(dlg.ControlAs<QComboBox>(idc::kLanguageList), 1);
            EXPECT_EQ(dlg.UiLanguage(), Language::English) << c.what;
        }
        EXPECT_TRUE(c.unchanged()) << c.what;
        EXPECT_TRUE(boxes.shown.empty()) << c.what;
    }
    ::alarm(0);
}

class LanguageSwitchTest : public WindowTest {
protected:
    void SetUp() override { Show(); }
    QComboBox* List() { return Combo(idc::kLanguageList); }
};

// Each close-up applies the entry the operator picked in it, however it was picked; closing the
// list without a pick keeps the language and still writes the file. Rows, notes and the record
// counter survive every switch. Every caption the switch
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
    const char* const kColumns[] = {"NUMBER|WAVE LENGTH|POWER|RELATIVE POWER|REF|DATA/TIME|NOTE",
                                    "序号|波长|功率值|相对功率值|参考值|日期/时间|备注"};
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
    Feed(Record(0));
    dlg.Table().SetItemText(0, 6, QStringLiteral("fibre 7"));
    for (const Case& c : cases) {
        QFile::remove(QStringLiteral("Vemla.ini"));
        if (c.input == Input::Click)
            ClickEntry(List(), c.index);
        else if (c.input == Input::Keys)
            KeyToEntry(List(), c.index);
        else
            Dismiss(List());
        const bool english = c.language == Language::English;
        EXPECT_EQ(dlg.UiLanguage(), c.language) << int(c.input) << c.index;
        for (const auto& caption : kCaptions)
            EXPECT_EQ(Caption(dlg, caption.id),
                      QString::fromUtf8(english ? caption.english : caption.chinese))
                << caption.id;
        QStringList columns;
        for (int column = 0; column < 7; ++column)
            columns << dlg.Table().model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(columns.join('|'), QString::fromUtf8(kColumns[english ? 0 : 1]));
        EXPECT_EQ(List()->currentIndex(), english ? 1 : 0);
        EXPECT_EQ(FreshConfig::Contents(),
                  english ? "[Section1]\nItem=0\n" : "[Section1]\nItem=1\n");
        ASSERT_EQ(dlg.Table().GetItemCount(), 1);
        EXPECT_EQ(dlg.Table().GetItemText(0, 6), "fibre 7");
        EXPECT_EQ(dlg.Session().RecordCounter(), 1);
    }
    // Not switched: the title and the laser group.
    EXPECT_EQ(dlg.windowTitle(), "VORN");
    EXPECT_EQ(Caption(dlg, idc::kLaserSet), QString::fromUtf8("激光器设置"));
}

using TextFitTest = WindowTest;

std::string Misfits(const BuiltDialog& built) {
    QStringList misfits;
    auto check = [&misfits](QWidget* control, const QString& name) {
        if (const std::optional<TextRoom> room = CaptionRoom(control); room && !room->Fits())
            misfits << QStringLiteral("%1 needs %2x%3, has %4x%5")
                           .arg(name)
                           .arg(room->needWidth)
                           .arg(room->needHeight)
                           .arg(room->width)
                           .arg(room->height);
    };
    for (const auto& [id, control] : built.byId)
        check(control, QString::number(id));
    for (QWidget* control : built.statics)
        check(control, control->property("text").toString());
    return misfits.join("; ").toStdString();
}

// Every caption of the main window and the two dialogs fits its control in both languages, at
// the fonts in use, and the port list shows an entry's COM number.
TEST_F(TextFitTest, EveryCaptionFitsInBothLanguages) {
    ports->assign(
        {{"/dev/ttyUSB0", ""}, {"/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0", ""}});
    ClickEntry(Combo(idc::kPortList), 1); // the list is read as it opens
    for (const int entry : {0, 1}) {      // 中文, then ENGLISH
        ClickEntry(Combo(idc::kLanguageList), entry);
        EXPECT_EQ(Misfits(dlg.Built()), "") << "main window, language entry " << entry;
        EXPECT_TRUE(HeaderFits(dlg.Table().horizontalHeader())) << entry;
        CWaveListDlg waves{boxes};
        waves.PrepareForCount(20, dlg.UiLanguage());
        EXPECT_EQ(Misfits(waves.Built()), "") << "wavelength list, entry " << entry;
        CPinTypeDlg pins{dlg.UiLanguage(), 0, true};
        EXPECT_EQ(Misfits(pins.Built()), "") << "PIN type, entry " << entry;
    }
    // The field shows the entry from its start: the COM number, not the end of a long path.
    ASSERT_TRUE(Combo(idc::kPortList)->currentText().startsWith("COM"));
    EXPECT_EQ(Combo(idc::kPortList)->lineEdit()->cursorPosition(), 0);
}

} // namespace
} // namespace vemla
