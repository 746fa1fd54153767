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

// Where the port list comes from: the system's serial devices in the real program, a fixed list
// in tests.
class IPortSource {
public:
    virtual ~IPortSource() = default;
    virtual std::vector<PortCandidate> Enumerate() = 0;
};

// Colon-separated device paths added to the system's ports (socat links, the meter simulator).
inline constexpr const char* kPortsVariable = "VEMLA_PORTS";
// Bounds on what is taken from the variable.
inline constexpr size_t kMaxListedPaths = 64;
inline constexpr size_t kMaxPathLength = 4096;

// Splits a VEMLA_PORTS value: empty items are skipped, a repeated path is kept once (first place),
// over-long paths are dropped, at most kMaxListedPaths paths.
std::vector<std::string> ParsePortPathList(std::string_view list);

// The listed paths that exist now, in their order. A path that does not exist (yet) is left out,
// and shows up at the next enumeration once it does, e.g. when socat has made its link.
std::vector<PortCandidate>
CandidatesFromPathList(std::string_view list,
                       const std::function<bool(const std::string&)>& exists);

// The VEMLA_PORTS paths, read anew at every enumeration.
std::unique_ptr<IPortSource> CreateEnvironmentPortSource();

// VEMLA_PORTS first, then the serial devices the system reports (QSerialPortInfo).
std::unique_ptr<IPortSource> CreateSystemPortSource();

} // namespace vemla
