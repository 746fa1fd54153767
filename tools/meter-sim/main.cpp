// vemla-meter-sim: plays the optical power meter on a pseudo-terminal, so Vemla can be run,
// demonstrated and tested without the instrument.
#include "MeterSimulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <pthread.h>
#include <string>

namespace {

constexpr const char* kUsage =
    "Usage: vemla-meter-sim [options]\n"
    "Plays the optical power meter on a pseudo-terminal and prints the device path.\n"
    "\n"
    "  --records N         stored readings, 0..65536 (default 10)\n"
    "  --paced             send at 9600 baud (about 1.04 ms per byte); default unpaced\n"
    "  --noise             random bytes between the frames of an upload\n"
    "  --cut-record K      send record K cut off in the middle\n"
    "  --corrupt-length K  corrupt the length byte of record K\n"
    "  --overlong K        follow record K with a bogus 255-byte frame\n"
    "  --hangup-after K    close the line after record K, as if the device were pulled\n"
    "  --late-power MS     answer each power reading MS milliseconds late (0..10000)\n"
    "  --no-power-reply    never answer a power reading\n"
    "  --seed S            seed of the generated readings and faults (default 1)\n"
    "  --link PATH         make the symlink PATH -> device, a path that stays the same\n"
    "  --log FILE          append every frame received, one line of hex bytes each\n"
    "  --help              this text\n";

std::optional<long> ParseNumber(const char* text, long low, long high) {
    if (text == nullptr || *text == '\0')
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char** argv) {
    vemla::SimOptions options;
    std::string link;
    std::string logPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto number = [&](long low, long high) -> std::optional<long> {
            auto v = ParseNumber(value, low, high);
            if (!v)
                std::fprintf(stderr, "vemla-meter-sim: %s needs a number from %ld to %ld\n",
                             arg.c_str(), low, high);
            ++i;
            return v;
        };
        std::optional<long> v;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--paced") {
            options.paced = true;
            continue;
        } else if (arg == "--noise") {
            options.faults.noise = true;
            continue;
        } else if (arg == "--no-power-reply") {
            options.faults.powerSilent = true;
            continue;
        } else if (arg == "--log") {
            if (value == nullptr || *value == '\0') {
                std::fputs("vemla-meter-sim: --log needs a file\n", stderr);
                return 2;
            }
            logPath = value;
            ++i;
            continue;
        } else if (arg == "--link") {
            if (value == nullptr || *value == '\0') {
                std::fputs("vemla-meter-sim: --link needs a path\n", stderr);
                return 2;
            }
            link = value;
            ++i;
            continue;
        } else if (arg == "--records") {
            if (!(v = number(0, vemla::kSimMaxRecords)))
                return 2;
            options.records = static_cast<int>(*v);
        } else if (arg == "--cut-record") {
            if (!(v = number(0, vemla::kSimMaxRecords - 1)))
                return 2;
            options.faults.cutRecord = static_cast<int>(*v);
        } else if (arg == "--corrupt-length") {
            if (!(v = number(0, vemla::kSimMaxRecords - 1)))
                return 2;
            options.faults.corruptLengthRecord = static_cast<int>(*v);
        } else if (arg == "--overlong") {
            if (!(v = number(0, vemla::kSimMaxRecords - 1)))
                return 2;
            options.faults.overlongRecord = static_cast<int>(*v);
        } else if (arg == "--hangup-after") {
            if (!(v = number(0, vemla::kSimMaxRecords - 1)))
                return 2;
            options.faults.hangUpAfterRecord = static_cast<int>(*v);
        } else if (arg == "--late-power") {
            if (!(v = number(0, 10000)))
                return 2;
            options.faults.powerLateMs = static_cast<int>(*v);
        } else if (arg == "--seed") {
            if (!(v = number(0, 0xFFFFFFFFL)))
                return 2;
            options.faults.seed = static_cast<uint32_t>(*v);
        } else {
            std::fprintf(stderr, "vemla-meter-sim: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }

    // Block the stop signals before the thread starts, so it inherits the mask and only
    // sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    vemla::MeterSimulator sim(options);
    if (!link.empty())
        sim.SetLinkPath(link);
    if (!sim.Start()) {
        std::fprintf(stderr, "vemla-meter-sim: %s\n", sim.ErrorText().c_str());
        return 1;
    }
    std::printf("%s\n", sim.DevicePath().c_str());
    std::fflush(stdout);

    std::FILE* log = nullptr;
    if (!logPath.empty() && (log = std::fopen(logPath.c_str(), "a")) == nullptr) {
        std::fprintf(stderr, "vemla-meter-sim: cannot open %s: %s\n", logPath.c_str(),
                     std::strerror(errno));
        sim.Stop();
        return 1;
    }
    // Frames are logged as they come (every 10 ms), so a test reads them while the meter runs.
    std::size_t logged = 0;
    const timespec tick{0, 10'000'000};
    while (sigtimedwait(&stopSignals, nullptr, &tick) < 0) {
        if (log == nullptr)
            continue;
        const auto frames = sim.ReceivedFrames();
        for (; logged < frames.size(); ++logged) {
            const auto& frame = frames[logged];
            for (std::size_t b = 0; b < frame.size(); ++b)
                std::fprintf(log, b == 0 ? "%02x" : " %02x", frame[b]);
            std::fputc('\n', log);
        }
        std::fflush(log);
    }
    if (log != nullptr)
        std::fclose(log);
    sim.Stop();
    return 0;
}
