#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vemla {

struct PortCandidate {
    std::string device;      // path to open
    std::string description; // shown as the entry's tooltip
    // Where known: what tells one adapter from another of its kind across plugging, so the
    // program finds it again (the last port used, a port that came back).
    std::string serialNumber = {};
    std::string byIdLink = {}; // its /dev/serial/by-id link
    std::string maker = {};    // the USB adapter's maker and product, "" when unknown
    std::string product = {};
};

// Why a listed path is not offered as a port.
enum class PortSkip { RegularFile, Fifo, Directory, Socket, BlockDevice, NotSerial, Other };

struct SkippedPort {
    std::string path;
    PortSkip why;
    std::string deviceClass = {}; // NotSerial: the kernel's class of the device ("mem")
};

// Where the port list comes from: the system's serial devices in the real program, a fixed list
// in tests.
class IPortSource {
public:
    virtual ~IPortSource() = default;
    virtual std::vector<PortCandidate> Enumerate() = 0;
    // What the last Enumerate left out that the user named, and why; empty when nothing was.
    virtual std::vector<SkippedPort> Skipped() const { return {}; }
};

// Colon-separated device paths added to the system's ports (socat links, the meter simulator).
inline constexpr const char* kPortsVariable = "VEMLA_PORTS";
// Bounds on what is taken from the variable.
inline constexpr size_t kMaxListedPaths = 64;
inline constexpr size_t kMaxPathLength = 4096;

// Splits a VEMLA_PORTS value: empty items are skipped, a repeated path is kept once (first place),
// over-long paths are dropped, at most kMaxListedPaths paths.
std::vector<std::string> ParsePortPathList(std::string_view list);

// What a listed path is now. Only a character device (or a link to one) can be a serial line,
// and of those not one the kernel files under another class than "tty" (/dev/zero is "mem");
// a pseudo-terminal has no such entry and is taken.
struct PortPathKind {
    enum class State { Missing, SerialLine, Skipped } state;
    PortSkip why = PortSkip::Other;
    std::string deviceClass = {};
};
PortPathKind ClassifyPortPath(const std::string& path);

// The listed paths that are serial lines now, in their order. A path that does not exist (yet) is
// left out silently, and shows up at the next enumeration once it does, e.g. when socat has made
// its link; one that exists but cannot be a port goes to *skipped with the reason.
std::vector<PortCandidate>
CandidatesFromPathList(std::string_view list,
                       const std::function<PortPathKind(const std::string&)>& classify,
                       std::vector<SkippedPort>* skipped);

// The VEMLA_PORTS paths, read anew at every enumeration.
std::unique_ptr<IPortSource> CreateEnvironmentPortSource();

// VEMLA_PORTS first, then the serial devices the system reports (QSerialPortInfo).
std::unique_ptr<IPortSource> CreateSystemPortSource();

} // namespace vemla
