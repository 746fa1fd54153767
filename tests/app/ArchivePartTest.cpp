// What the archive part adds, through the operator's input: File > History lists the uploads
// newest first, the search box filters as the operator types, a double-click or Enter brings an
// upload back into the table and header, Delete asks first, and the archive's message is shown
// once; an interrupted upload is marked in the list, Check archive tells what the check found, and
// what the archive could not take is told before the window closes; the project bar's choice and
// the history's Give to project give an upload to a project. What the archive keeps and finds
// (and the check's verdicts, and which reading goes to which cable ID) is tests/archive's; the
// CSV's bytes are tests/report's.
#include "FileBytes.h"
#include "HistoryDlg.h"
#include "JobListModel.h"
#include "MeasurementArchive.h"
#include "MeterSimulator.h"
#include "ProjectBar.h"
#include "ProjectStore.h"
#include "ReplyEncoder.h"
#include "WindowTest.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>

namespace vemla {
namespace {

using namespace test;

class ArchivePartTest : public WindowTest {
protected:
    void SetUp() override { dlg.Session().SetLanguage(Language::English); }
    void Start() {
        ASSERT_EQ(dlg.OpenArchive(path).state, ArchiveState::ReadWrite);
        Show();
    }
    // An upload made long ago, straight into the file.
    void ArchiveOldUpload(bool interrupted = false) {
        MeasurementArchive archive;
        ASSERT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
        archive_op::BeginJob job;
        job.began = QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5));
        job.header.company = QStringLiteral("Old Co");
        job.header.notes = QStringLiteral("west span");
        archive_op::AddRecord record; // the texts are what the table shows again
        record.texts = {"1", "1310", "-10.00dBm", "", "", "2013-10-09  15:07  ", ""};
        const std::vector<uint8_t> frame = EncodeRecordReply({0, 1310, -10.0f, 0.0f, false, {}});
        std::copy_n(frame.begin(), std::min(frame.size(), record.raw.size()), record.raw.begin());
        std::vector<ArchiveOp> ops{job, record};
        if (interrupted)
            ops.push_back(archive_op::MarkInterrupted{});
        ArchiveCursor cursor;
        ASSERT_TRUE(archive.Apply(ops, cursor));
    }
    void UploadThree() {
        for (uint16_t i = 0; i < 3; ++i)
            Feed(Record(i, 1550, 1, {13, 10, 9, 15, uint8_t(7 + i)}));
        QTest::keyClicks(dlg.ControlAs<QLineEdit>(idc::kCompany), "Fibre Works");
        QTest::keyClicks(dlg.ControlAs<QLineEdit>(idc::kNotes), "east span");
    }
    HistoryDlg& OpenHistory() {
        MenuEntry(MainMenu::Menu::File, 0);
        EXPECT_TRUE(dlg.Archive().HistoryWindow() &&
                    QTest::qWaitForWindowExposed(dlg.Archive().HistoryWindow()));
        return *dlg.Archive().HistoryWindow();
    }
    // "Tower": J01 to J10 at 1310 and 1550 nm, measured both ways.
    void MakeProject() {
        MeasurementArchive archive;
        ASSERT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
        ASSERT_TRUE(store.Open(path, &error));
        StoredProject project{0, {QStringLiteral("Tower"), {}, {}, {}, {}, {}}, {1310, 1550}, true};
        std::vector<CableLink> plan;
        for (int id = 1; id <= 10; ++id)
            plan.push_back(
                {QStringLiteral("J%1").arg(id, 2, 10, QChar('0')), {}, {}, {}, {}, {}, {}});
        ASSERT_TRUE(store.Create(project, plan, Language::English, &error)) << error.toStdString();
    }
    // The readings the project holds in a direction.
    int Readings(Direction direction) const {
        const std::optional<ProjectLedger> ledger = store.Ledger(*store.Find("Tower"));
        int count = 0;
        for (int id = 0; ledger && id < int(ledger->Plan().size()); ++id)
            for (int wave : ledger->Waves())
                count += int(ledger->Slot(id, wave, direction)->readings.size());
        return count;
    }
    static QStringList Companies(const HistoryDlg& history) {
        QStringList c;
        for (int r = 0; history.Model().JobAt(r); ++r)
            c << history.Model().JobAt(r)->company;
        return c;
    }

    QString path = folder.filePath("archive.sqlite");
    ProjectStore store;
    QString error;
};

TEST_F(ArchivePartTest, ListedNewestFirstFilteredAsTypedOpenedByDoubleClickDeletedAfterAsking) {
    ArchiveOldUpload();
    Start();
    UploadThree();
    HistoryDlg& history = OpenHistory();
    EXPECT_EQ(Companies(history), QStringList({"Fibre Works", "Old Co"}));

    QTest::keyClicks(&history.SearchBox(), "WEST");
    ASSERT_EQ(Companies(history), QStringList{"Old Co"});
    // A double-click arrives as a click and then the double-click event, as the system sends it.
    QTest::mouseClick(history.JobView().viewport(), Qt::LeftButton, {},
                      CellCentre(history.JobView(), 0));
    QTest::mouseDClick(history.JobView().viewport(), Qt::LeftButton, {},
                       CellCentre(history.JobView(), 0));
    EXPECT_EQ(dlg.Table().GetItemText(0, 1), "1310"); // the rows and counter are tests/archive's
    EXPECT_EQ(Text(idc::kCompany), "Old Co"); // each field's way to its edit is MeterDlgTest's

    history.SearchBox().clear();
    QTest::mouseClick(history.JobView().viewport(), Qt::LeftButton, {},
                      CellCentre(history.JobView(), 1));
    boxes.answers = {BoxAnswer::Cancel, BoxAnswer::Ok};
    for (int click = 0; click < 2; ++click)
        QTest::mouseClick(&history.ButtonOf(HistoryDlg::Button::Delete), Qt::LeftButton);
    EXPECT_EQ(boxes.Texts(), QStringList(2, "Delete the upload of 2025-01-02 03:04:05 (1 records) "
                                            "from the archive?"));
    EXPECT_EQ(Companies(history), QStringList{"Fibre Works"});
    // Enter on the row opens it as well, never a default button.
    history.JobView().setFocus();
    QTest::keyClick(&history.JobView(), Qt::Key_Return);
    EXPECT_EQ(dlg.Table().GetItemCount(), 3);
    EXPECT_EQ(Text(idc::kCompany), "Fibre Works");
}

