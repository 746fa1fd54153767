// The archive's rules: an upload kept through the session as it happens, its re-upload after a
// delete-selected as a new version, a second upload as a new job, reopening and editing an
// archived upload, the history filter, and the faults at open. Kills mid-upload are
// ArchiveKillTest's.
#include "ArchiveKeeper.h"
#include "ArchiveWriter.h"
#include "FileBytes.h"
#include "MeasurementArchive.h"
#include "OutboxStep.h"
#include "ProcessMark.h"
#include "PtyPair.h"
#include "Record.h"
#include "SimulatedMeterTest.h"
#include "SqlOnFile.h"
#include "SyncOutbox.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <sys/stat.h>
#include <thread>

namespace vemla {
namespace {

using namespace std::chrono_literals;

QStringList Texts(const MeterRecord& r) {
    return QStringList(r.texts.begin(), r.texts.end());
}

// The jobs of the file at `path`, opened writable in `archive`, newest first.
std::vector<ArchivedJob> JobsIn(MeasurementArchive& archive, const QString& path) {
    EXPECT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
    return archive.Jobs({}, 10);
}

// A session on the simulated meter, connected, its uploads kept in an archive.
class ArchiveSession : public test::SimulatedMeterTest {
protected:
    void SetUp() override { StartKeeping(); }
    void StartKeeping(SimOptions options = {}) {
        keeper.reset(); // it watches the session Start replaces
        presenter.shown.clear();
        options.records = 12;
        Start(options);
        ASSERT_FALSE(HasFatalFailure());
        keeper = std::make_unique<ArchiveKeeper>(*session);
        ASSERT_EQ(keeper->Open(path).state, ArchiveState::ReadWrite);
    }
    // The jobs as the keeper left them in the file, newest first.
    std::vector<ArchivedJob> Kept() {
        keeper->Flush();
        return JobsIn(archive, path);
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    std::unique_ptr<ArchiveKeeper> keeper;
    MeasurementArchive archive;
};

TEST_F(ArchiveSession, ReuploadIsANewVersionAndAnOpenedUploadTakesLaterEdits) {
    session->SetHeaderField(&HeaderFields::company, QStringLiteral("Typed Before Upload"));

    keeper->SetCertification(QStringLiteral("{\"limits\":1}"));
    session->Upload();
    ASSERT_TRUE(WaitForBox(1));
    const QStringList deleted = Texts(session->Records().At(2));
    session->DeleteSelected(2);
    ASSERT_TRUE(WaitForBox(2));
    ASSERT_TRUE(test::WaitUntil([&] { return session->RecordCounter() == 11; }, 20s));
    keeper->SetCertification(QStringLiteral("{\"limits\":2}")); // judged again: version 2 only
    session->SetLanguage(Language::Chinese);
    session->DeleteAll(); // the table empties; the archive keeps the job
    ASSERT_TRUE(WaitForBox(4));
    ASSERT_EQ(session->Records().Count(), 0);
    const std::vector<ArchivedJob> jobs = Kept();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].versionCount, 2);
    EXPECT_EQ(jobs[0].recordCount, 11);
    EXPECT_EQ(jobs[0].company, "Typed Before Upload");
    const std::optional<ArchivedUpload> first = archive.Load(jobs[0].id, 1);
    const std::optional<ArchivedUpload> latest = archive.Load(jobs[0].id);
    ASSERT_TRUE(first && latest);
    ASSERT_EQ(first->records.size(), 12u);
    EXPECT_EQ(Texts(first->records[2]), deleted) << "the deleted record stays in version 1";
    EXPECT_EQ(first->certification, "{\"limits\":1}");
    EXPECT_EQ(latest->certification, "{\"limits\":2}");
    EXPECT_EQ(latest->version, 2);
    EXPECT_EQ(latest->language, Language::Chinese);
    EXPECT_EQ(latest->waves, session->Waves());
    QStringList decoded;
    for (const std::string& t : FormatRecordTexts(latest->records[5].values))
        decoded << QString::fromStdString(t);
    EXPECT_EQ(Texts(latest->records[5]), decoded) << "values decoded again from the raw frame";

