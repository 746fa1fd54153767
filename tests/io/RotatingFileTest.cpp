// The line log's own rules: where it moves on to a new file (size, hour, day), the names it
// takes without replacing anything, and the cut last line a killed run leaves. A full disk while
// writing is tests/cli's (the live log of vemla-cli power).
#include "RotatingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/time.h>

namespace vemla {
namespace {

int64_t Local(int day, int hour, int minute, int second, int msec) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second, msec)).toMSecsSinceEpoch();
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void Put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class RotatingFileTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    std::string Current() const { return QFileInfo(log.Path()).fileName().toStdString(); }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    QTemporaryDir dir;
    RotatingFile log;
};

TEST_F(RotatingFileTest, AFileReachesItsSizeLimitExactlyAndTheNextLineStartsANewOne) {
    log.SetRotation({100, RotatePeriod::Never});
    log.SetHeader("head\n");
    ASSERT_TRUE(log.Open(Path("rack.csv"), RotatingFile::Mode::New, Local(8, 10, 0, 0, 0)));
    const QByteArray line = QByteArray(18, 'x') + '\n';
    for (int i = 0; i < 5; ++i) // 5 + 5 * 19 = 100 bytes
        ASSERT_TRUE(log.WriteLine(line, Local(8, 10, 0, 1, 0)));
    EXPECT_EQ(Read(Path("rack.csv")).size(), 100);
    ASSERT_TRUE(log.WriteLine("y\n", Local(8, 10, 0, 2, 0)));
    // Larger than a whole file: it still goes in, alone, rather than making empty files.
    ASSERT_TRUE(log.WriteLine(QByteArray(200, 'z') + '\n', Local(8, 10, 0, 2, 0)));
    EXPECT_EQ(Current(), "rack 2026-12-08 10-00-02 (2).csv");
    EXPECT_EQ(Files(), (QStringList{"rack 2026-12-08 10-00-02 (2).csv",
                                    "rack 2026-12-08 10-00-02.csv", "rack.csv"}));
    EXPECT_EQ(Read(Path("rack 2026-12-08 10-00-02.csv")), "head\ny\n");
    EXPECT_EQ(Read(log.Path()), "head\n" + QByteArray(200, 'z') + '\n');
}

// The line's own time decides, to the millisecond: no line of one day lands in the next's file.
TEST_F(RotatingFileTest, TheTurnOfTheDayOrHourStartsANewFileNamedForIt) {
    const struct {
        RotatePeriod period;
        int64_t last, first; // the last line of the first file, the first of the second
        const char* second;
    } cases[] = {
        {RotatePeriod::Day, Local(8, 23, 59, 59, 999), Local(9, 0, 0, 0, 0),
         "Live 2026-12-09 00-00-00.csv"},
        {RotatePeriod::Hour, Local(8, 10, 59, 59, 999), Local(8, 11, 0, 0, 0),
         "Live 2026-12-08 11-00-00.csv"},
    };
    for (const auto& c : cases) {
        QTemporaryDir folder;
        const QString first = folder.filePath("Live 2026-12-08 10-20-30.csv");
        log.SetRotation({0, c.period});
        ASSERT_TRUE(log.Open(first, RotatingFile::Mode::New, Local(8, 10, 20, 30, 0)));
        ASSERT_TRUE(log.WriteLine("a\n", c.last));
        ASSERT_TRUE(log.WriteLine("b\n", c.first));
        // A clock set back a little does not split the log again.
        ASSERT_TRUE(log.WriteLine("c\n", c.last));
        EXPECT_EQ(Read(first), "a\n");
        EXPECT_EQ(Read(folder.filePath(c.second)), "b\nc\n") << c.second;
    }
}

// Neither the first name nor a later one replaces a file already there, nor writes through a link.
TEST_F(RotatingFileTest, ExistingFilesAndLinksAreNeverWrittenButNumberedPast) {
    Put(Path("rack.jsonl"), "kept\n");
    ASSERT_TRUE(QFile::link(Path("victim"), Path("rack (2).jsonl")));
    Put(Path("rack 2026-12-09 00-00-00.jsonl"), "kept too\n");
    log.SetRotation({0, RotatePeriod::Day});
    ASSERT_TRUE(log.Open(Path("rack.jsonl"), RotatingFile::Mode::New, Local(8, 12, 0, 0, 0)));
    EXPECT_EQ(Current(), "rack (3).jsonl");
    ASSERT_TRUE(log.WriteLine("next day\n", Local(9, 0, 0, 0, 0)));
    EXPECT_EQ(Current(), "rack 2026-12-09 00-00-00 (2).jsonl");
    EXPECT_EQ(Read(Path("rack.jsonl")), "kept\n");
    EXPECT_EQ(Read(Path("rack 2026-12-09 00-00-00.jsonl")), "kept too\n");
    EXPECT_FALSE(QFile::exists(Path("victim")));
    EXPECT_EQ(Read(log.Path()), "next day\n");
}

// A run killed mid-line left a cut line: appending starts after the last whole one.
TEST_F(RotatingFileTest, ContinuingCutsTheLastPartialLineFirst) {
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"a\nb\n", "a\nb\n"},
        {"a\nb\n{\"v\":1,\"ti", "a\nb\n"},
        {"no line end at all", "head\n"},
        {"", "head\n"},
        // The last line end is more than a read block back.
        {"a\n" + QByteArray(70000, 'y'), "a\n"},
    };
    log.SetHeader("head\n");
    for (const auto& [before, kept] : cases) {
        Put(Path("rack.csv"), before);
        ASSERT_TRUE(log.Open(Path("rack.csv"), RotatingFile::Mode::Continue,
                             QDateTime::currentMSecsSinceEpoch()));
        ASSERT_TRUE(log.WriteLine("c\n", QDateTime::currentMSecsSinceEpoch()));
        log.Close();
        EXPECT_EQ(Read(Path("rack.csv")), kept + "c\n") << before.left(20).toStdString();
    }
    EXPECT_EQ(Files(), QStringList{"rack.csv"});
}

// Continued after a day away, the old file keeps its day: the first new line starts today's.
TEST_F(RotatingFileTest, AFileContinuedFromAnEarlierDayIsLeftAtTheFirstLine) {
    Put(Path("rack.jsonl"), "old\n");
    const timeval twoDaysAgo{QDateTime::currentSecsSinceEpoch() - 2 * 86400, 0};
    const timeval times[2] = {twoDaysAgo, twoDaysAgo};
    ASSERT_EQ(::utimes(QFile::encodeName(Path("rack.jsonl")).constData(), times), 0);
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    ASSERT_TRUE(log.Open(Path("rack.jsonl"), RotatingFile::Mode::Continue, now));
    ASSERT_TRUE(log.WriteLine("new\n", now));
    EXPECT_EQ(Read(Path("rack.jsonl")) + Read(log.Path()), "old\nnew\n");
    EXPECT_EQ(Files().size(), 2);
}

} // namespace
} // namespace vemla
