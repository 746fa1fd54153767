// The archive's cost: an unpaced upload of 65,536 records with and without it, opening such an
// upload again, the history filter over 1,000 jobs holding 1,000,000 records, the bytes a
// record takes, and opening the archive at start-up with 1,000,000 records against an empty one.
#include "ArchiveKeeper.h"
#include "BenchMain.h"
#include "BenchPg.h"
#include "MeasurementArchive.h"
#include "MeterSession.h"
#include "MeterSimulator.h"
#include "Record.h"
#include "SharedSchema.h"
#include "SharedSyncThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

namespace vemla {
namespace {

constexpr int kRows = 65536;

class SilentPresenter final : public ISessionPresenter {
public:
    void Show(Kind, const QString&, const QString&) override { ++shown; }
    bool Confirm(const QString&) override { return true; }
    int shown = 0;
};

class NoPorts final : public IPortSource {
public:
    std::vector<PortCandidate> Enumerate() override { return {}; }
};

void Wait(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A session uploading from its own simulated meter, optionally kept in an archive, and that
// archive optionally sent to a shared archive's server as it is written.
struct UploadRig {
    explicit UploadRig(bool archived, const QString& server = {}) : meter(Options()) {
        if (archived) {
            keeper.emplace(session);
            keeper->Open(dir.filePath("archive.sqlite"));
        }
        if (keeper && !server.isEmpty()) {
            sync = std::make_unique<SharedSyncThread>(dir.filePath("archive.sqlite"), server);
            QObject::connect(&*keeper, &ArchiveKeeper::Committed, sync.get(),
                             &SharedSyncThread::Nudge, Qt::DirectConnection);
            sync->Start();
        }
        ok = meter.Start();
        session.Ports().AddVirtual(meter.DevicePath(), "simulated meter");
        session.PortListDropDown();
        ok = ok && session.TogglePort(0) == MeterSession::ToggleResult::Opened;
        Wait([&] { return session.Port().IsMonitoring(); });
    }
    static SimOptions Options() {
        SimOptions options;
        options.records = kRows;
        return options;
    }
    // Seconds until the table holds the upload; `committed`: until the archive holds it too.
    double Upload(double* committed) {
        const int boxes = presenter.shown;
        QElapsedTimer t;
        t.start();
        session.Upload();
        Wait([&] { return presenter.shown > boxes; });
        const double shown = double(t.nsecsElapsed()) / 1e9;
        if (keeper)
            keeper->Flush();
        *committed = double(t.nsecsElapsed()) / 1e9;
        return session.Records().Count() == kRows ? shown : 1e9;
    }

    MeterSimulator meter;
    SilentPresenter presenter;
    MeterSession session{presenter, std::make_unique<NoPorts>()};
    QTemporaryDir dir;
    std::optional<ArchiveKeeper> keeper;
    std::unique_ptr<SharedSyncThread> sync;
    bool ok = false;
};

// The same upload without and with the archive, taken in turns so that other work on the
// machine falls on both alike; the best of each is compared. The time is the archived one.
void BM_SessionUpload(benchmark::State& state) {
    UploadRig bare(false), kept(true);
    if (!bare.ok || !kept.ok)
        return state.SkipWithError("simulator or port did not start");
    double bestBare = 1e9, bestKept = 1e9, committed = 0, unused = 0;
    for (auto _ : state) {
        bestBare = std::min(bestBare, bare.Upload(&unused));
        const double shown = kept.Upload(&committed);
        bestKept = std::min(bestKept, shown);
        state.SetIterationTime(shown);
    }
    state.counters["bare_s"] = bestBare;
    state.counters["kept_s"] = bestKept;
    state.counters["committed_s"] = committed;
}
BENCHMARK(BM_SessionUpload)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

// One job of `records` records per call, texts as the formatter makes them; every hundredth
// record carries a note.
// Returns the CPU seconds the archive took (the machine may be busy with other work).
double AddJob(MeasurementArchive& archive, int job, int records, double* textBytes) {
    std::vector<ArchiveOp> ops;
    archive_op::BeginJob begin;
    begin.began = QDateTime::currentDateTime().addSecs(job);
    begin.device = QStringLiteral("/dev/ttyUSB0");
    begin.header.company = QStringLiteral("Company %1").arg(job);
    begin.header.testOperator = QStringLiteral("Operator %1").arg(job % 37);
    ops.push_back(begin);
    const std::array<uint16_t, 2> waves{1310, 1550};
    for (const RecordValues& v : GenerateRecords(records, waves, uint32_t(job))) {
        archive_op::AddRecord r;
        r.row = v.index;
        r.raw[0] = 0x7B;
        r.raw[2] = 5;
        r.raw[3] = uint8_t(v.index >> 8);
        r.raw[4] = uint8_t(v.index);
        const auto texts = FormatRecordTexts(v);
        for (std::size_t c = 0; c < texts.size(); ++c)
            r.texts[c] = QString::fromStdString(texts[c]);
        if (v.index % 100 == 0)
            r.texts[6] = QStringLiteral("note %1-%2").arg(job).arg(v.index);
        for (const QString& t : r.texts)
            *textBytes += t.toUtf8().size();
        ops.push_back(std::move(r));
    }
    ArchiveCursor cursor;
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    archive.Apply(ops, cursor);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    return double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) / 1e9;
}

void BM_OpenArchivedUpload(benchmark::State& state) {
    QTemporaryDir dir;
    MeasurementArchive archive;
    archive.Open(dir.filePath("archive.sqlite"), Language::English);
    double textBytes = 0;
    state.counters["write_s"] = AddJob(archive, 1, kRows, &textBytes);
    const qint64 id = archive.Jobs({}, 1).at(0).id;
    for (auto _ : state)
        benchmark::DoNotOptimize(archive.Load(id)->records.size());
    archive.Close();
    const double size = double(QFileInfo(dir.filePath("archive.sqlite")).size());
    state.counters["bytes_per_record"] = size / kRows;
    state.counters["beyond_frame_and_texts"] = (size - textBytes) / kRows - 22;
}
BENCHMARK(BM_OpenArchivedUpload)->Unit(benchmark::kMillisecond)->Iterations(3);

// A filter typed one key at a time over 1,000 jobs of 1,000 records.
void BM_JobsFilter(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("archive.sqlite");
    QElapsedTimer build;
    build.start();
    {
        MeasurementArchive archive;
        archive.Open(path, Language::English);
        double textBytes = 0;
        for (int job = 0; job < 1000; ++job)
            AddJob(archive, job, 1000, &textBytes);
    }
    state.counters["build_s"] = double(build.elapsed()) / 1e3;
    QElapsedTimer open;
    open.start();
    MeasurementArchive archive;
    archive.Open(path, Language::English);
    state.counters["open_s"] = double(open.elapsed()) / 1e3; // the first open of the file
    const QString typed = QStringLiteral("note 617-3");
    std::size_t found = 0;
    double slowest = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        for (qsizetype n = 1; n <= typed.size(); ++n) {
            const qint64 before = t.nsecsElapsed();
            found = archive.Jobs(typed.left(n), 1000).size();
            slowest = std::max(slowest, double(t.nsecsElapsed() - before) / 1e9);
        }
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9 / double(typed.size()));
    }
    state.counters["slowest_key_s"] = slowest;
    state.counters["found"] = double(found);
}
BENCHMARK(BM_JobsFilter)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// The window's start opens the archive twice (its writer and its reader); the median of nine
// such starts, with 1,000,000 records (1,000 jobs) and with an empty archive.
double MedianStartOpen(const QString& path) {
    std::vector<double> runs;
    for (int run = 0; run < 9; ++run) {
        QElapsedTimer t;
        t.start();
        MeasurementArchive writer, reader;
        writer.Open(path, Language::English);
        reader.Open(path, Language::English);
        runs.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

void BM_ArchiveOpenAtStart(benchmark::State& state) {
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.sqlite"), full = dir.filePath("full.sqlite");
    MeasurementArchive().Open(empty, Language::English);
    {
        MeasurementArchive archive;
        archive.Open(full, Language::English);
        double textBytes = 0;
        for (int job = 0; job < 1000; ++job)
            AddJob(archive, job, 1000, &textBytes);
    }
    double emptyS = 0, fullS = 0;
    for (auto _ : state) {
        emptyS = MedianStartOpen(empty);
        fullS = MedianStartOpen(full);
        state.SetIterationTime(fullS);
    }
    state.counters["empty_ms"] = emptyS * 1e3;
    state.counters["full_ms"] = fullS * 1e3;
    state.counters["ratio"] = fullS / emptyS;
    state.counters["full_MB"] = double(QFileInfo(full).size()) / 1e6;
}
BENCHMARK(BM_ArchiveOpenAtStart)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

// The benchmarks' one server, made on first use, with the shared archive's schema.
const bench::BenchPg* SharedServer() {
    static bench::BenchPg pg;
    static QString message;
    static const bool ready = pg.Ok() && InitServer(pg.Conninfo(), Language::English, &message);
    return ready ? &pg : nullptr;
}

// A station's 65,536-record upload sent to the server on its local socket, from the outbox to
// the server's commit.
void BM_SharedPush(benchmark::State& state) {
    const bench::BenchPg* pg = SharedServer();
    if (!pg)
        return state.SkipWithError("no PostgreSQL server (postgresql-15)");
    int run = 0;
    qint64 sent = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString path = dir.filePath("archive.sqlite");
        {
            MeasurementArchive archive;
            archive.Open(path, Language::English);
            double textBytes = 0;
            AddJob(archive, ++run, kRows, &textBytes);
        }
        SharedSync sync(path, pg->Conninfo());
        QElapsedTimer t;
        t.start();
        const SyncResult r = sync.SyncOnce();
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        if (r.outcome != SyncResult::Outcome::Done)
            return state.SkipWithError(qPrintable(r.reason));
        sent = r.recordsSent;
    }
    state.counters["records_per_s"] =
        benchmark::Counter(double(sent), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SharedPush)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// The window's upload of 65,536 records kept in the archive, with the archive sent to the server
// as it is written and without, taken in turns; the best of each is compared.
void BM_UploadWithSharedSync(benchmark::State& state) {
    const bench::BenchPg* pg = SharedServer();
    if (!pg)
        return state.SkipWithError("no PostgreSQL server (postgresql-15)");
    UploadRig alone(true), synced(true, pg->Conninfo());
    if (!alone.ok || !synced.ok)
        return state.SkipWithError("simulator or port did not start");
    double bestAlone = 1e9, bestSynced = 1e9, unused = 0;
    for (auto _ : state) {
        bestAlone = std::min(bestAlone, alone.Upload(&unused));
        const double shown = synced.Upload(&unused);
        bestSynced = std::min(bestSynced, shown);
        state.SetIterationTime(shown);
    }
    state.counters["alone_s"] = bestAlone;
    state.counters["synced_s"] = bestSynced;
    state.counters["ratio"] = bestSynced / bestAlone;
}
BENCHMARK(BM_UploadWithSharedSync)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

} // namespace
} // namespace vemla

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
