// Time and size of a PDF certificate as the row count grows, and of a large project's.
#include "Certificate.h"
#include "ProjectCertificate.h"

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

// 10,000 cable IDs tested both ways at two wavelengths: twelve columns a row.
void BM_ProjectCertificatePdf(benchmark::State& state) {
    std::vector<CableLink> plan;
    for (int i = 0; i < 10000; ++i)
        plan.push_back({QStringLiteral("B1-F%1-PP%2-J%3").arg(i / 960).arg(i / 48).arg(i % 48),
                        {},
                        {},
                        {},
                        {},
                        {},
                        {}});
    std::vector<MeterRecord> rows(20000);
    for (size_t r = 0; r < rows.size(); ++r)
        rows[r].values = {int(r), uint16_t(r % 2 ? 1550 : 1310), -float(r % 300) / 100, 0, true,
                          {}};
    ProjectLedger ledger(plan, {1310, 1550}, true);
    ledger.Assign(1, Direction::AtoB, rows);
    ledger.Assign(2, Direction::BtoA, rows);
    ProjectInfo info;
    info.name = QStringLiteral("Tower");
    info.certification.enabled = true;
    info.certification.SetLimit({1310, WaveLimit::Kind::Fixed, 2.0, 0.0});
    info.certification.SetLimit({1550, WaveLimit::Kind::Fixed, 2.0, 0.0});
    const ProjectReport report =
        MakeProjectReport(info, ledger, Language::English, QDateTime::currentDateTime());
    QTemporaryDir dir;
    const QString path = dir.filePath("p.pdf");
    for (auto _ : state) {
        QFile::remove(path);
        if (!ProjectCertificatePdfWriter().Write(report, {path, Replace::Never, false}).ok)
            state.SkipWithError("not written");
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_ProjectCertificatePdf)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace vemla

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
