// The archive's rules: an upload kept through the session as it happens, its re-upload after a
// delete-selected as a new version, a second upload as a new job, reopening and editing an
// archived upload, the history filter, and the faults at open. Kills mid-upload are
// ArchiveKillTest's.
#include "ArchiveKeeper.h"
#include "ArchiveWriter.h"
#include "FixedPortSource.h"
#include "MeasurementArchive.h"
#include "MeterSession.h"
#include "MeterSimulator.h"
#include "PtyPair.h"
#include "Record.h"
#include "RecordingPresenter.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

namespace vemla {
namespace {

using namespace std::chrono_literals;

QStringList Texts(const MeterRecord& r) {
    return QStringList(r.texts.begin(), r.texts.end());
}

// A session on the simulated meter, connected, its uploads kept in a new archive.
class ArchiveSession : public ::testing::Test {
protected:
    void SetUp() override {
        SimOptions options;
        options.records = 12;
        meter = std::make_unique<MeterSimulator>(options);
        ASSERT_TRUE(meter->Start());
        session.SetLanguage(Language::English);
        ASSERT_EQ(keeper.Open(path).state, ArchiveState::ReadWrite);
        session.Ports().AddVirtual(meter->DevicePath(), "simulated meter");
        session.PortListDropDown();
        ASSERT_EQ(session.TogglePort(0), MeterSession::ToggleResult::Opened);
        ASSERT_TRUE(test::WaitUntil([&] { return session.Port().IsMonitoring(); }));
    }
    // The session shows each reply in a box; an upload's comes at its end.
    bool Boxes(std::size_t n) {
        return test::WaitUntil([&] { return presenter.shown.size() >= n; }, 20s);
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    std::unique_ptr<MeterSimulator> meter;
    test::RecordingPresenter presenter;
    MeterSession session{presenter, std::make_unique<test::FixedPortSource>(
                                        std::make_shared<std::vector<PortCandidate>>())};
    ArchiveKeeper keeper{session};
};

TEST_F(ArchiveSession, ReuploadIsANewVersionAndAnOpenedUploadTakesLaterEdits) {
    session.SetHeaderField(&HeaderFields::company, QStringLiteral("Typed Before Upload"));

    keeper.SetCertification(QStringLiteral("{\"limits\":1}"));
    session.Upload();
    ASSERT_TRUE(Boxes(1));
    const QStringList deleted = Texts(session.Records().At(2));
    session.DeleteSelected(2);
    ASSERT_TRUE(Boxes(2));
    ASSERT_TRUE(test::WaitUntil([&] { return session.RecordCounter() == 11; }, 20s));
    keeper.SetCertification(QStringLiteral("{\"limits\":2}")); // judged again: version 2 only
    session.SetLanguage(Language::Chinese);
    session.DeleteAll(); // the table empties; the archive keeps the job
    ASSERT_TRUE(Boxes(4));
    ASSERT_EQ(session.Records().Count(), 0);
    keeper.Flush();

    MeasurementArchive archive;
    ASSERT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
    const std::vector<ArchivedJob> jobs = archive.Jobs({}, 10);
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
    EXPECT_EQ(latest->waves, session.Waves());
    QStringList decoded;
    for (const std::string& t : FormatRecordTexts(latest->records[5].values))
        decoded << QString::fromStdString(t);
    EXPECT_EQ(Texts(latest->records[5]), decoded) << "values decoded again from the raw frame";

    // Opened again: the rows and counter come back, and edits go to the job's latest version.
    ASSERT_TRUE(keeper.OpenUpload(jobs[0].id));
    ASSERT_EQ(session.Records().Count(), 11);
    EXPECT_EQ(session.RecordCounter(), 11);
    EXPECT_EQ(Texts(session.Records().At(4)), Texts(latest->records[4]));
    session.Records().SetText(4, kTableColumns - 1, QStringLiteral("Fibre 7 Dirty"));
    session.SetHeaderField(&HeaderFields::testOperator, QStringLiteral("Wang Li"));
    keeper.Flush();
    struct Filter {
        const char* text;
        std::size_t found;
    };
    for (const Filter& f : {Filter{"fibre 7", 1}, Filter{"WANG", 1}, Filter{"typed before", 1},
                            Filter{"nowhere", 0}, Filter{"", 1}})
        EXPECT_EQ(archive.Jobs(QString::fromUtf8(f.text), 10).size(), f.found) << f.text;
    EXPECT_EQ(archive.Load(jobs[0].id)->records[4].texts[kTableColumns - 1], "Fibre 7 Dirty");
    EXPECT_EQ(archive.Load(jobs[0].id, 1)->records[4].texts[kTableColumns - 1], "");
    EXPECT_TRUE(archive.Delete(jobs[0].id));
    EXPECT_TRUE(archive.Jobs({}, 10).empty());
}

// Only a re-upload the session makes itself (after a delete) continues a job.
TEST_F(ArchiveSession, SecondPlainUploadIsAJobOfItsOwn) {
    session.SetHeaderField(&HeaderFields::company, QStringLiteral("First Site"));
    session.Upload();
    ASSERT_TRUE(Boxes(1));
    session.Upload();
    ASSERT_TRUE(Boxes(2));
    session.SetHeaderField(&HeaderFields::company, QStringLiteral("Second Site"));
    keeper.Flush();

    MeasurementArchive archive;
    ASSERT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
    const std::vector<ArchivedJob> jobs = archive.Jobs({}, 10); // newest first
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].company, "Second Site");
    EXPECT_EQ(jobs[1].company, "First Site");
    for (const ArchivedJob& job : jobs)
        EXPECT_EQ(job.versionCount, 1) << job.company.toStdString();
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Each fault gives one message, keeps the file that was there, and leaves the rest working.
TEST(Archive, FaultsAtOpenGiveOneMessageAndTheRestWorks) {
    QTemporaryDir made;
    MeasurementArchive().Open(made.filePath("archive.sqlite"), Language::English);
    QByteArray newer = Read(made.filePath("archive.sqlite"));
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
        QFile file(dir.filePath(c.file));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.bytes) == c.bytes.size());
        file.close();
        MeasurementArchive archive;
        const ArchiveOpenResult open = archive.Open(dir.filePath(c.open), Language::English);
        EXPECT_EQ(open.state, c.state) << c.open;
        EXPECT_TRUE(open.message.contains(c.message)) << open.message.toStdString();
        ArchiveCursor cursor;
        EXPECT_EQ(archive.Apply(std::vector<ArchiveOp>{archive_op::BeginJob{}}, cursor),
                  c.state == ArchiveState::ReadWrite);
        archive.Close();
        const QStringList kept = QDir(dir.path()).entryList({QString(c.file) + "*"});
        EXPECT_TRUE(std::any_of(kept.begin(), kept.end(),
                                [&](const QString& f) { return Read(dir.filePath(f)) == c.bytes; }))
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
    ASSERT_TRUE(test::WaitUntil([&] { return writer.Pending() == 0; }, 5s));
    EXPECT_EQ(problems, 0) << "the open's message was the one";
    MeasurementArchive archive;
    archive.Open(dir.filePath("blocker/archive.sqlite"), Language::English);
    ASSERT_EQ(archive.Jobs({}, 5).size(), 1u);
    EXPECT_EQ(archive.Jobs({}, 5)[0].recordCount, 1);
}

// A file written before a version kept its certification and interrupted mark is taken forward:
// its uploads stay, and the new columns take what is written next.
TEST(Archive, AnOlderFileIsTakenForwardAndKeepsItsUploads) {
    QTemporaryDir dir;
    const QString path = dir.filePath("archive.sqlite");
    {
        MeasurementArchive archive;
        ASSERT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
        ArchiveCursor cursor;
        ASSERT_TRUE(archive.Apply(
            std::vector<ArchiveOp>{archive_op::BeginJob{}, archive_op::AddRecord{}}, cursor));
    }
    {
        // The first schema, as files of that time have it.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "older");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        for (const char* sql :
             {"ALTER TABLE version DROP COLUMN certification",
              "ALTER TABLE version DROP COLUMN interrupted", "PRAGMA user_version=1"})
            ASSERT_TRUE(QSqlQuery(db).exec(QString::fromLatin1(sql))) << sql;
        db.close();
    }
    QSqlDatabase::removeDatabase("older");
    MeasurementArchive archive;
    ASSERT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
    const std::vector<ArchivedJob> jobs = archive.Jobs({}, 5);
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
}

} // namespace
} // namespace vemla
