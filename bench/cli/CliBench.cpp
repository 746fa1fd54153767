#include "BenchMain.h"
#include "MeasurementArchive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

#include <sys/resource.h>

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

double CpuSeconds(const rusage& u) {
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A burn-in rig's logger: four simulated meters read every 0.2 s for 20 s, every reading a JSON
// line. The CPU is vemla-cli's own (its rusage once it is reaped), not the simulator's.
void BM_CliJsonlFourMeters(benchmark::State& state) {
    constexpr double kSeconds = 20;
    QTemporaryDir dir;
    QProcess sim;
    sim.start(QStringLiteral(VEMLA_SIM), {"--meters", "4"});
    QStringList args{"power",   "--interval", "0.2",
                     "--jsonl", "--duration", QString::number(kSeconds)};
    for (int k = 0; k < 4; ++k) {
        while (!sim.canReadLine() && sim.waitForReadyRead(5000)) {
        }
        args << "--port" << QString::fromUtf8(sim.readLine()).trimmed();
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    for (auto _ : state) {
        rusage before{}, after{};
        getrusage(RUSAGE_CHILDREN, &before);
        QProcess cli;
        cli.setProcessEnvironment(env);
        cli.setStandardOutputFile(dir.filePath("lines.jsonl"));
        QElapsedTimer t;
        t.start();
        cli.start(QStringLiteral(VEMLA_CLI), args);
        if (!cli.waitForFinished(60000) || cli.exitCode() != 0)
            state.SkipWithError("vemla-cli failed");
        const double wall = t.nsecsElapsed() / 1e9;
        getrusage(RUSAGE_CHILDREN, &after);
        QFile lines(dir.filePath("lines.jsonl"));
        lines.open(QIODevice::ReadOnly);
        state.counters["cpu_share_pct"] = 100.0 * (CpuSeconds(after) - CpuSeconds(before)) / wall;
        state.counters["readings_per_meter_s"] = lines.readAll().count('\n') / 4.0 / kSeconds;
        state.SetIterationTime(wall);
    }
    sim.terminate();
    sim.waitForFinished();
}
BENCHMARK(BM_CliJsonlFourMeters)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
