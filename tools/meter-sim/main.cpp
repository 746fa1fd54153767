// vemla-meter-sim: plays the optical power meter on a pseudo-terminal, so Vemla can be run,
// demonstrated and tested without the instrument.
#include "MeterSimulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <pthread.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: vemla-meter-sim [options]\n"
    "Plays the optical power meter on a pseudo-terminal and prints the device path.\n"
    "\n"
    "  --meters N          N meters (1..16), each on its own pseudo-terminal, one device path\n"
    "                      a line; meter k (from 1) reads around -10 - 2(k-1) dBm with its own\n"
    "                      seed S+k-1; --link and --log then name PATH-k and FILE-k\n"
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

// What the command line asks for.
struct Invocation {
    vemla::SimOptions options;
    int meters = 1;
    std::string link;
    std::string logPath;
};

// How reading the command line ended: go on, or leave with an exit code.
struct ParseOutcome {
    bool run = true;
    int exitCode = 0;
};

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

// The options that take no value; false when arg is none of them.
bool ApplyFlag(const std::string& arg, vemla::SimOptions& options) {
    if (arg == "--paced")
        options.paced = true;
    else if (arg == "--noise")
        options.faults.noise = true;
    else if (arg == "--no-power-reply")
        options.faults.powerSilent = true;
    else
        return false;
    return true;
}

// The options that take a path, with what the message calls it when it is missing.
struct PathOption {
    const char* name;
    const char* needs;
    std::string Invocation::*target;
};

const PathOption kPathOptions[] = {
    {"--log", "file", &Invocation::logPath},
    {"--link", "path", &Invocation::link},
};

// The options that take a number, with their range and where the value goes.
struct NumberOption {
    const char* name;
    long low;
    long high;
    void (*store)(Invocation&, long);
};

constexpr long kLastRecord = vemla::kSimMaxRecords - 1;
const NumberOption kNumberOptions[] = {
    {"--meters", 1, vemla::kSimMaxMeters,
     [](Invocation& i, long v) { i.meters = static_cast<int>(v); }},
    {"--records", 0, vemla::kSimMaxRecords,
     [](Invocation& i, long v) { i.options.records = static_cast<int>(v); }},
    {"--cut-record", 0, kLastRecord,
     [](Invocation& i, long v) { i.options.faults.cutRecord = static_cast<int>(v); }},
    {"--corrupt-length", 0, kLastRecord,
     [](Invocation& i, long v) { i.options.faults.corruptLengthRecord = static_cast<int>(v); }},
    {"--overlong", 0, kLastRecord,
     [](Invocation& i, long v) { i.options.faults.overlongRecord = static_cast<int>(v); }},
    {"--hangup-after", 0, kLastRecord,
     [](Invocation& i, long v) { i.options.faults.hangUpAfterRecord = static_cast<int>(v); }},
    {"--late-power", 0, 10000,
     [](Invocation& i, long v) { i.options.faults.powerLateMs = static_cast<int>(v); }},
    {"--seed", 0, 0xFFFFFFFFL,
     [](Invocation& i, long v) { i.options.faults.seed = static_cast<uint32_t>(v); }},
};

const NumberOption* FindNumberOption(const std::string& arg) {
    for (const NumberOption& option : kNumberOptions) {
        if (arg == option.name)
            return &option;
    }
    return nullptr;
}

ParseOutcome Leave(int exitCode) {
    return {false, exitCode};
}

// Reads the option at argv[i] (and its value, advancing i past it).
ParseOutcome ParseOption(int argc, char** argv, int& i, Invocation& invocation) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--help" || arg == "-h") {
        std::fputs(kUsage, stdout);
        return Leave(0);
    }
    if (ApplyFlag(arg, invocation.options))
        return {};
    for (const PathOption& option : kPathOptions) {
        if (arg != option.name)
            continue;
        if (value == nullptr || *value == '\0') {
            std::fprintf(stderr, "vemla-meter-sim: %s needs a %s\n", option.name, option.needs);
            return Leave(2);
        }
        invocation.*option.target = value;
        ++i;
        return {};
    }
    if (const NumberOption* option = FindNumberOption(arg)) {
        ++i;
        const auto number = ParseNumber(value, option->low, option->high);
        if (!number) {
            std::fprintf(stderr, "vemla-meter-sim: %s needs a number from %ld to %ld\n",
                         arg.c_str(), option->low, option->high);
            return Leave(2);
        }
        option->store(invocation, *number);
        return {};
    }
    std::fprintf(stderr, "vemla-meter-sim: unknown option %s\n%s", arg.c_str(), kUsage);
    return Leave(2);
}

