#pragma once

#include "PortSource.h"

#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vemla {

struct PortEntry {
    uint32_t number;
    std::string device;
    std::string name;         // "COM<n> (<device>)", at most kMaxPortNameLength characters
    std::string description;  // tooltip: device, maker, product, serial number, by-id link
    std::string serialNumber; // "" when unknown
    std::string byIdLink;     // "" when there is none
    std::string maker;        // "" when unknown
    std::string product;      // "" when unknown
};

inline constexpr size_t kMaxPortEntries = 20;
inline constexpr size_t kMaxPortNameLength = 29;
// The window reads the number from two digits of the name, so numbers stay within 1..99.
inline constexpr uint32_t kMaxPortNumber = 99;

// "COM<n> (<shown>)" cut to kMaxPortNameLength: the shown part is cut, never the number. A device
// path keeps its end (the distinctive part) behind "...", a label keeps its start. Control
// characters are shown as '?'.
enum class CutFrom { Start, End };
std::string MakePortName(uint32_t number, std::string_view shown, CutFrom cut);

// The machine's serial ports as the window lists them. A device gets a number the first time it
// is seen, the lowest one not given to any device before, and keeps it for the life of the object:
// a stored number never opens another device after the first one is unplugged.
class PortList {
public:
    explicit PortList(std::unique_ptr<IPortSource> source);

    // A port the program provides itself (e.g. the simulated meter), listed before the system's as
    // "COM<n> (<label>)" from the next Refresh on.
    void AddVirtual(const std::string& device, const std::string& label);
    void RemoveVirtual(const std::string& device);

    // At most kMaxPortEntries entries: virtual ports first, then the source's in its order; a
    // device listed twice is shown once. Ports beyond the bound, and new devices once all 99
    // numbers are given, are left out.
    const std::vector<PortEntry>& Refresh();
    // Reads the ports like Refresh, but leaves the entries alone when the source reports the same
    // ports as at the last read; true when the entries changed. For a watch that polls.
    bool Poll();
    const std::vector<PortEntry>& Entries() const { return m_entries; }
    // The paths the user listed that the last read left out, and why.
    std::vector<SkippedPort> Skipped() const {
        return m_source ? m_source->Skipped() : std::vector<SkippedPort>{};
    }
    // The device listed under number at the last Refresh, "" when there is none now.
    std::string DeviceFor(uint32_t number) const;

private:
    uint32_t NumberFor(const std::string& device);
    struct Listed {
        PortCandidate port;
        std::string shown;
        CutFrom cut;
        bool operator==(const Listed& o) const {
            return port.device == o.port.device && port.description == o.port.description &&
                   port.serialNumber == o.port.serialNumber && port.byIdLink == o.port.byIdLink &&
                   shown == o.shown && cut == o.cut;
        }
    };
    std::vector<Listed> Read() const;
    void Build(const std::vector<Listed>& listed);

    struct VirtualPort {
        std::string device;
        std::string label;
    };

    std::unique_ptr<IPortSource> m_source;
    std::vector<VirtualPort> m_virtual;
    std::map<std::string, uint32_t> m_numbers;
    std::bitset<kMaxPortNumber + 1> m_given;
    std::vector<PortEntry> m_entries;
    std::vector<Listed> m_lastRead; // what the entries were built from
};

} // namespace vemla
