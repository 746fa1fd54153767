// A large project: importing its plan, assigning an upload's readings to it, and judging every
// ID as the project window and its reports show it.
#include "ProjectReport.h"

#include <benchmark/benchmark.h>

namespace vemla {
namespace {

constexpr int kIds = 10000;

QByteArray PlanCsv() {
    QByteArray csv = "cable_id,length_km,connections,splices,from,to,notes\r\n";
    for (int i = 0; i < kIds; ++i)
        csv += QStringLiteral("B1-F%1-IDF1-PP%2-J%3,0.%4,2,0,IDF1,MDF,riser\r\n")
                   .arg(i / 960)
                   .arg(i / 48)
                   .arg(i % 48, 2, 10, QLatin1Char('0'))
                   .arg(100 + i % 800)
                   .toUtf8();
    return csv;
}

void BM_ImportPlan(benchmark::State& state) {
    const QByteArray csv = PlanCsv();
    for (auto _ : state) {
        std::vector<CableLink> plan;
        QString error;
        if (!ParsePlanCsv(csv, &plan, Language::English, &error) || plan.size() != size_t(kIds))
            state.SkipWithError(qPrintable(error));
        benchmark::DoNotOptimize(plan);
    }
}
BENCHMARK(BM_ImportPlan)->Unit(benchmark::kMillisecond);

// 20,000 readings at two wavelengths, one in eight naming its cable ID, into an empty plan.
void BM_AssignUpload(benchmark::State& state) {
    std::vector<CableLink> plan;
    QString error;
    ParsePlanCsv(PlanCsv(), &plan, Language::English, &error);
    std::vector<MeterRecord> rows(20000);
    for (size_t r = 0; r < rows.size(); ++r) {
        rows[r].values.wavelength = r % 2 ? 1550 : 1310;
        if (r % 8 == 0)
            rows[r].texts[kTableColumns - 1] = plan[r / 2].id;
    }
    for (auto _ : state) {
        state.PauseTiming();
        ProjectLedger ledger(plan, {1310, 1550}, true);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ledger.Assign(1, Direction::AtoB, rows));
    }
}
BENCHMARK(BM_AssignUpload)->Unit(benchmark::kMillisecond);

// Every ID tested both ways at both wavelengths: the report the project window refreshes from.
void BM_ProjectReport(benchmark::State& state) {
    std::vector<CableLink> plan;
    QString error;
    ParsePlanCsv(PlanCsv(), &plan, Language::English, &error);
    std::vector<MeterRecord> rows(size_t(kIds) * 2);
    for (size_t r = 0; r < rows.size(); ++r)
        rows[r].values = {int(r), uint16_t(r % 2 ? 1550 : 1310), -float(r % 300) / 100, 0, true, {}};
    ProjectLedger ledger(plan, {1310, 1550}, true);
    ledger.Assign(1, Direction::AtoB, rows);
    ledger.Assign(2, Direction::BtoA, rows);
    ProjectInfo info;
    info.certification.enabled = true;
    info.certification.SetLimit({1310, WaveLimit::Kind::Budget, 0.0, 0.4});
    info.certification.SetLimit({1550, WaveLimit::Kind::Budget, 0.0, 0.3});
    const QDateTime now = QDateTime::currentDateTime();
    for (auto _ : state) {
        const ProjectReport report = MakeProjectReport(info, ledger, Language::English, now);
        if (report.counts.untested != 0)
            state.SkipWithError("readings left unassigned");
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_ProjectReport)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vemla

BENCHMARK_MAIN();
