// The configuration file: one key read and written, every other byte kept.
#include "IniFile.h"

#include <QDir>
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
        {"[Section1]\nItem=0\n", "0"},
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
    for (const Case& c : cases) {
        EXPECT_EQ(IniWithValue(c.before, "Section1", "Item", "1"), QByteArray(c.after)) << c.before;
        EXPECT_EQ(IniValue(IniWithValue(c.before, "Section1", "Item", "1"), "Section1", "Item"),
                  QByteArray("1"));
    }
}

class IniFileTest : public ::testing::Test {
protected:
    QByteArray Contents() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
    QString path = dir.filePath("Vemla.ini");
};

TEST_F(IniFileTest, MissingFileReadsEmptyAndWriteCreatesIt) {
    IniFile ini(path);
    EXPECT_EQ(ini.Read("Section1", "Item"), QByteArray());
    EXPECT_TRUE(ini.Write("Section1", "Item", "1"));
    EXPECT_EQ(Contents(), "[Section1]\nItem=1\n");
    EXPECT_EQ(ini.Read("Section1", "Item"), "1");
}

TEST_F(IniFileTest, ForeignContentSurvivesByteForByte) {
    const QByteArray before = "; written by hand\r\n\r\n[Paths]\r\nlast=/tmp/x \r\n[Section1]\r\n"
                              "Item=1\r\nkeep=me\r\n\r\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    IniFile ini(path);
    EXPECT_TRUE(ini.Write("Section1", "Item", "0"));
    QByteArray expected = before;
    expected.replace("Item=1", "Item=0");
    EXPECT_EQ(Contents(), expected);
}

TEST_F(IniFileTest, UnwritableDirectoryChangesNothing) {
    // /proc refuses new files even to root, unlike a directory without write permission.
    const QString readOnly = QStringLiteral("/proc/Vemla.ini");
    EXPECT_EQ(IniFile(readOnly).Read("Section1", "Item"), QByteArray());
    EXPECT_FALSE(IniFile(readOnly).Write("Section1", "Item", "1"));
    EXPECT_FALSE(QFile::exists(readOnly));
}

TEST_F(IniFileTest, UnwritableTargetIsLeftAlone) {
    // A directory where the file should be: cannot be read or replaced, and nothing breaks.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Vemla.ini"));
    IniFile ini(path);
    EXPECT_EQ(ini.Read("Section1", "Item"), QByteArray());
    EXPECT_FALSE(ini.Write("Section1", "Item", "1"));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(IniFileTest, OversizedFileIsNeitherParsedNorRewritten) {
    QByteArray big = "[Section1]\nItem=0\n";
    big += QByteArray(IniFile::kMaxSize, 'x');
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(big);
    }
    IniFile ini(path);
    EXPECT_EQ(ini.Read("Section1", "Item"), QByteArray());
    EXPECT_FALSE(ini.Write("Section1", "Item", "1"));
    EXPECT_EQ(QFileInfo(path).size(), big.size());
}

} // namespace
} // namespace vemla
