// The history window's share of a search keystroke over 1,000 archived uploads, every one
// matching (the longest list): the archive's own query alone, then the keystroke typed into the
// search box, query, model and view together. The difference is what the window adds.
#include "BenchMain.h"
#include "HistoryDlg.h"
#include "JobListModel.h"
#include "MeasurementArchive.h"
#include "MessageBox.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

using namespace vemla;

constexpr int kJobs = 1000;

struct NoBoxes final : IMessageBox {
    BoxAnswer Show(QWidget*, const QString&, const QString&, BoxButtons, BoxIcon) override {
        return BoxAnswer::Ok;
    }
};

struct FilledArchive {
    FilledArchive() {
        archive.Open(dir.filePath(QStringLiteral("archive.sqlite")), Language::English);
        std::vector<ArchiveOp> ops;
        for (int j = 0; j < kJobs; ++j) {
            archive_op::BeginJob job;
            job.began = QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(j * 60);
            job.device = QStringLiteral("/dev/ttyUSB0");
            job.header.company = QStringLiteral("Fibre Works %1").arg(j);
            job.header.notes = QStringLiteral("span %1").arg(j);
            ops.push_back(job);
            archive_op::AddRecord record;
            record.texts = {"1", "1550", "-10.00dBm", "", "", "2026-01-01  00:00  ", ""};
            ops.push_back(record);
        }
        ArchiveCursor cursor;
        archive.Apply(ops, cursor);
    }
    QTemporaryDir dir;
    MeasurementArchive archive;
};

void BM_HistoryArchiveQuery(benchmark::State& state) {
    FilledArchive filled;
    bool shorter = false;
    for (auto _ : state) {
        const auto jobs =
            filled.archive.Jobs(shorter ? QStringLiteral("spa") : QStringLiteral("span"), 5000);
        benchmark::DoNotOptimize(jobs.data());
        shorter = !shorter;
    }
}
BENCHMARK(BM_HistoryArchiveQuery)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_HistoryKeystroke(benchmark::State& state) {
    FilledArchive filled;
    NoBoxes boxes;
    HistoryDlg history(filled.archive, boxes, nullptr);
    history.Retitle(Language::English);
    history.show();
    QTest::keyClicks(&history.SearchBox(), QStringLiteral("spa"));
    QApplication::processEvents();
    bool type = true;
    for (auto _ : state) {
        // "spa" and "span" in turn, each answered with all 1,000 uploads.
        QTest::keyClick(&history.SearchBox(), type ? Qt::Key_N : Qt::Key_Backspace);
        history.repaint();
        type = !type;
    }
    state.counters["rows"] = history.Model().rowCount();
}
BENCHMARK(BM_HistoryKeystroke)->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QApplication>(argc, argv);
}