TEST_F(ArchivePartTest, ADamagedArchiveIsToldOnceAfterTheWindowShows) {
    ASSERT_TRUE(WriteFile(path, QByteArray(4096, '\x5A')));
    EXPECT_EQ(dlg.OpenArchive(path).state, ArchiveState::ReadWrite);
    EXPECT_TRUE(boxes.shown.empty());
    for (int shows = 0; shows < 2; ++shows) {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        QCoreApplication::processEvents();
        dlg.hide();
    }
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].startsWith("The measurement archive was damaged."));
}

TEST_F(ArchivePartTest, AnInterruptedUploadIsMarkedInBothLanguagesAndCheckArchiveTellsTheResult) {
    ArchiveOldUpload(true);
    Start();
    HistoryDlg& history = OpenHistory();
    const QModelIndex records = history.Model().index(0, 2);
    EXPECT_EQ(records.data().toString(), "1 (interrupted)");
    ClickEntry(Combo(idc::kLanguageList), 0);
    EXPECT_EQ(records.data().toString(), QString::fromUtf8("1（已中断）"));
    EXPECT_EQ(history.ButtonOf(HistoryDlg::Button::Check).text(), QString::fromUtf8("检查存档"));
    QTest::mouseClick(&history.ButtonOf(HistoryDlg::Button::Check), Qt::LeftButton);
    EXPECT_EQ(boxes.Texts(), QStringList{QString::fromUtf8("测量存档 %1 完好。").arg(path)});
}

TEST_F(ArchivePartTest, WhatTheArchiveCannotTakeIsToldBeforeTheWindowCloses) {
    Start();
    // Another process holds the archive's write lock beyond the time the window waits.
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
        other.setDatabaseName(path);
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(QSqlQuery(other).exec("BEGIN IMMEDIATE"));
        UploadThree();
        dlg.close();
        QSqlQuery(other).exec("ROLLBACK");
    }
    QSqlDatabase::removeDatabase("other");
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].startsWith("The measurement archive could not be written: "
                                            "database is locked\n3 records"))
        << boxes.Texts()[0].toStdString();
}

// Without a project the window is as it always was; one made meanwhile is offered when the window
// shows again. The bar's choice, made with the mouse and the keys before UPLOAD DATA, gets the
// upload in that direction once its end is kept, and the next window starts with it.
TEST_F(ArchivePartTest, TheUploadGoesToTheProjectAndDirectionChosenOnTheBar) {
    MeterSimulator meter{SimOptions{}};
    ASSERT_TRUE(meter.Start()) << meter.ErrorText();
    dlg.Ports().AddVirtual(meter.DevicePath(), "meter");
    Start();
    ProjectBar& bar = dlg.Archive().Bar();
    EXPECT_TRUE(bar.isHidden());
    MakeProject();
    dlg.hide();
    Show();
    ASSERT_TRUE(bar.isVisible());
    ClickEntry(&bar.ProjectList(), 1);
    KeyToEntry(&bar.DirectionList(), 1);
    ClickOpenPort();
    QTest::mouseClick(dlg.Control(idc::kUpload), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return Readings(Direction::BtoA) == 10; }, 3s))
        << boxes.Texts().join('\n').toStdString();
    EXPECT_EQ(Readings(Direction::AtoB), 0);
    CMeterDlg next{boxes, std::make_unique<FixedPortSource>(ports)};
    next.OpenArchive(path);
    EXPECT_EQ(next.Archive().Bar().ProjectList().currentText() + " " +
                  next.Archive().Bar().DirectionList().currentText(),
              "Tower B→A");
}

TEST_F(ArchivePartTest, HistoryGivesTheSelectedUploadOnceThenTellsTheRefusal) {
    MakeProject();
    ArchiveOldUpload();
    Start();
    HistoryDlg& history = OpenHistory();
    for (int give = 0; give < 2; ++give) {
        QTest::mouseClick(&history.ButtonOf(HistoryDlg::Button::Give), Qt::LeftButton);
        GiveToProjectDlg* dialog = nullptr;
        for (auto* shown : history.findChildren<GiveToProjectDlg*>())
            dialog = shown->isVisible() ? shown : dialog;
        ASSERT_TRUE(dialog);
        ClickEntry(&dialog->Bar().ProjectList(), 1);
        KeyToEntry(&dialog->Bar().DirectionList(), 1);
        ClickOk(dialog);
    }
    EXPECT_EQ(Readings(Direction::BtoA), 1);
    EXPECT_EQ(history.Model().index(0, 7).data().toString(), "Tower");
    EXPECT_EQ(boxes.Texts(), QStringList{"The upload was not given to project \"Tower\": Upload 1 "
                                         "is already tied to a project."});
}

} // namespace
} // namespace vemla