    // Opened again: the rows and counter come back, and edits go to the job's latest version.
    ASSERT_TRUE(keeper->OpenUpload(jobs[0].id));
    ASSERT_EQ(session->Records().Count(), 11);
    EXPECT_EQ(session->RecordCounter(), 11);
    EXPECT_EQ(Texts(session->Records().At(4)), Texts(latest->records[4]));
    session->Records().SetText(4, kTableColumns - 1, QStringLiteral("Fibre 7 Dirty"));
    session->SetHeaderField(&HeaderFields::testOperator, QStringLiteral("Wang Li"));
    keeper->Flush();
    const std::pair<const char*, std::size_t> filters[]{
        {"fibre 7", 1}, {"WANG", 1}, {"typed before", 1}, {"nowhere", 0}, {"", 1}};
    for (const auto& [text, found] : filters)
        EXPECT_EQ(archive.Jobs(QString::fromUtf8(text), 10).size(), found) << text;
    EXPECT_EQ(archive.Load(jobs[0].id)->records[4].texts[kTableColumns - 1], "Fibre 7 Dirty");
    EXPECT_EQ(archive.Load(jobs[0].id, 1)->records[4].texts[kTableColumns - 1], "");
    EXPECT_TRUE(archive.Delete(jobs[0].id));
    EXPECT_TRUE(archive.Jobs({}, 10).empty());
}

// Only a re-upload the session makes itself (after a delete) continues a job.
TEST_F(ArchiveSession, SecondPlainUploadIsAJobOfItsOwn) {
    session->SetHeaderField(&HeaderFields::company, QStringLiteral("First Site"));
    session->Upload();
    ASSERT_TRUE(WaitForBox(1));
    session->Upload();
    ASSERT_TRUE(WaitForBox(2));
    session->SetHeaderField(&HeaderFields::company, QStringLiteral("Second Site"));
    const std::vector<ArchivedJob> jobs = Kept();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].company, "Second Site");
    EXPECT_EQ(jobs[1].company, "First Site");
    for (const ArchivedJob& job : jobs)
        EXPECT_EQ(job.versionCount, 1) << job.company.toStdString();
}

// Record 5 arrives cut, or the meter's device goes away after record 4 and the upload never gets
// its end reply: the version keeps how many were left out, or is marked interrupted, and so does
// its document; the keeper tells the upload kept in its job, or cut short.
TEST_F(ArchiveSession, SkippedRecordsAndAVanishedPortAreKeptWithTheVersion) {
    SimOptions cut, hungUp;
    cut.faults.cutRecord = 5;
    hungUp.faults.hangUpAfterRecord = 4;
    const struct {
        SimOptions options;
        std::size_t records;
        int skipped;
        bool interrupted;
    } cases[]{{cut, 11, 1, false}, {hungUp, 5, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.records);
        StartKeeping(c.options);
        std::vector<std::pair<quint64, qint64>> told; // (upload, job), job 0 when cut short
        const QObject scope;                          // the next case's keeper tells nothing here
        QObject::connect(keeper.get(), &ArchiveKeeper::UploadKept, &scope,
                         [&](quint64 upload, qint64 job) { told.emplace_back(upload, job); });
        QObject::connect(keeper.get(), &ArchiveKeeper::UploadCut, &scope,
                         [&](quint64 upload) { told.emplace_back(upload, 0); });
        session->Upload();
        ASSERT_TRUE(WaitForBox(1)); // the upload's end, or the port's error
        ASSERT_TRUE(test::WaitUntil(
            [&] { return session->State() == MeterSession::PortState::Lost || !c.interrupted; }));
        EXPECT_EQ(session->SkippedRecords(), c.skipped);
        const ArchivedJob job = Kept().at(0);
        EXPECT_EQ(job.interrupted, c.interrupted);
        const std::optional<ArchivedUpload> kept = archive.Load(job.id);
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept->records.size(), c.records);
        EXPECT_EQ(DocumentOf(*kept).skippedFrames, c.skipped);
        EXPECT_EQ(DocumentOf(*kept).interrupted, c.interrupted);
        EXPECT_TRUE(test::WaitUntil([&] { return !told.empty(); }, 1s));
        EXPECT_EQ(told, (std::vector<std::pair<quint64, qint64>>{{1, c.interrupted ? 0 : job.id}}));
    }
}

