#include "BenchMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

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

} // namespace

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
