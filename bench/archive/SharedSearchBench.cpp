// The lab's shared archive searched as a keystroke searches it: 2,000 uploads of 500 records
// (1,000,000 records) on a throwaway PostgreSQL server, a filter typed one key at a time, each
// key's list as the history window asks for it.
#include "BenchMain.h"
#include "PgCluster.h"
#include "SharedSchema.h"
#include "SharedSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <algorithm>

namespace vemla {
namespace {

constexpr int kJobs = 2000;
constexpr int kRecordsPerJob = 500;
constexpr int kListLimit = 5000; // the history window's

// Filled on the server itself: the search text as a station writes it (date, port, device,
// company, operator, then a note every 100 records), the records as frames and their texts.
constexpr const char* kFill =
    "INSERT INTO station VALUES ('bench', 'bench', current_user);"
    "INSERT INTO job SELECT 'bench', j, 1700000000000 + j * 60000, 3, '/dev/ttyUSB0', "
    "'1310,1550', '', 0, 'Company ' || j, '', '', 'Operator ' || j % 37, '', "
    "lower(to_char(to_timestamp(1700000000 + j * 60), 'YYYY-MM-DD HH24:MI:SS') || "
    "E'\\ncom3\\n/dev/ttyusb0\\ncompany ' || j || E'\\noperator ' || j % 37 || E'\\n\\n' || "
    "(SELECT string_agg('note ' || j || '-' || i, E'\\n') FROM generate_series(0, %2, 100) i)) "
    "FROM generate_series(1, %1) j;"
    "INSERT INTO version SELECT 'bench', j, 1, 0, %3, '', false, 0, 'bench' "
    "FROM generate_series(1, %1) j;"
    "INSERT INTO record SELECT 'bench', j, 1, i, '\\x7b0005000000000000000000000000', "
    "'2024-01-01', '12:00', '1310', '-12.34', 'dBm', 'PASS', CASE WHEN i % 100 = 0 THEN "
    "'note ' || j || '-' || i ELSE '' END "
    "FROM generate_series(1, %1) j, generate_series(0, %2) i;"
    "ANALYZE;";

void BM_SharedSearch(benchmark::State& state) {
    test::PgCluster* cluster = test::PgCluster::Shared();
    if (!cluster) {
        state.SkipWithError(test::PgCluster::Reason().toStdString().c_str());
        return;
    }
    const QString conninfo = cluster->SuperConninfo(QStringLiteral("bench"));
    QString message;
    QElapsedTimer fill;
    fill.start();
    if (!cluster->MakeDatabase(QStringLiteral("bench")) ||
        !InitServer(conninfo, Language::English, &message) ||
        !cluster
             ->Exec(
                 QString::fromLatin1(kFill).arg(kJobs).arg(kRecordsPerJob - 1).arg(kRecordsPerJob),
                 QStringLiteral("bench"))
             .isEmpty()) {
        state.SkipWithError("the server could not be filled");
        return;
    }
    state.counters["fill_s"] = double(fill.elapsed()) / 1e3;
    QString error;
    const QSqlDatabase db = OpenShared(conninfo, QStringLiteral("bench"), &error);
    const QString typed = QStringLiteral("note 617-3");
    std::size_t found = 0;
    double slowest = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        for (qsizetype n = 1; n <= typed.size(); ++n) {
            const qint64 before = t.nsecsElapsed();
            found = SearchShared(db, typed.left(n), kListLimit)
                        .value_or(std::vector<SharedJob>{})
                        .size();
            slowest = std::max(slowest, double(t.nsecsElapsed() - before) / 1e9);
        }
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9 / double(typed.size()));
    }
    state.counters["slowest_key_s"] = slowest;
    state.counters["found"] = double(found);
}
BENCHMARK(BM_SharedSearch)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

} // namespace
} // namespace vemla

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
