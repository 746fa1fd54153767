// Streams many records from the simulated meter through the real window, upload after upload,
// and prints throughput and resident memory per upload. Every upload replaces the table, so
// memory must level off at what one full table needs; exits 1 when it keeps growing, when an
// upload comes back incomplete, or when throughput collapses.
//   vemla_soak [total records, default 1000000] [records per upload, default 62500]
#include "BenchWindow.h"
#include "EditList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vemla {
namespace {

int Soak(long total, int perUpload) {
    SimOptions options;
    options.records = perUpload;
    MeterSimulator meter(options);
    if (!meter.Start()) {
        std::fprintf(stderr, "simulator: %s\n", meter.ErrorText().c_str());
        return 2;
    }
    bench::SilentBoxes boxes;
    CMeterDlg dlg(boxes, std::make_unique<bench::NoPorts>());
    if (!bench::OpenSimulatedPort(dlg, meter)) {
        std::fprintf(stderr, "port did not open\n");
        return 2;
    }

    const long uploads = std::max(1L, (total + perUpload - 1) / perUpload);
    std::vector<double> rates;
    std::vector<long> resident;
    std::printf("upload  records so far  seconds  records/s  resident MiB\n");
    for (long u = 1; u <= uploads; ++u) {
        const int before = boxes.count;
        QElapsedTimer t;
        t.start();
        dlg.OnUpload();
        // Done when the end frame's box has come, not merely when the rows are in.
        while (boxes.count == before && t.elapsed() < 120000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        if (dlg.Table().GetItemCount() != perUpload) {
            std::fprintf(stderr, "upload %ld: %d rows of %d (%s)\n", u, dlg.Table().GetItemCount(),
                         perUpload, qPrintable(boxes.last));
            return 1;
        }
        rates.push_back(perUpload / seconds);
        resident.push_back(bench::StatusKiB("VmRSS:"));
        std::printf("%6ld  %14ld  %7.2f  %9.0f  %12.1f\n", u, u * perUpload, seconds, rates.back(),
                    double(resident.back()) / 1024.0);
        std::fflush(stdout);
    }
    // Level: from the second upload on (the first warms caches and pools) memory stays within
    // a few MiB, and no upload runs at less than a third of the best rate.
    int status = 0;
    if (resident.size() >= 3) {
        const long growth = resident.back() - resident[1];
        std::printf("memory growth after the first upload: %.1f MiB\n", double(growth) / 1024.0);
        if (growth > 16 * 1024) {
            std::fprintf(stderr, "memory keeps growing\n");
            status = 1;
        }
    }
    const double best = *std::max_element(rates.begin(), rates.end());
    const double worst = *std::min_element(rates.begin(), rates.end());
    std::printf("throughput: best %.0f, worst %.0f records/s\n", best, worst);
    if (worst < best / 3) {
        std::fprintf(stderr, "throughput is not steady\n");
        status = 1;
    }
    return status;
}

} // namespace
} // namespace vemla

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long total = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000000;
    const long per = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 62500;
    if (total < 1 || per < 1 || per > vemla::kSimMaxRecords) {
        std::fprintf(stderr, "usage: vemla_soak [total records] [1..65536 per upload]\n");
        return 2;
    }
    return vemla::Soak(total, static_cast<int>(per));
}
