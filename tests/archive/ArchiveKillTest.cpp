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

// What the test saw of one helper run before it killed it.
struct KilledRun {
    std::vector<std::pair<qint64, QStringList>> rows; // when each reached its table
    qint64 noted = -1;                                // when the note was typed, -1 never
    qint64 killed = 0;
};

// Runs the helper and kills it at killAt ms, or 1.5 s after it typed its note.
void RunAndKill(const QString& path, const QString& tag, bool waitForNote, qint64 killAt,
                KilledRun& run) {
    const std::string name = tag.toStdString();
    QProcess child;
    QElapsedTimer clock;
    child.start(QStringLiteral(VEMLA_KILL_HELPER), {path, QString::number(kRecords), tag});
    clock.start();
    ASSERT_TRUE(child.waitForStarted());
    QByteArray pending;
    while (waitForNote ? (run.noted < 0 || clock.elapsed() < run.noted + 1500)
                       : clock.elapsed() < killAt) {
        ASSERT_LT(clock.elapsed(), 20000) << name << " never typed its note";
        ASSERT_NE(child.state(), QProcess::NotRunning) << name << " ended on its own";
        child.waitForReadyRead(5);
        pending += child.readAllStandardOutput();
        for (qsizetype nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1)) {
            const QStringList fields = QString::fromUtf8(pending.left(nl)).split('\t');
            if (fields[0] == QLatin1String("noted"))
                run.noted = clock.elapsed();
            else
                run.rows.push_back({clock.elapsed(), fields.mid(2)});
        }
    }
    child.kill(); // SIGKILL
    run.killed = clock.elapsed();
    child.waitForFinished();
}

// The archive as the next open finds it after the run.
void CheckArchive(const QString& path, const QString& tag, const KilledRun& run) {
    const std::string name = tag.toStdString();
    MeasurementArchive archive;
    const ArchiveOpenResult open = archive.Open(path, Language::English);
    ASSERT_EQ(open.state, ArchiveState::ReadWrite) << name;
    ASSERT_TRUE(open.message.isEmpty()) << name << ": " << open.message.toStdString();
    const auto kept = std::count_if(run.rows.begin(), run.rows.end(),
                                    [&](const auto& r) { return r.first < run.killed - 1000; });
    if (kept == 0)
        return;
    const std::vector<ArchivedJob> jobs = archive.Jobs({}, 1);
    ASSERT_EQ(jobs.size(), 1u) << name;
    ASSERT_EQ(jobs[0].company, tag) << name;
    const std::optional<ArchivedUpload> upload = archive.Load(jobs[0].id);
    ASSERT_TRUE(upload);
    ASSERT_GE(upload->records.size(), std::size_t(kept)) << name << " killed at " << run.killed;
    // "noted" follows the end reply's box; the end reaches the archive within a second.
    const bool notedLongBefore = run.noted >= 0 && run.killed - run.noted >= 1500;
    if (run.noted < 0)
        EXPECT_TRUE(upload->interrupted) << name << " killed mid-upload at " << run.killed;
    else if (notedLongBefore)
        EXPECT_FALSE(upload->interrupted) << name << " killed after its end";
    for (std::size_t i = 0; i < std::size_t(kept); ++i) {
        QStringList texts(upload->records[i].texts.begin(), upload->records[i].texts.end());
        if (run.noted >= 0 && i == 0)
            texts[kTableColumns - 1].clear(); // the note typed later, checked below
        ASSERT_EQ(texts, run.rows[i].second) << name << " row " << i;
    }
    if (notedLongBefore) {
        EXPECT_EQ(upload->records[0].texts[kTableColumns - 1], "note-" + tag);
        EXPECT_EQ(upload->header.notes, "typed-" + tag);
    }
}

TEST(ArchiveKill, EveryOlderRecordAndTypedNoteSurviveSigkillAndACutUploadIsMarked) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    std::mt19937 random(20261207);
    for (int trial = 0; trial < kTrials; ++trial) {
        const QString tag = QStringLiteral("trial-%1").arg(trial);
        const qint64 killAt = std::uniform_int_distribution<qint64>(200, 1800)(random);
        KilledRun run;
        RunAndKill(path, tag, trial % 4 == 3, killAt, run);
        ASSERT_FALSE(HasFatalFailure());
        CheckArchive(path, tag, run);
        ASSERT_FALSE(HasFatalFailure());
    }
}

} // namespace
} // namespace vemla
