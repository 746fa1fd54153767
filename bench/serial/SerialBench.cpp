// Pushes an instrument's full memory (65,536 record frames of 22 bytes) from a pseudo-terminal
// master through CCommPort to a byte handler on the main thread's event loop. The instrument side
// runs in a child process, so that getrusage(RUSAGE_SELF) counts only this program's own work.
#include "BenchMain.h"
#include "CommPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace vemla {
namespace {

constexpr size_t kFrames = 65536;
constexpr size_t kFrameSize = 22;
constexpr size_t kUploadBytes = kFrames * kFrameSize; // 1,441,792
// The per-byte blocking baseline runs at about 17 kB/s: a share of the upload keeps it short.
constexpr size_t kBaselineBytes = 32 * 1024;
// 10 bits a byte at 9600 baud.
constexpr auto kBytePace = std::chrono::microseconds(1042);
constexpr auto kPacedRun = std::chrono::seconds(3);

using Clock = std::chrono::steady_clock;

// Byte i of the upload: record frames with a counter in them, so order faults show.
uint8_t UploadByte(size_t i) {
    const size_t frame = i / kFrameSize;
    switch (i % kFrameSize) {
    case 0:
        return 0xAA;
    case 1:
        return kFrameSize;
    case 2:
        return 0x05;
    case 3:
        return static_cast<uint8_t>(frame >> 8);
    case 4:
        return static_cast<uint8_t>(frame);
    case kFrameSize - 1:
        return 0x55;
    default:
        return static_cast<uint8_t>(frame * 31 + i);
    }
}

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class Pty {
public:
    Pty() {
        std::array<char, 128> name{};
        if (::openpty(&m_master, &m_slave, name.data(), nullptr, nullptr) == 0) {
            m_path = name.data();
            termios t{};
            ::tcgetattr(m_slave, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(m_slave, TCSANOW, &t);
        }
    }
    ~Pty() {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    bool Ok() const { return m_master >= 0; }
    int Master() const { return m_master; }
    int Slave() const { return m_slave; }
    const std::string& Path() const { return m_path; }

private:
    int m_master = -1, m_slave = -1;
    std::string m_path;
};

// The instrument: a child process that writes count bytes of the upload to the master, paced or
// as fast as the line takes them.
pid_t StartInstrument(int master, size_t count, bool paced) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    std::array<uint8_t, 4096> chunk{};
    size_t sent = 0;
    while (sent < count) {
        const size_t n = paced ? 1 : std::min(chunk.size(), count - sent);
        for (size_t k = 0; k < n; ++k)
            chunk[k] = UploadByte(sent + k);
        size_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(master, chunk.data() + done, n - done);
            if (w > 0) {
                done += static_cast<size_t>(w);
            } else if (w < 0 && errno != EINTR) {
                pollfd p{master, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
        sent += n;
        if (paced) {
            const timespec pace{0, std::chrono::nanoseconds(kBytePace).count()};
            ::nanosleep(&pace, nullptr);
        }
    }
    ::_exit(0);
}

// Runs the event loop until done() or the time limit, looking every checkMs (its wake-ups are
// counted in the CPU share, so the paced run looks seldom).
void RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit, int checkMs = 1) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(checkMs);
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
}

struct EngineRun {
    size_t received = 0;
    size_t misordered = 0;
    double seconds = 0;
    double cpuSeconds = 0;
    double lastByteSeconds = 0;   // when the last byte was handled, from the start
    double instrumentSeconds = 0; // when the instrument had sent everything, from the start
    bool ok = false;
};

EngineRun RunThroughEngine(size_t count, bool paced) {
    EngineRun run;
    Pty pty;
    if (!pty.Ok())
        return run;
    QObject window;
    Clock::time_point start;
    PortOwner owner{&window,
                    [&](uint8_t byte, uint32_t) {
                        if (byte != UploadByte(run.received))
                            ++run.misordered;
                        ++run.received;
                        if (run.received == count)
                            run.lastByteSeconds =
                                std::chrono::duration<double>(Clock::now() - start).count();
                    },
                    nullptr};
    CCommPort port([&](uint32_t) { return pty.Path(); });
    if (!port.Open(owner, 1, 9600, 'N', 8, 1, 3, 512) || !port.StartMonitor())
        return run;
    RunUntil([&] { return port.IsMonitoring(); }, std::chrono::milliseconds(2000));

    const double cpuBefore = CpuSeconds();
    start = Clock::now();
    const pid_t child = StartInstrument(pty.Master(), count, paced);
    if (child < 0)
        return run;
    const auto limit = paced ? std::chrono::milliseconds(30000) : std::chrono::milliseconds(60000);
    bool childGone = false;
    RunUntil(
        [&] {
            if (!childGone && ::waitpid(child, nullptr, WNOHANG) == child) {
                childGone = true;
                run.instrumentSeconds = std::chrono::duration<double>(Clock::now() - start).count();
            }
            return run.received >= count;
        },
        limit, paced ? 100 : 1);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpuSeconds = CpuSeconds() - cpuBefore;
    if (!childGone)
        ::waitpid(child, nullptr, 0);
    port.RequestStop();
    RunUntil([&] { return !port.IsOpen(); }, std::chrono::milliseconds(2000));
    run.ok = run.received == count && run.misordered == 0;
    return run;
}

void EngineUnpacedUpload(benchmark::State& state) {
    for (auto _ : state) {
        const EngineRun run = RunThroughEngine(kUploadBytes, false);
        if (!run.ok) {
            state.SkipWithError("bytes lost or out of order");
            return;
        }
        state.SetIterationTime(run.seconds);
        state.counters["cpu_s"] = run.cpuSeconds;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kUploadBytes));
    state.counters["upload_bytes"] = kUploadBytes;
}
BENCHMARK(EngineUnpacedUpload)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// One blocking cross-thread hop per byte, as a byte-at-a-time synchronous delivery makes it.
void BlockingHopPerByteBaseline(benchmark::State& state) {
    for (auto _ : state) {
        Pty pty;
        QObject window;
        size_t received = 0, misordered = 0;
        std::atomic<bool> stop{false}, readerDone{false};
        std::thread reader([&] {
            const int fd = pty.Slave();
            size_t index = 0;
            while (!stop.load() && index < kBaselineBytes) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 100) <= 0)
                    continue;
                uint8_t byte = 0;
                if (::read(fd, &byte, 1) != 1)
                    continue;
                QMetaObject::invokeMethod(
                    &window,
                    [&, byte] {
                        if (byte != UploadByte(received))
                            ++misordered;
                        ++received;
                    },
                    Qt::BlockingQueuedConnection);
                ++index;
            }
            readerDone = true;
        });
        const auto start = Clock::now();
        const pid_t child = StartInstrument(pty.Master(), kBaselineBytes, false);
        RunUntil([&] { return received >= kBaselineBytes; }, std::chrono::milliseconds(60000));
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        stop = true;
        // The reader may sit in a blocking hop: keep the event loop turning until it has gone.
        RunUntil([&] { return readerDone.load(); }, std::chrono::milliseconds(60000));
        reader.join();
        int status = 0;
        ::waitpid(child, &status, 0);
        if (received != kBaselineBytes || misordered != 0) {
            state.SkipWithError("bytes lost or out of order");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["upload_s_estimate"] = seconds * kUploadBytes / kBaselineBytes;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBaselineBytes));
}
BENCHMARK(BlockingHopPerByteBaseline)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A line at 9600 baud: the program must keep up (no backlog) at a small share of one core.
void EnginePaced9600(benchmark::State& state) {
    const size_t count = kPacedRun / kBytePace;
    for (auto _ : state) {
        const EngineRun run = RunThroughEngine(count, true);
        if (!run.ok) {
            state.SkipWithError("bytes lost or out of order");
            return;
        }
        state.SetIterationTime(run.seconds);
        state.counters["cpu_share_pct"] = 100.0 * run.cpuSeconds / run.seconds;
        // Backlog: how long after the instrument's last byte (and its last pause) the window had
        // handled everything; negative when it was done before the instrument had ended.
        state.counters["backlog_ms"] = 1e3 * (run.lastByteSeconds - run.instrumentSeconds);
        state.counters["line_s"] = std::chrono::duration<double>(count * kBytePace).count();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * count));
}
BENCHMARK(EnginePaced9600)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vemla

int main(int argc, char** argv) {
    return vemla::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