// A new archive at `path` holding what `ops` make.
bool Made(const QString& path, const std::vector<ArchiveOp>& ops) {
    MeasurementArchive archive;
    ArchiveCursor cursor;
    return archive.Open(path, Language::English).state == ArchiveState::ReadWrite &&
           archive.Apply(ops, cursor);
}

int Mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Each fault gives one message, keeps the file that was there, and leaves the rest working. The
// archive holds operators' and companies' names: the folder made later and every file of it (the
// journal too) are the user's alone, whatever the umask.
TEST(Archive, FaultsAtOpenGiveOneMessageAndTheRestWorks) {
    QTemporaryDir made;
    MeasurementArchive().Open(made.filePath("archive.sqlite"), Language::English);
    QByteArray newer = test::ReadFile(made.filePath("archive.sqlite"));
    newer[63] = 99; // the header's user_version: a schema from a newer Vemla
    const struct {
        const char* file; // written with `bytes` first
        QByteArray bytes;
        const char* open;
        ArchiveState state;
        const char* message;
    } cases[]{
        {"archive.sqlite", QByteArray(4096, 'x'), "archive.sqlite", ArchiveState::ReadWrite,
         "damaged. It has been moved aside as\n"},
        {"archive.sqlite", newer, "archive.sqlite", ArchiveState::ReadOnly, "by a newer Vemla"},
        {"blocker", "a file where the folder should be", "blocker/archive.sqlite",
         ArchiveState::Off, "The measurement archive is off: "},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(test::WriteFile(dir.filePath(c.file), c.bytes));
        MeasurementArchive archive;
        const ArchiveOpenResult open = archive.Open(dir.filePath(c.open), Language::English);
        EXPECT_EQ(open.state, c.state) << c.open;
        EXPECT_TRUE(open.message.contains(c.message)) << open.message.toStdString();
        ArchiveCursor cursor;
        EXPECT_EQ(archive.Apply(std::vector<ArchiveOp>{archive_op::BeginJob{}}, cursor),
                  c.state == ArchiveState::ReadWrite);
        archive.Close();
        const QStringList kept = QDir(dir.path()).entryList({QString(c.file) + "*"});
        EXPECT_TRUE(std::any_of(
            kept.begin(), kept.end(),
            [&](const QString& f) { return test::ReadFile(dir.filePath(f)) == c.bytes; }))
            << c.open << ": the file that was there is kept byte for byte";
    }

    // What could not be written is kept and written once the folder can be made.
    QTemporaryDir dir;
    ArchiveWriter writer;
    int problems = 0;
    QObject::connect(&writer, &ArchiveWriter::Problem, [&] { ++problems; });
    QFile(dir.filePath("blocker")).open(QIODevice::WriteOnly);
    writer.Open(dir.filePath("blocker/archive.sqlite"), Language::English);
    writer.Write({archive_op::BeginJob{}, archive_op::AddRecord{}}, Language::English);
    ASSERT_TRUE(QFile::remove(dir.filePath("blocker")));
    // Job 1 is the first of a new file.
    ASSERT_TRUE(test::WaitUntil([&] { return writer.Load(1).has_value(); }, 5s));
    EXPECT_EQ(problems, 0) << "the open's message was the one";
    MeasurementArchive archive;
    const QString folder = dir.filePath("blocker");
    const std::vector<ArchivedJob> jobs = JobsIn(archive, folder + "/archive.sqlite");
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].recordCount, 1);
    EXPECT_EQ(Mode(folder), 0700);
    const QStringList files = QDir(folder).entryList(QDir::Files);
    EXPECT_TRUE(files.contains("archive.sqlite-wal")) << files.join(' ').toStdString();
    for (const QString& f : files)
        EXPECT_EQ(Mode(folder + "/" + f), 0600) << f.toStdString();
}

