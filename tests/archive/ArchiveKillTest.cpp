// Uploads killed at random moments: every time, the archive opens whole and holds every record
// that had reached the table more than a second before the kill, in order, with its texts; a
// note and a header field typed 1.5 s before the kill are there too; an upload killed before
// its end reply is marked interrupted at the next open, a finished one is not. The archive's
// other rules are ArchiveTest's.
#include "MeasurementArchive.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace vemla {
namespace {

constexpr int kTrials = 24;
constexpr int kRecords = 40; // about a second at 9600 baud

TEST(ArchiveKill, EveryOlderRecordAndTypedNoteSurviveSigkillAndACutUploadIsMarked) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    std::mt19937 random(20261207);
    for (int trial = 0; trial < kTrials; ++trial) {
        const QString tag = QStringLiteral("trial-%1").arg(trial);
        const std::string name = tag.toStdString();
        const bool waitForNote = trial % 4 == 3;
        const qint64 killAt = std::uniform_int_distribution<qint64>(200, 1800)(random);
        QProcess child;
        QElapsedTimer clock;
        child.start(QStringLiteral(VEMLA_KILL_HELPER), {path, QString::number(kRecords), tag});
        clock.start();
        ASSERT_TRUE(child.waitForStarted());
        std::vector<std::pair<qint64, QStringList>> rows; // when each reached its table
        qint64 noted = -1;
        QByteArray pending;
        while (waitForNote ? (noted < 0 || clock.elapsed() < noted + 1500)
                           : clock.elapsed() < killAt) {
            ASSERT_LT(clock.elapsed(), 20000) << name << " never typed its note";
            ASSERT_NE(child.state(), QProcess::NotRunning) << name << " ended on its own";
            child.waitForReadyRead(5);
            pending += child.readAllStandardOutput();
            for (qsizetype nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1)) {
                const QStringList fields = QString::fromUtf8(pending.left(nl)).split('\t');
                if (fields[0] == QLatin1String("noted"))
                    noted = clock.elapsed();
                else
                    rows.push_back({clock.elapsed(), fields.mid(2)});
            }
        }
        child.kill(); // SIGKILL
        const qint64 killed = clock.elapsed();
        child.waitForFinished();

        MeasurementArchive archive;
        const ArchiveOpenResult open = archive.Open(path, Language::English);
        ASSERT_EQ(open.state, ArchiveState::ReadWrite) << name;
        ASSERT_TRUE(open.message.isEmpty()) << name << ": " << open.message.toStdString();
        const auto kept = std::count_if(rows.begin(), rows.end(),
                                        [&](const auto& r) { return r.first < killed - 1000; });
        if (kept == 0)
            continue;
        const std::vector<ArchivedJob> jobs = archive.Jobs({}, 1);
        ASSERT_EQ(jobs.size(), 1u) << name;
        ASSERT_EQ(jobs[0].company, tag) << name;
        const std::optional<ArchivedUpload> upload = archive.Load(jobs[0].id);
        ASSERT_TRUE(upload);
        ASSERT_GE(upload->records.size(), std::size_t(kept)) << name << " killed at " << killed;
        // "noted" follows the end reply's box; the end reaches the archive within a second.
        if (noted < 0)
            EXPECT_TRUE(upload->interrupted) << name << " killed mid-upload at " << killed;
        else if (killed - noted >= 1500)
            EXPECT_FALSE(upload->interrupted) << name << " killed after its end";
        for (std::size_t i = 0; i < std::size_t(kept); ++i) {
            QStringList texts;
            for (const QString& t : upload->records[i].texts)
                texts << t;
            if (noted >= 0 && i == 0)
                texts[kTableColumns - 1].clear(); // the note typed later, checked below
            ASSERT_EQ(texts, rows[i].second) << name << " row " << i;
        }
        if (noted >= 0 && killed - noted >= 1500) {
            EXPECT_EQ(upload->records[0].texts[kTableColumns - 1], "note-" + tag);
            EXPECT_EQ(upload->header.notes, "typed-" + tag);
        }
    }
}

} // namespace
} // namespace vemla
