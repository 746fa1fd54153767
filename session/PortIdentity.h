#pragma once
// Which adapter a port is, beyond the number the list gives it for this run: found again at the
// next start (the last port used) and when it comes back after being pulled.

#include "PortList.h"

#include <optional>
#include <string>
#include <vector>

namespace vemla {

struct PortIdentity {
    std::string device;
    std::string serialNumber;
    std::string byIdLink;

    bool operator==(const PortIdentity&) const = default;
};

PortIdentity IdentityOf(const PortEntry& entry);

// The entry that is the same adapter: the by-id link or the serial number first (they follow the
// adapter to another device node), the device path second.
std::optional<std::size_t> FindPort(const std::vector<PortEntry>& entries,
                                    const PortIdentity& identity);

// The user's settings (QSettings, in the XDG config folder), never Vemla.ini. What is read is
// bounded: an over-long value counts as none.
PortIdentity LoadLastPort();
void SaveLastPort(const PortIdentity& identity);
bool LoadAutoReconnect();
void SaveAutoReconnect(bool on);

} // namespace vemla