// A file written before a version kept its certification and interrupted mark is taken forward:
// its uploads stay, and the new columns take what is written next.
TEST(Archive, AnOlderFileIsTakenForwardAndKeepsItsUploads) {
    QTemporaryDir dir;
    const QString path = dir.filePath("archive.sqlite");
    ASSERT_TRUE(Made(path, {archive_op::BeginJob{}, archive_op::AddRecord{}}));
    // The first schema, as files of that time have it.
    ASSERT_TRUE(test::ExecOn(
        path, test::WithoutOutbox() + QStringList{"DROP TABLE project_change", "DROP TABLE reading", "DROP TABLE project_upload",
               "DROP TABLE cable", "DROP TABLE project", "DROP INDEX version_open",
               "ALTER TABLE version DROP COLUMN open_by", "ALTER TABLE version DROP COLUMN skipped",
               "ALTER TABLE version DROP COLUMN certification",
               "ALTER TABLE version DROP COLUMN interrupted", "PRAGMA user_version=1"}));
    MeasurementArchive archive;
    const std::vector<ArchivedJob> jobs = JobsIn(archive, path);
    ASSERT_EQ(jobs.size(), 1u);
    ArchiveCursor cursor;
    ASSERT_TRUE(archive.Apply(std::vector<ArchiveOp>{archive_op::AttachJob{jobs[0].id},
                                                     archive_op::SetCertification{"{}"},
                                                     archive_op::MarkInterrupted{}},
                              cursor));
    const std::optional<ArchivedUpload> upload = archive.Load(jobs[0].id);
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->records.size(), 1u);
    EXPECT_EQ(upload->certification, "{}");
    EXPECT_TRUE(upload->interrupted);
    SyncOutbox outbox;
    ASSERT_TRUE(outbox.Open(path, nullptr));
    EXPECT_EQ(outbox.RecordsWaiting(), 1) << "what was kept before is sent too";
}

// A version still stamped open is the upload of a process that may be running: another Vemla
// filling it now keeps it; one whose writer is gone (killed, power cut) is marked at the open.
TEST(Archive, AnUploadLeftOpenByAProcessThatIsGoneIsMarkedInterruptedAtTheNextOpen) {
    const QStringList own = OwnProcessMark().split('/'); // boot id, pid, start time
    ASSERT_EQ(own.size(), 3);
    const struct {
        const char* writer;
        QString mark;
        bool interrupted;
    } cases[]{
        {"this process, still running", OwnProcessMark(), false},
        {"a process of an earlier boot", "0-0-0/" + own[1] + "/" + own[2], true},
        {"a pid that no longer runs", own[0] + "/2147483647/1", true},
        {"a later process under the same pid", own[0] + "/" + own[1] + "/" + own[2] + "0", true},
        {"a mark that cannot be read", "garbage", true},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath("archive.sqlite");
        ASSERT_TRUE(Made(
            path, {archive_op::BeginJob{}, archive_op::UploadOpen{}, archive_op::AddRecord{}}));
        ASSERT_TRUE(test::ExecOn(path, {"UPDATE version SET open_by = '" + c.mark + "'"})) << c.writer;
        MeasurementArchive archive;
        const ArchiveOpenResult open = archive.Open(path, Language::English);
        ASSERT_EQ(open.state, ArchiveState::ReadWrite) << c.writer;
        EXPECT_TRUE(open.message.isEmpty()) << c.writer;
        const std::vector<ArchivedJob> jobs = archive.Jobs({}, 5);
        ASSERT_EQ(jobs.size(), 1u) << c.writer;
        EXPECT_EQ(jobs[0].interrupted, c.interrupted) << c.writer;
        EXPECT_EQ(archive.Load(jobs[0].id)->interrupted, c.interrupted) << c.writer;
    }
}

// Holds the archive's write lock from another connection, as another process would.
std::thread HoldLock(const QString& path, std::chrono::milliseconds hold,
                     std::promise<void>& held) {
    return std::thread([path, hold, &held] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "holder");
            db.setDatabaseName(path);
            db.open();
            QSqlQuery(db).exec("BEGIN IMMEDIATE");
            held.set_value();
            std::this_thread::sleep_for(hold);
            QSqlQuery(db).exec("COMMIT");
        }
        QSqlDatabase::removeDatabase("holder");
    });
}

