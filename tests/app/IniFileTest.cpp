// The configuration file: one key read and written, every other byte kept, a bound on its size
// and a link at its name. What the window makes of the value is MeterDlgTest's.
#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

} // namespace
} // namespace vemla