ParseOutcome ParseCommandLine(int argc, char** argv, Invocation& invocation) {
    for (int i = 1; i < argc; ++i) {
        const ParseOutcome outcome = ParseOption(argc, argv, i, invocation);
        if (!outcome.run)
            return outcome;
    }
    return {};
}

// Appends the frames received since the last call, one line of hex bytes each.
void LogNewFrames(const vemla::MeterSimulator& sim, std::FILE* log, std::size_t& logged) {
    const auto frames = sim.ReceivedFrames();
    for (; logged < frames.size(); ++logged) {
        const auto& frame = frames[logged];
        for (std::size_t b = 0; b < frame.size(); ++b)
            std::fprintf(log, b == 0 ? "%02x" : " %02x", frame[b]);
        std::fputc('\n', log);
    }
    std::fflush(log);
}

// One meter's name among several: "PATH-k", k from 1; the name as given when there is one.
std::string NameOfMeter(const std::string& name, int meter, int meters) {
    return meters == 1 || name.empty() ? name : name + '-' + std::to_string(meter + 1);
}

// A served meter and the file its received frames go to.
struct Served {
    std::unique_ptr<vemla::MeterSimulator> sim;
    std::FILE* log = nullptr;
    std::size_t logged = 0;
};

// Starts every meter and opens its frame log; false (and said why) when one cannot.
bool StartMeters(const Invocation& invocation, std::vector<Served>& served) {
    for (int k = 0; k < invocation.meters; ++k) {
        Served& meter = served.emplace_back();
        meter.sim =
            std::make_unique<vemla::MeterSimulator>(vemla::OptionsOfMeter(invocation.options, k));
        if (!invocation.link.empty())
            meter.sim->SetLinkPath(NameOfMeter(invocation.link, k, invocation.meters));
        if (!meter.sim->Start()) {
            std::fprintf(stderr, "vemla-meter-sim: %s\n", meter.sim->ErrorText().c_str());
            return false;
        }
        const std::string logPath = NameOfMeter(invocation.logPath, k, invocation.meters);
        if (!logPath.empty() && (meter.log = std::fopen(logPath.c_str(), "a")) == nullptr) {
            std::fprintf(stderr, "vemla-meter-sim: cannot open %s: %s\n", logPath.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    return true;
}

void StopMeters(std::vector<Served>& served) {
    for (Served& meter : served) {
        if (meter.log != nullptr)
            std::fclose(meter.log);
        meter.sim->Stop();
    }
}

// Plays the meters until SIGINT or SIGTERM, which the caller has blocked.
int Serve(const Invocation& invocation, const sigset_t& stopSignals) {
    std::vector<Served> served;
    if (!StartMeters(invocation, served)) {
        StopMeters(served);
        return 1;
    }
    // Every path at once, so a reader that waits for the first line also finds the others.
    std::string paths;
    for (const Served& meter : served)
        paths += meter.sim->DevicePath() + '\n';
    std::fputs(paths.c_str(), stdout);
    std::fflush(stdout);
    // Frames are logged as they come (every 10 ms), so a test reads them while the meter runs.
    const timespec tick{0, 10'000'000};
    while (sigtimedwait(&stopSignals, nullptr, &tick) < 0) {
        for (Served& meter : served)
            if (meter.log != nullptr)
                LogNewFrames(*meter.sim, meter.log, meter.logged);
    }
    StopMeters(served);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Invocation invocation;
    const ParseOutcome outcome = ParseCommandLine(argc, argv, invocation);
    if (!outcome.run)
        return outcome.exitCode;

    // Block the stop signals before the thread starts, so it inherits the mask and only
    // sigwait in Serve sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return Serve(invocation, stopSignals);
}
