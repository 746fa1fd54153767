// Filling the shown measurement table with a full upload: 65,536 records, every cell set, the
// way the window does it for each record frame.
#include "BenchMain.h"
#include "CellEdit.h"
#include "EditList.h"
#include "MessageBox.h"
#include "MeterDlg.h"

#include "BenchWindow.h"
#include "MeterSimulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace vemla;
using namespace vemla::bench;

constexpr int kRows = 65536;

void BM_TableInsertShown(benchmark::State& state) {
    CEditList table;
    table.RebuildColumns(
        {"NUMBER", "WAVE LENGTH", "POWER", "RELATIVE POWER", "REF", "DATA/TIME", "NOTE"});
    table.resize(800, 400);
    table.show();
    QApplication::processEvents();
    for (auto _ : state) {
        table.DeleteAllItems();
        for (int n = 1; n <= kRows; ++n) {
            const int row = table.InsertItem(n - 1, QString::number(n));
            table.SetItemText(row, 1, QStringLiteral("1550"));
            table.SetItemText(row, 2, QStringLiteral("-10.00dBm"));
            table.SetItemText(row, 3, QStringLiteral("10.50dB"));
            table.SetItemText(row, 4, QStringLiteral("-20.50dBm"));
            table.SetItemText(row, 5, QStringLiteral("2013-10-09  15:07  "));
            table.SetItemText(row, 6, QString());
        }
        QApplication::processEvents(); // let the view catch up and paint
        table.scrollToBottom();
        table.repaint();
    }
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_TableInsertShown)->Unit(benchmark::kMillisecond)->Iterations(3);

// With a full table: scroll to the other end, select a cell, edit it and store the text, as the
// operator's mouse and keys do it. Each round should stay well under a frame (16 ms).
void BM_ScrollSelectEditAt65536Rows(benchmark::State& state) {
    CEditList table;
    table.RebuildColumns(
        {"NUMBER", "WAVE LENGTH", "POWER", "RELATIVE POWER", "REF", "DATA/TIME", "NOTE"});
    table.resize(800, 400);
    for (int n = 1; n <= kRows; ++n) {
        const int row = table.InsertItem(n - 1, QString::number(n));
        table.SetItemText(row, 2, QStringLiteral("-10.00dBm"));
    }
    table.show();
    QApplication::setActiveWindow(&table);
    QApplication::processEvents();
    bool bottom = false;
    for (auto _ : state) {
        bottom = !bottom;
        const int row = bottom ? kRows - 1 : 0;
        if (bottom)
            table.scrollToBottom();
        else
            table.scrollToTop();
        const QPoint at = table.visualRect(table.Model().index(row, 6)).center();
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, at);
        QTest::keyClicks(table.Editor(), QStringLiteral("ok"));
        QTest::keyClick(table.Editor(), Qt::Key_Return);
        table.repaint();
    }
    // Both ends, so an edit lost at the far end of a full table fails the run.
    if (table.GetItemText(0, 6) != QLatin1String("ok") ||
        table.GetItemText(kRows - 1, 6) != QLatin1String("ok"))
        state.SkipWithError("the edit did not reach the table");
}
BENCHMARK(BM_ScrollSelectEditAt65536Rows)->Unit(benchmark::kMillisecond)->Iterations(50);

