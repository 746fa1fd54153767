#pragma once
// The main of a benchmark program: the Qt application object it needs (offscreen when it shows
// windows), then Google Benchmark's run.

#include <QByteArray>
#include <QtGlobal>
#include <benchmark/benchmark.h>

namespace vemla::bench {

template <class Application> int RunBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vemla::bench
