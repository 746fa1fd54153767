// Export time, file size and peak memory of a report as the row count grows.
#include "Report.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace vemla {
namespace {

struct NullOpener final : IReportOpener {
    bool Open(const QString&) override { return true; }
};

// Resident memory in kB: the peak since the last reset, or the current size.
long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_ExportReport(benchmark::State& state) {
    const int rows = int(state.range(0));
    UploadDocument document;
    document.language = Language::English;
    document.header = {"Acme", "OPM-1", "0042", "Li Wei", "bench"};
    document.taken = QDateTime(QDate(2026, 12, 7), QTime(14, 3, 22));
    document.rows.resize(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i)
        document.rows[size_t(i)].texts = {QString::number(i + 1),
                                          "1550",
                                          QString::number(-12.34 - i % 50, 'f', 2),
                                          "-0.56",
                                          "-11.78",
                                          "2026-12-07 14:03:22",
                                          "patch cord A"};
    QTemporaryDir dir;
    XlsxReportWriter writer;
    NullOpener opener;
    double bytes = 0, peakKb = 0;
    for (auto _ : state) {
        ResetPeak();
        const long before = StatusKb("VmRSS:");
        const ExportResult result = ExportReport(document, dir.path(), writer, opener);
        state.PauseTiming();
        peakKb = std::max(peakKb, double(StatusKb("VmHWM:") - before));
        if (result.outcome != ExportOutcome::Opened)
            state.SkipWithError("export failed");
        bytes = double(QFileInfo(result.path).size());
        QFile::remove(result.path);
        state.ResumeTiming();
    }
    state.counters["file_MB"] = bytes / 1e6;
    state.counters["peak_extra_MB"] = peakKb / 1024;
}
BENCHMARK(BM_ExportReport)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(65536)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace vemla

BENCHMARK_MAIN();