// The whole road inside the window: record frames fed byte by byte to OnRxChar.
void BM_WindowUploadThroughOnRxChar(benchmark::State& state) {
    std::vector<uint8_t> stream;
    stream.reserve(kRows * 22 + 4);
    for (int i = 0; i < kRows; ++i) {
        const uint8_t rec[22] = {
            0xAA, 22,   0x05, uint8_t(i >> 8), uint8_t(i), 0x06, 0x0E, 0xC1, 0x20, 0x00, 0x00, 0xC1,
            0xA4, 0x00, 0x00, uint8_t(i & 1),  13,         10,   9,    15,   7,    0x55};
        stream.insert(stream.end(), rec, rec + 22);
    }
    const uint8_t end[4] = {0xAA, 0x04, 0x05, 0x55};
    stream.insert(stream.end(), end, end + 4);
    SilentBoxes boxes;
    CMeterDlg dlg(boxes);
    dlg.show();
    QApplication::processEvents();
    for (auto _ : state) {
        dlg.Table().DeleteAllItems();
        for (uint8_t b : stream)
            dlg.OnRxChar(b, 1);
        QApplication::processEvents();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
}
BENCHMARK(BM_WindowUploadThroughOnRxChar)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole road from the meter: 65,536 records from the unpaced simulator on a pty, through
// the engine and OnRxChar into the shown table; with argument 1 every record is also kept in an
// archive, as the program does.
void BM_UploadFromSimulator(benchmark::State& state) {
    SimOptions options;
    options.records = kRows;
    MeterSimulator meter(options);
    if (!meter.Start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    SilentBoxes boxes;
    CMeterDlg dlg(boxes, std::make_unique<NoPorts>());
    QTemporaryDir archiveDir;
    if (state.range(0) == 1 &&
        dlg.OpenArchive(archiveDir.filePath("archive.sqlite")).state != ArchiveState::ReadWrite) {
        state.SkipWithError("archive did not open");
        return;
    }
    if (!OpenSimulatedPort(dlg, meter)) {
        state.SkipWithError("port did not open");
        return;
    }
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        dlg.OnUpload();
        while (dlg.Table().GetItemCount() < kRows && t.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
    }
    state.counters["rows"] = dlg.Table().GetItemCount();
    state.SetBytesProcessed(int64_t(state.iterations()) * (int64_t(kRows) * 22 + 4));
}
BENCHMARK(BM_UploadFromSimulator)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();

// Peak memory of the window holding a full upload, beside the window alone.
void BM_WindowPeakMemory(benchmark::State& state) {
    for (auto _ : state) {
        SilentBoxes boxes;
        CMeterDlg dlg(boxes, std::make_unique<NoPorts>());
        dlg.show();
        QApplication::processEvents();
        const long before = StatusKiB("VmHWM:");
        for (int n = 1; n <= kRows; ++n) {
            const int row = dlg.Table().InsertItem(n - 1, QString::number(n));
            dlg.Table().SetItemText(row, 1, QStringLiteral("1550"));
            dlg.Table().SetItemText(row, 2, QString::number(-10.0 - n % 7, 'f', 2) + "dBm");
            dlg.Table().SetItemText(row, 3, QString::number(n % 11, 'f', 2) + "dB");
            dlg.Table().SetItemText(row, 4, QStringLiteral("-20.50dBm"));
            dlg.Table().SetItemText(row, 5, QStringLiteral("2013-10-09  15:07  "));
        }
        QApplication::processEvents();
        state.counters["peak_MiB"] = double(StatusKiB("VmHWM:")) / 1024.0;
        state.counters["rows_MiB"] = double(StatusKiB("VmHWM:") - before) / 1024.0;
    }
}
BENCHMARK(BM_WindowPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// Certification on: every LOSS and RESULT cell of a full table judged once (as a scroll from
// top to bottom draws them), then the summary line's pass over all records.
void BM_JudgedColumnsAt65536Rows(benchmark::State& state) {
    RecordList records;
    for (int n = 0; n < kRows; ++n) {
        MeterRecord r;
        r.values.wavelength = n % 2 ? 1310 : 1550;
        r.values.power = -10.0f - float(n % 100) / 20.0f;
        records.Insert(n, std::move(r));
    }
    CertificationSettings settings;
    settings.enabled = true;
    settings.link.lengthKm = 2.0;
    settings.SetLimit({1310, WaveLimit::Kind::Budget, 0.0, 0.4});
    settings.SetLimit({1550, WaveLimit::Kind::Fixed, 3.0, 0.0});
    const QDateTime now = QDateTime::currentDateTime();
    settings.SetReference({1310, -7.0, now});
    settings.SetReference({1550, -7.2, now});
    CEditList table(nullptr, &records);
    table.RebuildColumns(
        {"NUMBER", "WAVE LENGTH", "POWER", "RELATIVE POWER", "REF", "DATA/TIME", "NOTE"});
    table.ShowCertification(settings, Language::English, now);
    const MeasurementModel& model = table.Model();
    for (auto _ : state) {
        int64_t chars = 0;
        for (int row = 0; row < kRows; ++row)
            for (int column : {MeasurementModel::kLossColumn, MeasurementModel::kResultColumn})
                chars += model.data(model.index(row, column), Qt::DisplayRole).toString().size();
        std::vector<RecordValues> values;
        values.reserve(kRows);
        for (int row = 0; row < kRows; ++row)
            values.push_back(records.At(row).values);
        benchmark::DoNotOptimize(chars);
        benchmark::DoNotOptimize(Summarize(values, settings, now));
    }
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_JudgedColumnsAt65536Rows)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QApplication>(argc, argv);
}
