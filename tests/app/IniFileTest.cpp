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

// A missing file, an unwritable folder and a path that is no regular file are the language
// tests' start-up cases; here the bound.
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

// A link at the name is read through, but a write neither follows nor replaces it.
TEST_F(IniFileTest, LinkAtTheNameIsNeverWrittenThrough) {
    struct Case {
        const char* name;
        bool dangling;
        QByteArray read;
    };
    const std::vector<Case> cases{{"link to a file", false, "0"}, {"dangling link", true, ""}};
    const QString real = dir.filePath("real.ini");
    const QByteArray text = "[Section1]\nItem=0\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path);
        QFile::remove(real);
        if (!c.dangling) {
            QFile f(real);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        ASSERT_TRUE(QFile::link(real, path));
        IniFile ini(path);
        EXPECT_EQ(ini.Read("Section1", "Item"), c.read);
        EXPECT_FALSE(ini.Write("Section1", "Item", "1"));
        EXPECT_EQ(QFileInfo(path).symLinkTarget(), real);
        EXPECT_EQ(Contents(), c.dangling ? QByteArray("<missing>") : text);
        const QStringList expected =
            c.dangling ? QStringList{"Vemla.ini"} : QStringList{"real.ini", "Vemla.ini"};
        EXPECT_EQ(
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            expected);
    }
}

} // namespace
} // namespace vemla
