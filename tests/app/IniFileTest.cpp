// The configuration file: one key read and written, every other byte kept, and what stands at its
// name. What the window makes of the value is MeterDlgTest's.
#include "IniFile.h"

#include "FileBytes.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace vemla {
namespace {

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

// What stands at the name decides: a link is read through, anything but a regular file within the
// bound reads as nothing (a pipe once blocked the start, a link to /dev/zero was read without end),
// and a write neither replaces it nor goes through it (the write path's own cases are tests/io's).
// A missing file and the values read are the window's start-up cases.
TEST_F(IniFileTest, OnlyARegularFileWithinTheBoundIsReadAndNoneOfTheseIsWritten) {
    const QString real = dir.filePath("real.ini");
    const QByteArray native = QFile::encodeName(path);
    const QByteArray big = "[Section1]\nItem=0\n" + QByteArray(IniFile::kMaxSize, 'x');
    const auto type = [&] {
        struct stat info {};
        return ::lstat(native.constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
    };
    struct Case {
        const char* what;
        std::function<bool()> make;
        QByteArray read;
        std::function<bool()> unchanged;
    };
    const std::vector<Case> cases{
        {"oversized file", [&] { return test::WriteFile(path, big); }, "",
         [&] { return QFileInfo(path).size() == big.size(); }},
        {"link to a file",
         [&] { return test::WriteFile(real, "[Section1]\nItem=0\n") && QFile::link(real, path); },
         "0", [&] { return QFile::symLinkTarget(path) == real && QFileInfo(real).size() == 18; }},
        {"named pipe", [&] { return ::mkfifo(native.constData(), 0600) == 0; }, "",
         [&] { return type() == S_IFIFO; }},
        {"link to /dev/zero", [&] { return QFile::link("/dev/zero", path); }, "",
         [&] { return type() == S_IFLNK && QFile::symLinkTarget(path) == "/dev/zero"; }},
    };
    ::alarm(20); // a read that blocks or never ends fails the run instead of stalling it
    for (const Case& c : cases) {
        QFile::remove(path);
        ASSERT_TRUE(c.make()) << c.what;
        const IniFile ini(path);
        EXPECT_EQ(ini.Read("Section1", "Item"), c.read) << c.what;
        EXPECT_FALSE(ini.Write("Section1", "Item", "1")) << c.what;
        EXPECT_TRUE(c.unchanged()) << c.what;
    }
    ::alarm(0);
}

} // namespace
} // namespace vemla
