#include "BenchMain.h"
#include "MeasurementArchive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

namespace {

constexpr int kRecords = 65536;

// The whole run, process start to exit: upload, workbook, CSV and archive.
void BM_CliUploadToFiles(benchmark::State& state) {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VEMLA_ARCHIVE"), dir.filePath(QStringLiteral("archive.sqlite")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    double seconds = 0;
    for (auto _ : state) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        cli.start(QStringLiteral(VEMLA_CLI),
                  {"--simulate", "--records", QString::number(kRecords), "upload", "--force",
                   "--xlsx", dir.filePath("a.xlsx"), "--csv", dir.filePath("a.csv")});
        if (!cli.waitForFinished(120000) || cli.exitCode() != 0)
            state.SkipWithError("vemla-cli failed");
        const double s = t.nsecsElapsed() / 1e9;
        seconds += s;
        state.SetIterationTime(s);
    }
    state.counters["records_per_s"] = kRecords * state.iterations() / seconds;
}
BENCHMARK(BM_CliUploadToFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// 1,000 jobs of 1,000 records each, written straight into the file.
void FillArchive(const QString& path) {
    vemla::MeasurementArchive archive;
    archive.Open(path, vemla::Language::English);
    for (int job = 0; job < 1000; ++job) {
        std::vector<vemla::ArchiveOp> ops{vemla::archive_op::BeginJob{}};
        for (int row = 0; row < 1000; ++row) {
            vemla::archive_op::AddRecord r;
            r.row = row;
            r.texts = {QString::number(row + 1), "1310", "-10.00dBm", "", "",
                       "2026-12-08  10:00",      ""};
            ops.push_back(std::move(r));
        }
        vemla::ArchiveCursor cursor;
        archive.Apply(ops, cursor);
    }
}

// One run's median time over seven, its own process each time.
double MedianRun(const QString& archive, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VEMLA_ARCHIVE"), archive);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QFileInfo(archive).absolutePath());
    std::vector<double> runs;
    for (int run = 0; run < 7; ++run) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        cli.start(QStringLiteral(VEMLA_CLI), args);
        cli.waitForFinished(120000);
        runs.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

// Start-up against an archive of 1,000,000 records and an empty one: connect (which does not
// open the archive) and a one-record upload (which does).
void BM_CliArchiveSize(benchmark::State& state) {
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.sqlite"), full = dir.filePath("full.sqlite");
    vemla::MeasurementArchive().Open(empty, vemla::Language::English);
    FillArchive(full);
    const QStringList connect{"--simulate", "connect"};
    const QStringList upload{"--simulate", "--records", "1", "upload"};
    for (auto _ : state) {
        const double c0 = MedianRun(empty, connect), c1 = MedianRun(full, connect);
        const double u0 = MedianRun(empty, upload), u1 = MedianRun(full, upload);
        state.counters["connect_empty_ms"] = c0 * 1e3;
        state.counters["connect_ratio"] = c1 / c0;
        state.counters["upload_empty_ms"] = u0 * 1e3;
        state.counters["upload_ratio"] = u1 / u0;
        state.SetIterationTime(c1);
    }
}
BENCHMARK(BM_CliArchiveSize)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
