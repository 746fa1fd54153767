// Measure > Projects… as the contractor uses it: the counts, then the filter and the search
// through the keyboard. Which reading goes where and how it is judged is tests/document's and
// tests/archive's; here only what the window shows of them.
#include "ProjectWindow.h"
#include "MeasurementArchive.h"
#include "ProjectStore.h"
#include "ReplyEncoder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace vemla {
namespace {

// J01 to J03 at 1310 nm against a fixed 2.00 dB; one upload gives J01 1.50 dB and J02 2.50 dB.
QString MakeArchive(const QTemporaryDir& dir) {
    const QString path = dir.filePath("archive.sqlite");
    MeasurementArchive archive;
    ProjectStore store;
    QString error;
    EXPECT_EQ(archive.Open(path, Language::English).state, ArchiveState::ReadWrite);
    EXPECT_TRUE(store.Open(path, &error));
    StoredProject project;
    project.info.name = QStringLiteral("Tower");
    project.info.certification.enabled = true;
    project.info.certification.SetLimit({1310, WaveLimit::Kind::Fixed, 2.0, 0.0});
    project.waves = {1310};
    std::vector<CableLink> plan;
    for (const char* id : {"J01", "J02", "J03"})
        plan.push_back({id, {}, {}, {}, {}, {}, {}});
    EXPECT_TRUE(store.Create(project, plan, Language::English, &error));
    std::vector<ArchiveOp> ops{archive_op::BeginJob{}};
    for (float loss : {1.5f, 2.5f}) {
        archive_op::AddRecord add{int(ops.size()) - 1, {}, {}};
        const std::vector<uint8_t> frame =
            EncodeRecordReply({add.row, 1310, -loss, 0.0f, true, {26, 1, 2, 3, 4}});
        std::copy_n(frame.begin(), std::min(frame.size(), add.raw.size()), add.raw.begin());
        ops.push_back(add);
    }
    ArchiveCursor cursor;
    EXPECT_TRUE(archive.Apply(ops, cursor));
    EXPECT_TRUE(store.Tie(project, cursor.job, Direction::AtoB, Language::English, &error));
    return path;
}

TEST(ProjectWindowTest, CountsThenTheFilterAndTheSearchNarrowTheTable) {
    QTemporaryDir dir;
    ProjectWindow window(MakeArchive(dir), Language::English, nullptr);
    window.show();
    const auto* progress = window.findChild<QLabel*>("progress");
    EXPECT_EQ(progress->text(),
              "3 cable IDs: 1 passed (33.3%), 1 failed (33.3%), 0 incomplete, 1 untested");
    const auto rows = [&] { return window.findChild<QTableView*>()->model()->rowCount(); };
    const auto cell = [&](int column) {
        const QAbstractItemModel* m = window.findChild<QTableView*>()->model();
        return m->data(m->index(0, column)).toString();
    };
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(cell(3), "PASS");
    auto* filter = window.findChildren<QComboBox*>().at(1);
    const struct {
        const char* shows;
        int rows;
        const char* first;
    } steps[] = {{"Untested", 1, "J03"}, {"Incomplete", 0, ""}, {"Failed", 1, "J02"}};
    for (const auto& step : steps) {
        QTest::keyClick(filter, Qt::Key_Down);
        EXPECT_EQ(filter->currentText(), step.shows);
        EXPECT_EQ(rows(), step.rows) << step.shows;
        if (step.rows > 0)
            EXPECT_EQ(cell(0), step.first);
    }
    QTest::keyClick(filter, Qt::Key_Home);
    QTest::keyClicks(window.findChild<QLineEdit*>(), "j02");
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(cell(0) + " " + cell(1) + " " + cell(3), "J02 2.50 FAIL");
    window.Retranslate(Language::Chinese);
    EXPECT_EQ(progress->text(),
              "3 个电缆编号：合格 1 (33.3%)，不合格 1 (33.3%)，未完成 0，未测试 1");
    EXPECT_EQ(rows(), 1) << "the search stays through a language switch";
}

} // namespace
} // namespace vemla
