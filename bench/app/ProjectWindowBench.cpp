// Measure > Projects… read again as an upload ends, on the largest plan a contractor brings:
// 10,000 cable IDs tested at two wavelengths in both directions, every reading read back from the
// archive and decoded, judged, and put in the table.
#include "MeasurementArchive.h"
#include "ProjectStore.h"
#include "ProjectWindow.h"
#include "ReplyEncoder.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace vemla;

constexpr int kIds = 10000;

// One upload of a reading at 1310 nm and one at 1550 nm for every cable ID, in plan order.
std::vector<ArchiveOp> UploadOps() {
    std::vector<ArchiveOp> ops{archive_op::BeginJob{}};
    for (int r = 0; r < kIds * 2; ++r) {
        archive_op::AddRecord add{r, {}, {}};
        const std::vector<uint8_t> frame = EncodeRecordReply({uint16_t(r),
                                                              uint16_t(r % 2 ? 1550 : 1310),
                                                              -float(r % 300) / 100,
                                                              0.0f,
                                                              true,
                                                              {26, 1, 2, 3, 4}});
        std::copy_n(frame.begin(), std::min(frame.size(), add.raw.size()), add.raw.begin());
        ops.push_back(add);
    }
    return ops;
}

// An archive holding the plan of kIds cable IDs, tested at 1310 and 1550 nm both ways; nothing
// given to it until Give.
struct PlannedProject {
    explicit PlannedProject(QString file) : path(std::move(file)) {
        project.info.name = QStringLiteral("Campus");
        project.info.certification.enabled = true;
        project.info.certification.SetLimit({1310, WaveLimit::Kind::Fixed, 1.5, 0.0});
        project.info.certification.SetLimit({1550, WaveLimit::Kind::Fixed, 1.5, 0.0});
        project.waves = {1310, 1550};
        project.bothDirections = true;
        std::vector<CableLink> plan;
        for (int i = 0; i < kIds; ++i)
            plan.push_back(
                {QStringLiteral("B1-PP%1-J%2").arg(i / 48).arg(i % 48 + 1, 2, 10, QLatin1Char('0')),
                 {},
                 {},
                 {},
                 {},
                 {},
                 {}});
        ok = archive.Open(path, Language::English).state == ArchiveState::ReadWrite &&
             store.Open(path, &error) && store.Create(project, plan, Language::English, &error);
    }
    // One upload archived, not yet given.
    qint64 Upload() {
        ArchiveCursor cursor;
        ok = ok && archive.Apply(UploadOps(), cursor);
        return cursor.job;
    }
    bool Give(qint64 job, Direction direction) {
        return ok = ok && store.Tie(project, job, direction, Language::English, &error);
    }

    QString path;
    MeasurementArchive archive;
    ProjectStore store;
    StoredProject project;
    QString error;
    bool ok = false;
};

void BM_ProjectWindowRefresh(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    {
        // Made and closed first, as the window finds an archive the uploads were kept in.
        PlannedProject filled(path);
        for (Direction direction : {Direction::AtoB, Direction::BtoA})
            filled.Give(filled.Upload(), direction);
        if (!filled.ok) {
            state.SkipWithError(qPrintable(filled.error));
            return;
        }
    }
    ProjectWindow window(path, Language::English, nullptr);
    window.show();
    for (auto _ : state) {
        window.Refresh();
        window.repaint();
    }
}
BENCHMARK(BM_ProjectWindowRefresh)->Unit(benchmark::kMillisecond)->Iterations(10);

// A 20,000-record upload given to an empty plan of 10,000 IDs, as the window does once the upload
// is kept: the readings assigned, written with which one counts, and what undoing it needs.
void BM_TieUpload(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        PlannedProject planned(dir.filePath(QStringLiteral("archive.sqlite")));
        const qint64 job = planned.Upload();
        state.ResumeTiming();
        if (!planned.Give(job, Direction::AtoB))
            state.SkipWithError(qPrintable(planned.error));
    }
}
BENCHMARK(BM_TieUpload)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
