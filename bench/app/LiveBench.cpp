// The live power window's figures: a chart redraw of an hour's readings, and a minute of
// polling the meter (played by the simulator in its own process, paced at 9600 baud) every
// 0.2 s with the chart showing the 1 h span: readings per second, missed polls and the window
// process's share of one core.
#include "BenchMain.h"
#include "LiveChart.h"
#include "LiveWindow.h"

#include "BenchWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cmath>
#include <sys/resource.h>

namespace {

using namespace vemla;
using namespace vemla::bench;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// An hour at five readings a second, drawn into a chart of a usual window's size.
void BM_LiveChartRedraw18000(benchmark::State& state) {
    LiveChart chart;
    chart.resize(900, 480);
    chart.show();
    QApplication::processEvents();
    std::deque<LiveSample> samples;
    const int64_t start = 1'700'000'000'000;
    for (int i = 0; i < 18000; ++i)
        samples.push_back(
            {start + 200LL * i,
             static_cast<float>(-10.0 + 0.05 * std::sin(i * 0.002) + 0.02 * std::sin(i * 1.7)),
             true});
    const auto dBm = [](double v) { return v; };
    for (auto _ : state) {
        chart.Redraw(samples, 3'600'000, samples.back().msecs, dBm);
        chart.viewport()->repaint();
    }
    state.counters["points"] = static_cast<double>(chart.PointCount());
}
BENCHMARK(BM_LiveChartRedraw18000)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_LivePolling(benchmark::State& state) {
    const char* secondsEnv = std::getenv("VEMLA_LIVE_BENCH_SECONDS");
    const int seconds = secondsEnv ? std::max(1, std::atoi(secondsEnv)) : 60;
    QProcess meter;
    meter.start(QStringLiteral(VEMLA_METER_SIM), {QStringLiteral("--paced")});
    if (!meter.waitForReadyRead(5000)) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    const QString device = QString::fromUtf8(meter.readLine()).trimmed();
    for (auto _ : state) {
        SilentBoxes boxes;
        CMeterDlg dlg(boxes, std::make_unique<NoPorts>());
        dlg.Ports().AddVirtual(device.toStdString(), "simulated meter");
        dlg.show();
        dlg.OnPortListDropDown();
        dlg.findChild<QComboBox*>(QStringLiteral("1000"))->setCurrentIndex(0);
        dlg.OnPortButton();
        dlg.OpenLiveMonitor();
        LiveWindow* live = dlg.LiveMonitorWindow();
        auto combos = live->findChildren<QComboBox*>();
        combos.at(1)->setCurrentIndex(3); // 1 h
        live->Monitor().SetInterval(200);
        live->Monitor().Start();
        QApplication::processEvents();
        const double cpu = CpuSeconds();
        QElapsedTimer clock;
        clock.start();
        const auto before = live->Monitor().Samples().size();
        // The event loop as the program runs it: idle between readings.
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double elapsed = clock.elapsed() / 1000.0;
        state.counters["samples_per_s"] =
            static_cast<double>(live->Monitor().Samples().size() - before) / elapsed;
        state.counters["missed"] = live->Monitor().MissedPolls();
        state.counters["cpu_share_pct"] = 100.0 * (CpuSeconds() - cpu) / elapsed;
        live->Monitor().Pause();
    }
    meter.terminate();
    meter.waitForFinished(3000);
}
BENCHMARK(BM_LivePolling)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QApplication>(argc, argv);
}
