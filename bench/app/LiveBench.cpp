// The live power window's figures: a chart redraw of an hour's readings, of one meter and of
// four; a minute of polling the meter (played by the simulator in its own process, paced at 9600
// baud) every 0.2 s with the chart showing the 1 h span: readings per second, missed polls and
// the window process's share of one core; and the same share with four meters, each simulator a
// process of its own.
#include "BenchMain.h"
#include "LiveChart.h"
#include "LiveWindow.h"

#include "BenchWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
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

// An hour at five readings a second.
std::deque<LiveSample> HourOfReadings(double level) {
    std::deque<LiveSample> samples;
    const int64_t start = 1'700'000'000'000;
    for (int i = 0; i < 18000; ++i)
        samples.push_back(
            {start + 200LL * i,
             static_cast<float>(level + 0.05 * std::sin(i * 0.002) + 0.02 * std::sin(i * 1.7)),
             true});
    return samples;
}

// Redraws `meters` hours of readings into a chart of a usual window's size and paints it.
void RedrawHours(benchmark::State& state, int meters) {
    LiveChart chart;
    chart.resize(900, 480);
    chart.show();
    QApplication::processEvents();
    std::vector<std::deque<LiveSample>> readings;
    std::vector<LiveChart::Trace> traces;
    for (int m = 0; m < meters; ++m)
        readings.push_back(HourOfReadings(-10.0 - 3.0 * m));
    for (int m = 0; m < meters; ++m)
        traces.push_back({m, QStringLiteral("COM%1").arg(m + 1),
                          QColor(LiveMeters::kPalette[static_cast<std::size_t>(m)]),
                          &readings[static_cast<std::size_t>(m)], [](double v) { return v; }});
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        chart.Redraw(traces, 3'600'000, readings.front().back().msecs);
        QPainter painter(&image);
        chart.render(&painter);
    }
    state.counters["points"] = static_cast<double>(chart.PointCount());
}

void BM_LiveChartRedraw18000(benchmark::State& state) {
    RedrawHours(state, 1);
}
BENCHMARK(BM_LiveChartRedraw18000)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_LiveChartRedraw4x18000(benchmark::State& state) {
    RedrawHours(state, 4);
}
BENCHMARK(BM_LiveChartRedraw4x18000)->Unit(benchmark::kMillisecond)->Iterations(50);

// Simulated meters, each a process of its own, paced at 9600 baud; their device paths, or none
// when one did not start.
std::vector<QString> StartMeters(std::vector<std::unique_ptr<QProcess>>& processes, int count) {
    std::vector<QString> devices;
    for (int i = 0; i < count; ++i) {
        auto& meter = processes.emplace_back(std::make_unique<QProcess>());
        meter->start(QStringLiteral(VEMLA_METER_SIM), {QStringLiteral("--paced")});
        if (!meter->waitForReadyRead(5000))
            return {};
        devices.push_back(QString::fromUtf8(meter->readLine()).trimmed());
    }
    return devices;
}

// The first meter opened in the main window, the others added in the live window; all polled
// every 0.2 s with the chart at the 1 h span for `seconds` of the event loop as the program runs
// it. Readings per second and missed polls are the first meter's.
void PollMeters(benchmark::State& state, int meters, int defaultSeconds) {
    const char* secondsEnv = std::getenv("VEMLA_LIVE_BENCH_SECONDS");
    const int seconds = secondsEnv ? std::max(1, std::atoi(secondsEnv)) : defaultSeconds;
    std::vector<std::unique_ptr<QProcess>> processes;
    const std::vector<QString> devices = StartMeters(processes, meters);
    if (devices.empty())
        return state.SkipWithError("the simulator did not start");
    for (auto _ : state) {
        SilentBoxes boxes;
        CMeterDlg dlg(boxes, std::make_unique<NoPorts>());
        for (const QString& device : devices)
            dlg.Ports().AddVirtual(device.toStdString(), "simulated meter");
        dlg.show();
        dlg.OnPortListDropDown();
        dlg.findChild<QComboBox*>(QStringLiteral("1000"))->setCurrentIndex(0);
        dlg.OnPortButton();
        dlg.OpenLiveMonitor();
        LiveWindow* live = dlg.LiveMonitorWindow();
        for (const PortEntry& port : live->Meters().FreePorts())
            live->Meters().Add(port);
        live->findChildren<QComboBox*>().at(1)->setCurrentIndex(3); // 1 h
        live->Meters().SetInterval(200);
        for (int row = 0; row < live->Meters().Count(); ++row)
            live->Meters().At(row).monitor->Start();
        QApplication::processEvents();
        const double cpu = CpuSeconds();
        QElapsedTimer clock;
        clock.start();
        const auto before = live->Monitor().Samples().size();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double elapsed = clock.elapsed() / 1000.0;
        state.counters["meters"] = live->Meters().Count();
        state.counters["samples_per_s"] =
            static_cast<double>(live->Monitor().Samples().size() - before) / elapsed;
        state.counters["missed"] = live->Monitor().MissedPolls();
        state.counters["cpu_share_pct"] = 100.0 * (CpuSeconds() - cpu) / elapsed;
    }
    for (auto& meter : processes) {
        meter->terminate();
        meter->waitForFinished(3000);
    }
}

void BM_LivePolling(benchmark::State& state) {
    PollMeters(state, 1, 60);
}
BENCHMARK(BM_LivePolling)->Unit(benchmark::kSecond)->Iterations(1);

void BM_LivePollingFourMeters(benchmark::State& state) {
    PollMeters(state, 4, 20);
}
BENCHMARK(BM_LivePollingFourMeters)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QApplication>(argc, argv);
}