// At the end the writer waits for a lock within its budget and counts what it could not write,
// without the "keeps trying" message, which would no longer be true.
TEST(ArchiveWriter, AtTheEndWhatCannotBeWrittenInTheBudgetIsCounted) {
    constexpr std::chrono::milliseconds kBudget{1500};
    const struct {
        const char* name;
        std::chrono::milliseconds lock; // held from before the end; 0: none
        bool folderIsAFile;
        std::size_t recordsLeft;
        const char* why;
    } cases[]{
        {"a lock released within the budget", 400ms, false, 0, ""},
        {"a lock held beyond the budget", 4000ms, false, 3, "database is locked"},
        {"a file where the folder should be", 0ms, true, 3, "cannot make the folder"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString folder = dir.filePath("vemla");
        const QString path = folder + "/archive.sqlite";
        MeasurementArchive().Open(path, Language::English);
        if (c.folderIsAFile) {
            ASSERT_TRUE(QDir(folder).removeRecursively());
            QFile(folder).open(QIODevice::WriteOnly);
        }
        ArchiveWriter writer;
        int problems = 0;
        QObject::connect(&writer, &ArchiveWriter::Problem, [&] { ++problems; });
        writer.Open(path, Language::English);
        std::promise<void> held;
        std::thread holder;
        if (c.lock > 0ms) {
            holder = HoldLock(path, c.lock, held);
            held.get_future().wait();
        }
        const ArchiveLeft left =
            writer.Finish({archive_op::BeginJob{}, archive_op::AddRecord{}, archive_op::AddRecord{},
                           archive_op::AddRecord{}, archive_op::SetHeader{}},
                          kBudget);
        if (holder.joinable())
            holder.join();
        EXPECT_EQ(left.records, c.recordsLeft) << c.name;
        EXPECT_EQ(left.changes, c.recordsLeft ? 5u : 0u) << c.name;
        EXPECT_TRUE(left.why.contains(c.why)) << c.name << ": " << left.why.toStdString();
        // Given up, not tried again: a later write, the file writable again, has nothing left.
        if (c.folderIsAFile) {
            ASSERT_TRUE(QFile::remove(folder));
        }
        writer.Write({}, Language::English);
        QCoreApplication::processEvents();
        EXPECT_EQ(problems, 0) << c.name;
        MeasurementArchive archive;
        EXPECT_EQ(JobsIn(archive, path).size(), c.recordsLeft ? 0u : 1u) << c.name;
    }
}

// Opening reads the header and the schema only, so it costs the same at any size: damage deep
// in the file is not found there (nor the file moved aside), but by the full check on demand.
TEST(Archive, DamageDeepInTheFileIsFoundByTheCheckNotAtOpen) {
    QTemporaryDir dir;
    const QString path = dir.filePath("archive.sqlite");
    std::vector<ArchiveOp> ops{archive_op::BeginJob{}};
    for (int row = 0; row < 3000; ++row)
        ops.push_back(archive_op::AddRecord{.row = row});
    ASSERT_TRUE(Made(path, ops));
    const ArchiveCheckResult sound = MeasurementArchive::Check(path, Language::English);
    EXPECT_TRUE(sound.sound);
    EXPECT_EQ(sound.message, "The measurement archive " + path + " is sound.");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_GT(file.size(), 16 * 4096);
        file.seek(file.size() - 2 * 4096);
        file.write(QByteArray(4096, 'Z'));
    }
    MeasurementArchive archive;
    const ArchiveOpenResult open = archive.Open(path, Language::English);
    EXPECT_EQ(open.state, ArchiveState::ReadWrite);
    EXPECT_TRUE(open.message.isEmpty()) << open.message.toStdString();
    archive.Close();
    const ArchiveCheckResult damaged = MeasurementArchive::Check(path, Language::Chinese);
    EXPECT_FALSE(damaged.sound);
    EXPECT_TRUE(damaged.message.startsWith("测量存档 " + path + " 已损坏"))
        << damaged.message.toStdString();
    const ArchiveCheckResult missing =
        MeasurementArchive::Check(dir.filePath("none.sqlite"), Language::English);
    EXPECT_FALSE(missing.sound);
    EXPECT_EQ(missing.message,
              "There is no measurement archive at " + dir.filePath("none.sqlite") + ".");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("none.sqlite"))) << "the check creates nothing";
}

} // namespace
} // namespace vemla
