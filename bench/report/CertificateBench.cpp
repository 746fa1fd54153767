// Time and size of a PDF certificate as the row count grows.
#include "Certificate.h"

#include "../support/BenchMain.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace vemla {
namespace {

void BM_CertificatePdf(benchmark::State& state) {
    const int rows = int(state.range(0));
    const QDateTime now = QDateTime::currentDateTime();
    UploadDocument data;
    data.header = {"Acme", "OPM-1", "0042", "李伟", "A"};
    data.taken = now;
    data.certification.enabled = true;
    data.certification.SetLimit({1310, WaveLimit::Kind::Fixed, 3.0, 0.0});
    data.certification.SetLimit({1550, WaveLimit::Kind::Fixed, 3.0, 0.0});
    for (int i = 0; i < rows; ++i)
        data.rows.push_back({{uint16_t(i),
                              uint16_t(i % 2 ? 1550 : 1310),
                              -2.0f - float(i % 30) / 10,
                              0.0f,
                              true,
                              {}},
                             {},
                             {QString::number(i + 1), i % 2 ? "1550" : "1310", "", "", "",
                              "2026-12-07 14:03", i % 7 ? "" : "东侧 A-012"}});
    QTemporaryDir dir;
    const QString path = dir.filePath("c.pdf");
    for (auto _ : state) {
        QFile::remove(path);
        if (!CertificatePdfWriter().Write(data, {path, Replace::Never, false}).ok)
            state.SkipWithError("not written");
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_CertificatePdf)->Arg(1000)->Arg(65536)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace vemla

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
