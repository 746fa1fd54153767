// The archive's rules: an upload kept through the session as it happens, its re-upload after a
// delete-selected as a new version, reopening and editing an archived upload, the history
// filter, and the faults at open. Kills mid-upload are ArchiveKillTest's.
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

#include <functional>

namespace vemla {
namespace {

using namespace std::chrono_literals;

QStringList Texts(const MeterRecord& r) {
    return QStringList(r.texts.begin(), r.texts.end());
}

TEST(Archive, ReuploadIsANewVersionAndAnOpenedUploadTakesLaterEdits) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    SimOptions options;
    options.records = 12;
    MeterSimulator meter(options);
    ASSERT_TRUE(meter.Start());
    test::RecordingPresenter presenter;
    MeterSession session(presenter, std::make_unique<test::FixedPortSource>(
                                        std::make_shared<std::vector<PortCandidate>>()));
    session.SetLanguage(Language::English);
    ArchiveKeeper keeper(session);
    ASSERT_EQ(keeper.Open(path).state, ArchiveState::ReadWrite);
    session.SetHeaderField(&HeaderFields::company, QStringLiteral("Typed Before Upload"));
    session.Ports().AddVirtual(meter.DevicePath(), "simulated meter");
    session.PortListDropDown();
    ASSERT_EQ(session.TogglePort(0), MeterSession::ToggleResult::Opened);
    ASSERT_TRUE(test::WaitUntil([&] { return session.Port().IsMonitoring(); }));
    const auto boxes = [&](std::size_t n) {
        return test::WaitUntil([&] { return presenter.shown.size() >= n; }, 20s);
    };

    session.Upload();
    ASSERT_TRUE(boxes(1));
    const QStringList deleted = Texts(session.Records().At(2));
    session.DeleteSelected(2);
    ASSERT_TRUE(boxes(2));
    ASSERT_TRUE(test::WaitUntil([&] { return session.RecordCounter() == 11; }, 20s));
    session.SetLanguage(Language::Chinese);
    session.DeleteAll(); // the table empties; the archive keeps the job
    ASSERT_TRUE(boxes(4));
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

// Each fault gives one message and leaves the rest working.
TEST(Archive, FaultsAtOpenGiveOneMessageAndTheRestWorks) {
    struct Case {
        const char* name;
        std::function<QString(const QString& dir)> make; // the path to open
        ArchiveState state;
        const char* message;
        std::function<void(const QString& dir, const QString& path)> after;
    };
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const std::vector<Case> cases{
        {"not a database",
         [&](const QString& dir) {
             write(dir + "/archive.sqlite", QByteArray(4096, 'x'));
             return dir + "/archive.sqlite";
         },
         ArchiveState::ReadWrite, "moved aside as\n",
         [](const QString& dir, const QString&) {
             const QStringList moved = QDir(dir).entryList({"archive.sqlite.corrupt-*"});
             ASSERT_EQ(moved.size(), 1);
             QFile f(dir + "/" + moved[0]);
             ASSERT_TRUE(f.open(QIODevice::ReadOnly));
             EXPECT_EQ(f.readAll(), QByteArray(4096, 'x')) << "moved as it was";
         }},
        {"newer Vemla's file",
         [](const QString& dir) {
             {
                 MeasurementArchive a;
                 a.Open(dir + "/archive.sqlite", Language::English);
             }
             QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "newer");
             db.setDatabaseName(dir + "/archive.sqlite");
             db.open();
             QSqlQuery(db).exec("PRAGMA user_version=99");
             db.close();
             db = QSqlDatabase();
             QSqlDatabase::removeDatabase("newer");
             return dir + "/archive.sqlite";
         },
         ArchiveState::ReadOnly,
         "written by a newer Vemla",
         {}},
        {"folder that cannot be made",
         [&](const QString& dir) {
             write(dir + "/blocker", "a file where the folder should be");
             return dir + "/blocker/archive.sqlite";
         },
         ArchiveState::Off, "The measurement archive is off: ",
         [](const QString& dir, const QString& path) {
             // The writer keeps what it could not write and writes it once the folder can be.
             ArchiveWriter writer;
             std::vector<QString> problems;
             QObject::connect(&writer, &ArchiveWriter::Problem,
                              [&](const QString& m) { problems.push_back(m); });
             writer.Open(path, Language::English);
             writer.Write({archive_op::BeginJob{}, archive_op::AddRecord{}}, Language::English);
             EXPECT_EQ(writer.Pending(), 2u);
             ASSERT_TRUE(QFile::remove(dir + "/blocker"));
             ASSERT_TRUE(test::WaitUntil([&] { return writer.Pending() == 0; }, 5s));
             EXPECT_TRUE(problems.empty()) << "the open's message was the one";
             MeasurementArchive a;
             a.Open(path, Language::English);
             ASSERT_EQ(a.Jobs({}, 5).size(), 1u);
             EXPECT_EQ(a.Jobs({}, 5)[0].recordCount, 1);
         }},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString path = c.make(dir.path());
        QFile before(path);
        const QByteArray bytes = before.open(QIODevice::ReadOnly) ? before.readAll() : "";
        MeasurementArchive archive;
        const ArchiveOpenResult open = archive.Open(path, Language::English);
        EXPECT_EQ(open.state, c.state) << c.name;
        EXPECT_TRUE(open.message.contains(c.message))
            << c.name << ": " << open.message.toStdString();
        ArchiveCursor cursor;
        const bool wrote = archive.Apply(std::vector<ArchiveOp>{archive_op::BeginJob{}}, cursor);
        EXPECT_EQ(wrote, c.state == ArchiveState::ReadWrite) << c.name;
        if (c.state == ArchiveState::ReadOnly) {
            archive.Close();
            QFile after(path);
            ASSERT_TRUE(after.open(QIODevice::ReadOnly));
            EXPECT_EQ(after.readAll(), bytes) << "a newer Vemla's file is never rewritten";
        }
        if (c.after)
            c.after(dir.path(), path);
    }
}

} // namespace
} // namespace vemla
